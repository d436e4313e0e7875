// One tuner of a card as its driver carries out what the filter shells have checked: the
// tuner filter's commit, the DiSEqC and single-cable requests, spectrum steps and the signal
// statistics. The shells validate every request (header, set, id, flags, node, exact data
// length) before they call here, so a driver sees only well-formed calls; it still refuses
// values it cannot carry out.
//
// Thread-safety: every method may be called from any thread at any time (a graph's worker, the
// user-interface thread and streaming threads call at once); implementations lock what they
// share.
#pragma once

#include <cstdint>
#include <span>

#include "cardkit/ScifConfig.h"
#include "cardkit/TuningSettings.h"
#include "platform/HResult.h"

namespace cardkit {

class TunerDriver {
public:
    virtual ~TunerDriver() = default;

    // Carries out a tune: LNB control (band, polarisation, committed switch or single-cable
    // command) and the demodulator. Returns when the tune has been handed to the hardware; lock
    // shows later in SignalQuality. HRESULT_ERROR_INVALID_PARAMETER when the frequency cannot
    // be reached (IF outside the tuner's range); nothing changes then.
    virtual HRESULT CommitTune(const TuningSettings& settings) = 0;

    // Sends one raw DiSEqC message (1..8 bytes, framing byte first) exactly as given.
    // A driver that cannot send a length refuses it (HRESULT_ERROR_NOT_SUPPORTED) and sends
    // nothing.
    virtual HRESULT SendDiseqc(std::span<const std::uint8_t> message) = 0;

    // Moves the front end to `frequencyHz` (IF, 950..2150 MHz) for a level reading; the next
    // SignalStrength reads the level there. `settle` stretches the time the front end is given
    // (1000 on a sweep's first step, 50 after); the call returns once it has settled. The next
    // CommitTune ends the measurement mode.
    virtual HRESULT MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) = 0;

    // The single-cable configuration, stored as received (validated by the shell); applied on
    // every later CommitTune while it is enabled. GetScif returns what was stored (all words
    // kScifUnset before the first SET).
    virtual HRESULT SetScif(const ScifConfig& config) = 0;
    virtual HRESULT GetScif(ScifConfig* config) = 0;

    // 100000 minus the level at the front end in thousandths of a dB (the program shows
    // (100000 - strength) / 1000 as dB, a typical carrier at 30..80). Not available: 0.
    virtual std::int32_t SignalStrength() = 0;
    // 0..100 percent; 0 when not locked or not available.
    virtual std::int32_t SignalQuality() = 0;
    // The delivery system the demodulator has locked; DVBS_SYSTEM_NOT_SET while nothing is
    // locked or where the driver cannot tell.
    virtual ::DvbsSystem LockedSystem() { return DVBS_SYSTEM_NOT_SET; }

    // The graph that holds the tuner's filter starts or stops streaming (called on the thread
    // that runs or stops it, also when a graph is torn down), for drivers that follow the
    // tuner's stream; a stopped graph takes no more of it.
    virtual void StreamingChanged(bool running) { static_cast<void>(running); }
};

}  // namespace cardkit
