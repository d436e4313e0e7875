#include "tuner/driver/MmiEnquiryAnswer.h"

#include <algorithm>

#include "tuner/driver/ByteOrder.h"

std::vector<std::uint8_t> EncodeMmiEnquiryAnswer(const MmiEnquiryAnswer& answer) {
    std::vector<std::uint8_t> bytes(answer.answer.size() + kMmiEnquiryAnswerOverhead);
    PutUint32(&bytes[0], answer.objectId);
    PutUint32(&bytes[4], static_cast<std::uint32_t>(answer.answer.size()));
    std::copy(answer.answer.begin(), answer.answer.end(), bytes.begin() + 8);
    return bytes;
}

std::optional<MmiEnquiryAnswer> DecodeMmiEnquiryAnswer(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kMmiEnquiryAnswerOverhead) return std::nullopt;
    const std::uint32_t length = GetUint32(&bytes[4]);
    if (length > bytes.size() - kMmiEnquiryAnswerOverhead) return std::nullopt;
    MmiEnquiryAnswer answer;
    answer.objectId = GetUint32(&bytes[0]);
    answer.answer.assign(bytes.begin() + 8, bytes.begin() + 8 + length);
    return answer;
}
