// Which programmes the module in the CI slot is asked to descramble while a tuner's graph tunes,
// streams and stops. A card's driver never sees the tune request's service, so it is every
// programme of the tuned transponder that carries a CA descriptor of the module's system: the
// first as the only one, the others added; withdrawn (update, not selected) when the tuner
// leaves the transponder, its graph stops or the CI mode no longer routes its stream through
// the module.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "FakeKernel.h"
#include "SimulatedModule.h"
#include "card/PsiSections.h"
#include "cardkit/Crc32.h"
#include "en50221/ModuleCard.h"
#include "faults/BoundedWait.h"
#include "linuxdvb/CaDevice.h"
#include "linuxdvb/ServiceDescrambler.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "tuner/TunerGraph.h"

namespace {

using linuxdvb::en50221::Bytes;
using linuxdvb::en50221::SimulatedModule;

constexpr std::uint8_t kOnly = 0x03, kAdd = 0x04, kUpdate = 0x05;
constexpr std::uint8_t kOkDescrambling = 0x01, kNotSelected = 0x04;

// A programme of the test transponder: its number, its PMT's PID, whether it is scrambled.
struct Programme {
    std::uint16_t number;
    std::uint16_t pmtPid;
    bool scrambled;
};
const std::vector<Programme> kTransponder = {
    {0x0101, 0x0100, true}, {0x0102, 0x0101, false}, {0x0103, 0x0102, true}};
const std::vector<Programme> kOtherTransponder = {{0x0201, 0x0100, true}};

// A transponder's tables in packets, each PID's continuity counter running on.
class Tables {
public:
    Bytes Of(const std::vector<Programme>& programmes, std::uint8_t patVersion = 0) {
        std::vector<card::PatEntry> entries;
        for (const Programme& p : programmes) entries.push_back({p.number, p.pmtPid});
        Bytes packets = Packets(0, WithVersion(card::MakePat(1, entries), patVersion));
        for (const Programme& p : programmes) {
            const auto ca =
                p.scrambled
                    ? std::optional(card::CaDescriptor{SimulatedModule::kCaSystemId, 0x0700})
                    : std::nullopt;
            const Bytes pmt =
                Packets(p.pmtPid, card::MakePmt(p.number, 0x1FFF, {{0x02, 0x0200}}, ca));
            packets.insert(packets.end(), pmt.begin(), pmt.end());
        }
        return packets;
    }

private:
    static Bytes WithVersion(Bytes section, std::uint8_t version) {
        section[5] = static_cast<std::uint8_t>(0xC1 | version << 1);
        section.resize(section.size() - 4);
        const std::uint32_t crc = cardkit::Crc32Mpeg(section);
        for (int shift = 24; shift >= 0; shift -= 8)
            section.push_back(static_cast<std::uint8_t>(crc >> shift));
        return section;
    }
    // One packet: the sections here are short.
    Bytes Packets(std::uint16_t pid, const Bytes& section) {
        Bytes packet = {0x47, static_cast<std::uint8_t>(0x40 | pid >> 8),
                        static_cast<std::uint8_t>(pid),
                        static_cast<std::uint8_t>(0x10 | (m_continuity[pid]++ & 0x0F)), 0x00};
        packet.insert(packet.end(), section.begin(), section.end());
        packet.resize(188, 0xFF);
        return packet;
    }
    std::map<std::uint16_t, std::uint8_t> m_continuity;
};

// What one ca_pmt asked: list management, programme, the programme's command.
struct Asked {
    std::uint8_t management;
    std::uint16_t programme;
    std::uint8_t command;
    bool operator==(const Asked&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Asked& a) {
    return out << "{" << int{a.management} << ", " << std::hex << a.programme << ", "
               << int{a.command} << "}";
}

class DescramblerTest : public ::testing::Test {
protected:
    DescramblerTest() {
        EXPECT_TRUE(WaitUntil([&] { return slot->CamName().has_value(); }));
        route->Watch(1, [this] { first.RouteLost(); });
        route->Watch(2, [this] { second.RouteLost(); });
    }

    // The module's ca_pmts from `from` on, once there are `count` of them (and no more).
    std::vector<Asked> Requests(std::size_t from, std::size_t count) {
        EXPECT_TRUE(WaitUntil([&] { return module.CaPmts().size() >= from + count; }));
        const auto all = module.CaPmts();
        EXPECT_EQ(all.size(), from + count);
        std::vector<Asked> asked;
        for (std::size_t i = from; i < all.size(); ++i) {
            const Bytes& b = all[i];
            asked.push_back({b[0], static_cast<std::uint16_t>(b[1] << 8 | b[2]),
                             b.size() > 6 ? b[6] : std::uint8_t{0}});
        }
        return asked;
    }

