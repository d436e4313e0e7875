#include "ExampleChannels.h"

#include "FileBytes.h"
#include "channels/ChannelList.h"
#include "channels/SatelliteList.h"

std::vector<ExampleChannel> LoadExampleChannels(const std::filesystem::path& folder) {
    std::vector<ExampleChannel> channels;
    const auto satellites =
        orvalen::LoadSatelliteListFromBytes(FileBytes(folder / "SatelliteList.csv"));
    for (const auto& satellite : satellites.slots) {
        if (!satellite || !satellite->channelListFile) continue;
        auto list = orvalen::LoadChannelListFromBytes(
            FileBytes(folder / std::filesystem::path(*satellite->channelListFile)));
        for (int i = 0; i < list.count; ++i) {
            const orvalen::ChannelRecord& channel = *list.records[i];
            channels.push_back(
                {satellite->tuner,
                 {channel.frequencyKHz, channel.symbolRate, channel.onid, channel.tsid, channel.sid,
                  channel.polarisation, static_cast<std::uint32_t>(satellite->lnbSource)}});
        }
    }
    return channels;
}
