// orvalen-scan's update of SatelliteList.csv over arbitrary existing bytes. The first byte picks
// the slot (tuner, LNB source) and whether a file exists at all; the rest is the file. The
// update is made twice, for two lines that differ in every written value: the results must differ
// in one line only, the slot's, which takes the place of the slot's first line or follows the
// last one (which may gain its line end); every other line of the file is kept byte for byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/ScanLists.h"

namespace {

// The lines of `text`, each with its line end.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1);
        lines.push_back(text.substr(at, end + 1 - at));
        at = end + 1;
    }
    return lines;
}

// `kept` is `old`, or `old` without a line end that gained one.
bool Kept(const std::string& old, const std::string& kept, bool last) {
    if (kept == old) return true;
    return last && !old.ends_with('\n') && (kept == old + "\n" || kept == old + "\r\n");
}

// Whether `updated` is `old` with one line at `slot` put in, every other line kept.
bool OnlyTheSlotsLineDiffers(const std::string& old, const std::vector<std::string>& updated,
                             std::size_t slot) {
    const std::vector<std::string> before = Lines(old);
    const bool added = updated.size() == before.size() + 1;
    if (added ? slot != before.size() : updated.size() != before.size()) return false;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (i != slot && !Kept(before[i], updated[i], added && i + 1 == before.size()))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int tuner = 1 + (data[0] & 1), source = 1 + (data[0] >> 1 & 3);
    const std::optional<std::string> existing =
        data[0] & 0x80 ? std::nullopt
                       : std::optional<std::string>(
                             std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    std::string error, replaced;
    const auto first = orvalen::UpdateSatelliteList(
        existing, {tuner, source, "Fuzz, Sat 1.0E", "A.csv", "scanned"}, error, replaced);
    const auto second = orvalen::UpdateSatelliteList(
        existing, {tuner, source, "Other", "B.csv", "again"}, error, replaced);
    if (first.has_value() != second.has_value() || (!first && error.empty())) __builtin_trap();
    if (!first) return 0;

    const std::vector<std::string> a = Lines(*first), b = Lines(*second);
    if (a.size() != b.size()) __builtin_trap();
    std::vector<std::size_t> differing;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) differing.push_back(i);
    if (differing.size() != 1) __builtin_trap();
    const std::string old = existing.value_or("");
    const bool noFileYet = old.empty() || old == "\xEF\xBB\xBF";  // a header is written first
    if (!noFileYet && !OnlyTheSlotsLineDiffers(old, a, differing.front())) __builtin_trap();
    return 0;
}
