#include "linuxdvb/DeviceScan.h"

#include <fcntl.h>
#include <linux/dvb/frontend.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

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
    found.sharedDemux = !hasOwn || Numbered(adapterFolder, "frontend").size() >
                                      std::min(demuxes.size(), dvrs.size());
}

// Opens and examines one frontend; the reason it cannot be used otherwise.
std::optional<std::string> Examine(DvbIo& io, const FrontendId& id, const fs::path& path,
                                   FoundFrontend& found) {
    const int fd = io.Open(path.string(), O_RDWR | O_NONBLOCK);
    if (fd < 0) return OpenFailure(-fd);
    found.id = id;
    found.adapterPath = path.parent_path().string();
    found.frontendPath = path.string();
    for (const std::uint32_t system : DeliverySystems(io, fd)) {
        found.dvbs = found.dvbs || system == SYS_DVBS;
        found.dvbs2 = found.dvbs2 || system == SYS_DVBS2;
    }
    if (!found.dvbs && !found.dvbs2) {
        io.Close(fd);
        return "not a satellite frontend (lists neither DVB-S nor DVB-S2)";
    }
    if (!ReadInfo(io, fd, found)) {
        io.Close(fd);
        return "does not answer FE_GET_INFO";
    }
    PairDemux(path.parent_path(), found);
    found.fd = fd;
    return std::nullopt;
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

ScanResult ScanFrontends(DvbIo& io, const std::string& root, const std::vector<FrontendId>& order) {
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
    for (const auto& [id, path] : chosen) {
        FoundFrontend found;
        if (const auto reason = Examine(io, id, path, found))
            result.skipped.push_back({path.string(), *reason});
        else
            result.frontends.push_back(std::move(found));
    }
    return result;
}

}  // namespace linuxdvb
