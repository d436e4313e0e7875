#include "FakeKernel.h"

#include <fcntl.h>
#include <linux/dvb/dmx.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/FilterGraphInterfaces.h"

namespace linuxdvb_test {
namespace {

namespace fs = std::filesystem;

// How long the kernel lets an open wait for another frontend of the same tuner to be let go.
constexpr std::chrono::seconds kOneTunerWait{5};
constexpr std::uint32_t kLockedStatus = 0x1F;
constexpr std::chrono::milliseconds kAcquirePoll{1};

using std::chrono::microseconds;

// The kernel whose RunTogether started the calling thread.
thread_local const FakeKernel* t_together = nullptr;

std::string Hex(std::uint8_t byte) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

std::string SystemName(std::uint32_t system) {
    switch (system) {
        case SYS_DVBS:
            return "DVBS";
        case SYS_DVBS2:
            return "DVBS2";
        default:
            return "system" + std::to_string(system);
    }
}

std::string ModulationName(std::uint32_t modulation) {
    switch (modulation) {
        case QPSK:
            return "QPSK";
        case PSK_8:
            return "8PSK";
        default:
            return "modulation" + std::to_string(modulation);
    }
}

// The stream choice a multistream tune adds between DTV_PILOT and DTV_TUNE, as words.
std::string DescribeStream(const dtv_property* extra, std::uint32_t count) {
    std::string text;
    std::uint32_t i = 0;
    if (i < count && extra[i].cmd == DTV_STREAM_ID) {
        const std::uint32_t id = extra[i++].u.data;
        text += id == NO_STREAM_ID_FILTER ? " stream any" : " stream " + std::to_string(id);
    }
    if (i < count && extra[i].cmd == DTV_SCRAMBLING_SEQUENCE_INDEX)
        text += " pls " + std::to_string(extra[i++].u.data);
    return i == count ? text : "?";
}

// The one property sequence the backend should send, as a short line; anything else verbatim.
std::string DescribeTune(const dtv_properties& properties) {
    const std::uint32_t expected[] = {DTV_CLEAR,       DTV_DELIVERY_SYSTEM, DTV_FREQUENCY,
                                      DTV_SYMBOL_RATE, DTV_MODULATION,      DTV_INNER_FEC,
                                      DTV_INVERSION,   DTV_ROLLOFF,         DTV_PILOT};
    const dtv_property* p = properties.props;
    const std::uint32_t head = std::size(expected);
    bool usual = properties.num > head && p[properties.num - 1].cmd == DTV_TUNE;
    for (std::uint32_t i = 0; usual && i < head; ++i) usual = p[i].cmd == expected[i];
    if (usual)
        usual = p[5].u.data == FEC_AUTO && p[6].u.data == INVERSION_AUTO &&
                p[7].u.data == ROLLOFF_35 && p[8].u.data == PILOT_AUTO;
    const std::string stream = usual ? DescribeStream(p + head, properties.num - head - 1) : "?";
    if (stream != "?")
        return "tune " + SystemName(p[1].u.data) + " " + ModulationName(p[4].u.data) + " " +
               std::to_string(p[2].u.data) + " kHz " + std::to_string(p[3].u.data) + " sym/s" +
               stream;
    std::string text = "properties";
    for (std::uint32_t i = 0; i < properties.num; ++i)
        text += " " + std::to_string(p[i].cmd) + "=" + std::to_string(p[i].u.data);
    return text;
}

void SetStat(dtv_property& property, const linuxdvb::FrontendStat& stat) {
    property.u.st.len = 1;
    property.u.st.stat[0].scale = static_cast<std::uint8_t>(stat.scale);
    if (stat.scale == FE_SCALE_DECIBEL)
        property.u.st.stat[0].svalue = stat.value;
    else
        property.u.st.stat[0].uvalue = static_cast<std::uint64_t>(stat.value);
}

}  // namespace

std::vector<std::uint8_t> Packets(int count, std::uint16_t pid) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        std::vector<std::uint8_t> packet(kTransportPacketSize, static_cast<std::uint8_t>(i));
        packet[0] = 0x47;
        packet[1] = static_cast<std::uint8_t>(pid >> 8);
        packet[2] = static_cast<std::uint8_t>(pid);
        packet[3] = static_cast<std::uint8_t>(0x10 | (i & 0x0F));
        bytes.insert(bytes.end(), packet.begin(), packet.end());
    }
    return bytes;
}

