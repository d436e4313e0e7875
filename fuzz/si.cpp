// Arbitrary bytes as service information, two ways. As a section: the bytes get a length and a
// CRC that check, so that the PAT, SDT and NIT parsers see every body the fuzzer makes. As
// packets: each 188 bytes go to the section assemblers of the three tables' PIDs, whose
// sections go to the table assemblers and, once a table is whole, to its parser. Whatever the
// bytes, nothing reads outside them and every result stays within what the bytes could hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "cardkit/Crc32.h"
#include "scan/Nit.h"
#include "scan/Pat.h"
#include "scan/Sdt.h"
#include "scan/SectionAssembler.h"
#include "scan/TableAssembler.h"

namespace {

using scan::Bytes;

// The bytes as one long-form section of table `tableId`, or empty when they are too long.
Bytes AsSection(std::uint8_t tableId, const std::uint8_t* data, std::size_t size) {
    if (size < 8 || size - 3 + 4 > scan::kMaxSiSectionLength) return {};
    Bytes section(data, data + size);
    const std::size_t length = size - 3 + 4;
    section[0] = tableId;
    section[1] = static_cast<std::uint8_t>(0xB0 | length >> 8);
    section[2] = static_cast<std::uint8_t>(length);
    section[5] |= 0x01;  // current
    section[7] = std::max(section[6], section[7]);
    const std::uint32_t crc = cardkit::Crc32Mpeg(section);
    for (int shift = 24; shift >= 0; shift -= 8)
        section.push_back(static_cast<std::uint8_t>(crc >> shift));
    return section;
}

void Parse(const std::vector<Bytes>& sections, std::size_t bytes) {
    if (const auto pat = scan::ParsePat(sections); pat && pat->programs.size() > bytes / 4)
        __builtin_trap();
    if (const auto sdt = scan::ParseSdt(sections); sdt && sdt->services.size() > bytes / 5)
        __builtin_trap();
    if (const auto nit = scan::ParseNit(sections); nit && nit->transportStreams.size() > bytes / 6)
        __builtin_trap();
}

struct Table {
    std::uint16_t pid;
    std::uint8_t tableId;
    scan::SectionAssembler sections{pid};
    scan::TableAssembler table{tableId};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const std::uint8_t tableId :
         {scan::kPatTableId, scan::kSdtActualTableId, scan::kNitActualTableId}) {
        const Bytes section = AsSection(tableId, data, size);
        if (!section.empty()) Parse({section}, section.size());
    }
    Table tables[] = {{scan::kPatPid, scan::kPatTableId},
                      {scan::kSdtPid, scan::kSdtActualTableId},
                      {scan::kNitPid, scan::kNitActualTableId}};
    for (std::size_t at = 0; at + scan::kPacketSize <= size; at += scan::kPacketSize) {
        const std::span<const std::uint8_t, scan::kPacketSize> packet(data + at, scan::kPacketSize);
        for (Table& t : tables) {
            t.sections.Add(packet, [&t](const scan::CheckedSection& s) { t.table.Add(s); });
            if (t.table.Complete()) Parse(t.table.Sections(), size);
        }
    }
    return 0;
}
