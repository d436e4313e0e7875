// Switching commands the driver refuses: a tune whose switch, router or LNB supply was not set
// fails with the driver's reason and is not shown as the channel asked for, while an operation
// a tune can do without, that the driver simply lacks, is said once and the tune goes on.
#include <cerrno>

#include "TunerFixture.h"

namespace linuxdvb_test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

class BusRefusal : public TunerFixture {
protected:
    void SingleCable() { ASSERT_EQ(driver->SetScif({0, 1284, cardkit::kScifUnset, 0}), S_OK); }
    // A tune that locks through source 1, then, with `request` refused with `error`, a tune
    // to another transponder through source 2 (horizontal, high band).
    HRESULT TuneElsewhereRefusing(unsigned long request, int error) {
        kernel->EditFrontend(0, 0, [](FrontendModel& m) { m.refuses.clear(); });
        EXPECT_EQ(driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1)), S_OK);
        EXPECT_GT(driver->SignalQuality(), 0);
        kernel->EditFrontend(0, 0, [=](FrontendModel& m) { m.refuses[request] = error; });
        Take();
        return driver->CommitTune(Settings(11900000, BDA_POLARISATION_LINEAR_H, 2));
    }
};

TEST_F(BusRefusal, AFailedSwitchOrSupplyFailsTheTuneWithTheDriversReasonAndTunesNothing) {
    struct Case {
        unsigned long request;
        int error;
        HRESULT expected;
    };
    const Case cases[] = {
        {FE_DISEQC_SEND_MASTER_CMD, EIO, E_FAIL},  // an I2C error
        {FE_DISEQC_SEND_MASTER_CMD, kNotSupported, HRESULT_ERROR_NOT_SUPPORTED},
        {FE_SET_VOLTAGE, EIO, E_FAIL},  // an overloaded supply
        {FE_DISEQC_SEND_BURST, EIO, E_FAIL},
        {FE_SET_TONE, EOPNOTSUPP, HRESULT_ERROR_NOT_SUPPORTED},  // no way to the high band
    };
    ::testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        EXPECT_EQ(TuneElsewhereRefusing(c.request, c.error), c.expected);
        EXPECT_THAT(Tunes(), ::testing::IsEmpty());
        // The frontend still locks the old transponder: that is not the channel asked for.
        EXPECT_EQ(driver->SignalQuality(), 0);
    }
    ::testing::internal::GetCapturedStderr();
}

TEST_F(BusRefusal, AFailedSingleCableCommandFailsTheTuneAndTheLineReturnsTo13Volts) {
    SingleCable();
    for (const unsigned long request :
         std::initializer_list<unsigned long>{FE_DISEQC_SEND_MASTER_CMD, FE_SET_VOLTAGE}) {
        SCOPED_TRACE(request);
        EXPECT_EQ(TuneElsewhereRefusing(request, EIO), E_FAIL);
        const auto journal = Take();
        // Said once, not repeated as a command talked over would be, and nothing tuned.
        EXPECT_THAT(journal, Not(Contains(HasSubstr("tune "))));
        if (request == FE_DISEQC_SEND_MASTER_CMD) {
            EXPECT_EQ(journal.back(), "voltage 13");
        } else {
            EXPECT_THAT(journal, Not(Contains(HasSubstr("diseqc"))));  // not at 13 V either
        }
        EXPECT_EQ(driver->SignalQuality(), 0);
    }
}

TEST_F(BusRefusal, AMissingBurstOrSingleCableToneIsSaidOnceAndTheTuneGoesOn) {
    ::testing::internal::CaptureStderr();
    for (const int error : {kNotSupported, EOPNOTSUPP, ENOTTY}) {
        EXPECT_EQ(TuneElsewhereRefusing(FE_DISEQC_SEND_BURST, error), S_OK) << error;
        EXPECT_GT(driver->SignalQuality(), 0);
    }
    SingleCable();
    for (const int error : {kNotSupported, EOPNOTSUPP, ENOTTY}) {
        EXPECT_EQ(TuneElsewhereRefusing(FE_SET_TONE, error), S_OK) << error;
        EXPECT_GT(driver->SignalQuality(), 0);
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    const std::string frontend = kernel->Root() + "/adapter0/frontend0: ";
    EXPECT_EQ(said, frontend + "the driver has no tone burst; tunes go on without it\n" + frontend +
                        "the driver has no 22 kHz tone; tunes go on without it\n");
}

TEST_F(BusRefusal, ANoticeGoesToTheObserverOnceOneIsSet) {
    std::vector<std::string> told;
    driver->SetNoticeObserver([&](const std::string& text) { told.push_back(text); });
    EXPECT_EQ(TuneElsewhereRefusing(FE_DISEQC_SEND_BURST, kNotSupported), S_OK);
    EXPECT_THAT(told,
                ::testing::ElementsAre("the driver has no tone burst; tunes go on without it"));
}

}  // namespace
}  // namespace linuxdvb_test
