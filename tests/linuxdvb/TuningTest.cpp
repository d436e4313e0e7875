// What a tune, a raw DiSEqC message and a spectrum step send to the frontend, call by call.
#include "TunerFixture.h"

namespace linuxdvb_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class Tuning : public TunerFixture {};

TEST_F(Tuning, EachSourceBandAndPolarisationSwitchesTheLnbThenTunesTheIntermediateFrequency) {
    struct Case {
        std::uint32_t frequencyKHz;
        ::Polarisation polarity;
        std::uint32_t source;
        const char* voltage;
        const char* message;
        const char* burst;
        const char* tone;
        const char* tune;
    };
    const Case cases[] = {
        {11362000, BDA_POLARISATION_LINEAR_V, 1, "voltage 13", "diseqc E0 10 38 F0", "burst A",
         "tone off", "tune DVBS2 8PSK 1612000 kHz 27500000 sym/s"},
        {11900000, BDA_POLARISATION_LINEAR_H, 2, "voltage 18", "diseqc E0 10 38 F7", "burst B",
         "tone on", "tune DVBS2 8PSK 1300000 kHz 27500000 sym/s"},
        {11700000, BDA_POLARISATION_CIRCULAR_R, 3, "voltage 13", "diseqc E0 10 38 F9", "burst A",
         "tone on", "tune DVBS2 8PSK 1100000 kHz 27500000 sym/s"},
        {11699000, BDA_POLARISATION_CIRCULAR_L, 4, "voltage 18", "diseqc E0 10 38 FE", "burst B",
         "tone off", "tune DVBS2 8PSK 1949000 kHz 27500000 sym/s"},
    };
    // The first message waits for the switches to power up.
    const char* powerUp = "sleep 200 ms";
    for (const Case& c : cases) {
        Take();
        ASSERT_EQ(driver->CommitTune(Settings(c.frequencyKHz, c.polarity, c.source)), S_OK);
        EXPECT_THAT(Take(), ElementsAre("tone off", c.voltage, powerUp, c.message, "sleep 15 ms",
                                        c.burst, "sleep 15 ms", c.tone, c.tune))
            << c.message;
        powerUp = "sleep 15 ms";
    }
}

TEST_F(Tuning, ASwitchPositionIsRememberedOnlyOnceATuneThroughItLocked) {
    kernel->EditFrontend(0, 0,
                         [](FrontendModel& m) { m.locks = [](const Tuned&) { return false; }; });
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1));
    Take();
    // The switch may have missed the message: the next tune through it says it again.
    driver->CommitTune(Settings(11470000, BDA_POLARISATION_LINEAR_V, 1));
    EXPECT_THAT(Take(), ::testing::Contains("diseqc E0 10 38 F0"));
    kernel->EditFrontend(0, 0,
                         [](FrontendModel& m) { m.locks = [](const Tuned&) { return true; }; });
    driver->CommitTune(Settings(11470000, BDA_POLARISATION_LINEAR_V, 1));
    Take();
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1));
    EXPECT_THAT(Take(), ElementsAre("tune DVBS2 8PSK 1612000 kHz 27500000 sym/s"));
}

TEST_F(Tuning, WithoutASourceOnlyVoltageAndToneAreSet) {
    auto settings = Settings(11900000, BDA_POLARISATION_LINEAR_V, 1);
    settings.diseqcEnabled = false;
    driver->CommitTune(settings);
    EXPECT_THAT(Take(),
                ElementsAre("voltage 13", "tone on", "tune DVBS2 8PSK 1300000 kHz 27500000 sym/s"));
}

TEST_F(Tuning, TheSwitchIsSkippedWhileUnchangedAndSetAgainAfterARawMessage) {
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1));
    Take();
    driver->CommitTune(Settings(11470000, BDA_POLARISATION_LINEAR_V, 1));
    EXPECT_THAT(Take(), ElementsAre("tune DVBS2 8PSK 1720000 kHz 27500000 sym/s"));

    const std::uint8_t reset[] = {0xE0, 0x00, 0x00};
    driver->SendDiseqc(reset);
    Take();
    driver->CommitTune(Settings(11470000, BDA_POLARISATION_LINEAR_V, 1));
    EXPECT_THAT(Take(), ::testing::Contains("diseqc E0 10 38 F0"));
}

