// Single cable: with a user band configured, a tune asks the router for the transponder with
// the EN 50494 channel change and tunes where the tuning word puts it, which is a frequency
// vidtv carries while the transponder's own IF is not.
#include <gtest/gtest.h>

#include <vector>

#include "VidtvCardTest.h"

namespace vm {
namespace {

using SingleCableTest = VidtvCardTest;

TEST_F(SingleCableTest, ChannelChangeIsSentAndTheTuningWordsFrequencyLocks) {
    const SingleCablePlan plan = PlanSingleCable(m_frequencies);
    auto graph = MakeGraph(1);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    ASSERT_EQ(
        graph->SetScif(static_cast<std::uint8_t>(plan.userBand), plan.userBandMHz, 0xFFFFFFFF),
        S_OK);

    const std::size_t before = m_kernel->Diseqc().size();
    ASSERT_NO_FATAL_FAILURE(Tune(*graph, VidtvChannel(plan.wanted), plan.tuneMHz * 1000));
    // Bank: position A, horizontal, the wanted transponder's band.
    const auto bank = static_cast<std::uint8_t>(0x08 | (plan.wanted.highBand ? 0x04 : 0x00));
    const std::vector<std::uint8_t> channelChange{
        0xE0, 0x10, 0x5A,
        static_cast<std::uint8_t>(plan.userBand << 5 | bank | plan.tuningWord >> 8),
        static_cast<std::uint8_t>(plan.tuningWord & 0xFF)};
    const std::vector<SentDiseqc> sent = m_kernel->Diseqc();
    ASSERT_GT(sent.size(), before);
    bool found = false;
    for (std::size_t i = before; i < sent.size(); ++i)
        found = found || (sent[i].message == channelChange && sent[i].result == 0);
    EXPECT_TRUE(found) << "T = " << plan.tuningWord << " for " << plan.wanted.kuMHz << " MHz on "
                       << plan.userBandMHz << " MHz";
    EXPECT_TRUE(WaitForLock());
}

}  // namespace
}  // namespace vm
