// Whole files for the list conversions: an input read at once with a size bound, and an output
// written whole, so that a failed or interrupted run leaves an existing file as it was.
//
// Any thread; the functions hold no state.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvalen {

// Larger inputs are refused: no channel file of a single dish comes near this.
inline constexpr std::size_t kMaxConvertedFileBytes = 16 * 1024 * 1024;

// The bytes of the regular file `path`, or none with `error` set to a short reason ("No such
// file or directory", "not a regular file", "larger than 16 MiB").
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error);

// Writes `bytes` to `path` through a temporary file in the same folder, flushed to disk before
// it takes the name. Without `replace` an existing `path` is left alone and the write fails, even
// when the file appears while this runs. Returns an empty string on success, else the reason.
std::string WriteWholeFile(const std::string& path, std::string_view bytes, bool replace);

}  // namespace orvalen
