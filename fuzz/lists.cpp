// Whole list files of arbitrary bytes, read both as a channel list and as a satellite list. The
// byte-order mark in the input picks UTF-8 or UTF-16LE, so both encodings are explored.
#include <cstddef>
#include <cstdint>
#include <span>

#include "channels/ChannelList.h"
#include "channels/SatelliteList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    orvalen::ChannelList channels = orvalen::LoadChannelListFromBytes(bytes);
    if (channels.count < 0 || channels.count > orvalen::kMaxChannels) __builtin_trap();
    for (int i = 0; i < channels.count; ++i) {
        if (!channels.records[i] || !channels.records[i]->valid) __builtin_trap();
    }
    orvalen::SatelliteList satellites = orvalen::LoadSatelliteListFromBytes(bytes);
    (void)satellites;
    return 0;
}