FakeKernel::FakeKernel() {
    char pattern[] = "/tmp/orvalen-dvb-XXXXXX";
    m_root = ::mkdtemp(pattern);
}

FakeKernel::~FakeKernel() {
    for (const auto& [fd, handle] : m_handles) ::close(fd);
    std::error_code error;
    fs::remove_all(m_root, error);
}

std::string FakeKernel::Device(int adapter, const std::string& name) const {
    return "adapter" + std::to_string(adapter) + "/" + name;
}

void FakeKernel::AddFrontend(int adapter, int frontend, FrontendModel model) {
    const std::string device = Device(adapter, "frontend" + std::to_string(frontend));
    fs::create_directories(fs::path(m_root) / ("adapter" + std::to_string(adapter)));
    std::ofstream(fs::path(m_root) / device).flush();
    std::lock_guard lock(m_mutex);
    m_frontends[device].model = std::move(model);
    m_frontends[device].dvr = Device(adapter, "dvr" + std::to_string(frontend));
}

void FakeKernel::AddDemux(int adapter, int number) {
    fs::create_directories(fs::path(m_root) / ("adapter" + std::to_string(adapter)));
    const std::string demux = Device(adapter, "demux" + std::to_string(number));
    const std::string dvr = Device(adapter, "dvr" + std::to_string(number));
    std::ofstream(fs::path(m_root) / demux).flush();
    std::ofstream(fs::path(m_root) / dvr).flush();
    std::lock_guard lock(m_mutex);
    m_demuxes[demux] = true;
    m_dvrs[dvr];
}

void FakeKernel::AddCaDevice(int adapter, int number, std::shared_ptr<linuxdvb::DvbIo> device) {
    fs::create_directories(fs::path(m_root) / ("adapter" + std::to_string(adapter)));
    const std::string ca = Device(adapter, "ca" + std::to_string(number));
    std::ofstream(fs::path(m_root) / ca).flush();
    std::lock_guard lock(m_mutex);
    m_caDevices[ca] = std::move(device);
}

std::shared_ptr<linuxdvb::DvbIo> FakeKernel::CaDeviceOf(int fd) const {
    std::lock_guard lock(m_mutex);
    const auto handle = m_caHandles.find(fd);
    return handle == m_caHandles.end() ? nullptr : handle->second;
}

void FakeKernel::EditFrontend(int adapter, int frontend,
                              const std::function<void(FrontendModel&)>& edit) {
    std::lock_guard lock(m_mutex);
    edit(m_frontends.at(Device(adapter, "frontend" + std::to_string(frontend))).model);
}

void FakeKernel::Push(Dvr& dvr, DvrChunk chunk) {
    dvr.chunks.push_back(std::move(chunk));
    if (dvr.fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(dvr.fd, &one, sizeof one);
    }
}

void FakeKernel::Feed(int adapter, int dvr, std::vector<std::uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    Push(m_dvrs.at(Device(adapter, "dvr" + std::to_string(dvr))), {std::move(bytes), 0});
}

void FakeKernel::FeedError(int adapter, int dvr, int error) {
    std::lock_guard lock(m_mutex);
    Push(m_dvrs.at(Device(adapter, "dvr" + std::to_string(dvr))), {{}, error});
}

std::vector<std::string> FakeKernel::Journal() const {
    std::lock_guard lock(m_mutex);
    return m_journal;
}

void FakeKernel::ClearJournal() {
    std::lock_guard lock(m_mutex);
    m_journal.clear();
}

int FakeKernel::OpenCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_handles.size());
}

