#include "dialogs/DialogInteger.h"

#include <limits>

std::uint32_t ReadDialogInteger(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) {
        return 0;
    }
    std::uint64_t value = 0;
    for (const char16_t c : text.substr(first)) {
        if (c < u'0' || c > u'9') {
            return 0;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return 0;
        }
    }
    return static_cast<std::uint32_t>(value);
}
