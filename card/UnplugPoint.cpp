#include "card/UnplugPoint.h"

#include <charconv>

namespace card {

std::optional<UnplugPoint> ParseUnplugPoint(std::string_view text, std::string& error) {
    UnplugPoint point;
    std::string_view count = text;
    if (text.starts_with("step:")) {
        count.remove_prefix(5);
    } else if (text.starts_with("tune:")) {
        point.request = UnplugPoint::Request::Tune;
        count.remove_prefix(5);
    } else {
        count = {};
    }
    const auto [end, failed] =
        std::from_chars(count.data(), count.data() + count.size(), point.count);
    if (count.empty() || failed != std::errc() || end != count.data() + count.size() ||
        point.count == 0) {
        error = "\"" + std::string(text) + "\" is not step:N or tune:N (N from 1)";
        return std::nullopt;
    }
    return point;
}

}  // namespace card
