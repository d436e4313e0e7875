// Channel list files: the header, the columns and their values, validity, the cap of 100, and
// the file-opening layer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "ListFiles.h"

namespace orvalen::test {
namespace {

using Strings = std::vector<std::u16string>;

TEST(ChannelHeader, NamesMatchInAnyCaseAndAnyOrder) {
    const ChannelList list =
        ParseChannels("sid,pol,Name,fReQ,tsid,Sr,onid,COMMENT\n1,v,One,11836,2,27500,3,note\n");
    ASSERT_EQ(list.count, 1);
    const ChannelRecord& r = *list.records[0];
    EXPECT_EQ(*r.name, u"One");
    EXPECT_EQ(*r.comment, u"note");
    EXPECT_EQ(r.frequencyKHz, 11836000u);
    EXPECT_EQ(r.symbolRate, 27500);
    EXPECT_EQ(r.polarisation, kPolarisationVertical);
    EXPECT_EQ(r.onid, 3);
    EXPECT_EQ(r.tsid, 2);
    EXPECT_EQ(r.sid, 1);
}

TEST(ChannelHeader, BlankBeforeANameMatchesNoColumn) {
    // " SR" is an unknown column: no record gets a symbol rate.
    DropLog log;
    const ChannelList list =
        LoadChannelListFromBytes(Bytes("NAME,FREQ, SR,POL\nOne,11836,27500,H\n"), &log);
    EXPECT_EQ(list.count, 0);
    ASSERT_EQ(log.drops.size(), 1u);
    EXPECT_EQ(log.drops[0].why, "SR 0");
}

TEST(ChannelHeader, OnlyTheFirstTwentyColumnsAreUsed) {
    std::string columns;
    for (int i = 0; i < 16; ++i) columns += "X" + std::to_string(i) + ",";
    std::string fill;
    for (int i = 0; i < 16; ++i) fill += "0,";
    // Columns 17 to 20 are NAME, FREQ, SR, POL; a 21st column is never looked at.
    const ChannelList list = ParseChannels(columns + "NAME,FREQ,SR,POL,Comment\n" + fill +
                                           "One,11836,27500,H,ignored\n");
    ASSERT_EQ(list.count, 1);
    EXPECT_FALSE(list.records[0]->comment.has_value());
    const ChannelList shifted =
        ParseChannels("Extra," + columns + "NAME,FREQ,SR,POL\n0," + fill + "One,11836,27500,H\n");
    EXPECT_EQ(shifted.count, 0);  // POL is column 21
}

TEST(ChannelHeader, UnknownColumnsAndExtraFieldsAreIgnored) {
    const ChannelList list =
        ParseChannels("NAME,Provider,FREQ,SR,POL\nOne,Acme,11836,27500,H,surplus,fields\n");
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.records[0]->polarisation, kPolarisationHorizontal);
}

TEST(ChannelHeader, TooShortHeaderOrNoHeaderGivesAnEmptyList) {
    const std::string channel = "One,11836,27500,H\n";
    for (const std::string& file :
         {std::string(""), std::string("NAME,FREQ,SR,POL\n"), std::string("NAME,FREQ,SR,POL"),
          "\n" + channel, "\r\n" + channel, std::string("N")}) {
        DropLog log;
        EXPECT_EQ(LoadChannelListFromBytes(Bytes(file), &log).count, 0) << file;
    }
    // Two units are enough for a header, though a one-letter column is of no use.
    DropLog log;
    EXPECT_EQ(LoadChannelListFromBytes(Bytes("N\n" + channel), &log).count, 0);
    EXPECT_TRUE(log.unread.empty());
    EXPECT_EQ(log.drops.size(), 1u);
}

TEST(ChannelFrequency, SmallValuesAreMegahertzAndTheRestKilohertz) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL\n"
        "a,11836,27500,H\nb,11836000,27500,H\nc,2500000,27500,H\nd,2499999,27500,H\n"
        "e,11836.5,27500,H\nf,-1,27500,H\ng,1,27500,H\n");
    std::vector<std::uint32_t> kHz;
    for (int i = 0; i < list.count; ++i) kHz.push_back(list.records[i]->frequencyKHz);
    EXPECT_EQ(kHz, (std::vector<std::uint32_t>{11836000u, 11836000u, 2500000u, 2499999000u,
                                               11836000u, 4294967295u, 1000u}));
}

