// The fault run: at least a thousand random actions on both tuners while the card misbehaves,
// with nothing crashing, hanging, leaking (the sanitizer builds run it too), leaving the spectrum
// store busy or spoiling a recording. The seed is printed; ORVALEN_FAULT_SEED repeats a run (or,
// set to "random", explores a new one) and ORVALEN_FAULT_STEPS sets its length. Without it the run
// uses a fixed seed, so that the test suite does the same thing every time.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "FaultRun.h"
#include "StepWatchdog.h"
#include "platform/Threads.h"

namespace {

constexpr int kDefaultSteps = 1000;
constexpr std::uint32_t kDefaultSeed = 20261207;
// A run this long always records some packets; if none did, the recording checks said nothing.
constexpr int kStepsThatRecord = 500;
// Far beyond what any single action needs, even under the sanitizers: only a hang gets there.
constexpr auto kStepLimit = std::chrono::seconds(120);

std::uint32_t Seed() {
    const char* text = std::getenv("ORVALEN_FAULT_SEED");
    if (!text || !*text) return kDefaultSeed;
    if (std::string(text) == "random") return std::random_device{}();
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 0));
}

int Steps() {
    if (const char* text = std::getenv("ORVALEN_FAULT_STEPS"); text && *text)
        return std::max(1, std::atoi(text));
    return kDefaultSteps;
}

TEST(FaultRun, BothTunersUnderRandomCardFaults) {
    const std::uint32_t seed = Seed();
    const int steps = Steps();
    std::printf("fault run: seed %u, %d steps (repeat with ORVALEN_FAULT_SEED=%u)\n", seed, steps,
                seed);
    std::fflush(stdout);

    // The spectrum store draws its picture with Qt.
    int argc = 1;
    char name[] = "fault_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("orvalen-faults-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    {
        StepWatchdog watchdog(kStepLimit);
        FaultRun run(seed, folder, LoadExampleChannels(ORVALEN_EXAMPLES_DIR));
        for (int step = 1; step <= steps && !::testing::Test::HasFailure(); ++step) {
            const Action action = run.NextAction();
            const std::string what = "step " + std::to_string(step) + " (" + Describe(action) +
                                     ") of seed " + std::to_string(seed);
            SCOPED_TRACE(what);
            watchdog.Begin(what);
            run.Carry(action);
            watchdog.End();
        }
        watchdog.Begin("the teardown of seed " + std::to_string(seed));
        run.Finish();
        watchdog.End();

        const FaultRunFigures& f = run.Figures();
        std::printf(
            "fault run: %d graphs (%d recording), %d recordings of %llu packets with %llu stream "
            "restarts (%llu packets lost by the card), %d locks checked, %d sweeps (%d waited to "
            "the end), %d DiSEqC messages, %d single-cable reads, %d CAM objects, %.1f faults in "
            "force on average\n",
            f.graphs, f.recordingGraphs, f.recordings,
            static_cast<unsigned long long>(f.recordedPackets),
            static_cast<unsigned long long>(f.streamRestarts),
            static_cast<unsigned long long>(f.packetsLostByCard), f.locksChecked, f.sweepsStarted,
            f.fullSweeps, f.diseqcMessages, f.unicableReads, f.mmiObjects,
            static_cast<double>(f.faultsInForce) / steps);
        if (steps >= kStepsThatRecord) {
            EXPECT_GT(f.recordedPackets, 0u) << "no recording held a packet";
        }
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
