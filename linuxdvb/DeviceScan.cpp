#include "linuxdvb/DeviceScan.h"

#include <fcntl.h>
#include <linux/dvb/frontend.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>

namespace linuxdvb {
namespace {

namespace fs = std::filesystem;

// The number after `prefix` in a device file name ("frontend1" -> 1).
std::optional<int> NumberAfter(const std::string& name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size()) return std::nullopt;
    int value = 0;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc{} || end != last || value < 0) return std::nullopt;
    return value;
}

std::map<FrontendId, fs::path> FrontendsUnder(const std::string& root) {
    std::map<FrontendId, fs::path> frontends;
    for (const int adapter : Numbered(root, "adapter")) {
        const fs::path folder = fs::path(root) / ("adapter" + std::to_string(adapter));
        for (const int frontend : Numbered(folder, "frontend"))
            frontends[{adapter, frontend}] = folder / ("frontend" + std::to_string(frontend));
    }
    return frontends;
}

std::string OpenFailure(int error) {
    switch (error) {
        case EBUSY:
            return "busy: another program holds it (close that program, or choose other "
                   "frontends with --dvb-frontends)";
        case EACCES:
        case EPERM:
            return "permission denied: join the 'video' group (sudo usermod -aG video $USER) and "
                   "log in again";
        default:
            return std::string("cannot be opened read-write: ") + std::strerror(error);
    }
}

// The delivery systems the frontend lists; nothing when it cannot tell.
std::vector<std::uint32_t> DeliverySystems(DvbIo& io, int fd) {
    dtv_property property{};
    property.cmd = DTV_ENUM_DELSYS;
    dtv_properties request{1, &property};
    if (io.Ioctl(fd, FE_GET_PROPERTY, DvbIo::Arg(&request)) < 0) return {};
    const std::uint32_t count = std::min<std::uint32_t>(property.u.buffer.len, 32);
    return {property.u.buffer.data, property.u.buffer.data + count};
}

// Fills the name and frequency range; false when the frontend does not answer.
bool ReadInfo(DvbIo& io, int fd, FoundFrontend& found) {
    dvb_frontend_info info{};
    if (io.Ioctl(fd, FE_GET_INFO, DvbIo::Arg(&info)) < 0) return false;
    found.name.assign(info.name, strnlen(info.name, sizeof info.name));
    // The kernel gives satellite frontends' limits in kHz and every other kind's in Hz.
    const std::uint32_t divisor = info.type == FE_QPSK ? 1 : 1000;
    found.minKHz = info.frequency_min / divisor;
    found.maxKHz = info.frequency_max / divisor;
    found.minSymbolRate = info.symbol_rate_min;
    found.maxSymbolRate = info.symbol_rate_max;
    found.multistream = (info.caps & FE_CAN_MULTISTREAM) != 0;
    if (found.maxKHz == 0) {  // no limits given: the satellite IF band
        found.minKHz = 950000;
        found.maxKHz = 2150000;
    }
    return true;
}

void PairDemux(const fs::path& adapterFolder, FoundFrontend& found) {
    const int own = found.id.frontend;
    const auto demuxes = Numbered(adapterFolder, "demux");
    const auto dvrs = Numbered(adapterFolder, "dvr");
    const bool hasOwn = std::binary_search(demuxes.begin(), demuxes.end(), own) &&
                        std::binary_search(dvrs.begin(), dvrs.end(), own);
    const int number = hasOwn ? own : 0;
    found.demuxPath = (adapterFolder / ("demux" + std::to_string(number))).string();
    found.dvrPath = (adapterFolder / ("dvr" + std::to_string(number))).string();
}

