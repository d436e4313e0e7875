#include "card/TransportStreamGenerator.h"

#include <algorithm>
#include <cstring>

#include "card/PsiSections.h"
#include "card/Scrambler.h"
#include "platform/FilterGraphInterfaces.h"

namespace card {
namespace {

constexpr std::size_t kPayloadSize = kTransportPacketSize - 4;
constexpr double kPatPeriod = 0.1;  // seconds
constexpr double kPmtPeriod = 0.1;
constexpr double kSdtPeriod = 0.5;
constexpr double kNitPeriod = 0.5;
// Elementary stream rates (bit/s); together at most this share of the transponder.
constexpr double kSdVideoRate = 4.0e6;
constexpr double kHdVideoRate = 8.0e6;
constexpr double kAudioRate = 0.192e6;
constexpr double kMaxPayloadShare = 0.85;
// A PES packet starts every this many transport packets of an elementary stream.
constexpr std::uint64_t kPesInterval = 32;
constexpr std::uint8_t kVideoStreamId = 0xE0;
constexpr std::uint8_t kAudioStreamId = 0xC0;
constexpr std::uint8_t kMpeg2Video = 0x02;
constexpr std::uint8_t kH264Video = 0x1B;
constexpr std::uint8_t kMpeg2Audio = 0x04;
constexpr std::uint8_t kTvService = 0x01;
constexpr std::uint8_t kRadioService = 0x02;
constexpr std::uint8_t kHdService = 0x19;

// Splits a section into packet payloads: a pointer field of 0, then the section, then stuffing.
std::vector<std::vector<std::uint8_t>> SectionPayloads(const Section& section) {
    // A pointer field of 0, then the section. Copied byte by byte: g++ 12 mistakes the
    // equivalent std::copy into an offset vector for an overflow at some optimisation levels.
    std::vector<std::uint8_t> data(section.size() + 1, 0);
    for (std::size_t i = 0; i < section.size(); ++i) data[i + 1] = section[i];
    std::vector<std::vector<std::uint8_t>> payloads;
    for (std::size_t at = 0; at < data.size(); at += kPayloadSize) {
        std::vector<std::uint8_t> payload(kPayloadSize, 0xFF);
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at),
                    std::min(kPayloadSize, data.size() - at), payload.begin());
        payloads.push_back(std::move(payload));
    }
    return payloads;
}

void WriteHeader(std::uint8_t* packet, std::uint16_t pid, bool unitStart, std::uint8_t continuity) {
    packet[0] = 0x47;
    packet[1] = static_cast<std::uint8_t>((unitStart ? 0x40 : 0x00) | (pid >> 8));
    packet[2] = static_cast<std::uint8_t>(pid);
    packet[3] = static_cast<std::uint8_t>(0x10 | (continuity & 0x0F));  // payload only
}

// A PES header with a PTS that advances with the packet count, then filler bytes.
void WriteElementaryPayload(std::uint8_t* payload, std::uint8_t streamId, std::uint64_t sent) {
    for (std::size_t i = 0; i < kPayloadSize; ++i)
        payload[i] = static_cast<std::uint8_t>(sent * 7 + i);
    if (sent % kPesInterval != 0) return;
    const std::uint64_t pts = (sent / kPesInterval) * 3600;  // 40 ms in 90 kHz units
    const std::uint8_t header[] = {
        0x00,
        0x00,
        0x01,
        streamId,
        0x00,
        0x00,
        0x80,
        0x80,
        0x05,
        static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x0E)),
        static_cast<std::uint8_t>(pts >> 22),
        static_cast<std::uint8_t>(0x01 | ((pts >> 14) & 0xFE)),
        static_cast<std::uint8_t>(pts >> 7),
        static_cast<std::uint8_t>(0x01 | ((pts << 1) & 0xFE)),
    };
    std::memcpy(payload, header, sizeof header);
}

// Every transponder of the satellite where it is sent.
std::vector<NitEntry> NitEntries(const Satellite& satellite) {
    std::vector<NitEntry> entries;
    for (const Transponder& t : satellite.transponders)
        entries.push_back(
            {t.tsid, t.onid, SatelliteDeliveryDescriptor(t, satellite.orbitalTenths)});
    return entries;
}

}  // namespace

TransportStreamGenerator::TransportStreamGenerator(const Transponder& transponder,
                                                   const Satellite& satellite, double playedAt)
    : m_packetsPerSecond(UsefulBitRate(transponder) / (8.0 * kTransportPacketSize)),
      m_tablePace(playedAt) {
    AddTables(transponder, satellite.name, &satellite);
}

TransportStreamGenerator::TransportStreamGenerator(const Transponder& transponder,
                                                   const std::string& satelliteName)
    : m_packetsPerSecond(UsefulBitRate(transponder) / (8.0 * kTransportPacketSize)) {
    AddTables(transponder, satelliteName, nullptr);
}

