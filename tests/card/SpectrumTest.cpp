// Spectrum steps: a sweep of 950-2150 MHz in 2 MHz steps on the current LNB state shows each
// carrier as a raised-cosine hump of its symbol rate above the noise floor, inside 30-80 dB, the
// other polarisation's carriers far down, and a floor shaped by the LNB and the cable.
#include <algorithm>
#include <cmath>

#include "CardTestSupport.h"
#include "card/SignalModel.h"

namespace cardtest {
namespace {

using namespace card;
using namespace cardkit;

class SpectrumTest : public CardTest {
protected:
    // One step as the program sends it; the level read after it, in dB.
    double Step(std::uint32_t frequencyMHz, std::uint32_t settle = 50) {
        Bytes data = Words({frequencyMHz * 1000000u, 2000000, 0xFFFFFFFFu, 0, settle});
        EXPECT_EQ(Property(*m_tuner.control,
                           NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SPECTRUM_STEP,
                                      KSPROPERTY_TYPE_SET, 0),
                           data).hr,
                  S_OK);
        std::int32_t strength = 0;
        query<IBDA_SignalStatistics>(m_tuner.node)->get_SignalStrength(&strength);
        return (100000 - strength) / 1000.0;
    }

    std::vector<double> Sweep() {
        std::vector<double> levels;
        for (std::uint32_t f = 950; f <= 2150; f += 2) levels.push_back(Step(f, f == 950 ? 1000 : 50));
        return levels;
    }

    // The mean of `count` steps at `ifMHz`, where the noise of single steps averages out.
    double Averaged(double ifMHz, int count = 16) {
        double sum = 0;
        for (int i = 0; i < count; ++i) sum += Step(static_cast<std::uint32_t>(ifMHz));
        return sum / count;
    }

    static double At(const std::vector<double>& sweep, double ifMHz) {
        return sweep[static_cast<std::size_t>(std::lround((ifMHz - 950.0) / 2.0))];
    }

    void SetUp() override {
        CardTest::SetUp();
        m_tuner = OpenTuner(1);
        ASSERT_TRUE(m_tuner.control);
    }

    TunerHandles m_tuner;
};

TEST_F(SpectrumTest, EachCarrierOfTheLnbStateIsAHumpAboveTheFloorInsideThePicture) {
    // Helion, horizontal, low band: 10729, 10773, 10817 MHz at IF 979, 1023, 1067.
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    const auto sweep = Sweep();
    ASSERT_EQ(sweep.size(), 601u);
    for (const double level : sweep) {
        EXPECT_GT(level, 30.0);
        EXPECT_LT(level, 80.0);
    }
    for (const double ifMHz : {979.0, 1023.0, 1067.0}) EXPECT_GT(At(sweep, ifMHz), 55.0) << ifMHz;
}

TEST_F(SpectrumTest, TheOtherPolarisationShowsTwentyToTwentyFiveDecibelsDown) {
    // Helion 11169 H (IF 1419) between 11147 V and a gap in the vertical plan at 11191 V.
    Tune(m_tuner, 11169000, BDA_POLARISATION_LINEAR_H, 25000, 1);
    const double copolar = Averaged(1419);
    Tune(m_tuner, 11191000, BDA_POLARISATION_LINEAR_V, 27500, 1);
    const double leaked = Averaged(1419);
    EXPECT_GT(copolar - leaked, 20.0);
    EXPECT_LT(copolar - leaked, 25.0);
}

TEST_F(SpectrumTest, TheHumpHasTheRaisedCosineShapeOfItsSymbolRate) {
    // 10773 H, 27.5 Msym/s, DVB-S roll-off 0.35: flat to 8.9 MHz off centre, gone at 18.6 MHz.
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    const double centre = 1023.0;
    auto averaged = [&](double ifMHz) { return Averaged(ifMHz); };
    const double peak = averaged(centre);
    EXPECT_NEAR(averaged(centre + 4), peak, 0.5);  // flat top
    EXPECT_NEAR(averaged(centre + 8), peak, 0.5);
    const double flank = 10 * std::log10(RaisedCosine(12.0, 27.5, 0.35));
    EXPECT_NEAR(flank, -1.1, 0.1);
    EXPECT_NEAR(averaged(centre + 12) - peak, flank, 0.5);
    EXPECT_NEAR(averaged(centre - 12) - peak, flank, 0.5);  // symmetric
    const double lower = averaged(centre + 16) - peak;
    EXPECT_LT(lower, -5.0);
    EXPECT_GT(lower, -10.0);
    EXPECT_LT(averaged(centre + 20) - peak, -20.0);  // down to 10795 V leaking through
}

TEST_F(SpectrumTest, AStepLeavesTheTransponderUntilTheNextTune) {
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_NE(m_card->CurrentReception(1).transponder, nullptr);
    Step(1200);
    EXPECT_EQ(m_card->CurrentReception(1).transponder, nullptr);
    std::int32_t quality = -1;
    query<IBDA_SignalStatistics>(m_tuner.node)->get_SignalQuality(&quality);
    EXPECT_EQ(quality, 0);
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    EXPECT_NE(m_card->CurrentReception(1).transponder, nullptr);
}

TEST_F(SpectrumTest, TheHighBandShowsTheUpperTransponders) {
    // Helion high band, vertical: 12366 V at IF 1766.
    Tune(m_tuner, 12366000, BDA_POLARISATION_LINEAR_V, 29900, 1);
    EXPECT_GT(At(Sweep(), 1766.0), 55.0);
}

TEST_F(SpectrumTest, TheFloorRollsOffAtTheBandEdgesAndFallsAlongTheCable) {
    CardConfig config = TestCardConfig();
    config.sky = Sky{};
    Install(config);
    m_tuner = OpenTuner(1);
    auto mean = [&](double firstMHz, double lastMHz) {
        double sum = 0;
        int count = 0;
        for (double f = firstMHz; f <= lastMHz; f += 2, ++count) sum += Averaged(f, 4);
        return sum / count;
    };
    const double lowEdge = mean(950, 956);
    const double lowInside = mean(1100, 1200);
    const double highInside = mean(1950, 2050);
    const double highEdge = mean(2144, 2150);
    EXPECT_GT(lowInside - lowEdge, 1.0);
    EXPECT_GT(highInside - highEdge, 1.0);
    EXPECT_GT(lowInside - highInside, 1.5);
    EXPECT_GT(highEdge, 30.0);
    EXPECT_LT(lowInside, 40.0);
}

}  // namespace
}  // namespace cardtest
