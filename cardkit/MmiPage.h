// One object of the CAM's man-machine interface as the CAM presents it: a menu, a list or an
// enquiry, its count word and its strings (raw 8-bit text, each possibly starting with a
// character-table selector), and its layout in the 2068-byte object a reader receives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cardkit {

inline constexpr std::uint32_t kMmiMenu = 1;
inline constexpr std::uint32_t kMmiList = 2;
inline constexpr std::uint32_t kMmiEnquiry = 3;
inline constexpr std::uint32_t kMmiNoItemCount = 255;
inline constexpr std::uint32_t kMmiObjectSize = 2068;
inline constexpr std::uint32_t kMmiTextCapacity = 2048;

struct MmiPage {
    std::uint32_t type = kMmiMenu;
    // Menus and lists: the number of items, or kMmiNoItemCount. Enquiries: the longest answer.
    std::uint32_t count = 0;
    // Menus and lists: title, subtitle, bottom line, then the items. Enquiries: the prompt.
    std::vector<std::string> strings;

    // Selectable choices of a menu (0, back, is always allowed).
    std::uint32_t ItemCount() const;
};

// Writes the object: id, type, count, text length, the NUL-terminated strings (zero padding to
// the end), and the unused last word.
void WriteMmiObject(const MmiPage& page, std::uint32_t objectId, std::uint8_t* object);

}  // namespace cardkit
