// Tuning through the worker: every frequency vidtv carries locks, with the quality the worker
// reports; 20 MHz beside it nothing locks; the levels are vidtv's strength on the program's
// scale, through the backend's conversion.
#include <gtest/gtest.h>

#include "VidtvCardTest.h"
#include "linuxdvb/SignalScale.h"

namespace vm {
namespace {

// vidtv varies its strength by up to 2 % of its C/N (at most 34 dB) from read to read.
constexpr std::int64_t kStrengthJitter = 1000;

using TuningTest = VidtvCardTest;

TEST_F(TuningTest, EveryCarriedFrequencyLocksAtItsIntermediateFrequency) {
    auto graph = MakeGraph(1);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    for (const Transponder& transponder : m_frequencies) {
        SCOPED_TRACE(testing::Message() << transponder.kuMHz << " MHz");
        ASSERT_NO_FATAL_FAILURE(Tune(*graph, VidtvChannel(transponder), transponder.ifMHz * 1000));
        const std::optional<SignalStatus> locked = WaitForLock();
        ASSERT_TRUE(locked) << "no report with a quality above 0";
        EXPECT_LE(locked->quality, 100);
    }
}

TEST_F(TuningTest, TwentyMegahertzBesideNothingLocks) {
    auto graph = MakeGraph(1);
    for (const Transponder& transponder : m_frequencies) {
        SCOPED_TRACE(testing::Message() << transponder.kuMHz << " MHz + 20 MHz");
        const Transponder beside = TransponderAt(transponder.kuMHz + 20);
        ASSERT_NO_FATAL_FAILURE(Tune(*graph, VidtvChannel(beside), beside.ifMHz * 1000));
        const std::vector<SignalStatus> reports = NextReports(kReportsWithoutLock);
        ASSERT_EQ(reports.size(), static_cast<std::size_t>(kReportsWithoutLock));
        for (const SignalStatus& report : reports) EXPECT_EQ(report.quality, 0);
    }
}

TEST_F(TuningTest, LevelsAreVidtvsStrengthOnTheProgramsScale) {
    auto graph = MakeGraph(1);
    const Transponder& carried = m_frequencies.front();
    const Transponder beside = TransponderAt(carried.kuMHz + 20);
    for (const Transponder* transponder : {&beside, &carried}) {
        SCOPED_TRACE(testing::Message() << transponder->kuMHz << " MHz");
        ASSERT_NO_FATAL_FAILURE(
            Tune(*graph, VidtvChannel(*transponder), transponder->ifMHz * 1000));
        if (transponder == &carried) {
            ASSERT_TRUE(WaitForLock());
        }
        const std::vector<SignalStatus> reports = NextReports(1);
        ASSERT_EQ(reports.size(), 1u);
        const std::optional<std::int64_t> strength = VidtvStrength();
        ASSERT_TRUE(strength);
        const std::optional<std::int32_t> level =
            linuxdvb::LevelFromStrength({FE_SCALE_DECIBEL, *strength});
        ASSERT_TRUE(level);
        EXPECT_NEAR(reports.front().level, *level, kStrengthJitter)
            << "vidtv's strength " << *strength << " (0.001 dBm)";
    }
}

}  // namespace
}  // namespace vm
