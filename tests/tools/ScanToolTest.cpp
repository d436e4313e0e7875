// orvalen-scan's own parts: its options, the channels it chooses for a list (read back by the
// program's reader as written), the slot's line in SatelliteList.csv, every other line kept, and
// what it prints of a scan.
#include <gtest/gtest.h>

#include <sstream>

#include "channels/ChannelList.h"
#include "channels/ChannelListWriter.h"
#include "tools/ScanCommandLine.h"
#include "tools/ScanLists.h"
#include "tools/ScanReportTable.h"

namespace scan_tool_test {
namespace {

using orvalen::ParseScanCommandLine;

orvalen::ScanCommandLine Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "orvalen-scan");
    return ParseScanCommandLine(static_cast<int>(arguments.size()), arguments.data(), nullptr);
}

TEST(ScanCommandLine, TakesItsOwnOptionsAndLeavesTheCardToTheSharedParser) {
    const auto line = Parse({"--tuner", "2", "--source=4", "--card=sim", "--out", "/tmp", "--tv",
                             "--free", "--from", "11494:H:22000,10773.25:v:2200"});
    ASSERT_EQ(line.card.error, "");
    EXPECT_EQ(line.tuner, 2);
    EXPECT_EQ(line.source, 4);
    EXPECT_EQ(line.card.card, orvalen::CardChoice::Simulated);
    EXPECT_EQ(line.outDir, "/tmp");
    EXPECT_TRUE(line.tv && line.free && !line.radio);
    ASSERT_EQ(line.from.size(), 2u);
    EXPECT_EQ(line.from[1].frequencyKHz, 10773250u);
    EXPECT_EQ(line.from[1].polarisation, scan::kPolarisationV);
    EXPECT_EQ(line.from[1].symbolRate, 2200);
}

TEST(ScanCommandLine, AWrongArgumentIsOneLineNamingIt) {
    for (const auto& [arguments, named] :
         std::vector<std::pair<std::vector<const char*>, std::string>>{
             {{"--tuner", "3"}, "--tuner 3"},
             {{"--source", "0"}, "--source 0"},
             {{"--from", "11494:X:22000"}, "11494:X:22000"},
             {{"--from", "11494:H:22000,"}, ""},
             {{"--from", "99999:H:22000"}, "99999:H:22000"},
             {{"--match", "("}, "--match ("},
             {{"--card=tv"}, "--card=tv"},
             {{"--tuner"}, "--tuner"},
             {{"stray"}, "stray"}}) {
        const auto line = Parse(arguments);
        EXPECT_NE(line.card.error, "") << arguments.front();
        EXPECT_NE(line.card.error.find(named), std::string::npos) << line.card.error;
        EXPECT_EQ(line.card.error.find('\n'), std::string::npos);
    }
}

scan::ScanReport ReportWith(std::size_t services) {
    scan::ScanReport report;
    scan::ScannedTransponder t;
    t.carrier = {11494000, scan::kPolarisationH, 22000};
    t.system = scan::kDvbS2;
    t.onid = 1;
    t.tsid = 2;
    for (std::size_t i = 0; i < services; ++i) {
        scan::ScannedService s;
        s.sid = static_cast<std::uint16_t>(100 + i);
        s.name = i % 2 ? "Radio " + std::to_string(i) : "News, Weather " + std::to_string(i);
        s.serviceType = i % 2 ? scan::kServiceTypeRadio : scan::kServiceTypeH264HdTv;
        s.scrambled = i % 4 == 0;
        t.services.push_back(s);
    }
    report.transponders.push_back(t);
    return report;
}

TEST(ScanLists, TheChosenChannelsAreReadBackAsWrittenAndWhatIsLeftOutIsCounted) {
    const auto all = orvalen::ChooseChannels(ReportWith(130), {});
    EXPECT_EQ(all.channels.size(), 100u);
    EXPECT_EQ(all.overLimit, 30u);
    EXPECT_EQ(all.notChosen, 0u);

    const auto freeTv = orvalen::ChooseChannels(ReportWith(8), {true, false, true, "Weather"});
    EXPECT_EQ(freeTv.channels.size(), 2u);  // services 2 and 6
    EXPECT_EQ(freeTv.notChosen, 6u);

    orvalen::ConversionNotes notes;
    const auto text = orvalen::WriteChannelList(all.channels, notes);
    const std::span<const std::uint8_t> bytes(
        reinterpret_cast<const std::uint8_t*>(text.bytes.data()), text.bytes.size());
    orvalen::ChannelList read = orvalen::LoadChannelListFromBytes(bytes);
    ASSERT_EQ(read.count, 100);
    for (int i = 0; i < read.count; ++i) {
        const auto& want = all.channels[static_cast<std::size_t>(i)];
        const auto& got = *read.records[i];
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.frequencyKHz, 11494000u);
        EXPECT_EQ(got.system, orvalen::kSystemDvbs2);
        EXPECT_EQ(got.sid, want.sid);
        EXPECT_EQ(got.comment, want.comment);
    }
    EXPECT_EQ(*read.records[0]->comment, u"tv scrambled");
    EXPECT_EQ(*read.records[1]->comment, u"radio");
    orvalen::FreeChannelList(read);
}