void FakeKernel::Note(std::string entry) {
    m_journal.push_back(std::move(entry));
}

int FakeKernel::Open(const std::string& path, int flags) {
    const std::string prefix = m_root + "/";
    if (!path.starts_with(prefix)) return -ENOENT;
    const std::string device = path.substr(prefix.size());
    std::unique_lock lock(m_mutex);
    if (const auto ca = m_caDevices.find(device); ca != m_caDevices.end()) {
        const auto io = ca->second;
        lock.unlock();
        const int fd = io->Open(path, flags);
        lock.lock();
        if (fd >= 0) m_caHandles[fd] = io;
        return fd;
    }
    if (m_unplugged) return -ENODEV;
    const auto frontend = m_frontends.find(device);
    const auto dvr = m_dvrs.find(device);
    const bool readWrite = (flags & O_ACCMODE) == O_RDWR;
    if (frontend != m_frontends.end()) {
        if (const int error = FrontendOpen(frontend->second, device, readWrite)) return -error;
    } else if (dvr != m_dvrs.end()) {
        if (dvr->second.fd >= 0) return -EBUSY;  // one reader at a time
    } else if (!m_demuxes.count(device)) {
        return -ENOENT;
    }
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
    if (fd < 0) return -errno;
    m_handles[fd] = {device, !readWrite};
    if (frontend != m_frontends.end()) {
        ++frontend->second.opened;
        frontend->second.writer = frontend->second.writer || readWrite;
    }
    if (dvr != m_dvrs.end()) {
        dvr->second.fd = fd;
        const std::uint64_t waiting = dvr->second.chunks.size();
        if (waiting) [[maybe_unused]]
            const auto written = ::write(fd, &waiting, sizeof waiting);
    }
    return fd;
}

int FakeKernel::Close(int fd) {
    if (const auto ca = CaDeviceOf(fd)) {
        const int result = ca->Close(fd);
        std::lock_guard lock(m_mutex);
        m_caHandles.erase(fd);
        return result;
    }
    std::lock_guard lock(m_mutex);
    const auto handle = m_handles.find(fd);
    if (handle == m_handles.end()) return -EBADF;
    if (const auto dvr = m_dvrs.find(handle->second.device); dvr != m_dvrs.end())
        dvr->second.fd = -1;
    if (const auto frontend = m_frontends.find(handle->second.device);
        frontend != m_frontends.end()) {
        --frontend->second.opened;
        if (!handle->second.readOnly) frontend->second.writer = false;
    }
    m_handles.erase(handle);
    ::close(fd);
    return 0;
}

int FakeKernel::Ioctl(int fd, unsigned long request, unsigned long argument) {
    if (const auto ca = CaDeviceOf(fd)) return ca->Ioctl(fd, request, argument);
    std::lock_guard lock(m_mutex);
    const auto handle = m_handles.find(fd);
    if (handle == m_handles.end()) return -EBADF;
    if (m_unplugged) return -ENODEV;
    const std::string& device = handle->second.device;
    if (const auto frontend = m_frontends.find(device); frontend != m_frontends.end())
        return FrontendIoctl(frontend->second, handle->second.readOnly, request, argument);
    switch (request) {
        case DMX_SET_BUFFER_SIZE:
            Note(device.substr(device.find('/') + 1, 3) + " buffer " + std::to_string(argument));
            return 0;
        case DMX_SET_PES_FILTER: {
            const auto& filter = *reinterpret_cast<const dmx_pes_filter_params*>(argument);
            const bool tsTap = filter.input == DMX_IN_FRONTEND && filter.output == DMX_OUT_TS_TAP &&
                               filter.pes_type == DMX_PES_OTHER;
            char text[96];
            std::snprintf(text, sizeof text, "pes filter pid 0x%04X%s flags %u", filter.pid,
                          tsTap ? " from the frontend to the TS tap" : " elsewhere", filter.flags);
            Note(text);
            return 0;
        }
        case DMX_STOP:
            Note("demux stop");
            return 0;
        default:
            return -ENOTTY;
    }
}

