// What reaches the antenna cable: raw DiSEqC messages sent by the worker exactly as typed, the
// driver's own single-cable command once a user band is configured, and the configuration
// itself as the driver stores and returns it.
#include <gtest/gtest.h>

#include "cardkit/CardIds.h"
#include "worker_fixture.h"

namespace worker_test {
namespace {

using WorkerDiseqcTest = CardTest;

std::vector<std::uint8_t> LastBusBytes(const card::SimulatedCard& card) {
    const std::vector<card::BusMessage> log = card.BusLog();
    return log.empty() ? std::vector<std::uint8_t>{} : log.back().bytes;
}

TEST_F(WorkerDiseqcTest, MessagesGoOnTheBusExactlyAsTyped) {
    auto graph = MakeGraph(2);
    // A single-cable command typed by hand, then a full-length message: framing byte included,
    // nothing added or padded.
    const std::uint8_t channelChange[] = {0xE0, 0x10, 0x5A, 0x00, 0x00};
    ASSERT_EQ(graph->RequestDiseqc(5, channelChange), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_card->BusLog().size() == 1; }));
    const std::uint8_t full[] = {0xE1, 0x31, 0x6B, 0x01, 0x02, 0x03, 0x04, 0x05};
    ASSERT_EQ(graph->RequestDiseqc(8, full), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_card->BusLog().size() == 2; }));

    const std::vector<card::BusMessage> log = m_card->BusLog();
    EXPECT_EQ(log[0], (card::BusMessage{2, {0xE0, 0x10, 0x5A, 0x00, 0x00}}));
    EXPECT_EQ(log[1], (card::BusMessage{2, {0xE1, 0x31, 0x6B, 0x01, 0x02, 0x03, 0x04, 0x05}}));
}

TEST_F(WorkerDiseqcTest, CommittedSwitchMessageMovesTheDishAndIsFollowedByAReport) {
    auto graph = MakeGraph(1);
    card::LnbState positionD;
    positionD.position = 4;
    const std::vector<std::uint8_t> message = card::CommittedSwitchMessage(positionD);
    ASSERT_EQ(graph->RequestDiseqc(static_cast<std::int32_t>(message.size()), message.data()), 0);
    // The pass that sends a message also reports the signal.
    ASSERT_TRUE(NextMessage(m_queue, MSG_SIGNAL_STATUS));
    EXPECT_EQ(LastBusBytes(*m_card), message);
    EXPECT_EQ(m_card->Status(1).lnb.position, 4);
}

TEST_F(WorkerDiseqcTest, ConfiguredUserBandMakesTheDriverSendItsChannelChange) {
    auto graph = MakeGraph(1);
    ASSERT_EQ(graph->SetScif(2, 1420, 0xFFFFFFFF), S_OK);
    EXPECT_EQ(m_card->Status(1).scif, (card::ScifConfig{2, 1420, card::kScifUnset, 0}));

    ASSERT_EQ(graph->RequestTune(HelionChannel()), 0);
    ASSERT_TRUE(WaitUntil([&] { return !m_card->BusLog().empty(); }));
    const std::vector<std::uint8_t> sent = LastBusBytes(*m_card);
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[0], 0xE0);
    EXPECT_EQ(sent[2], 0x5A);    // ODU_Channel_change, no PIN
    EXPECT_EQ(sent[3] >> 5, 2);  // user band slot 3, index 2
    EXPECT_EQ(m_card->Status(1).tunedIfMHz, 1420);
}

TEST_F(WorkerDiseqcTest, SingleCableConfigurationReadsBackAsTheDriverStoresIt) {
    auto graph = MakeGraph(1);
    std::uint8_t index = 0;
    std::uint32_t frequency = 0;
    std::uint32_t pin = 0;

    ASSERT_EQ(graph->SetScif(0, 950, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(graph->GetScif(&index, &frequency, &pin), S_OK);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(frequency, 950u);
    EXPECT_EQ(pin, 0xFFFFFFFFu);

    ASSERT_EQ(graph->ClearScif(), S_OK);
    ASSERT_EQ(graph->GetScif(&index, &frequency, &pin), S_OK);
    EXPECT_EQ(index, 255);
    EXPECT_EQ(frequency, 0xFFFFFFFFu);
    EXPECT_EQ(pin, 0xFFFFFFFFu);

    // The driver refuses a user band outside the IF band; what it holds stays.
    EXPECT_LT(graph->SetScif(1, 2200, 7), 0);
    EXPECT_FALSE(m_card->Status(1).scif.Enabled());
}

TEST_F(WorkerDiseqcTest, ShortAnswerOrGraphNotReadyLeavesTheCallersValues) {
    auto graph = MakeGraph(1);
    m_card->Faults().Set(
        {cardkit::KSPROPSETID_CardTuner, cardkit::CARD_TUNER_SCIF, KSPROPERTY_TYPE_GET, 1},
        {S_OK, 12, {}});
    std::uint8_t index = 7;
    std::uint32_t frequency = 1234;
    std::uint32_t pin = 56;
    EXPECT_EQ(graph->GetScif(&index, &frequency, &pin), S_FALSE);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(frequency, 1234u);
    EXPECT_EQ(pin, 56u);

    card::CardConfig noTuners = card::TestCardConfig();
    noTuners.tunerCategory.clear();
    InstallCard(noTuners);
    auto notReady = MakeGraph(1);
    EXPECT_EQ(notReady->SetScif(0, 950, 0xFFFFFFFF), S_FALSE);
    EXPECT_EQ(notReady->ClearScif(), S_FALSE);
    EXPECT_EQ(notReady->GetScif(&index, &frequency, &pin), S_FALSE);
    EXPECT_EQ(frequency, 1234u);
}

}  // namespace
}  // namespace worker_test
