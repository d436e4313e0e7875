#include "linuxdvb/DvbTunerDriver.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "cardkit/SingleCable.h"
#include "linuxdvb/ErrnoResult.h"
#include "linuxdvb/LockWait.h"
#include "linuxdvb/SignalScale.h"

namespace linuxdvb {
namespace {

constexpr std::size_t kEverySystem = 3;
// Single-cable repeats: how many, and the random wait before each (see the header).
constexpr int kCableRepeats = 3;
constexpr int kRepeatMinMs = 100;
constexpr int kRepeatMaxMs = 300;

// Valid input stream ids and physical-layer gold codes.
constexpr std::int32_t kMaxStreamId = 255;
constexpr std::int32_t kMaxPlsCode = 262143;

bool AsksForStream(const cardkit::TuningSettings& settings) {
    return settings.inputStreamId != kInputStreamNotSet || settings.plsCode != kPlsCodeNotSet;
}

bool StreamInRange(const cardkit::TuningSettings& settings) {
    const auto within = [](std::int32_t value, std::int32_t notSet, std::int32_t max) {
        return value == notSet || (value >= 0 && value <= max);
    };
    return within(settings.inputStreamId, kInputStreamNotSet, kMaxStreamId) &&
           within(settings.plsCode, kPlsCodeNotSet, kMaxPlsCode);
}

fe_delivery_system NamedSystem(const cardkit::TuningSettings& settings) {
    if (AsksForStream(settings)) return SYS_DVBS2;
    switch (settings.system) {
        case DVBS_SYSTEM_DVBS:
            return SYS_DVBS;
        case DVBS_SYSTEM_DVBS2:
            return SYS_DVBS2;
        default:
            return SYS_UNDEFINED;
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
      m_multistream(frontend.multistream),
      m_bus(m_frontend, [this](const std::string& text) { Say(text); }),
      m_steps(m_frontend, frontend.minSymbolRate, frontend.maxSymbolRate, settleScale),
      m_tries(frontend.dvbs, frontend.dvbs2),
      m_random(std::random_device{}()),
      m_path(frontend.frontendPath) {}

void DvbTunerDriver::SetNoticeObserver(NoticeObserver observer) {
    std::lock_guard lock(m_noticeMutex);
    m_noticeObserver = std::move(observer);
}

void DvbTunerDriver::Say(const std::string& text) {
    const NoticeObserver observer = [this] {
        std::lock_guard lock(m_noticeMutex);
        return m_noticeObserver;
    }();
    if (observer)
        observer(text);
    else
        std::fprintf(stderr, "%s: %s\n", m_path.c_str(), text.c_str());
}

bool DvbTunerDriver::InRange(std::int64_t frequencyKHz) const {
    return frequencyKHz >= m_minKHz && frequencyKHz <= m_maxKHz;
}

bool DvbTunerDriver::SymbolRateInRange(std::uint64_t symbolRate) const {
    // The frontend takes symbols/s in 32 bits.
    return symbolRate <= UINT32_MAX && symbolRate >= m_minSymbolRate &&
           (m_maxSymbolRate == 0 || symbolRate <= m_maxSymbolRate);
}

HRESULT DvbTunerDriver::CommitTune(const cardkit::TuningSettings& settings) {
    const HRESULT result = Tune(settings);
    // What was asked for before stays asked for until a tune went to the frontend.
    if (SUCCEEDED(result) && m_tuneObserver) m_tuneObserver(settings);
    return result;
}

HRESULT DvbTunerDriver::Tune(const cardkit::TuningSettings& settings) {
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
    if (!SymbolRateInRange(symbolRate) || !StreamInRange(settings))
        return HRESULT_ERROR_INVALID_PARAMETER;

    std::lock_guard lock(m_mutex);
    if (AsksForStream(settings) && !m_multistream) {
        Say("the frontend cannot pick an input stream (no FE_CAN_MULTISTREAM); the tune to " +
            std::to_string(settings.FrequencyKHz() / 1000) + " MHz is refused");
        return Conclude({.error = -EOPNOTSUPP});
    }
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

    m_steps.Leave();
    // Whatever the frontend locked to before is not this transponder.
    m_tuned = false;
    const Transponder transponder{
        {static_cast<std::uint32_t>(source), selection.horizontal,
         static_cast<std::uint64_t>(rfKHz)},
        static_cast<std::uint32_t>(tuneKHz),
        static_cast<std::uint32_t>(symbolRate),
        NamedSystem(settings),
        settings.inputStreamId == kInputStreamNotSet
            ? std::uint32_t{NO_STREAM_ID_FILTER}
            : static_cast<std::uint32_t>(settings.inputStreamId),
        settings.plsCode == kPlsCodeNotSet
            ? std::nullopt
            : std::optional<std::uint32_t>(static_cast<std::uint32_t>(settings.plsCode))};
    if (change) {
        m_lnb.reset();  // the router, not the switch, decides what reaches the tuner
        return Conclude(TuneThroughRouter(transponder, change->message));
    }
    const bool set = m_lnb && *m_lnb == selection && m_lnbSource == source;
    m_lnb.reset();
    // A switch left where it was would show the old satellite's transponder as this one.
    if (const int switched = set ? 0 : m_bus.Switch(selection, source); switched < 0)
        return Conclude({.error = switched});
    const Outcome outcome = TryToLock(transponder, kEverySystem);
    // A switch that missed its message is only found out by the missing lock: until a tune
    // through it locked, the next tune sets it again.
    if (outcome.locked) {
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

DvbTunerDriver::Outcome DvbTunerDriver::TuneThroughRouter(const Transponder& transponder,
                                                          std::span<const std::uint8_t> command) {
    std::uniform_int_distribution<int> wait(kRepeatMinMs, kRepeatMaxMs);
    Outcome outcome;
    for (int send = 0; send <= kCableRepeats; ++send) {
        if (send > 0) m_frontend.Pause(std::chrono::milliseconds(wait(m_random)));
        // A router that did not hear the command delivers what it still has on the user band.
        if (const int sent = m_bus.SendAt18Volts(command); sent < 0) return {.error = sent};
        const bool everySystem = send == 0 || send == kCableRepeats;
        outcome = TryToLock(transponder, everySystem ? kEverySystem : 1);
        if (outcome.locked || !outcome.accepted) break;
    }
    return outcome;
}

DvbTunerDriver::Outcome DvbTunerDriver::TryToLock(const Transponder& transponder,
                                                  std::size_t attempts) {
    Outcome outcome;
    const auto tries = m_tries.For(transponder.key, transponder.named);
    std::optional<Modulation> first;
    std::optional<Modulation> last;
    for (std::size_t i = 0; i < std::min(attempts, tries.size()); ++i) {
        const Modulation& modulation = tries[i];
        const int tuned = m_frontend.Tune(TuneOf(transponder, modulation));
        if (tuned < 0) {
            outcome.error = tuned;
            continue;
        }
        outcome.accepted = true;
        if (!first) first = modulation;
        last = modulation;
        const bool afterPowerUp = m_bus.TakeFreshlyPowered();
        if (WaitForLock(m_frontend, LockWaitCap(transponder.symbolRate, afterPowerUp))) {
            m_tries.Remember(transponder.key, modulation);
            outcome.locked = true;
            return outcome;
        }
    }
    // Nothing locked in time: back to the likeliest system, where a slow lock may still come.
    if (first && !(*first == *last)) m_frontend.Tune(TuneOf(transponder, *first));
    return outcome;
}

FrontendTune DvbTunerDriver::TuneOf(const Transponder& transponder,
                                    const Modulation& modulation) const {
    return {transponder.frequencyKHz, transponder.symbolRate, modulation.system,
            modulation.modulation,    m_multistream,          transponder.streamId,
            transponder.plsCode};
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
    return FromErrno(singleCable ? m_bus.SendAt18Volts(message) : m_bus.Send(message));
}

HRESULT DvbTunerDriver::MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) {
    const std::uint32_t frequencyKHz = frequencyHz / 1000;
    if (!InRange(frequencyKHz)) return HRESULT_ERROR_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    m_bus.PowerUp();
    if (const int result = m_steps.Enter(); result < 0) return FromErrno(result);
    m_tuned = false;  // a step is no transponder to show the quality of
    return FromErrno(m_steps.Step(frequencyKHz, settle, m_tries.Plainest()));
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
    m_steps.NoteRead(m_frontend.Now() - before);
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

::DvbsSystem DvbTunerDriver::LockedSystem() {
    if (!m_tuned || !(m_frontend.Status() & FE_HAS_LOCK)) return DVBS_SYSTEM_NOT_SET;
    switch (m_frontend.Locked().system) {
        case SYS_DVBS:
            return DVBS_SYSTEM_DVBS;
        case SYS_DVBS2:
            return DVBS_SYSTEM_DVBS2;
        default:
            return DVBS_SYSTEM_NOT_SET;
    }
}

void DvbTunerDriver::StreamingChanged(bool running) {
    if (m_streamingObserver) m_streamingObserver(running);
}

}  // namespace linuxdvb
