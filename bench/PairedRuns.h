// Comparing a program path with a baseline doing the same job, in a way that holds still on a
// machine whose speed drifts (page cache state, writeback, other processes): the two run as
// interleaved pairs, the order flipping from pair to pair, and each pair gives one ratio. The
// figures are the medians of those ratios and rates, with the lowest and highest ratio beside
// them, so a reader sees both the figure and how far one pair strays from it.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orvalen::bench {

// The middle value (the mean of the two middle ones for an even count); 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One pair per benchmark iteration: `program()` and `baseline()` each run once and return a
// rate (higher is better, e.g. MB/s). Sets the counters <program>_MBps and <baseline>_MBps
// (medians), ratio (median of program / baseline over the pairs), ratio_min, ratio_max and
// pairs. Returns nothing; a side that returns 0 marks the run as failed.
template <typename Program, typename Baseline>
void RunInterleavedPairs(benchmark::State& state, const std::string& programName,
                         const std::string& baselineName, Program&& program, Baseline&& baseline) {
    std::vector<double> programRates, baselineRates, ratios;
    bool programFirst = false;
    for (auto _ : state) {
        programFirst = !programFirst;
        double p = 0, b = 0;
        if (programFirst) {
            p = program();
            b = baseline();
        } else {
            b = baseline();
            p = program();
        }
        if (p <= 0 || b <= 0) {
            state.SkipWithError("a run failed");
            return;
        }
        programRates.push_back(p);
        baselineRates.push_back(b);
        ratios.push_back(p / b);
    }
    state.counters[programName + "_MBps"] = Median(programRates);
    state.counters[baselineName + "_MBps"] = Median(baselineRates);
    state.counters["ratio"] = Median(ratios);
    state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["pairs"] = static_cast<double>(ratios.size());
}

}  // namespace orvalen::bench
