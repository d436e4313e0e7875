// When a carrier tried from the spectrum picture is said to have locked, or not, and what its
// tables named: only reports that follow a request count, three without quality give a rate up,
// a narrow carrier's rates are tried in turn, and the tables are waited for a bounded while.
#include <gtest/gtest.h>

#include "app/CarrierTuneWatch.h"

namespace {

const TuneParameters kTune{11'362'000, 22000, -1, -1, -1, 1, 1, -1, -1, -1};

// Reports without quality until the attempt's current rate is given up.
CarrierTuneWatch::Step GiveUpRate(CarrierTuneWatch& watch, int tuner) {
    for (int i = 1; i < CarrierTuneWatch::kReportsBeforeGivingUp; ++i)
        EXPECT_EQ(watch.OnReport(tuner, 0, -1).line, std::nullopt);
    return watch.OnReport(tuner, 0, -1);
}

scan::StreamTables Tables(std::optional<std::uint16_t> tsid, std::optional<std::string> network) {
    scan::StreamTables tables;
    if (tsid) tables.pat = scan::Pat{*tsid, std::nullopt, {}};
    if (network) tables.nit = scan::Nit{1101, *network, {}};
    return tables;
}

TEST(CarrierTuneWatchTest, AReportQueuedBeforeTheAttemptIsArmedIsNotTakenForItsLock) {
    CarrierTuneWatch watch;
    const std::uint64_t attempt = watch.Start(1, kTune, {kTune.symbolRate});
    EXPECT_EQ(watch.OnReport(1, 80, 2).line, std::nullopt);  // the channel tuned before
    watch.Arm(1, attempt);
    const CarrierTuneWatch::Step last = GiveUpRate(watch, 1);
    EXPECT_EQ(last.line,
              "Tuner 1: 11362 MHz H, 22000 ksym/s: nothing locked (tried DVB-S and DVB-S2)");
    EXPECT_EQ(last.retune, std::nullopt);
    EXPECT_EQ(watch.OnReport(1, 80, 2).line, std::nullopt);  // settled: nothing more is said
    EXPECT_FALSE(watch.AwaitsTables(1));
}

TEST(CarrierTuneWatchTest, EachTunerFollowsItsOwnLatestAttemptAndNamesTheSystemThatLocked) {
    CarrierTuneWatch watch;
    const std::uint64_t first = watch.Start(2, kTune, {kTune.symbolRate});
    TuneParameters second = kTune;
    second.frequencyKHz = 10'744'500;
    second.polarisation = 2;
    const std::uint64_t latest = watch.Start(2, second, {second.symbolRate});
    watch.Arm(2, first);  // the first attempt's arming comes too late for it
    EXPECT_EQ(watch.OnReport(2, 50, 2).line, std::nullopt);
    watch.Arm(2, latest);
    EXPECT_EQ(watch.OnReport(1, 50, 2).line, std::nullopt);
    const CarrierTuneWatch::Step locked = watch.OnReport(2, 50, 2);
    EXPECT_EQ(locked.line, "Tuner 2: 10744.500 MHz V, 22000 ksym/s: locked (DVB-S2)");
    EXPECT_TRUE(locked.locked);
    EXPECT_TRUE(watch.AwaitsTables(2));

    watch.Arm(1, watch.Start(1, kTune, {kTune.symbolRate}));
    EXPECT_EQ(watch.OnReport(1, 50, 1).line, "Tuner 1: 11362 MHz H, 22000 ksym/s: locked (DVB-S)");
    watch.Arm(1, watch.Start(1, kTune, {kTune.symbolRate}));
    EXPECT_EQ(watch.OnReport(1, 50, -1).line, "Tuner 1: 11362 MHz H, 22000 ksym/s: locked");
}

TEST(CarrierTuneWatchTest, ANarrowCarriersRatesAreTriedInTurnAndNamedWhenNoneLocks) {
    const TuneParameters narrow{10'818'000, 2748, -1, -1, -1, 2, 1, -1, -1, -1};
    const std::vector<std::int32_t> rates{2960, 2748, 2500, 3000};
    EXPECT_EQ(CarrierTuneWatch::TryingText(1, narrow, rates),
              "Tuner 1: 10818 MHz V, 2748 ksym/s: trying DVB-S and DVB-S2 at 2960, 2748, 2500 "
              "and 3000 ksym/s ...");
    EXPECT_EQ(CarrierTuneWatch::FirstTune(narrow, rates).symbolRate, 2960);

    CarrierTuneWatch watch;
    watch.Arm(1, watch.Start(1, narrow, rates));
    for (std::size_t next = 1; next < rates.size(); ++next) {
        const CarrierTuneWatch::Step step = GiveUpRate(watch, 1);
        ASSERT_TRUE(step.retune);
        EXPECT_EQ(step.line, std::nullopt);
        EXPECT_EQ(step.retune->symbolRate, rates[next]);
        EXPECT_EQ(step.retune->frequencyKHz, narrow.frequencyKHz);
        // Until the new request is armed, a report is the rate before's.
        EXPECT_EQ(watch.OnReport(1, 0, -1).line, std::nullopt);
        EXPECT_EQ(watch.OnReport(1, 0, -1).line, std::nullopt);
        EXPECT_EQ(watch.OnReport(1, 0, -1).line, std::nullopt);
        watch.Arm(1, step.attempt);
    }
    EXPECT_EQ(GiveUpRate(watch, 1).line,
              "Tuner 1: 10818 MHz V, 2748 ksym/s: nothing locked (tried DVB-S and DVB-S2 at "
              "2960, 2748, 2500 and 3000 ksym/s)");

    watch.Arm(1, watch.Start(1, narrow, rates));
    watch.Arm(1, GiveUpRate(watch, 1).attempt);
    EXPECT_EQ(watch.OnReport(1, 40, 1).line, "Tuner 1: 10818 MHz V, 2748 ksym/s: locked (DVB-S)");
}

TEST(CarrierTuneWatchTest, TheTablesAreSaidOnceWholeOrWhenTheWaitForThemEnds) {
    CarrierTuneWatch watch;
    const auto lock = [&watch] {
        watch.Arm(1, watch.Start(1, kTune, {kTune.symbolRate}));
        ASSERT_TRUE(watch.OnReport(1, 60, 2).locked);
    };
    lock();
    EXPECT_EQ(watch.OnTables(1, Tables(std::nullopt, std::nullopt)), std::nullopt);
    EXPECT_EQ(watch.OnTables(1, Tables(11030, std::nullopt)), std::nullopt);  // the NIT may come
    EXPECT_EQ(watch.OnTables(1, Tables(11030, "Helion Digital")),
              "Tuner 1: 11362 MHz H, 22000 ksym/s: transport stream 11030, network "
              "\"Helion Digital\"");
    EXPECT_FALSE(watch.AwaitsTables(1));
    EXPECT_EQ(watch.OnTables(1, Tables(11030, "Helion Digital")), std::nullopt);

    lock();
    for (int i = 1; i < CarrierTuneWatch::kReportsForTables; ++i)
        EXPECT_EQ(watch.OnTables(1, Tables(11030, std::nullopt)), std::nullopt);
    EXPECT_EQ(watch.OnTables(1, Tables(11030, std::nullopt)),
              "Tuner 1: 11362 MHz H, 22000 ksym/s: transport stream 11030");

    lock();
    watch.Forget(1);  // a later tune or sweep: nothing more is said of this carrier
    EXPECT_FALSE(watch.AwaitsTables(1));
    EXPECT_EQ(watch.OnTables(1, Tables(11030, "Helion Digital")), std::nullopt);

    lock();
    EXPECT_EQ(watch.OnTables(1, Tables(11030, "")),
              "Tuner 1: 11362 MHz H, 22000 ksym/s: transport stream 11030");

    lock();
    for (int i = 1; i < CarrierTuneWatch::kReportsForTables; ++i)
        EXPECT_EQ(watch.OnTables(1, Tables(std::nullopt, std::nullopt)), std::nullopt);
    EXPECT_EQ(watch.OnTables(1, Tables(std::nullopt, std::nullopt)),
              "Tuner 1: 11362 MHz H, 22000 ksym/s: no tables came");
    EXPECT_EQ(watch.OnReport(1, 60, 2).line, std::nullopt);  // a lock is said once
}

}  // namespace
