#include "scan/Section.h"

#include "cardkit/Crc32.h"

namespace scan {
namespace {

constexpr std::size_t kLengthFieldEnd = 3;  // table id and section_length
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kCrcSize = 4;

}  // namespace

std::optional<CheckedSection> CheckSection(ByteSpan bytes) {
    if (bytes.size() < kHeaderSize + kCrcSize) return std::nullopt;
    if ((bytes[1] & 0x80) == 0) return std::nullopt;  // short form: no header, no CRC
    const std::size_t length = Read12(bytes, 1);
    if (length < kHeaderSize - kLengthFieldEnd + kCrcSize || length > kMaxSiSectionLength ||
        kLengthFieldEnd + length > bytes.size())
        return std::nullopt;
    const ByteSpan section = bytes.first(kLengthFieldEnd + length);
    if (cardkit::Crc32Mpeg(section) != 0) return std::nullopt;
    CheckedSection checked;
    checked.bytes = section;
    checked.header.tableId = section[0];
    checked.header.idExtension = Read16(section, 3);
    checked.header.version = static_cast<std::uint8_t>(section[5] >> 1 & 0x1F);
    checked.header.current = (section[5] & 0x01) != 0;
    checked.header.number = section[6];
    checked.header.lastNumber = section[7];
    if (checked.header.number > checked.header.lastNumber) return std::nullopt;
    checked.body = section.subspan(kHeaderSize, section.size() - kHeaderSize - kCrcSize);
    return checked;
}

bool ForEachDescriptor(ByteSpan loop, const std::function<void(std::uint8_t, ByteSpan)>& each) {
    while (!loop.empty()) {
        if (loop.size() < 2 || std::size_t{2} + loop[1] > loop.size()) return false;
        each(loop[0], loop.subspan(2, loop[1]));
        loop = loop.subspan(2 + std::size_t{loop[1]});
    }
    return true;
}

}  // namespace scan
