// The field syntax of the list files: NextCsvField cuts one field off a line, and the helpers
// read a field the way the records need it (column names, decimal numbers).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "channels/CommaMap.h"
#include "channels/WordScan.h"

namespace orvalen {

// A field of a line: a view into the line buffer, or none when the line has no further field.
using CsvField = std::optional<std::u16string_view>;

// Cuts the next field off `cursor`, the rest of a line's text (its end is the end of the text),
// and advances the cursor past the field and its delimiter. Returns none when the cursor stands
// at a line feed or at the end, or when the field fails (a closing quote followed by anything
// but a comma, a line feed or the end); a failed field also empties the cursor, so the line
// gives no further fields. The value never includes enclosing quotes; nothing is trimmed.
CsvField NextCsvField(std::u16string_view& cursor);

// The fields of one line as WideTextReader::ReadLine reads it (a line feed can only be its last
// unit), with the commas ReadLine noted in it. They are cut as NextCsvField cuts them, one call
// after the other, but an unquoted field ends at the next noted comma without a second look at
// its units.
struct CsvFields {
    std::u16string_view line;
    const CommaMap& commas;

    // Calls field(index, value) for each of the first `count` fields in order, index counting
    // from 0; stops at the line's last field or before a failed one.
    template <typename Field>
    void ForEach(std::size_t count, Field&& field) const;
};

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

namespace csvdigits {

// Four UTF-16 units as one word, the first in its lowest lane, each lane XORed with '0': the
// digits '0' to '9' become the lane values 0 to 9.
inline std::uint64_t LanesAt(const char16_t* p) {
    return wordscan::Load(p) ^ 0x0030003000300030;
}

// Whether every lane of `first` and `last` (as LanesAt gives them) holds 0 to 9: below 16, and
// none reaching 16 with 6 added.
constexpr bool AreDigits(std::uint64_t first, std::uint64_t last) {
    constexpr std::uint64_t kSix = 0x0006000600060006;
    return ((first | last) & 0xFFF0FFF0FFF0FFF0) == 0 &&
           (((first + kSix) | (last + kSix)) & 0x0010001000100010) == 0;
}

// The four-digit number in `lanes`, the lowest lane its first digit.
constexpr std::uint32_t ValueOf(std::uint64_t lanes) {
    // Each lane times ten plus the lane after it: the first and third lanes hold two-digit
    // numbers, and one multiplication puts the first hundred times plus the third in the upper
    // half.
    const std::uint64_t pairs = (lanes * 10 + (lanes >> 16)) & 0x0000FFFF0000FFFF;
    return static_cast<std::uint32_t>((pairs * (1 + (std::uint64_t{100} << 32))) >> 32);
}

}  // namespace csvdigits

// GCC 12 warns that the loads below may reach outside a literal shorter than four units when it
// inlines a call with one, though the size test keeps them from running for it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"

// As the C runtime's wcstol(text, nullptr, 10) with a 32-bit long: leading white space, an
// optional sign, digits up to the first non-digit, 0 when there are none, and values beyond
// the 32-bit range clamped to its limits.
inline std::int32_t ParseDecimalInt32(std::u16string_view text) {
    using namespace csvdigits;
    // Nearly every number of a list is a few plain digits. Four to eight are read as two words
    // of four, the last four units and the first four (which overlap in a shorter number); the
    // first word is shifted so that only the digits before the last four stay in it.
    const std::size_t size = text.size();
    const char16_t* const p = text.data();
    if (size >= 4 && size <= 8) {
        const std::uint64_t last = LanesAt(p + size - 4);
        const std::uint64_t first = size > 4 ? LanesAt(p) << ((8 - size) * 16) : 0;
        if (AreDigits(first, last)) {
            return static_cast<std::int32_t>(ValueOf(first) * 10000 + ValueOf(last));
        }
        return ParseAnyDecimalInt32(text);
    }
    if (size == 0 || size > 3) return ParseAnyDecimalInt32(text);
    // One test after the loop rather than one per digit.
    std::uint32_t value = 0;
    bool plain = true;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint32_t digit = static_cast<std::uint32_t>(p[i]) - u'0';
        plain &= digit <= 9;
        value = value * 10 + digit;
    }
    return plain ? static_cast<std::int32_t>(value) : ParseAnyDecimalInt32(text);
}

#pragma GCC diagnostic pop

template <typename Field>
void CsvFields::ForEach(std::size_t count, Field&& field) const {
    const char16_t* const text = line.data();
    const std::size_t size = line.size();
    // The line feed, when there is one, ends the last field.
    const std::size_t end = size > 0 && text[size - 1] == u'\n' ? size - 1 : size;
    // The commas not yet passed, a word of the map at a time: each unquoted field ends at the
    // lowest one.
    std::size_t word = 0;
    std::uint64_t ahead = commas.Word(0);
    std::size_t at = 0;
    for (std::size_t i = 0; i < count && at < end; ++i) {
        if (text[at] == u'"') {
            std::u16string_view rest(text + at, size - at);
            const CsvField value = NextCsvField(rest);
            if (!value) return;
            field(i, *value);
            // The commas inside the quotes are passed (a line is shorter than the map).
            at = static_cast<std::size_t>(rest.data() - text);
            word = at / 64;
            ahead = commas.Word(word) & (~std::uint64_t{0} << (at % 64));
            continue;
        }
        while (ahead == 0 && (word + 1) * 64 < end) ahead = commas.Word(++word);
        std::size_t fieldEnd = end;
        if (ahead != 0) {
            const std::size_t comma = word * 64 + static_cast<std::size_t>(std::countr_zero(ahead));
            fieldEnd = comma < end ? comma : end;
            ahead &= ahead - 1;
        }
        field(i, std::u16string_view(text + at, fieldEnd - at));
        at = fieldEnd + 1;
    }
}

}  // namespace orvalen
