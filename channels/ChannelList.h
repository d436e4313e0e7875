// ChannelList: the channels of one tuning slot, at most 100, in file order. A channel's index
// in the list is part of its menu command id.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "channels/ChannelRecord.h"
#include "channels/CsvTable.h"

namespace orvalen {

inline constexpr int kMaxChannels = 100;

struct ChannelList {
    std::int32_t count = 0;  // records[0 .. count) are set, the rest empty
    std::array<std::unique_ptr<ChannelRecord>, kMaxChannels> records;
};

// Reads the channel list file `fileName` (opened unchanged, relative to the working
// directory). Keeps the first 100 valid records and reads on to the end; a missing or
// unreadable file gives an empty list. `why`, when given, hears of every dropped line.
ChannelList LoadChannelList(std::u16string_view fileName, ListReadObserver* why = nullptr);

// The same over the bytes of a channel list file.
ChannelList LoadChannelListFromBytes(std::span<const std::uint8_t> bytes,
                                     ListReadObserver* why = nullptr);

// Frees every record; the list is empty afterwards.
void FreeChannelList(ChannelList& list);

}  // namespace orvalen
