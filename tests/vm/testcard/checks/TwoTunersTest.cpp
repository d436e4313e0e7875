// Both tuners of the test card through the program's own graphs: found as the card's two
// tuners, tuned at once to different satellites, and recorded at once, each file whole and
// continuous and holding its own transponder's tables.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "../../../faults/RecordingCheck.h"
#include "../../guest/NoteTime.h"
#include "../../guest/StreamTables.h"
#include "TestCardTest.h"

namespace testcard {
namespace {

constexpr std::chrono::seconds kRecordingTime{5};

using TwoTunersTest = TestCardTest;

TEST_F(TwoTunersTest, BothTunersAreFoundAndReady) {
    ASSERT_TRUE(m_card);
    ASSERT_EQ(m_card->TunerCount(), 2);
    EXPECT_NE(m_card->FrontendOf(1).frontendPath, m_card->FrontendOf(2).frontendPath);
    // Both graphs built one after the other, as Create all builds them.
    const auto start = std::chrono::steady_clock::now();
    const auto first = MakeGraph(1);
    const auto second = MakeGraph(2);
    vm::NoteTime("Create all to both graphs built", std::chrono::steady_clock::now() - start);
    EXPECT_EQ(static_cast<int>(first->m_ready), 1);
    EXPECT_EQ(static_cast<int>(second->m_ready), 1);
}

TEST_F(TwoTunersTest, BothTunersRecordTheirOwnSatelliteAtOnce) {
    const std::array<SkyChannel, 2> channels{Channel(1, false), Channel(3, true)};
    std::array<std::filesystem::path, 2> paths;
    std::array<std::unique_ptr<TunerGraph>, 2> graphs;
    for (int i = 0; i < 2; ++i) {
        paths[i] = std::filesystem::temp_directory_path() /
                   ("orvalen-testcard-tuner" + std::to_string(i + 1) + ".ts");
        std::filesystem::remove(paths[i]);
        graphs[i] = MakeGraph(i + 1, GraphFlagRecord);
        ASSERT_EQ(static_cast<int>(graphs[i]->m_ready), 1);
        ASSERT_EQ(graphs[i]->SetRecordFile(paths[i].u16string()), S_OK);
    }
    const std::size_t before = BusLog().size();
    for (int i = 0; i < 2; ++i) ASSERT_EQ(RequestTune(*graphs[i], channels[i].Parameters()), 0);
    for (int i = 0; i < 2; ++i) {
        const std::optional<BusEvent> locked = WaitForCardLock(i + 1, before);
        ASSERT_TRUE(locked) << "tuner " << i + 1;
        EXPECT_NE(locked->note.find(m_sky.positions[channels[i].position - 1].name),
                  std::string::npos)
            << Format(*locked);
    }
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(WaitForLock(i + 1)) << "tuner " << i + 1;
    std::this_thread::sleep_for(kRecordingTime);
    for (auto& graph : graphs) graph.reset();  // the files are complete once the graphs are gone

    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::Message() << "tuner " << i + 1);
        const std::vector<std::uint8_t> bytes = FileBytes(paths[i]);
        const RecordingCheck check = CheckRecording(bytes);
        EXPECT_GT(check.packets, 1000u);
        EXPECT_TRUE(check.Sound()) << (check.firstFaults.empty() ? "" : check.firstFaults.front());
        const vm::StreamTables tables = vm::FindTables(bytes);
        EXPECT_EQ(tables.patTsid, channels[i].transponder->tsid);
        EXPECT_TRUE(tables.programs.contains(channels[i].transponder->services.front().sid));
        EXPECT_TRUE(tables.pmt);
        EXPECT_EQ(tables.sdtOnid, channels[i].transponder->onid);
        std::cout << "NOTE: tuner " << i + 1 << " recorded " << check.packets << " packets of "
                  << channels[i].transponder->frequencyMHz << " MHz on "
                  << m_sky.positions[channels[i].position - 1].name << "\n";
        std::filesystem::remove(paths[i]);
    }
    EXPECT_EQ(m_kernel->Overruns(), 0u);
}

}  // namespace
}  // namespace testcard
