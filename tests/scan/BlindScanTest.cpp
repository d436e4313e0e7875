// The blind scan on the simulated card at zero step time: from the four sweeps alone it finds
// every transponder of a built-in satellite that stands 6 dB over the floor, with its services.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <tuple>

#include "card/InstallSimulatedCard.h"
#include "card/SignalModel.h"
#include "card/TransportStreamGenerator.h"
#include "channels/ChannelList.h"
#include "channels/ChannelListWriter.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "scan/Scanner.h"
#include "tools/ScanLists.h"

namespace scantest {
namespace {

using namespace std::chrono_literals;

class ScanOnCard {
protected:
    explicit ScanOnCard(card::CardConfig config = card::TestCardConfig()) {
        RegisterStandInClasses();
        m_card = card::InstallSimulatedCard(std::move(config));
    }
    ~ScanOnCard() {
        ClearDevices();
        ClearComponentClasses();
    }
    scan::ScanReport Scan(scan::ScanOptions options, std::function<bool()> stop = nullptr,
                          std::function<void(const scan::ScanProgress&)> progress = nullptr) {
        TunerGraph graph(1, 0);
        graph.m_tunerNumber = 1;
        graph.m_notifyThreadId = m_queue.ThreadId();
        options.lockWait = 50ms;
        scan::Scanner scanner(graph, m_queue, options, std::move(stop), std::move(progress));
        return scanner.Run();
    }

