#include "StreamTables.h"

#include <vector>

namespace vm {
namespace {

constexpr std::size_t kPacketSize = 188;
constexpr std::uint16_t kPatPid = 0x0000;
constexpr std::uint16_t kSdtPid = 0x0011;
constexpr std::uint8_t kPatTable = 0x00;
constexpr std::uint8_t kPmtTable = 0x02;
constexpr std::uint8_t kSdtActualTable = 0x42;

std::uint16_t Word(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

// The section that starts in `packet` (payload unit start), as far as the packet holds it.
std::span<const std::uint8_t> SectionStart(const std::uint8_t* packet) {
    if (packet[0] != 0x47 || (packet[1] & 0x40) == 0 || (packet[3] & 0x10) == 0) return {};
    std::size_t at = 4;
    if (packet[3] & 0x20) at += 1 + packet[4];  // adaptation field
    if (at >= kPacketSize) return {};
    at += 1 + packet[at];  // pointer field
    if (at + 8 > kPacketSize) return {};
    return {packet + at, kPacketSize - at};
}

void ReadPat(std::span<const std::uint8_t> section, StreamTables& tables) {
    const std::size_t length = Word(&section[1]) & 0x0FFF;
    const std::size_t end = std::min(section.size(), 3 + length) - 4;  // before the CRC
    tables.patTsid = Word(&section[3]);
    for (std::size_t at = 8; at + 4 <= end; at += 4)
        tables.programs[Word(&section[at])] = Word(&section[at + 2]) & 0x1FFF;
}

}  // namespace

StreamTables FindTables(std::span<const std::uint8_t> packets) {
    StreamTables tables;
    std::vector<std::pair<std::uint16_t, std::span<const std::uint8_t>>> starts;
    for (std::size_t at = 0; at + kPacketSize <= packets.size(); at += kPacketSize) {
        const std::span<const std::uint8_t> section = SectionStart(&packets[at]);
        if (section.empty()) continue;
        const auto pid = static_cast<std::uint16_t>(Word(&packets[at + 1]) & 0x1FFF);
        if (pid == kPatPid && section[0] == kPatTable && !tables.patTsid) ReadPat(section, tables);
        starts.emplace_back(pid, section);
    }
    if (!tables.patTsid) return tables;
    for (const auto& [pid, section] : starts) {
        for (const auto& [program, pmtPid] : tables.programs)
            if (program != 0 && pid == pmtPid && section[0] == kPmtTable) tables.pmt = true;
        if (pid == kSdtPid && section[0] == kSdtActualTable &&
            Word(&section[3]) == *tables.patTsid && !tables.sdtOnid)
            tables.sdtOnid = Word(&section[8]);
    }
    return tables;
}

}  // namespace vm
