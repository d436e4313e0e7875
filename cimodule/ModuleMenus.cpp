#include "ModuleMenus.h"

#include <algorithm>
#include <array>

namespace linuxdvb::en50221 {
namespace {

using namespace std::string_view_literals;

// Each page is one object: its three-byte tag (9F 88 09 menu_last, 9F 88 0C list_last,
// 9F 88 07 enq), its length field, then for menus and lists the item count and the text
// objects (9F 88 03 text_last, a length, the text): title, subtitle, bottom line, the items.
// Texts are bytes as a module sends them; several lead with a character-table selector (0x05
// ISO 8859-9, 0x10 0x00 0x02 ISO 8859-2, 0x15 UTF-8, 0x1F and its encoding byte), and 0x86/0x87
// (U+0086/U+0087 in UTF-8) switch emphasis on and off.

// clang-format off
// The main menu.
constexpr std::string_view kMain =
    "\x9F\x88\x09\x81\xA0"  // menu_last, 160 bytes
    "\x04"  // 4 items
    "\x9F\x88\x03\x0B" "Kestrel CAM"
    "\x9F\x88\x03\x09" "Main menu"
    "\x9F\x88\x03\x1F" "Select an item, Cancel to leave"
    "\x9F\x88\x03\x16" "Smart card information"
    "\x9F\x88\x03\x12" "\x86Parental control\x87"
    "\x9F\x88\x03\x17" "\x15\xC2\x86Language\xC2\x87 / Sprache"
    "\x9F\x88\x03\x11" "About this module"sv;

// What the smart card holds, in four character tables.
constexpr std::string_view kCardInfo =
    "\x9F\x88\x0C\x81\xC9"  // list_last, 201 bytes
    "\x04"  // 4 items
    "\x9F\x88\x03\x14" "\x05" "Ak\xFDll\xFD kart bilgisi"
    "\x9F\x88\x03\x14" "Smart card in slot 1"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x20" "Card number: 0412 5567 8812 9034"
    "\x9F\x88\x03\x28" "\x86Subscription:\x87 Premium until 31.12.2030"
    "\x9F\x88\x03\x15" "\x10\x00\x02Stav karty: platn\xE1"
    "\x9F\x88\x03\x15" "\x15" "Berechtigung g\xC3\xBCltig"sv;

// The PIN: not blind, four digits; the prompt names ISO 8859-9, so the answer comes back behind
// the same selector.
constexpr std::string_view kPinEntry =
    "\x9F\x88\x07\x20"  // enq, 32 bytes
    "\x00\x04"  // not blind, 4 characters
    "\x05Please enter your 4-digit PIN"sv;

// A wrong PIN.
constexpr std::string_view kPinWrong =
    "\x9F\x88\x0C\x5F"  // list_last, 95 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x10" "Parental control"
    "\x9F\x88\x03\x09" "Wrong PIN"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x23" "The PIN you entered is not correct."sv;

// Parental control, rated 12.
constexpr std::string_view kParental12 =
    "\x9F\x88\x09\x81\x81"  // menu_last, 129 bytes
    "\x03"  // 3 items
    "\x9F\x88\x03\x10" "Parental control"
    "\x9F\x88\x03\x13" "Maturity rating: 12"
    "\x9F\x88\x03\x0F" "Choose a rating"
    "\x9F\x88\x03\x12" "Maturity rating 12"
    "\x9F\x88\x03\x12" "Maturity rating 16"
    "\x9F\x88\x03\x12" "Maturity rating 18"sv;

// Parental control, rated 16.
constexpr std::string_view kParental16 =
    "\x9F\x88\x09\x81\x81"  // menu_last, 129 bytes
    "\x03"  // 3 items
    "\x9F\x88\x03\x10" "Parental control"
    "\x9F\x88\x03\x13" "Maturity rating: 16"
    "\x9F\x88\x03\x0F" "Choose a rating"
    "\x9F\x88\x03\x12" "Maturity rating 12"
    "\x9F\x88\x03\x12" "Maturity rating 16"
    "\x9F\x88\x03\x12" "Maturity rating 18"sv;

// Parental control, rated 18.
constexpr std::string_view kParental18 =
    "\x9F\x88\x09\x81\x81"  // menu_last, 129 bytes
    "\x03"  // 3 items
    "\x9F\x88\x03\x10" "Parental control"
    "\x9F\x88\x03\x13" "Maturity rating: 18"
    "\x9F\x88\x03\x0F" "Choose a rating"
    "\x9F\x88\x03\x12" "Maturity rating 12"
    "\x9F\x88\x03\x12" "Maturity rating 16"
    "\x9F\x88\x03\x12" "Maturity rating 18"sv;

// The rating saved: 12.
constexpr std::string_view kSaved12 =
    "\x9F\x88\x0C\x59"  // list_last, 89 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x10" "Parental control"
    "\x9F\x88\x03\x0D" "Setting saved"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x19" "Maturity rating is now 12"sv;

// The rating saved: 16.
constexpr std::string_view kSaved16 =
    "\x9F\x88\x0C\x59"  // list_last, 89 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x10" "Parental control"
    "\x9F\x88\x03\x0D" "Setting saved"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x19" "Maturity rating is now 16"sv;

// The rating saved: 18.
constexpr std::string_view kSaved18 =
    "\x9F\x88\x0C\x59"  // list_last, 89 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x10" "Parental control"
    "\x9F\x88\x03\x0D" "Setting saved"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x19" "Maturity rating is now 18"sv;

// The languages, each in a character table of its own.
constexpr std::string_view kLanguages =
    "\x9F\x88\x09\x81\x9A"  // menu_last, 154 bytes
    "\x06"  // 6 items
    "\x9F\x88\x03\x0A" "\x1F\x01Language"
    "\x9F\x88\x03\x1B" "Menu language of the module"
    "\x9F\x88\x03\x11" "Choose a language"
    "\x9F\x88\x03\x09" "\x1F\x01" "English"
    "\x9F\x88\x03\x08" "Fran\xE7" "ais"
    "\x9F\x88\x03\x07" "\x05T\xFCrk\xE7" "e"
    "\x9F\x88\x03\x0F" "\x10\x00\x02J\xEAzyk polski"
    "\x9F\x88\x03\x0F" "\x15\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9"
    "\x9F\x88\x03\x09" "\x86" "Deutsch\x87"sv;

// The language chosen: English.
constexpr std::string_view kLanguageSetEnglish =
    "\x9F\x88\x0C\x49"  // list_last, 73 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x08" "Language"
    "\x9F\x88\x03\x15" "Menu language changed"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x09" "\x1F\x01" "English"sv;

// The language chosen: French.
constexpr std::string_view kLanguageSetFrench =
    "\x9F\x88\x0C\x48"  // list_last, 72 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x08" "Language"
    "\x9F\x88\x03\x15" "Menu language changed"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x08" "Fran\xE7" "ais"sv;

// The language chosen: Turkish.
constexpr std::string_view kLanguageSetTurkish =
    "\x9F\x88\x0C\x47"  // list_last, 71 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x08" "Language"
    "\x9F\x88\x03\x15" "Menu language changed"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x07" "\x05T\xFCrk\xE7" "e"sv;

// The language chosen: Polish.
constexpr std::string_view kLanguageSetPolish =
    "\x9F\x88\x0C\x4F"  // list_last, 79 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x08" "Language"
    "\x9F\x88\x03\x15" "Menu language changed"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x0F" "\x10\x00\x02J\xEAzyk polski"sv;

// The language chosen: Russian.
constexpr std::string_view kLanguageSetRussian =
    "\x9F\x88\x0C\x4F"  // list_last, 79 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x08" "Language"
    "\x9F\x88\x03\x15" "Menu language changed"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x0F" "\x15\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9"sv;

// The language chosen: German.
constexpr std::string_view kLanguageSetGerman =
    "\x9F\x88\x0C\x49"  // list_last, 73 bytes
    "\x01"  // 1 item
    "\x9F\x88\x03\x08" "Language"
    "\x9F\x88\x03\x15" "Menu language changed"
    "\x9F\x88\x03\x12" "Press OK to return"
    "\x9F\x88\x03\x09" "\x86" "Deutsch\x87"sv;

// About the module: a list without items or count.
constexpr std::string_view kAbout =
    "\x9F\x88\x0C\x48"  // list_last, 72 bytes
    "\xFF"  // no count given
    "\x9F\x88\x03\x0B" "Kestrel CAM"
    "\x9F\x88\x03\x1A" "Software 2.04 (build 1187)"
    "\x9F\x88\x03\x16" "Press Cancel to return"sv;

// clang-format on

constexpr std::array kParental = {kParental12, kParental16, kParental18};
constexpr std::array kSaved = {kSaved12, kSaved16, kSaved18};
constexpr std::array kLanguageSet = {kLanguageSetEnglish, kLanguageSetFrench,  kLanguageSetTurkish,
                                     kLanguageSetPolish,  kLanguageSetRussian, kLanguageSetGerman};
constexpr std::string_view kPin = "1234";

constexpr std::uint8_t kMenuLastTag = 0x09, kListLastTag = 0x0C;

ByteView View(std::string_view bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

// The page's item count: the byte after the tag and its length field.
std::uint8_t ItemCount(ByteView object) {
    const std::size_t lengthBytes = (object[3] & 0x80) ? 1 + (object[3] & 0x7F) : 1;
    return object[3 + lengthBytes];
}

// Bytes of the character-table selector that leads a text: 0x10 takes three, 0x1F two, the
// other codes below 0x20 one.
std::size_t SelectorLength(ByteView text) {
    if (text.empty() || text[0] == 0x00 || text[0] >= 0x20) return 0;
    return std::min<std::size_t>(text[0] == 0x10 ? 3 : text[0] == 0x1F ? 2 : 1, text.size());
}

}  // namespace

ByteView ModuleMenus::Object() const {
    if (!m_page) return {};
    switch (*m_page) {
        case ModulePage::Main:
            return View(kMain);
        case ModulePage::CardInfo:
            return View(kCardInfo);
        case ModulePage::PinEntry:
            return View(kPinEntry);
        case ModulePage::PinWrong:
            return View(kPinWrong);
        case ModulePage::Parental:
            return View(kParental[m_rating]);
        case ModulePage::ParentalSaved:
            return View(kSaved[m_rating]);
        case ModulePage::Languages:
            return View(kLanguages);
        case ModulePage::LanguageSet:
            return View(kLanguageSet[m_language]);
        case ModulePage::About:
            return View(kAbout);
    }
    return {};
}

bool ModuleMenus::AnswerMenu(std::uint8_t choice) {
    const ByteView object = Object();
    if (object.empty() || (object[2] != kMenuLastTag && object[2] != kListLastTag)) return false;
    const std::uint8_t choices = object[2] == kMenuLastTag ? ItemCount(object) : 0;
    if (choice > choices) return false;
    switch (*m_page) {
        case ModulePage::Main: {
            constexpr std::array kTargets = {ModulePage::CardInfo, ModulePage::PinEntry,
                                             ModulePage::Languages, ModulePage::About};
            if (choice == 0)
                m_page.reset();
            else
                m_page = kTargets[choice - 1];
            return true;
        }
        case ModulePage::Parental:
            if (choice == 0) {
                m_page = ModulePage::Main;
                return true;
            }
            m_rating = choice - 1u;
            m_page = ModulePage::ParentalSaved;
            return true;
        case ModulePage::ParentalSaved:
            m_page = ModulePage::Parental;
            return true;
        case ModulePage::Languages:
            if (choice == 0) {
                m_page = ModulePage::Main;
                return true;
            }
            m_language = choice - 1u;
            m_page = ModulePage::LanguageSet;
            return true;
        default:
            m_page = ModulePage::Main;
            return true;
    }
}

bool ModuleMenus::AnswerEnquiry(ByteView answ) {
    if (m_page != ModulePage::PinEntry) return false;
    // An answer id other than "answer", or an empty answer, cancels: back to the main menu.
    ByteView text = !answ.empty() && answ[0] == 0x01 ? answ.subspan(1) : ByteView{};
    if (text.empty()) {
        m_page = ModulePage::Main;
        return true;
    }
    text = text.subspan(SelectorLength(text));
    const bool right = std::equal(text.begin(), text.end(), kPin.begin(), kPin.end());
    m_page = right ? ModulePage::Parental : ModulePage::PinWrong;
    return true;
}

}  // namespace linuxdvb::en50221