TEST_F(Tuning, AFrequencyOrSymbolRateOutsideTheFrontendIsRefusedUntouched) {
    Take();
    EXPECT_EQ(driver->CommitTune(Settings(12800000, BDA_POLARISATION_LINEAR_V, 1)),
              HRESULT_ERROR_INVALID_PARAMETER);  // IF 2200 MHz
    EXPECT_EQ(driver->CommitTune(Settings(10600000, BDA_POLARISATION_LINEAR_V, 1)),
              HRESULT_ERROR_INVALID_PARAMETER);  // IF 850 MHz
    // The frontend takes 1 to 45 Msym/s.
    EXPECT_EQ(driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1, 45001)),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1, 999)),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_THAT(Take(), IsEmpty());
}

TEST_F(Tuning, ATuneTheKernelRefusesFailsAndTheOldLockNoLongerShows) {
    ASSERT_EQ(driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1)), S_OK);
    ASSERT_GT(driver->SignalQuality(), 0);
    // The kernel keeps the old transponder locked while it refuses the new one.
    kernel->EditFrontend(0, 0, [](FrontendModel& m) { m.tuneError = EINVAL; });
    EXPECT_EQ(driver->CommitTune(Settings(11470000, BDA_POLARISATION_LINEAR_V, 1)),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(driver->SignalQuality(), 0);
    kernel->EditFrontend(0, 0, [](FrontendModel& m) { m.tuneError = 0; });
    EXPECT_EQ(driver->CommitTune(Settings(11470000, BDA_POLARISATION_LINEAR_V, 1)), S_OK);
    EXPECT_GT(driver->SignalQuality(), 0);

    // A card that is gone says so, tune and spectrum step alike, so the program can stop.
    kernel->Unplug();
    EXPECT_EQ(driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1)),
              HRESULT_ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(driver->SignalQuality(), 0);
    EXPECT_EQ(driver->MeasureSpectrumStep(950000000, 1000), HRESULT_ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(Tuning, OnlyATuneThatWentToTheFrontendIsToldToTheTuneObserver) {
    std::vector<std::int32_t> told;
    driver->SetTuneObserver([&](const cardkit::TuningSettings& s) { told.push_back(s.sid); });
    auto settings = Settings(11362000, BDA_POLARISATION_LINEAR_V, 1, 45001);  // too fast
    settings.sid = 1;
    EXPECT_TRUE(FAILED(driver->CommitTune(settings)));
    ASSERT_EQ(driver->SetScif({0, 2150, cardkit::kScifUnset, 0}), S_OK);
    settings = Settings(14600000, BDA_POLARISATION_LINEAR_V, 1);  // a word beyond ten bits
    settings.sid = 2;
    EXPECT_TRUE(FAILED(driver->CommitTune(settings)));
    ASSERT_EQ(driver->SetScif({}), S_OK);
    settings = Settings(11362000, BDA_POLARISATION_LINEAR_V, 1);
    settings.sid = 3;
    EXPECT_EQ(driver->CommitTune(settings), S_OK);
    EXPECT_THAT(told, ElementsAre(3));
}

class DeliverySystems : public TunerFixture {
protected:
    DeliverySystems() : TunerFixture(Model()) {}
    static FrontendModel Model() {
        FrontendModel model;
        // Only DVB-S QPSK locks, and only at 1612 MHz.
        model.locks = [](const Tuned& t) {
            return t.system == SYS_DVBS && t.modulation == QPSK && t.frequencyKHz == 1612000;
        };
        return model;
    }
};

TEST_F(DeliverySystems, AreTriedInTurnAndWhatLockedIsTriedFirstNextTime) {
    const auto settings = Settings(11362000, BDA_POLARISATION_LINEAR_V, 1, 22000);
    driver->CommitTune(settings);
    EXPECT_THAT(Tunes(), ElementsAre("tune DVBS2 8PSK 1612000 kHz 22000000 sym/s",
                                     "tune DVBS2 QPSK 1612000 kHz 22000000 sym/s",
                                     "tune DVBS QPSK 1612000 kHz 22000000 sym/s"));
    EXPECT_GT(driver->SignalQuality(), 0);

    driver->CommitTune(settings);
    EXPECT_THAT(Tunes(), ElementsAre("tune DVBS QPSK 1612000 kHz 22000000 sym/s"));
}

TEST(FrontendSystems, OnlyTheSystemsTheFrontendOffersAreTried) {
    auto kernel = std::make_shared<FakeKernel>();
    FrontendModel model;
    model.systems = {SYS_DVBS};
    model.locks = [](const Tuned&) { return false; };
    kernel->AddFrontend(0, 0, model);
    auto scan = linuxdvb::ScanFrontends(*kernel, kernel->Root(), {});
    linuxdvb::DvbTunerDriver driver(kernel, scan.frontends.at(0), 1.0);
    cardkit::TuningSettings settings;
    settings.frequency = 11362000;
    settings.symbolRate = 27500;
    driver.CommitTune(settings);
    const auto journal = kernel->Journal();
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::string& e) { return e.starts_with("tune "); }),
              1);
    kernel->Close(scan.frontends[0].fd);
}

