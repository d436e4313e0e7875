// The command slot: the user-interface thread drops one command into it and wakes the worker.
// A newer request replaces one the worker has not taken yet.
#include <algorithm>
#include <mutex>

#include "tuner/TunerGraph.h"

namespace {

constexpr std::int32_t kQueued = S_OK;
constexpr std::int32_t kRefused = S_FALSE;
constexpr std::int32_t kMaxDiseqcLength = 8;

// Stores a command under the lock unless teardown has already asked the worker to stop.
// `storePending` fills the command's pending values while the lock is held.
template <class StorePending>
std::int32_t QueueCommand(TunerGraph& graph, std::uint32_t command, StorePending storePending) {
    std::lock_guard lock(*graph.m_lock);
    if (graph.m_command == kCommandStop) return kRefused;
    storePending();
    graph.m_command = command;
    // Without a wake event no worker runs; the command simply waits for ever, as it would.
    if (graph.m_wakeEvent) graph.m_wakeEvent->Set();
    return kQueued;
}

}  // namespace

std::int32_t TunerGraph::RequestTune(const TuneParameters& parameters) {
    if (m_ready == 0) return kRefused;
    return QueueCommand(*this, kCommandTune, [&] { m_pendingTune = parameters; });
}

std::int32_t TunerGraph::RequestDiseqc(std::int32_t length, const std::uint8_t* bytes) {
    if (m_ready == 0 || length <= 0 || length > kMaxDiseqcLength || bytes == nullptr) {
        return kRefused;
    }
    return QueueCommand(*this, kCommandDiseqc, [&] {
        m_pendingDiseqc.fill(0);
        std::copy_n(bytes, length, m_pendingDiseqc.begin());
        m_pendingDiseqcLength = static_cast<std::uint32_t>(length);
    });
}

std::int32_t TunerGraph::RequestSpectrumSweep() {
    if (m_ready == 0) return kRefused;
    return QueueCommand(*this, kCommandSweep, [&] { ++m_queuedSweeps; });
}
