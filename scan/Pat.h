// The program association table: the transport stream's id and each programme's PMT PID.
//
// Pure; any thread.
#pragma once

#include <optional>

#include "scan/Section.h"

namespace scan {

inline constexpr std::uint16_t kPatPid = 0x0000;
inline constexpr std::uint8_t kPatTableId = 0x00;

struct PatProgram {
    std::uint16_t programNumber = 0;  // the service id
    std::uint16_t pmtPid = 0;
    friend bool operator==(const PatProgram&, const PatProgram&) = default;
};

struct Pat {
    std::uint16_t tsid = 0;
    std::optional<std::uint16_t> networkPid;  // program 0's PID, where the NIT is sent
    std::vector<PatProgram> programs;         // every other program, in the table's order
};

// The PAT of a complete table's sections (in section order). Sections that do not check, are
// not a PAT, or whose loop does not end on a whole entry are skipped; nullopt when none is left.
std::optional<Pat> ParsePat(std::span<const Bytes> sections);

}  // namespace scan
