// The tables a transport stream needs to be found and named: the program association table,
// one program map table per service, the service description table and the network
// information table. Each function returns complete sections, CRC included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "card/Sky.h"

namespace card {

using Section = std::vector<std::uint8_t>;

struct PatEntry {
    std::uint16_t programNumber = 0;
    std::uint16_t pmtPid = 0;
};
// Program number 0, when given, is the network's entry: its PID carries the NIT.
Section MakePat(std::uint16_t tsid, const std::vector<PatEntry>& programs);

struct PmtStream {
    std::uint8_t streamType = 0;
    std::uint16_t pid = 0;
};
// A conditional-access descriptor: the CA system a programme is scrambled for and the PID of
// its entitlement control messages.
struct CaDescriptor {
    std::uint16_t systemId = 0;
    std::uint16_t ecmPid = 0;
};
// `ca`: the programme is scrambled for that system (a programme-level descriptor).
Section MakePmt(std::uint16_t programNumber, std::uint16_t pcrPid,
                const std::vector<PmtStream>& streams,
                std::optional<CaDescriptor> ca = std::nullopt);

struct SdtService {
    std::uint16_t sid = 0;
    std::uint8_t serviceType = 0x01;
    bool scrambled = false;
    std::string provider;  // encoded name text, selector included
    std::string name;
};
Section MakeSdt(std::uint16_t tsid, std::uint16_t onid, const std::vector<SdtService>& services);

// The satellite delivery system descriptor of `transponder` on a satellite at `orbitalTenths`
// (east positive), tag and length included.
std::vector<std::uint8_t> SatelliteDeliveryDescriptor(const Transponder& transponder,
                                                      std::int16_t orbitalTenths);

struct NitEntry {
    std::uint16_t tsid = 0;
    std::uint16_t onid = 0;
    std::vector<std::uint8_t> descriptors;
};
// The NIT actual of network `networkId` named `networkName` (encoded text), in as many sections
// as its transport streams need; each section repeats the name.
std::vector<Section> MakeNit(std::uint16_t networkId, const std::string& networkName,
                             const std::vector<NitEntry>& transportStreams);

// Service or provider name as a text field: plain when it is ASCII, else UTF-8 behind the
// selector 0x15.
std::string EncodeDvbText(const std::string& utf8);

}  // namespace card