// Looks at one frontend read-only; the reason it cannot be used otherwise.
std::optional<std::string> Look(DvbIo& io, const FrontendId& id, const fs::path& path,
                                FoundFrontend& found) {
    const int fd = io.Open(path.string(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return OpenFailure(-fd);
    found.id = id;
    found.adapterPath = path.parent_path().string();
    found.frontendPath = path.string();
    for (const std::uint32_t system : DeliverySystems(io, fd)) {
        found.dvbs = found.dvbs || system == SYS_DVBS;
        found.dvbs2 = found.dvbs2 || system == SYS_DVBS2;
    }
    const bool answers = ReadInfo(io, fd, found);
    io.Close(fd);
    if (!found.dvbs && !found.dvbs2)
        return "not a satellite frontend (lists neither DVB-S nor DVB-S2)";
    if (!answers) return "does not answer FE_GET_INFO";
    PairDemux(path.parent_path(), found);
    return std::nullopt;
}

// The tuner already taken that `found` is one tuner with: same adapter, and the same demux or
// (when `busy`) a kernel that will not hold both open.
const FoundFrontend* SameTuner(const std::vector<FoundFrontend>& taken, const FoundFrontend& found,
                               bool busy) {
    for (const FoundFrontend& other : taken)
        if (other.adapterPath == found.adapterPath && (busy || other.demuxPath == found.demuxPath))
            return &other;
    return nullptr;
}

// Makes `found` a tuner next to those `taken`: read-write when the frontends are held. The
// reason it cannot be otherwise.
std::optional<std::string> Take(DvbIo& io, FrontendUse use, const std::vector<FoundFrontend>& taken,
                                FoundFrontend& found) {
    if (const FoundFrontend* other = SameTuner(taken, found, false))
        return "one tuner with " + other->frontendPath + " (both stream through " +
               other->demuxPath + ")";
    if (use == FrontendUse::Look) return std::nullopt;
    found.fd = io.Open(found.frontendPath, O_RDWR | O_NONBLOCK);
    if (found.fd >= 0) return std::nullopt;
    const int error = -std::exchange(found.fd, -1);
    if (const FoundFrontend* other = error == EBUSY ? SameTuner(taken, found, true) : nullptr)
        return "one tuner with " + other->frontendPath +
               " (the kernel holds only one of them open at a time)";
    return OpenFailure(error);
}

}  // namespace

std::vector<int> Numbered(const std::string& folder, std::string_view prefix) {
    std::vector<int> numbers;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (const auto n = NumberAfter(entry.path().filename().string(), prefix))
            numbers.push_back(*n);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

ScanResult ScanFrontends(DvbIo& io, const std::string& root, const std::vector<FrontendId>& order,
                         FrontendUse use) {
    const auto present = FrontendsUnder(root);
    std::vector<std::pair<FrontendId, fs::path>> chosen;
    ScanResult result;
    if (order.empty()) {
        chosen.assign(present.begin(), present.end());
    } else {
        for (const FrontendId& id : order) {
            const auto found = present.find(id);
            if (found == present.end())
                result.skipped.push_back({(fs::path(root) / FrontendName(id)).string(),
                                          "named in --dvb-frontends but not present"});
            else
                chosen.emplace_back(*found);
        }
        for (const auto& [id, path] : present)
            if (std::find(order.begin(), order.end(), id) == order.end())
                result.skipped.push_back({path.string(), "not named in --dvb-frontends"});
    }
    // Read-only first, every frontend: nothing is held yet, so no open waits on the program.
    std::vector<std::pair<std::size_t, SkippedFrontend>> skipped;
    std::vector<std::pair<std::size_t, FoundFrontend>> satellite;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        FoundFrontend found;
        if (const auto reason = Look(io, chosen[i].first, chosen[i].second, found))
            skipped.push_back({i, {chosen[i].second.string(), *reason}});
        else
            satellite.emplace_back(i, std::move(found));
    }
    for (auto& [i, found] : satellite) {
        if (const auto reason = Take(io, use, result.frontends, found))
            skipped.push_back({i, {found.frontendPath, *reason}});
        else
            result.frontends.push_back(std::move(found));
    }
    // The reasons in the order the frontends were chosen.
    std::stable_sort(skipped.begin(), skipped.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [i, skip] : skipped) result.skipped.push_back(std::move(skip));
    return result;
}

}  // namespace linuxdvb
