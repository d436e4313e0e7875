// A tuner of a real card: the driver side of one satellite frontend. It does what the kernel
// leaves to the program: universal-LNB band and IF, the LNB and its switches (LnbBus.h), the
// single-cable (EN 50494) channel change, trying the delivery systems until one locks
// (DeliveryTries.h), spectrum steps (SpectrumSteps.h), and the conversion of the frontend's
// statistics to the program's scales (SignalScale.h).
//
// What real frontends ask of it:
// - A tune the kernel refuses (EINVAL for a value outside the frontend's limits, EOPNOTSUPP,
//   ENODEV once the card is gone) leaves the frontend on the old transponder, still locked. So
//   a tune whose every try was refused fails, and the quality reads 0 until a tune is accepted:
//   the meters never show another transponder's lock. Frequencies and symbol rates outside
//   what FE_GET_INFO gives are refused before anything is sent.
// - Lock waits fit the demodulator (LockWait.h). When no delivery system locked, the frontend
//   is tuned once more with the first one tried and left there, so a late lock still shows.
// - A committed-switch position counts as set only once a tune through it locked; until then
//   every tune sends it again. A switching command or LNB supply the driver refuses fails the
//   tune with the driver's reason, as a refused tune does (LnbBus.h).
// - Only a frontend that says FE_CAN_MULTISTREAM picks an input stream (or descrambles a
//   physical layer); elsewhere a tune that names one fails as a refused tune does, with a
//   notice, rather than lock to whichever stream the demodulator finds. Such a tune implies
//   DVB-S2, the only system with input streams.
// - When the tune after a single-cable command does not lock, another receiver on the cable
//   may have talked over it: it is said again, up to three more times, each after a random
//   100-300 ms (longer than one 81 ms command, spread so that two receivers that collided do
//   not collide again). The first send tries every system, so that a transponder whose system
//   is not known locks at the first command the router heard; the repeats try the likeliest
//   one, and the last every system again.
//
// Thread-safety: as TunerDriver. Tunes, DiSEqC messages and spectrum steps are serialised on
// one lock (a tune may hold it for several seconds while it waits for lock); the meters read
// the frontend without it, so they never wait for a tune, and the single-cable configuration
// has its own, so the user-interface thread never waits either.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>

#include "cardkit/CommittedSwitch.h"
#include "cardkit/TunerDriver.h"
#include "linuxdvb/DeliveryTries.h"
#include "linuxdvb/DeviceScan.h"
#include "linuxdvb/Frontend.h"
#include "linuxdvb/LnbBus.h"
#include "linuxdvb/SpectrumSteps.h"

namespace linuxdvb {

class DvbTunerDriver : public cardkit::TunerDriver {
public:
    // Drives `frontend` (its fd stays the caller's); `settleScale` multiplies the settle time
    // of spectrum steps (1 on a real card, smaller where time matters more than accuracy).
    DvbTunerDriver(std::shared_ptr<DvbIo> io, const FoundFrontend& frontend, double settleScale);

    HRESULT CommitTune(const cardkit::TuningSettings& settings) override;
    HRESULT SendDiseqc(std::span<const std::uint8_t> message) override;
    HRESULT MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) override;
    HRESULT SetScif(const cardkit::ScifConfig& config) override;
    HRESULT GetScif(cardkit::ScifConfig* config) override;
    std::int32_t SignalStrength() override;
    std::int32_t SignalQuality() override;
    ::DvbsSystem LockedSystem() override;
    void StreamingChanged(bool running) override;

    // Told every tune that went to the frontend, as CommitTune ends (on its thread), e.g. so the
    // CAM can be asked for the service it names. Set once, before the tuner is used.
    using TuneObserver = std::function<void(const cardkit::TuningSettings&)>;
    void SetTuneObserver(TuneObserver observer) { m_tuneObserver = std::move(observer); }
    // Told when the tuner's graph starts or stops streaming (on the thread that runs or stops
    // it), e.g. so that the CAM stops descrambling what the program no longer takes. Set once,
    // before the tuner is used.
    using StreamingObserver = std::function<void(bool running)>;
    void SetStreamingObserver(StreamingObserver observer) {
        m_streamingObserver = std::move(observer);
    }

    // Told, once per operation, of a switching operation the driver lacks that tunes go on
    // without (on the tuning thread); until one is set, such lines go to standard error with
    // the frontend's path. Any thread.
    using NoticeObserver = std::function<void(const std::string&)>;
    void SetNoticeObserver(NoticeObserver observer);

private:
    // How the tries of one tune went.
    struct Outcome {
        bool locked = false;
        bool accepted = false;  // the kernel took at least one try
        int error = 0;          // the last refusal, -errno
    };
    struct Transponder {
        TransponderKey key;
        std::uint32_t frequencyKHz = 0;
        std::uint32_t symbolRate = 0;                  // symbols/s
        fe_delivery_system named = SYS_UNDEFINED;      // the channel's system, when it names one
        std::uint32_t streamId = NO_STREAM_ID_FILTER;  // on a multistream carrier
        std::optional<std::uint32_t> plsCode;          // its gold code, when given
    };

    // Tells the user `text` through the notice observer.
    void Say(const std::string& text);
    // CommitTune without the observer.
    HRESULT Tune(const cardkit::TuningSettings& settings);
    bool InRange(std::int64_t frequencyKHz) const;
    // What the frontend is sent to try `modulation` on `transponder`.
    FrontendTune TuneOf(const Transponder& transponder, const Modulation& modulation) const;
    bool SymbolRateInRange(std::uint64_t symbolRate) const;
    // The channel change and the tries after it, said again while nothing locks.
    Outcome TuneThroughRouter(const Transponder& transponder,
                              std::span<const std::uint8_t> command);
    // Tunes with up to `attempts` modulations in turn until one locks.
    Outcome TryToLock(const Transponder& transponder, std::size_t attempts);
    // CommitTune's answer; a tune the kernel took no try of forgets the tuning.
    HRESULT Conclude(const Outcome& outcome);

    Frontend m_frontend;
    const std::uint32_t m_minKHz;
    const std::uint32_t m_maxKHz;
    const std::uint32_t m_minSymbolRate;
    const std::uint32_t m_maxSymbolRate;  // 0: not given
    const bool m_multistream;             // FE_CAN_MULTISTREAM

    std::mutex m_mutex;  // serialises tunes, messages and steps; guards everything below
    LnbBus m_bus;
    SpectrumSteps m_steps;  // its reads of how steps go are the meters' too
    DeliveryTries m_tries;
    std::optional<cardkit::LnbSelection> m_lnb;  // what the switch is known to be set to
    int m_lnbSource = 0;
    std::mt19937 m_random;

    // Read by the meters without the lock.
    std::atomic<bool> m_tuned{false};  // the last tune was accepted by the kernel

    std::mutex m_scifMutex;
    cardkit::ScifConfig m_scif;

    TuneObserver m_tuneObserver;
    StreamingObserver m_streamingObserver;
    const std::string m_path;  // the frontend's
    std::mutex m_noticeMutex;
    NoticeObserver m_noticeObserver;
};

}  // namespace linuxdvb
