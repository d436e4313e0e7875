#include "card/PsiSections.h"

#include <algorithm>

#include "cardkit/Crc32.h"

namespace card {
namespace {

constexpr std::uint8_t kPatTableId = 0x00;
constexpr std::uint8_t kPmtTableId = 0x02;
constexpr std::uint8_t kCaDescriptorTag = 0x09;
constexpr std::uint16_t kCaDescriptorSize = 6;  // tag, length, system, PID
constexpr std::uint8_t kSdtActualTableId = 0x42;
constexpr std::uint8_t kServiceDescriptor = 0x48;
constexpr std::uint8_t kRunning = 4;
constexpr std::uint8_t kUtf8Selector = 0x15;
constexpr std::size_t kMaxSectionSize = 1024;  // SDT: section_length at most 1021
constexpr std::size_t kMaxTextLength = 120;    // both names share one 255-byte descriptor

void Put16(Section& s, std::uint32_t value) {
    s.push_back(static_cast<std::uint8_t>(value >> 8));
    s.push_back(static_cast<std::uint8_t>(value));
}

// Starts a long-form section: table id, length placeholder, id extension, version 0 current,
// section 0 of 0.
Section Begin(std::uint8_t tableId, std::uint16_t idExtension) {
    Section s{tableId, 0, 0};
    Put16(s, idExtension);
    s.push_back(0xC1);  // reserved bits, version 0, current_next_indicator
    s.push_back(0);     // section_number
    s.push_back(0);     // last_section_number
    return s;
}

// Fills in the section length (syntax indicator set) and appends the CRC.
Section Finish(Section s) {
    const std::size_t length = s.size() - 3 + 4;
    s[1] = static_cast<std::uint8_t>(0xB0 | ((length >> 8) & 0x0F));
    s[2] = static_cast<std::uint8_t>(length);
    const std::uint32_t crc = cardkit::Crc32Mpeg(s);
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<std::uint8_t>(crc >> shift));
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

std::string EncodeDvbText(const std::string& utf8) {
    const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                   [](char c) { return static_cast<unsigned char>(c) >= 0x20 &&
                                                       static_cast<unsigned char>(c) < 0x80; });
    return ascii ? utf8 : std::string(1, static_cast<char>(kUtf8Selector)) + utf8;
}

}  // namespace card
