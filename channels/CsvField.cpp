#include "channels/CsvField.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "channels/WordScan.h"

namespace orvalen {

namespace {

// The index of the first `a` or `b` in p[0 .. size), or size when there is none.
std::size_t FindEither(const char16_t* p, std::size_t size, char16_t a, char16_t b) {
    using namespace wordscan;
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        const std::uint64_t word = Load(p + i);
        if (const std::uint64_t found = UnitsEqual(word, a) | UnitsEqual(word, b)) {
            return i + FirstUnit(found);
        }
    }
    while (i < size && p[i] != a && p[i] != b) ++i;
    return i;
}

}  // namespace

CsvField NextCsvField(std::u16string_view& cursor) {
    if (cursor.empty() || cursor.front() == u'\n') return std::nullopt;
    const std::size_t size = cursor.size();
    const char16_t* const p = cursor.data();

    if (p[0] == u'"') {
        std::size_t i = 1 + FindEither(p + 1, size - 1, u'"', u'\n');
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

    const std::size_t i = FindEither(p, size, u',', u'\n');
    const std::u16string_view value(p, i);
    cursor = cursor.substr(i < size ? i + 1 : size);
    return value;
}

std::int32_t ParseAnyDecimalInt32(std::u16string_view text) {
    std::size_t i = 0;
    const std::size_t size = text.size();
    while (i < size && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < size && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate the magnitude; eighteen digits cannot overflow, and past them it saturates
    // just beyond the 32-bit range, so that long digit runs cannot overflow either.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (const std::size_t end = std::min(size, i + 18); i < end; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i]) - u'0';
        if (digit > 9) break;
        magnitude = magnitude * 10 + digit;
    }
    magnitude = std::min(magnitude, kLimit);
    for (; i < size && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - u'0'), kLimit);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);  // -kLimit is exactly the 32-bit minimum
}

}  // namespace orvalen
