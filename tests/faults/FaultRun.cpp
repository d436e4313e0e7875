#include "FaultRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <span>
#include <thread>

#include "FileBytes.h"
#include "OpenFiles.h"
#include "RecordingCheck.h"
#include "card/InstallSimulatedCard.h"
#include "dialogs/MmiStrings.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "tuner/WorkerMessages.h"
#include "tuner/driver/MmiObject.h"

namespace {

// Every wait is bounded and generous: running out of it means something hangs, not that the
// machine is slow.
constexpr auto kWaitLimit = std::chrono::seconds(20);
constexpr int kSweepPoints = 601;
constexpr char kCamName[] = "Kestrel CAM 2.04";
constexpr std::uint8_t kUntouched = 0xA5;
constexpr std::uint32_t kUntouchedWord = 0xA5A5A5A5u;
constexpr std::uint32_t kScifUnset = 0xFFFFFFFFu;
constexpr std::uint32_t kScifAnswerBytes = 16;
constexpr std::size_t kMmiHeaderStrings = 3;  // title, subtitle, bottom line
constexpr int kMmiRounds = 3;

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

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// 0 once the time has come.
std::uint32_t MillisecondsUntil(std::chrono::steady_clock::time_point time) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        time - std::chrono::steady_clock::now());
    return static_cast<std::uint32_t>(std::max<std::int64_t>(left.count(), 0));
}

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

// --- Tuning and sweeps ------------------------------------------------------------------------

void FaultRun::TuneExample(int tuner) {
    std::vector<const ExampleChannel*> ofTuner;
    for (const ExampleChannel& channel : m_channels)
        if (channel.tuner == tuner) ofTuner.push_back(&channel);
    ASSERT_FALSE(ofTuner.empty());
    const TuneParameters& channel = ofTuner[m_random() % ofTuner.size()]->parameters;
    EXPECT_EQ(Graph(tuner).RequestTune(channel), 0);

    // Where the card's answers cannot have steered the tune elsewhere, it must lock: no
    // single-cable router in the way, and the LNB source taken (the generic provider sets it
    // on the control node; the DVB-S provider through a request the card may refuse).
    const bool sourceRefused =
        m_notes[tuner - 1].dvbsProvider && m_faults.Refuses(CardRequest::DiseqcLnbSource, tuner);
    if (m_card->Status(tuner).scif.Enabled() || sourceRefused) return;
    ++m_figures.locksChecked;
    EXPECT_TRUE(WaitUntil([&] {
        const card::Transponder* locked = m_card->Status(tuner).locked;
        return locked && locked->frequencyMHz * 1000 == channel.frequencyKHz;
    })) << "the tuner did not lock to the example channel at "
        << channel.frequencyKHz << " kHz";
}

void FaultRun::TuneRandom(int tuner) {
    // Anywhere from below the low band to above the high band, so that some tunes fall outside
    // the IF band; every LNB source is one of the four (no source would switch DiSEqC off).
    TuneParameters parameters;
    parameters.frequencyKHz = static_cast<std::uint32_t>(Between(9'500'000, 13'000'000));
    parameters.symbolRate = Between(1000, 45000);
    parameters.onid = Coin(0.5) ? -1 : Between(0, 0xFFFF);
    parameters.tsid = Coin(0.5) ? -1 : Between(0, 0xFFFF);
    parameters.sid = Coin(0.5) ? -1 : Between(0, 0xFFFF);
    parameters.polarisation = Coin(0.1) ? -1 : Between(1, 4);
    parameters.lnbSource = static_cast<std::uint32_t>(Between(1, 4));
    EXPECT_EQ(Graph(tuner).RequestTune(parameters), 0);
}

void FaultRun::Sweep(int tuner) {
    const bool wasBusy = m_store.Busy();
    const std::int32_t slot = m_store.CurrentSlot();
    m_store.StartSpectrumTrace(tuner - 1);
    const bool started = !wasBusy && m_store.Busy();
    if (started) {
        m_sweepTuner = tuner;
        ++m_figures.sweepsStarted;
    }
    // Some sweeps run to their end; the others are cut short by whatever comes next.
    if (!Coin(0.4)) return;
    ASSERT_TRUE(WaitForSweepEnd()) << "a sweep did not end";
    if (started) {
        // Nothing else was asked of the worker meanwhile, so every step must have arrived,
        // whatever the card answered to them.
        EXPECT_EQ(m_store.Traces()[slot].count, kSweepPoints);
        ++m_figures.fullSweeps;
    }
}

