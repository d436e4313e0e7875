// What the LNB delivered while a sweep was made: the polarisation (the supply voltage), the band
// (the 22 kHz tone) and the DiSEqC position. A sweep steps the tuner across its input and leaves
// these as the tuner's last tune set them, so they are taken from that tune when the sweep
// starts. A tuner not tuned since its graph was made powers the LNB at 13 V without the tone:
// vertical, low band, no DiSEqC position.
#pragma once

#include <cstdint>

#include "tuner/TuneParameters.h"
#include "tuner/UniversalLnb.h"

struct LnbSetting {
    std::int32_t polarisation = 2;  // as in TuneParameters: 1 H, 2 V, 3 L, 4 R
    bool highBand = false;
    std::uint32_t lnbSource = 0;  // 1..4 (DiSEqC position A..D); 0 = none
};

// The setting a tune to `tune` leaves behind.
constexpr LnbSetting LnbSettingOf(const TuneParameters& tune) {
    return {tune.polarisation, tune.frequencyKHz >= static_cast<std::uint32_t>(kLnbSwitchKHz),
            tune.lnbSource};
}

// The satellite frequency, kHz, of an input frequency (kHz) seen through `lnb`.
constexpr std::int64_t SatelliteKHz(std::int64_t inputKHz, const LnbSetting& lnb) {
    return inputKHz + (lnb.highBand ? kHighOscillatorKHz : kLowOscillatorKHz);
}
