// Spectrum sweeps on the worker: what a sweep posts, how a new command or teardown ends it, and
// that every sweep request, even one replaced before it ran, gets exactly one end mark.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "tuner/driver/KsRequestHeader.h"
#include "tuner/driver/PropertySets.h"
#include "tuner/driver/SpectrumStepRequest.h"
#include "worker_fixture.h"

namespace worker_test {
namespace {

using SweepTest = CardTest;

TEST_F(SweepTest, FullSweepPostsEveryStepInOrderThenTheEndMark) {
    auto graph = MakeGraph(2);
    ASSERT_EQ(graph->m_ready, 1);
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);

    const Sweep sweep = ReadSweep(m_queue, 2);
    ASSERT_TRUE(sweep.ended);
    ASSERT_EQ(sweep.points.size(), static_cast<std::size_t>(kSweepPoints));
    for (int i = 0; i < kSweepPoints; ++i) EXPECT_EQ(sweep.points[i].frequency, 950 + 2 * i);
    // Levels come from the card's 30-80 dB scale, with carriers standing above the floor.
    const auto [low, high] = std::minmax_element(
        sweep.points.begin(), sweep.points.end(),
        [](const SpectrumPoint& a, const SpectrumPoint& b) { return a.level < b.level; });
    EXPECT_GE(low->level, 30000);
    EXPECT_LE(high->level, 80000);
    EXPECT_GT(high->level - low->level, 5000);
}

// Stands in front of a graph's tuner control and notes every spectrum step request it passes on.
class StepRecorder final : public IKsControl {
public:
    explicit StepRecorder(TunerGraph& graph) : m_inner(graph.m_tunerControl) {}

    HRESULT KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        if (propertyLength >= kKsPropertySize && dataLength == kSpectrumStepRequestSize) {
            const KSPROPERTY header =
                DecodeKsProperty(std::span<const std::uint8_t, kKsPropertySize>(
                    static_cast<const std::uint8_t*>(property), kKsPropertySize));
            if (header.Set == KSPROPSETID_CardTuner && header.Id == CARD_TUNER_SPECTRUM_STEP) {
                std::lock_guard lock(m_mutex);
                m_steps.push_back(DecodeSpectrumStepRequest(
                    std::span<const std::uint8_t, kSpectrumStepRequestSize>(
                        static_cast<const std::uint8_t*>(data), kSpectrumStepRequestSize)));
            }
        }
        return m_inner->KsProperty(property, propertyLength, data, dataLength, bytesReturned);
    }
    HRESULT KsMethod(const void* method, std::uint32_t methodLength, void* data,
                     std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        return m_inner->KsMethod(method, methodLength, data, dataLength, bytesReturned);
    }

    std::vector<SpectrumStepRequest> Steps() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_steps, {});
    }

private:
    const std::shared_ptr<IKsControl> m_inner;
    std::mutex m_mutex;
    std::vector<SpectrumStepRequest> m_steps;
};

TEST_F(SweepTest, EveryStepAsksForItsFrequencyAndOnlyEachSweepsFirstSettlesLong) {
    auto graph = MakeGraph(1);
    auto recorder = std::make_shared<StepRecorder>(*graph);
    graph->m_tunerControl = recorder;
    for (int sweep = 0; sweep < 2; ++sweep) {
        SCOPED_TRACE(sweep);
        ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
        ASSERT_TRUE(ReadSweep(m_queue, 1).ended);
        const std::vector<SpectrumStepRequest> steps = recorder->Steps();
        ASSERT_EQ(steps.size(), static_cast<std::size_t>(kSweepPoints));
        for (int i = 0; i < kSweepPoints; ++i) {
            SpectrumStepRequest expected;
            expected.frequencyHz = 950'000'000u + 2'000'000u * static_cast<std::uint32_t>(i);
            expected.settle = i == 0 ? 1000 : 50;
            ASSERT_EQ(steps[i], expected) << "step " << i;
        }
    }
}

TEST_F(SweepTest, WithoutSignalStatisticsEveryPointStillComesAtFullScale) {
    auto graph = MakeGraph(1);
    graph->m_signalStatistics.store(nullptr);
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);

    const Sweep sweep = ReadSweep(m_queue, 1);
    ASSERT_TRUE(sweep.ended);
    ASSERT_EQ(sweep.points.size(), static_cast<std::size_t>(kSweepPoints));
    for (const SpectrumPoint& point : sweep.points) EXPECT_EQ(point.level, 100000);
}

// A card pulled out mid-sweep ends the sweep at the step that found it gone, with its end mark,
// rather than reading nothing for the steps left; the graph says the card is gone.
TEST_F(SweepTest, ACardGoneMidSweepEndsItAtThatStep) {
    card::CardConfig config = card::TestCardConfig();
    config.unplug = card::UnplugPoint{card::UnplugPoint::Request::SpectrumStep, 11};
    InstallCard(std::move(config));
    auto graph = MakeGraph(1);
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);

    const Sweep sweep = ReadSweep(m_queue, 1);
    EXPECT_TRUE(sweep.ended);
    EXPECT_EQ(sweep.points.size(), 10u);
    EXPECT_TRUE(graph->m_cardGone);
}

