#include "SiTestSupport.h"

#include <algorithm>

#include "cardkit/Crc32.h"

namespace scantest {

Bytes B(std::initializer_list<int> values) {
    Bytes bytes;
    for (const int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes LengthPrefixed(const Bytes& field) {
    return Concat({B({static_cast<int>(field.size())}), field});
}

Bytes Descriptor(std::uint8_t tag, const Bytes& body) {
    return Concat({B({tag, static_cast<int>(body.size())}), body});
}

Bytes Loop12(const Bytes& loop) {
    const int size = static_cast<int>(loop.size());
    return Concat({B({0xF0 | size >> 8, size & 0xFF}), loop});
}

Bytes Section(const SectionSpec& spec, const Bytes& body) {
    const int length = static_cast<int>(body.size()) + 5 + 4;
    Bytes s = Concat({B({spec.tableId, 0xB0 | length >> 8, length & 0xFF, spec.idExtension >> 8,
                         spec.idExtension & 0xFF, 0xC0 | spec.version << 1 | (spec.current ? 1 : 0),
                         spec.number, spec.lastNumber}),
                      body});
    const std::uint32_t crc = cardkit::Crc32Mpeg(s);
    for (int shift = 24; shift >= 0; shift -= 8)
        s.push_back(static_cast<std::uint8_t>(crc >> shift));
    return s;
}

std::vector<Bytes> Packets(std::uint16_t pid, const Bytes& payload, std::uint8_t counter,
                           bool unitStart) {
    std::vector<Bytes> packets;
    for (std::size_t at = 0; at < payload.size() || packets.empty(); at += 184) {
        const bool start = unitStart && packets.empty();
        Bytes packet =
            B({0x47, (start ? 0x40 : 0) | pid >> 8, pid & 0xFF, 0x10 | (counter++ & 0x0F)});
        const std::size_t take = std::min<std::size_t>(184, payload.size() - at);
        packet.insert(packet.end(), payload.begin() + static_cast<std::ptrdiff_t>(at),
                      payload.begin() + static_cast<std::ptrdiff_t>(at + take));
        packet.resize(188, 0xFF);
        packets.push_back(std::move(packet));
    }
    return packets;
}

}  // namespace scantest
