// How long a first tune takes to lock, on the virtual clock, when every wrong delivery system
// costs a whole lock wait: a DVB-S carrier that the demodulator finds 300 ms after a tune.
#include <functional>

#include "CableFixture.h"
#include "TunerFixture.h"
#include "linuxdvb/LockWait.h"

namespace linuxdvb_test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr auto kLockDelay = 300ms;

FrontendModel DvbsCarrier() {
    FrontendModel model;
    model.locks = [](const Tuned& t) { return t.system == SYS_DVBS && t.modulation == QPSK; };
    model.lockDelay = [](const Tuned&) { return std::chrono::microseconds{kLockDelay}; };
    return model;
}

cardkit::TuningSettings DvbsTransponder(::DvbsSystem named) {
    cardkit::TuningSettings settings;
    settings.frequency = 11362000;
    settings.polarity = BDA_POLARISATION_LINEAR_V;
    settings.lnbSource = 1;
    settings.symbolRate = 27500;
    settings.system = named;
    return settings;
}

// One wrong system costs this much at 27.5 Msym/s.
const auto kOneWrongTry = linuxdvb::LockWaitCap(27500000, false);

class FirstLock : public TunerFixture {
protected:
    FirstLock() : TunerFixture(DvbsCarrier()) {}

    // Virtual time from the request to the lock.
    std::chrono::microseconds TimeToLock(const cardkit::TuningSettings& settings) {
        const auto start = kernel->Elapsed();
        EXPECT_EQ(driver->CommitTune(settings), S_OK);
        EXPECT_GT(driver->SignalQuality(), 0);
        return kernel->Elapsed() - start;
    }
};

TEST_F(FirstLock, ANamedSystemIsTriedAloneFirst) {
    EXPECT_LT(TimeToLock(DvbsTransponder(DVBS_SYSTEM_DVBS)), kOneWrongTry);
    EXPECT_THAT(Tunes(), ElementsAre("tune DVBS QPSK 1612000 kHz 27500000 sym/s"));
}

TEST_F(FirstLock, AWrongNameIsFollowedByTheOtherSystems) {
    TimeToLock(DvbsTransponder(DVBS_SYSTEM_DVBS2));
    EXPECT_THAT(Tunes(), ElementsAre("tune DVBS2 8PSK 1612000 kHz 27500000 sym/s",
                                     "tune DVBS2 QPSK 1612000 kHz 27500000 sym/s",
                                     "tune DVBS QPSK 1612000 kHz 27500000 sym/s"));
}

TEST_F(FirstLock, WithoutANameWhatLockedOnTheTransponderBeforeGoesFirstAtAnySymbolRate) {
    TimeToLock(DvbsTransponder(DVBS_SYSTEM_NOT_SET));
    Take();
    auto again = DvbsTransponder(DVBS_SYSTEM_NOT_SET);
    again.symbolRate = 27000;  // another list's rounding of the same carrier
    EXPECT_LT(TimeToLock(again), kOneWrongTry);
    EXPECT_THAT(Tunes(), ElementsAre("tune DVBS QPSK 1612000 kHz 27000000 sym/s"));
}

class FirstLockOnOneCable : public CableFixture {
protected:
    FirstLockOnOneCable() : CableFixture(DvbsCarrier()) {}

    // Both tuners tune at once; the virtual time until the later one locked.
    std::chrono::microseconds BothLocked(::DvbsSystem named) {
        std::vector<std::function<void()>> tuners;
        for (int t = 0; t < 2; ++t)
            tuners.emplace_back([this, t, named] {
                EXPECT_EQ(drivers[t]->CommitTune(DvbsTransponder(named)), S_OK);
                EXPECT_GT(drivers[t]->SignalQuality(), 0);
            });
        kernel->RunTogether(tuners);
        return kernel->Elapsed();
    }
};

// Each tuner pays for the two wrong systems once (the first right after the LNB powered up),
// not once per repeat of its command; the second tuner's command waits for the first's.
TEST_F(FirstLockOnOneCable, TheFirstSendOfEachTunerTriesEverySystem) {
    const auto wrongTries = linuxdvb::LockWaitCap(27500000, true) + kOneWrongTry;
    EXPECT_LT(BothLocked(DVBS_SYSTEM_NOT_SET), wrongTries + 1s);
    EXPECT_EQ(kernel->CableCollisions(), 0);
}

// Power-up, both commands one after the other and the lock.
TEST_F(FirstLockOnOneCable, BothTunersLockWithinOneWrongTryWhenTheSystemIsNamed) {
    EXPECT_LT(BothLocked(DVBS_SYSTEM_DVBS), kOneWrongTry);
}

}  // namespace
}  // namespace linuxdvb_test
