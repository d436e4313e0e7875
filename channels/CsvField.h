// The field syntax of the list files: NextCsvField cuts one field off a line, and the helpers
// read a field the way the records need it (column names, decimal numbers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "channels/CommaMap.h"

namespace orvalen {

// A field of a line: a view into the line buffer, or none when the line has no further field.
using CsvField = std::optional<std::u16string_view>;

// Cuts the next field off `cursor`, the rest of a line's text (its end is the end of the text),
// and advances the cursor past the field and its delimiter. Returns none when the cursor stands
// at a line feed or at the end, or when the field fails (a closing quote followed by anything
// but a comma, a line feed or the end); a failed field also empties the cursor, so the line
// gives no further fields. The value never includes enclosing quotes; nothing is trimmed.
CsvField NextCsvField(std::u16string_view& cursor);

// Cuts the fields of `line` into `values`, as NextCsvField one call after the other; the values
// past the line's last field (or past a failed one) are none. `line` is a line as
// WideTextReader::ReadLine reads it (a line feed can only be its last unit), and `commas` marks
// its commas, as ReadLine notes them.
void SplitCsvLine(std::u16string_view line, const CommaMap& commas, std::span<CsvField> values);

// Column name comparison: ASCII letters without regard to case, nothing trimmed.
inline bool ColumnNameIs(std::u16string_view name, std::u16string_view known) {
    if (name.size() != known.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char16_t a = name[i];
        char16_t b = known[i];
        if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + (u'a' - u'A'));
        if (b >= u'A' && b <= u'Z') b = static_cast<char16_t>(b + (u'a' - u'A'));
        if (a != b) return false;
    }
    return true;
}

// ParseDecimalInt32 for any text; the inline version below only takes its common case first.
std::int32_t ParseAnyDecimalInt32(std::u16string_view text);

// The value of the four UTF-16 units at `p` when all are the digits '0' to '9', else -1.
std::int32_t FourDigitsAt(const char16_t* p);

// As the C runtime's wcstol(text, nullptr, 10) with a 32-bit long: leading white space, an
// optional sign, digits up to the first non-digit, 0 when there are none, and values beyond
// the 32-bit range clamped to its limits.
inline std::int32_t ParseDecimalInt32(std::u16string_view text) {
    // Nearly every number of a list is a few plain digits, read four at a time; nine cannot
    // leave the range.
    const std::size_t size = text.size();
    if (size == 0 || size > 9) return ParseAnyDecimalInt32(text);
    std::uint32_t value = 0;
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        const std::int32_t group = FourDigitsAt(text.data() + i);
        if (group < 0) return ParseAnyDecimalInt32(text);
        value = value * 10000 + static_cast<std::uint32_t>(group);
    }
    // One test after the loop rather than one per digit.
    bool plain = true;
    for (; i < size; ++i) {
        const std::uint32_t digit = static_cast<std::uint32_t>(text[i]) - u'0';
        plain &= digit <= 9;
        value = value * 10 + digit;
    }
    return plain ? static_cast<std::int32_t>(value) : ParseAnyDecimalInt32(text);
}

}  // namespace orvalen
