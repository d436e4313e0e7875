// A simulated card installed for one test, with the stand-in platform classes, and tuner graphs
// built on it as the application builds them.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "tuner/TunerGraph.h"

class SimulatedCardFixture : public testing::Test {
protected:
    SimulatedCardFixture() {
        ClearDevices();
        ClearComponentClasses();
        RegisterStandInClasses();
        m_card = card::InstallSimulatedCard(card::TestCardConfig());
    }
    ~SimulatedCardFixture() override {
        ClearDevices();
        ClearComponentClasses();
    }

    static std::unique_ptr<TunerGraph> MakeReadyGraph(std::int32_t tuner) {
        auto graph = std::make_unique<TunerGraph>(tuner, 0);
        EXPECT_TRUE(graph->m_ready) << "tuner " << tuner;
        return graph;
    }

    std::shared_ptr<card::SimulatedCard> m_card;
};
