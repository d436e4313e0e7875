// BDA_DISEQC_SEND: one raw DiSEqC message of up to 8 bytes, sent exactly as typed (framing byte
// included) with KSPROPERTY_BDA_DISEQC_SEND.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

inline constexpr std::size_t kDiseqcSendSize = 16;
inline constexpr std::size_t kDiseqcMaxMessage = 8;

struct BDA_DISEQC_SEND {
    std::uint32_t ulRequestId = 0;
    std::uint32_t ulPacketLength = 0;                              // 1..8
    std::array<std::uint8_t, kDiseqcMaxMessage> argbPacketData{};  // message first, rest 0

    friend bool operator==(const BDA_DISEQC_SEND&, const BDA_DISEQC_SEND&) = default;
};

// The record for a message of 1..8 bytes; nothing for any other length.
std::optional<BDA_DISEQC_SEND> MakeDiseqcSend(std::span<const std::uint8_t> message);

std::array<std::uint8_t, kDiseqcSendSize> EncodeDiseqcSend(const BDA_DISEQC_SEND& send);
BDA_DISEQC_SEND DecodeDiseqcSend(std::span<const std::uint8_t, kDiseqcSendSize> bytes);
