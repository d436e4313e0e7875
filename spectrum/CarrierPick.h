// Which carrier of the spectrum picture a point of it names: the one the carrier finder sees
// nearest the point's column in the topmost sweep that has one there. A carrier is near when the
// column lies within half its width (its estimated symbol rate, in MHz) of its centre, and never
// less than one column (2 MHz) either side, so that a carrier one column wide can be hit.
// Sweeps are searched newest first, as the newest is drawn over the others; only the sweeps
// drawn on the picture count, so a picture loaded from a file has none.
//
// User-interface thread (it reads the store).
#pragma once

#include <QPoint>
#include <cstdint>
#include <optional>

#include "scan/CarrierFinder.h"
#include "spectrum/LnbSetting.h"

class SpectrumStore;

struct PickedCarrier {
    std::int32_t tuner = 0;      // 1 or 2: the tuner that made the sweep
    scan::FoundCarrier carrier;  // centre in the sweep's (input) frequencies
    LnbSetting lnb;              // what the sweep was made through
};

// The input frequency, MHz, of the picture's column `x`.
double PictureColumnMHz(int x);

// The carrier nearest `picturePoint` (picture pixels), or none.
std::optional<PickedCarrier> PickCarrier(const SpectrumStore& store, QPoint picturePoint);
