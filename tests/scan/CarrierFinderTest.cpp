// The carrier finder on sweeps the simulated card makes (its signal model, its noise, the
// program's 2 MHz steps): of the built-in sky and of skies made to be hard, with carriers close
// together, very wide and very narrow ones, weak ones and ones near the ends of the band.
#include <gtest/gtest.h>

#include <cmath>

#include "card/CardConfig.h"
#include "card/SimulatedCard.h"
#include "scan/CarrierFinder.h"

namespace scantest {
namespace {

using card::LinearPolarisation;
using card::LnbState;
using scan::FoundCarrier;

constexpr int kFirstMHz = 950;
constexpr int kLastMHz = 2150;
constexpr int kStepMHz = 2;
// A carrier must be found when it stands this far over the floor at one of the sweep's steps.
constexpr double kMustFindDb = 6.0;

// One sweep of tuner 1 on `state` as the program makes it: a tune that sets the LNB, then every
// step's level.
std::vector<SpectrumPoint> Sweep(const card::Sky& sky, const LnbState& state, std::uint32_t seed) {
    card::CardConfig config = card::TestCardConfig();
    config.sky = sky;
    config.noiseSeed = seed;
    card::SimulatedCard simulated(config);
    cardkit::TuningSettings tune;
    tune.frequency = state.highBand ? 12000000 : 10750000;
    tune.polarity = state.polarisation == LinearPolarisation::Horizontal
                        ? BDA_POLARISATION_LINEAR_H
                        : BDA_POLARISATION_LINEAR_V;
    tune.symbolRate = 27500;
    tune.lnbSource = static_cast<std::uint32_t>(state.position);
    EXPECT_EQ(simulated.CommitTune(1, tune), S_OK);
    std::vector<SpectrumPoint> sweep;
    for (int mhz = kFirstMHz; mhz <= kLastMHz; mhz += kStepMHz) {
        simulated.MeasureSpectrumStep(1, static_cast<std::uint32_t>(mhz) * 1000000u, 50);
        sweep.push_back({mhz, LevelFromStrength(simulated.SignalStrength(1))});
    }
    return sweep;
}

struct Expected {
    double ifMHz;
    double symbolRateMsps;
    double riseDb;  // the most it stands over the floor at a step, without noise
};

// The carriers of `state`'s polarisation and band, with how far each shows at the steps.
std::vector<Expected> CarriersOf(const card::Sky& sky, const LnbState& state) {
    const card::SignalModel model(sky);
    std::vector<Expected> expected;
    for (const auto& carrier : model.CarriersIn(state, state.polarisation)) {
        const double rate = carrier.transponder->symbolRate / 1000.0;
        double rise = 0;
        for (int mhz = kFirstMHz; mhz <= kLastMHz; mhz += kStepMHz)
            if (std::abs(mhz - carrier.ifMHz) < rate)
                rise = std::max(rise, model.LevelDb(state, mhz) - model.NoiseFloorDb(mhz));
        expected.push_back({carrier.ifMHz, rate, rise});
    }
    return expected;
}

struct Errors {
    double worstRateError = 0;  // relative
    double worstRateErrorMsps = 0;
};

// Every carrier over kMustFindDb whose half-power width lies within the sweep found once (one
// cut by an end of the band shows whole in the other band, which overlaps it by 350 MHz), within
// half its symbol rate; every carrier found one of the sky's (either polarisation: the other one
// leaks through the feed).
void ExpectFound(const card::Sky& sky, const LnbState& state, std::uint32_t seed, Errors& errors) {
    const auto found = scan::FindCarriers(Sweep(sky, state, seed));
    const auto expected = CarriersOf(sky, state);
    for (const Expected& e : expected) {
        const bool whole =
            e.ifMHz - e.symbolRateMsps / 2 > kFirstMHz && e.ifMHz + e.symbolRateMsps / 2 < kLastMHz;
        if (e.riseDb < kMustFindDb || !whole) continue;
        int matches = 0;
        for (const FoundCarrier& f : found) {
            if (std::abs(f.centreMHz - e.ifMHz) > e.symbolRateMsps / 2) continue;
            ++matches;
            const double error = std::abs(f.symbolRateMsps - e.symbolRateMsps);
            errors.worstRateErrorMsps = std::max(errors.worstRateErrorMsps, error);
            if (e.symbolRateMsps >= 10)
                errors.worstRateError = std::max(errors.worstRateError, error / e.symbolRateMsps);
            EXPECT_LE(error, e.symbolRateMsps >= 10 ? 0.07 * e.symbolRateMsps : 1.25 * kStepMHz)
                << e.ifMHz << " MHz, " << e.symbolRateMsps << " Msym/s: " << f.symbolRateMsps;
        }
        EXPECT_EQ(matches, 1) << "position " << state.position << ", " << e.ifMHz << " MHz, "
                              << e.symbolRateMsps << " Msym/s, " << e.riseDb << " dB";
    }
    const card::SignalModel model(sky);
    const auto other = model.CarriersIn(state, state.polarisation == LinearPolarisation::Horizontal
                                                   ? LinearPolarisation::Vertical
                                                   : LinearPolarisation::Horizontal);
    for (const FoundCarrier& f : found) {
        const auto near = [&f](double ifMHz, double rate) {
            return std::abs(f.centreMHz - ifMHz) <= rate / 2;
        };
        bool known = false;
        for (const Expected& e : expected) known |= near(e.ifMHz, e.symbolRateMsps);
        for (const auto& c : other) known |= near(c.ifMHz, c.transponder->symbolRate / 1000.0);
        EXPECT_TRUE(known) << "found at " << f.centreMHz << " MHz, " << f.symbolRateMsps
                           << " Msym/s, " << f.riseDb << " dB";
    }
}

TEST(CarrierFinder, FindsEveryCarrierOfTheBuiltInSkyInEachLnbSetting) {
    const card::Sky sky = card::DefaultSky();
    Errors errors;
    for (int position = 1; position <= 4; ++position)
        for (const auto polarisation :
             {LinearPolarisation::Horizontal, LinearPolarisation::Vertical})
            for (const bool high : {false, true})
                ExpectFound(sky, {position, polarisation, high}, 7u * position, errors);
    std::printf("symbol rate: worst %.1f %% at 10 Msym/s and over, worst %.2f Msym/s\n",
                100 * errors.worstRateError, errors.worstRateErrorMsps);
}

card::Transponder Carrier(std::uint32_t frequencyMHz, std::uint32_t symbolRate, double powerDb,
                          double rollOff = 0.35) {
    card::Transponder t;
    t.frequencyMHz = frequencyMHz;
    t.symbolRate = symbolRate;
    t.powerDb = powerDb;
    t.rollOff = rollOff;
    if (rollOff != 0.35) t.modulation = card::Modulation::Dvbs2Psk8;
    return t;
}

TEST(CarrierFinder, TellsCloseCarriersApartAndKeepsWideOnesWhole) {
    card::Sky sky;
    sky.positions[0].name = "Made up";
    sky.positions[0].transponders = {
        Carrier(10725, 27500, 64.0),        // IF 975, on the LNB's falling low edge
        Carrier(10800, 20000, 65.0),        // IF 1050 and 1073: the dip between them is
        Carrier(10823, 20000, 63.0),        // 4 dB under the weaker one's top
        Carrier(11000, 45000, 66.0),        // IF 1250, 61 MHz wide, the cable's ripple on it
        Carrier(11150, 1500, 60.0),         // IF 1400, narrower than a step
        Carrier(11300, 27500, 45.5),        // IF 1550, about 7 dB over the floor
        Carrier(11400, 30000, 62.0, 0.20),  // IF 1650 and 1686: touching, roll-off 0.20
        Carrier(11436, 27500, 68.0),        // beside a steeper DVB-S2 carrier
    };
    Errors errors;
    for (std::uint32_t seed = 1; seed <= 8; ++seed)
        ExpectFound(sky, {1, LinearPolarisation::Horizontal, false}, seed, errors);
}

TEST(CarrierFinder, FindsNothingInTheFloorOrInTooShortASweep) {
    card::Sky empty;
    Errors errors;
    EXPECT_TRUE(
        scan::FindCarriers(Sweep(empty, {1, LinearPolarisation::Vertical, false}, 3)).empty());
    const std::vector<SpectrumPoint> two{{950, 40000}, {952, 70000}};
    EXPECT_TRUE(scan::FindCarriers(two).empty());
}

}  // namespace
}  // namespace scantest
