// Decoding the CAM's MMI strings: character-table selectors, limits and the walk over an
// object's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/MmiStrings.h"
#include "dialogs/MmiText.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> values) {
    Bytes bytes;
    for (int v : values) {
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Ascii(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

struct SelectorCase {
    Bytes string;
    std::int32_t selectorLength;
    std::uint32_t codePage;
    std::u16string text;
};

TEST(MmiText, EachSelectorNamesItsTableAndIsKeptForTheAnswer) {
    const SelectorCase cases[] = {
        {B({'A', 0xE9}), 0, 28591, u"A\u00E9"},
        {B({0x01, 0xD0}), 1, 28595, u"\u0430"},
        {B({0x02, 0xC7}), 1, 28596, u"\u0627"},
        {B({0x03, 0xE1}), 1, 28597, u"\u03B1"},
        {B({0x04, 0xE0}), 1, 28598, u"\u05D0"},
        {B({0x05, 0xF0}), 1, 28599, u"\u011F"},
        {B({0x09, 0xE0}), 1, 28603, u"\u0105"},
        {B({0x0B, 0xA4}), 1, 28605, u"\u20AC"},
        {B({0x13, 0xD6, 0xD0}), 1, 936, u"\u4E2D"},
        {B({0x14, 0xA4, 0xA4}), 1, 950, u"\u4E2D"},
        {B({0x15, 0xE2, 0x82, 0xAC}), 1, 65001, u"\u20AC"},
        {B({0x10, 0x00, 0x02, 0xB1}), 3, 28592, u"\u0105"},
        {B({0x10, 0x00, 0x0F, 0xA4}), 3, 28605, u"\u20AC"},
        {B({0x1F, 0x01, 'a', 0xE9}), 2, 28591, u"a\u00E9"},
        {B({0x06, 'x'}), 1, 0, u"x"},  // system code page: plain ASCII decodes in any
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.string));
        const MmiText decoded = DecodeMmiText(c.string);
        EXPECT_EQ(decoded.selectorLength, c.selectorLength);
        EXPECT_TRUE(std::equal(decoded.selector.begin(),
                               decoded.selector.begin() + decoded.selectorLength,
                               c.string.begin()));
        EXPECT_EQ(decoded.codePage, c.codePage);
        EXPECT_EQ(decoded.text, c.text);
    }
}

TEST(MmiText, UnsupportedOrUnavailableTablesShowCharEncoding) {
    for (int selector : {0x11, 0x16, 0x17, 0x1A, 0x1E}) {
        SCOPED_TRACE(selector);
        const MmiText decoded = DecodeMmiText(B({selector, 'a', 'b'}));
        EXPECT_EQ(decoded.text, u"CHAR ENCODING");
        EXPECT_EQ(decoded.selectorLength, 0);
        EXPECT_EQ(decoded.codePage, 28591u);
    }
    // ISO 8859 part 12 never existed; part 0 is no part at all.
    EXPECT_EQ(DecodeMmiText(B({0x10, 0x00, 0x0C, 'a'})).text, u"CHAR ENCODING");
    EXPECT_EQ(DecodeMmiText(B({0x10, 0x00, 0x00, 'a'})).text, u"CHAR ENCODING");
}

TEST(MmiText, BytesASupportedTableDoesNotHaveBecomeReplacementCharacters) {
    EXPECT_EQ(DecodeMmiText(B({0x15, 'a', 0xFF, 0xFE, 'b', 0x00})).text, u"a\uFFFD\uFFFDb");
    EXPECT_EQ(DecodeMmiText(B({0x03, 'a', 0xAE, 'b'})).text, u"a\uFFFDb");
    // Cut short before the string's NUL, a character is undecodable rather than cut.
    EXPECT_EQ(DecodeMmiText(B({0x15, 'a', 0xE2, 0x82, 0x00})).text, u"a\uFFFD");
}

