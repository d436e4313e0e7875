// The spectrum sweep: the tuner is stepped across the whole IF band and every step's level is
// posted as it is measured. A new command in the slot ends the sweep early, and so does a card
// that is gone: its steps would only read nothing for seconds more. Any other failed step still
// gives its point, as a level read from a tuner that did not move.
#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

namespace {

constexpr std::uint32_t kSweepFirstHz = 950'000'000;
constexpr std::uint32_t kSweepLastHz = 2'150'000'000;
constexpr std::uint32_t kSweepStepHz = 2'000'000;
constexpr std::int32_t kSweepFirstMHz = 950;
constexpr std::int32_t kSweepStepMHz = 2;
// The first step jumps from wherever the tuner was, so it is given longer to settle.
constexpr std::uint32_t kFirstSettle = 1000;
constexpr std::uint32_t kLaterSettle = 50;

}  // namespace

void TunerGraph::RunSpectrumSweep() {
    const std::shared_ptr<IBDA_SignalStatistics> statistics = m_signalStatistics.load();
    std::uint32_t frequencyHz = kSweepFirstHz;
    std::int32_t labelMHz = kSweepFirstMHz;
    std::uint32_t settle = kFirstSettle;
    // m_command is read without the lock: any new command, or the stop, ends the sweep. So does
    // a step that throws; the end mark follows in every case, since the store waits for it.
    try {
        while (frequencyHz <= kSweepLastHz && m_command == kCommandNone) {
            if (NoteCardGone(MeasureSpectrumStep(frequencyHz, settle))) break;
            // Without statistics, or when the read fails, the strength stays 0.
            std::int32_t strength = 0;
            if (statistics) statistics->get_SignalStrength(&strength);
            const std::uint32_t notifyThreadId = m_notifyThreadId;
            if (notifyThreadId != kNoNotifyThread) {
                if (auto point = NewRecord(SpectrumPoint{labelMHz, LevelFromStrength(strength)})) {
                    Post(notifyThreadId, MSG_SPECTRUM_POINT, MessagePayload(std::move(point)));
                }
            }
            settle = kLaterSettle;
            labelMHz += kSweepStepMHz;
            frequencyHz += kSweepStepHz;
        }
    } catch (...) {
    }
    PostSweepEnd();
}

// The end mark is posted whatever m_notifyThreadId holds: the store waits for it to leave its
// busy state.
void TunerGraph::PostSweepEnd() {
    Post(m_notifyThreadId, MSG_SPECTRUM_POINT, MessagePayload());
}