// --- DiSEqC and single-cable ------------------------------------------------------------------

void FaultRun::SendDiseqc(int tuner) {
    if (Coin(0.2)) {
        constexpr std::array<std::int32_t, 4> kInvalidLengths{0, 9, 16, -1};
        std::array<std::uint8_t, 16> bytes{};
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(m_random());
        const std::int32_t length = kInvalidLengths[m_random() % kInvalidLengths.size()];
        EXPECT_EQ(Graph(tuner).RequestDiseqc(length, bytes.data()), 1) << "length " << length;
        return;
    }
    const std::vector<std::uint8_t> message = RandomDiseqcMessage();
    const std::size_t logged = m_card->BusLog().size();
    EXPECT_EQ(Graph(tuner).RequestDiseqc(static_cast<std::int32_t>(message.size()), message.data()),
              0);
    ++m_figures.diseqcMessages;
    if (m_faults.Refuses(CardRequest::DiseqcSend, tuner)) return;
    // The message must reach the cable exactly as given, after whatever the worker was busy with.
    const card::BusMessage expected{tuner, message};
    EXPECT_TRUE(WaitUntil([&] {
        const auto log = m_card->BusLog();
        return std::find(log.begin() + static_cast<std::ptrdiff_t>(std::min(logged, log.size())),
                         log.end(), expected) != log.end();
    })) << "the DiSEqC message never reached the bus";
}

std::vector<std::uint8_t> FaultRun::RandomDiseqcMessage() {
    // A committed switch (which moves the dish's LNB), a single-cable command, or any bytes.
    const int kind = Between(0, 9);
    if (kind < 3) return {0xE0, 0x10, 0x38, static_cast<std::uint8_t>(0xF0 | Between(0, 15))};
    std::vector<std::uint8_t> message(static_cast<std::size_t>(Between(1, 8)));
    for (auto& byte : message) byte = static_cast<std::uint8_t>(m_random());
    if (kind < 4 && message.size() >= 3) {
        message[0] = 0xE0;
        message[1] = 0x10;
        message[2] = 0x5A;
    }
    return message;
}

void FaultRun::UseUnicable(int tuner) {
    if (Coin(0.65)) WriteUnicable(tuner);
    ReadUnicable(tuner);
}

FaultRun::ScifChoice FaultRun::RandomScif() {
    const int kind = Between(0, 7);
    if (kind < 3) return {{kScifUnset, kScifUnset, kScifUnset, 0}, true};
    card::ScifConfig config{
        static_cast<std::uint32_t>(Between(0, 7)), static_cast<std::uint32_t>(Between(950, 2150)),
        Coin(0.5) ? kScifUnset : static_cast<std::uint32_t>(Between(0, 255)), 0};
    // One value out of range, now and then: the card must refuse it and keep what it had.
    switch (kind) {
        case 5:
            config.userBand = static_cast<std::uint32_t>(Between(8, 255));
            return {config, false};
        case 6:
            config.frequencyMHz =
                static_cast<std::uint32_t>(Coin(0.5) ? Between(0, 949) : Between(2151, 5000));
            return {config, false};
        case 7:
            config.pin = static_cast<std::uint32_t>(Between(256, 0x7FFFFFFF));
            return {config, false};
        default:
            return {config, true};
    }
}

void FaultRun::WriteUnicable(int tuner) {
    TunerGraph& graph = Graph(tuner);
    const card::ScifConfig before = m_card->Status(tuner).scif;
    const auto [sent, valid] = RandomScif();
    const HRESULT hr =
        sent.userBand == kScifUnset
            ? graph.ClearScif()
            : graph.SetScif(static_cast<std::uint8_t>(sent.userBand), sent.frequencyMHz, sent.pin);
    if (m_faults.Refuses(CardRequest::ScifSet, tuner) || !valid) {
        EXPECT_LT(hr, 0);
    } else {
        EXPECT_EQ(hr, S_OK);
    }
    // Whatever the answer, the card holds what the program was told it holds.
    const card::ScifConfig after = m_card->Status(tuner).scif;
    EXPECT_TRUE(SUCCEEDED(hr) ? after == sent : after == before)
        << "result " << hr << ", user band " << after.userBand;
}

