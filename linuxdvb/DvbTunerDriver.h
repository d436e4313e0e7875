// A tuner of a real card: the driver side of one satellite frontend. It does what the kernel
// leaves to the program: universal-LNB band and IF, LNB voltage and tone, the committed switch
// with its tone burst, the single-cable (EN 50494) channel change, trying the delivery systems
// until one locks, spectrum steps by stepping the frontend, and the conversion of the
// frontend's statistics to the program's scales (SignalScale.h).
//
// Thread-safety: as TunerDriver. Frontend calls are serialised on one lock (a tune may hold it
// for a few seconds while it tries systems); the single-cable configuration has its own, so the
// user-interface thread never waits for a tune.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>

#include "cardkit/CommittedSwitch.h"
#include "cardkit/TunerDriver.h"
#include "linuxdvb/DeliveryTries.h"
#include "linuxdvb/DeviceScan.h"
#include "linuxdvb/Frontend.h"

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

    // Told every tune request as CommitTune takes it (on CommitTune's thread), e.g. so the CAM
    // can be asked for the service it names. Set once, before the tuner is used.
    using TuneObserver = std::function<void(const cardkit::TuningSettings&)>;
    void SetTuneObserver(TuneObserver observer) { m_tuneObserver = std::move(observer); }

private:
    bool InRange(std::int64_t frequencyKHz) const;
    // Voltage, tone, committed switch and burst for `selection` (`source` 0: no switch).
    void SwitchLnb(const cardkit::LnbSelection& selection, int source);
    void SendChannelChange(std::span<const std::uint8_t> message);
    // Tunes with up to `attempts` modulations in turn until one locks; true when one did.
    bool TryToLock(const TransponderKey& key, std::uint32_t frequencyKHz,
                   std::uint32_t symbolRate, std::size_t attempts);
    void LeaveOneShot();

    Frontend m_frontend;
    const std::uint32_t m_minKHz;
    const std::uint32_t m_maxKHz;
    const std::uint32_t m_stepSymbolRate;
    const double m_settleScale;

    std::mutex m_mutex;  // guards the frontend and everything below
    DeliveryTries m_tries;
    std::optional<cardkit::LnbSelection> m_lnb;  // what the switch was last set to
    int m_lnbSource = 0;
    bool m_toneOn = false;
    bool m_powered = false;  // LNB voltage set since open
    bool m_oneShot = false;
    std::mt19937 m_random;

    std::mutex m_scifMutex;
    cardkit::ScifConfig m_scif;

    TuneObserver m_tuneObserver;
};

}  // namespace linuxdvb
