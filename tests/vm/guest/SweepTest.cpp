// The spectrum sweep over vidtv: 601 points, and a peak standing well above the rest at the IF
// of each carried frequency, and nowhere else.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>

#include "../../tuner/worker_fixture.h"
#include "VidtvCardTest.h"

namespace vm {
namespace {

// vidtv's level at a carrier exceeds its floor by the carrier's C/N, 10 dB or more.
constexpr std::int32_t kPeakAboveMedian = 5000;
// A step whose strength the kernel did not give (or gave as nonsense above the top of the
// scale) comes out at the top of the picture. vidtv makes up its strength while unlocked, so a
// rare step between carriers reads so; it is no carrier, and only a few may do it.
constexpr std::int32_t kUnreadLevel = 100000;
constexpr int kUnreadAllowed = 2;

using SweepTest = VidtvCardTest;

TEST_F(SweepTest, PeaksStandAtTheCarriedIntermediateFrequenciesOnly) {
    auto graph = MakeGraph(1);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t sleptBefore = m_kernel->SleptMicroseconds();
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    const worker_test::Sweep sweep = worker_test::ReadSweep(m_queue, 1);
    ASSERT_TRUE(sweep.ended);
    ASSERT_EQ(sweep.points.size(), static_cast<std::size_t>(kSweepPoints));
    // A step costs its settle (the backend's sleep) plus the tune and the level's read.
    const auto took = std::chrono::steady_clock::now() - start;
    const auto settled = std::chrono::microseconds(m_kernel->SleptMicroseconds() - sleptBefore);
    NoteTime("601-step sweep, wall", took);
    NoteTime("601-step sweep, per step", took / kSweepPoints);
    NoteTime("601-step sweep, settle asked per step", settled / kSweepPoints);

    std::vector<std::int32_t> levels;
    for (const SpectrumPoint& point : sweep.points) levels.push_back(point.level);
    std::nth_element(levels.begin(), levels.begin() + kSweepPoints / 2, levels.end());
    const std::int32_t median = levels[kSweepPoints / 2];

    std::set<int> expected;
    for (const Transponder& transponder : m_frequencies) expected.insert(transponder.SweepPoint());
    std::set<int> peaks;
    int unread = 0;
    for (int i = 0; i < kSweepPoints; ++i) {
        EXPECT_EQ(sweep.points[i].frequency,
                  static_cast<std::int32_t>(kSweepFirstMHz + kSweepStepMHz * i));
        if (sweep.points[i].level == kUnreadLevel && !expected.contains(i))
            ++unread;
        else if (sweep.points[i].level > median + kPeakAboveMedian)
            peaks.insert(i);
    }
    EXPECT_EQ(peaks, expected) << "median level " << median;
    EXPECT_LE(unread, kUnreadAllowed) << "steps read at the top of the scale";
}

}  // namespace
}  // namespace vm
