// Single cable on the test card: both tuners on one cable to the daemon's router, each on a
// user band of its own, tuned at once. Each tuner's channel change reaches the router with its
// own user band and the tuning word for its transponder, no two commands overlap on the cable
// (none is garbled), and each tuner locks its own transponder.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestCardTest.h"
#include "cardkit/SingleCable.h"
#include "daemon/Antenna.h"

namespace testcard {
namespace {

class SingleCableTest : public TestCardTest {
protected:
    SingleCableTest() { EXPECT_EQ(Ask("cable single"), "ok"); }
    ~SingleCableTest() override { Ask("cable switch"); }
};

TEST_F(SingleCableTest, EachTunerGetsItsUserBandAndTuningWordWithoutOverlap) {
    const std::array<SkyChannel, 2> channels{Channel(1, false), Channel(2, true)};
    const std::array<std::uint32_t, 2> bands{0, 5};
    const std::size_t before = BusLog().size();
    std::array<std::unique_ptr<TunerGraph>, 2> graphs;
    for (int i = 0; i < 2; ++i) {
        graphs[i] = MakeGraph(i + 1);
        ASSERT_EQ(static_cast<int>(graphs[i]->m_ready), 1);
        ASSERT_EQ(graphs[i]->SetScif(static_cast<std::uint8_t>(bands[i]), kUserBandsMHz[bands[i]],
                                     0xFFFFFFFF),
                  S_OK);
    }
    // Both at once: the two workers' channel changes meet on the one cable, where only the
    // backend's cable lock keeps them apart.
    for (int i = 0; i < 2; ++i) ASSERT_EQ(RequestTune(*graphs[i], channels[i].Parameters()), 0);
    for (int i = 0; i < 2; ++i) {
        const std::optional<BusEvent> locked = WaitForCardLock(i + 1, before);
        ASSERT_TRUE(locked) << "tuner " << i + 1;
        EXPECT_NE(locked->note.find(std::to_string(channels[i].transponder->frequencyMHz)),
                  std::string::npos)
            << Format(*locked);
    }
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(WaitForLock(i + 1)) << "tuner " << i + 1;

    const std::vector<BusEvent> log = BusLog();
    std::vector<BusEvent> messages;
    for (std::size_t i = before; i < log.size(); ++i)
        if (log[i].kind == BusKind::Message) messages.push_back(log[i]);
    std::sort(messages.begin(), messages.end(),
              [](const BusEvent& a, const BusEvent& b) { return a.timeNs < b.timeNs; });
    // Neither tuner's command was talked over.
    for (const BusEvent& message : messages) EXPECT_TRUE(message.landed) << Format(message);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::Message() << "tuner " << i + 1);
        cardkit::ScifConfig scif;
        scif.userBand = bands[i];
        scif.frequencyMHz = kUserBandsMHz[bands[i]];
        const auto* t = channels[i].transponder;
        const cardkit::ChannelChange change = cardkit::MakeChannelChange(
            scif,
            {channels[i].position == 2, t->polarisation == card::LinearPolarisation::Horizontal,
             channels[i].highBand},
            channels[i].IfKHz() / 1000.0);
        const bool sent = std::any_of(messages.begin(), messages.end(), [&](const BusEvent& e) {
            return e.tuner == i && e.landed && e.bytes == change.message;
        });
        EXPECT_TRUE(sent) << "T = " << change.tuningWord << " on user band " << bands[i];
    }
    for (std::size_t i = 1; i < messages.size(); ++i)
        EXPECT_GE(messages[i].timeNs,
                  messages[i - 1].timeNs + Antenna::MessageNs(messages[i - 1].bytes.size()))
            << Format(messages[i - 1]) << " / " << Format(messages[i]);
}

}  // namespace
}  // namespace testcard
