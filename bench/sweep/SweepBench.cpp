// A full spectrum sweep through the program's own path, with the simulated card at zero pace so
// that only the program's overhead is left: the request, the worker's 601 steps (driver request,
// strength read, point record, post) and the consumer taking and freeing every point, up to the
// end mark. Reports microseconds per point (goal: under 5; a real card takes 2-50 ms per point).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "platform/ThreadMessageQueue.h"
#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

namespace {

constexpr int kSweepPoints = 601;
constexpr std::uint32_t kMessageWaitMs = 10000;

// Takes the sweep's messages as the user-interface thread does; false when the end mark did not
// come or the sweep was short.
bool ConsumeSweep(ThreadMessageQueue& queue) {
    int points = 0;
    while (std::optional<ThreadMessage> message = queue.Wait(kMessageWaitMs)) {
        if (message->message != MSG_SPECTRUM_POINT) continue;  // a signal report
        if (!message->payload.Take<SpectrumPoint>()) return points == kSweepPoints;
        ++points;
    }
    return false;
}

void BM_FullSweep(benchmark::State& state) {
    RegisterStandInClasses();
    const auto card = card::InstallSimulatedCard(card::TestCardConfig());
    ThreadMessageQueue consumer;
    {
        TunerGraph graph(1, 0);
        graph.m_notifyThreadId = consumer.ThreadId();
        graph.m_tunerNumber = 1;
        if (graph.m_ready != 1) state.SkipWithError("the graph is not ready");

        for (auto _ : state) {
            graph.RequestSpectrumSweep();
            if (!ConsumeSweep(consumer)) {
                state.SkipWithError("the sweep did not end with 601 points and its end mark");
                break;
            }
        }
    }
    // Shown in seconds with an SI prefix: "1.5u" is 1.5 microseconds per point.
    state.counters["per_point"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kSweepPoints,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    ClearDevices();
    ClearComponentClasses();
}
BENCHMARK(BM_FullSweep)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
