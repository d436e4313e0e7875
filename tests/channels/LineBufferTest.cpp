// The 1024-unit line buffer: at most 1023 units including the line feed per read, the rest of
// a longer line read as a line of its own, counted in UTF-16 units.
#include <gtest/gtest.h>

#include <string>

#include "ListFiles.h"

namespace orvalen::test {
namespace {

// The name is the last column, so a cut line still gives a valid record.
constexpr std::string_view kHeader = "FREQ,SR,POL,NAME\n";
constexpr std::string_view kPrefix = "11836,27500,H,";  // 14 units before the name

TEST(LineBuffer, LineOf1023UnitsIncludingTheLineFeedFits) {
    const std::string name(1023 - kPrefix.size() - 1, 'a');
    DropLog log;
    const ChannelList list = LoadChannelListFromBytes(
        Bytes(std::string(kHeader) + std::string(kPrefix) + name + "\n12000,22000,V,Next\n"), &log);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.records[0]->name->size(), name.size());
    EXPECT_EQ(*list.records[1]->name, u"Next");
    EXPECT_TRUE(log.drops.empty());
}

TEST(LineBuffer, OneUnitMoreLeavesTheLineFeedAsAnEmptyLineOfItsOwn) {
    const std::string name(1023 - kPrefix.size(), 'a');
    DropLog log;
    const ChannelList list = LoadChannelListFromBytes(
        Bytes(std::string(kHeader) + std::string(kPrefix) + name + "\n12000,22000,V,Next\n"), &log);
    ASSERT_EQ(list.count, 2);  // the lone line feed is dropped without taking an index
    EXPECT_EQ(list.records[0]->name->size(), name.size());
    EXPECT_EQ(*list.records[1]->name, u"Next");
    ASSERT_EQ(log.drops.size(), 1u);
    EXPECT_EQ(log.drops[0].text, u"\n");
    EXPECT_EQ(log.drops[0].line, 3u);
}

TEST(LineBuffer, RestOfALongNameIsReadAsAChannelOfItsOwn) {
    const std::string cut(1023 - kPrefix.size(), 'x');
    const ChannelList list = ParseChannels(std::string(kHeader) + std::string(kPrefix) + cut +
                                           "12000,22000,V,Rest\nLast,1,1,H\n");
    ASSERT_EQ(list.count, 2);  // the last line has FREQ "Last", which reads 0
    EXPECT_EQ(*list.records[0]->name, std::u16string(cut.size(), u'x'));
    EXPECT_EQ(*list.records[1]->name, u"Rest");
    EXPECT_EQ(list.records[1]->frequencyKHz, 12000000u);
}

TEST(LineBuffer, CharactersOutsideTheBmpCountAsTwoUnits) {
    // 1007 'x' + one four-byte character = 1009 units: with the prefix exactly 1023.
    const std::string emoji = "\xF0\x9F\x93\xA1";  // U+1F4E1
    const std::string fits(1023 - kPrefix.size() - 2, 'x');
    const ChannelList list = ParseChannels(std::string(kHeader) + std::string(kPrefix) + fits +
                                           emoji + "12000,22000,V,Rest\n");
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(*list.records[0]->name, std::u16string(fits.size(), u'x') + u"\U0001F4E1");
    EXPECT_EQ(*list.records[1]->name, u"Rest");
}

TEST(LineBuffer, SurrogatePairAcrossTheCutIsSplitBetweenTheTwoLines) {
    const std::string emoji = "\xF0\x9F\x93\xA1";
    const std::string before(1023 - kPrefix.size() - 1, 'x');  // the high half is unit 1023
    DropLog log;
    const ChannelList list = LoadChannelListFromBytes(
        Bytes(std::string(kHeader) + std::string(kPrefix) + before + emoji + "\nN,1,1,H\n"), &log);
    ASSERT_EQ(list.count, 1);
    const std::u16string& name = *list.records[0]->name;
    ASSERT_EQ(name.size(), before.size() + 1);
    EXPECT_EQ(name.back(), char16_t(0xD83D));
    ASSERT_EQ(log.drops.size(), 2u);
    EXPECT_EQ(log.drops[0].text, (std::u16string{char16_t(0xDCE1), u'\n'}));
    EXPECT_EQ(log.drops[1].text, u"N,1,1,H\n");  // FREQ "N" reads 0
}

TEST(LineBuffer, Utf16LeLinesAreCutAtTheSameUnitCount) {
    const std::u16string name(1023 - kPrefix.size(), u'\u00E9');
    const ChannelList list = ParseChannels(
        Utf16LeWithMark(u"FREQ,SR,POL,NAME\r\n11836,27500,H," + name + u"12000,22000,V,Rest\r\n"));
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(*list.records[0]->name, name);
    EXPECT_EQ(*list.records[1]->name, u"Rest");
}

TEST(LineBuffer, LongHeaderIsCutAndItsRestIsReadAsData) {
    // Columns past unit 1023 of the header never exist; the header's rest is a data line.
    const std::string filler(1023 - 5, 'z');
    const ChannelList list = ParseChannels("NAME," + filler + "FREQ,SR,POL\nOne,11836,27500,H\n");
    EXPECT_EQ(list.count, 0);
}

}  // namespace
}  // namespace orvalen::test
