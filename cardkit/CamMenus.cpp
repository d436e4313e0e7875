// The strings are raw bytes as a CAM sends them. Several start with a character-table selector:
// 0x05 (ISO 8859-9), 0x10 0x00 0x02 (ISO 8859-2), 0x15 (UTF-8) and 0x1F with its encoding byte;
// bytes 0x86/0x87 (or U+0086/U+0087 in UTF-8) switch emphasis on and off.
#include "cardkit/CamMenus.h"

#include <array>

namespace cardkit {
namespace {

// A string in ISO 8859 part `part`, announced by the three-byte selector 0x10 0x00 part.
std::string Iso8859(char part, const char* text) { return std::string{'\x10', '\0', part} + text; }

constexpr const char* kTitle = "Kestrel CAM";
constexpr const char* kReturn = "Press OK to return";

// "Akıllı kart bilgisi" in ISO 8859-9.
const std::string kCardInfoTitle = "\x05" "Ak\xFD" "ll\xFD" " kart bilgisi";

const std::array<std::string, 6> kLanguages = {
    "\x1F\x01" "English",
    "Fran\xE7" "ais",
    "\x05" "T\xFC" "rk\xE7" "e",
    Iso8859(2, "J\xEA" "zyk polski"),
    "\x15" "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9",  // Russian, UTF-8
    "\x86" "Deutsch" "\x87",
};

constexpr std::array<std::uint32_t, 3> kRatings = {12, 16, 18};

MmiPage Menu(std::uint32_t type, std::vector<std::string> strings) {
    MmiPage page;
    page.type = type;
    page.count = static_cast<std::uint32_t>(strings.size() - 3);
    page.strings = std::move(strings);
    return page;
}

}  // namespace

MmiPage PageContent(CamPage page, const CamSettings& settings) {
    switch (page) {
        case CamPage::Main:
            return Menu(kMmiMenu, {kTitle, "Main menu", "Select an item, Cancel to leave",
                                   "Smart card information",
                                   "\x86" "Parental control" "\x87",
                                   "\x15" "\xC2\x86" "Language" "\xC2\x87" " / Sprache",
                                   "About this module"});
        case CamPage::CardInfo:
            return Menu(kMmiList,
                        {kCardInfoTitle, "Smart card in slot 1", kReturn,
                         "Card number: 0412 5567 8812 9034",
                         "\x86" "Subscription:" "\x87" " Premium until 31.12.2030",
                         Iso8859(2, "Stav karty: platn\xE1"),
                         "\x15" "Berechtigung g\xC3\xBC" "ltig"});
        case CamPage::PinEntry: {
            MmiPage enquiry;
            enquiry.type = kMmiEnquiry;
            enquiry.count = 4;
            // The prompt names its character table (ISO 8859-9), so an answer comes back behind
            // the same selector byte.
            enquiry.strings = {"\x05Please enter your 4-digit PIN"};
            return enquiry;
        }
        case CamPage::PinWrong:
            return Menu(kMmiList, {"Parental control", "Wrong PIN", kReturn,
                                   "The PIN you entered is not correct."});
        case CamPage::Parental:
            return Menu(kMmiMenu,
                        {"Parental control",
                         "Maturity rating: " + std::to_string(settings.maturityRating),
                         "Choose a rating", "Maturity rating 12", "Maturity rating 16",
                         "Maturity rating 18"});
        case CamPage::ParentalSaved:
            return Menu(kMmiList,
                        {"Parental control", "Setting saved", kReturn,
                         "Maturity rating is now " + std::to_string(settings.maturityRating)});
        case CamPage::Languages: {
            std::vector<std::string> strings = {"\x1F\x01" "Language",
                                                "Menu language of the module",
                                                "Choose a language"};
            strings.insert(strings.end(), kLanguages.begin(), kLanguages.end());
            return Menu(kMmiMenu, std::move(strings));
        }
        case CamPage::LanguageSet:
            return Menu(kMmiList, {"Language", "Menu language changed", kReturn,
                                   kLanguages[settings.language - 1]});
        case CamPage::About: {
            MmiPage about = Menu(kMmiList, {kTitle, "Software 2.04 (build 1187)",
                                            "Press Cancel to return"});
            about.count = kMmiNoItemCount;
            return about;
        }
    }
    return {};
}

std::optional<CamPage> AfterMenuAnswer(CamPage page, std::uint32_t choice, CamSettings& settings) {
    switch (page) {
        case CamPage::Main: {
            constexpr std::array<CamPage, 4> kTargets = {CamPage::CardInfo, CamPage::PinEntry,
                                                         CamPage::Languages, CamPage::About};
            if (choice == 0) return std::nullopt;
            return kTargets[choice - 1];
        }
        case CamPage::Parental:
            if (choice == 0) return CamPage::Main;
            settings.maturityRating = kRatings[choice - 1];
            return CamPage::ParentalSaved;
        case CamPage::ParentalSaved:
            return CamPage::Parental;
        case CamPage::Languages:
            if (choice == 0) return CamPage::Main;
            settings.language = choice;
            return CamPage::LanguageSet;
        case CamPage::CardInfo:
        case CamPage::PinWrong:
        case CamPage::LanguageSet:
        case CamPage::About:
        case CamPage::PinEntry:
            return CamPage::Main;
    }
    return std::nullopt;
}

}  // namespace cardkit
