// SpectrumStepRequest: retune the tuner to one measurement frequency of a sweep. The driver
// settles for the settle value before the next strength read; the first step of a sweep needs
// longer because the tuner may come from anywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kSpectrumStepRequestSize = 20;
inline constexpr std::uint32_t kSpectrumStepHz = 2'000'000;
inline constexpr std::uint32_t kSpectrumFirstSettle = 1000;
inline constexpr std::uint32_t kSpectrumLaterSettle = 50;

struct SpectrumStepRequest {
    std::uint32_t frequencyHz = 0;  // 950,000,000 .. 2,150,000,000
    std::uint32_t stepHz = kSpectrumStepHz;
    std::uint32_t unused1 = 0xFFFFFFFFu;
    std::uint32_t unused2 = 0;
    std::uint32_t settle = kSpectrumLaterSettle;

    friend bool operator==(const SpectrumStepRequest&, const SpectrumStepRequest&) = default;
};

std::array<std::uint8_t, kSpectrumStepRequestSize> EncodeSpectrumStepRequest(
    const SpectrumStepRequest& request);
SpectrumStepRequest DecodeSpectrumStepRequest(
    std::span<const std::uint8_t, kSpectrumStepRequestSize> bytes);
