#include "dialogs/MmiStrings.h"

#include <algorithm>

std::vector<MmiText> DecodeMmiStrings(std::span<const std::uint8_t> text, std::size_t count) {
    std::vector<MmiText> strings(std::min(count, kMmiMaxStrings));
    for (auto& string : strings) {
        if (text.empty()) {
            break;
        }
        string = DecodeMmiText(text);
        text = text.subspan(MmiStringSize(text));
    }
    return strings;
}
