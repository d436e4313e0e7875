// Dialog fields read as unsigned decimal numbers.
#include <gtest/gtest.h>

#include "dialogs/DialogInteger.h"

namespace {

TEST(DialogInteger, ReadsDigitsAfterLeadingBlanks) {
    EXPECT_EQ(ReadDialogInteger(u"1400"), 1400u);
    EXPECT_EQ(ReadDialogInteger(u"   7"), 7u);
    EXPECT_EQ(ReadDialogInteger(u"0008"), 8u);
    EXPECT_EQ(ReadDialogInteger(u"4294967295"), 4294967295u);
}

TEST(DialogInteger, AnythingElseReadsAsZero) {
    for (const std::u16string_view text :
         {u"", u"   ", u"abc", u"12a", u"12 ", u"+5", u"-5", u"1.5", u"0x10", u"4294967296",
          u"99999999999999999999", u"\u0661"}) {
        EXPECT_EQ(ReadDialogInteger(text), 0u) << std::string(text.begin(), text.end());
    }
}

}  // namespace
