#include "card/PsiSections.h"

#include <algorithm>
#include <cstdlib>

#include "cardkit/Crc32.h"

namespace card {
namespace {

constexpr std::uint8_t kPatTableId = 0x00;
constexpr std::uint8_t kPmtTableId = 0x02;
constexpr std::uint8_t kCaDescriptorTag = 0x09;
constexpr std::uint16_t kCaDescriptorSize = 6;  // tag, length, system, PID
constexpr std::uint8_t kSdtActualTableId = 0x42;
constexpr std::uint8_t kNitActualTableId = 0x40;
constexpr std::uint8_t kNetworkNameDescriptor = 0x40;
constexpr std::uint8_t kSatelliteDeliveryDescriptor = 0x43;
constexpr std::size_t kSatelliteDeliverySize = 11;
constexpr std::size_t kCrcSize = 4;
constexpr std::uint8_t kServiceDescriptor = 0x48;
constexpr std::uint8_t kRunning = 4;
constexpr std::uint8_t kUtf8Selector = 0x15;
constexpr std::size_t kMaxSectionSize = 1024;  // SDT, NIT: section_length at most 1021
constexpr std::size_t kMaxTextLength = 120;    // both names share one 255-byte descriptor

void Put16(Section& s, std::uint32_t value) {
    s.push_back(static_cast<std::uint8_t>(value >> 8));
    s.push_back(static_cast<std::uint8_t>(value));
}

// Starts a long-form section: table id, length placeholder, id extension, version 0 current,
// section 0 of 0 (a table of several sections numbers them when it is complete).
Section Begin(std::uint8_t tableId, std::uint16_t idExtension) {
    Section s{tableId, 0, 0};
    Put16(s, idExtension);
    s.push_back(0xC1);  // reserved bits, version 0, current_next_indicator
    s.push_back(0);     // section_number
    s.push_back(0);     // last_section_number
    return s;
}

// `value` as `digits` binary-coded decimal digits from the high nibble of out[at] on.
void PutBcd(Section& out, std::size_t at, std::uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) {
        std::uint8_t& byte = out[at + static_cast<std::size_t>(i / 2)];
        const auto digit = static_cast<std::uint8_t>(value % 10);
        byte = i % 2 == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | digit << 4)
                          : static_cast<std::uint8_t>((byte & 0xF0) | digit);
    }
}

// The four-bit codes of the inner code rates, and of the roll-offs of DVB-S2 (DVB-S codes 0).
std::uint8_t FecCode(const Transponder& t) {
    constexpr std::uint8_t kRates[][3] = {{1, 2, 1}, {2, 3, 2}, {3, 4, 3}, {5, 6, 4}, {7, 8, 5},
                                          {8, 9, 6}, {3, 5, 7}, {4, 5, 8}, {9, 10, 9}};
    for (const auto& rate : kRates)
        if (rate[0] == t.codeRateNumerator && rate[1] == t.codeRateDenominator) return rate[2];
    return 0;  // a rate the descriptor has no code for (DVB-S2's 1/4, 1/3, 2/5)
}
std::uint8_t RollOffCode(const Transponder& t) {
    if (t.modulation == Modulation::DvbsQpsk || t.rollOff > 0.3) return 0;
    return t.rollOff > 0.22 ? 1 : 2;
}

// Fills in the section length (syntax indicator set) and appends the CRC.
Section Finish(Section s) {
    const std::size_t length = s.size() - 3 + 4;
    s[1] = static_cast<std::uint8_t>(0xB0 | ((length >> 8) & 0x0F));
    s[2] = static_cast<std::uint8_t>(length);
    const std::uint32_t crc = cardkit::Crc32Mpeg(s);
    for (int shift = 24; shift >= 0; shift -= 8)
        s.push_back(static_cast<std::uint8_t>(crc >> shift));
    return s;
}

}  // namespace

Section MakePat(std::uint16_t tsid, const std::vector<PatEntry>& programs) {
    Section s = Begin(kPatTableId, tsid);
    for (const auto& program : programs) {
        Put16(s, program.programNumber);
        Put16(s, 0xE000u | program.pmtPid);
    }
    return Finish(std::move(s));
}

Section MakePmt(std::uint16_t programNumber, std::uint16_t pcrPid,
                const std::vector<PmtStream>& streams, std::optional<CaDescriptor> ca) {
    Section s = Begin(kPmtTableId, programNumber);
    Put16(s, 0xE000u | pcrPid);
    if (ca) {
        Put16(s, 0xF000u | kCaDescriptorSize);
        s.push_back(kCaDescriptorTag);
        s.push_back(kCaDescriptorSize - 2);
        Put16(s, ca->systemId);
        Put16(s, 0xE000u | ca->ecmPid);
    } else {
        Put16(s, 0xF000u);  // no program descriptors
    }
    for (const auto& stream : streams) {
        s.push_back(stream.streamType);
        Put16(s, 0xE000u | stream.pid);
        Put16(s, 0xF000u);  // no stream descriptors
    }
    return Finish(std::move(s));
}

