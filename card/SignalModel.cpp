#include "card/SignalModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace card {
namespace {

// Noise density leaving the LNB in the middle of its band, and the tuner's own noise.
constexpr double kLnbNoiseDb = 38.0;
constexpr double kTunerNoiseDb = 30.0;
// The LNB's gain falls off toward both ends of the IF range, over about this many MHz.
constexpr double kLowEdgeRollOffDb = 3.0;
constexpr double kLowEdgeWidthMHz = 60.0;
constexpr double kHighEdgeRollOffDb = 4.0;
constexpr double kHighEdgeWidthMHz = 90.0;
// The cable loses this much more at the top of the IF range than at its bottom; reflections
// between its ends make a ripple of this depth and period.
constexpr double kCableSlopeDb = 4.0;
constexpr double kRippleDb = 0.3;
constexpr double kRipplePeriodMHz = 70.0;
// The feed's cross-polar discrimination: best in the middle of the band, worst at its ends.
constexpr double kBestDiscriminationDb = 25.0;
constexpr double kWorstDiscriminationDb = 20.0;
// Below this carrier-to-noise ratio a demodulator loses the carrier; the quality scale spans
// this many dB above it.
constexpr double kQualitySpanDb = 25.0;
// Tuning tolerance: a demodulator pulls in a carrier within 2 MHz or a tenth of its symbol
// rate, and accepts a symbol rate within 3 %.
constexpr double kPullInMHz = 2.0;
constexpr double kPullInPerMsps = 0.1;
constexpr double kSymbolRateTolerance = 0.03;
// The LNB's output filter passes a little more than the tuner's input range.
constexpr double kLnbFilterMarginMHz = 50.0;

bool PassesLnbFilter(double ifMHz) {
    return ifMHz >= kIfFirstMHz - kLnbFilterMarginMHz && ifMHz <= kIfLastMHz + kLnbFilterMarginMHz;
}

double BandFraction(double ifMHz) { return (ifMHz - kIfFirstMHz) / (kIfLastMHz - kIfFirstMHz); }

double AddPowersDb(double aDb, double bDb) {
    return 10.0 * std::log10(std::pow(10.0, aDb / 10.0) + std::pow(10.0, bDb / 10.0));
}

double RequiredCarrierToNoiseDb(const Transponder& transponder) {
    const double rate =
        static_cast<double>(transponder.codeRateNumerator) / transponder.codeRateDenominator;
    // Roughly the Es/N0 a demodulator needs: QPSK 3/4 5.5 dB, 8PSK 2/3 6.8 dB.
    const double base = transponder.modulation == Modulation::Dvbs2Psk8 ? 1.5 : -0.5;
    return base + 8.0 * rate;
}

}  // namespace

double RaisedCosine(double offsetMHz, double symbolRateMsps, double rollOff) {
    const double distance = std::abs(offsetMHz);
    const double flatEdge = (1.0 - rollOff) * symbolRateMsps / 2.0;
    const double outerEdge = (1.0 + rollOff) * symbolRateMsps / 2.0;
    if (distance <= flatEdge) return 1.0;
    if (distance >= outerEdge) return 0.0;
    return 0.5 * (1.0 + std::cos(std::numbers::pi / (rollOff * symbolRateMsps) *
                                 (distance - flatEdge)));
}

double SignalModel::IntermediateMHz(double downlinkMHz, bool highBand) {
    return downlinkMHz - (highBand ? kLnbHighOscillatorMHz : kLnbLowOscillatorMHz);
}

double SignalModel::ResponseDb(double ifMHz) {
    const double lnbGain =
        -kLowEdgeRollOffDb * std::exp(-(ifMHz - kIfFirstMHz) / kLowEdgeWidthMHz) -
        kHighEdgeRollOffDb * std::exp(-(kIfLastMHz - ifMHz) / kHighEdgeWidthMHz);
    const double ripple = kRippleDb * std::sin(2.0 * std::numbers::pi * ifMHz / kRipplePeriodMHz);
    return lnbGain - kCableSlopeDb * BandFraction(ifMHz) + ripple;
}

