#include "dialogs/EnquiryAnswer.h"

#include "text/CodePage.h"

namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

std::vector<std::uint8_t> BuildEnquiryAnswer(std::span<const std::uint8_t> selector,
                                             std::uint32_t codePage, std::u16string_view typed) {
    std::u16string_view text = typed.substr(0, kEnquiryAnswerCharacters);
    if (!text.empty() && text.size() < typed.size() && IsHighSurrogate(text.back())) {
        text.remove_suffix(1);
    }
    std::vector<std::uint8_t> answer(selector.begin(), selector.end());
    if (const auto encoded = EncodeCodePage(codePage, text, kEnquiryAnswerTextBytes)) {
        answer.insert(answer.end(), encoded->begin(), encoded->end());
    }
    return answer;
}
