// The field syntax (quotes, failed fields, empty fields, the comma at the end of a line) and
// the conversion of numbers, on NextCsvField itself and through whole files.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "ListFiles.h"
#include "channels/CsvField.h"

namespace orvalen::test {
namespace {

// All fields NextCsvField gives for one line; a trailing "<none>" is not listed.
std::vector<std::u16string> Fields(std::u16string_view line) {
    std::vector<std::u16string> fields;
    while (CsvField field = NextCsvField(line)) fields.emplace_back(*field);
    return fields;
}

using Strings = std::vector<std::u16string>;

TEST(FieldSyntax, PlainFieldsKeepEverythingUpToTheDelimiter) {
    EXPECT_EQ(Fields(u" a , b\"c\" ,d\n"), (Strings{u" a ", u" b\"c\" ", u"d"}));
    EXPECT_EQ(Fields(u"a,b"), (Strings{u"a", u"b"}));
}

TEST(FieldSyntax, EmptyFieldsExistButNothingFollowsAFinalComma) {
    EXPECT_EQ(Fields(u",a,,\"\",b,\n"), (Strings{u"", u"a", u"", u"", u"b"}));
    EXPECT_EQ(Fields(u"\n"), Strings{});
    EXPECT_EQ(Fields(u""), Strings{});
}

TEST(FieldSyntax, QuotedFieldKeepsCommasAndLosesItsQuotes) {
    EXPECT_EQ(Fields(u"\"News, Weather\",x\n"), (Strings{u"News, Weather", u"x"}));
    EXPECT_EQ(Fields(u"\"a\"\n"), (Strings{u"a"}));
    EXPECT_EQ(Fields(u"\"a\""), (Strings{u"a"}));
    EXPECT_EQ(Fields(u"a,\"\"\n"), (Strings{u"a", u""}));
}

TEST(FieldSyntax, QuotesCannotBeDoubledToEscape) {
    // The second quote closes the field and the third one makes it fail.
    EXPECT_EQ(Fields(u"x,\"say \"\"hi\"\"\",y\n"), (Strings{u"x"}));
}

TEST(FieldSyntax, QuotedFieldWithoutClosingQuoteRunsToTheLineEnd) {
    EXPECT_EQ(Fields(u"a,\"b,c,d\n"), (Strings{u"a", u"b,c,d"}));
    EXPECT_EQ(Fields(u"\"b,c"), (Strings{u"b,c"}));
}

TEST(FieldSyntax, AnythingButCommaOrLineEndAfterTheClosingQuoteFailsAndEndsTheLine) {
    std::u16string_view line = u"a,\"b\"c,d\n";
    EXPECT_EQ(NextCsvField(line), std::u16string_view(u"a"));
    EXPECT_EQ(NextCsvField(line), std::nullopt);
    EXPECT_EQ(NextCsvField(line), std::nullopt);  // the rest of the line is gone
    EXPECT_EQ(Fields(u"\"b\" ,c\n"), Strings{});  // a blank counts, too
}

TEST(FieldSyntax, FailedFieldKeepsTheFieldsBeforeItInTheRecord) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL,Comment,ONID\n"
        "Kept,11836,27500,H,\"note\"!,42\n"  // Comment fails: no comment, ONID absent
        "\"Quoted\"x,11836,27500,H\n"        // the first field fails: no fields at all
        "Dropped,11836,27500,\"V\"\"\n");    // POL fails: no POL, so invalid
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(*list.records[0]->name, u"Kept");
    EXPECT_FALSE(list.records[0]->comment.has_value());
    EXPECT_EQ(list.records[0]->onid, -1);
}

TEST(FieldSyntax, QuotedNameWithCommaThroughAFile) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL\n\"News, Weather & Sport\",11836,27500,H\n\"a,b,c\",12000,22000,V\n");
    EXPECT_EQ(NamesOf(list), (Strings{u"News, Weather & Sport", u"a,b,c"}));
}

TEST(FieldSyntax, CommaAtTheEndOfALineLeavesTheNextColumnAbsentNotEmpty) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL,ONID\n"
        "Absent,11836,27500,H,\n"    // ONID absent: -1
        "Empty,11836,27500,H,,\n");  // ONID empty: reads 0
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.records[0]->onid, -1);
    EXPECT_EQ(list.records[1]->onid, 0);
}

TEST(FieldSyntax, ZeroUnitEndsTheTextOfALine) {
    using namespace std::string_literals;
    const ChannelList list =
        ParseChannels("NAME,FREQ,SR,POL\nCut,11836,27500,H\nNul\0led,11836,27500,H\n"s);
    EXPECT_EQ(NamesOf(list), (Strings{u"Cut"}));
}

