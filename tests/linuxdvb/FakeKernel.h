// A stand-in for the kernel's DVB devices behind DvbIo: adapters with frontends, demuxes and
// dvrs in a scratch folder (so the scan lists them like /dev/dvb), frontends that lock where a
// test says, report the statistics it sets and refuse to open as a busy or forbidden device
// would, dvrs that return what a test feeds (bytes in reads of its choosing, or an error).
// Every call that changes something, and every pause, is written to one journal in plain words.
//
// It keeps the kernel's own rules: a tune outside FE_GET_INFO's frequency or symbol-rate limits
// answers EINVAL and leaves the frontend as it was; a read-only descriptor may only read. Time
// is virtual: Sleep advances the clock, and a carrier locks after the delay its model gives.
// Threads started by RunTogether share the clock as the threads of a real program share real
// time: one that pauses stays paused, with the devices as it left them (a line at 18 V stays at
// 18 V), while the others run, and time moves only when every one of them waits.
// By default everything answers at once, as before; a test picks a driver's quirks through the
// model (a slow locker, a blocking-search demodulator, a driver that refuses automatic roll-off,
// frontends that are one tuner, single-cable lines, multistream carriers and the stream a tune
// delivers to the dvr) or unplugs the card.
//
// Thread-safe: the tuner driver and the dvr reader's thread call it at once.
#pragma once

#include <linux/dvb/frontend.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "linuxdvb/DvbIo.h"
#include "linuxdvb/Frontend.h"

namespace linuxdvb_test {

// ENOTSUPP, what the kernel answers for an operation a driver lacks.
inline constexpr int kNotSupported = 524;

// What the frontend was last tuned to (after DTV_CLEAR: the kernel's defaults).
struct Tuned {
    std::uint32_t system = 0;
    std::uint32_t modulation = 0;
    std::uint32_t frequencyKHz = 0;
    std::uint32_t symbolRate = 0;
    std::uint32_t streamId = NO_STREAM_ID_FILTER;
    std::uint32_t plsCode = 0;  // DTV_SCRAMBLING_SEQUENCE_INDEX
};

struct FrontendModel {
    std::string name = "Fake DVB-S/S2 Frontend";
    std::vector<std::uint32_t> systems{SYS_DVBS, SYS_DVBS2};
    // FE_CAN_MULTISTREAM in FE_GET_INFO. Either way the kernel keeps a stream id it is sent;
    // whether it matters is up to `locks`.
    bool multistream = false;
    // The driver sets its demodulator's stream filter only when sent DTV_STREAM_ID: a tune
    // without one keeps the last tune's filter, DTV_CLEAR notwithstanding.
    bool keepsStreamFilter = false;
    std::uint32_t minKHz = 950000;
    std::uint32_t maxKHz = 2150000;
    std::uint32_t minSymbolRate = 1000000;
    std::uint32_t maxSymbolRate = 45000000;
    // EACCES refuses every open; EBUSY (another program holds it) refuses read-write opens.
    int openError = 0;
    // Whether the frontend locks on a tune (default: always), and after how long.
    std::function<bool(const Tuned&)> locks = [](const Tuned&) { return true; };
    std::function<std::chrono::microseconds(const Tuned&)> lockDelay;  // empty: at once
    // What the dvr of the frontend's number gets from a tune that locks (empty: nothing).
    std::function<std::vector<std::uint8_t>(const Tuned&)> delivers;
    // The frontend reports FE_TIMEDOUT this long after a tune that has not locked (0: never).
    std::chrono::microseconds timeOut{0};
    // The kernel refuses every tune with this errno (limits of a tuner FE_GET_INFO does not show).
    int tuneError = 0;
    // Requests the driver answers with an errno and nothing done: kNotSupported for an operation
    // it lacks (what dvb-core answers then; many drivers have no burst), or a failure of its own
    // (EIO for an I2C error or an overloaded LNB supply).
    std::map<unsigned long, int> refuses;
    // The driver refuses ROLLOFF_AUTO on DVB-S2 in the frontend's thread: the property call
    // succeeds and the frontend simply never locks.
    bool refusesAutoRolloff = false;
    // A demodulator that searches in the kernel: every status or statistics read waits until
    // the search started by the last tune ends (lock, or this time-out for its symbol rate).
    std::function<std::chrono::microseconds(std::uint32_t symbolRate)> blockingSearch;
    // Frontends with the same number share one single-cable line: one locks only when the
    // router heard its last command (sent at 18 V while no other frontend of the line was at
    // 18 V and nobody outside talked over it).
    int cable = -1;
    // Frontends of one adapter with the same number are one tuner: opening one while another is
    // open waits 5 s (in the kernel) and answers EBUSY.
    int oneTuner = -1;
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
    // The card goes: opening a frontend, demux or dvr and every frontend or demux call answer
    // ENODEV (CA devices are played by their own stand-ins), and each dvr's next read fails
    // with ENODEV while, as in the kernel, a reader waiting for data is not woken.
    void Unplug();
    // Another receiver on single-cable line `cable` talks over the next `commands` commands.
    void TalkOver(int cable, int commands);
    // How often two frontends of one line were at 18 V at once.
    int CableCollisions() const;
    // Lets virtual time pass without a call (a user waiting between two looks).
    void Advance(std::chrono::microseconds time);
    std::chrono::microseconds Elapsed() const;
    // Called (outside the kernel's lock) after every Sleep, on the sleeping thread.
    void OnSleep(std::function<void()> hook);
    // Runs each of `bodies` on a thread of its own, all on the virtual clock together, and
    // joins them. A thread that sleeps, or waits in Acquire for a lock another holds, counts
    // as waiting (it looks again for the lock each virtual millisecond); while any runs, time
    // stands still; once all wait, time moves to the earliest wake-up and that sleeper runs on.
    void RunTogether(const std::vector<std::function<void()>>& bodies);
    // Blocks until a thread waits in Poll on dvr `dvr` of `adapter`.
    void AwaitPoll(int adapter, int dvr);

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
    std::chrono::steady_clock::time_point Now() override;
    std::unique_lock<std::mutex> Acquire(std::mutex& lock) override;

private:
    struct Frontend {
        FrontendModel model;
        std::string dvr;  // of the same number, where what it delivers goes
        Tuned tuned;
        std::uint32_t rolloff = ROLLOFF_AUTO;
        bool tunedOnce = false;
        bool lockable = false;  // the last accepted tune finds its carrier
        std::chrono::microseconds tunedAt{0};
        int opened = 0;
        bool writer = false;
        std::uint32_t voltage = SEC_VOLTAGE_OFF;
        bool garbled = false;  // its command window overlapped another's
        bool heard = false;    // the router took its last command
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
        bool readOnly = false;
    };

