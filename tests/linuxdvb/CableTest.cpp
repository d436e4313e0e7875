// Two tuners on one single-cable line: their commands never overlap, and a command that
// another receiver on the cable talked over is said again until the tune locks.
#include <functional>

#include "CableFixture.h"

namespace linuxdvb_test {
namespace {

using ::testing::IsEmpty;

using OneCable = CableFixture;

TEST_F(OneCable, TheProgramsTwoTunersNeverTalkAtOnce) {
    int unlocked[2] = {0, 0};
    std::vector<std::function<void()>> tuners;
    for (int t = 0; t < 2; ++t)
        tuners.emplace_back([this, t, &unlocked] {
            for (int i = 0; i < 100; ++i) {
                drivers[t]->CommitTune(Settings(11362000 + 2000 * i));
                if (drivers[t]->SignalQuality() == 0) ++unlocked[t];
            }
        });
    kernel->RunTogether(tuners);
    EXPECT_EQ(kernel->CableCollisions(), 0);
    EXPECT_EQ(unlocked[0] + unlocked[1], 0);
}

TEST_F(OneCable, ACommandTalkedOverFromOutsideIsSaidAgainAfterARandomWaitLongerThanOne) {
    kernel->TalkOver(0, 3);
    ASSERT_EQ(drivers[0]->CommitTune(Settings(11362000)), S_OK);
    EXPECT_GT(drivers[0]->SignalQuality(), 0);
    const auto journal = kernel->Journal();
    std::vector<int> waits;  // the pause before each repeat
    for (std::size_t i = 1; i < journal.size(); ++i)
        if (journal[i] == "tone off" && journal[i - 1].starts_with("sleep "))
            waits.push_back(std::stoi(journal[i - 1].substr(6)));
    ASSERT_EQ(waits.size(), 3u);
    for (const int ms : waits) {
        EXPECT_GT(ms, 81);  // a 6-byte command
        EXPECT_LE(ms, 300);
    }
    EXPECT_THAT(kernel->Journal(), ::testing::Not(::testing::Contains("cable collision")));
}

}  // namespace
}  // namespace linuxdvb_test
