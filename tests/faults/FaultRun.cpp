#include "FaultRun.h"

#include <gtest/gtest.h>

#include <chrono>

#include "BoundedWait.h"
#include "FileBytes.h"
#include "OpenFiles.h"
#include "RecordingCheck.h"
#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "tuner/WorkerMessages.h"

namespace {

constexpr char kCamName[] = "Kestrel CAM 2.04";
constexpr std::uint8_t kUntouched = 0xA5;

// Each action's name and how often it comes up, in the order of ActionKind.
struct ActionEntry {
    const char* name;
    double weight;
};
constexpr std::array<ActionEntry, 10> kActions{{
    {"create graph", 8},
    {"destroy graph", 3},
    {"tune example channel", 14},
    {"tune random frequency", 8},
    {"sweep", 8},
    {"DiSEqC", 12},
    {"single-cable settings", 12},
    {"CAM menu", 15},
    {"change card faults", 12},
    {"pause", 15},
}};
// A user's pause between two commands, in which the streams flow into the recordings.
constexpr int kLongestPauseMs = 100;

// The CI routing bits of a graph: MTD, bypass, single transponder, and both (single wins).
constexpr std::array<std::uint32_t, 4> kCiFlags{0, GraphFlagCiBypass, GraphFlagCiSingleTransponder,
                                                GraphFlagCiBypass | GraphFlagCiSingleTransponder};

std::shared_ptr<card::SimulatedCard> InstallCard(std::uint32_t seed) {
    ClearDevices();
    ClearComponentClasses();
    RegisterStandInClasses();
    card::CardConfig config = card::TestCardConfig();
    config.noiseSeed = seed;
    // At the transponder's own rate, so that a recording graph writes what a real one would and
    // the files stay small; the sweeps still take no time.
    config.realTimeStream = true;
    return card::InstallSimulatedCard(std::move(config));
}

}  // namespace

std::string Describe(const Action& action) {
    return std::string(kActions[static_cast<std::size_t>(action.kind)].name) + " on tuner " +
           std::to_string(action.tuner);
}

FaultRun::FaultRun(std::uint32_t seed, std::filesystem::path recordFolder,
                   std::vector<ExampleChannel> channels)
    : m_random(seed),
      m_recordFolder(std::move(recordFolder)),
      m_channels(std::move(channels)),
      m_card(InstallCard(seed)),
      m_faults(m_card->Faults()),
      m_store(m_graphs, {}) {}

FaultRun::~FaultRun() {
    for (auto& graph : m_graphs) graph.reset();
    ClearDevices();
    ClearComponentClasses();
}

bool FaultRun::Coin(double probability) {
    return std::bernoulli_distribution(probability)(m_random);
}

int FaultRun::Between(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(m_random);
}

Action FaultRun::NextAction() {
    std::vector<double> weights;
    for (const ActionEntry& entry : kActions) weights.push_back(entry.weight);
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    Action action{static_cast<ActionKind>(pick(m_random)), Between(1, 2)};
    // Everything but a new graph and new faults needs the tuner's graph; without one the user
    // would build it first.
    const bool needsGraph = action.kind != ActionKind::Create &&
                            action.kind != ActionKind::CardFaults &&
                            action.kind != ActionKind::Pause;
    if (needsGraph && !m_graphs[action.tuner - 1]) action.kind = ActionKind::Create;
    return action;
}

void FaultRun::Carry(const Action& action) {
    m_figures.faultsInForce += m_faults.InForce();
    switch (action.kind) {
        case ActionKind::Create:
            CreateGraph(action.tuner);
            break;
        case ActionKind::Destroy:
            DestroyGraph(action.tuner);
            break;
        case ActionKind::TuneExample:
            TuneExample(action.tuner);
            break;
        case ActionKind::TuneRandom:
            TuneRandom(action.tuner);
            break;
        case ActionKind::Sweep:
            Sweep(action.tuner);
            break;
        case ActionKind::Diseqc:
            SendDiseqc(action.tuner);
            break;
        case ActionKind::Unicable:
            UseUnicable(action.tuner);
            break;
        case ActionKind::CamMenu:
            WalkCamMenu(action.tuner);
            break;
        case ActionKind::CardFaults:
            m_faults.Change(m_random);
            break;
        case ActionKind::Pause:
            Pause(std::chrono::milliseconds(Between(1, kLongestPauseMs)));
            break;
    }
    Drain();
}

void FaultRun::Finish() {
    DestroyGraph(1);
    DestroyGraph(2);
    EXPECT_FALSE(m_store.Busy()) << "the spectrum store is busy with no graph left";
    EXPECT_EQ(m_queue.Size(), 0u) << "messages arrived after both graphs were gone";
}

// --- Graphs ---------------------------------------------------------------------------------