    std::string Device(int adapter, const std::string& name) const;
    void Note(std::string entry);
    int FrontendIoctl(Frontend& frontend, bool readOnly, unsigned long request,
                      unsigned long argument);
    int FrontendOpen(Frontend& frontend, const std::string& device, bool readWrite);
    std::uint32_t Status(const Frontend& frontend) const;
    std::chrono::microseconds LockDelay(const Frontend& frontend) const;
    // A blocking-search driver's read: waits for the search in progress.
    void AwaitSearch(const Frontend& frontend);
    void SetVoltage(Frontend& frontend, std::uint32_t voltage);
    void SendCommand(Frontend& frontend, std::string text);
    int SetProperties(Frontend& frontend, const dtv_properties& properties);
    int GetProperties(Frontend& frontend, dtv_properties& properties);
    void Push(Dvr& dvr, DvrChunk chunk);
    std::shared_ptr<linuxdvb::DvbIo> CaDeviceOf(int fd) const;
    // The clock (under m_mutex): time moves to `now` when that is later, and the sleepers due
    // by then run again.
    void MoveTo(std::chrono::microseconds now);
    // Once every thread of RunTogether waits: time moves to the earliest wake-up.
    void MoveWhenAllWait();
    // The calling thread of RunTogether waits until `wake`.
    void SleepUntil(std::unique_lock<std::mutex>& lock, std::chrono::microseconds wake);
    bool Together() const;

    std::string m_root;
    mutable std::mutex m_mutex;
    std::map<std::string, Frontend> m_frontends;
    std::map<std::string, Dvr> m_dvrs;
    std::map<std::string, bool> m_demuxes;
    std::map<int, Handle> m_handles;
    std::map<std::string, std::shared_ptr<linuxdvb::DvbIo>> m_caDevices;
    std::map<int, std::shared_ptr<linuxdvb::DvbIo>> m_caHandles;
    std::vector<std::string> m_journal;
    std::chrono::microseconds m_now{0};
    std::condition_variable m_changed;                 // time moved, or a poll began
    int m_running = 0;                                 // threads of RunTogether not waiting
    std::multiset<std::chrono::microseconds> m_wakes;  // of the sleeping ones
    std::map<int, int> m_polling;                      // threads in Poll, per descriptor
    bool m_unplugged = false;
    std::map<int, int> m_talkOver;  // per cable
    int m_collisions = 0;
    std::function<void()> m_onSleep;
};

// Bytes of `count` transport packets on `pid` with the continuity counter counting from 0.
std::vector<std::uint8_t> Packets(int count, std::uint16_t pid = 0x100);

}  // namespace linuxdvb_test
