// Faults on the test card while the program uses it: the CI module pulled out of the slot and
// put back during a recording (the recording goes on, the module is named again). The card
// unplugged, during a recording and a sweep, is SoakTest's end.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "../../../faults/RecordingCheck.h"
#include "../../../tuner/worker_fixture.h"
#include "TestCardTest.h"

namespace testcard {
namespace {

using namespace std::chrono_literals;

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

}  // namespace
}  // namespace testcard
