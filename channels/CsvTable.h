// LoadCsvTable, the reading procedure shared by both list files: a header line of up to 20
// column names, then one record per line, each offered to a keeping rule. The procedure runs
// over a byte buffer; the file variant only adds opening and reading the file.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "channels/CsvField.h"
#include "channels/WideTextReader.h"

namespace orvalen {

inline constexpr std::size_t kCsvLineUnits = 1024;  // line buffer size, terminator included
inline constexpr int kMaxCsvColumns = 20;

// One line as read into the line buffer. `number` counts the reads of the file, the header
// being 1; the rest of an overlong line is a read, and so a number, of its own.
struct CsvLine {
    std::size_t number = 0;
    std::u16string_view text;  // up to the first zero unit, line feed included
};

// Told why a list gives fewer records than its file has lines. Used by the list checker; the
// program itself reports nothing.
class ListReadObserver {
public:
    virtual ~ListReadObserver() = default;
    // The file gives no table at all (cannot be read, or no header).
    virtual void TableUnread(std::string_view why) = 0;
    // A line whose record was not kept.
    virtual void LineDropped(const CsvLine& line, std::string_view why) = 0;
};

// The whole content of a file, or none when it cannot be opened. A file that opens but cannot
// be read (a directory) reads as empty. The name is UTF-16 as the lists hold it; it is opened
// unchanged, relative to the working directory, and ends at its first zero unit.
std::optional<std::vector<std::uint8_t>> ReadListFile(std::u16string_view fileName);

// Reads the table in `bytes`. For each data line, `parse(names, values, columnCount)` builds a
// record (std::unique_ptr<Record>) and `keep(std::move(record), line)` takes it; a record the
// rule does not store is freed when the rule returns.
template <typename Parse, typename Keep>
void LoadCsvTable(std::span<const std::uint8_t> bytes, Parse&& parse, Keep&& keep,
                  ListReadObserver* observer = nullptr) {
    WideTextReader reader(bytes);
    std::array<char16_t, kCsvLineUnits> headerBuffer;
    std::array<char16_t, kCsvLineUnits> lineBuffer;
    std::array<std::u16string_view, kMaxCsvColumns> names;
    std::array<CsvField, kMaxCsvColumns> values;

    // A line's text ends at its first zero unit, as for any C string.
    std::size_t textUnits = 0;
    const std::size_t headerUnits =
        reader.ReadLine(headerBuffer.data(), headerBuffer.size(), &textUnits);
    std::u16string_view header(headerBuffer.data(), textUnits);
    if (header.size() < 2) {
        if (observer) observer->TableUnread(headerUnits == 0 ? "empty file" : "no header");
        return;
    }
    int columns = 0;
    while (columns < kMaxCsvColumns) {
        CsvField name = NextCsvField(header);
        if (!name) break;
        names[columns++] = *name;
    }

    std::size_t lineNumber = 1;
    while (!reader.AtEnd()) {
        std::fill_n(values.begin(), columns, std::nullopt);
        if (reader.ReadLine(lineBuffer.data(), lineBuffer.size(), &textUnits) == 0) break;
        const CsvLine line{++lineNumber, std::u16string_view(lineBuffer.data(), textUnits)};
        std::u16string_view cursor = line.text;
        for (int i = 0; i < columns; ++i) {
            values[i] = NextCsvField(cursor);
            if (!values[i]) break;
        }
        keep(parse(std::span<const std::u16string_view>(names), std::span<const CsvField>(values),
                   columns),
             line);
    }
}

// The same over the file `fileName`; a file that cannot be opened gives no records.
template <typename Parse, typename Keep>
void LoadCsvTable(std::u16string_view fileName, Parse&& parse, Keep&& keep,
                  ListReadObserver* observer = nullptr) {
    const std::optional<std::vector<std::uint8_t>> bytes = ReadListFile(fileName);
    if (!bytes) {
        if (observer) observer->TableUnread("cannot be opened");
        return;
    }
    LoadCsvTable(std::span<const std::uint8_t>(*bytes), parse, keep, observer);
}

}  // namespace orvalen
