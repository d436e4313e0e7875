#include "SimulatedCardFixture.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"

SimulatedCardBackend::SimulatedCardBackend() {
    ClearDevices();
    ClearComponentClasses();
    RegisterStandInClasses();
    m_card = card::InstallSimulatedCard(card::TestCardConfig());
}

SimulatedCardBackend::~SimulatedCardBackend() {
    ClearDevices();
    ClearComponentClasses();
}

std::unique_ptr<TunerGraph> SimulatedCardBackend::MakeReadyGraph(std::int32_t tuner) {
    auto graph = std::make_unique<TunerGraph>(tuner, 0);
    EXPECT_TRUE(graph->m_ready) << "tuner " << tuner;
    return graph;
}

std::unique_ptr<CardBackend> MakeCardBackend() {
    return std::make_unique<SimulatedCardBackend>();
}