    ThreadMessageQueue m_queue;
    std::shared_ptr<card::SimulatedCard> m_card;
};

// Whether a transponder's carrier rises 6 dB over the floor and a demodulator can hold it.
bool Visible(const card::SignalModel& model, int position, const card::Transponder& t) {
    const bool high = t.frequencyMHz >= card::kLnbSwitchMHz;
    const card::LnbState state{position, t.polarisation, high};
    const double ifMHz = card::SignalModel::IntermediateMHz(t.frequencyMHz, high);
    return model.LevelDb(state, ifMHz) - card::SignalModel::NoiseFloorDb(ifMHz) >= 6.0 &&
           model.QualityPercent(state, t) > 0;
}

class BlindScan : public ScanOnCard, public ::testing::TestWithParam<int> {};

TEST_P(BlindScan, FindsEveryTransponderOverTheFloorAndEveryServiceOnIt) {
    const int position = GetParam();
    scan::ScanOptions options;
    options.lnbSource = static_cast<std::uint32_t>(position);
    const scan::ScanReport report = Scan(options);
    ASSERT_TRUE(report.failure.empty()) << report.failure;
    const card::Sky sky = card::DefaultSky();
    const card::SignalModel model(sky);
    const card::Satellite& satellite = sky.positions[static_cast<std::size_t>(position - 1)];
    for (const card::Transponder& t : satellite.transponders) {
        if (!Visible(model, position, t) || t.inputStreamId >= 0) continue;
        const auto found = std::find_if(report.transponders.begin(), report.transponders.end(),
                                        [&](const auto& s) { return s.tsid == t.tsid; });
        ASSERT_NE(found, report.transponders.end()) << t.frequencyMHz;
        EXPECT_EQ(found->onid, t.onid);
        EXPECT_EQ(found->carrier.polarisation,
                  t.polarisation == card::LinearPolarisation::Vertical ? 2 : 1);
        EXPECT_NEAR(found->carrier.symbolRate, t.symbolRate, t.symbolRate * 0.01);
        EXPECT_NEAR(found->carrier.frequencyKHz, t.frequencyMHz * 1000.0, t.symbolRate / 2.0);
        ASSERT_EQ(found->services.size(), t.services.size()) << t.frequencyMHz;
        for (std::size_t i = 0; i < t.services.size(); ++i) {
            EXPECT_EQ(found->services[i].sid, t.services[i].sid);
            EXPECT_EQ(found->services[i].name, t.services[i].name);
            EXPECT_EQ(found->services[i].scrambled, t.services[i].scrambled);
        }
    }
}

// A sky the scanner was not written against, at position A: two carriers close together, a very
// wide and a very narrow one, DVB-S2 carriers, one in both bands' overlap and one too narrow and
// weak to show in the sweep that only the NIT names.
card::Sky WrittenSky() {
    using card::LinearPolarisation;
    using card::Modulation;
    const auto transponder = [](std::uint32_t mhz, LinearPolarisation pol, std::uint32_t rate,
                                Modulation modulation, double rollOff, double power,
                                std::uint16_t tsid) {
        card::Transponder t;
        t.frequencyMHz = mhz;
        t.polarisation = pol;
        t.symbolRate = rate;
        t.modulation = modulation;
        t.rollOff = rollOff;
        t.powerDb = power;
        t.onid = 77;
        t.tsid = tsid;
        t.services = {
            {static_cast<std::uint16_t>(tsid * 10), "News, Weather " + std::to_string(tsid)},
            {static_cast<std::uint16_t>(tsid * 10 + 1), "Radio " + std::to_string(tsid), true}};
        return t;
    };
    const auto H = LinearPolarisation::Horizontal, V = LinearPolarisation::Vertical;
    card::Satellite satellite;
    satellite.name = "Testsat";
    satellite.network = "Test Net";
    satellite.orbitalTenths = -75;
    satellite.transponders = {
        transponder(11000, H, 27500, Modulation::Dvbs2Qpsk, 0.20, 60, 1),
        transponder(11032, H, 27500, Modulation::DvbsQpsk, 0.35, 60, 2),
        transponder(11200, V, 45000, Modulation::Dvbs2Psk8, 0.20, 62, 3),
        transponder(11300, V, 2000, Modulation::DvbsQpsk, 0.35, 60, 4),
        transponder(11600, V, 22000, Modulation::DvbsQpsk, 0.35, 60, 5),
        transponder(12100, H, 30000, Modulation::Dvbs2Psk8, 0.25, 60, 6),
        transponder(10751, V, 1000, Modulation::DvbsQpsk, 0.35, 44, 7),
    };
    satellite.transponders.back().codeRateNumerator = 1;
    satellite.transponders.back().codeRateDenominator = 2;
    card::Sky sky;
    sky.positions[0] = satellite;
    return sky;
}

card::CardConfig WrittenSkyCard() {
    card::CardConfig config = card::TestCardConfig();
    config.sky = WrittenSky();
    return config;
}

class WrittenSkyScan : public ScanOnCard, public ::testing::Test {
protected:
    WrittenSkyScan() : ScanOnCard(WrittenSkyCard()) {}
};

TEST_F(WrittenSkyScan, FindsCloseWideNarrowAndSecondGenerationCarriersAndWhatOnlyTheNitNames) {
    const scan::ScanReport report = Scan({});
    ASSERT_TRUE(report.failure.empty()) << report.failure;
    const card::Sky sky = WrittenSky();
    const card::Satellite& satellite = sky.positions[0];
    ASSERT_EQ(report.transponders.size(), satellite.transponders.size());
    EXPECT_TRUE(report.unlocked.empty());
    EXPECT_EQ(report.networkName, "Test Net");
    EXPECT_EQ(report.orbitalTenths, -75);
    for (const card::Transponder& t : satellite.transponders) {
        const auto found = std::find_if(report.transponders.begin(), report.transponders.end(),
                                        [&](const auto& s) { return s.tsid == t.tsid; });
        ASSERT_NE(found, report.transponders.end()) << t.frequencyMHz;
        EXPECT_EQ(found->system,
                  t.modulation == card::Modulation::DvbsQpsk ? scan::kDvbS : scan::kDvbS2);
        EXPECT_NEAR(found->carrier.symbolRate, t.symbolRate, t.symbolRate * 0.01);
        EXPECT_NEAR(found->carrier.frequencyKHz, t.frequencyMHz * 1000.0, t.symbolRate / 2.0);
        ASSERT_EQ(found->services.size(), 2u);
        EXPECT_EQ(found->services[0].name, t.services[0].name);
        EXPECT_EQ(found->services[1].serviceType, scan::kServiceTypeRadio);
    }
}

TEST_F(WrittenSkyScan, TheNetworkScanFromOneTransponderFindsTheWholeSatellite) {
    scan::ScanOptions options;
    options.from = {{11600000, scan::kPolarisationV, 22000}};
    const scan::ScanReport report = Scan(options);
    EXPECT_EQ(report.transponders.size(), WrittenSky().positions[0].transponders.size());
}

// Ctrl+C: the scan ends at the next check with what it found so far, and says it stopped.
TEST_F(WrittenSkyScan, AStopEndsTheScanWithWhatWasFoundSoFar) {
    scan::ScanOptions options;
    options.from = {{11600000, scan::kPolarisationV, 22000}};
    // Pressed as the first transponder locks: how many checks a scan makes depends on how
    // soon each table comes, so a count of checks would stop it anywhere, or never.
    bool stop = false;
    const scan::ScanReport report = Scan(
        options, [&stop] { return stop; },
        [&stop](const scan::ScanProgress& p) { stop = stop || p.justLocked; });
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.transponders.size(), 1u);
}

// A transponder whose SDT never comes is listed with its PAT's services, named by their ids,
// and a comment saying so; the list reads back through the program's own reader that way.
TEST_F(WrittenSkyScan, ATransponderWithoutAnSdtIsListedWithItsPatsServicesAndSaysSo) {
    m_card->WithholdPid(5, card::kSdtPid);
    scan::ScanOptions options;
    options.from = {{11600000, scan::kPolarisationV, 22000}};
    options.tableWait = 1500ms;  // waited out once, for the SDT that never comes
    const scan::ScanReport report = Scan(options);
    ASSERT_TRUE(report.failure.empty()) << report.failure;
    ASSERT_EQ(report.transponders.size(), WrittenSky().positions[0].transponders.size());

    const auto chosen = orvalen::ChooseChannels(report, {});
    orvalen::ConversionNotes notes;
    const auto text = orvalen::WriteChannelList(chosen.channels, notes);
    orvalen::ChannelList read = orvalen::LoadChannelListFromBytes(
        std::span(reinterpret_cast<const std::uint8_t*>(text.bytes.data()), text.bytes.size()));
    std::vector<std::tuple<std::u16string, int, int, int, std::u16string>> withoutSdt;
    int named = 0;
    for (int i = 0; i < read.count; ++i) {
        const orvalen::ChannelRecord& r = *read.records[i];
        if (r.tsid != 5) {
            named += r.name && !r.name->starts_with(u"Service ") ? 1 : 0;
            continue;
        }
        withoutSdt.emplace_back(r.name.value_or(u""), r.onid, r.tsid, r.sid,
                                r.comment.value_or(u""));
    }
    orvalen::FreeChannelList(read);
    const std::u16string comment = u"data (no SDT came: name from the PAT)";
    EXPECT_EQ(withoutSdt, (decltype(withoutSdt){{u"Service 50", 77, 5, 50, comment},
                                                {u"Service 51", 77, 5, 51, comment}}));
    EXPECT_EQ(named, 12);  // the other six transponders keep their names
}

// The card pulled out during the sweeps (a sweep is 601 steps) or while the candidates are
// tuned (after the sweeps' 8 tunes): the scan ends saying so, and reports no candidate as
// unlocked for want of a card.
class UnpluggedScan : public ScanOnCard, public ::testing::TestWithParam<card::UnplugPoint> {
protected:
    UnpluggedScan() : ScanOnCard(UnpluggingCard(GetParam())) {}
    static card::CardConfig UnpluggingCard(card::UnplugPoint point) {
        card::CardConfig config = WrittenSkyCard();
        config.unplug = point;
        return config;
    }
};

TEST_P(UnpluggedScan, EndsTheScanSayingTheCardIsGone) {
    const scan::ScanReport report = Scan({});
    EXPECT_EQ(report.failure, "the card is gone");
    EXPECT_TRUE(report.unlocked.empty());
    EXPECT_LT(report.transponders.size(), WrittenSky().positions[0].transponders.size());
}

INSTANTIATE_TEST_SUITE_P(
    DuringSweepsAndTunes, UnpluggedScan,
    ::testing::Values(card::UnplugPoint{card::UnplugPoint::Request::SpectrumStep, 700},
                      card::UnplugPoint{card::UnplugPoint::Request::Tune, 11}));

// Ctrl+C in the second sweep: the candidates are those of the one sweep that finished, and the
// report says how many finished.
TEST_F(WrittenSkyScan, AStopDuringTheSweepsCountsOnlyTheSweepsThatFinished) {
    bool stop = false;
    const scan::ScanReport report = Scan(
        {}, [&stop] { return stop; },
        [&stop](const scan::ScanProgress& p) { stop = stop || p.stage == "sweep H low"; });
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.sweepsFinished, 1u);
    EXPECT_EQ(report.candidates, 3u);  // 11200, 11300, 11600 V; 10751 V is too weak to show
}

INSTANTIATE_TEST_SUITE_P(EachBuiltInSatellite, BlindScan, ::testing::Values(1, 2, 3, 4));

}  // namespace
}  // namespace scantest