void TransportStreamGenerator::AddTables(const Transponder& transponder,
                                         const std::string& provider, const Satellite* satellite) {
    std::vector<PatEntry> programs;
    if (satellite) programs.push_back({0, kNitPid});
    std::vector<SdtService> described;
    double payloadRate = 0;
    for (std::size_t i = 0; i < transponder.services.size(); ++i) {
        const Service& service = transponder.services[i];
        programs.push_back({service.sid, PmtPid(i)});
        described.push_back({service.sid,
                             service.radio ? kRadioService
                             : service.hd  ? kHdService
                                           : kTvService,
                             service.scrambled, EncodeDvbText(provider),
                             EncodeDvbText(service.name)});
        payloadRate += kAudioRate + (service.radio ? 0 : service.hd ? kHdVideoRate : kSdVideoRate);
    }
    AddTable(kPatPid, {MakePat(transponder.tsid, programs)}, kPatPeriod);
    AddTable(kSdtPid, {MakeSdt(transponder.tsid, transponder.onid, described)}, kSdtPeriod);
    if (satellite) {
        // The network is named after the satellite unless its plan names it, and numbered as
        // its first transport stream's original network.
        const std::string& network =
            satellite->network.empty() ? satellite->name : satellite->network;
        const std::uint16_t networkId =
            satellite->transponders.empty() ? transponder.onid : satellite->transponders[0].onid;
        AddTable(kNitPid, MakeNit(networkId, EncodeDvbText(network), NitEntries(*satellite)),
                 kNitPeriod);
    }
    const double scale = std::min(1.0, kMaxPayloadShare * UsefulBitRate(transponder) / payloadRate);
    for (std::size_t i = 0; i < transponder.services.size(); ++i) {
        const Service& service = transponder.services[i];
        std::vector<PmtStream> streams;
        if (!service.radio) {
            streams.push_back({service.hd ? kH264Video : kMpeg2Video, VideoPid(i)});
            AddElementary(VideoPid(i), kVideoStreamId,
                          (service.hd ? kHdVideoRate : kSdVideoRate) * scale, service.scrambled);
        }
        streams.push_back({kMpeg2Audio, AudioPid(i)});
        AddElementary(AudioPid(i), kAudioStreamId, kAudioRate * scale, service.scrambled);
        const auto ca = service.scrambled ? std::optional(CaDescriptor{kSkyCaSystemId, EcmPid(i)})
                                          : std::nullopt;
        AddTable(PmtPid(i), {MakePmt(service.sid, kNullPid, streams, ca)}, kPmtPeriod);
    }
}

void TransportStreamGenerator::AddTable(std::uint16_t pid, const std::vector<Section>& sections,
                                        double period) {
    Stream stream;
    stream.pid = pid;
    for (const Section& section : sections) {
        auto payloads = SectionPayloads(section);
        for (std::size_t i = 0; i < payloads.size(); ++i) {
            stream.tablePayloads.push_back(std::move(payloads[i]));
            stream.startsSection.push_back(i == 0);
        }
    }
    stream.interval = period * m_tablePace / static_cast<double>(stream.tablePayloads.size());
    m_streams.push_back(std::move(stream));
}

void TransportStreamGenerator::AddElementary(std::uint16_t pid, std::uint8_t streamId,
                                             double bitRate, bool scrambled) {
    Stream stream;
    stream.pid = pid;
    stream.interval = 8.0 * kTransportPacketSize / bitRate;
    stream.streamId = streamId;
    stream.scrambled = scrambled;
    m_streams.push_back(std::move(stream));
}

void TransportStreamGenerator::Next(std::size_t count, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    out.resize(start + count * kTransportPacketSize);
    for (std::size_t n = 0; n < count; ++n) {
        std::uint8_t* packet = &out[start + n * kTransportPacketSize];
        const double now = static_cast<double>(m_packetIndex++) / m_packetsPerSecond;
        const auto next =
            std::min_element(m_streams.begin(), m_streams.end(),
                             [](const Stream& a, const Stream& b) { return a.due < b.due; });
        if (next != m_streams.end() && next->due <= now) {
            Emit(*next, packet);
        } else {
            WriteHeader(packet, kNullPid, false, 0);
            std::memset(packet + 4, 0xFF, kPayloadSize);
        }
    }
}

void TransportStreamGenerator::Emit(Stream& stream, std::uint8_t* packet) {
    const bool table = !stream.tablePayloads.empty();
    const bool unitStart =
        table ? stream.startsSection[stream.nextPayload] : stream.sent % kPesInterval == 0;
    WriteHeader(packet, stream.pid, unitStart, stream.continuity);
    if (table) {
        std::memcpy(packet + 4, stream.tablePayloads[stream.nextPayload].data(), kPayloadSize);
        stream.nextPayload = (stream.nextPayload + 1) % stream.tablePayloads.size();
    } else {
        WriteElementaryPayload(packet + 4, stream.streamId, stream.sent);
        if (stream.scrambled) ScramblePacket(packet);
    }
    stream.continuity = static_cast<std::uint8_t>((stream.continuity + 1) & 0x0F);
    ++stream.sent;
    stream.due += stream.interval;
}

}  // namespace card
