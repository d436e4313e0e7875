// The worker thread of a tuner graph: it carries out the command in the slot, keeps the graph
// running, and reports the signal once a second while it has nothing else to do.
#include <algorithm>
#include <mutex>

#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

namespace {

// The idle pass period: the signal report cadence and the longest an idle worker takes to
// notice a stop.
constexpr std::uint32_t kWakeWaitMs = 1000;
constexpr std::int32_t kGraphStateTimeoutMs = 50000;

}  // namespace

void TunerGraph::WorkerMain() {
    const bool joinedApartment =
        SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE));
    m_wakeEvent->Wait(kWakeWaitMs);
    std::unique_lock lock(*m_lock);
    while (m_command != kCommandStop) {
        const std::uint32_t command = m_command.exchange(kCommandNone);
        const TuneParameters tune = m_pendingTune;
        // The message is copied while the lock is held: a request may overwrite the slot while
        // this one is being sent.
        const std::array<std::uint8_t, 8> diseqc = m_pendingDiseqc;
        const std::uint32_t diseqcLength = m_pendingDiseqcLength;
        const std::uint32_t replacedSweeps = TakeReplacedSweeps(command);
        lock.unlock();
        for (std::uint32_t i = 0; i < replacedSweeps; ++i) PostSweepEnd();
        CarryOut(command, tune, diseqc, diseqcLength);

        m_wakeEvent->Wait(kWakeWaitMs);
        lock.lock();
    }
    if (m_ready == 1) m_mediaControl->Stop();
    const std::uint32_t replacedSweeps = TakeReplacedSweeps(kCommandStop);
    lock.unlock();
    for (std::uint32_t i = 0; i < replacedSweeps; ++i) PostSweepEnd();
    if (joinedApartment) CoUninitialize();
}

void TunerGraph::CarryOut(std::uint32_t command, const TuneParameters& tune,
                          const std::array<std::uint8_t, 8>& diseqc,
                          std::uint32_t diseqcLength) noexcept {
    try {
        switch (command) {
            case kCommandTune:
                NoteCardGone(Tune(tune));
                RunGraphIfStopped();
                break;
            case kCommandDiseqc:
                SendDiseqc(diseqcLength, diseqc.data());
                PostSignalStatus();
                break;
            case kCommandSweep:
                RunGraphIfStopped();
                RunSpectrumSweep();
                break;
            default:  // nothing taken: the wait timed out
                PostSignalStatus();
                break;
        }
    } catch (...) {
    }
}

void TunerGraph::Post(std::uint32_t threadId, std::uint32_t message,
                      MessagePayload payload) noexcept {
    try {
        PostThreadMessage(threadId, message, static_cast<std::uintptr_t>(m_tunerNumber),
                          std::move(payload));
    } catch (...) {
    }
}

std::uint32_t TunerGraph::TakeReplacedSweeps(std::uint32_t command) {
    const std::uint32_t carriedOut = command == kCommandSweep ? 1 : 0;
    const std::uint32_t replaced = m_queuedSweeps - std::min(carriedOut, m_queuedSweeps);
    m_queuedSweeps = 0;
    return replaced;
}

bool TunerGraph::NoteCardGone(HRESULT driverResult) {
    if (driverResult != HRESULT_ERROR_DEVICE_NOT_CONNECTED) return false;
    m_cardGone = true;
    return true;
}

void TunerGraph::RunGraphIfStopped() {
    OAFilterState state = State_Stopped;
    // Anything but a definite "stopped" leaves the graph as it is.
    if (m_mediaControl->GetState(kGraphStateTimeoutMs, &state) == S_OK && state == State_Stopped) {
        m_mediaControl->Run();
    }
}

void TunerGraph::PostSignalStatus() {
    const std::shared_ptr<IBDA_SignalStatistics> statistics = m_signalStatistics.load();
    if (!statistics) return;
    // A failed read leaves 0.
    std::int32_t strength = 0;
    std::int32_t quality = 0;
    statistics->get_SignalStrength(&strength);
    statistics->get_SignalQuality(&quality);
    DvbsSystem system = DVBS_SYSTEM_NOT_SET;
    if (const auto selection = query<IBDA_StreamSelection>(statistics); selection && quality > 0)
        selection->get_LockedSystem(&system);
    const std::uint32_t notifyThreadId = m_notifyThreadId;
    if (notifyThreadId == kNoNotifyThread) return;
    if (auto status = NewRecord(SignalStatus{LevelFromStrength(strength), quality, system})) {
        Post(notifyThreadId, MSG_SIGNAL_STATUS, MessagePayload(std::move(status)));
    }
}
