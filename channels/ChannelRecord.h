// ChannelRecord: one channel of a channel list file, built from one line by
// ParseChannelRecord. Its values go to the tuner unchanged (frequency in kHz, symbol rate in
// ksymbol/s as written).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "channels/CsvField.h"

namespace orvalen {

// Values of ChannelRecord::polarisation, as the tuning interfaces take them.
inline constexpr std::int32_t kPolarisationNotSet = -1;
inline constexpr std::int32_t kPolarisationHorizontal = 1;
inline constexpr std::int32_t kPolarisationVertical = 2;
inline constexpr std::int32_t kPolarisationCircularLeft = 3;
inline constexpr std::int32_t kPolarisationCircularRight = 4;

struct ChannelRecord {
    std::uint8_t valid = 0;                 // 1 when NAME, FREQ, SR and POL are all given
    std::uint32_t frequencyKHz = 0;         // 0 = not given
    std::int32_t symbolRate = 0;            // ksymbol/s as written; 0 = not given
    std::int32_t onid = -1;                 // -1 = not given
    std::int32_t tsid = -1;                 // -1 = not given
    std::int32_t sid = -1;                  // -1 = not given
    std::optional<std::u16string> name;     // the menu text
    std::optional<std::u16string> comment;  // stored, never used
    std::int32_t polarisation = kPolarisationNotSet;
};

// A FREQ value below this (compared unsigned) is in MHz, anything else in kHz.
inline constexpr std::uint32_t kFrequencyKHzThreshold = 2500000;

// Builds a record from the first `columnCount` column names and values of one line (values
// past the line's last field are none). Texts: the first column with a value wins; numbers and
// POL: the last one does. Never fails; the record says whether it is valid.
std::unique_ptr<ChannelRecord> ParseChannelRecord(std::span<const std::u16string_view> names,
                                                  std::span<const CsvField> values,
                                                  int columnCount);

}  // namespace orvalen
