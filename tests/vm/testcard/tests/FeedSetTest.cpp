// What the test card's daemon feeds a tuner: each PID once, however often the card says it is on.
#include <gtest/gtest.h>

#include "daemon/FeedSet.h"

namespace testcard {
namespace {

TEST(FeedSet, APidBothRestatedAtOpenAndStartedLiveCountsOnceAndStopsOnce) {
    FeedSet feeds;
    EXPECT_EQ(feeds.Apply(0x100, true), 1u);  // restated
    EXPECT_EQ(feeds.Apply(0x100, true), 1u);  // live, started while the card restated it
    EXPECT_EQ(feeds.Apply(0x200, true), 2u);
    EXPECT_EQ(feeds.Apply(0x100, false), 1u);
    EXPECT_EQ(feeds.Apply(0x200, false), 0u);
}

TEST(FeedSet, AStopOfAPidNeverStartedChangesNothing) {
    FeedSet feeds;
    EXPECT_EQ(feeds.Apply(0x2000, true), 1u);
    EXPECT_EQ(feeds.Apply(0x100, false), 1u);  // stopped before the open, said live after it
}

}  // namespace
}  // namespace testcard
