#include "tuner/driver/DiseqcSend.h"

#include <algorithm>

#include "tuner/driver/ByteOrder.h"

std::optional<BDA_DISEQC_SEND> MakeDiseqcSend(std::span<const std::uint8_t> message) {
    if (message.empty() || message.size() > kDiseqcMaxMessage) return std::nullopt;
    BDA_DISEQC_SEND send;
    send.ulPacketLength = static_cast<std::uint32_t>(message.size());
    std::copy(message.begin(), message.end(), send.argbPacketData.begin());
    return send;
}

std::array<std::uint8_t, kDiseqcSendSize> EncodeDiseqcSend(const BDA_DISEQC_SEND& send) {
    std::array<std::uint8_t, kDiseqcSendSize> bytes{};
    PutUint32(&bytes[0], send.ulRequestId);
    PutUint32(&bytes[4], send.ulPacketLength);
    std::copy(send.argbPacketData.begin(), send.argbPacketData.end(), bytes.begin() + 8);
    return bytes;
}

BDA_DISEQC_SEND DecodeDiseqcSend(std::span<const std::uint8_t, kDiseqcSendSize> bytes) {
    BDA_DISEQC_SEND send;
    send.ulRequestId = GetUint32(&bytes[0]);
    send.ulPacketLength = GetUint32(&bytes[4]);
    std::copy(bytes.begin() + 8, bytes.end(), send.argbPacketData.begin());
    return send;
}
