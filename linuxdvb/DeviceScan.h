// Finding the satellite frontends under a DVB device folder (/dev/dvb): every
// adapterA/frontendF whose delivery systems include DVB-S or DVB-S2 and that opens read-write,
// with the demux and dvr that carry its stream. What cannot be used is listed with the reason.
//
// Called once at start-up, from the thread that installs the card.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "linuxdvb/DvbIo.h"
#include "linuxdvb/FrontendId.h"

namespace linuxdvb {

struct FoundFrontend {
    FrontendId id;
    std::string adapterPath;   // <root>/adapterA
    std::string frontendPath;  // <root>/adapterA/frontendF
    std::string demuxPath;     // demuxF of the adapter, or demux0 when it has fewer demuxes
    std::string dvrPath;       // dvr of the same number as the demux
    // Other frontends of the adapter use the same demux: only one of them streams at a time.
    bool sharedDemux = false;
    std::string name;  // the driver's name for the frontend
    bool dvbs = false;
    bool dvbs2 = false;
    // Frequencies the frontend tunes, kHz (its input, i.e. the LNB's intermediate frequency).
    std::uint32_t minKHz = 0;
    std::uint32_t maxKHz = 0;
    // Symbol rates the frontend takes, symbols/s; 0 where the driver does not say.
    std::uint32_t minSymbolRate = 0;
    std::uint32_t maxSymbolRate = 0;
    // The descriptor opened read-write during the scan; its owner closes it.
    int fd = -1;
};

struct SkippedFrontend {
    std::string path;
    std::string reason;  // one line, for standard error and orvalen-devices
};

struct ScanResult {
    std::vector<FoundFrontend> frontends;  // in tuner order: tuner n is frontends[n - 1]
    std::vector<SkippedFrontend> skipped;
};

// Device numbers of one kind ("frontend", "demux", "dvr", "ca") in an adapter folder, ascending.
std::vector<int> Numbered(const std::string& folder, std::string_view prefix);

// Scans `root`. Tuner order is (adapter, frontend) order, or `order` when it is not empty (then
// only the frontends it names are used, in its order). The caller owns every `fd` returned.
ScanResult ScanFrontends(DvbIo& io, const std::string& root, const std::vector<FrontendId>& order);

}  // namespace linuxdvb
