// Finds the carriers in one spectrum sweep (the tuner graph's steps: MHz and thousandths of a
// dB, in frequency order, evenly spaced) and estimates each one's centre and symbol rate.
//
// A carrier is a rise above the noise floor with two edges. The floor at each step is the 10th
// percentile of the levels within 100 MHz of it, averaged over 60 MHz either side: it follows
// the LNB's and the cable's slopes but neither the carriers nor the gaps between them. Each
// step's level becomes the carrier power over that floor (linear, floor subtracted), so a weak
// carrier's edges are not widened by the noise under it and a slope under a wide carrier does
// not tilt its top. In each run of steps more than 2 dB over the floor the highest step is taken
// first: its carrier's edges are where the power falls to half the plateau (interpolated between
// the steps either side), and the plateau is the mean of the steps in the middle half between
// the edges (found again twice, starting from the peak step), which are on the flat top whatever
// the roll-off. The rise owns the steps down to the valleys either side; what is left of the run
// either side is searched the same way. So ripple and noise on a wide carrier's top (well under
// 3 dB) never split it, and two carriers whose dip goes 3 dB under the plateau of the one
// searched first are two. A rise without a step under half its plateau on both sides (the skirt
// of a neighbour, a carrier cut by an end of the sweep), or less than 3 dB over the floor, is
// not a carrier.
//
// The rule for the symbol rate: a carrier shaped by raised-cosine filters has the power spectrum
// of a raised cosine, flat over (1 - roll-off) x SR, zero beyond (1 + roll-off) x SR, and at half
// its power exactly SR wide whatever its roll-off. So SR (Msymbol/s) = width at -3 dB (MHz);
// the occupied width, SR x (1 + roll-off), would need the roll-off (0.35 for DVB-S, 0.20 to 0.35
// for DVB-S2), which the sweep cannot tell. The estimate is only as fine as the steps: on the
// program's 2 MHz steps it came within 7 % for rates of 10 Msymbol/s and more, and within 2.5
// Msymbol/s below, where a carrier is seen by one or two steps at most (one narrower than a
// step may fall between steps and not be seen at all). The centre comes within half the rate.
// The scanner, and a click on a narrow carrier in the spectrum picture, try the common rates near
// the estimate (SymbolRateLadder.h).
//
// Pure; any thread.
#pragma once

#include <span>
#include <vector>

#include "tuner/WorkerMessages.h"

namespace scan {

struct FoundCarrier {
    double centreMHz = 0;       // in the sweep's frequencies (the tuner's input)
    double symbolRateMsps = 0;  // the width at -3 dB
    double riseDb = 0;          // plateau over the floor under it
};

// The carriers of `sweep`, in frequency order. A sweep of fewer than three steps has none.
std::vector<FoundCarrier> FindCarriers(std::span<const SpectrumPoint> sweep);

}  // namespace scan
