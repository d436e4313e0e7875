// Recording: a recording graph tuned to a carried frequency for five seconds writes whole
// packets with intact continuity, and vidtv's PAT, PMT and SDT, without a single overrun.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "../../faults/RecordingCheck.h"
#include "StreamTables.h"
#include "VidtvCardTest.h"
#include "VidtvStream.h"

namespace vm {
namespace {

constexpr std::chrono::seconds kRecordingTime{5};

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

using RecordingTest = VidtvCardTest;

TEST_F(RecordingTest, FiveSecondsOfACarriedFrequencyHoldVidtvsService) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "orvalen-vm-recording.ts";
    std::filesystem::remove(path);
    auto graph = MakeGraph(1, GraphFlagRecord);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    ASSERT_EQ(graph->SetRecordFile(path.u16string()), S_OK);
    const Transponder& transponder = m_frequencies.front();
    ASSERT_NO_FATAL_FAILURE(Tune(*graph, VidtvChannel(transponder), transponder.ifMHz * 1000));
    ASSERT_TRUE(WaitForLock());
    std::this_thread::sleep_for(kRecordingTime);
    graph.reset();  // the file is complete once the graph is gone

    const std::vector<std::uint8_t> bytes = FileBytes(path);
    const RecordingCheck check = CheckRecording(bytes);
    EXPECT_GT(check.packets, 0u);
    EXPECT_TRUE(check.Sound()) << (check.firstFaults.empty() ? "" : check.firstFaults.front());
    EXPECT_EQ(m_kernel->Overruns(), 0u);

    const StreamTables tables = FindTables(bytes);
    EXPECT_EQ(tables.patTsid, kVidtvTransportStreamId);
    EXPECT_TRUE(tables.programs.contains(kVidtvServiceId));
    EXPECT_TRUE(tables.pmt);
    EXPECT_EQ(tables.sdtOnid, kVidtvNetworkId);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace vm