int FakeKernel::FrontendOpen(Frontend& frontend, const std::string& device, bool readWrite) {
    const FrontendModel& model = frontend.model;
    if (model.openError == EACCES || (readWrite && model.openError)) return model.openError;
    if (model.oneTuner >= 0) {
        const std::string adapter = device.substr(0, device.find('/') + 1);
        for (const auto& [name, other] : m_frontends) {
            if (name == device || !name.starts_with(adapter) || other.opened == 0 ||
                other.model.oneTuner != model.oneTuner)
                continue;
            MoveTo(m_now + kOneTunerWait);
            Note("open of " + device + " waited 5 s for " + name);
            return EBUSY;
        }
    }
    if (readWrite && frontend.writer) return EBUSY;
    return 0;
}

std::chrono::microseconds FakeKernel::LockDelay(const Frontend& frontend) const {
    return frontend.model.lockDelay ? frontend.model.lockDelay(frontend.tuned) : microseconds{0};
}

std::uint32_t FakeKernel::Status(const Frontend& frontend) const {
    if (!frontend.tunedOnce) return 0;
    const microseconds since = m_now - frontend.tunedAt;
    if (frontend.lockable && since >= LockDelay(frontend)) return kLockedStatus;
    const microseconds timeOut = frontend.model.timeOut;
    return timeOut.count() > 0 && since >= timeOut ? FE_TIMEDOUT : 0;
}

void FakeKernel::AwaitSearch(const Frontend& frontend) {
    if (!frontend.model.blockingSearch || !frontend.tunedOnce) return;
    const microseconds search = frontend.lockable
                                    ? LockDelay(frontend)
                                    : frontend.model.blockingSearch(frontend.tuned.symbolRate);
    MoveTo(frontend.tunedAt + search);
}

void FakeKernel::SetVoltage(Frontend& frontend, std::uint32_t voltage) {
    if (frontend.model.cable >= 0 && voltage == SEC_VOLTAGE_18 &&
        frontend.voltage != SEC_VOLTAGE_18) {
        for (auto& [name, other] : m_frontends) {
            if (&other == &frontend || other.model.cable != frontend.model.cable ||
                other.voltage != SEC_VOLTAGE_18)
                continue;
            ++m_collisions;
            Note("cable collision");
            other.garbled = true;
            other.heard = false;
            frontend.garbled = true;
        }
    }
    if (voltage != SEC_VOLTAGE_18) frontend.garbled = false;
    frontend.voltage = voltage;
    Note(voltage == SEC_VOLTAGE_13   ? "voltage 13"
         : voltage == SEC_VOLTAGE_18 ? "voltage 18"
                                     : "voltage off");
}

void FakeKernel::SendCommand(Frontend& frontend, std::string text) {
    const int cable = frontend.model.cable;
    if (cable >= 0) {
        frontend.heard = frontend.voltage == SEC_VOLTAGE_18 && !frontend.garbled;
        if (frontend.heard && m_talkOver[cable] > 0) {
            --m_talkOver[cable];
            frontend.heard = false;
            text += " (talked over)";
        }
    }
    Note(std::move(text));
}

