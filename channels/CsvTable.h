// LoadCsvTable, the reading procedure shared by both list files: a header line of up to 20
// column names, then one record per line, each offered to a keeping rule. The procedure runs
// over a text reader, whose bytes are a buffer in memory or a file read a chunk at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "channels/CsvField.h"
#include "channels/ListFile.h"
#include "channels/WideTextReader.h"

namespace orvalen {

inline constexpr std::size_t kCsvLineUnits = 1024;  // line buffer size, terminator included
static_assert(kCsvLineUnits <= CommaMap::kUnits);
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

// Reads the table from `reader`. For each data line, `parse(names, fields, columnCount)` builds
// a record (std::unique_ptr<Record>) and `keep(std::move(record), line)` takes it; a record the
// rule does not store is freed when the rule returns.
template <typename Parse, typename Keep>
void LoadCsvTable(WideTextReader& reader, Parse&& parse, Keep&& keep,
                  ListReadObserver* observer = nullptr) {
    std::array<char16_t, kCsvLineUnits> headerBuffer;
    std::array<char16_t, kCsvLineUnits> lineBuffer;
    std::array<std::u16string_view, kMaxCsvColumns> names;
    CommaMap commas;

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
        if (reader.ReadLine(lineBuffer.data(), lineBuffer.size(), &textUnits, &commas) == 0) break;
        const CsvLine line{++lineNumber, std::u16string_view(lineBuffer.data(), textUnits)};
        keep(parse(std::span<const std::u16string_view>(names), CsvFields{line.text, commas},
                   columns),
             line);
    }
}

// The same over the text in `bytes`.
template <typename Parse, typename Keep>
void LoadCsvTable(std::span<const std::uint8_t> bytes, Parse&& parse, Keep&& keep,
                  ListReadObserver* observer = nullptr) {
    WideTextReader reader(bytes);
    LoadCsvTable(reader, parse, keep, observer);
}

// The same over the file `fileName` (see ListFile); a file that cannot be opened gives no
// records.
template <typename Parse, typename Keep>
void LoadCsvTable(std::u16string_view fileName, Parse&& parse, Keep&& keep,
                  ListReadObserver* observer = nullptr) {
    const std::unique_ptr<ListFile> file = ListFile::Open(fileName);
    if (!file) {
        if (observer) observer->TableUnread("cannot be opened");
        return;
    }
    WideTextReader reader(*file);
    LoadCsvTable(reader, parse, keep, observer);
}

}  // namespace orvalen
