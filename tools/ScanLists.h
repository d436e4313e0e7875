// What orvalen-scan writes from a scan: the channel list of the scanned slot (the services the
// options choose, at most the 100 a list holds, the rest counted) and the slot's line of
// SatelliteList.csv, added or put in place of the slot's line with every other line kept byte
// for byte.
//
// Pure; main thread of orvalen-scan, or a test's.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "channels/ChannelRecord.h"
#include "scan/Scanner.h"

namespace orvalen {

struct ServiceChoice {
    bool tv = false, radio = false, free = false;  // tv and radio: either
    std::string match;                             // ECMAScript; empty: every name
};

// "tv", "radio" or "data" by the service type.
const char* ServiceKind(const scan::ScannedService& service);

struct ChosenChannels {
    std::vector<ChannelRecord> channels;  // at most kMaxListChannels, by frequency
    std::size_t notChosen = 0;            // left out by the options
    std::size_t overLimit = 0;            // chosen, but past what a list holds
};

inline constexpr std::size_t kMaxListChannels = 100;

ChosenChannels ChooseChannels(const scan::ScanReport& report, const ServiceChoice& choice);

// "T1-LNB2-B-Helion.csv": the slot and the network's name (letters and digits only).
std::string ScanListName(int tuner, int source, const std::string& networkName);
// "Helion 19.2E", the network's name and the orbital position when the NIT gave them.
std::string SatelliteName(const scan::ScanReport& report, int source);

struct SatelliteLine {
    int tuner = 1, source = 1;
    std::string name, listFile, comment;
};

// The new SatelliteList.csv bytes: `existing` (none: no file yet) with the slot's first line
// replaced by `line`, or `line` added at the end. None, with `error` set, when the header has no
// column the program needs; `replaced` tells the old line's channel list when it named another.
std::optional<std::string> UpdateSatelliteList(const std::optional<std::string>& existing,
                                               const SatelliteLine& line, std::string& error,
                                               std::string& replacedList);

}  // namespace orvalen
