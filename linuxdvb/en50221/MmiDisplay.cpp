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
    // Modules often leave the count out: then every item that arrived counts, up to the most a
    // count can say without reading as "not given" itself. Without items it stays not given.
    const std::size_t items = texts->size() - 3;
    const bool given = body[0] != MmiDisplay::kNoItemCount;
    display.count = static_cast<std::uint32_t>(
        std::min<std::size_t>(items, given ? body[0] : MmiDisplay::kNoItemCount - 1));
    texts->resize(3 + display.count);
    if (!given && display.count == 0) display.count = MmiDisplay::kNoItemCount;
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
