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

void SplitCsvLine(std::u16string_view line, const CommaMap& commas, std::span<CsvField> values) {
    const char16_t* const text = line.data();
    const std::size_t size = line.size();
    // The line feed, when there is one, ends the last field.
    const std::size_t end = size > 0 && text[size - 1] == u'\n' ? size - 1 : size;
    std::size_t at = 0;
    std::size_t i = 0;
    for (; i < values.size() && at < end; ++i) {
        if (text[at] == u'"') {
            std::u16string_view rest(text + at, size - at);
            values[i] = NextCsvField(rest);
            if (!values[i]) break;
            at = static_cast<std::size_t>(rest.data() - text);
            continue;
        }
        // Unquoted, the common case: the field runs to the next comma or the line's end.
        const std::size_t fieldEnd = commas.Next(at, end);
        values[i] = std::u16string_view(text + at, fieldEnd - at);
        at = fieldEnd + 1;
    }
    for (; i < values.size(); ++i) values[i] = std::nullopt;
}

// The units are taken as one word, the first in its lowest lane.
std::int32_t FourDigitsAt(const char16_t* p) {
    const std::uint64_t word = wordscan::Load(p);
    // Every unit from 0x30 to 0x3F, and none of them reaching 0x40 with 6 added: '0' to '9'.
    if ((word & 0xFFF0FFF0FFF0FFF0) != 0x0030003000300030 ||
        ((word + 0x0006000600060006) & 0x0040004000400040) != 0) {
        return -1;
    }
    const std::uint64_t digits = word & 0x000F000F000F000F;
    // Each lane times ten plus the lane after it: the first and third lanes hold two-digit
    // numbers.
    const std::uint64_t pairs = digits * 10 + (digits >> 16);
    return static_cast<std::int32_t>((pairs & 0xFFFF) * 100 + ((pairs >> 32) & 0xFFFF));
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
