// DiSEqC over the kernel: a raw 4-byte message goes out as typed and the kernel takes it; an
// 8-byte one, longer than the kernel can carry, is refused before any ioctl; tunes on LNB
// sources 1 to 4 switch the committed switch and still lock.
#include <gtest/gtest.h>

#include <vector>

#include "VidtvCardTest.h"

namespace vm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The committed-switch message for `source` 1..4 and the transponder's band (horizontal).
Bytes CommittedSwitch(std::uint32_t source, const Transponder& transponder) {
    const auto data = static_cast<std::uint8_t>(0xF0 | (source - 1) << 2 | 0x02 |
                                                (transponder.highBand ? 0x01 : 0x00));
    return {0xE0, 0x10, 0x38, data};
}

bool Sent(const std::vector<SentDiseqc>& sent, std::size_t from, const Bytes& message) {
    for (std::size_t i = from; i < sent.size(); ++i)
        if (sent[i].message == message && sent[i].result == 0) return true;
    return false;
}

class DiseqcTest : public VidtvCardTest {
protected:
    // Queues `message` and waits for the worker's report that follows its send.
    void SendThroughWorker(TunerGraph& graph, const Bytes& message) {
        ASSERT_EQ(graph.RequestDiseqc(static_cast<std::int32_t>(message.size()), message.data()),
                  0);
        while (m_queue.TryTake()) {
        }
        ASSERT_EQ(NextReports(2).size(), 2u);
    }
};

TEST_F(DiseqcTest, FourBytesGoOutAsTypedAndEightAreRefusedWithoutAnIoctl) {
    auto graph = MakeGraph(1);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    const Bytes four{0xE0, 0x10, 0x38, 0xF4};
    SendThroughWorker(*graph, four);
    std::vector<SentDiseqc> sent = m_kernel->Diseqc();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().message, four);
    EXPECT_EQ(sent.back().result, 0);

    const std::size_t before = sent.size();
    SendThroughWorker(*graph, {0xE0, 0x10, 0x38, 0xF0, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(m_kernel->Diseqc().size(), before);
}

TEST_F(DiseqcTest, TunesOnLnbSourcesOneToFourSwitchAndLock) {
    auto graph = MakeGraph(1);
    const Transponder& transponder = m_frequencies.back();
    for (std::uint32_t source = 1; source <= 4; ++source) {
        SCOPED_TRACE(testing::Message() << "LNB source " << source);
        const std::size_t before = m_kernel->Diseqc().size();
        ASSERT_NO_FATAL_FAILURE(
            Tune(*graph, VidtvChannel(transponder, source), transponder.ifMHz * 1000));
        EXPECT_TRUE(Sent(m_kernel->Diseqc(), before, CommittedSwitch(source, transponder)));
        EXPECT_TRUE(WaitForLock());
    }
}

}  // namespace
}  // namespace vm
