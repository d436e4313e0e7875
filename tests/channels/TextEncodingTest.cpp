// How list file bytes become UTF-16 text: byte-order marks, UTF-16LE, CR LF, invalid UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ListFiles.h"
#include "channels/ByteSource.h"
#include "channels/CsvField.h"
#include "channels/Utf.h"
#include "channels/WideTextReader.h"

namespace orvalen::test {
namespace {

constexpr std::string_view kHeader = "NAME,FREQ,SR,POL\n";

TEST(ByteOrderMark, Utf8MarkIsSkippedSoTheFirstColumnNameStillMatches) {
    const ChannelList list = ParseChannels("\xEF\xBB\xBFNAME,FREQ,SR,POL\nOne,11836,27500,H\n");
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(*list.records[0]->name, u"One");
}

TEST(ByteOrderMark, MarkLaterInTheFileIsAnOrdinaryCharacter) {
    // Only the very first bytes are looked at; a mark before a later name is part of it.
    const ChannelList list = ParseChannels("NAME,FREQ,SR,POL\n\xEF\xBB\xBFOne,11836,27500,H\n");
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(*list.records[0]->name, u"\uFEFFOne");
}

TEST(ByteOrderMark, BigEndianMarkIsNotHonouredAndGivesNoTable) {
    std::string bytes = "\xFE\xFF";
    for (char c : std::string("NAME,FREQ,SR,POL\nOne,11836,27500,H\n")) {
        bytes.push_back('\0');
        bytes.push_back(c);
    }
    EXPECT_EQ(ParseChannels(bytes).count, 0);
}

TEST(Utf16Le, MarkSwitchesTheWholeFileToUtf16Le) {
    const ChannelList list = ParseChannels(
        Utf16LeWithMark(u"NAME,FREQ,SR,POL\r\nT\u00E9l\u00E9 \u6D4B\u8BD5,11836,27500,V\r\nSat "
                        u"\U0001F4E1,12000,22000,h"));
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(*list.records[0]->name, u"T\u00E9l\u00E9 \u6D4B\u8BD5");
    EXPECT_EQ(list.records[0]->polarisation, kPolarisationVertical);
    EXPECT_EQ(*list.records[1]->name, u"Sat \U0001F4E1");
    EXPECT_EQ(list.records[1]->frequencyKHz, 12000000u);
}

TEST(Utf16Le, UnpairedSurrogatesAndAnOddLastByteAreHarmless) {
    std::string bytes = Utf16LeWithMark(u"NAME,FREQ,SR,POL\nA");
    bytes += std::string("\x00\xD8", 2);  // a lone high surrogate, kept as a unit
    for (char c : std::string(",1,1,H\n")) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    bytes.push_back('Z');  // half a code unit at the end
    const ChannelList list = ParseChannels(bytes);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(*list.records[0]->name, (std::u16string{u'A', char16_t(0xD800)}));
}

TEST(LineEnds, CrLfReadsAsLfAndNoValueEndsInCarriageReturn) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL,Comment\r\nOne,11836,27500,H,first\r\nTwo,12000,22000,V\r\n");
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(*list.records[0]->comment, u"first");
    EXPECT_EQ(*list.records[1]->name, u"Two");
    EXPECT_EQ(list.records[1]->polarisation, kPolarisationVertical);
}

TEST(LineEnds, CarriageReturnNotBeforeLineFeedStaysInTheText) {
    const ChannelList list = ParseChannels("POL,FREQ,SR,NAME\nH,11836,27500,A\rB\r\r\n");
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(*list.records[0]->name, u"A\rB\r");
}

TEST(LineEnds, CrLfCountsAsOneUnitOfTheLineBuffer) {
    // 1022 units of text and CR LF: the LF is unit 1023 and the line fits.
    const std::string prefix = "11836,27500,H,";
    const std::string name(1022 - prefix.size(), 'n');
    const ChannelList list =
        ParseChannels("FREQ,SR,POL,NAME\r\n" + prefix + name + "\r\n12000,22000,V,Next\r\n");
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(*list.records[0]->name, std::u16string(name.size(), u'n'));
    EXPECT_EQ(*list.records[1]->name, u"Next");
}

struct InvalidUtf8Case {
    const char* bytes;
    std::u16string decoded;
};

class InvalidUtf8 : public testing::TestWithParam<InvalidUtf8Case> {};

TEST_P(InvalidUtf8, DecodesToOneReplacementPerInvalidSequence) {
    const ChannelList list =
        ParseChannels(std::string(kHeader) + "<" + GetParam().bytes + ">,11836,27500,H\n");
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(*list.records[0]->name, u"<" + GetParam().decoded + u">");
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, InvalidUtf8,
    testing::Values(InvalidUtf8Case{"\xFF", u"\uFFFD"},                      // never a lead byte
                    InvalidUtf8Case{"\x80\x80", u"\uFFFD\uFFFD"},            // stray trail bytes
                    InvalidUtf8Case{"\xE2\x82", u"\uFFFD"},                  // truncated sequence
                    InvalidUtf8Case{"\xF0\x9F\x93", u"\uFFFD"},              // truncated 4-byte
                    InvalidUtf8Case{"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong '/'
                    InvalidUtf8Case{"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},  // overlong
                    InvalidUtf8Case{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
                    InvalidUtf8Case{"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // > 10FFFF
                    InvalidUtf8Case{"a\xE2\x82\xACz\xC3", u"a\u20ACz\uFFFD"},
                    InvalidUtf8Case{"\xF0\x9F\x93\xA1", u"\U0001F4E1"}));  // valid, two units

TEST(InvalidUtf8AtEnd, TruncatedSequenceAtTheEndOfTheFileIsOneReplacement) {
    const ChannelList named = ParseChannels("FREQ,SR,POL,NAME\n11836,27500,H,x\xF0\x9F");
    ASSERT_EQ(named.count, 1);
    EXPECT_EQ(*named.records[0]->name, u"x\uFFFD");
}

TEST(WideTextReaderLines, BehavesAsFgetwsOnALineBuffer) {
    const std::string text = "ab\ncd";
    WideTextReader reader(Bytes(text));
    char16_t buffer[4];
    EXPECT_EQ(reader.ReadLine(buffer, 4), 3u);
    EXPECT_EQ(std::u16string_view(buffer), u"ab\n");
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadLine(buffer, 4), 2u);
    EXPECT_EQ(std::u16string_view(buffer), u"cd");
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.ReadLine(buffer, 4), 0u);
    EXPECT_EQ(buffer[0], 0);
}

// Plain text is copied thirty-two bytes at a time; wherever in such a step a character that
// needs decoding stands (control characters among them, which decode to themselves), and wherever
// a read ends, the text reads the same.
TEST(WideTextReaderLines, CharactersNeedingDecodingAreFoundAtEveryPlaceInAWord) {
    struct Special {
        std::string bytes;
        std::u16string reads;
    };
    const Special specials[] = {
        {"\r\n", u"\n"},
        {"\r", u"\r"},
        {"\n", u"\n"},
        {std::string(1, '\0'), std::u16string(1, u'\0')},
        {"\xC3\xA9", u"\u00E9"},
        {"\xFF", u"\uFFFD"},
        {"\t\x01\x0D\x0E", u"\t\u0001\r\u000E"},
        // The first and last two-byte characters, and the sequences just outside them.
        {"\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
        {"\xC1\xBF\xC3(", u"\uFFFD\uFFFD\uFFFD("},
        {"\xE0\xA0\x80\xC3\xC3\xA9", u"\u0800\uFFFD\u00E9"}};
    for (std::size_t k = 0; k <= 40; ++k) {
        for (const Special& special : specials) {
            const std::string text =
                std::string(k, 'x') + special.bytes + "yz" + std::string(k, 'w');
            const std::u16string expected =
                std::u16string(k, u'x') + special.reads + u"yz" + std::u16string(k, u'w');
            std::vector<std::string> files{text};
            if (static_cast<unsigned char>(special.bytes[0]) < 0x80) {
                files.push_back(Utf16LeWithMark(std::u16string(text.begin(), text.end())));
            }
            for (const std::string& file : files) {
                for (std::size_t capacity : {6, 64}) {
                    SCOPED_TRACE(testing::PrintToString(file) + " into " +
                                 std::to_string(capacity));
                    WideTextReader reader(Bytes(file));
                    std::u16string all;
                    char16_t buffer[64];
                    while (const std::size_t n = reader.ReadLine(buffer, capacity)) {
                        all.append(buffer, n);
                    }
                    EXPECT_EQ(all, expected);
                }
            }
        }
    }
}

TEST(WideTextReaderLines, SurrogatePairIsSplitWhenOnlyOneUnitIsLeft) {
    const std::string text = "ab\xF0\x9F\x93\xA1";
    WideTextReader reader(Bytes(text));
    char16_t buffer[4];
    ASSERT_EQ(reader.ReadLine(buffer, 4), 3u);
    EXPECT_EQ(buffer[2], 0xD83D);
    EXPECT_FALSE(reader.AtEnd());
    ASSERT_EQ(reader.ReadLine(buffer, 4), 1u);
    EXPECT_EQ(buffer[0], 0xDCE1);
    EXPECT_TRUE(reader.AtEnd());
}

// Hands out its text a few bytes per read, so that reads end inside characters and line ends.
class Trickle final : public ByteSource {
public:
    Trickle(std::string_view text, std::size_t step) : text_(text), step_(step) {}
    std::size_t Read(std::uint8_t* into, std::size_t capacity) override {
        const std::size_t n = std::min({step_, capacity, text_.size()});
        std::memcpy(into, text_.data(), n);
        text_.remove_prefix(n);
        return n;
    }

private:
    std::string_view text_;
    std::size_t step_;
};

// Every read, through a buffer short enough to split lines and surrogate pairs.
std::vector<std::u16string> ReadAll(WideTextReader& reader) {
    std::vector<std::u16string> reads;
    char16_t buffer[5];
    while (!reader.AtEnd()) {
        const std::size_t n = reader.ReadLine(buffer, std::size(buffer));
        if (n == 0) break;
        reads.emplace_back(buffer, n);
    }
    return reads;
}

TEST(WideTextReaderSource, ReadsTheSameTextWhateverTheSizeOfEachRead) {
    const std::string texts[] = {
        "\xEF\xBB\xBFNAME,FREQ\r\nCaf\xC3\xA9 \xE2\x82\xAC\xF0\x9F\x93\xBA\r\n\r\nx\r",
        Utf16LeWithMark(u"NAME\r\nA\U0001F4FA\r\nb\r"),
        Utf16LeWithMark(u"ab") + "c",  // a lone last byte
        "a\xE2\x82z\xF0\x9F\x93\r\n\xFF\xC3",
        "\xEF\xBB",
    };
    for (const std::string& text : texts) {
        WideTextReader whole(Bytes(text));
        const auto expected = ReadAll(whole);
        for (std::size_t step : {1, 2, 3, 5}) {
            SCOPED_TRACE(testing::PrintToString(text) + " by " + std::to_string(step));
            Trickle source(text, step);
            WideTextReader reader(source);
            EXPECT_EQ(ReadAll(reader), expected);
        }
    }
}

// The fields of each line as the field syntax gives them one after the other, against those cut
// at the commas the reader noted while it widened the line. Commas stand at every place of the
// bytes the reader copies at a time and on both sides of each 64-unit word of the map, next to
// characters it must decode, inside quotes (also quotes across two words), in lines cut by a
// short buffer and in UTF-16LE reads that end inside a comma.
TEST(WideTextReaderCommas, FieldsCutAtTheNotedCommasAreTheFieldSyntaxs) {
    std::u16string text = u"NAME,FREQ\r\n";
    for (std::size_t k = 0; k <= 70; ++k) {
        for (const std::u16string_view special : {u"", u"\u00E9", u"\r", u"\U0001F4FA"}) {
            text += std::u16string(k, u'x') + std::u16string(special) + u",a,,b" +
                    std::u16string(k % 7, u'y') + u",\"q,r\",z" + std::u16string(k % 3, u',') +
                    u"\r\n";
        }
    }
    text += u"a," + std::u16string(1, u'\0') + u",x,\n,\"open,";
    const std::string utf8 = ToUtf8(text);
    const std::string utf16 = Utf16LeWithMark(text);
    for (const std::string* file : {&utf8, &utf16}) {
        for (std::size_t step : {std::size_t{0}, std::size_t{1}, std::size_t{3}}) {
            for (std::size_t capacity : {std::size_t{1024}, std::size_t{9}}) {
                SCOPED_TRACE(std::string(file == &utf8 ? "UTF-8" : "UTF-16LE") + " by " +
                             std::to_string(step) + " into " + std::to_string(capacity));
                Trickle source(*file, step == 0 ? file->size() : step);
                WideTextReader reader(source);
                std::vector<char16_t> buffer(capacity);
                CommaMap commas;
                std::size_t textUnits = 0;
                std::size_t lines = 0;
                while (reader.ReadLine(buffer.data(), capacity, &textUnits, &commas) != 0) {
                    const std::u16string_view line(buffer.data(), textUnits);
                    std::vector<std::u16string_view> cut;
                    CsvFields{line, commas}.ForEach(
                        20,
                        [&cut](std::size_t, std::u16string_view field) { cut.push_back(field); });
                    std::vector<std::u16string_view> oneByOne;
                    std::u16string_view rest = line;
                    while (oneByOne.size() < 20) {
                        const CsvField field = NextCsvField(rest);
                        if (!field) break;
                        oneByOne.push_back(*field);
                    }
                    ASSERT_EQ(cut, oneByOne) << "line " << lines;
                    ++lines;
                }
                EXPECT_GT(lines, 4 * 71u);
            }
        }
    }
}

}  // namespace
}  // namespace orvalen::test
