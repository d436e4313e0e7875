// The frontend's statistics on each of their scales, as the program's level and quality.
#include "TunerFixture.h"
#include "linuxdvb/SignalScale.h"

namespace linuxdvb_test {
namespace {

class Signal : public TunerFixture {
protected:
    void Lock() { driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1)); }
    void Edit(const std::function<void(FrontendModel&)>& edit) { kernel->EditFrontend(0, 0, edit); }
};

TEST_F(Signal, StrengthInDbmLandsOnTheDbMicrovoltPicture) {
    // -40 dBm = 68.75 dBµV: the program shows (100000 - strength) / 1000 = 68.75.
    Edit([](FrontendModel& m) { m.strength = {FE_SCALE_DECIBEL, -40000}; });
    EXPECT_EQ(driver->SignalStrength(), 100000 - 68750);
    Edit([](FrontendModel& m) { m.strength = {FE_SCALE_DECIBEL, -70000}; });
    EXPECT_EQ(driver->SignalStrength(), 100000 - 38750);
}

TEST_F(Signal, RelativeAndLegacyStrengthSpreadOverThirtyToEightyDb) {
    Edit([](FrontendModel& m) { m.strength = {FE_SCALE_RELATIVE, 65535}; });
    EXPECT_EQ(driver->SignalStrength(), 100000 - 80000);
    Edit([](FrontendModel& m) {
        m.strength = {};
        m.legacyStrength = 0;
    });
    EXPECT_EQ(driver->SignalStrength(), 100000 - 30000);
    Edit([](FrontendModel& m) { m.legacyStrength.reset(); });
    EXPECT_EQ(driver->SignalStrength(), 0);  // not available
}

TEST_F(Signal, QualityIsTheMarginAboveWhatTheLockedModulationNeeds) {
    EXPECT_EQ(driver->SignalQuality(), 0);  // not locked
    Lock();                                 // DVB-S2 8PSK, code rate reported 3/4 (7.91 dB)
    Edit([](FrontendModel& m) {
        m.lockedCodeRate = FEC_3_4;
        m.cnr = {FE_SCALE_DECIBEL, 12910};
    });
    EXPECT_EQ(driver->SignalQuality(), 50);
    Edit([](FrontendModel& m) { m.cnr = {FE_SCALE_DECIBEL, 30000}; });
    EXPECT_EQ(driver->SignalQuality(), 100);
    Edit([](FrontendModel& m) { m.cnr = {FE_SCALE_DECIBEL, 5000}; });
    EXPECT_EQ(driver->SignalQuality(), 1);  // locked at the edge still reads as locked
    Edit([](FrontendModel& m) { m.cnr = {FE_SCALE_RELATIVE, 32768}; });
    EXPECT_EQ(driver->SignalQuality(), 50);
    Edit([](FrontendModel& m) {
        m.cnr = {};
        m.legacySnr = 65535;
    });
    EXPECT_EQ(driver->SignalQuality(), 100);
}

TEST_F(Signal, TheLockedSystemIsTheOneTheFrontendReportsAndNoneWithoutLock) {
    EXPECT_EQ(driver->LockedSystem(), DVBS_SYSTEM_NOT_SET);  // not tuned
    Edit([](FrontendModel& m) { m.locks = [](const Tuned& t) { return t.system == SYS_DVBS; }; });
    Lock();  // DVB-S2 is tried first and does not lock; DVB-S does
    EXPECT_EQ(driver->LockedSystem(), DVBS_SYSTEM_DVBS);
    Edit([](FrontendModel& m) { m.locks = [](const Tuned& t) { return t.system == SYS_DVBS2; }; });
    Lock();
    EXPECT_EQ(driver->LockedSystem(), DVBS_SYSTEM_DVBS2);
    Edit([](FrontendModel& m) { m.locks = [](const Tuned&) { return false; }; });
    Lock();
    EXPECT_EQ(driver->LockedSystem(), DVBS_SYSTEM_NOT_SET);
}

TEST(RequiredCnr, AnUnreportedCodeRateCountsAsTheEasiestOfItsModulation) {
    EXPECT_EQ(linuxdvb::RequiredCnr(SYS_DVBS, QPSK, FEC_AUTO), 4150);
    EXPECT_EQ(linuxdvb::RequiredCnr(SYS_DVBS2, PSK_8, FEC_AUTO), 5500);
    EXPECT_EQ(linuxdvb::RequiredCnr(SYS_DVBS2, QPSK, FEC_9_10), 6420);
    // DVB-S reported with another modulation is still QPSK; an unknown one of DVB-S2 too.
    EXPECT_EQ(linuxdvb::RequiredCnr(SYS_DVBS, PSK_8, FEC_7_8), 8500);
    EXPECT_EQ(linuxdvb::RequiredCnr(SYS_DVBS2, QAM_64, FEC_1_2), 1000);
}

}  // namespace
}  // namespace linuxdvb_test
