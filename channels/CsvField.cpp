#include "channels/CsvField.h"

#include <cstddef>
#include <limits>

namespace orvalen {

CsvField NextCsvField(std::u16string_view& cursor) {
    if (cursor.empty() || cursor.front() == u'\n') return std::nullopt;
    const std::size_t size = cursor.size();
    const char16_t* const p = cursor.data();

    if (p[0] == u'"') {
        std::size_t i = 1;
        while (i < size && p[i] != u'"' && p[i] != u'\n') ++i;
        const std::u16string_view value(p + 1, i - 1);
        if (i == size) {  // no closing quote, and the text ends
            cursor = cursor.substr(size);
            return value;
        }
        if (p[i] == u'\n') {  // no closing quote: the field ends at the line end
            cursor = cursor.substr(i + 1);
            return value;
        }
        ++i;  // the closing quote
        if (i == size) {
            cursor = cursor.substr(size);
            return value;
        }
        if (p[i] == u',' || p[i] == u'\n') {
            cursor = cursor.substr(i + 1);
            return value;
        }
        cursor = cursor.substr(size);
        return std::nullopt;
    }

    std::size_t i = 0;
    while (i < size && p[i] != u',' && p[i] != u'\n') ++i;
    const std::u16string_view value(p, i);
    cursor = cursor.substr(i < size ? i + 1 : size);
    return value;
}

std::int32_t ParseDecimalInt32(std::u16string_view text) {
    std::size_t i = 0;
    const std::size_t size = text.size();
    while (i < size && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < size && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate the magnitude, saturating just past the 32-bit range so long digit runs
    // cannot overflow.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < size && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - u'0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);  // -kLimit is exactly the 32-bit minimum
}

}  // namespace orvalen
