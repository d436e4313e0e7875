// The DiSEqC messages a driver builds itself: the committed switch and the single-cable
// channel change, checked against bytes worked out by hand.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "cardkit/CommittedSwitch.h"
#include "cardkit/SingleCable.h"

namespace {

using namespace cardkit;
using Bytes = std::vector<std::uint8_t>;

TEST(CommittedSwitchTest, DataByteCarriesOptionPositionPolarisationAndBand) {
    // Low nibble: option, position, horizontal, high band (bits 3..0).
    for (int position = 1; position <= 4; ++position)
        for (bool horizontal : {false, true})
            for (bool highBand : {false, true}) {
                const auto expected = static_cast<std::uint8_t>(
                    0xF0 | (position - 1) << 2 | (horizontal ? 2 : 0) | (highBand ? 1 : 0));
                const std::array<std::uint8_t, 4> bytes{0xE0, 0x10, 0x38, expected};
                EXPECT_EQ(CommittedSwitchMessage({position, horizontal, highBand}), bytes)
                    << position << horizontal << highBand;
            }
    EXPECT_EQ(CommittedSwitchMessage({4, true, true})[3], 0xFF);
    EXPECT_EQ(CommittedSwitchMessage({1, false, false})[3], 0xF0);
}

TEST(CommittedSwitchTest, AReaderSetsOnlyTheBitsTheMaskNames) {
    const LnbSelection current{3, true, false};
    // Every full message reads back as what built it.
    for (int position = 1; position <= 4; ++position) {
        const LnbSelection wanted{position, false, true};
        const auto message = CommittedSwitchMessage(wanted);
        EXPECT_EQ(ApplyCommittedSwitch(message, current), wanted);
    }
    // Mask 0x1: only the band; a repeated message (E1) and another address (E0 11) count too.
    const std::array<std::uint8_t, 4> bandOnly{0xE1, 0x11, 0x38, 0x11};
    EXPECT_EQ(ApplyCommittedSwitch(bandOnly, current), (LnbSelection{3, true, true}));
    const std::array<std::uint8_t, 4> uncommitted{0xE0, 0x10, 0x39, 0xFF};
    EXPECT_FALSE(ApplyCommittedSwitch(uncommitted, current));
    const std::array<std::uint8_t, 3> tooShort{0xE0, 0x10, 0x38};
    EXPECT_FALSE(ApplyCommittedSwitch(tooShort, current));
}

ScifConfig UserBand(std::uint32_t band, std::uint32_t frequencyMHz,
                    std::uint32_t pin = kScifUnset) {
    return {band, frequencyMHz, pin, 0};
}

TEST(SingleCableTest, WorkedExampleUserBandZeroBankAVerticalLow) {
    // LNB 11362 MHz, LO 9750: IF 1612 MHz; user band 0 at 1284 MHz; T = 2896 / 4 - 350 = 374.
    const auto change = MakeChannelChange(UserBand(0, 1284), {}, 1612);
    EXPECT_EQ(change.message, (Bytes{0xE0, 0x10, 0x5A, 0x01, 0x76}));
    EXPECT_EQ(change.tuningWord, 374u);
    EXPECT_DOUBLE_EQ(change.tuneMHz, 1284);
    EXPECT_DOUBLE_EQ(change.routedIfMHz, 1612);
}

TEST(SingleCableTest, TheFourMegahertzStepLeavesAResidueTheTunerFollows) {
    // IF 1613: (1613 + 1284) / 4 = 724.25 rounds to the same word; the carrier then sits 1 MHz
    // below the user band, and the router puts 1612 on the band itself.
    const auto change = MakeChannelChange(UserBand(0, 1284), {}, 1613);
    EXPECT_EQ(change.message, (Bytes{0xE0, 0x10, 0x5A, 0x01, 0x76}));
    EXPECT_DOUBLE_EQ(change.tuneMHz, 1283);
    EXPECT_DOUBLE_EQ(change.routedIfMHz, 1612);
    // Half a step rounds up.
    EXPECT_EQ(MakeChannelChange(UserBand(0, 1284), {}, 1614).tuningWord, 375u);
}

TEST(SingleCableTest, UserBandBankAndHighWordBitsShareTheFirstDataByte) {
    // UB 5, bank B / horizontal / high, IF 2150 at 2000 MHz: T = 4150 / 4 - 350 = 687.5 -> 688
    // = 0x2B0, so d1 = 101 111 10, d2 = B0.
    const auto change = MakeChannelChange(UserBand(5, 2000), {true, true, true}, 2150);
    EXPECT_EQ(change.message, (Bytes{0xE0, 0x10, 0x5A, 0xBE, 0xB0}));
    EXPECT_DOUBLE_EQ(change.tuneMHz, (688 + 350) * 4 - 2150);
}

TEST(SingleCableTest, APinTurnsTheCommandIntoItsSixByteForm) {
    const auto change = MakeChannelChange(UserBand(0, 1284, 0), {}, 1612);
    EXPECT_EQ(change.message, (Bytes{0xE0, 0x10, 0x5C, 0x01, 0x76, 0x00}));
    EXPECT_EQ(MakeChannelChange(UserBand(7, 1284, 255), {}, 1612).message,
              (Bytes{0xE0, 0x10, 0x5C, 0xE1, 0x76, 0xFF}));
}

}  // namespace