TEST(ScanLists, TheSlotsLineIsAddedOrReplacedAndEveryOtherLineKeptByteForByte) {
    const orvalen::SatelliteLine line{1, 2, "Test, Sat 7.5W", "T1-LNB2-B-Test.csv", "scanned"};
    std::string error, replaced;

    const auto fresh = orvalen::UpdateSatelliteList(std::nullopt, line, error, replaced);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(*fresh,
              "NAME,Tuner,LNBSource,ChannelList,Comment\n"
              "\"Test, Sat 7.5W\",1,2,T1-LNB2-B-Test.csv,scanned\n");

    const std::string crlf =
        "\xEF\xBB\xBFName,Comment,lnbsource,TUNER,ChannelList\r\n"
        "A,  x ,1,1,a.csv\r\n"
        "B,old,2,1,b.csv\r\n"
        "B2,older,2,1,b2.csv\r\n"
        "C,,2,2,c.csv";
    const auto updated = orvalen::UpdateSatelliteList(crlf, line, error, replaced);
    ASSERT_TRUE(updated);
    EXPECT_EQ(*updated,
              "\xEF\xBB\xBFName,Comment,lnbsource,TUNER,ChannelList\r\n"
              "A,  x ,1,1,a.csv\r\n"
              "\"Test, Sat 7.5W\",scanned,2,1,T1-LNB2-B-Test.csv\r\n"
              "B2,older,2,1,b2.csv\r\n"
              "C,,2,2,c.csv");
    EXPECT_EQ(replaced, "b.csv");

    replaced.clear();
    const auto appended =
        orvalen::UpdateSatelliteList(std::string("NAME,Tuner,LNBSource,ChannelList\n"
                                                 "C,2,2,c.csv"),
                                     line, error, replaced);
    ASSERT_TRUE(appended);
    EXPECT_EQ(*appended,
              "NAME,Tuner,LNBSource,ChannelList\nC,2,2,c.csv\n"
              "\"Test, Sat 7.5W\",1,2,T1-LNB2-B-Test.csv\n");
    EXPECT_EQ(replaced, "");

    EXPECT_FALSE(
        orvalen::UpdateSatelliteList(std::string("NAME,Tuner,LNBSource\n"), line, error, replaced));
    EXPECT_NE(error, "");
}

// After a stop in the sweeps, the totals say which sweeps the candidates come from; a scan
// whose sweeps all finished, or that made none (--from), says nothing of them.
TEST(ScanReportTable, AfterAStopInTheSweepsTheCandidatesSayWhichSweepsTheyCover) {
    const auto totals = [](std::optional<std::size_t> sweeps, bool stopped) {
        scan::ScanReport report = ReportWith(1);
        report.candidates = 3;
        report.sweepsFinished = sweeps;
        report.stopped = stopped;
        std::ostringstream out;
        orvalen::PrintScanTable(out, report, std::chrono::seconds(1));
        // the totals line, before the line of where the time went
        const std::string text = out.str();
        const std::size_t end = text.rfind("\ntime: ") + 1;
        const std::size_t start = text.rfind('\n', end - 2) + 1;
        return text.substr(start, end - start);
    };
    EXPECT_EQ(totals(1, true),
              "1 transponders locked of 3 candidates (from the 1 of 4 sweeps that finished), "
              "0 not locked; 1 services (1 tv, 0 radio, 0 data); 1.0 s\n");
    EXPECT_EQ(totals(4, true).find("sweeps"), std::string::npos);
    EXPECT_EQ(totals(std::nullopt, true).find("sweeps"), std::string::npos);
    EXPECT_EQ(totals(1, false).find("sweeps"), std::string::npos);  // the card failed
}

// Without a terminal a transponder's line names every service found, also those a list of 100
// leaves out, so that a log of the scan can be compared with another scanner's findings.
TEST(ScanReportTable, EachTranspondersLineNamesItsServicesAndTheSummarySaysWhereTheTimeWent) {
    scan::ScanReport report = ReportWith(3);
    report.transponders[0].services[2].name = "The \"Best\" TV";
    std::ostringstream progress;
    orvalen::ScanProgressLine(progress, false).Show({"locked", 1, 3, &report.transponders[0]});
    EXPECT_EQ(progress.str(),
              "11494 MHz H 22000: TSID 2, 3 services: 100 \"News, Weather 0\", 101 \"Radio 1\", "
              "102 \"The \"\"Best\"\" TV\"\n");

    using std::chrono::seconds;
    report.sweepTime = seconds(60);
    report.tuneTime = seconds(30);
    report.tableTime = seconds(9);
    std::ostringstream table;
    orvalen::PrintScanTable(table, report, seconds(120));
    EXPECT_NE(
        table.str().find("\ntime: sweeps 60.0 s (50%), tuning 30.0 s (25%), tables 9.0 s (8%)\n"),
        std::string::npos)
        << table.str();
}

}  // namespace
}  // namespace scan_tool_test
