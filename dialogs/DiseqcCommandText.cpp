#include "dialogs/DiseqcCommandText.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kByteMax = 0xFF;
constexpr std::uint32_t kWordMax = 0xFFFFFFFFu;
constexpr std::uint64_t kOverflow = std::uint64_t{kWordMax} + 1;

bool IsCWhiteSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

// The value of a whole token read as an unsigned long in base 16 by the platform the dialog was
// designed on, whose unsigned long has 32 bits: a value out of range gives the largest one, and a
// minus sign negates modulo 2^32. nullopt when no number is found or characters follow it.
std::optional<std::uint32_t> ReadWholeHexToken(std::u16string_view token) {
    std::size_t i = 0;
    while (i < token.size() && IsCWhiteSpace(token[i])) {
        ++i;
    }
    const bool negative = i < token.size() && token[i] == u'-';
    if (i < token.size() && (token[i] == u'-' || token[i] == u'+')) {
        ++i;
    }
    if (i + 2 < token.size() && token[i] == u'0' &&
        (token[i + 1] == u'X' || token[i + 1] == u'x') && HexDigit(token[i + 2]) >= 0) {
        i += 2;
    }
    const std::size_t first = i;
    std::uint64_t value = 0;
    for (; i < token.size() && HexDigit(token[i]) >= 0; ++i) {
        value = std::min<std::uint64_t>(value * 16 + HexDigit(token[i]), kOverflow);
    }
    if (i == first || i != token.size()) {
        return std::nullopt;
    }
    if (value == kOverflow) {
        return kWordMax;  // out of range, whatever the sign
    }
    const auto word = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - word) : word;
}

char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

}  // namespace

std::u16string FormatDiseqcCommand(const std::array<std::uint8_t, kDiseqcMaxBytes>& bytes,
                                   std::int32_t length) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    const std::int32_t shown = std::clamp(length, 1, kDiseqcMaxBytes);
    std::u16string text;
    for (std::int32_t i = 0; i < shown; ++i) {
        if (i > 0) {
            text += u' ';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::optional<DiseqcMessage> ParseDiseqcCommand(std::u16string_view typed) {
    std::u16string text(typed);
    std::transform(text.begin(), text.end(), text.begin(), AsciiUpper);

    DiseqcMessage message;
    std::int32_t tokens = 0;
    std::size_t pos = 0;
    while ((pos = text.find_first_not_of(u' ', pos)) != std::u16string::npos) {
        const std::size_t end = std::min(text.find(u' ', pos), text.size());
        const auto value = ReadWholeHexToken(std::u16string_view(text).substr(pos, end - pos));
        if (!value || *value > kByteMax) {
            return std::nullopt;
        }
        if (tokens < kDiseqcMaxBytes) {
            message.bytes[tokens] = static_cast<std::uint8_t>(*value);
        }
        ++tokens;
        pos = end;
    }
    if (tokens < kDiseqcMinBytes || tokens > kDiseqcMaxBytes ||
        message.bytes[0] != kDiseqcFramingByte) {
        return std::nullopt;
    }
    message.length = tokens;
    return message;
}
