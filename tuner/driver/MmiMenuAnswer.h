// MmiMenuAnswer: the user's choice on a menu or list, sent with CARD_CI_MMI_MENU_ANSWER.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kMmiMenuAnswerSize = 8;
inline constexpr std::uint32_t kMmiChoiceBack = 0;  // back / cancel; lists are always answered so

struct MmiMenuAnswer {
    std::uint32_t objectId = 0;             // the menu or list answered
    std::uint32_t choice = kMmiChoiceBack;  // 1..count: the chosen item

    friend bool operator==(const MmiMenuAnswer&, const MmiMenuAnswer&) = default;
};

std::array<std::uint8_t, kMmiMenuAnswerSize> EncodeMmiMenuAnswer(const MmiMenuAnswer& answer);
MmiMenuAnswer DecodeMmiMenuAnswer(std::span<const std::uint8_t, kMmiMenuAnswerSize> bytes);
