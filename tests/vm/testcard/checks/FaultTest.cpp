// Faults on the test card while the program uses it: the CI module pulled out of the slot and
// put back during a recording (the recording goes on, the module is named again), and the
// whole card unplugged during a recording and a sweep (the graphs end without a hang, their
// threads are joined, the recording holds whole packets, and what the program said is noted).
// Unplugging ends the card until the module is loaded again, so UnplugTest runs on its own, last
// (tests/vm/guest.sh).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "../../../faults/RecordingCheck.h"
#include "../../../tuner/worker_fixture.h"
#include "TestCardTest.h"

namespace testcard {
namespace {

using namespace std::chrono_literals;

int ThreadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

std::string CamName(TunerGraph& graph) {
    std::array<std::uint8_t, kCamNameSize> name{};
    if (FAILED(graph.GetCamName(name))) return {};
    return reinterpret_cast<const char*>(name.data());
}

// Waits (bounded) until the CAM's name is `wanted` or, with `wanted` empty, until there is none.
bool NameBecomes(TunerGraph& graph, const std::string& wanted) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (CamName(graph) == wanted) return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

using FaultTest = TestCardTest;

TEST_F(FaultTest, TheCiModulePulledOutAndPutBackDuringARecording) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "orvalen-testcard-cam-out.ts";
    std::filesystem::remove(path);
    auto graph = MakeGraph(1, GraphFlagRecord);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    ASSERT_TRUE(NameBecomes(*graph, "Kestrel CAM"));
    ASSERT_EQ(graph->SetRecordFile(path.u16string()), S_OK);
    const std::size_t before = BusLog().size();
    ASSERT_EQ(graph->RequestTune(Channel(1, false).Parameters()), 0);
    ASSERT_TRUE(WaitForCardLock(1, before));
    std::this_thread::sleep_for(2s);

    ASSERT_EQ(Ask("cam out"), "ok");
    EXPECT_TRUE(NameBecomes(*graph, ""));
    const std::uint64_t atRemoval = m_kernel->DvrBytes();
    std::this_thread::sleep_for(2s);
    EXPECT_GT(m_kernel->DvrBytes(), atRemoval) << "the stream stopped with the module out";
    ASSERT_EQ(Ask("cam in"), "ok");
    EXPECT_TRUE(NameBecomes(*graph, "Kestrel CAM"));
    const std::uint64_t atInsertion = m_kernel->DvrBytes();
    std::this_thread::sleep_for(2s);
    EXPECT_GT(m_kernel->DvrBytes(), atInsertion) << "the stream stopped with the module back";
    graph.reset();

    const std::vector<std::uint8_t> bytes = FileBytes(path);
    const RecordingCheck check = CheckRecording(bytes);
    EXPECT_TRUE(check.wholePackets);
    EXPECT_EQ(check.badSyncBytes, 0u);
    std::cout << "NOTE: module out and back during a recording: " << check.packets << " packets, "
              << check.breaks << " continuity breaks\n";
    std::filesystem::remove(path);
}

using UnplugTest = TestCardTest;

TEST_F(UnplugTest, TheCardUnpluggedDuringARecordingAndASweep) {
    const int threadsBefore = ThreadCount();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "orvalen-testcard-unplug.ts";
    auto recording = MakeGraph(1, GraphFlagRecord);
    auto sweeping = MakeGraph(2);
    ASSERT_EQ(static_cast<int>(recording->m_ready), 1);
    ASSERT_EQ(static_cast<int>(sweeping->m_ready), 1);
    ASSERT_EQ(recording->SetRecordFile(path.u16string()), S_OK);
    const std::size_t before = BusLog().size();
    ASSERT_EQ(recording->RequestTune(Channel(1, false).Parameters()), 0);
    ASSERT_TRUE(WaitForCardLock(1, before));
    ASSERT_EQ(sweeping->RequestSpectrumSweep(), 0);
    std::this_thread::sleep_for(2s);

    testing::internal::CaptureStderr();
    ASSERT_EQ(Ask("unplug"), "ok");
    std::this_thread::sleep_for(3s);
    // Both graphs end: their destructors join the workers and the stream reader. The card's
    // demuxes go one after the other, each once its users have closed it: the sweeping tuner's
    // first, after which the recording's reader finds its dvr gone.
    sweeping.reset();
    std::this_thread::sleep_for(3s);
    recording.reset();
    m_card.reset();
    // What the program said about it. The card takes its demuxes down only after its CI slot,
    // whose device the program keeps open while the card is installed, so a reader may not hear
    // of it before the graphs end.
    const std::string said = testing::internal::GetCapturedStderr();
    std::cout << said << "NOTE: after the unplug the program "
              << (said.find("the card is gone") != std::string::npos ? "said the card is gone"
                                                                     : "said nothing of it")
              << "\n";
    EXPECT_TRUE(worker_test::WaitUntil([&] { return ThreadCount() <= threadsBefore; }))
        << ThreadCount() << " threads, " << threadsBefore << " before";
    const RecordingCheck check = CheckRecording(FileBytes(path));
    EXPECT_TRUE(check.wholePackets);
    EXPECT_GT(check.packets, 0u);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace testcard