TEST(ChannelColumns, FirstTextWinsAndLastNumberWins) {
    const ChannelList list = ParseChannels(
        "NAME,Comment,FREQ,SR,POL,NAME,Comment,FREQ,SR,POL,SID,SID\n"
        "First,c1,11836,27500,H,Second,c2,12000,22000,V,1,2\n"
        ",,11836,27500,H,Second,c2\n");  // empty texts are present and still win
    ASSERT_EQ(list.count, 2);
    const ChannelRecord& a = *list.records[0];
    EXPECT_EQ(*a.name, u"First");
    EXPECT_EQ(*a.comment, u"c1");
    EXPECT_EQ(a.frequencyKHz, 12000000u);
    EXPECT_EQ(a.symbolRate, 22000);
    EXPECT_EQ(a.polarisation, kPolarisationVertical);
    EXPECT_EQ(a.sid, 2);
    EXPECT_EQ(*list.records[1]->name, u"");
    EXPECT_EQ(*list.records[1]->comment, u"");
}

TEST(ChannelColumns, LaterEmptyNumberOverwritesWithZero) {
    const ChannelList list =
        ParseChannels("NAME,FREQ,SR,POL,FREQ\nOne,11836,27500,H,\nTwo,11836,27500,H,,\n");
    // The first line's second FREQ is absent; the second line's is empty and reads 0.
    EXPECT_EQ(NamesOf(list), (Strings{u"One"}));
}

TEST(ChannelPolarisation, FirstCharacterDecidesAndOthersChangeNothing) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL,POL\n"
        "h,11836,27500,Horizontal\nv,11836,27500,vertical\nl,11836,27500,L\nr,11836,27500,r\n"
        "keep,11836,27500,V,x\nempty,11836,27500,H,\"\"\nlast,11836,27500,H,R\n"
        "none,11836,27500,Xpol\nblank,11836,27500, H\n");
    std::vector<std::int32_t> pol;
    for (int i = 0; i < list.count; ++i) pol.push_back(list.records[i]->polarisation);
    EXPECT_EQ(NamesOf(list), (Strings{u"h", u"v", u"l", u"r", u"keep", u"empty", u"last"}));
    EXPECT_EQ(pol, (std::vector<std::int32_t>{1, 2, 3, 4, 2, 1, 4}));
}

TEST(ChannelValidity, NameFreqSrAndPolAreRequired) {
    DropLog log;
    const ChannelList list =
        LoadChannelListFromBytes(Bytes("NAME,FREQ,SR,POL,ONID\n"
                                       "ok,11836,-1,H\n"   // a negative symbol rate is not 0
                                       ",11836,27500,H\n"  // empty name is a name
                                       "noFreq,,27500,H\n"
                                       "zeroSr,11836,0,H\n"
                                       "noPol,11836,27500,\n"
                                       "\n"
                                       "short,11836\n"
                                       "ok2,11836,27500,V,7\n"),
                                 &log);
    EXPECT_EQ(NamesOf(list), (Strings{u"ok", u"", u"ok2"}));
    EXPECT_EQ(list.records[0]->onid, -1);  // absent ONID goes on as -1
    std::vector<std::string> why;
    for (const auto& d : log.drops) why.push_back(d.why);
    EXPECT_EQ(why, (std::vector<std::string>{"no FREQ", "SR 0", "no POL",
                                             "no NAME, no FREQ, SR 0, no POL", "SR 0, no POL"}));
}

// A dropped line's record is refilled by the next line; nothing of it may show through.
TEST(ChannelValidity, ADroppedLineLeavesNothingInTheNextRecord) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL,ONID,TSID,SID,Comment\n"
        "dropped,11836,0,H,1,2,3,a comment long enough to need storage of its own\n"
        "kept,12000,27500,V\n");
    ASSERT_EQ(list.count, 1);
    const ChannelRecord& r = *list.records[0];
    EXPECT_EQ(*r.name, u"kept");
    EXPECT_FALSE(r.comment);
    EXPECT_EQ(r.onid, -1);
    EXPECT_EQ(r.tsid, -1);
    EXPECT_EQ(r.sid, -1);
}

