#include "card/SimulatedCard.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "card/InputStream.h"
#include "cardkit/CardIds.h"

namespace card {

using cardkit::kCiModeMtd;
using cardkit::kCiModeSingleTransponder;
using cardkit::MakeChannelChange;

namespace {

// Spread of the level readings, dB: a tuned front end averages, a spectrum step does not.
constexpr double kTunedNoiseDb = 0.15;
constexpr double kSpectrumNoiseDb = 0.4;
constexpr double kQualityNoisePercent = 0.7;

std::uint32_t SeedOf(const CardConfig& config) {
    return config.noiseSeed ? *config.noiseSeed : std::random_device{}();
}

std::int32_t StrengthOf(double levelDb) {
    return 100000 - static_cast<std::int32_t>(std::lround(levelDb * 1000.0));
}

}  // namespace

SimulatedCard::SimulatedCard(CardConfig config)
    : m_config(std::move(config)),
      m_model(m_config.sky),
      m_cam(m_config.camPresent, m_config.camName),
      m_random(SeedOf(m_config)) {}

std::uint32_t SimulatedCard::ControlNodeId(int tuner) const {
    return m_config.tuners[static_cast<std::size_t>(tuner - 1)].ControlNodeId();
}

HRESULT SimulatedCard::CommitTune(int tuner, const cardkit::TuningSettings& s) {
    std::lock_guard lock(m_mutex);
    if (GoneAt(UnplugPoint::Request::Tune)) return HRESULT_ERROR_DEVICE_NOT_CONNECTED;
    Tuner& t = At(tuner);
    const double frequencyKHz = static_cast<double>(s.frequency) * s.multiplier / 1000.0;
    const bool highBand = frequencyKHz >= s.switchKHz;
    const double ifMHz =
        (frequencyKHz - (highBand ? s.highOscillatorKHz : s.lowOscillatorKHz)) / 1000.0;
    // The front end cannot go outside the IF band; such a tune changes nothing.
    if (!t.scif.Enabled() && (ifMHz < kIfFirstMHz || ifMHz > kIfLastMHz))
        return HRESULT_ERROR_INVALID_PARAMETER;

    LnbState lnb = t.lnb;
    lnb.highBand = highBand;
    if (s.polarity == BDA_POLARISATION_LINEAR_H || s.polarity == BDA_POLARISATION_CIRCULAR_L)
        lnb.polarisation = LinearPolarisation::Horizontal;
    else if (s.polarity == BDA_POLARISATION_LINEAR_V || s.polarity == BDA_POLARISATION_CIRCULAR_R)
        lnb.polarisation = LinearPolarisation::Vertical;
    const bool switchPosition = s.diseqcEnabled && s.lnbSource >= 1 && s.lnbSource <= 4;
    if (switchPosition) lnb.position = static_cast<int>(s.lnbSource);

    std::optional<cardkit::ChannelChange> change;
    if (t.scif.Enabled()) {
        change = MakeChannelChange(t.scif, BankOf(lnb, t.scif), ifMHz);
        // A tuning word that does not fit would send the router elsewhere.
        if (!change->fits) return HRESULT_ERROR_INVALID_PARAMETER;
    }

    t.settings = s;
    t.lnb = lnb;
    if (change) {
        // The router replaces the switch: it picks the bank and puts the transponder on the
        // tuner's user band, within its tuning steps. A router with a PIN ignores a command
        // without it, and the band keeps what it carried.
        Log(tuner, std::move(change->message));
        if (RouterHears(t.scif)) {
            t.receivedLnb = RouterBank(lnb, t.scif);
            t.receivedIfMHz = change->routedIfMHz;
        }
        t.tunedIfMHz = t.scif.frequencyMHz;
    } else {
        if (switchPosition) Log(tuner, CommittedSwitchMessage(lnb));
        t.receivedLnb = lnb;
        t.receivedIfMHz = ifMHz;
        t.tunedIfMHz = ifMHz;
    }
    t.locked = Received(t);
    t.probing = false;
    ++t.generation;
    return S_OK;
}

bool SimulatedCard::RouterHears(const ScifConfig& scif) const {
    return !m_config.routerPin || (scif.HasPin() && scif.pin == *m_config.routerPin);
}

const Transponder* SimulatedCard::Received(const Tuner& t) const {
    const Transponder* carrier =
        m_model.Lock(t.receivedLnb, t.receivedIfMHz, t.settings.symbolRate);
    return carrier ? ReceivedStream(*carrier, t.settings) : nullptr;
}

std::int32_t SimulatedCard::SignalStrength(int tuner) {
    std::lock_guard lock(m_mutex);
    if (m_gone) return 0;  // no statistics read
    const Tuner& t = At(tuner);
    if (t.probing)
        return StrengthOf(m_model.LevelDb(t.lnb, t.probeIfMHz) + Noise(kSpectrumNoiseDb));
    if (t.tunedIfMHz == 0)
        return StrengthOf(m_model.NoiseFloorDb(kIfFirstMHz) + Noise(kTunedNoiseDb));
    return StrengthOf(m_model.LevelDb(t.receivedLnb, t.receivedIfMHz) + Noise(kTunedNoiseDb));
}

std::int32_t SimulatedCard::SignalQuality(int tuner) {
    std::lock_guard lock(m_mutex);
    const Tuner& t = At(tuner);
    if (m_gone || !t.locked || t.probing) return 0;
    const double quality = m_model.QualityPercent(t.receivedLnb, *t.locked);
    return static_cast<std::int32_t>(
        std::lround(std::clamp(quality + Noise(kQualityNoisePercent), 1.0, 100.0)));
}

::DvbsSystem SimulatedCard::LockedSystem(int tuner) const {
    std::lock_guard lock(m_mutex);
    const Tuner& t = At(tuner);
    if (!t.locked || t.probing) return DVBS_SYSTEM_NOT_SET;
    return t.locked->modulation == Modulation::DvbsQpsk ? DVBS_SYSTEM_DVBS : DVBS_SYSTEM_DVBS2;
}

SimulatedCard::Reception SimulatedCard::CurrentReception(int tuner) const {
    std::lock_guard lock(m_mutex);
    const Tuner& t = At(tuner);
    return {t.probing || m_gone ? nullptr : t.locked, t.generation};
}

bool SimulatedCard::Descrambles(int tuner) const {
    std::lock_guard lock(m_mutex);
    if (!m_cam.Present()) return false;
    switch (At(tuner).ciMode) {
        case kCiModeMtd:
            return true;
        case kCiModeSingleTransponder:
            return m_singleTransponderTuner == tuner;
        default:
            return false;
    }
}

void SimulatedCard::AddOverruns(int tuner, std::uint64_t packets) {
    m_overruns[static_cast<std::size_t>(tuner - 1)] += packets;
}

std::uint64_t SimulatedCard::Overruns(int tuner) const {
    return m_overruns[static_cast<std::size_t>(tuner - 1)].load();
}

std::vector<BusMessage> SimulatedCard::BusLog() const {
    std::lock_guard lock(m_mutex);
    return m_busLog;
}

TunerStatus SimulatedCard::Status(int tuner) const {
    std::lock_guard lock(m_mutex);
    const Tuner& t = At(tuner);
    return {t.lnb, t.tunedIfMHz, t.probing ? nullptr : t.locked, t.scif, t.ciMode};
}

void SimulatedCard::SetCiMode(int tuner, std::uint32_t mode) {
    std::lock_guard lock(m_mutex);
    At(tuner).ciMode = mode;
    // In single-transponder mode the CAM serves the tuner that asked for it last.
    if (mode == kCiModeSingleTransponder)
        m_singleTransponderTuner = tuner;
    else if (m_singleTransponderTuner == tuner)
        m_singleTransponderTuner = 0;
}

HRESULT SimulatedCard::WithCam(const std::function<HRESULT(Cam& cam)>& use) {
    std::lock_guard lock(m_mutex);
    return use(m_cam);
}

std::uint32_t SimulatedCard::CamRestarts() const {
    std::lock_guard lock(m_mutex);
    return m_cam.Restarts();
}

void SimulatedCard::Unplug() {
    std::lock_guard lock(m_mutex);
    m_gone = true;
}

void SimulatedCard::WithholdPid(std::uint16_t tsid, std::uint16_t pid) {
    std::lock_guard lock(m_mutex);
    m_withheld.emplace_back(tsid, pid);
}

std::vector<std::uint16_t> SimulatedCard::WithheldPids(std::uint16_t tsid) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint16_t> pids;
    for (const auto& [withheldTsid, pid] : m_withheld)
        if (withheldTsid == tsid) pids.push_back(pid);
    return pids;
}

bool SimulatedCard::GoneAt(UnplugPoint::Request request) {
    if (!m_gone && m_config.unplug && m_config.unplug->request == request)
        m_gone = ++m_requestsToUnplug >= m_config.unplug->count;
    return m_gone;
}

void SimulatedCard::Log(int tuner, std::vector<std::uint8_t> bytes) {
    m_busLog.push_back({tuner, std::move(bytes)});
}

double SimulatedCard::Noise(double sigmaDb) {
    return std::normal_distribution<double>(0.0, sigmaDb)(m_random);
}

}  // namespace card
