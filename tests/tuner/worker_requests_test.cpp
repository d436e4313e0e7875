// The command slot's refusals, and what a worker posts while nobody has asked for its reports.
#include <gtest/gtest.h>

#include "worker_fixture.h"

namespace worker_test {
namespace {

using WorkerRequestTest = CardTest;

TEST_F(WorkerRequestTest, GraphThatIsNotReadyRefusesEveryRequestAndPostsNothing) {
    card::CardConfig noTuners = card::TestCardConfig();
    noTuners.tunerCategory.clear();
    InstallCard(noTuners);
    auto graph = MakeGraph(1);
    ASSERT_EQ(graph->m_ready, 0);

    const std::uint8_t message[] = {0xE0, 0x10, 0x38, 0xF0};
    EXPECT_EQ(graph->RequestTune(HelionChannel()), 1);
    EXPECT_EQ(graph->RequestDiseqc(4, message), 1);
    EXPECT_EQ(graph->RequestSpectrumSweep(), 1);
    EXPECT_EQ(graph->m_command, kCommandNone);

    graph.reset();  // joins the worker: whatever it would have posted is queued by now
    EXPECT_FALSE(m_queue.TryTake());
}

TEST_F(WorkerRequestTest, DiseqcMessagesOutsideOneToEightBytesAreRefused) {
    auto graph = MakeGraph(1);
    const std::uint8_t nine[9] = {0xE0, 0x10, 0x38, 0xF0};
    EXPECT_EQ(graph->RequestDiseqc(0, nine), 1);
    EXPECT_EQ(graph->RequestDiseqc(-1, nine), 1);
    EXPECT_EQ(graph->RequestDiseqc(9, nine), 1);
    EXPECT_EQ(graph->RequestDiseqc(4, nullptr), 1);
    EXPECT_EQ(graph->RequestDiseqc(8, nine), 0);
}

TEST_F(WorkerRequestTest, StoppingGraphRefusesEveryRequest) {
    auto graph = MakeGraph(1);
    {
        // What teardown does first; the worker ends on it.
        std::lock_guard lock(*graph->m_lock);
        graph->m_command = kCommandStop;
        graph->m_wakeEvent->Set();
    }
    const std::uint8_t message[] = {0xE0, 0x10, 0x38, 0xF0};
    EXPECT_EQ(graph->RequestTune(HelionChannel()), 1);
    EXPECT_EQ(graph->RequestDiseqc(4, message), 1);
    EXPECT_EQ(graph->RequestSpectrumSweep(), 1);
    EXPECT_EQ(graph->m_command, kCommandStop);
}

TEST_F(WorkerRequestTest, WithoutNotifyThreadOnlyTheEndMarkIsPostedAndTunesStillHappen) {
    // Whatever is posted to "nobody" lands here.
    std::mutex mutex;
    std::vector<std::pair<std::uint32_t, bool>> posted;  // message, with a record
    RegisterThreadMessageReceiver(kNoNotifyThread, [&](ThreadMessage&& message) {
        std::lock_guard lock(mutex);
        posted.emplace_back(message.message, static_cast<bool>(message.payload));
    });
    auto graph = MakeGraph(1, kNoNotifyThread);
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    ASSERT_TRUE(WaitUntil([&] {
        std::lock_guard lock(mutex);
        return !posted.empty();
    }));
    ASSERT_EQ(graph->RequestTune(HelionChannel()), 0);
    EXPECT_TRUE(WaitUntil([&] { return m_card->Status(1).locked != nullptr; }));
    // Give the worker an idle pass, which would report the signal if it posted at all.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    graph.reset();
    UnregisterThreadMessageReceiver(kNoNotifyThread);

    EXPECT_EQ(posted, (std::vector<std::pair<std::uint32_t, bool>>{{MSG_SPECTRUM_POINT, false}}));
}

}  // namespace
}  // namespace worker_test
