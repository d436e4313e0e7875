// A tuner's transport stream from the kernel: while the graph runs, a thread of its own routes
// every PID of the frontend's stream to the dvr (a PES filter on the demux for pid 0x2000 to
// the TS tap, with an 8 MiB ring), reads the dvr in large blocks and delivers whole packets.
//
// When the program does not take the stream fast enough, the kernel's ring overflows: the
// kernel drops what it held and the next read fails with EOVERFLOW; the reader counts each
// such loss as one overrun (the kernel does not say how many packets went) and goes on, so
// back-pressure never grows a queue here. A card that goes away (ENODEV) ends the stream
// with one line naming the device. Start and Stop as StreamSource; Overruns from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "cardkit/StreamSource.h"
#include "linuxdvb/DvbIo.h"
#include "linuxdvb/PacketTap.h"

namespace linuxdvb {

inline constexpr std::size_t kDvrRingBytes = 8u << 20;
// Bytes asked for per read: 1024 packets, a few milliseconds of a busy transponder.
inline constexpr std::size_t kDvrReadBytes = 1024 * 188;

class DvrReader : public cardkit::StreamSource {
public:
    DvrReader(std::shared_ptr<DvbIo> io, std::string demuxPath, std::string dvrPath,
              std::shared_ptr<PacketTap> tap);
    ~DvrReader() override;

    void Start(Deliver deliver) override;
    void Stop() override;
    std::uint64_t Overruns() const override { return m_overruns.load(); }

private:
    void Run(const Deliver& deliver);
    // Reads and delivers until stopped or the device ends; `dvr` is open and routed.
    void Pump(int dvr, const Deliver& deliver);

    const std::shared_ptr<DvbIo> m_io;
    const std::string m_demuxPath;
    const std::string m_dvrPath;
    const std::shared_ptr<PacketTap> m_tap;
    int m_wake = -1;  // eventfd that Stop signals, for a reader waiting in poll
    std::atomic<bool> m_stopping{false};
    std::atomic<std::uint64_t> m_overruns{0};
    std::thread m_thread;
};

}  // namespace linuxdvb
