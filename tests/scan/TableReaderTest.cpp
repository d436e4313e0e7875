// The table reader on a simulated card's tuned graph: what is whole can be taken at once, and a
// paused reader takes nothing of the stream until it is restarted.
#include <gtest/gtest.h>

#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "platform/ThreadMessageQueue.h"
#include "scan/TableReader.h"
#include "tuner/TunerGraph.h"

namespace scantest {
namespace {

using namespace std::chrono_literals;

class TableReaderOnCard : public ::testing::Test {
protected:
    TableReaderOnCard() {
        RegisterStandInClasses();
        card::InstallSimulatedCard(card::TestCardConfig());
    }
    ~TableReaderOnCard() override {
        ClearDevices();
        ClearComponentClasses();
    }
    // Helion 10971 V, transport stream 11030 of network "Helion Digital".
    static TuneParameters Helion10971() {
        TuneParameters tune;
        tune.frequencyKHz = 10'971'000;
        tune.symbolRate = 29900;
        tune.polarisation = 2;
        tune.lnbSource = 1;
        return tune;
    }
    // The PAT, SDT and NIT, or what of them came within the bound.
    scan::StreamTables ReadAll(const scan::TableReader& reader) {
        return reader.Read(
            10s, [] { return false; },
            [](std::uint16_t) { return scan::TableReader::Stream::Unknown; });
    }
};

TEST_F(TableReaderOnCard, APausedReaderTakesNothingUntilRestartedAndReadNowGivesWhatIsWhole) {
    ThreadMessageQueue reports;
    TunerGraph graph(1, 0);
    graph.m_notifyThreadId = reports.ThreadId();
    std::unique_ptr<scan::TableReader> reader = scan::TableReader::Attach(graph);
    ASSERT_NE(reader, nullptr);
    reader->Pause();
    ASSERT_EQ(graph.RequestTune(Helion10971()), 0);
    // Long enough for several PATs of the stream: a paused reader sees none of them.
    const scan::StreamTables paused = reader->Read(
        500ms, [] { return false; },
        [](std::uint16_t) { return scan::TableReader::Stream::Unknown; });
    EXPECT_FALSE(paused.pat);
    EXPECT_FALSE(reader->ReadNow().pat);

    reader->Restart();
    const scan::StreamTables read = ReadAll(*reader);
    ASSERT_TRUE(read.pat && read.nit);
    EXPECT_EQ(read.pat->tsid, 11030);
    EXPECT_EQ(read.nit->networkName, "Helion Digital");
    const scan::StreamTables now = reader->ReadNow();
    ASSERT_TRUE(now.pat && now.nit);
    EXPECT_EQ(now.pat->tsid, 11030);
    EXPECT_EQ(now.nit->networkName, "Helion Digital");

    reader->Pause();
    EXPECT_FALSE(reader->ReadNow().pat);  // what was read is forgotten
}

}  // namespace
}  // namespace scantest
