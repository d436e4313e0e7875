// The simulated module's menu tree: every page as the module sends it, written out byte for byte
// (tag, length field, item count, text objects), and where each answer leads. It shows the same
// menus, list, PIN enquiry and character-table selectors as the simulated card's CAM, but
// nothing here comes from the card's or the host's code: a fault there cannot hide behind a
// module that shares it.
//
// Not thread-safe: the module calls it under its own lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

enum class ModulePage {
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

// The MMI objects that are not pages: close_mmi at once, and the module's wish for the
// high-level MMI (display_control, set_mmi_mode).
inline constexpr std::string_view kCloseMmiObject{"\x9F\x88\x00\x01\x00", 5};
inline constexpr std::string_view kHighLevelMmiObject{"\x9F\x88\x01\x02\x01\x01", 6};

class ModuleMenus {
public:
    // Starts a dialogue at the main menu (again, if one was going on) / ends it. The settings
    // the pages changed are kept.
    void Open() { m_page = ModulePage::Main; }
    void Close() { m_page.reset(); }

    // The page shown, none between dialogues.
    std::optional<ModulePage> Page() const { return m_page; }
    // The page shown as its whole object (menu_last, list_last or enq); empty between dialogues.
    ByteView Object() const;

    // A menu_answ (0: back, or the item chosen; a list only goes back): false, the page
    // staying, when it is not a menu or list or the choice is beyond its items. Leaving the
    // main menu ends the dialogue.
    bool AnswerMenu(std::uint8_t choice);
    // An answ: its id (0x01 an answer, else cancelled) and text, which may lead with a
    // character-table selector. False, the page staying, when no enquiry is shown.
    bool AnswerEnquiry(ByteView answ);

private:
    std::optional<ModulePage> m_page;
    std::size_t m_rating = 1;    // 12, 16 or 18: the item of the rating menu, from 0
    std::size_t m_language = 0;  // the item of the language menu, from 0
};

}  // namespace linuxdvb::en50221
