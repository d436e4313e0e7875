// The service description table of the tuned transport stream (SDT actual): each service's id,
// whether a CAM is needed (free_CA_mode) and, from its service descriptor, its type, provider
// and name. Names arrive in DVB text and are given here as UTF-8.
//
// Pure; any thread.
#pragma once

#include <optional>
#include <string>

#include "scan/Section.h"

namespace scan {

inline constexpr std::uint16_t kSdtPid = 0x0011;
inline constexpr std::uint8_t kSdtActualTableId = 0x42;

// Service types of the service descriptor that the scanner tells apart.
inline constexpr std::uint8_t kServiceTypeTv = 0x01;
inline constexpr std::uint8_t kServiceTypeRadio = 0x02;
inline constexpr std::uint8_t kServiceTypeAdvancedCodecRadio = 0x0A;
inline constexpr std::uint8_t kServiceTypeH264SdTv = 0x16;
inline constexpr std::uint8_t kServiceTypeH264HdTv = 0x19;
inline constexpr std::uint8_t kServiceTypeHevcTv = 0x1F;

struct SdtService {
    std::uint16_t sid = 0;
    bool scrambled = false;  // free_CA_mode
    // From the service descriptor; absent when the service has none. A name in a character
    // table the program does not decode is empty.
    std::optional<std::uint8_t> serviceType;
    std::string provider;
    std::string name;
};

struct Sdt {
    std::uint16_t tsid = 0;
    std::uint16_t onid = 0;
    std::vector<SdtService> services;
};

// The SDT actual of a complete table's sections (in section order). A section that does not
// check or is not an SDT actual is skipped, and so is a service whose loop runs past its section
// (with the services after it); nullopt when no section is left.
std::optional<Sdt> ParseSdt(std::span<const Bytes> sections);

}  // namespace scan
