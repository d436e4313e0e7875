// The bytes that answer a CAM's enquiry: the prompt's character-table selector, then the typed
// text encoded in the prompt's code page.
//
// Pure function; no Qt, thread-safe.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

inline constexpr std::size_t kEnquiryAnswerCharacters = 255;  // of the typed text, read
inline constexpr std::size_t kEnquiryAnswerTextBytes = 256;   // of encoded text, at most

// Reads at most kEnquiryAnswerCharacters of `typed` (never half a surrogate pair). Text the code
// page cannot carry, or that encodes to more than kEnquiryAnswerTextBytes, is left out rather
// than sent with substituted characters: the answer is then the selector alone.
std::vector<std::uint8_t> BuildEnquiryAnswer(std::span<const std::uint8_t> selector,
                                             std::uint32_t codePage, std::u16string_view typed);
