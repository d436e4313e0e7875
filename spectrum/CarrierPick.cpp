#include "spectrum/CarrierPick.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "spectrum/SpectrumMapping.h"
#include "spectrum/SpectrumStore.h"

namespace {

constexpr double kMHzPerColumn =
    static_cast<double>(kPlotLastMHz - kPlotFirstMHz) /
    (SpectrumToPixel(kPlotLastMHz, 0).x() - SpectrumToPixel(kPlotFirstMHz, 0).x());

// The carrier of `sweep` nearest `mhz`, when `mhz` is near enough to it.
std::optional<scan::FoundCarrier> NearestCarrier(std::span<const SpectrumPoint> sweep, double mhz) {
    std::optional<scan::FoundCarrier> nearest;
    for (const scan::FoundCarrier& carrier : scan::FindCarriers(sweep)) {
        const double distance = std::abs(carrier.centreMHz - mhz);
        if (distance > std::max(carrier.symbolRateMsps / 2, kMHzPerColumn)) continue;
        if (!nearest || distance < std::abs(nearest->centreMHz - mhz)) nearest = carrier;
    }
    return nearest;
}

}  // namespace

double PictureColumnMHz(int x) {
    return kPlotFirstMHz + (x - SpectrumToPixel(kPlotFirstMHz, 0).x()) * kMHzPerColumn;
}

std::optional<PickedCarrier> PickCarrier(const SpectrumStore& store, QPoint picturePoint) {
    const QImage* picture = store.Picture();
    if (!picture || !picture->rect().contains(picturePoint)) return std::nullopt;
    const double mhz = PictureColumnMHz(picturePoint.x());
    // The running sweep fills the current slot; once it has ended, the slot after it is current.
    const std::int32_t newest = store.Busy() ? store.CurrentSlot() : store.CurrentSlot() - 1;
    for (std::int32_t age = 0; age < store.PicturedSweeps(); ++age) {
        const std::int32_t slot = (newest - age + kSpectrumSlotCount * 2) % kSpectrumSlotCount;
        const SpectrumTrace& trace = store.Traces()[static_cast<std::size_t>(slot)];
        if (!trace.points || trace.tuner == 0) continue;
        const std::span<const SpectrumPoint> sweep(trace.points.get(),
                                                   static_cast<std::size_t>(trace.count));
        if (const auto carrier = NearestCarrier(sweep, mhz))
            return PickedCarrier{trace.tuner, *carrier, trace.lnb};
    }
    return std::nullopt;
}
