// The satellite list: slots by tuner and LNB source, validity, the first valid line per slot,
// and the file in the working directory.
#include <gtest/gtest.h>

#include <string>

#include "ListFiles.h"

namespace orvalen::test {
namespace {

constexpr std::string_view kHeader = "NAME,Tuner,LNBSource,ChannelList,Comment\n";

std::u16string FileOfSlot(const SatelliteList& list, int slot) {
    const SatelliteRecord* record = list.slots[slot].get();
    return record ? *record->channelListFile : u"<empty>";
}

TEST(SatelliteSlots, TunerAndLnbSourcePickTheSlot) {
    const SatelliteList list = ParseSatellites(std::string(kHeader) +
                                               "A,1,1,a.csv\n"
                                               "B,2,4,b.csv,last slot\n"
                                               "C,2,1,c.csv\n"
                                               "D,1,4,d.csv\n");
    EXPECT_EQ(FileOfSlot(list, 0), u"a.csv");
    EXPECT_EQ(FileOfSlot(list, 3), u"d.csv");
    EXPECT_EQ(FileOfSlot(list, 4), u"c.csv");
    EXPECT_EQ(FileOfSlot(list, 7), u"b.csv");
    EXPECT_EQ(*list.slots[7]->comment, u"last slot");
    for (int slot : {1, 2, 5, 6}) EXPECT_EQ(list.slots[slot], nullptr) << slot;
    static_assert(SatelliteSlot(2, 4) == 7 && SatelliteSlot(1, 1) == 0);
}

TEST(SatelliteSlots, FirstValidLineForASlotWins) {
    DropLog log;
    const SatelliteList list =
        LoadSatelliteListFromBytes(Bytes(std::string(kHeader) + "Invalid,1,2\n"
                                                                "First,1,2,first.csv\n"
                                                                "Second,1,2,second.csv\n"),
                                   &log);
    EXPECT_EQ(FileOfSlot(list, 1), u"first.csv");
    ASSERT_EQ(log.drops.size(), 2u);  // an invalid line takes no slot
    EXPECT_EQ(log.drops[0].why, "no ChannelList");
    EXPECT_EQ(log.drops[1].why, "slot taken");
}

TEST(SatelliteValidity, OutOfRangeOrMissingValuesDropTheLine) {
    DropLog log;
    const SatelliteList list =
        LoadSatelliteListFromBytes(Bytes(std::string(kHeader) + "T3,3,1,x.csv\n"
                                                                "L0,1,0,x.csv\n"
                                                                "L5,1,5,x.csv\n"
                                                                "T0,0,1,x.csv\n"
                                                                "Neg,-1,-1,x.csv\n"
                                                                "NoFile,1,1\n"
                                                                "NoName\n"
                                                                "\"\"x,1,1,x.csv\n"
                                                                "Ok,2,3,ok.csv\n"),
                                   &log);
    for (int slot = 0; slot < kSatelliteSlots; ++slot) {
        EXPECT_EQ(FileOfSlot(list, slot), slot == 6 ? u"ok.csv" : u"<empty>") << slot;
    }
    std::vector<std::string> why;
    for (const auto& d : log.drops) why.push_back(d.why);
    EXPECT_EQ(
        why, (std::vector<std::string>{"bad tuner", "bad LNB source", "bad LNB source", "bad tuner",
                                       "bad tuner, bad LNB source", "no ChannelList",
                                       "no ChannelList, bad tuner, bad LNB source",
                                       "no NAME, no ChannelList, bad tuner, bad LNB source"}));
}

TEST(SatelliteColumns, SharedDialectAppliesHere) {
    // Lower-case names, a last-wins Tuner column, first-wins texts, UTF-16LE with CR LF.
    const SatelliteList list =
        ParseSatellites(Utf16LeWithMark(u"channellist,name,TUNER,lnbsource,Tuner,ChannelList\r\n"
                                        u"\u00E9.csv,Sat,1,2,2,other.csv\r\n"));
    EXPECT_EQ(FileOfSlot(list, 5), u"\u00E9.csv");
    EXPECT_EQ(list.slots[5]->tuner, 2);
    EXPECT_FALSE(list.slots[5]->comment.has_value());
}

TEST(SatelliteListLifetime, FreeEmptiesEverySlot) {
    SatelliteList list = ParseSatellites(std::string(kHeader) + "A,1,1,a.csv\nB,2,2,b.csv\n");
    FreeSatelliteList(list);
    for (const auto& slot : list.slots) EXPECT_EQ(slot, nullptr);
}

TEST(SatelliteFile, IsReadFromTheWorkingDirectory) {
    ScratchDirectory dir;
    {
        DropLog log;
        const SatelliteList none = LoadSatelliteList(&log);
        for (const auto& slot : none.slots) EXPECT_EQ(slot, nullptr);
        EXPECT_EQ(log.unread, (std::vector<std::string>{"cannot be opened"}));
    }
    dir.Write("SatelliteList.csv",
              "\xEF\xBB\xBFNAME,Tuner,LNBSource,ChannelList\r\nS,1,1,a.csv\r\n");
    const SatelliteList list = LoadSatelliteList();
    EXPECT_EQ(FileOfSlot(list, 0), u"a.csv");
}

}  // namespace
}  // namespace orvalen::test
