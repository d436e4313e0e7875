#include "tuner/driver/ScifConfig.h"

#include "tuner/driver/ByteOrder.h"

std::array<std::uint8_t, kScifConfigSize> EncodeScifConfig(const ScifConfig& config) {
    std::array<std::uint8_t, kScifConfigSize> bytes{};
    PutUint32(&bytes[0], config.userBand);
    PutUint32(&bytes[4], config.frequencyMHz);
    PutUint32(&bytes[8], config.pin);
    PutUint32(&bytes[12], config.protocol);
    return bytes;
}

ScifConfig DecodeScifConfig(std::span<const std::uint8_t, kScifConfigSize> bytes) {
    return {GetUint32(&bytes[0]), GetUint32(&bytes[4]), GetUint32(&bytes[8]),
            GetUint32(&bytes[12])};
}
