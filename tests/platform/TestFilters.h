// Filters that tests put into graphs: a source that pushes numbered packets on its own thread,
// and a sink that keeps everything it receives.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FilterBase.h"

// Packet `index` of the test stream: sync byte, the index, then a pattern that depends on it.
std::vector<std::uint8_t> TestPackets(std::uint64_t first, std::uint64_t count);

// Pushes buffers of `packetsPerBuffer` packets numbered on from 0 while running, until
// `totalPackets` have been delivered (0: until stopped). Only buffers that the connected pin
// accepted count as delivered. Stop joins the thread.
class TestSource : public FilterBase {
public:
    explicit TestSource(std::size_t packetsPerBuffer, std::uint64_t totalPackets = 0);
    ~TestSource() override;

    std::uint64_t PacketsDelivered() const;
    // Waits until at least `packets` were delivered (or the source ended); false after 30 s.
    bool WaitForPackets(std::uint64_t packets);
    std::shared_ptr<PinBase> Output() const { return Pins().front(); }

protected:
    void OnRun() override;
    void OnStop() override;

private:
    void Push();

    const std::size_t m_packetsPerBuffer;
    const std::uint64_t m_totalPackets;
    mutable std::mutex m_mutex;
    std::condition_variable m_progress;
    std::uint64_t m_delivered = 0;
    bool m_stop = false;
    bool m_ended = false;
    std::thread m_thread;
};

// Keeps every buffer it receives and the id of the thread that delivered it.
class CollectingSink : public FilterBase {
public:
    CollectingSink();

    std::vector<std::uint8_t> Bytes() const;
    std::vector<MediaBuffer> Buffers() const;
    std::vector<std::uint32_t> ReceivingThreads() const;
    std::shared_ptr<PinBase> Input() const { return Pins().front(); }

private:
    mutable std::mutex m_mutex;
    std::vector<MediaBuffer> m_buffers;
    std::vector<std::uint32_t> m_threads;
};
