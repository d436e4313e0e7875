// One seeded fault run on the simulated card: graphs for both tuners built (plain and recording,
// every CI mode, either network provider) and torn down, tuned, swept, sent DiSEqC, given
// single-cable settings and walked through the CAM menu in a random order, with pauses in which
// the streams flow, while the card refuses, cuts short and delays random requests. Each action
// checks what must hold whatever the card answers. What the workers post reaches a real spectrum
// store, as in the program.
//
// Runs on the thread that creates it, which plays the user-interface thread. The seed fixes the
// order of actions and faults; the threads' timing stays the machine's.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ExampleChannels.h"
#include "FaultInjector.h"
#include "card/SimulatedCard.h"
#include "platform/ThreadMessageQueue.h"
#include "spectrum/SpectrumStore.h"
#include "tuner/TunerGraph.h"

enum class ActionKind {
    Create,
    Destroy,
    TuneExample,
    TuneRandom,
    Sweep,
    Diseqc,
    Unicable,
    CamMenu,
    CardFaults,
    Pause,
};

struct Action {
    ActionKind kind = ActionKind::Create;
    int tuner = 1;
};

// What a run went through, for its report.
struct FaultRunFigures {
    int graphs = 0;
    int recordingGraphs = 0;
    int recordings = 0;
    std::uint64_t recordedPackets = 0;
    std::uint64_t streamRestarts = 0;
    std::uint64_t packetsLostByCard = 0;  // the card's overruns while a file was written
    int locksChecked = 0;
    int sweepsStarted = 0;
    int fullSweeps = 0;
    int diseqcMessages = 0;
    int unicableReads = 0;
    int mmiObjects = 0;
    std::size_t faultsInForce = 0;  // summed over the actions
};

class FaultRun {
public:
    FaultRun(std::uint32_t seed, std::filesystem::path recordFolder,
             std::vector<ExampleChannel> channels);
    ~FaultRun();
    FaultRun(const FaultRun&) = delete;
    FaultRun& operator=(const FaultRun&) = delete;

    Action NextAction();
    void Carry(const Action& action);
    // Tears both graphs down and checks what they left behind.
    void Finish();

    const FaultRunFigures& Figures() const { return m_figures; }

private:
    // What the run remembers of a graph it built.
    struct GraphNotes {
        std::optional<std::filesystem::path> recordFile;
        std::uint64_t overrunsAtStart = 0;
        bool dvbsProvider = false;
    };

    TunerGraph& Graph(int tuner) { return *m_graphs[tuner - 1]; }
    bool Coin(double probability);
    int Between(int low, int high);

    void CreateGraph(int tuner);
    void DestroyGraph(int tuner);
    void CheckCamName(TunerGraph& graph, int tuner);
    void CheckRecordFile(int tuner);
    void TuneExample(int tuner);
    void TuneRandom(int tuner);
    void Sweep(int tuner);
    void SendDiseqc(int tuner);
    std::vector<std::uint8_t> RandomDiseqcMessage();
    // A single-cable configuration to write: off, a valid one, or one with a value out of range.
    struct ScifChoice {
        card::ScifConfig config;
        bool valid = true;
    };
    void UseUnicable(int tuner);
    ScifChoice RandomScif();
    void WriteUnicable(int tuner);
    void ReadUnicable(int tuner);
    void WalkCamMenu(int tuner);
    void ExpectCiResult(HRESULT hr, CardRequest request, int tuner, bool hasCi);
    bool AnswerMmiObject(TunerGraph& graph);

    // The messages the workers posted: every one that has arrived, or (the wait) until the
    // store's sweep has ended; false when it did not end within the bounded wait.
    void Drain();
    void Pause(std::chrono::milliseconds time);
    bool WaitForSweepEnd();
    void Dispatch(ThreadMessage& message);

    std::mt19937 m_random;
    const std::filesystem::path m_recordFolder;
    const std::vector<ExampleChannel> m_channels;
    std::shared_ptr<card::SimulatedCard> m_card;
    FaultInjector m_faults;
    ThreadMessageQueue m_queue;
    TunerGraphSlots m_graphs;
    std::array<GraphNotes, 2> m_notes;
    SpectrumStore m_store;
    int m_sweepTuner = 0;  // whose sweep keeps the store busy; 0 when it is not
    int m_recordFiles = 0;
    FaultRunFigures m_figures;
};

std::string Describe(const Action& action);
