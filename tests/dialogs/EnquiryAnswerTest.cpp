// The bytes that answer a CAM's enquiry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/EnquiryAnswer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Answer(Bytes selector, std::uint32_t codePage, std::u16string_view typed) {
    return BuildEnquiryAnswer(selector, codePage, typed);
}

TEST(EnquiryAnswer, SelectorThenTextInThePromptsTable) {
    // A Turkish prompt (0x05, ISO 8859-9) answered with Turkish letters.
    EXPECT_EQ(Answer({0x05}, 28599, u"\u011F\u0131 12"), (Bytes{0x05, 0xF0, 0xFD, ' ', '1', '2'}));
    EXPECT_EQ(Answer({}, 28591, u"1234"), (Bytes{'1', '2', '3', '4'}));
    EXPECT_EQ(Answer({0x10, 0x00, 0x02}, 28592, u"\u0105"), (Bytes{0x10, 0x00, 0x02, 0xB1}));
    EXPECT_EQ(Answer({0x15}, 65001, u"\u20AC"), (Bytes{0x15, 0xE2, 0x82, 0xAC}));
    EXPECT_EQ(Answer({0x05}, 28599, u""), (Bytes{0x05}));
}

TEST(EnquiryAnswer, TextTheTableCannotCarryIsLeftOutNotSubstituted) {
    EXPECT_EQ(Answer({0x05}, 28599, u"12\u4E2D"), (Bytes{0x05}));
    EXPECT_EQ(Answer({}, 28591, u"\u011F"), Bytes{});
    EXPECT_EQ(Answer({0x10, 0x00, 0x0C}, 28602, u"1"), (Bytes{0x10, 0x00, 0x0C}));
}

TEST(EnquiryAnswer, ReadsAt255CharactersAndAt256Bytes) {
    const std::u16string longText(300, u'7');
    EXPECT_EQ(Answer({0x05}, 28599, longText).size(), 1u + 255u);
    // 255 characters of three UTF-8 bytes each do not fit 256 bytes: no text is sent.
    EXPECT_EQ(Answer({0x15}, 65001, std::u16string(255, u'\u20AC')), (Bytes{0x15}));
    EXPECT_EQ(Answer({0x15}, 65001, std::u16string(85, u'\u20AC')).size(), 1u + 255u);
    // A pair of surrogates cut by the 255-character read is dropped whole.
    const std::u16string cutPair = std::u16string(254, u'a') + u"\U0001F4FA";
    EXPECT_EQ(Answer({}, 65001, cutPair), Bytes(254, 'a'));
}

}  // namespace