void FaultRun::ReadUnicable(int tuner) {
    std::uint8_t index = kUntouched;
    std::uint32_t frequency = kUntouchedWord;
    std::uint32_t pin = kUntouchedWord;
    const HRESULT hr = Graph(tuner).GetScif(&index, &frequency, &pin);
    ++m_figures.unicableReads;
    const auto cut = m_faults.ShortAnswer(CardRequest::ScifGet, tuner);
    if (m_faults.Refuses(CardRequest::ScifGet, tuner)) {
        EXPECT_LT(hr, 0);
    } else if (cut && *cut < kScifAnswerBytes) {
        EXPECT_EQ(hr, S_FALSE) << "an answer of " << *cut << " bytes was taken as whole";
    } else {
        const card::ScifConfig held = m_card->Status(tuner).scif;
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(index, static_cast<std::uint8_t>(held.userBand));
        EXPECT_EQ(frequency, held.frequencyMHz);
        EXPECT_EQ(pin, held.pin);
        return;
    }
    EXPECT_TRUE(index == kUntouched && frequency == kUntouchedWord && pin == kUntouchedWord)
        << "a failed read changed the caller's values";
}

// --- CAM menu -------------------------------------------------------------------------------

void FaultRun::WalkCamMenu(int tuner) {
    TunerGraph& graph = Graph(tuner);
    const bool hasCi = graph.m_ciFilter != nullptr;
    const int start = Between(0, 9);
    if (start == 0) {
        ExpectCiResult(graph.CamReset(), CardRequest::CamReset, tuner, hasCi);
    } else if (start == 1) {
        ExpectCiResult(graph.MmiClose(), CardRequest::MmiClose, tuner, hasCi);
    } else if (start < 5) {
        ExpectCiResult(graph.MmiOpen(), CardRequest::MmiOpen, tuner, hasCi);
    }
    for (int rounds = Between(1, kMmiRounds); rounds > 0; --rounds) {
        if (!AnswerMmiObject(graph)) return;
    }
}

void FaultRun::ExpectCiResult(HRESULT hr, CardRequest request, int tuner, bool hasCi) {
    if (!hasCi) {
        EXPECT_EQ(hr, E_FAIL);
    } else if (m_faults.Refuses(request, tuner)) {
        EXPECT_LT(hr, 0);
    } else {
        EXPECT_EQ(hr, S_OK);
    }
}

// Reads the CAM's object and answers it as a user might: a choice (sometimes one beyond the
// items), back, the PIN, a wrong PIN, an overlong answer, a cancel, now and then for an object
// id the CAM never showed. False when there was no object to answer.
bool FaultRun::AnswerMmiObject(TunerGraph& graph) {
    std::uint32_t objectId = 0;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t textLength = 0;
    std::array<std::uint8_t, kMmiTextSize> text{};
    const HRESULT hr = graph.MmiGet(&objectId, &type, &count, &textLength, text.data());
    if (!graph.m_ciFilter) {
        EXPECT_EQ(hr, E_FAIL);
    }
    if (FAILED(hr)) return false;
    ++m_figures.mmiObjects;

    const auto reported =
        std::span<const std::uint8_t>(text).first(std::min<std::size_t>(textLength, text.size()));
    const std::uint32_t answerId = Coin(0.1) ? objectId + 1000 : objectId;
    HRESULT answered = S_OK;
    // The text is decoded as the dialog shows it, whatever the driver reported.
    if (type == kMmiTypeEnquiry || type == kMmiTypeEnquiryAlt) {
        DecodeMmiText(reported);
        static const std::array<std::string, 4> kAnswers{"1234", "0000", "", std::string(40, '7')};
        const std::string& answer = kAnswers[m_random() % kAnswers.size()];
        answered =
            graph.MmiAnswerEnquiry(answerId, reinterpret_cast<const std::uint8_t*>(answer.data()),
                                   static_cast<std::uint32_t>(answer.size()));
    } else {
        const std::size_t items = count == kMmiNoItemCount ? 0 : count;
        DecodeMmiStrings(reported, kMmiHeaderStrings + items);
        const std::uint32_t choice =
            type == kMmiTypeMenu
                ? static_cast<std::uint32_t>(Between(0, static_cast<int>(items) + 1))
                : (Coin(0.9) ? 0u : 1u);
        answered = graph.MmiAnswerMenu(answerId, choice);
    }
    if (answered != S_OK || answerId != objectId) return true;

    // An answer the CAM took moves it on: the object answered never shows again.
    std::uint32_t nextId = 0;
    const HRESULT next = graph.MmiGet(&nextId, &type, &count, &textLength, text.data());
    if (SUCCEEDED(next)) {
        EXPECT_NE(nextId, objectId) << "the CAM took an answer and still shows the same object";
    }
    return true;
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
