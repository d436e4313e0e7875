// Start-up time and resident memory of the program beside a minimal Qt Widgets program, each
// launched as a process of its own, alternately, in the same run and the same working directory
// (a copy of the example lists). Start-up is the median time from creating the process to the
// first paint of the window's content, each launch of the program paired with the minimal one
// beside it (goal: the median of the pairs' ratios at most 1.1);
// memory is the median resident set once the program records on both tuners and keeps 128
// sweeps, against the minimal program once shown (goal: at most 30 MB above it; 1 MB is
// 1,000,000 bytes). The platform is whatever QT_QPA_PLATFORM and DISPLAY give the probes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "ProbeLauncher.h"
#include "bench/PairedRuns.h"

namespace fs = std::filesystem;

namespace {

// Single launches of either program stray by a third from their median; with 51 pairs the
// median ratio still moved by 0.04 between runs a minute apart.
constexpr int kStartUpLaunches = 81;
constexpr int kMemoryLaunches = 3;

fs::path ProbeDirectory() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// A fresh directory holding copies of the example lists, removed with everything the probes
// wrote there.
class ScratchCopy {
public:
    ScratchCopy() {
        std::string name = (fs::temp_directory_path() / "orvalen-startup-XXXXXX").string();
        if (::mkdtemp(name.data())) m_path = name;
        std::error_code error;
        fs::copy(ORVALEN_EXAMPLES_DIR, m_path, fs::copy_options::recursive, error);
    }
    ~ScratchCopy() {
        std::error_code error;
        if (!m_path.empty()) fs::remove_all(m_path, error);
    }
    ScratchCopy(const ScratchCopy&) = delete;
    ScratchCopy& operator=(const ScratchCopy&) = delete;

    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

using orvalen::bench::Median;

// One figure of both probes, launched alternately `launches` times (which goes first alternates
// too, so that neither always meets the other's leftovers); false when a probe failed.
template <typename Figure>
bool MeasureBoth(const std::vector<std::string>& arguments, int launches, Figure figure,
                 std::vector<double>& orvalen, std::vector<double>& minimal) {
    const ScratchCopy scratch;
    const fs::path probes = ProbeDirectory();
    for (int i = 0; i < launches; ++i) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool orvalenTurn = (turn == 0) == (i % 2 == 0);
            const auto run =
                LaunchProbe(probes / (orvalenTurn ? "startup_orvalen" : "startup_minimal_qt"),
                            arguments, scratch.Path());
            if (!run) return false;
            (orvalenTurn ? orvalen : minimal).push_back(figure(*run));
        }
    }
    return true;
}

void BM_StartUp(benchmark::State& state) {
    std::vector<double> orvalen, minimal, unused;
    const auto seconds = [](const ProbeRun& run) { return run.secondsToFirstPaint; };
    for (auto _ : state) {
        // The first launches read the libraries from disk; they are not counted.
        if (!MeasureBoth({}, 1, seconds, unused, unused) ||
            !MeasureBoth({}, kStartUpLaunches, seconds, orvalen, minimal)) {
            state.SkipWithError("a start-up probe failed");
            return;
        }
    }
    state.counters["orvalen_ms"] = Median(orvalen) * 1e3;
    state.counters["minimal_ms"] = Median(minimal) * 1e3;
    std::vector<double> ratios;
    for (std::size_t i = 0; i < orvalen.size(); ++i) ratios.push_back(orvalen[i] / minimal[i]);
    state.counters["ratio"] = Median(ratios);
    state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["launches"] = kStartUpLaunches;
}
BENCHMARK(BM_StartUp)->Iterations(1)->Unit(benchmark::kSecond);

void BM_ResidentMemory(benchmark::State& state) {
    std::vector<double> orvalen, minimal;
    const auto megabytes = [](const ProbeRun& run) {
        const auto found = run.figures.find("rss_kb");
        return found == run.figures.end() ? -1.0 : static_cast<double>(found->second) * 1024 / 1e6;
    };
    for (auto _ : state) {
        if (!MeasureBoth({"--memory"}, kMemoryLaunches, megabytes, orvalen, minimal) ||
            std::min(*std::min_element(orvalen.begin(), orvalen.end()),
                     *std::min_element(minimal.begin(), minimal.end())) < 0) {
            state.SkipWithError("a memory probe failed");
            return;
        }
    }
    state.counters["orvalen_MB"] = Median(orvalen);
    state.counters["minimal_MB"] = Median(minimal);
    state.counters["above_minimal_MB"] = Median(orvalen) - Median(minimal);
}
BENCHMARK(BM_ResidentMemory)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