void FaultRun::CreateGraph(int tuner) {
    // As the program does: the old graph goes before the new one is built.
    DestroyGraph(tuner);
    const bool recording = Coin(0.5);
    GraphNotes notes;
    notes.dvbsProvider = Coin(0.25);
    RegisterStandInClasses();
    if (notes.dvbsProvider) UnregisterComponentClass(CLSID_NetworkProvider);

    const std::uint32_t flags =
        kCiFlags[m_random() % kCiFlags.size()] | (recording ? GraphFlagRecord : 0);
    auto graph = std::make_unique<TunerGraph>(tuner, flags);
    graph->m_notifyThreadId = m_queue.ThreadId();
    graph->m_tunerNumber = tuner;
    ++m_figures.graphs;
    // No request that construction sends is one the card may fail it for, except the CI mode,
    // which only leaves the CI filter out.
    EXPECT_EQ(graph->m_ready, 1);
    EXPECT_EQ(graph->m_ciFilter != nullptr, !m_faults.Refuses(CardRequest::CiMode, tuner))
        << "the CI filter must be in the graph exactly when the card took its CI mode";
    CheckCamName(*graph, tuner);

    if (recording) {
        ++m_figures.recordingGraphs;
        notes.recordFile = m_recordFolder / ("record-" + std::to_string(++m_recordFiles) + ".ts");
        notes.overrunsAtStart = m_card->Overruns(tuner);
        EXPECT_EQ(graph->SetRecordFile(notes.recordFile->u16string()), S_OK);
    }
    m_graphs[tuner - 1] = std::move(graph);
    m_notes[tuner - 1] = std::move(notes);
}

void FaultRun::DestroyGraph(int tuner) {
    if (!m_graphs[tuner - 1]) return;
    m_graphs[tuner - 1].reset();
    // The worker has been joined: all it ever posted is queued now.
    Drain();
    if (m_sweepTuner == tuner)
        ADD_FAILURE() << "the spectrum store stays busy with a sweep of a graph that is gone";
    CheckRecordFile(tuner);
    m_notes[tuner - 1] = {};
}

void FaultRun::CheckCamName(TunerGraph& graph, int tuner) {
    std::array<std::uint8_t, kCamNameSize> name;
    name.fill(kUntouched);
    const HRESULT hr = graph.GetCamName(name);
    const auto cut = m_faults.ShortAnswer(CardRequest::CamName, tuner);
    if (!graph.m_ciFilter) {
        EXPECT_EQ(hr, E_FAIL);
    } else if (m_faults.Refuses(CardRequest::CamName, tuner)) {
        EXPECT_LT(hr, 0);
    } else if (cut && *cut < kCamNameSize) {
        EXPECT_EQ(hr, E_FAIL) << "a name cut short to " << *cut << " bytes was taken";
    } else {
        EXPECT_EQ(hr, S_OK);
        EXPECT_STREQ(reinterpret_cast<const char*>(name.data()), kCamName);
        return;
    }
    EXPECT_EQ(name[0], kUntouched) << "a failed read of the CAM name changed the caller's buffer";
}

void FaultRun::CheckRecordFile(int tuner) {
    const GraphNotes& notes = m_notes[tuner - 1];
    if (!notes.recordFile) return;
    EXPECT_FALSE(ProcessHoldsOpen(*notes.recordFile)) << "a recording stays open after its graph";
    const std::vector<std::uint8_t> bytes = FileBytes(*notes.recordFile);
    std::filesystem::remove(*notes.recordFile);
    const RecordingCheck check = CheckRecording(bytes);
    ++m_figures.recordings;
    m_figures.recordedPackets += check.packets;
    m_figures.streamRestarts += check.restarts;
    const std::uint64_t lost = m_card->Overruns(tuner) - notes.overrunsAtStart;
    m_figures.packetsLostByCard += lost;

    std::string faults;
    for (const std::string& fault : check.firstFaults) faults += "\n  " + fault;
    EXPECT_TRUE(check.wholePackets) << faults;
    EXPECT_EQ(check.badSyncBytes, 0u) << faults;
    // Packets the card itself dropped (it could not hand them on in time) break the counters
    // where they went missing; the card counts them, so only then are breaks explained.
    if (lost == 0) {
        EXPECT_EQ(check.breaks, 0u) << faults;
    }
}

// --- Messages -------------------------------------------------------------------------------

void FaultRun::Drain() {
    while (std::optional<ThreadMessage> message = m_queue.TryTake()) Dispatch(*message);
}

void FaultRun::Pause(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (const std::uint32_t left = MillisecondsUntil(end)) {
        if (std::optional<ThreadMessage> message = m_queue.Wait(left)) Dispatch(*message);
    }
}

bool FaultRun::WaitForSweepEnd() {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (m_store.Busy()) {
        const std::uint32_t left = MillisecondsUntil(deadline);
        std::optional<ThreadMessage> message = left ? m_queue.Wait(left) : std::nullopt;
        if (!message) return false;
        Dispatch(*message);
    }
    return true;
}

// As the program's handlers: sweep points go to the store, signal reports are read and freed.
void FaultRun::Dispatch(ThreadMessage& message) {
    EXPECT_TRUE(message.wParam == 1 || message.wParam == 2) << "wParam " << message.wParam;
    if (message.message == MSG_SPECTRUM_POINT) {
        m_store.OnSpectrumPoint(message.payload.Take<SpectrumPoint>());
        if (!m_store.Busy()) m_sweepTuner = 0;
    } else {
        EXPECT_EQ(message.message, MSG_SIGNAL_STATUS);
        EXPECT_TRUE(message.payload.Take<SignalStatus>()) << "a signal report without its record";
    }
}
