#include "linuxdvb/en50221/MmiDisplay.h"

#include <algorithm>
#include <utility>

#include "linuxdvb/en50221/Apdu.h"

namespace linuxdvb::en50221 {
namespace {

// Reads text objects until `in` is used up; a string may be split over text_more parts ending
// with a text_last.
std::optional<std::vector<std::string>> ReadTexts(ByteView in) {
    std::vector<std::string> texts;
    std::string pending;
    bool inText = false;
    while (!in.empty()) {
        const auto apdu = ReadApdu(in);
        if (!apdu || (apdu->tag != kTextLast && apdu->tag != kTextMore)) return std::nullopt;
        pending.append(apdu->body.begin(), apdu->body.end());
        inText = apdu->tag == kTextMore;
        if (!inText) texts.push_back(std::exchange(pending, {}));
        in = in.subspan(apdu->size);
    }
    if (inText) return std::nullopt;  // a string that never ended
    return texts;
}

}  // namespace

std::optional<MmiDisplay> ParseMenu(ByteView body, bool list) {
    if (body.empty()) return std::nullopt;
    auto texts = ReadTexts(body.subspan(1));
    if (!texts || texts->size() < 3) return std::nullopt;
    MmiDisplay display;
    display.kind = list ? MmiDisplay::kList : MmiDisplay::kMenu;
    const std::size_t items = texts->size() - 3;
    display.count = body[0];
    if (display.count != MmiDisplay::kNoItemCount) {
        display.count = static_cast<std::uint32_t>(std::min<std::size_t>(display.count, items));
        texts->resize(3 + display.count);
    }
    display.strings = std::move(*texts);
    return display;
}

std::optional<MmiDisplay> ParseEnquiry(ByteView body) {
    if (body.size() < 2) return std::nullopt;
    MmiDisplay display;
    display.kind = (body[0] & 0x01) != 0 ? MmiDisplay::kBlindEnquiry : MmiDisplay::kEnquiry;
    display.count = body[1];
    display.strings.emplace_back(body.begin() + 2, body.end());
    return display;
}

}  // namespace linuxdvb::en50221
