// The signal report: an idle worker on a tuned graph posts the level and quality about once a
// second, to the thread the application named, with its tuner number.
#include <gtest/gtest.h>

#include <string>

#include "channels/ChannelList.h"
#include "worker_fixture.h"

namespace worker_test {
namespace {

using WorkerSignalTest = CardTest;

std::u16string ExampleList(const char* name) {
    const std::string path = std::string(ORVALEN_EXAMPLES_DIR) + "/" + name;
    return {path.begin(), path.end()};
}

TEST_F(WorkerSignalTest, TunedExampleChannelIsReportedWithItsLevelAndQuality) {
    orvalen::ChannelList list = orvalen::LoadChannelList(ExampleList("T2-LNB2-B-Vestra.csv"));
    ASSERT_GT(list.count, 0);
    const orvalen::ChannelRecord& channel = *list.records[0];
    const TuneParameters tune{channel.frequencyKHz,
                              channel.symbolRate,
                              channel.onid,
                              channel.tsid,
                              channel.sid,
                              channel.polarisation,
                              2};
    orvalen::FreeChannelList(list);

    auto graph = MakeGraph(2);
    ASSERT_EQ(graph->RequestTune(tune), 0);
    // Reports from idle passes before the tune was carried out tell nothing about the channel.
    ASSERT_TRUE(WaitUntil([&] { return m_card->Status(2).locked != nullptr; }));
    while (m_queue.TryTake()) {
    }
    for (int report = 0; report < 2; ++report) {
        std::optional<ThreadMessage> message = NextMessage(m_queue, MSG_SIGNAL_STATUS);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->wParam, 2u);
        std::unique_ptr<SignalStatus> status = message->payload.Take<SignalStatus>();
        ASSERT_TRUE(status);
        EXPECT_GE(status->level, 55000);
        EXPECT_LE(status->level, 75000);
        EXPECT_GT(status->quality, 50);
    }
}

}  // namespace
}  // namespace worker_test
