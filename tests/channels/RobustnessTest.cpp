// Arbitrary bytes never crash, hang or read out of bounds, and whatever they give keeps the
// lists' invariants. A quick, deterministic stand-in for the fuzz target; run it under the
// sanitizer build.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ListFiles.h"

namespace orvalen::test {
namespace {

// Bytes that the reader treats specially, mixed with arbitrary ones.
std::string RandomListBytes(std::mt19937& rng) {
    static const std::string kPieces[] = {"NAME",
                                          "FREQ",
                                          "SR",
                                          "POL",
                                          "ONID",
                                          "Tuner",
                                          "LNBSource",
                                          "ChannelList",
                                          ",",
                                          ",",
                                          "\"",
                                          "\n",
                                          "\r\n",
                                          "\r",
                                          "H",
                                          "v",
                                          "11836",
                                          "-2147483649",
                                          "99999999999",
                                          " ",
                                          "\xEF\xBB\xBF",
                                          "\xFF\xFE",
                                          "\xF0\x9F\x93\xA1",
                                          "\xED\xA0\x80",
                                          "\xC3",
                                          std::string(1, '\0'),
                                          std::string(700, 'x'),
                                          "1",
                                          "2",
                                          "4"};
    std::uniform_int_distribution<int> length(0, 400);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes;
    if (rng() % 4 == 0) bytes = "\xFF\xFE";
    for (int i = length(rng); i > 0; --i) {
        if (rng() % 3 == 0) {
            bytes.push_back(static_cast<char>(byte(rng)));
        } else {
            bytes += kPieces[piece(rng)];
        }
    }
    return bytes;
}

TEST(Robustness, ArbitraryBytesKeepTheListInvariants) {
    std::mt19937 rng(20241207);
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = RandomListBytes(rng);
        DropLog log;
        const ChannelList channels = LoadChannelListFromBytes(Bytes(bytes), &log);
        ASSERT_GE(channels.count, 0);
        ASSERT_LE(channels.count, kMaxChannels);
        for (int i = 0; i < kMaxChannels; ++i) {
            const ChannelRecord* r = channels.records[i].get();
            ASSERT_EQ(r != nullptr, i < channels.count);
            if (!r) continue;
            EXPECT_TRUE(r->valid && r->name && r->frequencyKHz != 0 && r->symbolRate != 0);
            EXPECT_GE(r->polarisation, 1);
            EXPECT_LE(r->polarisation, 4);
            EXPECT_LT(r->name->size(), kCsvLineUnits - 1);
        }
        for (const auto& drop : log.drops) EXPECT_LT(drop.text.size(), kCsvLineUnits);

        const SatelliteList satellites = LoadSatelliteListFromBytes(Bytes(bytes));
        for (int slot = 0; slot < kSatelliteSlots; ++slot) {
            const SatelliteRecord* r = satellites.slots[slot].get();
            if (!r) continue;
            EXPECT_TRUE(r->valid && r->name && r->channelListFile);
            EXPECT_EQ(SatelliteSlot(r->tuner, r->lnbSource), slot);
        }
    }
}

}  // namespace
}  // namespace orvalen::test
