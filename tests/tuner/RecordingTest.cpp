// The recording variant: where the tee sits, the writer's file name, and what ends up in the
// file when a tuned recording graph has run for a while and is torn down.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "GraphOnCard.h"
#include "channels/ChannelList.h"

namespace graph_test {
namespace {

using ::testing::Contains;

std::u16string Wide(const std::string& text) {
    return {text.begin(), text.end()};
}

// The transport stream id of the first whole PAT section in the packets, or -1.
int PatTsid(const std::vector<std::uint8_t>& stream) {
    for (std::size_t at = 0; at + 188 <= stream.size(); at += 188) {
        const std::uint8_t* packet = &stream[at];
        const int pid = ((packet[1] & 0x1F) << 8) | packet[2];
        const bool unitStart = packet[1] & 0x40;
        const bool payloadOnly = (packet[3] & 0x30) == 0x10;
        if (pid != 0 || !unitStart || !payloadOnly) continue;
        const std::uint8_t* section = packet + 5 + packet[4];
        if (section[0] == 0x00) return (section[3] << 8) | section[4];
    }
    return -1;
}

class Recording : public GraphOnCard {
protected:
    void TearDown() override {
        std::filesystem::remove(m_path);
        GraphOnCard::TearDown();
    }
    // Waits (bounded, not a statement about speed) until the file holds `bytes`, tears the graph
    // down and returns what it recorded.
    std::vector<std::uint8_t> RecordedAfter(std::unique_ptr<TunerGraph> graph,
                                            std::uintmax_t bytes) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::filesystem::file_size(m_path) < bytes &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        graph.reset();
        std::ifstream file(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }

    const std::filesystem::path m_path =
        std::filesystem::temp_directory_path() /
        ("orvalen-record-" + std::to_string(GetCurrentProcessId()) + ".ts");
};

TEST_F(Recording, TheTeeFollowsTheCiFilterAndFeedsTheDemultiplexerThenTheWriter) {
    Install();
    TunerGraph graph(2, GraphFlagRecord);
    ASSERT_EQ(graph.m_ready, 1);
    ASSERT_TRUE(graph.m_ciFilter);
    EXPECT_EQ(Downstream(graph.m_ciFilter, 1), graph.m_tee);
    EXPECT_EQ(Downstream(graph.m_tee, 1), graph.m_demux);
    EXPECT_EQ(Downstream(graph.m_tee, 2), graph.m_writer);
    const auto added = Noted(graph).Added();
    EXPECT_EQ(std::count(added.begin(), added.end(), u"Demux"), 2);
    EXPECT_THAT(FilterNames(graph), Contains(u"Null"));
}

TEST_F(Recording, WithoutACiFilterTheCaptureFeedsTheTee) {
    card::CardConfig config = card::TestCardConfig();
    config.receiverCategory = {{card::DeviceKind::Capture, 1}};
    Install(config);
    TunerGraph graph(1, GraphFlagRecord);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(Downstream(graph.m_captureFilter, 1), graph.m_tee);
    EXPECT_EQ(Downstream(graph.m_tee, 2), graph.m_writer);
}

TEST_F(Recording, OnlyAGraphWithAWriterTakesAFileName) {
    Install();
    TunerGraph plain(1, 0);
    EXPECT_EQ(plain.SetRecordFile(Wide(m_path.string())), E_FAIL);
    TunerGraph recording(2, GraphFlagRecord);
    EXPECT_EQ(recording.SetRecordFile(Wide(m_path.string())), S_OK);
    EXPECT_LT(recording.SetRecordFile(u"/nonexistent-directory/record.ts"), 0);
}

TEST_F(Recording, ATunedRecordingGraphLeavesWholePacketsOfItsTransponderInTheFile) {
    card::CardConfig config = card::TestCardConfig();
    config.realTimeStream = true;
    Install(config);
    orvalen::ChannelList list =
        orvalen::LoadChannelList(Wide(ORVALEN_EXAMPLES_DIR "/T1-LNB1-A-Helion.csv"));
    ASSERT_GT(list.count, 0);
    const orvalen::ChannelRecord& channel = *list.records[0];

    auto graph = std::make_unique<TunerGraph>(1, GraphFlagRecord);
    graph->m_tunerNumber = 1;
    ASSERT_EQ(graph->SetRecordFile(Wide(m_path.string())), S_OK);
    ASSERT_EQ(graph->RequestTune({channel.frequencyKHz, channel.symbolRate, channel.onid,
                                  channel.tsid, channel.sid, channel.polarisation, 1}),
              0);
    const std::vector<std::uint8_t> stream = RecordedAfter(std::move(graph), 256 * 1024);
    ASSERT_GE(stream.size(), 256u * 1024);
    EXPECT_EQ(stream.size() % 188, 0u);
    EXPECT_EQ(stream.size(), std::filesystem::file_size(m_path));
    for (std::size_t at = 0; at < stream.size(); at += 188) ASSERT_EQ(stream[at], 0x47) << at;
    EXPECT_EQ(PatTsid(stream), channel.tsid);
    orvalen::FreeChannelList(list);
}

// Helion 10883 V 45000 carries three input streams, the last behind a scrambling code.
TEST_F(Recording, EachInputStreamOfAMultistreamCarrierRecordsItsOwnTables) {
    Install();
    struct Stream {
        std::int32_t id, plsCode, tsid;
    };
    for (const Stream& s : {Stream{0, -1, 11026}, Stream{5, -1, 11201}, Stream{12, 8, 11202}}) {
        SCOPED_TRACE(s.id);
        auto graph = std::make_unique<TunerGraph>(1, GraphFlagRecord);
        graph->m_tunerNumber = 1;
        ASSERT_EQ(graph->SetRecordFile(Wide(m_path.string())), S_OK);
        ASSERT_EQ(graph->RequestTune(
                      {10883000, 45000, -1, -1, -1, 2, 1, DVBS_SYSTEM_DVBS2, s.id, s.plsCode}),
                  0);
        const std::vector<std::uint8_t> stream = RecordedAfter(std::move(graph), 64 * 1024);
        ASSERT_GE(stream.size(), 64u * 1024);
        EXPECT_EQ(PatTsid(stream), s.tsid);
    }
}

}  // namespace
}  // namespace graph_test
