#include "scan/Nit.h"

#include "scan/DvbTextField.h"

namespace scan {
namespace {

constexpr std::uint8_t kNetworkNameTag = 0x40;
constexpr std::size_t kLoopLengthSize = 2;
constexpr std::size_t kEntryFixedSize = 6;  // tsid, onid, descriptors length

// The loop whose 12-bit length stands at `at`, advancing `at` past it; nullopt on an overrun.
std::optional<ByteSpan> TakeLoop(ByteSpan bytes, std::size_t& at) {
    if (bytes.size() - at < kLoopLengthSize) return std::nullopt;
    const std::size_t length = Read12(bytes, at);
    if (bytes.size() - at - kLoopLengthSize < length) return std::nullopt;
    const ByteSpan loop = bytes.subspan(at + kLoopLengthSize, length);
    at += kLoopLengthSize + length;
    return loop;
}

void ReadTransportStreams(ByteSpan loop, Nit& nit) {
    while (loop.size() >= kEntryFixedSize) {
        NitTransportStream entry;
        entry.tsid = Read16(loop, 0);
        entry.onid = Read16(loop, 2);
        std::size_t at = 4;
        const auto descriptors = TakeLoop(loop, at);
        if (!descriptors) return;
        ForEachDescriptor(*descriptors, [&entry](std::uint8_t tag, ByteSpan body) {
            if (tag == kSatelliteDeliveryTag && !entry.delivery)
                entry.delivery = ParseSatelliteDelivery(body);
        });
        nit.transportStreams.push_back(entry);
        loop = loop.subspan(at);
    }
}

}  // namespace

std::optional<Nit> ParseNit(std::span<const Bytes> sections) {
    std::optional<Nit> nit;
    for (const Bytes& bytes : sections) {
        const auto section = CheckSection(bytes);
        if (!section || section->header.tableId != kNitActualTableId) continue;
        std::size_t at = 0;
        const auto networkDescriptors = TakeLoop(section->body, at);
        const auto transportStreams =
            networkDescriptors ? TakeLoop(section->body, at) : std::nullopt;
        if (!transportStreams) continue;
        if (!nit) nit.emplace().networkId = section->header.idExtension;
        ForEachDescriptor(*networkDescriptors, [&nit](std::uint8_t tag, ByteSpan body) {
            if (tag == kNetworkNameTag && nit->networkName.empty())
                nit->networkName = DecodeSiText(body);
        });
        ReadTransportStreams(*transportStreams, *nit);
    }
    return nit;
}

}  // namespace scan
