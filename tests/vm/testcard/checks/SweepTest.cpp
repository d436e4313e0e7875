// A sweep on the test card draws the daemon's sky: at each step the level the card's signal
// model gives for the LNB state the last tune set (co-polar carriers standing above the floor,
// the other polarisation's weakened), within a decibel or so, and the co-polar carriers' peaks
// where the sky has them.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "../../../tuner/worker_fixture.h"
#include "../../guest/NoteTime.h"
#include "TestCardTest.h"

namespace testcard {
namespace {

constexpr double kToleranceDb = 1.5;
// On a loaded machine without acceleration a few steps may be read before the card answered
// their tune (kUnreadLevel).
constexpr double kMatchingShare = 0.9;
constexpr double kPeakAboveFloorDb = 6.0;

using SweepTest = TestCardTest;

TEST_F(SweepTest, StepsFollowTheSkyAndPeakAtItsCarriers) {
    auto graph = MakeGraph(1);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    const SkyChannel channel = Channel(1, false);
    const std::size_t before = BusLog().size();
    ASSERT_EQ(RequestTune(*graph, channel.Parameters()), 0);
    ASSERT_TRUE(WaitForCardLock(1, before));
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t sleptBefore = m_kernel->SleptMicroseconds();
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    const worker_test::Sweep sweep = worker_test::ReadSweep(m_queue, 1);
    ASSERT_TRUE(sweep.ended);
    ASSERT_EQ(sweep.points.size(), static_cast<std::size_t>(worker_test::kSweepPoints));
    // A step costs its settle (the backend's sleep) plus the tune, which the card's daemon
    // answers from user space, and the level's read.
    const auto took = std::chrono::steady_clock::now() - start;
    const auto settled = std::chrono::microseconds(m_kernel->SleptMicroseconds() - sleptBefore);
    vm::NoteTime("601-step sweep, wall", took);
    vm::NoteTime("601-step sweep, per step", took / worker_test::kSweepPoints);
    vm::NoteTime("601-step sweep, settle asked per step", settled / worker_test::kSweepPoints);

    const card::SignalModel model(m_sky);
    const card::LnbState lnb{1, channel.transponder->polarisation, false};
    int matching = 0, unread = 0;
    for (const SpectrumPoint& point : sweep.points) {
        const double expected = model.LevelDb(lnb, point.frequency);
        if (point.level == kUnreadLevel)
            ++unread;
        else if (std::abs(point.level / 1000.0 - expected) <= kToleranceDb)
            ++matching;
        else
            std::cout << point.frequency << " MHz: " << point.level / 1000.0 << " dB, the sky has "
                      << expected << " dB\n";
    }
    EXPECT_GE(matching, kMatchingShare * (worker_test::kSweepPoints - unread));
    EXPECT_LE(unread, worker_test::kSweepPoints / 4);
    std::cout << "NOTE: sweep on the test card: " << matching << " of " << worker_test::kSweepPoints
              << " steps at the sky's level, " << unread << " without a level yet\n";

    int peaks = 0, missed = 0;
    for (const auto& carrier : model.CarriersIn(lnb, lnb.polarisation)) {
        const double centre = carrier.ifMHz;
        if (centre < 950 || centre > 2148) continue;
        if (model.LevelDb(lnb, centre) <
            card::SignalModel::NoiseFloorDb(centre) + kPeakAboveFloorDb)
            continue;
        const auto index = static_cast<std::size_t>(std::lround((centre - 950) / 2));
        const double seen = sweep.points[index].level / 1000.0;
        ++peaks;
        if (seen < card::SignalModel::NoiseFloorDb(centre) + kPeakAboveFloorDb) ++missed;
    }
    EXPECT_GT(peaks, 5);
    EXPECT_LE(missed, peaks / 10) << "carriers not seen: " << missed << " of " << peaks;
}

}  // namespace
}  // namespace testcard
