#include "linuxdvb/DvbTunerDriver.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

#include "cardkit/SingleCable.h"
#include "linuxdvb/LockWait.h"
#include "linuxdvb/SignalScale.h"
#include "linuxdvb/SingleCableLock.h"

namespace linuxdvb {
namespace {

using namespace std::chrono_literals;

// DiSEqC timing: 15 ms of quiet before and after every message and burst.
constexpr auto kDiseqcGap = 15ms;
// Switches power up 100-200 ms after the LNB supply comes on.
constexpr auto kSwitchPowerUp = 200ms;
constexpr std::size_t kEverySystem = 3;
// Single-cable repeats: how many, and the random wait before each (see the header).
constexpr int kCableRepeats = 3;
constexpr int kRepeatMinMs = 100;
constexpr int kRepeatMaxMs = 300;
// Spectrum steps: narrow, or wide on demodulators whose reads wait for a search (see the header).
constexpr std::uint32_t kStepSymbolRate = 1000000;
constexpr std::uint32_t kWideStepSymbolRate = 22000000;
constexpr auto kBlockingRead = 150ms;

HRESULT FromErrno(int result) {
    if (result >= 0) return S_OK;
    switch (-result) {
        case EINVAL:
            return HRESULT_ERROR_INVALID_PARAMETER;
        case EOPNOTSUPP:
        case ENOTTY:
        case 524:  // ENOTSUPP: the frontend's driver lacks the operation
            return HRESULT_ERROR_NOT_SUPPORTED;
        default:
            return E_FAIL;
    }
}

bool IsHorizontal(::Polarisation polarity, bool current) {
    switch (polarity) {
        case BDA_POLARISATION_LINEAR_H:
        case BDA_POLARISATION_CIRCULAR_L:
            return true;
        case BDA_POLARISATION_LINEAR_V:
        case BDA_POLARISATION_CIRCULAR_R:
            return false;
        default:
            return current;
    }
}

}  // namespace

DvbTunerDriver::DvbTunerDriver(std::shared_ptr<DvbIo> io, const FoundFrontend& frontend,
                               double settleScale)
    : m_frontend(std::move(io), frontend.fd),
      m_minKHz(frontend.minKHz),
      m_maxKHz(frontend.maxKHz),
      m_minSymbolRate(frontend.minSymbolRate),
      m_maxSymbolRate(frontend.maxSymbolRate),
      m_settleScale(settleScale),
      m_tries(frontend.dvbs, frontend.dvbs2),
      m_random(std::random_device{}()) {}

bool DvbTunerDriver::InRange(std::int64_t frequencyKHz) const {
    return frequencyKHz >= m_minKHz && frequencyKHz <= m_maxKHz;
}

bool DvbTunerDriver::SymbolRateInRange(std::uint64_t symbolRate) const {
    // The frontend takes symbols/s in 32 bits.
    return symbolRate <= UINT32_MAX && symbolRate >= m_minSymbolRate &&
           (m_maxSymbolRate == 0 || symbolRate <= m_maxSymbolRate);
}

HRESULT DvbTunerDriver::CommitTune(const cardkit::TuningSettings& settings) {
    if (m_tuneObserver) m_tuneObserver(settings);
    const cardkit::ScifConfig scif = [this] {
        std::lock_guard lock(m_scifMutex);
        return m_scif;
    }();
    const auto rfKHz = static_cast<std::int64_t>(settings.FrequencyKHz());
    const bool highBand = rfKHz >= settings.switchKHz;
    const std::int64_t ifKHz =
        rfKHz - (highBand ? settings.highOscillatorKHz : settings.lowOscillatorKHz);
    const int source = settings.diseqcEnabled && settings.lnbSource >= 1 && settings.lnbSource <= 4
                           ? static_cast<int>(settings.lnbSource)
                           : 0;
    const std::uint64_t symbolRate = std::uint64_t{settings.symbolRate} * 1000;
    if (!SymbolRateInRange(symbolRate)) return HRESULT_ERROR_INVALID_PARAMETER;

    std::lock_guard lock(m_mutex);
    cardkit::LnbSelection selection{source ? source : (m_lnb ? m_lnb->position : 1),
                                    IsHorizontal(settings.polarity, m_lnb && m_lnb->horizontal),
                                    highBand};
    std::optional<cardkit::ChannelChange> change;
    std::int64_t tuneKHz = ifKHz;
    if (scif.Enabled()) {
        change = cardkit::MakeChannelChange(
            scif, cardkit::BankFor(scif, source, selection.horizontal, highBand),
            static_cast<double>(ifKHz) / 1000.0);
        if (ifKHz <= 0 || !change->fits) return HRESULT_ERROR_INVALID_PARAMETER;
        tuneKHz = std::llround(change->tuneMHz * 1000.0);
    }
    if (!InRange(tuneKHz)) return HRESULT_ERROR_INVALID_PARAMETER;

    LeaveOneShot();
    // Whatever the frontend locked to before is not this transponder.
    m_tuned = false;
    const Transponder transponder{{static_cast<std::uint32_t>(source), selection.horizontal,
                                   static_cast<std::uint64_t>(rfKHz), settings.symbolRate},
                                  static_cast<std::uint32_t>(tuneKHz),
                                  static_cast<std::uint32_t>(symbolRate)};
    if (change) {
        m_lnb.reset();  // the router, not the switch, decides what reaches the tuner
        return Conclude(TuneThroughRouter(transponder, change->message));
    }
    const bool set = m_lnb && *m_lnb == selection && m_lnbSource == source;
    m_lnb.reset();
    const bool switched = set || SwitchLnb(selection, source);
    const Outcome outcome = TryToLock(transponder, kEverySystem);
    // A switch that missed its message is only found out by the missing lock: until a tune
    // through it locked, the next tune sets it again.
    if (outcome.locked && switched) {
        m_lnb = selection;
        m_lnbSource = source;
    }
    return Conclude(outcome);
}

HRESULT DvbTunerDriver::Conclude(const Outcome& outcome) {
    m_tuned = outcome.accepted;
    if (outcome.accepted) return S_OK;
    m_lnb.reset();
    return FromErrno(outcome.error);
}

int DvbTunerDriver::SetVoltage(bool horizontal) {
    const int result = m_frontend.SetVoltage(horizontal);
    if (!m_powered && result >= 0) {
        m_powered = true;
        m_freshlyPowered = true;
        m_switchesWaking = true;
    }
    return result;
}

std::chrono::microseconds DvbTunerDriver::GapBeforeMessage() {
    return std::exchange(m_switchesWaking, false) ? kSwitchPowerUp : kDiseqcGap;
}

bool DvbTunerDriver::SwitchLnb(const cardkit::LnbSelection& selection, int source) {
    bool failed = false;
    const auto check = [&failed](int result) { failed = failed || result < 0; };
    if (source) {
        check(m_frontend.SetTone(false));
        check(SetVoltage(selection.horizontal));
        m_frontend.Pause(GapBeforeMessage());
        check(m_frontend.SendMessage(cardkit::CommittedSwitchMessage(selection)));
        m_frontend.Pause(kDiseqcGap);
        check(m_frontend.SendBurst(selection.position == 2 || selection.position == 4));
        m_frontend.Pause(kDiseqcGap);
    } else {
        check(SetVoltage(selection.horizontal));
    }
    check(m_frontend.SetTone(selection.highBand));
    m_toneOn = selection.highBand;
    return !failed;
}

int DvbTunerDriver::SendAt18Volts(std::span<const std::uint8_t> message) {
    // Routers listen at 18 V with the tone off, and are then fed at 13 V.
    std::lock_guard cable(SingleCableLock());
    m_frontend.SetTone(false);
    m_toneOn = false;
    SetVoltage(true);
    m_frontend.Pause(GapBeforeMessage());
    const int sent = m_frontend.SendMessage(message);
    m_frontend.Pause(kDiseqcGap);
    m_frontend.SetVoltage(false);
    return sent;
}

DvbTunerDriver::Outcome DvbTunerDriver::TuneThroughRouter(const Transponder& transponder,
                                                          std::span<const std::uint8_t> command) {
    std::uniform_int_distribution<int> wait(kRepeatMinMs, kRepeatMaxMs);
    Outcome outcome;
    for (int send = 0; send <= kCableRepeats; ++send) {
        if (send > 0) m_frontend.Pause(std::chrono::milliseconds(wait(m_random)));
        SendAt18Volts(command);
        outcome = TryToLock(transponder, send == kCableRepeats ? kEverySystem : 1);
        if (outcome.locked || !outcome.accepted) break;
    }
    return outcome;
}

DvbTunerDriver::Outcome DvbTunerDriver::TryToLock(const Transponder& transponder,
                                                  std::size_t attempts) {
    Outcome outcome;
    const auto tries = m_tries.For(transponder.key);
    std::optional<Modulation> first;
    std::optional<Modulation> last;
    for (std::size_t i = 0; i < std::min(attempts, tries.size()); ++i) {
        const Modulation& modulation = tries[i];
        const int tuned = m_frontend.Tune({transponder.frequencyKHz, transponder.symbolRate,
                                           modulation.system, modulation.modulation});
        if (tuned < 0) {
            outcome.error = tuned;
            continue;
        }
        outcome.accepted = true;
        if (!first) first = modulation;
        last = modulation;
        const bool afterPowerUp = std::exchange(m_freshlyPowered, false);
        if (WaitForLock(m_frontend, LockWaitCap(transponder.symbolRate, afterPowerUp))) {
            m_tries.Remember(transponder.key, modulation);
            outcome.locked = true;
            return outcome;
        }
    }
    // Nothing locked in time: back to the likeliest system, where a slow lock may still come.
    if (first && !(*first == *last))
        m_frontend.Tune(
            {transponder.frequencyKHz, transponder.symbolRate, first->system, first->modulation});
    return outcome;
}

void DvbTunerDriver::LeaveOneShot() {
    if (!m_oneShot) return;
    m_frontend.SetOneShot(false);
    m_oneShot = false;
}

HRESULT DvbTunerDriver::SendDiseqc(std::span<const std::uint8_t> message) {
    // The kernel's master command holds 3 to 6 bytes.
    if (message.size() < 3 || message.size() > 6) return HRESULT_ERROR_NOT_SUPPORTED;
    const bool singleCable = [this] {
        std::lock_guard lock(m_scifMutex);
        return m_scif.Enabled();
    }();
    std::lock_guard lock(m_mutex);
    // The message may move a switch or a router: the next tune sets everything again.
    m_lnb.reset();
    if (singleCable) return FromErrno(SendAt18Volts(message));
    if (!m_powered) SetVoltage(false);  // the equipment on the cable needs power to listen
    if (m_toneOn) m_frontend.SetTone(false);
    m_frontend.Pause(GapBeforeMessage());
    const int sent = m_frontend.SendMessage(message);
    m_frontend.Pause(kDiseqcGap);
    if (m_toneOn) m_frontend.SetTone(true);
    return FromErrno(sent);
}

std::uint32_t DvbTunerDriver::StepSymbolRate() const {
    const std::uint32_t wanted = m_wideSteps ? kWideStepSymbolRate : kStepSymbolRate;
    const std::uint32_t floor = std::max(wanted, m_minSymbolRate);
    return m_maxSymbolRate ? std::min(floor, m_maxSymbolRate) : floor;
}

HRESULT DvbTunerDriver::MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) {
    const std::uint32_t frequencyKHz = frequencyHz / 1000;
    if (!InRange(frequencyKHz)) return HRESULT_ERROR_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    if (!m_powered) {
        // An unpowered LNB gives no level at all.
        SetVoltage(false);
        m_frontend.SetTone(false);
        m_toneOn = false;
    }
    if (!m_oneShot) {
        // One-shot: the frontend neither zigzags around the step nor keeps retuning it.
        if (const int result = m_frontend.SetOneShot(true); result < 0) return FromErrno(result);
        m_oneShot = true;
    }
    m_tuned = false;  // a step is no transponder to show the quality of
    const Modulation plain = m_tries.Plainest();
    const int tuned =
        m_frontend.Tune({frequencyKHz, StepSymbolRate(), plain.system, plain.modulation});
    if (tuned < 0) return FromErrno(tuned);
    m_frontend.Pause(std::chrono::microseconds(
        std::llround(static_cast<double>(settle) * 1000.0 * m_settleScale)));
    return S_OK;
}

