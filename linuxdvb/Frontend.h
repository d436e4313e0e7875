// One satellite frontend device as the tuner driver uses it: LNB supply and tone, DiSEqC
// messages and bursts, tuning through DTV properties, the tune mode, lock status and the
// statistics. Thin: each call is one ioctl, and a failure comes back as -errno.
//
// What a tune sends is what every mainline satellite driver accepts: code rate, inversion and
// pilots automatic (the drivers that cannot search them fall back to their own defaults), and
// roll-off 0.35, the kernel's own default for satellite after DTV_CLEAR. Automatic roll-off is
// not sent: some drivers refuse ROLLOFF_AUTO on DVB-S2 (and others accept only 0.35 on DVB-S),
// and they refuse it in the frontend's own thread, after the property call has succeeded, so
// the program would only ever see a tune that never locks. Demodulators detect the roll-off
// from the signal once locked whatever is set.
//
// Any thread: it keeps no state, and the kernel serialises calls on one frontend.
#pragma once

#include <linux/dvb/frontend.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "linuxdvb/DvbIo.h"

namespace linuxdvb {

// One DVB-S / DVB-S2 tune: frequency at the frontend's input (kHz), symbol rate (symbols/s),
// delivery system and modulation; code rate, inversion and pilots are left to the demodulator.
// On a frontend that can pick an input stream (`multistream`) the stream id always goes with
// it, NO_STREAM_ID_FILTER for none, so that no driver keeps the previous tune's stream; the
// physical-layer scrambling goes only with a gold code given (0-262143), as drivers older
// than the property refuse it.
struct FrontendTune {
    std::uint32_t frequencyKHz = 0;
    std::uint32_t symbolRate = 0;
    fe_delivery_system system = SYS_DVBS;
    fe_modulation modulation = QPSK;
    bool multistream = false;
    std::uint32_t streamId = NO_STREAM_ID_FILTER;
    std::optional<std::uint32_t> plsCode;
};

// A statistic as the frontend reports it.
struct FrontendStat {
    fecap_scale_params scale = FE_SCALE_NOT_AVAILABLE;
    std::int64_t value = 0;  // 0.001 dB on the decibel scale, 0..65535 on the relative one
};

// What the demodulator locked to, as it reports it back.
struct LockedSignal {
    std::uint32_t system = SYS_UNDEFINED;
    std::uint32_t modulation = QPSK;
    std::uint32_t codeRate = FEC_AUTO;
    FrontendStat cnr;
};

class Frontend {
public:
    Frontend(std::shared_ptr<DvbIo> io, int fd) : m_io(std::move(io)), m_fd(fd) {}

    int SetVoltage(bool horizontal);  // 18 V for horizontal / left, 13 V otherwise
    int SetTone(bool on);             // continuous 22 kHz
    int SendMessage(std::span<const std::uint8_t> message);  // 3..6 bytes
    int SendBurst(bool b);                                   // tone burst A or B
    int SetOneShot(bool oneShot);                            // FE_SET_FRONTEND_TUNE_MODE
    int Tune(const FrontendTune& tune);

    fe_status_t Status();  // 0 when the frontend does not answer
    FrontendStat Strength();
    LockedSignal Locked();
    std::optional<std::uint16_t> LegacyStrength();
    std::optional<std::uint16_t> LegacySnr();

    void Pause(std::chrono::microseconds time) { m_io->Sleep(time); }
    std::chrono::steady_clock::time_point Now() { return m_io->Now(); }
    std::unique_lock<std::mutex> Acquire(std::mutex& lock) { return m_io->Acquire(lock); }

private:
    int Value(unsigned long request, unsigned long value);

    const std::shared_ptr<DvbIo> m_io;
    const int m_fd;
};

}  // namespace linuxdvb
