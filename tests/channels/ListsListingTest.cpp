// orvalen-lists: the exact listing of a directory of list files, the reasons given with
// --why, and the example lists shipped in examples/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "ListFiles.h"
#include "channels/Utf.h"
#include "tools/ListsListing.h"

namespace orvalen::test {
namespace {

TEST(ListsListing, PrintsEverySlotAndChannelExactly) {
    ScratchDirectory dir;
    dir.Write("SatelliteList.csv",
              "NAME,Tuner,LNBSource,ChannelList,Comment\n"
              "Sat A,1,1,a.csv,first\n"
              "Sat A again,1,1,b.csv,slot taken\n"
              "Sat X,3,1,a.csv,\n"
              "Sat Y,2,0,a.csv,\n"
              "Sat Z,2,4,z.csv,\n"
              "Sat M,1,3,missing.csv,\n"
              ",1,2,\"e,mpty.csv\",\n");
    dir.Write("a.csv",
              "NAME,FREQ,SR,POL,ONID,TSID,SID\n"
              "T\xC3\xA9l\xC3\xA9 \xF0\x9F\x93\xA1,11836,27500,H,1,1001,-5\n"
              "Bad,11836,0,H\n"
              "Neg,-1,22000,v,,7\n");
    dir.Write("z.csv", "FREQ,SR,POL,NAME\r\n12000000,30000,R,Last\r\n");
    dir.Write("e,mpty.csv", "");

    std::ostringstream out, why;
    WriteListsListing(out, &why);
    EXPECT_EQ(out.str(),
              "slot 0 tuner 1 lnb 1 file a.csv\n"
              "10000\tT\xC3\xA9l\xC3\xA9 \xF0\x9F\x93\xA1\t11836000\t27500\t1\t1\t1001\t-5\n"
              "10001\tNeg\t4294967295\t22000\t2\t0\t7\t-1\n"
              "slot 1 tuner 1 lnb 2 file e,mpty.csv\n"
              "slot 2 tuner 1 lnb 3 file missing.csv\n"
              "slot 3 tuner 1 lnb 4 none\n"
              "slot 4 tuner 2 lnb 1 none\n"
              "slot 5 tuner 2 lnb 2 none\n"
              "slot 6 tuner 2 lnb 3 none\n"
              "slot 7 tuner 2 lnb 4 file z.csv\n"
              "17000\tLast\t12000000\t30000\t4\t-1\t-1\t-1\n");
    EXPECT_EQ(why.str(),
              "SatelliteList.csv:3: dropped (slot taken): Sat A again,1,1,b.csv,slot taken\n"
              "SatelliteList.csv:4: dropped (bad tuner): Sat X,3,1,a.csv,\n"
              "SatelliteList.csv:5: dropped (bad LNB source): Sat Y,2,0,a.csv,\n"
              "a.csv:3: dropped (SR 0): Bad,11836,0,H\n"
              "e,mpty.csv: no table: empty file\n"
              "missing.csv: no table: cannot be opened\n");

    // Without --why the listing is the same and nothing else is written.
    std::ostringstream plain;
    WriteListsListing(plain, nullptr);
    EXPECT_EQ(plain.str(), out.str());
}

TEST(ListsListing, WithoutASatelliteListEverySlotIsEmpty) {
    ScratchDirectory dir;
    std::ostringstream out, why;
    WriteListsListing(out, &why);
    EXPECT_EQ(out.str(),
              "slot 0 tuner 1 lnb 1 none\nslot 1 tuner 1 lnb 2 none\n"
              "slot 2 tuner 1 lnb 3 none\nslot 3 tuner 1 lnb 4 none\n"
              "slot 4 tuner 2 lnb 1 none\nslot 5 tuner 2 lnb 2 none\n"
              "slot 6 tuner 2 lnb 3 none\nslot 7 tuner 2 lnb 4 none\n");
    EXPECT_EQ(why.str(), "SatelliteList.csv: no table: cannot be opened\n");
}

TEST(ListsListing, StreamFieldsFollowOnlyForChannelsThatGiveThem) {
    ScratchDirectory dir;
    dir.Write("SatelliteList.csv", "NAME,Tuner,LNBSource,ChannelList\nSat A,1,1,a.csv\n");
    dir.Write("a.csv",
              "NAME,FREQ,SR,POL,SYS,ISI,PLS\n"
              "Plain,11836,27500,H\n"
              "Stream,12000,30000,V,DVB-S2,3,8\n"
              "Odd,12000,30000,V,DVB-X\n");
    std::ostringstream out;
    WriteListsListing(out, nullptr);
    EXPECT_EQ(out.str().substr(0, out.str().find("slot 1")),
              "slot 0 tuner 1 lnb 1 file a.csv\n"
              "10000\tPlain\t11836000\t27500\t1\t-1\t-1\t-1\n"
              "10001\tStream\t12000000\t30000\t2\t-1\t-1\t-1\t2\t3\t8\n"
              "10002\tOdd\t12000000\t30000\t2\t-1\t-1\t-1\n");
}

// The simulated card's sky is built from these files, so they must stay consistent: every
// slot filled with 10 to 40 channels of one satellite per LNB source, Ku-band carriers that do
// not overlap, and one set of tuning values per transponder across both tuners.
TEST(ExampleLists, FillEverySlotWithConsistentKuBandChannels) {
    const InDirectory examples(ORVALEN_EXAMPLES_DIR);
    SatelliteList satellites = LoadSatelliteList();
    struct Transponder {
        std::int32_t symbolRate, onid, tsid;
    };
    std::map<int, std::map<std::pair<std::uint32_t, std::int32_t>, Transponder>> sky;
    for (int slot = 0; slot < kSatelliteSlots; ++slot) {
        ASSERT_NE(satellites.slots[slot], nullptr) << slot;
        const ChannelList list = LoadChannelList(*satellites.slots[slot]->channelListFile);
        EXPECT_GE(list.count, 10) << slot;
        EXPECT_LE(list.count, 40) << slot;
        std::set<std::int32_t> polarisations;
        bool low = false, high = false;
        for (int i = 0; i < list.count; ++i) {
            const ChannelRecord& c = *list.records[i];
            EXPECT_GE(c.frequencyKHz, 10700000u);
            EXPECT_LE(c.frequencyKHz, 12750000u);
            (c.frequencyKHz < 11700000u ? low : high) = true;
            polarisations.insert(c.polarisation);
            EXPECT_GE(c.onid, 0);
            EXPECT_GE(c.tsid, 0);
            EXPECT_GE(c.sid, 0);
            const Transponder tp{c.symbolRate, c.onid, c.tsid};
            auto [it, added] = sky[slot % 4].try_emplace({c.frequencyKHz, c.polarisation}, tp);
            EXPECT_EQ(it->second.symbolRate, tp.symbolRate) << ToUtf8(*c.name);
            EXPECT_EQ(it->second.tsid, tp.tsid);
            EXPECT_EQ(it->second.onid, tp.onid);
        }
        EXPECT_TRUE(low && high) << slot;
        EXPECT_EQ(polarisations, (std::set<std::int32_t>{1, 2})) << slot;
    }
    for (const auto& [position, transponders] : sky) {
        for (const auto& [a, ta] : transponders) {
            for (const auto& [b, tb] : transponders) {
                if (a == b || a.second != b.second) continue;
                const double apartMHz = std::abs(double(a.first) - double(b.first)) / 1000.0;
                const double neededMHz = std::max(ta.symbolRate, tb.symbolRate) * 1.35 / 1000.0;
                EXPECT_GE(apartMHz, neededMHz) << position << ": " << a.first << " " << b.first;
            }
        }
    }
}

}  // namespace
}  // namespace orvalen::test
