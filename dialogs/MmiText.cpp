#include "dialogs/MmiText.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "text/DvbText.h"

namespace {

struct Extent {
    std::size_t length = 0;   // selector and text, without the NUL
    bool terminated = false;  // whether a NUL follows
};

Extent ExtentOf(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return {};
    }
    const std::size_t start = std::min(DvbTextSelectorOf(bytes[0]).length, bytes.size());
    const auto nul = std::find(bytes.begin() + start, bytes.end(), std::uint8_t{0});
    return {static_cast<std::size_t>(nul - bytes.begin()), nul != bytes.end()};
}

}  // namespace

std::size_t MmiStringSize(std::span<const std::uint8_t> bytes) {
    const Extent extent = ExtentOf(bytes);
    return extent.length + (extent.terminated ? 1 : 0);
}

MmiText DecodeMmiText(std::span<const std::uint8_t> bytes) {
    MmiText result;
    const Extent extent = ExtentOf(bytes);
    const auto string = bytes.first(extent.length);
    if (string.empty()) {
        return result;
    }
    const DvbTextSelector selector = DvbTextSelectorOf(string[0]);
    if (!selector.supported) {
        result.text = kMmiUnsupportedText;
        return result;
    }
    if (string.size() < selector.length) {
        return result;  // a selector cut by the end of the text: nothing to show
    }
    std::copy_n(string.begin(), selector.length, result.selector.begin());
    result.selectorLength = static_cast<std::int32_t>(selector.length);
    result.codePage = DvbTextCodePage(string.first(selector.length), kMmiDefaultCodePage);

    const std::size_t end = std::min(string.size(), kMmiStringLimit);
    const bool cut = !extent.terminated || string.size() > kMmiStringLimit;
    const std::string_view encoded(reinterpret_cast<const char*>(string.data()) + selector.length,
                                   end - selector.length);
    auto text = DecodeDvbTextBody(result.codePage, encoded, cut ? TextEnd::Cut : TextEnd::Complete);
    // A table whose code page is not available shows as unsupported.
    result.text = text ? std::move(*text) : kMmiUnsupportedText;
    return result;
}
