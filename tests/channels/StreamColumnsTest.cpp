// The optional SYS, ISI and PLS columns of a channel list: their values, what a list without
// them gives, and the reader's rules (header matching, first column wins, the line buffer)
// holding for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListFiles.h"

namespace orvalen::test {
namespace {

using Strings = std::vector<std::u16string>;

struct Stream {
    std::int32_t system, isi, pls;
    friend bool operator==(const Stream&, const Stream&) = default;
};

std::vector<Stream> StreamsOf(const ChannelList& list) {
    std::vector<Stream> streams;
    for (int i = 0; i < list.count; ++i) {
        const ChannelRecord& r = *list.records[i];
        streams.push_back({r.system, r.inputStreamId, r.plsCode});
    }
    return streams;
}

TEST(ChannelStreamColumns, ValuesAreReadInAnyCaseAndEmptyOrOtherSystemsMeanEither) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL,sys,Isi,pLs\n"
        "s,11836,27500,H,DVB-S\n"
        "s2,11836,27500,H,dvb-s2,7,262143\n"
        "zero,11836,27500,H,DVB-S2,0,0\n"
        "other,11836,27500,H,DVB-T,,\n"
        "blank,11836,27500,H, DVB-S\n"
        "minus,11836,27500,H,,-1,-1\n");
    EXPECT_EQ(StreamsOf(list), (std::vector<Stream>{{kSystemDvbs, -1, -1},
                                                    {kSystemDvbs2, 7, kMaxPlsCode},
                                                    {kSystemDvbs2, 0, 0},
                                                    {kSystemEither, -1, -1},
                                                    {kSystemEither, -1, -1},
                                                    {kSystemEither, -1, -1}}));
}

TEST(ChannelStreamColumns, AListWithoutThemGivesNoneOfThem) {
    const ChannelList list = ParseChannels("NAME,FREQ,SR,POL\nOne,11836,27500,H\n");
    EXPECT_EQ(StreamsOf(list), (std::vector<Stream>{{kSystemEither, -1, -1}}));
}

TEST(ChannelStreamColumns, FirstColumnWithAValueWins) {
    const ChannelList list = ParseChannels(
        "NAME,FREQ,SR,POL,SYS,ISI,PLS,SYS,ISI,PLS\n"
        "first,11836,27500,H,DVB-S2,1,2,DVB-S,3,4\n"
        "later,11836,27500,H,,,,DVB-S,3,4\n"
        "odd,11836,27500,H,QPSK,,,DVB-S\n");  // a value, though not a system
    EXPECT_EQ(
        StreamsOf(list),
        (std::vector<Stream>{{kSystemDvbs2, 1, 2}, {kSystemDvbs, 3, 4}, {kSystemEither, -1, -1}}));
}

// A record refilled from a dropped line must not keep the dropped line's stream.
TEST(ChannelStreamColumns, OutOfRangeDropsTheLineAndLeavesNothingBehind) {
    DropLog log;
    const ChannelList list = LoadChannelListFromBytes(Bytes("NAME,FREQ,SR,POL,ISI,PLS,SYS\n"
                                                            "isi,11836,27500,H,256,,DVB-S2\n"
                                                            "pls,11836,27500,H,,262144\n"
                                                            "neg,11836,27500,H,-2,-2\n"
                                                            "kept,11836,27500,H\n"),
                                                      &log);
    EXPECT_EQ(NamesOf(list), (Strings{u"kept"}));
    EXPECT_EQ(StreamsOf(list), (std::vector<Stream>{{kSystemEither, -1, -1}}));
    std::vector<std::string> why;
    for (const auto& d : log.drops) why.push_back(d.why);
    EXPECT_EQ(why, (std::vector<std::string>{"ISI out of range", "PLS out of range",
                                             "ISI out of range, PLS out of range"}));
}

TEST(ChannelStreamColumns, BeyondTheTwentiethColumnOrTheLineBufferTheyAreAbsent) {
    std::string columns;
    std::string fill;
    for (int i = 0; i < 15; ++i) {
        columns += ",X" + std::to_string(i);
        fill += ",0";
    }
    // After four known and fifteen other columns, ISI is the twentieth and read; PLS, the
    // twenty-first, is not.
    const ChannelList list = ParseChannels("NAME,FREQ,SR,POL" + columns +
                                           ",ISI,PLS\nOne,11836,27500,H" + fill + ",9,5\n");
    EXPECT_EQ(StreamsOf(list), (std::vector<Stream>{{kSystemEither, 9, -1}}));

    // A line longer than the buffer: its ISI lies in the rest, read as a line of its own.
    const std::string longName(1100, 'n');
    const ChannelList cut =
        ParseChannels("FREQ,SR,POL,NAME,ISI\n11836,27500,H," + longName + ",4\n");
    ASSERT_EQ(cut.count, 1);
    EXPECT_EQ(cut.records[0]->inputStreamId, -1);
}

}  // namespace
}  // namespace orvalen::test
