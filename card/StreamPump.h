// A capture filter's streaming thread. While its tuner is locked it delivers the tuned
// transponder's packets from the output pin, in buffers of whole packets: in real time at the
// transponder's rate, or as fast as the graph takes them. In real time the card's own buffer
// holds what the graph has not taken yet; when it would overflow, the oldest packets are
// dropped and counted as overruns.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "card/SimulatedCard.h"
#include "platform/FilterBase.h"

namespace card {

class StreamPump {
public:
    StreamPump(std::shared_ptr<SimulatedCard> card, int tuner, std::shared_ptr<PinBase> output);
    // Stops and joins.
    ~StreamPump();

    // Returns when the thread has left every downstream filter.
    void Stop();

private:
    void Run();
    // Waits up to `time`; false when stopping.
    bool Pause(std::chrono::steady_clock::duration time);

    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
    const std::shared_ptr<PinBase> m_output;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once everything above exists
};

}  // namespace card