TEST(DecimalConversion, ReadsAsTheCRuntimeDoes) {
    EXPECT_EQ(ParseDecimalInt32(u"11836"), 11836);
    EXPECT_EQ(ParseDecimalInt32(u"11836.5"), 11836);
    EXPECT_EQ(ParseDecimalInt32(u" \t\r\v\f+42abc"), 42);
    EXPECT_EQ(ParseDecimalInt32(u"-7"), -7);
    EXPECT_EQ(ParseDecimalInt32(u""), 0);
    EXPECT_EQ(ParseDecimalInt32(u"abc"), 0);
    EXPECT_EQ(ParseDecimalInt32(u"--5"), 0);
    EXPECT_EQ(ParseDecimalInt32(u"- 5"), 0);
    EXPECT_EQ(ParseDecimalInt32(u"0x1F"), 0);
    EXPECT_EQ(ParseDecimalInt32(u"\u00A05"), 0);  // no-break space is not skipped
    EXPECT_EQ(ParseDecimalInt32(u"\uFF15"), 0);   // nor are other digits read
}

// Plain digits are read four at a time; a run with any other unit in any place, even one next to
// the digits in value, reads as the general conversion reads it.
TEST(DecimalConversion, DigitRunsOfEveryLengthWithAnyUnitInAnyPlace) {
    const char16_t others[] = {u'/', u':', u'@', u'\u0130', u'\u0139', u' ', u'-', 0};
    for (std::size_t length = 1; length <= 10; ++length) {
        std::u16string digits;
        for (std::size_t i = 0; i < length; ++i) digits += static_cast<char16_t>(u'1' + i % 9);
        EXPECT_EQ(ParseDecimalInt32(digits), ParseAnyDecimalInt32(digits)) << length;
        for (std::size_t at = 0; at < length; ++at) {
            for (const char16_t other : others) {
                std::u16string text = digits;
                text[at] = other;
                EXPECT_EQ(ParseDecimalInt32(text), ParseAnyDecimalInt32(text))
                    << length << " with " << static_cast<int>(other) << " at " << at;
            }
        }
    }
    EXPECT_EQ(ParseDecimalInt32(u"10785000"), 10785000);
    EXPECT_EQ(ParseDecimalInt32(u"999999999"), 999999999);
}

TEST(DecimalConversion, ClampsToTheSigned32BitRange) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(ParseDecimalInt32(u"2147483647"), kMax);
    EXPECT_EQ(ParseDecimalInt32(u"2147483648"), kMax);
    EXPECT_EQ(ParseDecimalInt32(u"-2147483648"), kMin);
    EXPECT_EQ(ParseDecimalInt32(u"-2147483649"), kMin);
    EXPECT_EQ(ParseDecimalInt32(u"99999999999999999999999999999999"), kMax);
    EXPECT_EQ(ParseDecimalInt32(u"-00000000000000000000000000000012"), -12);
    EXPECT_EQ(ParseDecimalInt32(u"-99999999999999999999999999999999"), kMin);
}

TEST(DecimalConversion, ClampedValuesThroughAFile) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL,ONID,TSID,SID\n"
        "Big,99999999999,99999999999,H,99999999999,-99999999999,-1\n");
    ASSERT_EQ(list.count, 1);
    const ChannelRecord& r = *list.records[0];
    EXPECT_EQ(r.frequencyKHz, 2147483647u);  // clamped, then 2 500 000 or more: kHz
    EXPECT_EQ(r.symbolRate, 2147483647);
    EXPECT_EQ(r.onid, 2147483647);
    EXPECT_EQ(r.tsid, -2147483647 - 1);
    EXPECT_EQ(r.sid, -1);
}

TEST(ColumnNames, MatchWithoutCaseAndWithoutTrimming) {
    EXPECT_TRUE(ColumnNameIs(u"lnbsource", u"LNBSource"));
    EXPECT_TRUE(ColumnNameIs(u"cOMMENT", u"Comment"));
    EXPECT_FALSE(ColumnNameIs(u" SR", u"SR"));
    EXPECT_FALSE(ColumnNameIs(u"SR ", u"SR"));
    EXPECT_FALSE(ColumnNameIs(u"SID", u"TSID"));
    EXPECT_FALSE(ColumnNameIs(u"S\u0130D", u"SID"));  // only ASCII letters fold
}

}  // namespace
}  // namespace orvalen::test
