// ScifConfig: a tuner's single-cable (Unicable) configuration as the driver stores it. The
// program computes nothing from it; the driver applies it when the tuner is tuned. The fourth
// word names the router's protocol: 0 for EN 50494 (8 user bands), 1 for EN 50607 (32).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kScifConfigSize = 16;
inline constexpr std::uint32_t kScifOff = 0xFFFFFFFFu;  // every field of a disabling SET
inline constexpr std::uint32_t kScifNoPin = 0xFFFFFFFFu;
inline constexpr std::uint8_t kScifOffIndex = 255;  // the index byte read back when off
inline constexpr std::uint32_t kScifEn50494 = 0;
inline constexpr std::uint32_t kScifEn50607 = 1;

struct ScifConfig {
    std::uint32_t userBand = kScifOff;      // user-band index; only its low byte is read back
    std::uint32_t frequencyMHz = kScifOff;  // 950..2150
    std::uint32_t pin = kScifOff;           // 0..255; above 255 = no PIN
    std::uint32_t protocol = kScifEn50494;

    // Enabling: the index byte zero-extended to 32 bits.
    static ScifConfig Enable(std::uint8_t index, std::uint32_t frequencyMHz, std::uint32_t pin,
                             std::uint32_t protocol = kScifEn50494) {
        return {index, frequencyMHz, pin, protocol};
    }
    static ScifConfig Disable() { return {}; }

    friend bool operator==(const ScifConfig&, const ScifConfig&) = default;
};

std::array<std::uint8_t, kScifConfigSize> EncodeScifConfig(const ScifConfig& config);
ScifConfig DecodeScifConfig(std::span<const std::uint8_t, kScifConfigSize> bytes);
