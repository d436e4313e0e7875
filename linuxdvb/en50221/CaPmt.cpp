#include "linuxdvb/en50221/CaPmt.h"

#include <algorithm>

namespace linuxdvb::en50221 {
namespace {

constexpr std::uint8_t kPmtTableId = 0x02;
constexpr std::uint8_t kCaDescriptorTag = 0x09;
constexpr std::size_t kPmtHeaderSize = 12;  // up to and including program_info_length
constexpr std::size_t kCrcSize = 4;
constexpr std::uint8_t kCurrentNext = 0x01;  // in the version byte: the section applies now

std::uint16_t Low12(ByteView in) {
    return ReadBe16(in) & 0x0FFF;
}

// The section without its CRC, when its length field agrees with the bytes.
std::optional<ByteView> PmtBody(ByteView section) {
    if (section.size() < kPmtHeaderSize + kCrcSize || section[0] != kPmtTableId)
        return std::nullopt;
    const std::size_t length = 3 + Low12(section.subspan(1));
    if (length > section.size() || length < kPmtHeaderSize + kCrcSize) return std::nullopt;
    return section.first(length - kCrcSize);
}

bool Listed(ByteView descriptor, std::span<const std::uint16_t> caSystemIds) {
    if (descriptor.size() < 4) return false;  // no CA_system_id
    const std::uint16_t id = ReadBe16(descriptor.subspan(2));
    return std::find(caSystemIds.begin(), caSystemIds.end(), id) != caSystemIds.end();
}

// The CA descriptors of the listed systems among `descriptors`, behind the command byte; empty
// when there are none.
std::optional<Bytes> CaDescriptors(ByteView descriptors, std::uint8_t command,
                                   std::span<const std::uint16_t> caSystemIds) {
    Bytes out;
    while (!descriptors.empty()) {
        if (descriptors.size() < 2 || descriptors[1] > descriptors.size() - 2) return std::nullopt;
        const std::size_t size = 2 + descriptors[1];
        if (descriptors[0] == kCaDescriptorTag && Listed(descriptors.first(size), caSystemIds)) {
            if (out.empty()) out.push_back(command);
            out.insert(out.end(), descriptors.begin(), descriptors.begin() + size);
        }
        descriptors = descriptors.subspan(size);
    }
    return out;
}

void AppendInfo(Bytes& out, const Bytes& info) {
    AppendBe16(out, static_cast<std::uint16_t>(info.size()));
    out.insert(out.end(), info.begin(), info.end());
}

}  // namespace

std::optional<PmtIdentity> ReadPmtIdentity(ByteView section) {
    const auto body = PmtBody(section);
    if (!body) return std::nullopt;
    return PmtIdentity{ReadBe16(body->subspan(3)),
                       static_cast<std::uint8_t>(((*body)[5] >> 1) & 0x1F),
                       ((*body)[5] & kCurrentNext) != 0};
}

std::optional<Bytes> MakeCaPmt(ByteView section, std::uint8_t listManagement, std::uint8_t command,
                               std::span<const std::uint16_t> caSystemIds) {
    const auto body = PmtBody(section);
    if (!body || ((*body)[5] & kCurrentNext) == 0) return std::nullopt;
    ByteView rest = body->subspan(kPmtHeaderSize);
    const std::size_t programInfoLength = Low12(body->subspan(10));
    if (programInfoLength > rest.size()) return std::nullopt;
    const auto programInfo = CaDescriptors(rest.first(programInfoLength), command, caSystemIds);
    if (!programInfo || programInfo->size() > 0x0FFF) return std::nullopt;
    rest = rest.subspan(programInfoLength);

    bool anyCa = !programInfo->empty();
    Bytes out{listManagement, (*body)[3], (*body)[4],
              static_cast<std::uint8_t>((*body)[5] & 0x3F)};  // version and current_next
    AppendInfo(out, *programInfo);
    while (!rest.empty()) {
        if (rest.size() < 5) return std::nullopt;
        const std::size_t esInfoLength = Low12(rest.subspan(3));
        if (esInfoLength > rest.size() - 5) return std::nullopt;
        const auto esInfo = CaDescriptors(rest.subspan(5, esInfoLength), command, caSystemIds);
        if (!esInfo || esInfo->size() > 0x0FFF) return std::nullopt;
        anyCa = anyCa || !esInfo->empty();
        out.push_back(rest[0]);                               // stream type
        AppendBe16(out, ReadBe16(rest.subspan(1)) & 0x1FFF);  // PID
        AppendInfo(out, *esInfo);
        rest = rest.subspan(5 + esInfoLength);
    }
    if (!anyCa) return std::nullopt;
    return out;
}

}  // namespace linuxdvb::en50221
