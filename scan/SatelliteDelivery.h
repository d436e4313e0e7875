// The satellite delivery system descriptor (tag 0x43) of a transport stream in the NIT: where
// and how that transport stream is sent. Its numbers are binary-coded decimal: the frequency in
// 10 kHz units (8 digits, 011.93750 GHz), the orbital position in tenths of a degree (4 digits,
// 019.2) and the symbol rate in 100 symbol/s units (7 digits, 027.5000 Msymbol/s).
//
// Pure; any thread.
#pragma once

#include <optional>

#include "scan/Section.h"

namespace scan {

inline constexpr std::uint8_t kSatelliteDeliveryTag = 0x43;

enum class DeliveryPolarisation : std::uint8_t { Horizontal, Vertical, Left, Right };
enum class DeliverySystem : std::uint8_t { DvbS, DvbS2 };
// As coded; DVB-S always sends Alpha035 (its one roll-off is coded as zero).
enum class DeliveryRollOff : std::uint8_t { Alpha035, Alpha025, Alpha020, Reserved };
enum class DeliveryModulation : std::uint8_t { Auto, Qpsk, Psk8, Qam16 };

struct CodeRate {
    std::uint8_t numerator = 0;
    std::uint8_t denominator = 0;
    friend bool operator==(const CodeRate&, const CodeRate&) = default;
};

struct SatelliteDelivery {
    std::uint32_t frequencyKHz = 0;
    std::uint16_t orbitalTenths = 0;  // tenths of a degree from 0 (e.g. 192 for 19.2)
    bool east = true;                 // west_east_flag
    DeliveryPolarisation polarisation = DeliveryPolarisation::Horizontal;
    DeliveryRollOff rollOff = DeliveryRollOff::Alpha035;
    DeliverySystem system = DeliverySystem::DvbS;
    DeliveryModulation modulation = DeliveryModulation::Qpsk;
    std::uint32_t symbolRate = 0;  // symbol/s
    std::optional<CodeRate> fec;   // nullopt: not defined, reserved, or no inner code
    friend bool operator==(const SatelliteDelivery&, const SatelliteDelivery&) = default;
};

// The descriptor's body (after tag and length); nullopt when it is shorter than its 11 bytes or
// a number holds a digit that is not decimal.
std::optional<SatelliteDelivery> ParseSatelliteDelivery(ByteSpan body);

}  // namespace scan
