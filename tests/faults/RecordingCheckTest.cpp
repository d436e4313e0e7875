// The recording checker must tell a stream that began again after a retune from one that lost,
// repeated or garbled packets; otherwise a fault run that passes would say nothing.
#include <gtest/gtest.h>

#include "RecordingCheck.h"
#include "card/TransportStreamGenerator.h"

namespace {

constexpr std::size_t kPacket = 188;

// `count` packets of the first transponder of position `position` of the default sky, from
// the start of its stream.
std::vector<std::uint8_t> Stream(int position, std::size_t count) {
    const card::Sky sky = card::DefaultSky();
    const card::Satellite& satellite = sky.positions[static_cast<std::size_t>(position)];
    card::TransportStreamGenerator generator(satellite.transponders.front(), satellite.name);
    std::vector<std::uint8_t> bytes;
    generator.Next(count, bytes);
    return bytes;
}

std::vector<std::uint8_t> Joined(std::vector<std::uint8_t> first,
                                 const std::vector<std::uint8_t>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(RecordingCheck, StreamsThatBeginAgainAtTheirPatAreSound) {
    const auto bytes = Joined(Joined(Stream(0, 5000), Stream(1, 3000)), Stream(1, 4000));
    const RecordingCheck check = CheckRecording(bytes);
    EXPECT_TRUE(check.Sound()) << (check.firstFaults.empty() ? "" : check.firstFaults.front());
    EXPECT_EQ(check.packets, 12000u);
    EXPECT_EQ(check.restarts, 2u);
}

TEST(RecordingCheck, LostRepeatedOrGarbledPacketsAreFaults) {
    const std::vector<std::uint8_t> clean = Stream(2, 4000);

    std::vector<std::uint8_t> lost = clean;
    lost.erase(lost.begin() + 1000 * kPacket, lost.begin() + 1300 * kPacket);
    EXPECT_GT(CheckRecording(lost).breaks, 0u);

    std::vector<std::uint8_t> repeated = clean;
    repeated.insert(repeated.begin() + 2000 * kPacket, clean.begin() + 1744 * kPacket,
                    clean.begin() + 2000 * kPacket);
    EXPECT_GT(CheckRecording(repeated).breaks, 0u);

    // A stream that takes over in its middle has no fresh PAT to excuse its counters.
    const std::vector<std::uint8_t> other = Stream(3, 3000);
    const auto cutIn =
        Joined(clean, std::vector<std::uint8_t>(other.begin() + 777 * kPacket, other.end()));
    EXPECT_GT(CheckRecording(cutIn).breaks, 0u);

    std::vector<std::uint8_t> garbled = clean;
    garbled[3000 * kPacket] = 0x00;
    EXPECT_EQ(CheckRecording(garbled).badSyncBytes, 1u);

    std::vector<std::uint8_t> cut = clean;
    cut.resize(cut.size() - 100);
    EXPECT_FALSE(CheckRecording(cut).wholePackets);
}

}  // namespace
