#include "card/SimulatedDrivers.h"

namespace card {

SimulatedTuner::SimulatedTuner(std::shared_ptr<SimulatedCard> card, int tuner)
    : m_card(std::move(card)), m_tuner(tuner) {}

HRESULT SimulatedTuner::CommitTune(const cardkit::TuningSettings& settings) {
    return m_card->CommitTune(m_tuner, settings);
}

HRESULT SimulatedTuner::SendDiseqc(std::span<const std::uint8_t> message) {
    return m_card->SendDiseqc(m_tuner, message);
}

HRESULT SimulatedTuner::MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) {
    return m_card->MeasureSpectrumStep(m_tuner, frequencyHz, settle);
}

HRESULT SimulatedTuner::SetScif(const ScifConfig& config) {
    m_card->SetScif(m_tuner, config);
    return S_OK;
}

HRESULT SimulatedTuner::GetScif(ScifConfig* config) {
    *config = m_card->Scif(m_tuner);
    return S_OK;
}

std::int32_t SimulatedTuner::SignalStrength() {
    return m_card->SignalStrength(m_tuner);
}

std::int32_t SimulatedTuner::SignalQuality() {
    return m_card->SignalQuality(m_tuner);
}

::DvbsSystem SimulatedTuner::LockedSystem() {
    return m_card->LockedSystem(m_tuner);
}

SimulatedCi::SimulatedCi(std::shared_ptr<SimulatedCard> card, int tuner)
    : m_card(std::move(card)), m_tuner(tuner) {}

HRESULT SimulatedCi::CamName(std::string* name) {
    return m_card->WithCam([&](Cam& cam) {
        if (!cam.Present()) return HRESULT_ERROR_NOT_READY;
        *name = cam.Name();
        return S_OK;
    });
}

HRESULT SimulatedCi::SetCiMode(std::uint32_t mode) {
    m_card->SetCiMode(m_tuner, mode);
    return S_OK;
}

HRESULT SimulatedCi::Reset() {
    return m_card->WithCam([](Cam& cam) { return cam.Reset(); });
}

HRESULT SimulatedCi::MmiOpen() {
    return m_card->WithCam([](Cam& cam) { return cam.Open(); });
}

HRESULT SimulatedCi::MmiClose() {
    return m_card->WithCam([](Cam& cam) { return cam.Close(); });
}

HRESULT SimulatedCi::MmiGet(std::span<std::uint8_t, 2068> object) {
    return m_card->WithCam([&](Cam& cam) { return cam.Get(object); });
}

HRESULT SimulatedCi::MmiAnswerMenu(std::uint32_t objectId, std::uint32_t choice) {
    return m_card->WithCam([&](Cam& cam) { return cam.AnswerMenu(objectId, choice); });
}

HRESULT SimulatedCi::MmiAnswerEnquiry(std::uint32_t objectId,
                                      std::span<const std::uint8_t> answer) {
    return m_card->WithCam([&](Cam& cam) { return cam.AnswerEnquiry(objectId, answer); });
}

}  // namespace card
