// What the test card's CAM descrambles: the programmes of the host's ca_pmt list as list
// management builds it up and replaces it, each on the stream that carries it, and nothing for
// a query, a programme dropped or a malformed object.
#include <gtest/gtest.h>

#include <vector>

#include "daemon/CaPmtSelection.h"

namespace testcard {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A ca_pmt body for `programme` with a video and an audio stream, the command at programme
// level.
Bytes CaPmt(std::uint8_t management, std::uint16_t programme, std::uint16_t video,
            std::uint8_t command) {
    return {management,
            static_cast<std::uint8_t>(programme >> 8),
            static_cast<std::uint8_t>(programme),
            0x01,
            0x00,
            0x01,
            command,
            0x02,
            static_cast<std::uint8_t>(0xE0 | video >> 8),
            static_cast<std::uint8_t>(video),
            0xF0,
            0x00,
            0x04,
            static_cast<std::uint8_t>(0xE0 | (video + 1) >> 8),
            static_cast<std::uint8_t>(video + 1),
            0xF0,
            0x00};
}

TEST(CaPmtSelectionTest, ListManagementBuildsAndReplacesTheDescrambledProgrammes) {
    const std::set<std::uint16_t> stream{100, 101, 102, 103};
    CaPmtSelection selection;
    EXPECT_TRUE(selection.Apply(CaPmt(1, 100, 0x200, 1)));  // first
    EXPECT_TRUE(selection.Apply(CaPmt(2, 101, 0x210, 1)));  // last
    EXPECT_EQ(selection.Programmes(), (std::set<std::uint16_t>{100, 101}));
    EXPECT_TRUE(selection.Descrambles(0x201, stream));
    EXPECT_TRUE(selection.Descrambles(0x210, stream));
    EXPECT_FALSE(selection.Descrambles(0x220, stream));
    // Another tuner's stream with the same PIDs but other programmes stays as it is.
    EXPECT_FALSE(selection.Descrambles(0x201, {200, 201}));

    EXPECT_TRUE(selection.Apply(CaPmt(5, 100, 0x200, 4)));  // update: not selected
    EXPECT_FALSE(selection.Descrambles(0x200, stream));
    EXPECT_TRUE(selection.Descrambles(0x210, stream));
    EXPECT_TRUE(selection.Apply(CaPmt(4, 102, 0x220, 3)));  // add, only a query
    EXPECT_FALSE(selection.Descrambles(0x220, stream));

    EXPECT_TRUE(selection.Apply(CaPmt(3, 102, 0x220, 1)));  // only: the list is this one
    EXPECT_EQ(selection.Programmes(), (std::set<std::uint16_t>{102}));

    // Without CA descriptors a programme carries no command: listed, it is descrambled.
    const Bytes bare{4, 0, 104, 0x01, 0xF0, 0x00, 0x02, 0xE2, 0x40, 0xF0, 0x00};
    EXPECT_TRUE(selection.Apply(bare));
    EXPECT_TRUE(selection.Descrambles(0x240, {104}));

    Bytes cut = CaPmt(3, 103, 0x230, 1);
    cut.pop_back();
    EXPECT_FALSE(selection.Apply(cut));
    EXPECT_FALSE(selection.Apply(Bytes{3, 0, 1}));
    EXPECT_EQ(selection.Programmes(), (std::set<std::uint16_t>{102, 104}));
}

}  // namespace
}  // namespace testcard
