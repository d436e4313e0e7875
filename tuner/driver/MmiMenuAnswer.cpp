#include "tuner/driver/MmiMenuAnswer.h"

#include "tuner/driver/ByteOrder.h"

std::array<std::uint8_t, kMmiMenuAnswerSize> EncodeMmiMenuAnswer(const MmiMenuAnswer& answer) {
    std::array<std::uint8_t, kMmiMenuAnswerSize> bytes{};
    PutUint32(&bytes[0], answer.objectId);
    PutUint32(&bytes[4], answer.choice);
    return bytes;
}

MmiMenuAnswer DecodeMmiMenuAnswer(std::span<const std::uint8_t, kMmiMenuAnswerSize> bytes) {
    return {GetUint32(&bytes[0]), GetUint32(&bytes[4])};
}
