// The transport stream of one tuner of the test card: while its demodulator is locked and the
// kernel has a feed on its demux, its own thread hands the locked transponder's packets
// (card::TransportStreamGenerator) to the card in commands of whole packets, paced at the
// transponder's useful bit rate times `rateScale` (its tables still at their broadcast intervals
// in wall time). A new lock starts the transponder's stream afresh.
//
// Thread-safety: SetReception and SetFeeds from the event loop; Send is called on the feeder's
// own thread. The destructor stops and joins it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>

#include "card/Sky.h"

namespace testcard {

class StreamFeeder {
public:
    // Hands packets to the card; returns 0 or a negative errno.
    using Send = std::function<int(std::span<const std::uint8_t> packets)>;

    StreamFeeder(Send send, double rateScale);
    ~StreamFeeder();
    StreamFeeder(const StreamFeeder&) = delete;
    StreamFeeder& operator=(const StreamFeeder&) = delete;

    // The transponder now locked (nothing: no lock) and the satellite it is on.
    void SetReception(const card::Transponder* transponder, const card::Satellite* satellite);
    void SetFeeds(int feedsOn);
    std::uint64_t PacketsSent() const { return m_sent.load(); }
    std::uint64_t SendErrors() const { return m_errors.load(); }

private:
    void Run();

    const Send m_send;
    const double m_rateScale;
    std::mutex m_mutex;  // guards the four below
    std::condition_variable m_wake;
    const card::Transponder* m_transponder = nullptr;
    const card::Satellite* m_satellite = nullptr;
    std::uint64_t m_generation = 0;  // changes with every new reception
    int m_feeds = 0;
    bool m_stopping = false;
    std::atomic<std::uint64_t> m_sent{0};
    std::atomic<std::uint64_t> m_errors{0};
    std::thread m_thread;
};

}  // namespace testcard
