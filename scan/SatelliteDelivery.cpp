#include "scan/SatelliteDelivery.h"

#include <array>

namespace scan {
namespace {

constexpr std::size_t kBodySize = 11;
constexpr std::uint32_t kFrequencyUnitKHz = 10;
constexpr std::uint32_t kSymbolRateUnit = 100;  // symbol/s

// Code rates by their four-bit code; 0 is not defined, 10-14 reserved and 15 no inner code.
constexpr std::array<std::optional<CodeRate>, 16> kCodeRates{
    {std::nullopt, CodeRate{1, 2}, CodeRate{2, 3}, CodeRate{3, 4}, CodeRate{5, 6}, CodeRate{7, 8},
     CodeRate{8, 9}, CodeRate{3, 5}, CodeRate{4, 5}, CodeRate{9, 10}, std::nullopt, std::nullopt,
     std::nullopt, std::nullopt, std::nullopt, std::nullopt}};

// `digits` BCD digits starting at the high nibble of bytes[0]; nullopt for a non-decimal digit.
std::optional<std::uint32_t> ReadBcd(ByteSpan bytes, int digits) {
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        const std::uint8_t byte = bytes[static_cast<std::size_t>(i / 2)];
        const std::uint8_t digit = i % 2 == 0 ? byte >> 4 : byte & 0x0F;
        if (digit > 9) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::optional<SatelliteDelivery> ParseSatelliteDelivery(ByteSpan body) {
    if (body.size() < kBodySize) return std::nullopt;
    const auto frequency = ReadBcd(body.subspan(0, 4), 8);
    const auto orbital = ReadBcd(body.subspan(4, 2), 4);
    const auto symbolRate = ReadBcd(body.subspan(7, 4), 7);
    if (!frequency || !orbital || !symbolRate) return std::nullopt;
    SatelliteDelivery d;
    d.frequencyKHz = *frequency * kFrequencyUnitKHz;
    d.orbitalTenths = static_cast<std::uint16_t>(*orbital);
    const std::uint8_t flags = body[6];
    d.east = (flags & 0x80) != 0;
    d.polarisation = static_cast<DeliveryPolarisation>(flags >> 5 & 0x3);
    d.rollOff = static_cast<DeliveryRollOff>(flags >> 3 & 0x3);
    d.system = (flags & 0x04) != 0 ? DeliverySystem::DvbS2 : DeliverySystem::DvbS;
    d.modulation = static_cast<DeliveryModulation>(flags & 0x3);
    d.symbolRate = *symbolRate * kSymbolRateUnit;
    d.fec = kCodeRates[body[10] & 0x0F];
    return d;
}

}  // namespace scan
