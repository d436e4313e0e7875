// The network information table of the tuned network (NIT actual): the network's id and name,
// and each transport stream it carries with where it is sent (satellite delivery descriptor).
//
// Pure; any thread.
#pragma once

#include <optional>
#include <string>

#include "scan/SatelliteDelivery.h"
#include "scan/Section.h"

namespace scan {

inline constexpr std::uint16_t kNitPid = 0x0010;
inline constexpr std::uint8_t kNitActualTableId = 0x40;

struct NitTransportStream {
    std::uint16_t tsid = 0;
    std::uint16_t onid = 0;
    std::optional<SatelliteDelivery> delivery;  // absent, or malformed, on other networks' kinds
};

struct Nit {
    std::uint16_t networkId = 0;
    std::string networkName;  // UTF-8; empty without a network name descriptor
    std::vector<NitTransportStream> transportStreams;
};

// The NIT actual of a complete table's sections (in section order). A section that does not
// check, is not a NIT actual or whose loops run past it is skipped; so is a transport stream
// entry whose descriptors run past its loop (with the entries after it). nullopt when no section
// is left.
std::optional<Nit> ParseNit(std::span<const Bytes> sections);

}  // namespace scan