    SimulatedModule module;
    std::shared_ptr<linuxdvb::en50221::CamSlot> slot = std::make_shared<linuxdvb::en50221::CamSlot>(
        linuxdvb::CaDevice::Open(module.Io(), "/dev/dvb/adapter0/ca0"));
    std::shared_ptr<linuxdvb::SingleTransponderRoute> route =
        std::make_shared<linuxdvb::SingleTransponderRoute>();
    linuxdvb::ServiceDescrambler first{slot, 1, route};
    linuxdvb::ServiceDescrambler second{slot, 2, route};
    Tables tables;
};

TEST_F(DescramblerTest, ATuneElsewhereWithdrawsTheOldTranspondersProgrammesBeforeTheNewOnes) {
    first.SetCiMode(1);
    first.Tune(-1);
    first.OnPackets(tables.Of(kTransponder));
    ASSERT_EQ(Requests(0, 2), (std::vector<Asked>{{kOnly, 0x0101, kOkDescrambling},
                                                  {kAdd, 0x0103, kOkDescrambling}}));
    first.Tune(-1);
    first.OnPackets(tables.Of(kOtherTransponder));
    EXPECT_EQ(Requests(2, 3), (std::vector<Asked>{{kUpdate, 0x0101, kNotSelected},
                                                  {kUpdate, 0x0103, kNotSelected},
                                                  {kOnly, 0x0201, kOkDescrambling}}));
}

TEST_F(DescramblerTest, AProgrammeThatLeavesThePatIsWithdrawnAndANewOneAdded) {
    first.SetCiMode(1);
    first.Tune(-1);
    first.OnPackets(tables.Of(kTransponder));
    ASSERT_EQ(Requests(0, 2).size(), 2u);
    first.OnPackets(tables.Of({kTransponder[0], {0x0104, 0x0103, true}}, 1));
    EXPECT_EQ(Requests(2, 2), (std::vector<Asked>{{kUpdate, 0x0103, kNotSelected},
                                                  {kAdd, 0x0104, kOkDescrambling}}));
}

// Both tuners share the module: each tuner's programmes are entries of their own, and the
// second tuner's first programme is added to the first tuner's list, not put in its place.
TEST_F(DescramblerTest, TwoTunersInMtdModeAddToOneList) {
    first.SetCiMode(1);
    second.SetCiMode(1);
    first.Tune(-1);
    second.Tune(-1);
    first.OnPackets(tables.Of({kTransponder[0]}));
    ASSERT_EQ(Requests(0, 1).at(0).management, kOnly);
    Tables secondTables;
    second.OnPackets(secondTables.Of(kOtherTransponder));
    EXPECT_EQ(Requests(1, 1).at(0), (Asked{kAdd, 0x0201, kOkDescrambling}));
}

// In single-transponder mode the stream of the tuner that chose it last passes the module: the
// other tuner's programmes are withdrawn when it loses the route.
TEST_F(DescramblerTest, SingleTransponderModeServesTheTunerThatChoseItLast) {
    first.SetCiMode(2);
    first.Tune(-1);
    first.OnPackets(tables.Of({kTransponder[0]}));
    ASSERT_EQ(Requests(0, 1).size(), 1u);
    second.SetCiMode(2);
    EXPECT_EQ(Requests(1, 1).at(0), (Asked{kUpdate, 0x0101, kNotSelected}));
    second.Tune(-1);
    Tables secondTables;
    second.OnPackets(secondTables.Of(kOtherTransponder));
    first.OnPackets(tables.Of({kTransponder[0]}));  // no longer through the module
    EXPECT_EQ(Requests(2, 1).at(0), (Asked{kOnly, 0x0201, kOkDescrambling}));
}

// A block of packets still on its way when the graph stops does not bring the requests back.
TEST_F(DescramblerTest, NothingIsAskedBetweenAStopAndTheNextRun) {
    first.SetCiMode(1);
    first.Tune(-1);
    first.OnPackets(tables.Of({kTransponder[0]}));
    ASSERT_EQ(Requests(0, 1).size(), 1u);
    first.Stop();
    first.OnPackets(tables.Of({kTransponder[0]}));
    ASSERT_EQ(Requests(1, 1).at(0), (Asked{kUpdate, 0x0101, kNotSelected}));
    first.Start();
    first.OnPackets(tables.Of({kTransponder[0]}));
    EXPECT_EQ(Requests(2, 1).at(0), (Asked{kOnly, 0x0101, kOkDescrambling}));
}

// The card as main() installs it, driven by the program's own graph: the tune request's service
// never reaches the driver, yet the module is asked for every scrambled programme, and told
// when the graph goes.
TEST(DescramblingThroughTheGraph, EveryScrambledProgrammeIsAskedForUntilTheGraphGoes) {
    SimulatedModule module;
    const auto kernel = std::make_shared<linuxdvb_test::FakeKernel>();
    ClearDevices();
    RegisterStandInClasses();
    {
        const auto card = linuxdvb_test::InstallCardWithModule(kernel, module);
        Tables tables;
        auto graph = std::make_unique<TunerGraph>(1, 0);  // MTD
        ASSERT_EQ(graph->m_ready, 1);
        TuneParameters tune;
        tune.frequencyKHz = 11362000;
        tune.symbolRate = 22000;
        tune.polarisation = 2;
        tune.lnbSource = 1;
        tune.sid = 0x0101;
        ASSERT_EQ(graph->RequestTune(tune), 0);
        EXPECT_TRUE(WaitUntil([&] {
            kernel->Feed(0, 0, tables.Of(kTransponder));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return module.CaPmts().size() >= 2;
        }));
        graph.reset();
        EXPECT_TRUE(WaitUntil([&] { return module.CaPmts().size() >= 4; }));
        const auto asked = module.CaPmts();
        ASSERT_EQ(asked.size(), 4u);
        const std::vector<std::pair<std::uint8_t, std::uint8_t>> expected = {
            {kOnly, 0x01}, {kAdd, 0x03}, {kUpdate, 0x01}, {kUpdate, 0x03}};
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(asked[i][0], expected[i].first) << i;
            EXPECT_EQ(asked[i][2], expected[i].second) << i;  // programme 0x0101 or 0x0103
            EXPECT_EQ(asked[i][6], i < 2 ? kOkDescrambling : kNotSelected) << i;
        }
    }
    ClearDevices();
    ClearComponentClasses();
}

}  // namespace