TEST(MmiText, ControlCodesAreRemoved) {
    // Emphasis on/off around a word, in the default table and in UTF-8, and a DVB line break.
    EXPECT_EQ(DecodeMmiText(B({0x86, 'P', 'I', 'N', 0x87, 0x8A, '!'})).text, u"PIN!");
    EXPECT_EQ(DecodeMmiText(B({0x15, 0xC2, 0x86, 'o', 'k', 0xC2, 0x87})).text, u"ok");
    EXPECT_EQ(DecodeMmiText(B({0x9F, 0xA0, 0x7F})).text, u"\u00A0\u007F");
}

TEST(MmiText, StringEndsAtItsNulAndEmptyStringsAreEmpty) {
    EXPECT_EQ(DecodeMmiText(Concat(Ascii("Menu"), B({0, 'X', 0}))).text, u"Menu");
    EXPECT_EQ(DecodeMmiText(B({0x00, 'X'})).text, u"");
    EXPECT_EQ(DecodeMmiText(Bytes{}).text, u"");
    EXPECT_EQ(MmiStringSize(B({0x00, 'X'})), 1u);
    EXPECT_EQ(MmiStringSize(Ascii("abc")), 3u);  // no NUL: runs to the end
    // The zero byte inside a three-byte selector does not end the string.
    EXPECT_EQ(MmiStringSize(B({0x10, 0x00, 0x05, 'a', 0, 'b'})), 5u);
    EXPECT_EQ(DecodeMmiText(B({0x10, 0x00, 0x05, 0})).text, u"");
}

TEST(MmiText, DecodesAtMost256BytesSelectorIncluded) {
    const Bytes plain = Concat(Bytes(300, 'a'), B({0}));
    EXPECT_EQ(DecodeMmiText(plain).text, std::u16string(256, u'a'));
    const Bytes withSelector = Concat(B({0x10, 0x00, 0x01}), plain);
    EXPECT_EQ(DecodeMmiText(withSelector).text, std::u16string(253, u'a'));
    // A UTF-8 character cut by the limit is left out, not turned into a failure.
    Bytes utf8 = B({0x15});
    for (int i = 0; i < 100; ++i) {
        utf8 = Concat(utf8, B({0xE2, 0x82, 0xAC}));
    }
    EXPECT_EQ(DecodeMmiText(utf8).text, std::u16string(85, u'\u20AC'));
}

TEST(MmiText, StringCutByTheEndOfTheTextShowsAsFarAsItGoes) {
    EXPECT_EQ(DecodeMmiText(Ascii("Mai")).text, u"Mai");
    EXPECT_EQ(DecodeMmiText(B({0x15, 'a', 0xE2, 0x82})).text, u"a");
    const MmiText cutSelector = DecodeMmiText(B({0x10, 0x00}));
    EXPECT_EQ(cutSelector.text, u"");
    EXPECT_EQ(cutSelector.selectorLength, 0);
}

TEST(MmiStrings, WalksStringsInOrderWithSelectorsOfTheirOwn) {
    const Bytes text = Concat(
        Concat(Concat(Ascii("Title"), B({0, 0x10, 0x00, 0x02, 0xB1, 0})), B({0, 0x05, 0xF0, 0})),
        Ascii("Item"));
    const auto strings = DecodeMmiStrings(text, 5);
    ASSERT_EQ(strings.size(), 5u);
    EXPECT_EQ(strings[0].text, u"Title");
    EXPECT_EQ(strings[1].text, u"\u0105");
    EXPECT_EQ(strings[1].codePage, 28592u);
    EXPECT_EQ(strings[2].text, u"");
    EXPECT_EQ(strings[3].text, u"\u011F");
    EXPECT_EQ(strings[3].codePage, 28599u);
    EXPECT_EQ(strings[4].text, u"Item");  // cut by the end of the text
}

TEST(MmiStrings, MissingStringsAreEmptyAndCountsAreBounded) {
    const auto strings = DecodeMmiStrings(Concat(Ascii("T"), B({0})), 4);
    ASSERT_EQ(strings.size(), 4u);
    EXPECT_EQ(strings[0].text, u"T");
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(strings[i].text, u"");
        EXPECT_EQ(strings[i].codePage, 28591u);
    }
    EXPECT_EQ(DecodeMmiStrings({}, 0xFFFFFFFFu).size(), kMmiMaxStrings);
}

}  // namespace