class SingleCable : public TunerFixture {
protected:
    void Enable(std::uint32_t band, std::uint32_t frequencyMHz, std::uint32_t pin) {
        ASSERT_EQ(driver->SetScif({band, frequencyMHz, pin, 0}), S_OK);
    }
};

TEST_F(SingleCable, ATuneSendsTheChannelChangeAt18VoltsAndTunesTheUserBand) {
    Enable(0, 1284, cardkit::kScifUnset);
    Take();
    ASSERT_EQ(driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1)), S_OK);
    // f_IF 1612 MHz on user band 0 at 1284 MHz: T = 374, bank A / vertical / low.
    EXPECT_THAT(Take(), ElementsAre("tone off", "voltage 18", "sleep 200 ms",
                                    "diseqc E0 10 5A 01 76", "sleep 15 ms", "voltage 13",
                                    "tune DVBS2 8PSK 1284000 kHz 27500000 sym/s"));

    // With a PIN, bank B (source 4) / horizontal / high, user band 3 at 1400 MHz: f_IF 1300,
    // T = round(2700 / 4) - 350 = 325, tuned at (325 + 350) x 4 - 1300 = 1400 MHz.
    Enable(3, 1400, 0x2A);
    ASSERT_EQ(driver->CommitTune(Settings(11900000, BDA_POLARISATION_LINEAR_H, 4)), S_OK);
    EXPECT_THAT(Take(), ::testing::IsSupersetOf({"diseqc E0 10 5C 7D 45 2A",
                                                 "tune DVBS2 8PSK 1400000 kHz 27500000 sym/s"}));
    cardkit::ScifConfig stored;
    driver->GetScif(&stored);
    EXPECT_EQ(stored, (cardkit::ScifConfig{3, 1400, 0x2A, 0}));
}

