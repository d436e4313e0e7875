// What the CAM says: the pages of its menu tree and the answers that lead between them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cardkit/MmiPage.h"

namespace cardkit {

enum class CamPage {
    Main,
    CardInfo,
    PinEntry,
    PinWrong,
    Parental,
    ParentalSaved,
    Languages,
    LanguageSet,
    About,
};

// The CAM's settings that its pages show and change.
struct CamSettings {
    std::uint32_t maturityRating = 16;
    std::uint32_t language = 1;  // 1-based item of the language menu
};

inline constexpr const char* kCamPin = "1234";

MmiPage PageContent(CamPage page, const CamSettings& settings);

// The page that follows a menu or list answer (choice already checked against the page); no
// page ends the dialogue. May change the settings.
std::optional<CamPage> AfterMenuAnswer(CamPage page, std::uint32_t choice, CamSettings& settings);

}  // namespace cardkit
