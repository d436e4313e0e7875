// The test card under a long load, then unplugged: both tuners record scrambled services
// through the CAM for ORVALEN_TESTCARD_SOAK_S seconds (two minutes unless told) while the card's
// daemon reads its events only every few seconds, so that the card's queue overflows and the
// card reports what it dropped; then tuner 2 turns from recording to a sweep, and during the
// sweep the card is unplugged with every device still open. The daemon hears of it while the
// program still holds the devices, the program says the card is gone, the graphs (the sweeping
// one included) end with their threads joined, and each recording holds whole packets. The shell
// looks for oopses and hung tasks in the kernel's log afterwards. Unplugging ends the card until
// the module is loaded again, so this runs on its own, last (tests/vm/guest.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "../../../faults/RecordingCheck.h"
#include "../../../tuner/worker_fixture.h"
#include "TestCardTest.h"

namespace testcard {
namespace {

using namespace std::chrono_literals;

// How long the daemon leaves the card's events unread at a time: the two tuners' streams
// through the CAM fill the card's 4 MiB queue in less.
constexpr const char* kSlow = "slow 3000";
// Steps of tuner 2's sweep seen before the card is pulled: it is surely sweeping by then.
constexpr std::size_t kStepsBeforeUnplug = 5;

std::chrono::seconds SoakTime() {
    const char* value = std::getenv("ORVALEN_TESTCARD_SOAK_S");
    return std::chrono::seconds(value ? std::atoi(value) : 120);
}

int ThreadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

std::uintmax_t FileSize(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// The number after `key` in the daemon's status line.
std::uint64_t StatusField(const std::string& status, const std::string& key) {
    const auto at = status.find(" " + key + " ");
    return at == std::string::npos
               ? 0
               : std::strtoull(status.c_str() + at + key.size() + 2, nullptr, 10);
}

class SoakTest : public TestCardTest {
protected:
    // Waits (bounded) until the daemon's status says the card is unplugged.
    static bool DaemonHeardTheUnplug() {
        for (int i = 0; i < 100; ++i) {
            if (Ask("status").find(" unplugged") != std::string::npos) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // What the sweep had posted by now: its points (other messages are passed over) and whether
    // its end mark was among them.
    struct Posted {
        std::size_t points = 0;
        bool ended = false;
    };
    Posted TakePostedSweepPoints() {
        Posted posted;
        while (std::optional<ThreadMessage> next = m_queue.Wait(0)) {
            if (next->message != MSG_SPECTRUM_POINT) continue;
            if (!next->payload.Take<SpectrumPoint>()) {
                posted.ended = true;
                break;
            }
            ++posted.points;
        }
        return posted;
    }
};

TEST_F(SoakTest, BothTunersRecordThroughTheCamWhileTheCardFallsBehindThenItIsUnpluggedMidSweep) {
    const int threadsBefore = ThreadCount();
    const std::array<SkyChannel, 2> channels{ScrambledChannel(1), ScrambledChannel(3)};
    std::array<std::filesystem::path, 2> paths;
    std::array<std::unique_ptr<TunerGraph>, 2> graphs;
    for (int i = 0; i < 2; ++i) {
        paths[i] = std::filesystem::temp_directory_path() /
                   ("orvalen-testcard-soak" + std::to_string(i + 1) + ".ts");
        std::filesystem::remove(paths[i]);
        graphs[i] = MakeGraph(i + 1, GraphFlagRecord);
        ASSERT_EQ(static_cast<int>(graphs[i]->m_ready), 1);
        ASSERT_EQ(graphs[i]->SetRecordFile(paths[i].u16string()), S_OK);
        const std::size_t before = BusLog().size();
        ASSERT_EQ(graphs[i]->RequestTune(channels[i].Parameters()), 0);
        ASSERT_TRUE(WaitForCardLock(i + 1, before));
    }

    ASSERT_EQ(Ask(kSlow), "ok");
    const auto soak = SoakTime();
    const auto end = std::chrono::steady_clock::now() + soak;
    std::array<std::uintmax_t, 2> sizes{};
    int stalls = 0;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(10s);
        for (std::size_t i = 0; i < 2; ++i) {
            const std::uintmax_t size = FileSize(paths[i]);
            stalls += size > sizes[i] ? 0 : 1;
            sizes[i] = size;
        }
    }
    ASSERT_EQ(Ask("slow 0"), "ok");
    const std::string status = Ask("status");
    EXPECT_GT(StatusField(status, "lost"), 0u) << "the card lost no events: " << status;
    EXPECT_EQ(stalls, 0) << "a recording stood still for 10 s";

    // Tuner 2 leaves its recording for a sweep (about half a minute on this card), so the card
    // goes while a sweep is tuning step after step.
    graphs[1] = MakeGraph(2);
    ASSERT_EQ(static_cast<int>(graphs[1]->m_ready), 1);
    ASSERT_EQ(graphs[1]->RequestSpectrumSweep(), 0);
    std::size_t swept = 0;
    for (; swept < kStepsBeforeUnplug; ++swept)
        ASSERT_TRUE(worker_test::NextMessage(m_queue, MSG_SPECTRUM_POINT)) << "no sweep";

    testing::internal::CaptureStderr();
    ASSERT_EQ(Ask("unplug"), "ok");
    // The daemon answers once the card is gone, but may take the command seconds late (it
    // was reading the card's events slowly): the points posted by then were measured while
    // the card was still there.
    const Posted posted = TakePostedSweepPoints();
    // The daemon hears it while the program still holds every device of the card.
    EXPECT_TRUE(DaemonHeardTheUnplug());
    std::this_thread::sleep_for(3s);
    for (auto& graph : graphs) graph.reset();
    m_card.reset();
    const std::string said = testing::internal::GetCapturedStderr();
    std::cout << said;
    EXPECT_NE(said.find("the card is gone"), std::string::npos);
    // What the sweep made of the steps after the card went: the graph is gone by now, so the
    // sweep either ran out over the dead frontend or was stopped with its graph.
    const worker_test::Sweep rest =
        posted.ended ? worker_test::Sweep{{}, true} : worker_test::ReadSweep(m_queue, 2);
    const auto unread =
        std::count_if(rest.points.begin(), rest.points.end(),
                      [](const SpectrumPoint& p) { return p.level == kUnreadLevel; });
    // A card that is gone gives no levels: at most the step under way as it went read one.
    EXPECT_LE(rest.points.size(), static_cast<std::size_t>(unread) + 1)
        << "levels read from a card that is gone";
    std::cout << "NOTE: the sweep was at step " << swept + posted.points << " of "
              << worker_test::kSweepPoints << " when the card went; then " << rest.points.size()
              << " more (" << unread << " without a level), "
              << (rest.ended ? "ended" : "no end mark") << "\n";
    EXPECT_TRUE(worker_test::WaitUntil([&] { return ThreadCount() <= threadsBefore; }))
        << ThreadCount() << " threads, " << threadsBefore << " before";
    for (const auto& path : paths) {
        const RecordingCheck check = CheckRecording(FileBytes(path));
        EXPECT_TRUE(check.wholePackets) << path;
        EXPECT_GT(check.packets, 0u) << path;
        std::cout << "NOTE: " << soak.count() << " s through the CAM with the card's events read "
                  << "every 3 s: " << path.filename() << " " << check.packets << " packets, "
                  << check.breaks << " continuity breaks; " << StatusField(status, "lost")
                  << " events lost\n";
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace testcard
