// Reading and writing the DiSEqC message text, as typed into the DiSEqC command dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/DiseqcCommandText.h"

namespace {

std::vector<std::uint8_t> Parsed(std::u16string_view text) {
    const auto message = ParseDiseqcCommand(text);
    if (!message) {
        return {};
    }
    return {message->bytes.begin(), message->bytes.begin() + message->length};
}

using Bytes = std::vector<std::uint8_t>;

TEST(DiseqcCommandText, FormatsUpperCaseBytesOneSpaceApart) {
    EXPECT_EQ(FormatDiseqcCommand({0xE0, 0x10, 0x5A, 0, 0, 0, 0, 0}, 5), u"E0 10 5A 00 00");
    EXPECT_EQ(FormatDiseqcCommand({0xE0, 0x10, 0x38, 0xF0, 1, 2, 3, 4}, 8),
              u"E0 10 38 F0 01 02 03 04");
    // A stored length outside 1..8 never reads beyond the message.
    EXPECT_EQ(FormatDiseqcCommand({0xE0, 1, 2, 3, 4, 5, 6, 7}, 0), u"E0");
    EXPECT_EQ(FormatDiseqcCommand({0xE0, 1, 2, 3, 4, 5, 6, 7}, 99).size(), 23u);
}

TEST(DiseqcCommandText, AcceptsThreeToEightBytesStartingWithE0) {
    EXPECT_EQ(Parsed(u"e0 10 38 f0"), (Bytes{0xE0, 0x10, 0x38, 0xF0}));
    EXPECT_EQ(Parsed(u"E0 10 5A"), (Bytes{0xE0, 0x10, 0x5A}));
    EXPECT_EQ(Parsed(u"E0 1 2 3 4 5 6 7"), (Bytes{0xE0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Parsed(u"   E0   10  38 F0   "), (Bytes{0xE0, 0x10, 0x38, 0xF0}));
}

TEST(DiseqcCommandText, ReadsTokensAsTheCLibraryReadsUnsignedHex) {
    EXPECT_EQ(Parsed(u"0XE0 0x10 +38 F"), (Bytes{0xE0, 0x10, 0x38, 0x0F}));
    EXPECT_EQ(Parsed(u"E0 10 000000038"), (Bytes{0xE0, 0x10, 0x38}));
    EXPECT_EQ(Parsed(u"E0 10 -0"), (Bytes{0xE0, 0x10, 0x00}));
    EXPECT_EQ(Parsed(u"E0 10 \t38"), (Bytes{0xE0, 0x10, 0x38}));  // white space inside a token
    // A minus sign negates in 32 bits, so only values that wrap back into a byte pass.
    EXPECT_EQ(Parsed(u"E0 10 -FFFFFFFF"), (Bytes{0xE0, 0x10, 0x01}));
    EXPECT_EQ(Parsed(u"E0 10 -1"), Bytes{});
}

TEST(DiseqcCommandText, RefusesEverythingElse) {
    for (const std::u16string_view text : {
             u"E0 10",                       // too few bytes
             u"E0 10 38 F0 00 00 00 00 00",  // nine bytes
             u"E1 10 38 F0",                 // not a master command
             u"E0 10 138",                   // above 255
             u"E0 10 1G",                    // not a hex digit
             u"E0 10 -FFFFFFFFFFFF",         // out of range, whatever the sign
             u"E0 10 0X",                    // prefix without digits
             u"E0 10 38\t",                  // trailing white space is a trailing character
             u"E0,10,38",                    // only spaces separate
             u"E0 10 \u0661",                // digits of other scripts are not hex
             u"",
             u"    ",
         }) {
        EXPECT_FALSE(ParseDiseqcCommand(text).has_value())
            << testing::PrintToString(std::string(text.begin(), text.end()));
    }
}

}  // namespace