int FakeKernel::FrontendIoctl(Frontend& frontend, bool readOnly, unsigned long request,
                              unsigned long argument) {
    const FrontendModel& model = frontend.model;
    // A read-only descriptor may ask, never change anything.
    const bool asks = request == FE_GET_INFO || request == FE_GET_PROPERTY ||
                      request == FE_READ_STATUS || request == FE_READ_SIGNAL_STRENGTH ||
                      request == FE_READ_SNR;
    if (readOnly && !asks) return -EPERM;
    if (const auto refused = model.refuses.find(request); refused != model.refuses.end())
        return -refused->second;
    if (asks && request != FE_GET_INFO) AwaitSearch(frontend);
    switch (request) {
        case FE_GET_INFO: {
            auto& info = *reinterpret_cast<dvb_frontend_info*>(argument);
            info = {};
            std::strncpy(info.name, model.name.c_str(), sizeof info.name - 1);
            info.type = FE_QPSK;
            if (model.multistream) info.caps = FE_CAN_MULTISTREAM;
            info.frequency_min = model.minKHz;
            info.frequency_max = model.maxKHz;
            info.symbol_rate_min = model.minSymbolRate;
            info.symbol_rate_max = model.maxSymbolRate;
            return 0;
        }
        case FE_SET_VOLTAGE:
            SetVoltage(frontend, static_cast<std::uint32_t>(argument));
            return 0;
        case FE_SET_TONE:
            Note(argument == SEC_TONE_ON ? "tone on" : "tone off");
            return 0;
        case FE_DISEQC_SEND_BURST:
            Note(argument == SEC_MINI_A ? "burst A" : "burst B");
            return 0;
        case FE_DISEQC_SEND_MASTER_CMD: {
            const auto& command = *reinterpret_cast<const dvb_diseqc_master_cmd*>(argument);
            if (command.msg_len > 6) return -EINVAL;
            std::string text = "diseqc";
            for (int i = 0; i < command.msg_len; ++i) text += " " + Hex(command.msg[i]);
            SendCommand(frontend, std::move(text));
            return 0;
        }
        case FE_SET_FRONTEND_TUNE_MODE:
            Note(argument & FE_TUNE_MODE_ONESHOT ? "tune mode one-shot" : "tune mode normal");
            return 0;
        case FE_SET_PROPERTY:
            return SetProperties(frontend, *reinterpret_cast<const dtv_properties*>(argument));
        case FE_GET_PROPERTY:
            return GetProperties(frontend, *reinterpret_cast<dtv_properties*>(argument));
        case FE_READ_STATUS:
            *reinterpret_cast<fe_status_t*>(argument) = static_cast<fe_status_t>(Status(frontend));
            return 0;
        case FE_READ_SIGNAL_STRENGTH:
            if (!model.legacyStrength) return -kNotSupported;
            *reinterpret_cast<std::uint16_t*>(argument) = *model.legacyStrength;
            return 0;
        case FE_READ_SNR:
            if (!model.legacySnr) return -kNotSupported;
            *reinterpret_cast<std::uint16_t*>(argument) = *model.legacySnr;
            return 0;
        default:
            return -ENOTTY;
    }
}

// The properties go to a cache; only DTV_TUNE, after the kernel's range checks, changes what
// the frontend does. A refused tune leaves it on the old transponder.
int FakeKernel::SetProperties(Frontend& frontend, const dtv_properties& properties) {
    Note(DescribeTune(properties));
    const FrontendModel& model = frontend.model;
    Tuned cache = frontend.tuned;
    std::uint32_t rolloff = frontend.rolloff;
    for (std::uint32_t i = 0; i < properties.num; ++i) {
        const dtv_property& p = properties.props[i];
        switch (p.cmd) {
            case DTV_CLEAR:
                cache = {.streamId =
                             model.keepsStreamFilter ? frontend.tuned.streamId : Tuned{}.streamId};
                rolloff = ROLLOFF_35;
                break;
            case DTV_DELIVERY_SYSTEM:
                cache.system = p.u.data;
                break;
            case DTV_FREQUENCY:
                cache.frequencyKHz = p.u.data;
                break;
            case DTV_SYMBOL_RATE:
                cache.symbolRate = p.u.data;
                break;
            case DTV_MODULATION:
                cache.modulation = p.u.data;
                break;
            case DTV_ROLLOFF:
                rolloff = p.u.data;
                break;
            case DTV_STREAM_ID:
                cache.streamId = p.u.data;
                break;
            case DTV_SCRAMBLING_SEQUENCE_INDEX:
                cache.plsCode = p.u.data;
                break;
            case DTV_TUNE: {
                if (cache.frequencyKHz < model.minKHz || cache.frequencyKHz > model.maxKHz ||
                    cache.symbolRate < model.minSymbolRate ||
                    cache.symbolRate > model.maxSymbolRate)
                    return -EINVAL;
                if (model.tuneError) return -model.tuneError;
                frontend.tuned = cache;
                frontend.rolloff = rolloff;
                frontend.tunedOnce = true;
                frontend.tunedAt = m_now;
                const bool refused = model.refusesAutoRolloff && cache.system == SYS_DVBS2 &&
                                     rolloff == ROLLOFF_AUTO;
                const bool routed = model.cable < 0 || frontend.heard;
                frontend.lockable = !refused && routed && model.locks(cache);
                const auto dvr = m_dvrs.find(frontend.dvr);
                if (frontend.lockable && model.delivers && dvr != m_dvrs.end())
                    Push(dvr->second, {model.delivers(cache), 0});
                break;
            }
            default:
                break;
        }
    }
    return 0;
}

