// The simulated card's stream source for one capture filter: while the graph runs and its tuner
// is locked, its own thread delivers the tuned transponder's packets in buffers of whole
// packets: in real time at the transponder's rate, or as fast as the graph takes them. In real time the card's own buffer
// holds what the graph has not taken yet; when it would overflow, the oldest packets are
// dropped and counted as overruns. The PIDs the card withholds on the tuned transport stream
// (SimulatedCard::WithholdPid) come as null packets.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "card/SimulatedCard.h"
#include "cardkit/StreamSource.h"

namespace card {

class StreamPump : public cardkit::StreamSource {
public:
    StreamPump(std::shared_ptr<SimulatedCard> card, int tuner);
    // Stops and joins.
    ~StreamPump() override;

    void Start(Deliver deliver) override;
    // Returns when the thread has left every downstream filter.
    void Stop() override;
    std::uint64_t Overruns() const override { return m_overruns.load(); }

private:
    void Run(const Deliver& deliver);
    // Waits up to `time`; false when stopping.
    bool Pause(std::chrono::steady_clock::duration time);

    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
    std::atomic<std::uint64_t> m_overruns{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace card
