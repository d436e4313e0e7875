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

ScifConfig JessBand(std::uint32_t band, std::uint32_t frequencyMHz,
                    std::uint32_t pin = kScifUnset) {
    return {band, frequencyMHz, pin, kScifEn50607};
}

TEST(SingleCableTest, En50607CarriesTheIntermediateFrequencyInOneMegahertzSteps) {
    // IF 1612 MHz on user band 1: T = 1612 - 100 = 1512 = 0x5E8; the tuner tunes the band itself.
    const auto change = MakeChannelChange(JessBand(0, 1210), {}, 1612);
    EXPECT_EQ(change.message, (Bytes{0x70, 0x05, 0xE8, 0x00}));
    EXPECT_TRUE(change.fits);
    EXPECT_DOUBLE_EQ(change.tuneMHz, 1210);
    EXPECT_DOUBLE_EQ(change.routedIfMHz, 1612);
    // Half a megahertz rounds up, and the router converts the whole megahertz.
    EXPECT_DOUBLE_EQ(MakeChannelChange(JessBand(0, 1210), {}, 1612.5).routedIfMHz, 1613);
}

TEST(SingleCableTest, En50607PacksBandWordAndBankWithAPinLast) {
    // User band 32, position D, horizontal, high band, IF 2000: T = 1900 = 0x76C.
    const auto change = MakeChannelChange(JessBand(31, 1420, 9), {3, true, true}, 2000);
    EXPECT_EQ(change.message, (Bytes{0x71, 0xFF, 0x6C, 0x0F, 0x09}));
    EXPECT_EQ(change.tuningWord, 1900u);
}

TEST(SingleCableTest, AWordPastItsBitsDoesNotFit) {
    EXPECT_FALSE(MakeChannelChange(JessBand(0, 1210), {}, 2148).fits);  // T = 2048
    EXPECT_TRUE(MakeChannelChange(JessBand(0, 1210), {}, 2147).fits);
    // EN 50494: (2150 + 2150) / 4 - 350 = 725 fits; a user band the word cannot reach does not.
    EXPECT_TRUE(MakeChannelChange(UserBand(0, 2150), {}, 2150).fits);
    EXPECT_FALSE(MakeChannelChange(UserBand(0, 950), {}, 300).fits);  // T = -37
}

TEST(SingleCableTest, EachProtocolsRouterReachesItsOwnPositions) {
    const ScifConfig unicable = UserBand(0, 1210);
    const ScifConfig jess = JessBand(0, 1210);
    // EN 50494 knows A and B: sources 1 and 3 reach A, 2 and 4 reach B, no DiSEqC reaches A.
    EXPECT_EQ(BankFor(unicable, 3, false, false).position, 0u);
    EXPECT_EQ(BankFor(unicable, 4, false, false).position, 1u);
    EXPECT_EQ(BankFor(unicable, 0, false, false).position, 0u);
    EXPECT_EQ(BankFor(jess, 3, true, true).position, 2u);
    EXPECT_EQ(BankFor(jess, 4, false, false).position, 3u);
}

}  // namespace
