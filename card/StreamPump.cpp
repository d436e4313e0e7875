#include "card/StreamPump.h"

#include <algorithm>
#include <cmath>

#include "card/TransportStreamGenerator.h"

namespace card {
namespace {

// How often an idle pump looks whether its tuner has locked.
constexpr auto kIdlePoll = std::chrono::milliseconds(10);

const Satellite& SatelliteOf(const Sky& sky, const Transponder& transponder) {
    for (const auto& satellite : sky.positions)
        for (const auto& t : satellite.transponders)
            if (&t == &transponder) return satellite;
    static const Satellite unknown;
    return unknown;
}

// Turns the packets of the withheld PIDs into null packets, so the stream keeps its rate.
void Withhold(std::vector<std::uint8_t>& packets, const std::vector<std::uint16_t>& pids) {
    for (std::size_t at = 0; at + kTransportPacketSize <= packets.size();
         at += kTransportPacketSize) {
        std::uint8_t* const header = packets.data() + at;
        const auto pid = static_cast<std::uint16_t>((header[1] & 0x1F) << 8 | header[2]);
        if (std::find(pids.begin(), pids.end(), pid) == pids.end()) continue;
        header[1] = static_cast<std::uint8_t>(kNullPid >> 8);  // and no unit start
        header[2] = static_cast<std::uint8_t>(kNullPid & 0xFF);
        header[3] = 0x10;  // payload only, not scrambled, counter 0
    }
}

}  // namespace

StreamPump::StreamPump(std::shared_ptr<SimulatedCard> card, int tuner)
    : m_card(std::move(card)), m_tuner(tuner) {}

StreamPump::~StreamPump() {
    Stop();
}

void StreamPump::Start(Deliver deliver) {
    Stop();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }
    m_thread = std::thread([this, deliver = std::move(deliver)] { Run(deliver); });
}

void StreamPump::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

bool StreamPump::Pause(std::chrono::steady_clock::duration time) {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, time, [this] { return m_stopping; });
}

void StreamPump::Run(const Deliver& deliver) {
    const CardConfig& config = m_card->Config();
    const std::size_t perBuffer = std::max<std::size_t>(1, config.packetsPerBuffer);
    const std::size_t cardCapacity = config.cardBufferBytes / kTransportPacketSize;
    std::unique_ptr<TransportStreamGenerator> generator;
    std::vector<std::uint16_t> withheld;
    std::uint64_t generation = 0;
    auto started = std::chrono::steady_clock::now();
    std::uint64_t taken = 0;  // packets delivered or dropped since the lock
    for (;;) {
        const auto reception = m_card->CurrentReception(m_tuner);
        if (!reception.transponder) {
            generator.reset();
            if (!Pause(kIdlePoll)) return;
            continue;
        }
        if (!generator || reception.generation != generation) {
            generator = std::make_unique<TransportStreamGenerator>(
                *reception.transponder, SatelliteOf(config.sky.Get(), *reception.transponder));
            generation = reception.generation;
            withheld = m_card->WithheldPids(reception.transponder->tsid);
            started = std::chrono::steady_clock::now();
            taken = 0;
        }
        if (config.realTimeStream) {
            const std::chrono::duration<double> elapsed =
                std::chrono::steady_clock::now() - started;
            const auto produced =
                static_cast<std::uint64_t>(elapsed.count() * generator->PacketsPerSecond());
            std::uint64_t waiting = produced - std::min(produced, taken);
            if (waiting > cardCapacity) {
                // The graph held the stream back too long: what no longer fits is lost.
                const std::uint64_t lost = waiting - cardCapacity;
                std::vector<std::uint8_t> discarded;
                generator->Next(lost, discarded);
                m_card->AddOverruns(m_tuner, lost);
                m_overruns += lost;
                taken += lost;
                waiting = cardCapacity;
            }
            if (waiting < perBuffer) {
                const double missing = static_cast<double>(perBuffer - waiting);
                if (!Pause(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(missing / generator->PacketsPerSecond()))))
                    return;
                continue;
            }
        }
        auto buffer = std::make_shared<std::vector<std::uint8_t>>();
        buffer->reserve(perBuffer * kTransportPacketSize);
        generator->Next(perBuffer, *buffer);
        Withhold(*buffer, withheld);
        taken += perBuffer;
        deliver(buffer);
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) return;
        }
    }
}

}  // namespace card
