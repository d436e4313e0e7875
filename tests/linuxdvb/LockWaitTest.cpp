// How long a tune waits for lock on demodulators that take their time, what it leaves the
// frontend tuned to when nothing locked, and what it sends so that every driver can lock.
#include <future>

#include "TunerFixture.h"

namespace linuxdvb_test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// A demodulator that needs 0.3 s plus 2.5 s per (1 Msym/s / symbol rate) to lock: 1.55 s at
// 2 Msym/s, 0.39 s at 27.5 Msym/s.
FrontendModel SlowLocker() {
    FrontendModel model;
    model.lockDelay = [](const Tuned& t) {
        return std::chrono::microseconds(300000 + 2500000ll * 1000000 / t.symbolRate);
    };
    return model;
}

class SlowLocker : public TunerFixture {
protected:
    SlowLocker() : TunerFixture(linuxdvb_test::SlowLocker()) {}
};

TEST_F(SlowLocker, ALowSymbolRateCarrierLocksOnTheFirstSystemTried) {
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1, 2000));
    EXPECT_THAT(Tunes(), ElementsAre("tune DVBS2 8PSK 1612000 kHz 2000000 sym/s"));
    EXPECT_GT(driver->SignalQuality(), 0);
}

TEST_F(SlowLocker, ALockLaterThanEveryWaitStillReachesTheMeters) {
    // Only DVB-S2 8PSK locks, after 6 s: longer than the tune waits on any system.
    kernel->EditFrontend(0, 0, [](FrontendModel& m) {
        m.locks = [](const Tuned& t) { return t.system == SYS_DVBS2 && t.modulation == PSK_8; };
        m.lockDelay = [](const Tuned&) { return std::chrono::microseconds(6s); };
    });
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1));
    // Every system had its try; the frontend is left on the first one.
    EXPECT_THAT(Tunes(), ElementsAre("tune DVBS2 8PSK 1612000 kHz 27500000 sym/s",
                                     "tune DVBS2 QPSK 1612000 kHz 27500000 sym/s",
                                     "tune DVBS QPSK 1612000 kHz 27500000 sym/s",
                                     "tune DVBS2 8PSK 1612000 kHz 27500000 sym/s"));
    EXPECT_EQ(driver->SignalQuality(), 0);
    kernel->Advance(6s);
    EXPECT_GT(driver->SignalQuality(), 0);
}

TEST_F(SlowLocker, ATuneThatFindsNothingGivesUpWithinItsCaps) {
    kernel->EditFrontend(0, 0,
                         [](FrontendModel& m) { m.locks = [](const Tuned&) { return false; }; });
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1, 1000));
    // Three systems at 1 Msym/s: 4 s each, half a second more on the first after power-up.
    EXPECT_GE(kernel->Elapsed(), 12s);
    EXPECT_LE(kernel->Elapsed(), 13s);
}

TEST_F(SlowLocker, TheFrontendsOwnTimeOutEndsTheWait) {
    kernel->EditFrontend(0, 0, [](FrontendModel& m) {
        m.locks = [](const Tuned&) { return false; };
        m.timeOut = 300ms;
    });
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1));
    EXPECT_LT(kernel->Elapsed(), 1500ms);
}

TEST_F(SlowLocker, TheMetersAnswerWhileATuneWaitsForLock) {
    std::future<std::int32_t> strength;
    bool answered = false;
    kernel->OnSleep([&] {
        if (strength.valid()) return;
        strength = std::async(std::launch::async, [&] { return driver->SignalStrength(); });
        answered = strength.wait_for(5s) == std::future_status::ready;
    });
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1, 2000));
    kernel->OnSleep(nullptr);
    EXPECT_TRUE(answered);
}

TEST_F(SlowLocker, WhileATuneSwitchesThePreviousTranspondersLockDoesNotShow) {
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1));
    ASSERT_GT(driver->SignalQuality(), 0);
    std::vector<std::int32_t> seen;
    kernel->OnSleep([&] { seen.push_back(driver->SignalQuality()); });
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_H, 2));  // through the switch
    kernel->OnSleep(nullptr);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
}

TEST(RollOff, ADriverThatRefusesAutomaticRollOffInItsThreadStillLocksDvbS2) {
    auto kernel = std::make_shared<FakeKernel>();
    FrontendModel model;
    model.refusesAutoRolloff = true;
    model.locks = [](const Tuned& t) { return t.system == SYS_DVBS2; };
    kernel->AddFrontend(0, 0, model);
    auto scan = linuxdvb::ScanFrontends(*kernel, kernel->Root(), {});
    linuxdvb::DvbTunerDriver driver(kernel, scan.frontends.at(0), 1.0);
    cardkit::TuningSettings settings;
    settings.frequency = 11362000;
    settings.symbolRate = 27500;
    driver.CommitTune(settings);
    EXPECT_GT(driver.SignalQuality(), 0);
    kernel->Close(scan.frontends[0].fd);
}

}  // namespace
}  // namespace linuxdvb_test
