// The transport stream of one transponder, packet by packet, at its useful bit rate: PAT, a
// PMT per service (with a CA descriptor for a scrambled one), the SDT and, when the satellite
// is known, the NIT (every transponder of the satellite) repeated at broadcast intervals, a video
// (TV) and an audio elementary stream per service, and null packets filling the rest. Continuity
// counters run per PID; packets of scrambled services leave scrambled (no ECM packets are sent: the
// simulated CAM needs none).
//
// Pure and deterministic: the same transponder gives the same packets.
#pragma once

#include <cstdint>
#include <vector>

#include "card/Sky.h"

namespace card {

inline constexpr std::uint16_t kPatPid = 0x0000;
inline constexpr std::uint16_t kNitPid = 0x0010;
inline constexpr std::uint16_t kSdtPid = 0x0011;
inline constexpr std::uint16_t kNullPid = 0x1FFF;

// PIDs of the i-th service (0-based) of a transponder.
inline std::uint16_t PmtPid(std::size_t service) {
    return static_cast<std::uint16_t>(0x0100 + service);
}
inline std::uint16_t VideoPid(std::size_t service) {
    return static_cast<std::uint16_t>(0x0200 + 0x10 * service);
}
inline std::uint16_t AudioPid(std::size_t service) {
    return static_cast<std::uint16_t>(VideoPid(service) + 1);
}
inline std::uint16_t EcmPid(std::size_t service) {
    return static_cast<std::uint16_t>(VideoPid(service) + 2);
}
// The conditional-access system the sky's scrambled services are scrambled for: the one the
// CAM in the slot says it serves.
inline constexpr std::uint16_t kSkyCaSystemId = 0x0B00;

class TransportStreamGenerator {
public:
    // `transponder` is one of `satellite`'s; the satellite's name is the provider name in the
    // SDT, and its transponders are the NIT's. A stream played at `playedAt` times its bit rate
    // (a card that thins its streams to spare a slow machine) still repeats its tables at their
    // broadcast intervals in wall time, as a receiver waits for them: their periods in the
    // stream's own time shrink by that factor.
    TransportStreamGenerator(const Transponder& transponder, const Satellite& satellite,
                             double playedAt = 1.0);
    // Without the satellite: the SDT names `satelliteName` as the provider, and there is no NIT.
    TransportStreamGenerator(const Transponder& transponder, const std::string& satelliteName);

    double PacketsPerSecond() const { return m_packetsPerSecond; }
    // Appends `count` packets to `out`.
    void Next(std::size_t count, std::vector<std::uint8_t>& out);

private:
    // One PID's packets: either a table's packets in turn or an elementary stream.
    struct Stream {
        std::uint16_t pid = 0;
        double interval = 0;  // seconds between packets
        double due = 0;
        std::vector<std::vector<std::uint8_t>> tablePayloads;  // table streams only
        std::vector<bool> startsSection;  // per table payload: a section begins in it
        std::size_t nextPayload = 0;
        bool scrambled = false;
        std::uint8_t streamId = 0;  // PES stream id of an elementary stream
        std::uint8_t continuity = 0;
        std::uint64_t sent = 0;
    };

    // The PAT, the PMTs and the SDT; the NIT when `satellite` is given.
    void AddTables(const Transponder& transponder, const std::string& provider,
                   const Satellite* satellite);
    void AddTable(std::uint16_t pid, const std::vector<std::vector<std::uint8_t>>& sections,
                  double period);
    void AddElementary(std::uint16_t pid, std::uint8_t streamId, double bitRate, bool scrambled);
    void Emit(Stream& stream, std::uint8_t* packet);

    double m_packetsPerSecond = 0;
    double m_tablePace = 1.0;  // table periods in stream time per second of broadcast interval
    std::uint64_t m_packetIndex = 0;
    std::vector<Stream> m_streams;
};

}  // namespace card
