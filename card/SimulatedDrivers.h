// The simulated card as a driver behind the filter shells: one tuner driver and one CI driver
// per tuner, each passing what the shells have checked on to the card's shared state.
// Thread-safe, as the card is.
#pragma once

#include <memory>

#include "card/SimulatedCard.h"
#include "cardkit/CiDriver.h"
#include "cardkit/TunerDriver.h"

namespace card {

class SimulatedTuner : public cardkit::TunerDriver {
public:
    SimulatedTuner(std::shared_ptr<SimulatedCard> card, int tuner);

    HRESULT CommitTune(const cardkit::TuningSettings& settings) override;
    HRESULT SendDiseqc(std::span<const std::uint8_t> message) override;
    HRESULT MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) override;
    HRESULT SetScif(const ScifConfig& config) override;
    HRESULT GetScif(ScifConfig* config) override;
    std::int32_t SignalStrength() override;
    std::int32_t SignalQuality() override;
    ::DvbsSystem LockedSystem() override;

private:
    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
};

class SimulatedCi : public cardkit::CiDriver {
public:
    SimulatedCi(std::shared_ptr<SimulatedCard> card, int tuner);

    HRESULT CamName(std::string* name) override;
    HRESULT SetCiMode(std::uint32_t mode) override;
    HRESULT Reset() override;
    HRESULT MmiOpen() override;
    HRESULT MmiClose() override;
    HRESULT MmiGet(std::span<std::uint8_t, 2068> object) override;
    HRESULT MmiAnswerMenu(std::uint32_t objectId, std::uint32_t choice) override;
    HRESULT MmiAnswerEnquiry(std::uint32_t objectId, std::span<const std::uint8_t> answer) override;

private:
    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
};

}  // namespace card
