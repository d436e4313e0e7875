// The writer of the list dialect: what it writes, the reader gives back unchanged; what the
// reader could not hold is changed so that it can and said; nothing is left out unsaid.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChannelValues.h"

namespace orvalen::test {
namespace {

TEST(ChannelListWriter, TheReaderGivesBackEveryValueAsWritten) {
    std::vector<ChannelRecord> channels = {
        Channel(u"Plain", 11836000, kPolarisationHorizontal, 27500, 1, 1089, 28006),
        Channel(u"Comma, inside", 11836500, kPolarisationVertical, 22000),  // not whole MHz
        Channel(u"Say \"hi\"", 2500000, kPolarisationCircularLeft, 1000, 0, 0, 0),
        Channel(u" blank first \u00e9\u20ac\U0001F4FA", 3000000, kPolarisationCircularRight, 1),
        Channel(u"", 12000000, kPolarisationHorizontal, 30000, 65535, 65535, 65535, kSystemDvbs2,
                255, kMaxPlsCode),
        Channel(u"S", 10700000, kPolarisationVertical, 45000, -1, -1, -1, kSystemDvbs, 0, 0),
    };
    channels[0].comment = u"tv, scrambled";
    channels[1].comment = u"";
    channels[2].comment = u"a \"quoted\" word";
    channels[3].comment = u"ends in a quote\"";
    ConversionNotes notes;
    const std::vector<ChannelRecord> back = WrittenAndRead(channels, notes);
    EXPECT_EQ(TuningOf(back), TuningOf(channels));
    ASSERT_EQ(back.size(), channels.size());
    for (std::size_t i = 0; i < channels.size(); ++i) {
        EXPECT_EQ(back[i].comment, channels[i].comment) << i;
    }
    EXPECT_TRUE(notes.lines().empty()) << notes.lines().front();
}

TEST(ChannelListWriter, OptionalColumnsOnlyWhenAChannelHasThem) {
    ConversionNotes notes;
    const std::vector<ChannelRecord> plain = {Channel(u"A", 11836000, 1, 27500)};
    EXPECT_EQ(WriteChannelList(plain, notes).bytes,
              "NAME,FREQ,POL,SR,ONID,TSID,SID,Comment\nA,11836,H,27500,-1,-1,-1\n");
    const std::vector<ChannelRecord> coded = {
        Channel(u"A", 11836000, 1, 27500),
        Channel(u"B", 11836000, 1, 27500, 1, 2, 3, kSystemDvbs2, -1, 8)};
    EXPECT_EQ(WriteChannelList(coded, notes).bytes,
              "NAME,FREQ,POL,SR,ONID,TSID,SID,SYS,PLS,Comment\n"
              "A,11836,H,27500,-1,-1,-1,,\n"
              "B,11836,H,27500,1,2,3,DVB-S2,8\n");
}

TEST(ChannelListWriter, TextsTheReaderCannotHoldAreChangedAndSaid) {
    std::vector<ChannelRecord> channels = {
        Channel(u"Quote \"and\", comma", 11836000, 1, 27500),
        Channel(u"\"Leading quote", 11836000, 1, 27500),
        Channel(u"Two\nlines\r", 11836000, 1, 27500),
        Channel(std::u16string(u"Cut \xD83D"), 11836000, 1, 27500),  // half a pair
    };
    ConversionNotes notes;
    const std::vector<ChannelRecord> back = WrittenAndRead(channels, notes);
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(*back[0].name, u"Quote 'and', comma");
    EXPECT_EQ(*back[1].name, u"'Leading quote");
    EXPECT_EQ(*back[2].name, u"Two lines ");
    EXPECT_EQ(*back[3].name, u"Cut \uFFFD");
    EXPECT_EQ(notes.lines().size(), 4u);
    EXPECT_TRUE(Said(notes, "channel 1 \"Quote \"and\", comma\": in its name, its double quotes"));
    EXPECT_TRUE(Said(notes, "channel 3 ") && Said(notes, "a line break became a blank"));
    EXPECT_TRUE(Said(notes, "a broken character became U+FFFD"));
}

TEST(ChannelListWriter, ALineLongerThanTheReaderReadsIsShortenedCommentFirst) {
    std::vector<ChannelRecord> channels = {
        Channel(std::u16string(600, u'n'), 11836000, 1, 27500),
        Channel(std::u16string(1500, u'N'), 11836000, 1, 27500),
        // A pair of units that the cut would split in two stays whole or goes whole.
        Channel(std::u16string(1009, u'x') + u"\U0001F4FA\U0001F4FA", 11836000, 1, 27500),
        Channel(u"After", 11836000, 1, 27500),
    };
    channels[0].comment = std::u16string(600, u'c');
    channels[1].comment = u"gone";
    ConversionNotes notes;
    const ChannelListText text = WriteChannelList(channels, notes);
    const std::vector<ChannelRecord> back = RecordsOf(ParseChannels(text.bytes));
    ASSERT_EQ(back.size(), 4u) << "a long line spilled into a line of its own";
    EXPECT_EQ(*back[0].name, std::u16string(600, u'n'));
    EXPECT_LT(back[0].comment->size(), 600u);
    EXPECT_GT(back[0].comment->size(), 300u);
    EXPECT_FALSE(back[1].comment.has_value());
    EXPECT_LT(back[1].name->size(), 1022u);
    EXPECT_EQ(back[1].name->substr(0, 900), std::u16string(900, u'N'));
    EXPECT_NE(back[2].name->back(), u'\xD83D');  // no half pair at the end
    EXPECT_EQ(*back[3].name, u"After");
    EXPECT_EQ(TuningOf(back)[1].khz, 11836000u);
    EXPECT_TRUE(Said(notes, "channel 1 ") && Said(notes, "in its comment, it was shortened"));
    EXPECT_TRUE(Said(notes, "channel 2 ") && Said(notes, "in its comment, it was left out"));
    EXPECT_TRUE(Said(notes, "in its name, it was shortened"));
}

TEST(ChannelListWriter, ChannelsPastAHundredAreCountedAndSaid) {
    std::vector<ChannelRecord> channels;
    for (int i = 0; i < 150; ++i) {
        channels.push_back(Channel(u"C" + Ascii(std::to_string(i)), 11836000, 1, 27500));
    }
    ConversionNotes notes;
    const ChannelListText text = WriteChannelList(channels, notes);
    EXPECT_EQ(text.written, 100);
    const ChannelList back = ParseChannels(text.bytes);
    EXPECT_EQ(back.count, 100);
    EXPECT_EQ(*back.records[99]->name, u"C99");
    ASSERT_EQ(notes.lines().size(), 1u);
    EXPECT_EQ(notes.lines()[0],
              "50 channels left out, as a list holds 100: channel 101 \"C100\" to channel 150 "
              "\"C149\"");
}

TEST(ChannelListWriter, ChannelsTheReaderWouldDropAreLeftOutAndSaid) {
    std::vector<ChannelRecord> channels = {
        Channel(u"NoFreq", 0, 1, 27500),
        Channel(u"NoSr", 11836000, 1, 0),
        Channel(u"NoPol", 11836000, -1, 27500),
        Channel(u"BadIsi", 11836000, 1, 27500, -1, -1, -1, kSystemDvbs2, 256),
        Channel(u"Kept", 11836000, 1, 27500),
    };
    channels.push_back(Channel(u"", 11836000, 1, 27500));
    channels.back().name.reset();
    ConversionNotes notes;
    const std::vector<ChannelRecord> back = WrittenAndRead(channels, notes);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(*back[0].name, u"Kept");
    EXPECT_EQ(notes.lines(), (std::vector<std::string>{
                                 "channel 1 \"NoFreq\": left out, no frequency",
                                 "channel 2 \"NoSr\": left out, no symbol rate",
                                 "channel 3 \"NoPol\": left out, no polarisation",
                                 "channel 4 \"BadIsi\": left out, input stream id out of 0-255",
                                 "channel 6 \"\": left out, no name",
                             }));
}

TEST(ChannelListWriter, AFrequencyBelowTheKilohertzThresholdIsRoundedToMegahertzAndSaid) {
    const std::vector<ChannelRecord> channels = {Channel(u"L", 1234567, 1, 27500),
                                                 Channel(u"Tiny", 3, 1, 27500)};
    ConversionNotes notes;
    const std::vector<ChannelRecord> back = WrittenAndRead(channels, notes);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].frequencyKHz, 1235000u);
    EXPECT_EQ(back[1].frequencyKHz, 1000u);  // kept a frequency, rather than dropped
    EXPECT_TRUE(Said(notes, "1234567 kHz is below 2500000 kHz and not whole MHz"));
}

}  // namespace
}  // namespace orvalen::test
