#include "linuxdvb/FrontendId.h"

#include <algorithm>
#include <charconv>

namespace linuxdvb {
namespace {

// Reads `prefix` followed by a decimal number from the front of `text`.
std::optional<int> TakeNumbered(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) return std::nullopt;
    text.remove_prefix(prefix.size());
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data() || value < 0) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

}  // namespace

std::string FrontendName(const FrontendId& id) {
    return "adapter" + std::to_string(id.adapter) + "/frontend" + std::to_string(id.frontend);
}

std::optional<std::vector<FrontendId>> ParseFrontendOrder(std::string_view text) {
    std::vector<FrontendId> order;
    for (;;) {
        const auto adapter = TakeNumbered(text, "adapter");
        if (!adapter) return std::nullopt;
        const auto frontend = TakeNumbered(text, "/frontend");
        if (!frontend) return std::nullopt;
        const FrontendId id{*adapter, *frontend};
        if (std::find(order.begin(), order.end(), id) != order.end()) return std::nullopt;
        order.push_back(id);
        if (text.empty()) return order;
        if (text.front() != ',') return std::nullopt;
        text.remove_prefix(1);
    }
}

}  // namespace linuxdvb
