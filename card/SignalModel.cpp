#include "card/SignalModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace card {
namespace {

// The noise floor of the LNB and tuner, and how much the cable tilts it and the carriers
// across the IF band.
constexpr double kFloorAtBandStartDb = 37.5;
constexpr double kFloorTiltDb = 2.5;
constexpr double kCableTiltDb = 4.0;
// Below this carrier-to-noise ratio a demodulator loses the carrier; the quality scale spans
// this many dB above it.
constexpr double kQualitySpanDb = 25.0;
// Tuning tolerance: a demodulator pulls in a carrier within 2 MHz or a tenth of its symbol
// rate, and accepts a symbol rate within 3 %.
constexpr double kPullInMHz = 2.0;
constexpr double kPullInPerMsps = 0.1;
constexpr double kSymbolRateTolerance = 0.03;

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

double SignalModel::NoiseFloorDb(double ifMHz) const {
    return kFloorAtBandStartDb - kFloorTiltDb * BandFraction(ifMHz);
}

double SignalModel::CarrierPeakDb(const Transponder& transponder, double ifMHz) const {
    return transponder.powerDb - kCableTiltDb * BandFraction(ifMHz);
}

std::vector<SignalModel::Carrier> SignalModel::VisibleCarriers(const LnbState& state) const {
    std::vector<Carrier> carriers;
    if (state.position < 1 || state.position > static_cast<int>(m_sky.positions.size()))
        return carriers;
    for (const auto& transponder : m_sky.positions[state.position - 1].transponders) {
        if (transponder.polarisation != state.polarisation) continue;
        const double ifMHz = IntermediateMHz(transponder.frequencyMHz, state.highBand);
        // The LNB's output filter passes a little more than the tuner's input range.
        if (ifMHz < kIfFirstMHz - 50.0 || ifMHz > kIfLastMHz + 50.0) continue;
        carriers.push_back({&transponder, ifMHz});
    }
    return carriers;
}

double SignalModel::LevelDb(const LnbState& state, double ifMHz) const {
    double level = NoiseFloorDb(ifMHz);
    for (const auto& carrier : VisibleCarriers(state)) {
        const auto& transponder = *carrier.transponder;
        const double shape = RaisedCosine(ifMHz - carrier.ifMHz, transponder.symbolRate / 1000.0,
                                          RollOff(transponder.modulation));
        if (shape <= 0.0) continue;
        level = AddPowersDb(level, CarrierPeakDb(transponder, ifMHz) + 10.0 * std::log10(shape));
    }
    return level;
}

const Transponder* SignalModel::Lock(const LnbState& state, double ifMHz,
                                     double symbolRate) const {
    for (const auto& carrier : VisibleCarriers(state)) {
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
    const double carrierToNoise = CarrierPeakDb(transponder, ifMHz) - NoiseFloorDb(ifMHz);
    const double margin = carrierToNoise - RequiredCarrierToNoiseDb(transponder);
    return std::clamp(100.0 * margin / kQualitySpanDb, 0.0, 100.0);
}

}  // namespace card