int FakeKernel::GetProperties(Frontend& frontend, dtv_properties& properties) {
    const FrontendModel& model = frontend.model;
    for (std::uint32_t i = 0; i < properties.num; ++i) {
        dtv_property& p = properties.props[i];
        switch (p.cmd) {
            case DTV_ENUM_DELSYS:
                p.u.buffer.len = static_cast<std::uint32_t>(model.systems.size());
                for (std::size_t s = 0; s < model.systems.size(); ++s)
                    p.u.buffer.data[s] = static_cast<std::uint8_t>(model.systems[s]);
                break;
            case DTV_DELIVERY_SYSTEM:
                p.u.data = frontend.tuned.system;
                break;
            case DTV_MODULATION:
                p.u.data = frontend.tuned.modulation;
                break;
            case DTV_INNER_FEC:
                p.u.data = model.lockedCodeRate;
                break;
            case DTV_STAT_SIGNAL_STRENGTH:
                SetStat(p, model.strength);
                break;
            case DTV_STAT_CNR:
                SetStat(p, Status(frontend) & FE_HAS_LOCK ? model.cnr : linuxdvb::FrontendStat{});
                break;
            default:
                return -EINVAL;
        }
    }
    return 0;
}

long FakeKernel::Read(int fd, void* buffer, std::size_t size) {
    if (const auto ca = CaDeviceOf(fd)) return ca->Read(fd, buffer, size);
    std::lock_guard lock(m_mutex);
    const auto handle = m_handles.find(fd);
    if (handle == m_handles.end()) return -EBADF;
    const auto dvr = m_dvrs.find(handle->second.device);
    if (dvr == m_dvrs.end()) return -EINVAL;
    auto& chunks = dvr->second.chunks;
    if (chunks.empty()) return -EAGAIN;
    DvrChunk& chunk = chunks.front();
    long result = -chunk.error;
    if (!chunk.error) {
        const std::size_t n = std::min(size, chunk.bytes.size());
        std::memcpy(buffer, chunk.bytes.data(), n);
        chunk.bytes.erase(chunk.bytes.begin(),
                          chunk.bytes.begin() + static_cast<std::ptrdiff_t>(n));
        result = static_cast<long>(n);
        if (!chunk.bytes.empty()) return result;
    }
    chunks.pop_front();
    std::uint64_t one = 0;
    [[maybe_unused]] const auto got = ::read(fd, &one, sizeof one);
    return result;
}

long FakeKernel::Write(int fd, const void* buffer, std::size_t size) {
    if (const auto ca = CaDeviceOf(fd)) return ca->Write(fd, buffer, size);
    return -EINVAL;
}

int FakeKernel::Poll(pollfd* fds, std::size_t count, int timeoutMs) {
    const auto polling = [&](int change) {
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i < count; ++i) m_polling[fds[i].fd] += change;
        m_changed.notify_all();
    };
    polling(1);
    const int result = ::poll(fds, count, timeoutMs);
    const int error = errno;
    polling(-1);
    return result < 0 ? -error : result;
}

