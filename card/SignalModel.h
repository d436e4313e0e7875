// The physics between the dish and the tuner input. A universal LNB (9750/10600 MHz, band switch
// at 11700 MHz) converts each satellite's band to the 950-2150 MHz intermediate frequency, with
// its own noise and a gain that rolls off toward both ends of that range; its feed lets through
// the other polarisation's carriers 20-25 dB down. The cable loses more at higher frequencies
// and its mismatches add a small ripple; the tuner adds a little noise of its own. What the
// tuner sees is that floor plus each carrier's raised-cosine spectrum. Levels are in dB on the
// card's 30-80 dB scale.
//
// Pure functions of the sky; the noise is added by the caller, which owns the random source.
#pragma once

#include <functional>
#include <vector>

#include "card/SkyOnFirstUse.h"

namespace card {

inline constexpr double kLnbLowOscillatorMHz = 9750.0;
inline constexpr double kLnbHighOscillatorMHz = 10600.0;
inline constexpr double kLnbSwitchMHz = 11700.0;
inline constexpr double kIfFirstMHz = 950.0;
inline constexpr double kIfLastMHz = 2150.0;

// What the LNB (and the switch before it) delivers to one tuner: the satellite, the polarisation
// chosen by the supply voltage and the band chosen by the 22 kHz tone.
struct LnbState {
    int position = 1;  // 1..4
    LinearPolarisation polarisation = LinearPolarisation::Vertical;
    bool highBand = false;
    friend bool operator==(const LnbState&, const LnbState&) = default;
};

class SignalModel {
public:
    // The model keeps a reference: the sky must outlive it.
    explicit SignalModel(const Sky& sky) : m_sky([&sky]() -> const Sky& { return sky; }) {}
    explicit SignalModel(const SkyOnFirstUse& sky)
        : m_sky([&sky]() -> const Sky& { return sky.Get(); }) {}

    // Intermediate frequency of a downlink frequency in the band of `state`.
    static double IntermediateMHz(double downlinkMHz, bool highBand);

    // Level of the input with no carrier at `ifMHz`.
    static double NoiseFloorDb(double ifMHz);
    // Level of the whole input at `ifMHz`: noise floor plus every carrier's shape, those of the
    // other polarisation weakened by the feed's cross-polar discrimination.
    double LevelDb(const LnbState& state, double ifMHz) const;
    // The transponder that a tuner at `ifMHz` with `symbolRate` (ksymbol/s) locks to, if any.
    const Transponder* Lock(const LnbState& state, double ifMHz, double symbolRate) const;
    // Reception quality in percent for a locked transponder, from its carrier-to-noise ratio.
    double QualityPercent(const LnbState& state, const Transponder& transponder) const;

    // Carriers of `polarisation` in the IF band of `state`, with their intermediate frequencies.
    struct Carrier {
        const Transponder* transponder;
        double ifMHz;
    };
    std::vector<Carrier> CarriersIn(const LnbState& state, LinearPolarisation polarisation) const;

    // How far the feed keeps the other polarisation down at `ifMHz`, dB.
    static double CrossPolarDiscriminationDb(double ifMHz);

private:
    const Satellite* SatelliteAt(int position) const;
    // What the LNB's gain and the cable make of a level leaving the LNB feed at `ifMHz`.
    static double ResponseDb(double ifMHz);

    std::function<const Sky&()> m_sky;
};

// Power spectral shape of a carrier, 1 in the flat part, 0 outside its occupied bandwidth.
double RaisedCosine(double offsetMHz, double symbolRateMsps, double rollOff);

}  // namespace card
