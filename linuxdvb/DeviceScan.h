// Finding the satellite frontends under a DVB device folder (/dev/dvb): every
// adapterA/frontendF whose delivery systems include DVB-S or DVB-S2 and that opens read-write,
// with the demux and dvr that carry its stream. What cannot be used is listed with the reason.
//
// On many adapters the frontends are alternatives of one physical tuner (a satellite and a
// terrestrial frontend; two that the kernel will not hold open at once, where the second open
// waits up to 5 s before it answers EBUSY). So every frontend is first looked at read-only
// (open, DTV_ENUM_DELSYS, FE_GET_INFO, close), which never waits on another frontend of the
// adapter, and only the frontends chosen as tuners are then opened read-write. Frontends of one
// adapter that stream through the same demux are one tuner: the first is used. A frontend that
// answers EBUSY while the program holds another one of its adapter is that one's alternative,
// not another program's.
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
    std::string name;          // the driver's name for the frontend
    bool dvbs = false;
    bool dvbs2 = false;
    // FE_CAN_MULTISTREAM: the demodulator picks one input stream of a DVB-S2 multistream carrier.
    bool multistream = false;
    // Frequencies the frontend tunes, kHz (its input, i.e. the LNB's intermediate frequency).
    std::uint32_t minKHz = 0;
    std::uint32_t maxKHz = 0;
    // Symbol rates the frontend takes, symbols/s; 0 where the driver does not say.
    std::uint32_t minSymbolRate = 0;
    std::uint32_t maxSymbolRate = 0;
    // The descriptor opened read-write during the scan (-1 when the scan only looked); its
    // owner closes it.
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

// Whether the scan opens the chosen frontends read-write (a program that tunes them) or only
// looks at them read-only (a listing, which must not disturb a program that uses the card).
enum class FrontendUse { Hold, Look };

// Scans `root`. Tuner order is (adapter, frontend) order, or `order` when it is not empty (then
// only the frontends it names are used, in its order). The caller owns every `fd` returned.
ScanResult ScanFrontends(DvbIo& io, const std::string& root, const std::vector<FrontendId>& order,
                         FrontendUse use = FrontendUse::Hold);

}  // namespace linuxdvb
