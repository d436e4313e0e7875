#include "linuxdvb/DvbTunerDriver.h"

#include <cerrno>
#include <cmath>

#include "cardkit/SingleCable.h"
#include "linuxdvb/SignalScale.h"

namespace linuxdvb {
namespace {

using namespace std::chrono_literals;

// DiSEqC timing: 15 ms of quiet before and after every message and burst.
constexpr auto kDiseqcGap = 15ms;
// Lock is polled every 20 ms for about 600 ms per delivery system.
constexpr auto kLockPoll = 20ms;
constexpr int kLockPolls = 30;
constexpr std::size_t kEverySystem = 3;
// Another tuner on the same cable may talk over a single-cable command; the repeat waits a
// random 20..60 ms so that two colliding tuners do not collide again.
constexpr int kResendMinMs = 20;
constexpr int kResendMaxMs = 60;
// Spectrum steps tune a narrow carrier so the level is that of a small slice of the band.
constexpr std::uint32_t kStepSymbolRate = 1000000;

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
      m_stepSymbolRate(std::max(kStepSymbolRate, frontend.minSymbolRate)),
      m_settleScale(settleScale),
      m_tries(frontend.dvbs, frontend.dvbs2),
      m_random(std::random_device{}()) {}

bool DvbTunerDriver::InRange(std::int64_t frequencyKHz) const {
    return frequencyKHz >= m_minKHz && frequencyKHz <= m_maxKHz;
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
    const int source =
        settings.diseqcEnabled && settings.lnbSource >= 1 && settings.lnbSource <= 4
            ? static_cast<int>(settings.lnbSource)
            : 0;

    // The frontend takes symbols/s in 32 bits.
    if (settings.symbolRate > UINT32_MAX / 1000) return HRESULT_ERROR_INVALID_PARAMETER;

    std::lock_guard lock(m_mutex);
    cardkit::LnbSelection selection{source ? source : (m_lnb ? m_lnb->position : 1),
                                    IsHorizontal(settings.polarity, m_lnb && m_lnb->horizontal),
                                    highBand};
    std::optional<cardkit::ChannelChange> change;
    std::int64_t tuneKHz = ifKHz;
    if (scif.Enabled()) {
        // The router's banks: positions A (sources 1, 3) and B (sources 2, 4).
        const cardkit::SingleCableBank bank{source == 2 || source == 4, selection.horizontal,
                                            highBand};
        const double sumMHz = (static_cast<double>(ifKHz) / 1000.0 + scif.frequencyMHz) / 4.0;
        const long word = std::lround(sumMHz) - 350;
        if (ifKHz <= 0 || word < 0 || word > 0x3FF) return HRESULT_ERROR_INVALID_PARAMETER;
        change = cardkit::MakeChannelChange(scif, bank, static_cast<double>(ifKHz) / 1000.0);
        tuneKHz = std::llround(change->tuneMHz * 1000.0);
    }
    if (!InRange(tuneKHz)) return HRESULT_ERROR_INVALID_PARAMETER;

    LeaveOneShot();
    if (change) {
        SendChannelChange(change->message);
        m_lnb.reset();  // the router, not the switch, decided what reaches the tuner
    } else if (!m_lnb || *m_lnb != selection || m_lnbSource != source) {
        SwitchLnb(selection, source);
    }
    const TransponderKey key{static_cast<std::uint32_t>(source), selection.horizontal,
                             static_cast<std::uint64_t>(rfKHz), settings.symbolRate};
    const auto frequencyKHz = static_cast<std::uint32_t>(tuneKHz);
    const std::uint32_t symbolRate = settings.symbolRate * 1000;
    if (!change) {
        TryToLock(key, frequencyKHz, symbolRate, kEverySystem);
        return S_OK;
    }
    if (!TryToLock(key, frequencyKHz, symbolRate, 1)) {
        // The other tuner on the cable may have talked over the command: say it once more,
        // then give every system its try.
        std::uniform_int_distribution<int> backOff(kResendMinMs, kResendMaxMs);
        m_frontend.Pause(std::chrono::milliseconds(backOff(m_random)));
        SendChannelChange(change->message);
        TryToLock(key, frequencyKHz, symbolRate, kEverySystem);
    }
    return S_OK;
}

void DvbTunerDriver::SwitchLnb(const cardkit::LnbSelection& selection, int source) {
    bool failed = false;
    const auto check = [&failed](int result) { failed = failed || result < 0; };
    if (source) {
        check(m_frontend.SetTone(false));
        check(m_frontend.SetVoltage(selection.horizontal));
        m_frontend.Pause(kDiseqcGap);
        check(m_frontend.SendMessage(cardkit::CommittedSwitchMessage(selection)));
        m_frontend.Pause(kDiseqcGap);
        check(m_frontend.SendBurst(selection.position == 2 || selection.position == 4));
        m_frontend.Pause(kDiseqcGap);
    } else {
        check(m_frontend.SetVoltage(selection.horizontal));
    }
    check(m_frontend.SetTone(selection.highBand));
    m_toneOn = selection.highBand;
    m_powered = true;
    // What did not go out is sent again on the next tune.
    if (failed) {
        m_lnb.reset();
    } else {
        m_lnb = selection;
        m_lnbSource = source;
    }
}

void DvbTunerDriver::SendChannelChange(std::span<const std::uint8_t> message) {
    // Commands go up at 18 V with the tone off; the router is then fed at 13 V.
    m_frontend.SetTone(false);
    m_frontend.SetVoltage(true);
    m_frontend.Pause(kDiseqcGap);
    m_frontend.SendMessage(message);
    m_frontend.Pause(kDiseqcGap);
    m_frontend.SetVoltage(false);
    m_toneOn = false;
    m_powered = true;
}

bool DvbTunerDriver::TryToLock(const TransponderKey& key, std::uint32_t frequencyKHz,
                               std::uint32_t symbolRate, std::size_t attempts) {
    const auto tries = m_tries.For(key);
    for (std::size_t i = 0; i < std::min(attempts, tries.size()); ++i) {
        const Modulation& modulation = tries[i];
        if (m_frontend.Tune({frequencyKHz, symbolRate, modulation.system, modulation.modulation}) < 0)
            continue;
        for (int poll = 0; poll < kLockPolls; ++poll) {
            if (m_frontend.Status() & FE_HAS_LOCK) {
                m_tries.Remember(key, modulation);
                return true;
            }
            m_frontend.Pause(kLockPoll);
        }
    }
    return false;
}

void DvbTunerDriver::LeaveOneShot() {
    if (!m_oneShot) return;
    m_frontend.SetOneShot(false);
    m_oneShot = false;
}

HRESULT DvbTunerDriver::SendDiseqc(std::span<const std::uint8_t> message) {
    // The kernel's master command holds 3 to 6 bytes.
    if (message.size() < 3 || message.size() > 6) return HRESULT_ERROR_NOT_SUPPORTED;
    std::lock_guard lock(m_mutex);
    if (!m_powered) {
        m_frontend.SetVoltage(false);  // the equipment on the cable needs power to listen
        m_powered = true;
    }
    if (m_toneOn) m_frontend.SetTone(false);
    m_frontend.Pause(kDiseqcGap);
    const int sent = m_frontend.SendMessage(message);
    m_frontend.Pause(kDiseqcGap);
    if (m_toneOn) m_frontend.SetTone(true);
    // The message may have moved a switch: the next tune sets it again.
    m_lnb.reset();
    return FromErrno(sent);
}

HRESULT DvbTunerDriver::MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) {
    const std::uint32_t frequencyKHz = frequencyHz / 1000;
    if (!InRange(frequencyKHz)) return HRESULT_ERROR_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    if (!m_oneShot) {
        // One-shot: the frontend neither zigzags around the step nor keeps retuning it.
        if (const int result = m_frontend.SetOneShot(true); result < 0) return FromErrno(result);
        m_oneShot = true;
    }
    const Modulation plain = m_tries.Plainest();
    const int tuned =
        m_frontend.Tune({frequencyKHz, m_stepSymbolRate, plain.system, plain.modulation});
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
    std::lock_guard lock(m_mutex);
    // Some drivers refresh their statistics only when the status is read.
    m_frontend.Status();
    std::optional<std::int32_t> level = LevelFromStrength(m_frontend.Strength());
    if (!level)
        if (const auto legacy = m_frontend.LegacyStrength()) level = LevelFromRelative(*legacy);
    return level ? 100000 - *level : 0;
}

std::int32_t DvbTunerDriver::SignalQuality() {
    std::lock_guard lock(m_mutex);
    if (!(m_frontend.Status() & FE_HAS_LOCK)) return 0;
    if (const auto quality = QualityFromCnr(m_frontend.Locked())) return *quality;
    if (const auto legacy = m_frontend.LegacySnr()) return QualityFromRelative(*legacy);
    return 0;
}

}  // namespace linuxdvb
