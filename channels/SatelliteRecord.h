// SatelliteRecord: one line of "SatelliteList.csv", naming the channel list file of one
// tuning slot (tuner 1 or 2, LNB source 1 to 4). Built by ParseSatelliteRecord.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "channels/CsvField.h"

namespace orvalen {

struct SatelliteRecord {
    std::uint8_t valid = 0;  // 1 when NAME and ChannelList are given and Tuner, LNBSource in range
    std::optional<std::u16string> name;             // required, never shown
    std::optional<std::u16string> comment;          // never used
    std::optional<std::u16string> channelListFile;  // opened unchanged
    std::int32_t tuner = 0;                         // 1 or 2; 0 = not given
    std::int32_t lnbSource = 0;                     // 1 to 4; 0 = not given
};

// As ParseChannelRecord: texts first-wins, numbers last-wins; never fails.
std::unique_ptr<SatelliteRecord> ParseSatelliteRecord(std::span<const std::u16string_view> names,
                                                      const CsvFields& fields, int columnCount);

}  // namespace orvalen
