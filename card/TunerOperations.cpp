// What the simulated tuners do with the requests their shells have checked: raw DiSEqC
// messages on the bus, spectrum steps and the stored single-cable configuration.
#include <thread>

#include "card/SimulatedCard.h"

namespace card {
namespace {

// The settle value at which a spectrum step takes the configured step time.
constexpr std::uint32_t kSettleUnit = 50;

}  // namespace

HRESULT SimulatedCard::SendDiseqc(int tuner, std::span<const std::uint8_t> message) {
    std::lock_guard lock(m_mutex);
    if (m_gone) return HRESULT_ERROR_DEVICE_NOT_CONNECTED;
    Tuner& t = At(tuner);
    if (const auto next = ApplyCommittedSwitch(message, t.lnb); next && !t.scif.Enabled()) {
        // The switch and LNB follow at once; the front end stays where it is.
        t.lnb = *next;
        t.receivedLnb = *next;
        t.locked = Received(t);
        ++t.generation;
    }
    Log(tuner, {message.begin(), message.end()});
    return S_OK;
}

HRESULT SimulatedCard::MeasureSpectrumStep(int tuner, std::uint32_t frequencyHz,
                                           std::uint32_t settle) {
    {
        std::lock_guard lock(m_mutex);
        if (GoneAt(UnplugPoint::Request::SpectrumStep)) return HRESULT_ERROR_DEVICE_NOT_CONNECTED;
        Tuner& t = At(tuner);
        t.probing = true;
        t.probeIfMHz = frequencyHz / 1e6;
        ++t.generation;
    }
    // The front end needs its time to settle; other requests go on meanwhile.
    std::this_thread::sleep_for(m_config.spectrumStepTime * settle / kSettleUnit);
    return S_OK;
}

void SimulatedCard::SetScif(int tuner, const ScifConfig& config) {
    std::lock_guard lock(m_mutex);
    At(tuner).scif = config;
}

ScifConfig SimulatedCard::Scif(int tuner) const {
    std::lock_guard lock(m_mutex);
    return At(tuner).scif;
}

}  // namespace card
