// What the user-interface thread spends on the spectrum display: one arriving sweep point (kept
// in the store, its segment drawn into the picture, the view invalidated) and one full repaint
// of the client view. Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "spectrum/ChildView.h"
#include "spectrum/SignalMeter.h"
#include "spectrum/SpectrumStore.h"
#include "tuner/TunerGraph.h"

namespace {

constexpr int kSweepPoints = 601;

// The store and view of a running application with one tuner graph on the simulated card. The
// graph's own sweeps post nothing; the benchmark hands the points over itself.
struct Display {
    Display() {
        RegisterStandInClasses();
        card = card::InstallSimulatedCard(card::TestCardConfig());
        graphs[0] = std::make_unique<TunerGraph>(1, 0);
        view.resize(1120, 720);
        view.show();
    }
    ~Display() {
        graphs[0].reset();
        ClearDevices();
        ClearComponentClasses();
    }

    std::shared_ptr<card::SimulatedCard> card;
    TunerGraphSlots graphs;
    SignalMeters meters;
    // Invalidated only once the view below exists: the store is built first.
    SpectrumStore store{graphs, [this] { view.update(); }};
    CChildView view{meters, store};
};

// Levels of a sweep: a noise floor, with steps of the given height every 8 points for carrier
// edges (0 for the floor alone).
std::int32_t LevelAt(int step, std::int32_t edge) {
    const std::int32_t noise = (step * 7919) % 1500;
    const std::int32_t carrier = (step / 8) % 2 == 0 ? 0 : edge;
    return 36000 + noise + carrier;
}

void BM_SpectrumPoint(benchmark::State& state) {
    Display display;
    const auto edge = static_cast<std::int32_t>(state.range(0));
    int step = 0;
    display.store.StartSpectrumTrace(0);
    for (auto _ : state) {
        if (step == kSweepPoints) {
            display.store.OnSpectrumPoint(nullptr);
            display.store.StartSpectrumTrace(0);
            step = 0;
        }
        display.store.OnSpectrumPoint(
            std::make_unique<SpectrumPoint>(SpectrumPoint{950 + 2 * step, LevelAt(step, edge)}));
        ++step;
    }
    display.store.OnSpectrumPoint(nullptr);
}
BENCHMARK(BM_SpectrumPoint)->Arg(0)->Arg(30000)->Unit(benchmark::kMicrosecond);

void BM_ViewRepaint(benchmark::State& state) {
    Display display;
    display.meters.Update(0, 65432, 80);
    display.meters.Update(0, 60000, 70);
    display.meters.Update(1, 48000, 55);
    display.store.StartSpectrumTrace(0);
    for (int step = 0; step < kSweepPoints; ++step)
        display.store.OnSpectrumPoint(
            std::make_unique<SpectrumPoint>(SpectrumPoint{950 + 2 * step, LevelAt(step, 30000)}));
    display.store.OnSpectrumPoint(nullptr);
    QImage target(display.view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        display.view.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_ViewRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
