#include "ModuleQuirks.h"

#include <charconv>

namespace linuxdvb::en50221 {
namespace {

std::optional<std::size_t> Number(std::string_view text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

bool Apply(std::string_view name, std::optional<std::string_view> value, ModuleQuirks& quirks) {
    if (name == "late" || name == "chain") {
        const auto number = value ? Number(*value) : std::nullopt;
        if (!number || *number > 60000) return false;
        if (name == "late")
            quirks.lateCreateReply = std::chrono::milliseconds(*number);
        else
            quirks.chainBytes = *number;
        return *number != 0;
    }
    if (value) return false;
    if (name == "all") {
        quirks = AllQuirks();
        return true;
    }
    bool ModuleQuirks::*const flags[] = {
        &ModuleQuirks::strayAfterOpen,      &ModuleQuirks::strayAfterReset,
        &ModuleQuirks::severalPerRead,      &ModuleQuirks::profileFirst,
        &ModuleQuirks::applicationVersion3, &ModuleQuirks::countNotGiven,
        &ModuleQuirks::freshMmiSession,     &ModuleQuirks::keepConnection,
        &ModuleQuirks::removeInDialogue};
    const std::string_view names[] = {
        "stray-after-open", "stray-after-reset", "several-per-read", "profile-first",     "ai-v3",
        "count-ff",         "fresh-mmi",         "keep-connection",  "remove-in-dialogue"};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        if (name != names[i]) continue;
        quirks.*flags[i] = true;
        return true;
    }
    return false;
}

}  // namespace

ModuleQuirks AllQuirks() {
    ModuleQuirks quirks;
    quirks.lateCreateReply = std::chrono::milliseconds(1500);
    quirks.strayAfterOpen = quirks.strayAfterReset = quirks.severalPerRead = true;
    quirks.chainBytes = 16;
    quirks.profileFirst = quirks.applicationVersion3 = true;
    quirks.countNotGiven = quirks.freshMmiSession = quirks.keepConnection = true;
    return quirks;
}

std::optional<ModuleQuirks> ParseModuleQuirks(std::string_view text, std::string* error) {
    ModuleQuirks quirks;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const std::size_t equals = part.find('=');
        const std::string_view name = part.substr(0, equals);
        const auto value = equals == std::string_view::npos
                               ? std::nullopt
                               : std::optional<std::string_view>(part.substr(equals + 1));
        if (!Apply(name, value, quirks)) {
            if (error) *error = std::string(part);
            return std::nullopt;
        }
    }
    return quirks;
}

}  // namespace linuxdvb::en50221
