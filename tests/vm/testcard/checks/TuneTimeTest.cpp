// How long a tune through a committed switch takes on the test card, from the program's request
// to the card's lock, with the delivery system named by the channel and without: printed in the
// run's summary (TestCardTest notes the time), never held to a bound. Each on a transponder of
// its own, so that neither finds the system the other locked remembered.
#include <gtest/gtest.h>

#include "TestCardTest.h"

namespace testcard {
namespace {

class TuneTimeTest : public TestCardTest {
protected:
    void TuneAndLock(const SkyChannel& channel, std::int32_t system) {
        auto graph = MakeGraph(1);
        ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
        TuneParameters parameters = channel.Parameters();
        parameters.system = system;
        const std::size_t before = BusLog().size();
        ASSERT_EQ(RequestTune(*graph, parameters), 0);
        EXPECT_TRUE(WaitForCardLock(1, before));
    }
};

// Two of Vestra's low-band DVB-S transponders, which no other check tunes through the program.
TEST_F(TuneTimeTest, ThroughACommittedSwitchWithoutTheSystem) {
    TuneAndLock(Channel(2, false, 0), -1);
}

TEST_F(TuneTimeTest, ThroughACommittedSwitchWithTheSystemNamed) {
    TuneAndLock(Channel(2, false, 1), DVBS_SYSTEM_DVBS);
}

}  // namespace
}  // namespace testcard
