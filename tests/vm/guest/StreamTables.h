// The service tables found in a transport stream: the first PAT (its TSID and programs), and
// whether a PMT of one of its programs and an SDT of the stream itself came by. Only the start
// of each section is read, which is all these questions need.
//
// Pure function; any thread.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>

namespace vm {

struct StreamTables {
    std::optional<std::uint16_t> patTsid;
    std::map<std::uint16_t, std::uint16_t> programs;  // program number -> PMT PID (0: NIT)
    bool pmt = false;                                 // a PMT section on a PID the PAT names
    std::optional<std::uint16_t> sdtOnid;             // of the first SDT for the PAT's TSID
};

StreamTables FindTables(std::span<const std::uint8_t> packets);

}  // namespace vm
