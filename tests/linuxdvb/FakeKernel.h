// A stand-in for the kernel's DVB devices behind DvbIo: adapters with frontends, demuxes and
// dvrs in a scratch folder (so the scan lists them like /dev/dvb), frontends that lock where a
// test says, report the statistics it sets and refuse to open as a busy or forbidden device
// would, dvrs that return what a test feeds (bytes in reads of its choosing, or an error).
// Every call that changes something, and every pause, is written to one journal in plain words.
//
// Thread-safe: the tuner driver and the dvr reader's thread call it at once.
#pragma once

#include <linux/dvb/frontend.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "linuxdvb/DvbIo.h"
#include "linuxdvb/Frontend.h"

namespace linuxdvb_test {

// What the frontend was last tuned to.
struct Tuned {
    std::uint32_t system = 0;
    std::uint32_t modulation = 0;
    std::uint32_t frequencyKHz = 0;
    std::uint32_t symbolRate = 0;
};

struct FrontendModel {
    std::string name = "Fake DVB-S/S2 Frontend";
    std::vector<std::uint32_t> systems{SYS_DVBS, SYS_DVBS2};
    std::uint32_t minKHz = 950000;
    std::uint32_t maxKHz = 2150000;
    int openError = 0;  // e.g. EBUSY, EACCES
    // Whether the frontend locks on a tune (default: always).
    std::function<bool(const Tuned&)> locks = [](const Tuned&) { return true; };
    linuxdvb::FrontendStat strength{FE_SCALE_DECIBEL, -40000};
    linuxdvb::FrontendStat cnr{FE_SCALE_DECIBEL, 12000};
    std::uint32_t lockedCodeRate = FEC_AUTO;
    std::optional<std::uint16_t> legacyStrength;  // empty: the driver lacks the call
    std::optional<std::uint16_t> legacySnr;
};

class FakeKernel : public linuxdvb::DvbIo {
public:
    FakeKernel();
    ~FakeKernel() override;

    const std::string& Root() const { return m_root; }
    void AddFrontend(int adapter, int frontend, FrontendModel model = {});
    // demuxN and dvrN.
    void AddDemux(int adapter, int number);
    // caN, played by `device` (a simulated module): every call on a descriptor opened from it
    // goes to `device`.
    void AddCaDevice(int adapter, int number, std::shared_ptr<linuxdvb::DvbIo> device);
    // Changes a frontend's model (its lock rule, statistics).
    void EditFrontend(int adapter, int frontend, const std::function<void(FrontendModel&)>& edit);

    // The dvr's next read returns (up to the reader's size) these bytes; what does not fit
    // comes with the following read.
    void Feed(int adapter, int dvr, std::vector<std::uint8_t> bytes);
    // The dvr's next read fails with `error` (EOVERFLOW, ENODEV, ...).
    void FeedError(int adapter, int dvr, int error);
    // The card goes away: the dvr's next read fails with ENODEV, and, as in the kernel, a
    // reader waiting for data is not woken.
    void Unplug(int adapter, int dvr);

    std::vector<std::string> Journal() const;
    void ClearJournal();
    // Descriptors open now.
    int OpenCount() const;

    int Open(const std::string& path, int flags) override;
    int Ioctl(int fd, unsigned long request, unsigned long argument) override;
    long Read(int fd, void* buffer, std::size_t size) override;
    long Write(int fd, const void* buffer, std::size_t size) override;
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override;
    int Close(int fd) override;
    void Sleep(std::chrono::microseconds time) override;

private:
    struct Frontend {
        FrontendModel model;
        Tuned tuned;
        bool locked = false;
    };
    struct DvrChunk {
        std::vector<std::uint8_t> bytes;
        int error = 0;
    };
    struct Dvr {
        std::deque<DvrChunk> chunks;
        int fd = -1;  // while open: an eventfd counting the chunks (readable while any)
    };
    struct Handle {
        std::string device;  // "adapterA/frontendF", ".../demuxN", ".../dvrN"
    };

    std::string Device(int adapter, const std::string& name) const;
    void Note(std::string entry);
    int FrontendIoctl(Frontend& frontend, unsigned long request, unsigned long argument);
    int SetProperties(Frontend& frontend, const dtv_properties& properties);
    int GetProperties(Frontend& frontend, dtv_properties& properties);
    void Push(Dvr& dvr, DvrChunk chunk);
    std::shared_ptr<linuxdvb::DvbIo> CaDeviceOf(int fd) const;

    std::string m_root;
    mutable std::mutex m_mutex;
    std::map<std::string, Frontend> m_frontends;
    std::map<std::string, Dvr> m_dvrs;
    std::map<std::string, bool> m_demuxes;
    std::map<int, Handle> m_handles;
    std::map<std::string, std::shared_ptr<linuxdvb::DvbIo>> m_caDevices;
    std::map<int, std::shared_ptr<linuxdvb::DvbIo>> m_caHandles;
    std::vector<std::string> m_journal;
};

// Bytes of `count` transport packets on `pid` with the continuity counter counting from 0.
std::vector<std::uint8_t> Packets(int count, std::uint16_t pid = 0x100);

}  // namespace linuxdvb_test
