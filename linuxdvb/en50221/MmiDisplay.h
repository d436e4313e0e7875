// What a module shows through the high-level man-machine interface: a menu, a list or an
// enquiry, parsed from the module's objects with every length checked against the bytes
// received.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

struct MmiDisplay {
    enum Kind : std::uint32_t { kMenu = 1, kList = 2, kEnquiry = 3, kBlindEnquiry = 4 };
    static constexpr std::uint32_t kNoItemCount = 0xFF;

    Kind kind = kMenu;
    // Menus and lists: the number of items, kNoItemCount when the module gave no count and no
    // items. Enquiries: the answer length the module expects (0xFF: not given).
    std::uint32_t count = 0;
    // Menus and lists: title, subtitle, bottom line, then the items. Enquiries: the prompt.
    // Raw text as the module sends it, each string possibly led by a character-table selector.
    std::vector<std::string> strings;
};

// The body of a whole menu or list (the _more parts already joined): the item count, then
// title, subtitle, bottom line and items, each a text object that may itself come in parts.
// None when a text object is malformed, another object sits among them, or the three leading
// strings are missing. Items beyond a given count are dropped; the count is cut to the items
// present, and a count the module did not give (0xFF) is the number of items present, if any.
std::optional<MmiDisplay> ParseMenu(ByteView body, bool list);

// The body of an enquiry: the blind-answer flag, the answer length and the prompt.
std::optional<MmiDisplay> ParseEnquiry(ByteView body);

}  // namespace linuxdvb::en50221