HRESULT DvbTunerDriver::SetScif(const cardkit::ScifConfig& config) {
    std::lock_guard lock(m_scifMutex);
    m_scif = config;
    return S_OK;
}

HRESULT DvbTunerDriver::GetScif(cardkit::ScifConfig* config) {
    if (!config) return E_POINTER;
    std::lock_guard lock(m_scifMutex);
    *config = m_scif;
    return S_OK;
}

std::int32_t DvbTunerDriver::SignalStrength() {
    // Some drivers refresh their statistics only when the status is read. Demodulators that
    // search in the kernel make that read wait for the search: seen during a spectrum step,
    // the later steps are tuned so that their search ends sooner.
    const auto before = m_frontend.Now();
    m_frontend.Status();
    if (m_oneShot && m_frontend.Now() - before > kBlockingRead) m_wideSteps = true;
    std::optional<std::int32_t> level = LevelFromStrength(m_frontend.Strength());
    if (!level)
        if (const auto legacy = m_frontend.LegacyStrength()) level = LevelFromRelative(*legacy);
    return level ? 100000 - *level : 0;
}

std::int32_t DvbTunerDriver::SignalQuality() {
    // A refused tune left the frontend on the previous transponder: its lock is not ours.
    if (!m_tuned) return 0;
    if (!(m_frontend.Status() & FE_HAS_LOCK)) return 0;
    if (const auto quality = QualityFromCnr(m_frontend.Locked())) return *quality;
    if (const auto legacy = m_frontend.LegacySnr()) return QualityFromRelative(*legacy);
    return 0;
}

void DvbTunerDriver::StreamingChanged(bool running) {
    if (m_streamingObserver) m_streamingObserver(running);
}

}  // namespace linuxdvb
