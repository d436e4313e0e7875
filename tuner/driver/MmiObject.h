// MmiObject: what the CAM presents through CARD_CI_MMI_GET, a menu, a list or an enquiry with
// its strings. A new object always carries a new id, which is how a poller notices a change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kMmiObjectSize = 2068;
inline constexpr std::size_t kMmiObjectTextSize = 2048;

inline constexpr std::uint32_t kMmiTypeMenu = 1;
inline constexpr std::uint32_t kMmiTypeList = 2;
inline constexpr std::uint32_t kMmiTypeEnquiry = 3;
inline constexpr std::uint32_t kMmiTypeEnquiryAlt = 4;  // treated like 3
inline constexpr std::uint32_t kMmiNoItemCount = 255;

struct MmiObject {
    std::uint32_t objectId = 0;
    std::uint32_t type = 0;
    // Menu or list: the number of item strings (kMmiNoItemCount: unknown). Enquiry: the longest
    // answer in characters.
    std::uint32_t count = 0;
    // As the driver reports it; may exceed the text area, so readers clamp it.
    std::uint32_t textLength = 0;
    // Menu or list: NUL-terminated title, subtitle, bottom line, then the items. Enquiry: one
    // NUL-terminated prompt. Each string may start with a character-table selector.
    std::array<std::uint8_t, kMmiObjectTextSize> text{};

    friend bool operator==(const MmiObject&, const MmiObject&) = default;
};

std::array<std::uint8_t, kMmiObjectSize> EncodeMmiObject(const MmiObject& object);
MmiObject DecodeMmiObject(std::span<const std::uint8_t, kMmiObjectSize> bytes);
