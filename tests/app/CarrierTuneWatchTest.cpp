// When a carrier tried from the spectrum picture is said to have locked, or not: only reports
// that follow the request count, and three without quality give up.
#include <gtest/gtest.h>

#include "app/CarrierTuneWatch.h"

namespace {

const TuneParameters kTune{11'362'000, 22000, -1, -1, -1, 1, 1, -1, -1, -1};

TEST(CarrierTuneWatchTest, AReportQueuedBeforeTheAttemptIsArmedIsNotTakenForItsLock) {
    CarrierTuneWatch watch;
    const std::uint64_t attempt = watch.Start(1, kTune);
    EXPECT_EQ(watch.OnReport(1, 80), std::nullopt);  // the channel tuned before
    watch.Arm(1, attempt);
    EXPECT_EQ(watch.OnReport(1, 0), std::nullopt);
    EXPECT_EQ(watch.OnReport(1, 0), std::nullopt);
    EXPECT_EQ(watch.OnReport(1, 0),
              "Tuner 1: 11362 MHz H, 22000 ksym/s: nothing locked (tried DVB-S and DVB-S2)");
    EXPECT_EQ(watch.OnReport(1, 80), std::nullopt);  // settled: nothing more is said
}

TEST(CarrierTuneWatchTest, EachTunerFollowsItsOwnLatestAttempt) {
    CarrierTuneWatch watch;
    const std::uint64_t first = watch.Start(2, kTune);
    TuneParameters second = kTune;
    second.frequencyKHz = 10'744'500;
    second.polarisation = 2;
    const std::uint64_t latest = watch.Start(2, second);
    watch.Arm(2, first);  // the first attempt's arming comes too late for it
    EXPECT_EQ(watch.OnReport(2, 50), std::nullopt);
    watch.Arm(2, latest);
    EXPECT_EQ(watch.OnReport(1, 50), std::nullopt);
    EXPECT_EQ(watch.OnReport(2, 50), "Tuner 2: 10744.500 MHz V, 22000 ksym/s: locked");
}

}  // namespace
