// A simulated card installed for one test, with the stand-in platform classes, and tuner graphs
// built on it as the application builds them.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "CardBackend.h"
#include "card/InstallSimulatedCard.h"

// The simulated card's devices and the stand-in classes, registered while it lives.
class SimulatedCardBackend final : public CardBackend {
public:
    SimulatedCardBackend();
    ~SimulatedCardBackend() override;

    std::unique_ptr<TunerGraph> MakeReadyGraph(std::int32_t tuner) override;
    card::SimulatedCard& Card() { return *m_card; }

private:
    std::shared_ptr<card::SimulatedCard> m_card;
};

class SimulatedCardFixture : public testing::Test {
protected:
    std::unique_ptr<TunerGraph> MakeReadyGraph(std::int32_t tuner) {
        return m_backend.MakeReadyGraph(tuner);
    }

    SimulatedCardBackend m_backend;
    card::SimulatedCard* m_card = &m_backend.Card();
};