Section MakeSdt(std::uint16_t tsid, std::uint16_t onid, const std::vector<SdtService>& services) {
    Section s = Begin(kSdtActualTableId, tsid);
    Put16(s, onid);
    s.push_back(0xFF);  // reserved_future_use
    for (const auto& service : services) {
        const std::string provider = service.provider.substr(0, kMaxTextLength);
        const std::string name = service.name.substr(0, kMaxTextLength);
        Section descriptor{kServiceDescriptor, 0, service.serviceType,
                           static_cast<std::uint8_t>(provider.size())};
        descriptor.insert(descriptor.end(), provider.begin(), provider.end());
        descriptor.push_back(static_cast<std::uint8_t>(name.size()));
        descriptor.insert(descriptor.end(), name.begin(), name.end());
        descriptor[1] = static_cast<std::uint8_t>(descriptor.size() - 2);
        // One section holds what fits; a transponder here never carries more.
        if (s.size() + 5 + descriptor.size() + 4 > kMaxSectionSize) break;
        Put16(s, service.sid);
        s.push_back(0xFC);  // reserved, no EIT
        Put16(s, (kRunning << 13) | (service.scrambled ? 0x1000u : 0u) | descriptor.size());
        s.insert(s.end(), descriptor.begin(), descriptor.end());
    }
    return Finish(std::move(s));
}

std::vector<std::uint8_t> SatelliteDeliveryDescriptor(const Transponder& t,
                                                      std::int16_t orbitalTenths) {
    Section d(2 + kSatelliteDeliverySize, 0);
    d[0] = kSatelliteDeliveryDescriptor;
    d[1] = kSatelliteDeliverySize;
    PutBcd(d, 2, t.frequencyMHz * 100, 8);  // 10 kHz units
    PutBcd(d, 6, static_cast<std::uint32_t>(std::abs(orbitalTenths)), 4);
    const bool s2 = t.modulation != Modulation::DvbsQpsk;
    const std::uint8_t modulationType = t.modulation == Modulation::Dvbs2Psk8 ? 2 : 1;
    d[8] = static_cast<std::uint8_t>((orbitalTenths >= 0 ? 0x80 : 0) |
                                     (t.polarisation == LinearPolarisation::Vertical ? 0x20 : 0) |
                                     RollOffCode(t) << 3 | (s2 ? 0x04 : 0) | modulationType);
    PutBcd(d, 9, t.symbolRate * 10, 7);  // 100 symbol/s units
    d[12] = static_cast<std::uint8_t>((d[12] & 0xF0) | FecCode(t));
    return d;
}

std::vector<Section> MakeNit(std::uint16_t networkId, const std::string& networkName,
                             const std::vector<NitEntry>& transportStreams) {
    const std::string name = networkName.substr(0, kMaxTextLength);
    Section head = Begin(kNitActualTableId, networkId);
    Put16(head, 0xF000u | (2 + name.size()));
    head.push_back(kNetworkNameDescriptor);
    head.push_back(static_cast<std::uint8_t>(name.size()));
    head.insert(head.end(), name.begin(), name.end());
    const std::size_t loopLengthAt = head.size();
    Put16(head, 0xF000u);

    std::vector<Section> sections{head};
    for (const NitEntry& entry : transportStreams) {
        if (sections.back().size() + 6 + entry.descriptors.size() + kCrcSize > kMaxSectionSize)
            sections.push_back(head);
        Section& s = sections.back();
        Put16(s, entry.tsid);
        Put16(s, entry.onid);
        Put16(s, 0xF000u | entry.descriptors.size());
        s.insert(s.end(), entry.descriptors.begin(), entry.descriptors.end());
    }
    for (std::size_t i = 0; i < sections.size(); ++i) {
        Section& s = sections[i];
        const std::size_t loopLength = s.size() - loopLengthAt - 2;
        s[loopLengthAt] = static_cast<std::uint8_t>(0xF0 | loopLength >> 8);
        s[loopLengthAt + 1] = static_cast<std::uint8_t>(loopLength);
        s[6] = static_cast<std::uint8_t>(i);
        s[7] = static_cast<std::uint8_t>(sections.size() - 1);
        s = Finish(std::move(s));
    }
    return sections;
}

std::string EncodeDvbText(const std::string& utf8) {
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x80;
    });
    return ascii ? utf8 : std::string(1, static_cast<char>(kUtf8Selector)) + utf8;
}

}  // namespace card
