// Single cable on the test card: both tuners on one cable to the daemon's router, each on a
// user band of its own. Each tuner's channel change reaches the router with its own user band
// and the tuning word for its transponder, no two commands that landed overlap on the cable,
// and each tuner locks its own transponder.
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
    // One after the other: the backend's own repeat after a collision is not what this shows.
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(RequestTune(*graphs[i], channels[i].Parameters()), 0);
        const std::optional<BusEvent> locked = WaitForCardLock(i + 1, before);
        ASSERT_TRUE(locked) << "tuner " << i + 1;
        EXPECT_NE(locked->note.find(std::to_string(channels[i].transponder->frequencyMHz)),
                  std::string::npos)
            << Format(*locked);
        EXPECT_TRUE(WaitForLock(i + 1)) << "tuner " << i + 1;
    }

    const std::vector<BusEvent> log = BusLog();
    std::vector<BusEvent> landed;
    for (std::size_t i = before; i < log.size(); ++i)
        if (log[i].kind == BusKind::Message && log[i].landed) landed.push_back(log[i]);
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
        const bool sent = std::any_of(landed.begin(), landed.end(), [&](const BusEvent& e) {
            return e.tuner == i && e.bytes == change.message;
        });
        EXPECT_TRUE(sent) << "T = " << change.tuningWord << " on user band " << bands[i];
    }
    for (std::size_t i = 1; i < landed.size(); ++i)
        EXPECT_GE(landed[i].timeNs,
                  landed[i - 1].timeNs + Antenna::MessageNs(landed[i - 1].bytes.size()))
            << Format(landed[i - 1]) << " / " << Format(landed[i]);
}

}  // namespace
}  // namespace testcard
