#include "StreamFeeder.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "card/TransportStreamGenerator.h"

namespace testcard {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPacket = 188;
// One command carries at most this many packets (the control device takes 64 KiB a command).
constexpr std::size_t kPacketsPerCommand = 65536 / kPacket;
constexpr auto kTick = std::chrono::milliseconds(10);
// After a stall the stream does not catch up by more than this much.
constexpr double kMostBehindSeconds = 0.2;

}  // namespace

StreamFeeder::StreamFeeder(Send send, double rateScale)
    : m_send(std::move(send)), m_rateScale(rateScale), m_thread([this] { Run(); }) {}

StreamFeeder::~StreamFeeder() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void StreamFeeder::SetReception(const card::Transponder* transponder,
                                const card::Satellite* satellite) {
    {
        std::lock_guard lock(m_mutex);
        m_transponder = transponder;
        m_satellite = satellite;
        ++m_generation;
    }
    m_wake.notify_all();
}

void StreamFeeder::SetFeeds(int feedsOn) {
    {
        std::lock_guard lock(m_mutex);
        m_feeds = feedsOn;
    }
    m_wake.notify_all();
}

void StreamFeeder::Run() {
    std::unique_ptr<card::TransportStreamGenerator> generator;
    std::uint64_t generation = 0;
    Clock::time_point started;
    double packetsDue = 0;  // since `started`
    std::vector<std::uint8_t> packets;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, kTick, [this] { return m_stopping; });
        if (m_stopping) return;
        if (!m_transponder || m_feeds <= 0) {
            generator.reset();
            continue;
        }
        if (!generator || generation != m_generation) {
            // With the satellite, so the stream carries the NIT a scanner follows; its tables
            // keep their broadcast intervals however much the stream is thinned.
            generator = std::make_unique<card::TransportStreamGenerator>(*m_transponder,
                                                                         *m_satellite, m_rateScale);
            generation = m_generation;
            started = Clock::now();
            packetsDue = 0;
        }
        lock.unlock();
        const double rate = generator->PacketsPerSecond() * m_rateScale;
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        packetsDue = std::max(packetsDue, elapsed * rate - rate * kMostBehindSeconds);
        while (packetsDue + 1 <= elapsed * rate) {
            const auto count = std::min<std::size_t>(
                kPacketsPerCommand, static_cast<std::size_t>(elapsed * rate - packetsDue));
            packets.clear();
            generator->Next(count, packets);
            if (m_send(packets) == 0)
                m_sent += count;
            else
                ++m_errors;
            packetsDue += static_cast<double>(count);
        }
        lock.lock();
    }
}

}  // namespace testcard