TEST_F(SweepTest, TuneDuringSweepEndsItThenTunes) {
    PostGate gate(m_queue.ThreadId(), 10);
    bool tunedBeforeEndMark = true;
    gate.atEndMark = [&] { tunedBeforeEndMark = m_card->Status(1).locked != nullptr; };
    auto graph = MakeGraph(1, gate.ThreadId());
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    ASSERT_TRUE(gate.WaitUntilHeld());

    ASSERT_EQ(graph->RequestTune(HelionChannel()), 0);
    gate.Release();

    const Sweep sweep = ReadSweep(m_queue, 1);
    EXPECT_TRUE(sweep.ended);
    EXPECT_EQ(sweep.points.size(), 10u);
    EXPECT_FALSE(tunedBeforeEndMark);
    EXPECT_TRUE(WaitUntil([&] { return m_card->Status(1).locked != nullptr; }));
    EXPECT_EQ(m_card->Status(1).locked->frequencyMHz, 10729u);
}

TEST_F(SweepTest, TeardownDuringSweepPostsTheEndMarkAndJoins) {
    PostGate gate(m_queue.ThreadId(), 5);
    auto graph = MakeGraph(1, gate.ThreadId());
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    ASSERT_TRUE(gate.WaitUntilHeld());

    TunerGraph* const held = graph.get();
    std::thread teardown([&graph] { graph.reset(); });
    EXPECT_TRUE(WaitUntil([held] { return held->m_command == kCommandStop; }));
    gate.Release();
    teardown.join();

    const Sweep sweep = ReadSweep(m_queue, 1);
    EXPECT_TRUE(sweep.ended);
    EXPECT_EQ(sweep.points.size(), 5u);
}

TEST_F(SweepTest, ReportsLostForWantOfMemoryCostTheWorkerNothing) {
    // Every post fails as a receiver out of memory would; the worker goes on sweeping.
    const std::uint32_t starved = FreshThreadId();
    std::atomic<int> posts{0};
    RegisterThreadMessageReceiver(starved, [&posts](ThreadMessage&&) {
        ++posts;
        throw std::bad_alloc();
    });
    auto graph = MakeGraph(1, starved);
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    EXPECT_TRUE(WaitUntil([&] { return posts >= kSweepPoints + 1; }));
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    EXPECT_TRUE(WaitUntil([&] { return posts >= 2 * (kSweepPoints + 1); }));
    graph.reset();
    UnregisterThreadMessageReceiver(starved);
}

// A sweep request waiting in the slot is replaced before the worker takes it. The running sweep
// (held at its first point) ends, then the replaced request gets its own end mark at once.
enum class Replacement { Tune, Diseqc, Sweep, Stop };

std::string ReplacementName(const ::testing::TestParamInfo<Replacement>& info) {
    static const char* const kNames[] = {"Tune", "Diseqc", "Sweep", "Stop"};
    return kNames[static_cast<int>(info.param)];
}

class ReplacedSweepTest : public CardTest, public ::testing::WithParamInterface<Replacement> {};

TEST_P(ReplacedSweepTest, ReplacedRequestStillGetsItsEndMark) {
    PostGate gate(m_queue.ThreadId(), 1);
    auto graph = MakeGraph(1, gate.ThreadId());
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    ASSERT_TRUE(gate.WaitUntilHeld());
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);  // waits in the slot, then is replaced

    const std::uint8_t reset[] = {0xE0, 0x00, 0x00};
    switch (GetParam()) {
        case Replacement::Tune:
            ASSERT_EQ(graph->RequestTune(HelionChannel()), 0);
            break;
        case Replacement::Diseqc:
            ASSERT_EQ(graph->RequestDiseqc(3, reset), 0);
            break;
        case Replacement::Sweep:
            ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
            break;
        case Replacement::Stop:
            break;
    }
    std::thread teardown;
    if (GetParam() == Replacement::Stop) {
        TunerGraph* const held = graph.get();
        teardown = std::thread([&graph] { graph.reset(); });
        ASSERT_TRUE(WaitUntil([held] { return held->m_command == kCommandStop; }));
    }
    gate.Release();

    const Sweep running = ReadSweep(m_queue, 1);
    EXPECT_TRUE(running.ended);
    EXPECT_EQ(running.points.size(), 1u);
    const Sweep replaced = ReadSweep(m_queue, 1);
    EXPECT_TRUE(replaced.ended);
    EXPECT_TRUE(replaced.points.empty());
    if (GetParam() == Replacement::Sweep) {
        const Sweep last = ReadSweep(m_queue, 1);
        EXPECT_TRUE(last.ended);
        EXPECT_EQ(last.points.size(), static_cast<std::size_t>(kSweepPoints));
    }
    if (teardown.joinable()) teardown.join();
    graph.reset();
    // Nothing more: one end mark per request.
    while (std::optional<ThreadMessage> rest = m_queue.TryTake()) {
        EXPECT_NE(rest->message, MSG_SPECTRUM_POINT);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, ReplacedSweepTest,
                         ::testing::Values(Replacement::Tune, Replacement::Diseqc,
                                           Replacement::Sweep, Replacement::Stop),
                         ReplacementName);

}  // namespace
}  // namespace worker_test
