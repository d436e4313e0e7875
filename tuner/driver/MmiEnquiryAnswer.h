// MmiEnquiryAnswer: the user's answer to an enquiry, sent with CARD_CI_MMI_ENQUIRY_ANSWER.
// The request's data length is the answer length plus 12: two header words, the answer, and
// four trailing bytes that carry nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

inline constexpr std::size_t kMmiEnquiryAnswerOverhead = 12;

struct MmiEnquiryAnswer {
    std::uint32_t objectId = 0;  // the enquiry answered
    // The prompt's selector bytes, then the text in the prompt's code page; empty cancels.
    std::vector<std::uint8_t> answer;

    friend bool operator==(const MmiEnquiryAnswer&, const MmiEnquiryAnswer&) = default;
};

// answer.size() + 12 bytes (the trailing four are 0).
std::vector<std::uint8_t> EncodeMmiEnquiryAnswer(const MmiEnquiryAnswer& answer);
// Nothing when the buffer is shorter than its length word says.
std::optional<MmiEnquiryAnswer> DecodeMmiEnquiryAnswer(std::span<const std::uint8_t> bytes);
