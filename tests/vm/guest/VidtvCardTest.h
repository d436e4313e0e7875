// What every guest check builds on: vidtv's frontend installed as the card through the backend,
// over the real kernel watched by ObservedKernel, the stand-in classes, and graphs that post to
// the test thread's own queue; plus the bounded waits for what the worker reports.
//
// Runs only inside the test machine (tests/vm/run.sh), where vidtv is loaded with the
// frequencies of ORVALEN_VM_FREQS. Everything is on the test's thread except the worker and
// the stream reader of each graph.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "FrequencySetting.h"
#include "NoteTime.h"
#include "ObservedKernel.h"
#include "linuxdvb/InstallDvbCard.h"
#include "platform/ThreadMessageQueue.h"
#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

namespace vm {

inline constexpr const char* kDvbRoot = "/dev/dvb";
inline constexpr const char* kVidtvFrontend = "/dev/dvb/adapter0/frontend0";
// Spectrum steps at a fifth of a real card's settle time (10 ms after the first step). vidtv
// settles at once, but only when the frontend's own thread has carried out the step's tune,
// which in a machine without acceleration may take a few milliseconds.
inline constexpr double kSettleScale = 0.2;
// Generous bounds for a virtual machine without acceleration on a busy host; none of them is a
// statement about speed.
inline constexpr std::uint32_t kLockWaitMs = 30000;
inline constexpr int kReportsWithoutLock = 3;

// Tune parameters for `transponder` as a channel list gives vidtv's service there
// (horizontal; `lnbSource` 0: no DiSEqC switch).
TuneParameters VidtvChannel(const Transponder& transponder, std::uint32_t lnbSource = 0);

// The number of threads this process runs now.
int ThreadCount();

class VidtvCardTest : public ::testing::Test {
protected:
    VidtvCardTest();
    ~VidtvCardTest() override;

    std::unique_ptr<TunerGraph> MakeGraph(std::int32_t tuner, std::uint32_t flags = 0);

    // Requests the tune, waits until the frontend has been tuned for it, and drops the reports
    // that may have been made before: what comes next describes the new tune.
    void Tune(TunerGraph& graph, const TuneParameters& parameters, std::uint32_t expectedKHz);
    // The first report with a quality above 0 within kLockWaitMs. Notes the time from the
    // last Tune's request to that report.
    std::optional<SignalStatus> WaitForLock();
    // The next `count` reports (fewer when they stop coming).
    std::vector<SignalStatus> NextReports(int count);
    // The strength vidtv reports now, read on a descriptor of the test's own.
    std::optional<std::int64_t> VidtvStrength();

    const std::vector<Transponder>& m_frequencies = FrequenciesUnderTest();
    std::shared_ptr<ObservedKernel> m_kernel = std::make_shared<ObservedKernel>();
    std::shared_ptr<linuxdvb::DvbCard> m_card;
    ThreadMessageQueue m_queue;

private:
    std::chrono::steady_clock::time_point m_tuneRequested{};
    std::uint32_t m_tunedKHz = 0;
};

}  // namespace vm