void FakeKernel::AwaitPoll(int adapter, int dvr) {
    std::unique_lock lock(m_mutex);
    const Dvr& device = m_dvrs.at(Device(adapter, "dvr" + std::to_string(dvr)));
    m_changed.wait(lock, [&] { return device.fd >= 0 && m_polling[device.fd] > 0; });
}

void FakeKernel::Sleep(std::chrono::microseconds time) {
    std::function<void()> hook;
    {
        std::unique_lock lock(m_mutex);
        if (time.count() % 1000 == 0)
            Note("sleep " + std::to_string(time.count() / 1000) + " ms");
        else
            Note("sleep " + std::to_string(time.count()) + " us");
        if (Together())
            SleepUntil(lock, m_now + time);
        else
            MoveTo(m_now + time);
        hook = m_onSleep;
    }
    // Lets another thread in, as a real pause would.
    std::this_thread::yield();
    if (hook) hook();
}

bool FakeKernel::Together() const {
    return t_together == this;
}

void FakeKernel::MoveTo(std::chrono::microseconds now) {
    m_now = std::max(m_now, now);
    while (!m_wakes.empty() && *m_wakes.begin() <= m_now) {
        m_wakes.erase(m_wakes.begin());
        ++m_running;
    }
    m_changed.notify_all();
}

void FakeKernel::MoveWhenAllWait() {
    if (m_running == 0 && !m_wakes.empty()) MoveTo(*m_wakes.begin());
}

void FakeKernel::SleepUntil(std::unique_lock<std::mutex>& lock, std::chrono::microseconds wake) {
    // MoveTo counts the sleeper as running again once its time has come.
    m_wakes.insert(wake);
    --m_running;
    MoveWhenAllWait();
    m_changed.wait(lock, [&] { return m_now >= wake; });
}

std::unique_lock<std::mutex> FakeKernel::Acquire(std::mutex& mutex) {
    std::unique_lock held(mutex, std::try_to_lock);
    if (held.owns_lock()) return held;
    if (!Together()) {
        held.lock();
        return held;
    }
    // A waiter blocked on the mutex itself would not count as running again the moment the
    // holder lets go, and the holder's next sleep would let time run past it: it looks again
    // each virtual millisecond instead.
    while (!held.try_lock()) {
        std::unique_lock lock(m_mutex);
        SleepUntil(lock, m_now + kAcquirePoll);
    }
    return held;
}

void FakeKernel::RunTogether(const std::vector<std::function<void()>>& bodies) {
    {
        // Counted before any starts, so that none runs ahead of one not yet started.
        std::lock_guard lock(m_mutex);
        m_running += static_cast<int>(bodies.size());
    }
    std::vector<std::thread> threads;
    for (const auto& body : bodies)
        threads.emplace_back([this, &body] {
            t_together = this;
            body();
            t_together = nullptr;
            std::lock_guard lock(m_mutex);
            --m_running;
            MoveWhenAllWait();
        });
    for (auto& thread : threads) thread.join();
}

std::chrono::steady_clock::time_point FakeKernel::Now() {
    std::lock_guard lock(m_mutex);
    return std::chrono::steady_clock::time_point(m_now);
}

void FakeKernel::Advance(std::chrono::microseconds time) {
    std::lock_guard lock(m_mutex);
    MoveTo(m_now + time);
}

std::chrono::microseconds FakeKernel::Elapsed() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void FakeKernel::OnSleep(std::function<void()> hook) {
    std::lock_guard lock(m_mutex);
    m_onSleep = std::move(hook);
}

void FakeKernel::Unplug() {
    std::lock_guard lock(m_mutex);
    m_unplugged = true;
    for (auto& [path, dvr] : m_dvrs) dvr.chunks.push_back({{}, ENODEV});
}

void FakeKernel::TalkOver(int cable, int commands) {
    std::lock_guard lock(m_mutex);
    m_talkOver[cable] += commands;
}

int FakeKernel::CableCollisions() const {
    std::lock_guard lock(m_mutex);
    return m_collisions;
}

}  // namespace linuxdvb_test
