// SatelliteList: the eight tuning slots of "SatelliteList.csv", each with the record of the
// first valid line for it, or empty.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "channels/CsvTable.h"
#include "channels/SatelliteRecord.h"

namespace orvalen {

inline constexpr int kSatelliteSlots = 8;
inline constexpr int kLnbSourcesPerTuner = 4;

// The slot of tuner 1 or 2 and LNB source 1 to 4: 0 to 3 for tuner 1, 4 to 7 for tuner 2.
constexpr int SatelliteSlot(int tuner, int lnbSource) {
    return (tuner - 1) * kLnbSourcesPerTuner + (lnbSource - 1);
}

struct SatelliteList {
    std::array<std::unique_ptr<SatelliteRecord>, kSatelliteSlots> slots;
};

// Reads "SatelliteList.csv" in the working directory; a missing or unreadable file gives all
// slots empty. `why`, when given, hears of every dropped line.
SatelliteList LoadSatelliteList(ListReadObserver* why = nullptr);

// The same over the bytes of a satellite list file.
SatelliteList LoadSatelliteListFromBytes(std::span<const std::uint8_t> bytes,
                                         ListReadObserver* why = nullptr);

// Frees every record; all slots are empty afterwards.
void FreeSatelliteList(SatelliteList& list);

}  // namespace orvalen
