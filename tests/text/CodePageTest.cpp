#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "text/CodePage.h"

namespace {

using namespace std::string_literals;

struct Sample {
    std::uint32_t codePage;
    std::string bytes;
    std::u16string text;
};

// One character per table that differs between the tables, so a wrong mapping cannot pass.
const Sample kSamples[] = {
    {28591, "caf\xE9", u"caf\u00E9"},
    {28592, "\xB1", u"\u0105"},            // a with ogonek
    {28595, "\xD0\xE0", u"\u0430\u0440"},  // Cyrillic a, er
    {28596, "\xC7", u"\u0627"},            // Arabic alef
    {28597, "\xE1", u"\u03B1"},            // Greek alpha
    {28598, "\xE0", u"\u05D0"},            // Hebrew alef
    {28599, "\xF0\xFD", u"\u011F\u0131"},  // Turkish g breve, dotless i
    {28603, "\xE0", u"\u0105"},
    {28605, "\xA4", u"\u20AC"},
    {28606, "\xA4", u"\u20AC"},
    {936, "\xD6\xD0\xCE\xC4", u"\u4E2D\u6587"},
    {950, "\xA4\xA4\xA4\xE5", u"\u4E2D\u6587"},
    {65001, "\xE2\x82\xAC\xF0\x9F\x93\xBA", u"\u20AC\U0001F4FA"},
};

TEST(CodePage, DecodesAndEncodesEachTableBothWays) {
    for (const auto& sample : kSamples) {
        SCOPED_TRACE(sample.codePage);
        EXPECT_EQ(DecodeCodePage(sample.codePage, sample.bytes), sample.text);
        EXPECT_EQ(EncodeCodePage(sample.codePage, sample.text, 256), sample.bytes);
    }
}

TEST(CodePage, KeepsEmbeddedNulsAndEmptyText) {
    EXPECT_EQ(DecodeCodePage(28591, "a\0b"s), u"a\0b"s);
    EXPECT_EQ(DecodeCodePage(65001, ""), u"");
    EXPECT_EQ(EncodeCodePage(28599, u"", 0), "");
}

TEST(CodePage, RefusesTablesIconvDoesNotProvide) {
    for (std::uint32_t codePage : {28590u, 28602u, 28607u, 1252u, 12345u}) {
        SCOPED_TRACE(codePage);
        EXPECT_EQ(DecodeCodePage(codePage, "abc"), std::nullopt);
        EXPECT_EQ(EncodeCodePage(codePage, u"abc", 256), std::nullopt);
    }
}

TEST(CodePage, DecodingReplacesEachUndecodableSequenceAndKeepsTheRest) {
    EXPECT_EQ(DecodeCodePage(65001, "ab\xE2\x82"), u"ab\uFFFD");  // cut short at the end
    EXPECT_EQ(DecodeCodePage(65001,
                             "\xE2\x82"
                             "A\xFF"),
              u"\uFFFDA\uFFFD");                                        // cut short inside
    EXPECT_EQ(DecodeCodePage(65001, "\xC0\xAF"), u"\uFFFD\uFFFD");      // no overlong forms
    EXPECT_EQ(DecodeCodePage(936, "\xD6 \xD6\xD0"), u"\uFFFD \u4E2D");  // lead byte alone
    EXPECT_EQ(DecodeCodePage(28597,
                             "a\xAE"
                             "b"),
              u"a\uFFFDb");  // unassigned in 8859-7
}

TEST(CodePage, ACutCharacterAtTheEndIsDroppedWhenTheTextWasCut) {
    EXPECT_EQ(DecodeCodePage(65001, "ab\xE2\x82", TextEnd::Cut), u"ab");
    EXPECT_EQ(DecodeCodePage(950, "\xA4\xA4\xA4", TextEnd::Cut), u"\u4E2D");
    // Only the end is forgiven.
    EXPECT_EQ(DecodeCodePage(65001,
                             "\xE2\x82"
                             "ab",
                             TextEnd::Cut),
              u"\uFFFDab");
}

TEST(CodePage, EncodingUsesNoDefaultCharacter) {
    EXPECT_EQ(EncodeCodePage(28591, u"\u011F", 256), std::nullopt);  // not in Latin-1
    EXPECT_EQ(EncodeCodePage(28599, u"a\u4E2D", 256), std::nullopt);
    EXPECT_EQ(EncodeCodePage(65001, u"a\xD800"s, 256), std::nullopt);  // lone surrogate
}

TEST(CodePage, EncodingFailsWhenTheResultDoesNotFit) {
    const std::u16string pin(256, u'7');
    EXPECT_EQ(EncodeCodePage(28591, pin, 256), std::string(256, '7'));
    EXPECT_EQ(EncodeCodePage(28591, pin + u"7", 256), std::nullopt);
    // The limit counts bytes, not characters.
    EXPECT_EQ(EncodeCodePage(65001, u"\u20AC\u20AC", 5), std::nullopt);
    EXPECT_EQ(EncodeCodePage(65001, u"\u20AC\u20AC", 6), "\xE2\x82\xAC\xE2\x82\xAC");
}

TEST(CodePage, DecodesLongTextBeyondAnyInitialBuffer) {
    std::string bytes;
    std::u16string text;
    for (int i = 0; i < 5000; ++i) {
        bytes += "\xF0\x9F\x93\xBA";
        text += u"\U0001F4FA";
    }
    EXPECT_EQ(DecodeCodePage(65001, bytes), text);
}

// Code page 0 follows the locale the environment names, as the system code page would.
class LocaleCodePage : public testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("LC_ALL")) {
            m_saved = old;
        }
    }
    void TearDown() override {
        if (m_saved) {
            setenv("LC_ALL", m_saved->c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
    }
    std::optional<std::string> m_saved;
};

TEST_F(LocaleCodePage, FollowsTheEnvironment) {
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(DecodeCodePage(0, "CAM \xC3\xA9"), u"CAM \u00E9");
    EXPECT_EQ(EncodeCodePage(0, u"\u00E9", 256), "\xC3\xA9");

    setenv("LC_ALL", "C", 1);  // plain ASCII
    EXPECT_EQ(DecodeCodePage(0, "CAM"), u"CAM");
    EXPECT_EQ(DecodeCodePage(0, "CAM \xC3\xA9"), u"CAM \uFFFD\uFFFD");
}

}  // namespace
