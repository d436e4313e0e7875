// The LNB bus of each tuner as the test card's daemon saw it: a tune on a DiSEqC position puts
// tone off, the supply for the polarisation, the committed-switch message, the tone burst and
// the band's tone on the cable in that order, with at least 15 ms of quiet before and after the
// message and the burst, and only then tunes, until the satellite's transponder locks.
#include <gtest/gtest.h>

#include "TestCardTest.h"
#include "cardkit/CommittedSwitch.h"
#include "daemon/Antenna.h"

namespace testcard {
namespace {

constexpr std::uint64_t kQuietNs = 15'000'000;
constexpr std::uint64_t kBurstNs = 12'500'000;

using BusTest = TestCardTest;

TEST_F(BusTest, ATuneOnEachPositionPutsSwitchBurstVoltageAndToneInOrderWithTheirGaps) {
    auto graph = MakeGraph(2);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    for (int position = 1; position <= 4; ++position) {
        const SkyChannel channel = Channel(position, position % 2 == 0);
        SCOPED_TRACE(testing::Message() << "position " << position << ", "
                                        << channel.transponder->frequencyMHz << " MHz");
        const std::size_t before = BusLog().size();
        ASSERT_EQ(RequestTune(*graph, channel.Parameters()), 0);
        const std::optional<BusEvent> locked = WaitForCardLock(2, before);
        ASSERT_TRUE(locked);
        EXPECT_EQ(locked->value, channel.IfKHz());
        EXPECT_NE(locked->note.find(m_sky.positions[position - 1].name), std::string::npos)
            << Format(*locked);
        EXPECT_TRUE(WaitForLock(2));

        const std::vector<BusEvent> log = BusLog();
        std::vector<BusEvent> events;
        for (std::size_t i = before; i < log.size(); ++i)
            if (log[i].tuner == 1) events.push_back(log[i]);
        const bool horizontal =
            channel.transponder->polarisation == card::LinearPolarisation::Horizontal;
        const auto message =
            cardkit::CommittedSwitchMessage({position, horizontal, channel.highBand});
        const std::vector<BusEvent> expected{
            {.tuner = 1, .kind = BusKind::Tone, .value = 0},
            {.tuner = 1, .kind = BusKind::Voltage, .value = horizontal ? 18u : 13u},
            {.tuner = 1, .kind = BusKind::Message, .bytes = {message.begin(), message.end()}},
            {.tuner = 1, .kind = BusKind::Burst, .value = position % 2 == 0 ? 1u : 0u},
            {.tuner = 1, .kind = BusKind::Tone, .value = channel.highBand ? 1u : 0u}};
        ASSERT_GE(events.size(), expected.size() + 1);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            BusEvent seen = events[i];
            seen.timeNs = 0;
            EXPECT_EQ(seen, expected[i]) << "event " << i << ": " << Format(events[i]);
        }
        // Then only tunes, one delivery system after another until one locks.
        for (std::size_t i = expected.size(); i < events.size(); ++i)
            EXPECT_EQ(events[i].kind, BusKind::Tune) << Format(events[i]);

        // Quiet before the message, after it, and after the burst.
        EXPECT_GE(events[2].timeNs - events[1].timeNs, kQuietNs);
        EXPECT_GE(events[3].timeNs - events[2].timeNs, Antenna::MessageNs(4) + kQuietNs);
        EXPECT_GE(events[4].timeNs - events[3].timeNs, kBurstNs + kQuietNs);
    }
}

}  // namespace
}  // namespace testcard