TEST(ChannelCap, OnlyTheFirstHundredValidChannelsAreKeptAndReadingGoesOn) {
    std::string file = "NAME,FREQ,SR,POL\n";
    for (int i = 0; i < 150; ++i) {
        file += "C" + std::to_string(i) + "," + std::to_string(10700 + i) + ",27500,H\n";
        if (i % 10 == 0) file += "\n,bad line\n";  // blank and invalid lines take no index
    }
    DropLog log;
    const ChannelList list = LoadChannelListFromBytes(Bytes(file), &log);
    ASSERT_EQ(list.count, kMaxChannels);
    for (int i = 0; i < kMaxChannels; ++i) {
        EXPECT_EQ(*list.records[i]->name, Ascii("C" + std::to_string(i)));
    }
    int pastHundred = 0;
    for (const auto& d : log.drops) pastHundred += d.why == "past 100";
    EXPECT_EQ(pastHundred, 50);
    EXPECT_EQ(log.drops.back().text, u"C149,10849,27500,H\n");
}

TEST(ChannelListLifetime, FreeEmptiesTheList) {
    ChannelList list = ParseChannels("NAME,FREQ,SR,POL\nOne,11836,27500,H\n");
    ASSERT_EQ(list.count, 1);
    FreeChannelList(list);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.records[0], nullptr);
}

class ChannelFile : public testing::Test {
protected:
    ScratchDirectory dir_;
};

TEST_F(ChannelFile, IsOpenedByItsNameRelativeToTheWorkingDirectory) {
    dir_.Write("T\xC3\xA9st list.csv", "NAME,FREQ,SR,POL\nOne,11836,27500,H\n");
    EXPECT_EQ(LoadChannelList(u"T\u00E9st list.csv").count, 1);
    EXPECT_EQ(LoadChannelList(u"./T\u00E9st list.csv").count, 1);
    EXPECT_EQ(LoadChannelList(u"T\u00E9st list").count, 0);  // no extension is added
}

TEST_F(ChannelFile, MissingUnreadableOrEmptyFilesGiveAnEmptyList) {
    std::filesystem::create_directory(dir_.path() / "folder.csv");
    dir_.Write("empty.csv", "");
    for (const std::u16string& name :
         {std::u16string(u"missing.csv"), std::u16string(u"folder.csv"),
          std::u16string(u"empty.csv"), std::u16string(u""), std::u16string(u"missing/x.csv")}) {
        DropLog log;
        const ChannelList list = LoadChannelList(name, &log);
        EXPECT_EQ(list.count, 0);
        EXPECT_EQ(log.unread.size(), 1u);
    }
}

TEST_F(ChannelFile, OnlyRegularFilesAreReadAnythingElseIsMissing) {
    std::filesystem::create_directory(dir_.path() / "folder.csv");
    ASSERT_EQ(mkfifo((dir_.path() / "fifo.csv").c_str(), 0600), 0);  // no writer: would block
    for (const std::u16string& name : {std::u16string(u"folder.csv"), std::u16string(u"/dev/null"),
                                       std::u16string(u"/dev/zero"), std::u16string(u"fifo.csv")}) {
        DropLog log;
        EXPECT_EQ(LoadChannelList(name, &log).count, 0);
        EXPECT_EQ(log.unread, std::vector<std::string>{"cannot be opened"});
    }
    // A link to a regular file is that file.
    dir_.Write("a.csv", "NAME,FREQ,SR,POL\nOne,11836,27500,H\n");
    std::filesystem::create_symlink("a.csv", dir_.path() / "link.csv");
    EXPECT_EQ(LoadChannelList(u"link.csv").count, 1);
}

TEST_F(ChannelFile, AFileLargerThanAnyReadGivesWhatItsBytesGive) {
    // Long lines of two-, three- and four-byte characters, so reads end inside characters, line
    // ends and lines; more lines than the list keeps.
    std::string bytes = "\xEF\xBB\xBFNAME,FREQ,SR,POL\r\n";
    for (int i = 0; i < 150; ++i) {
        std::string name = std::to_string(i);
        for (int j = 0; j < 1 + i % 7; ++j) name += "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xBA";
        bytes += name + std::string(700 + 37 * (i % 11), 'x') + ",11836,27500,H\r\n";
    }
    dir_.Write("big.csv", bytes);
    ASSERT_GT(bytes.size(), 2u * 65536);
    const ChannelList fromFile = LoadChannelList(u"big.csv");
    EXPECT_EQ(fromFile.count, 100);
    EXPECT_EQ(NamesOf(fromFile), NamesOf(ParseChannels(bytes)));
}

TEST_F(ChannelFile, NameEndsAtItsFirstZeroUnit) {
    dir_.Write("a.csv", "NAME,FREQ,SR,POL\nOne,11836,27500,H\n");
    EXPECT_EQ(LoadChannelList(std::u16string(u"a.csv\0b", 7)).count, 1);
}

}  // namespace
}  // namespace orvalen::test