double SignalModel::NoiseFloorDb(double ifMHz) {
    return AddPowersDb(kLnbNoiseDb + ResponseDb(ifMHz), kTunerNoiseDb);
}

double SignalModel::CrossPolarDiscriminationDb(double ifMHz) {
    const double offCentre = 2.0 * BandFraction(ifMHz) - 1.0;
    return kBestDiscriminationDb -
           (kBestDiscriminationDb - kWorstDiscriminationDb) * offCentre * offCentre;
}

const Satellite* SignalModel::SatelliteAt(int position) const {
    const Sky& sky = m_sky();
    if (position < 1 || position > static_cast<int>(sky.positions.size())) return nullptr;
    return &sky.positions[static_cast<std::size_t>(position - 1)];
}

std::vector<SignalModel::Carrier> SignalModel::CarriersIn(const LnbState& state,
                                                          LinearPolarisation polarisation) const {
    std::vector<Carrier> carriers;
    const Satellite* satellite = SatelliteAt(state.position);
    if (!satellite) return carriers;
    for (const auto& transponder : satellite->transponders) {
        const double ifMHz = IntermediateMHz(transponder.frequencyMHz, state.highBand);
        if (transponder.polarisation == polarisation && PassesLnbFilter(ifMHz))
            carriers.push_back({&transponder, ifMHz});
    }
    return carriers;
}

// Runs once per spectrum step over every transponder of the satellite, so it reckons what
// depends only on the frequency once and leaves out carriers that do not reach it early.
double SignalModel::LevelDb(const LnbState& state, double ifMHz) const {
    double level = NoiseFloorDb(ifMHz);
    const Satellite* satellite = SatelliteAt(state.position);
    if (!satellite) return level;
    const double response = ResponseDb(ifMHz);
    const double discrimination = CrossPolarDiscriminationDb(ifMHz);
    for (const auto& transponder : satellite->transponders) {
        const double carrierIfMHz = IntermediateMHz(transponder.frequencyMHz, state.highBand);
        const double shape = RaisedCosine(ifMHz - carrierIfMHz, transponder.symbolRate / 1000.0,
                                          transponder.rollOff);
        if (shape <= 0.0 || !PassesLnbFilter(carrierIfMHz)) continue;
        const double weakening =
            transponder.polarisation == state.polarisation ? 0.0 : discrimination;
        level = AddPowersDb(level,
                            transponder.powerDb + response - weakening + 10.0 * std::log10(shape));
    }
    return level;
}

const Transponder* SignalModel::Lock(const LnbState& state, double ifMHz,
                                     double symbolRate) const {
    for (const auto& carrier : CarriersIn(state, state.polarisation)) {
        const auto& transponder = *carrier.transponder;
        const double pullIn = std::max(kPullInMHz, transponder.symbolRate / 1000.0 * kPullInPerMsps);
        if (std::abs(ifMHz - carrier.ifMHz) > pullIn) continue;
        if (std::abs(symbolRate - transponder.symbolRate) >
            transponder.symbolRate * kSymbolRateTolerance)
            continue;
        if (QualityPercent(state, transponder) <= 0.0) continue;
        return &transponder;
    }
    return nullptr;
}

double SignalModel::QualityPercent(const LnbState& state, const Transponder& transponder) const {
    const double ifMHz = IntermediateMHz(transponder.frequencyMHz, state.highBand);
    const double carrierToNoise = transponder.powerDb + ResponseDb(ifMHz) - NoiseFloorDb(ifMHz);
    const double margin = carrierToNoise - RequiredCarrierToNoiseDb(transponder);
    return std::clamp(100.0 * margin / kQualitySpanDb, 0.0, 100.0);
}

}  // namespace card