TEST_F(SingleCable, ATuningWordBeyondTenBitsIsRefused) {
    Enable(0, 2150, cardkit::kScifUnset);
    Take();
    // f_IF 4000 + f_UB 2150 MHz: T = 1188; and an RF below the oscillator has no IF at all.
    EXPECT_EQ(driver->CommitTune(Settings(14600000, BDA_POLARISATION_LINEAR_V, 1)),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(driver->CommitTune(Settings(9000000, BDA_POLARISATION_LINEAR_V, 1)),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_THAT(Take(), IsEmpty());
}

TEST_F(SingleCable, AnEn50607RouterGetsItsFourByteCommandAndTheTunerTheUserBand) {
    ASSERT_EQ(driver->SetScif({17, 1680, cardkit::kScifUnset, cardkit::kScifEn50607}), S_OK);
    Take();
    // Source 3 (position C), horizontal, low band, f_IF 1612 MHz: T = 1512 = 0x5E8 on user
    // band 18: d1 = 10001 101, d3 = 2 << 2 | 2. The frontend tunes the user band exactly.
    ASSERT_EQ(driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_H, 3)), S_OK);
    EXPECT_THAT(Take(), ElementsAre("tone off", "voltage 18", "sleep 200 ms", "diseqc 70 8D E8 0A",
                                    "sleep 15 ms", "voltage 13",
                                    "tune DVBS2 8PSK 1680000 kHz 27500000 sym/s"));
    // IF 2150 (12750 MHz, high band): T = 2050 needs twelve bits.
    EXPECT_EQ(driver->CommitTune(Settings(12750000, BDA_POLARISATION_LINEAR_H, 3)),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_THAT(Take(), IsEmpty());
}

TEST_F(SingleCable, ARawMessageGoesOutAt18VoltsAndTheLineReturnsTo13) {
    Enable(0, 1284, cardkit::kScifUnset);
    Take();
    const std::uint8_t message[] = {0xE0, 0x10, 0x5B, 0x00, 0x00};  // routers listen at 18 V
    EXPECT_EQ(driver->SendDiseqc(message), S_OK);
    EXPECT_THAT(Take(), ElementsAre("tone off", "voltage 18", "sleep 200 ms",
                                    "diseqc E0 10 5B 00 00", "sleep 15 ms", "voltage 13"));
}

class RawDiseqc : public TunerFixture {};

TEST_F(RawDiseqc, ThreeToSixBytesGoOutWithTheToneOffAroundThem) {
    driver->CommitTune(Settings(11900000, BDA_POLARISATION_LINEAR_H, 1));  // tone on
    Take();
    const std::uint8_t message[] = {0xE0, 0x10, 0x5A, 0x00, 0x00};
    EXPECT_EQ(driver->SendDiseqc(message), S_OK);
    EXPECT_THAT(Take(), ElementsAre("tone off", "sleep 15 ms", "diseqc E0 10 5A 00 00",
                                    "sleep 15 ms", "tone on"));
    const std::uint8_t six[] = {0xE0, 0x31, 0x6B, 0x01, 0x02, 0x03};
    EXPECT_EQ(driver->SendDiseqc(six), S_OK);
}

TEST_F(RawDiseqc, LengthsTheKernelCannotCarryAreRefusedAndNothingIsSent) {
    Take();
    const std::uint8_t bytes[8] = {0xE0, 0x10, 0x38, 0xF0, 1, 2, 3, 4};
    for (std::size_t length : {1u, 2u, 7u, 8u})
        EXPECT_EQ(driver->SendDiseqc({bytes, length}), HRESULT_ERROR_NOT_SUPPORTED) << length;
    EXPECT_THAT(Take(), IsEmpty());
}

class SpectrumStep : public TunerFixture {};

TEST_F(SpectrumStep, TunesANarrowCarrierOneShotWaitsTheSettleTimeAndATuneEndsIt) {
    Take();
    EXPECT_EQ(driver->MeasureSpectrumStep(950000000, 1000), S_OK);
    EXPECT_EQ(driver->MeasureSpectrumStep(952000000, 50), S_OK);
    // A tuner never tuned powers the LNB first: an unpowered input reads nothing.
    EXPECT_THAT(Take(), ElementsAre("voltage 13", "tone off", "tune mode one-shot",
                                    "tune DVBS QPSK 950000 kHz 1000000 sym/s", "sleep 1000 ms",
                                    "tune DVBS QPSK 952000 kHz 1000000 sym/s", "sleep 50 ms"));
    driver->CommitTune(Settings(11362000, BDA_POLARISATION_LINEAR_V, 1));
    EXPECT_EQ(Take().front(), "tune mode normal");
}

TEST(SpectrumSettle, IsScaledAsAsked) {
    auto kernel = std::make_shared<FakeKernel>();
    kernel->AddFrontend(0, 0);
    auto scan = linuxdvb::ScanFrontends(*kernel, kernel->Root(), {});
    linuxdvb::DvbTunerDriver driver(kernel, scan.frontends.at(0), 0.01);
    driver.MeasureSpectrumStep(1000000000, 50);
    EXPECT_EQ(kernel->Journal().back(), "sleep 500 us");
    kernel->Close(scan.frontends[0].fd);
}

}  // namespace
}  // namespace linuxdvb_test
