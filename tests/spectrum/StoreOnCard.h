// The spectrum store with tuner graphs on a simulated card at zero pace. Graphs are "silent" by
// default: their sweeps post nothing, and the test hands points and end marks to the store
// itself, so every case controls exactly what arrives.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "spectrum/SpectrumStore.h"
#include "tuner/TunerGraph.h"

class StoreOnCard : public ::testing::Test {
protected:
    StoreOnCard() : store(graphs, [this] { ++invalidations; }) {
        RegisterStandInClasses();
        card = card::InstallSimulatedCard(card::TestCardConfig());
    }
    ~StoreOnCard() override {
        for (auto& graph : graphs) graph.reset();
        ClearDevices();
        ClearComponentClasses();
    }

    // A built graph for tuner 1 or 2 whose reports go nowhere.
    void AddGraph(int tuner) {
        graphs[tuner - 1] = std::make_unique<TunerGraph>(tuner, 0);
        ASSERT_EQ(graphs[tuner - 1]->m_ready, 1);
    }

    void Point(std::int32_t frequency, std::int32_t level) {
        store.OnSpectrumPoint(std::make_unique<SpectrumPoint>(SpectrumPoint{frequency, level}));
    }
    void EndMark() { store.OnSpectrumPoint(nullptr); }

    // A whole sweep of `tunerIndex` that delivers `points`.
    void Sweep(int tunerIndex, const std::vector<SpectrumPoint>& points) {
        store.StartSpectrumTrace(tunerIndex);
        for (const SpectrumPoint& point : points) Point(point.frequency, point.level);
        EndMark();
    }

    // `count` points from 950 MHz in 2 MHz steps, at `level` plus 10 per step.
    static std::vector<SpectrumPoint> Steps(int count, std::int32_t level = 45000) {
        std::vector<SpectrumPoint> points;
        for (int i = 0; i < count; ++i) points.push_back({950 + 2 * i, level + 10 * i});
        return points;
    }

    const SpectrumTrace& Slot(int slot) const { return store.Traces()[slot]; }

    std::shared_ptr<card::SimulatedCard> card;
    TunerGraphSlots graphs;
    int invalidations = 0;
    SpectrumStore store;
};
