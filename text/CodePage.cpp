#include "text/CodePage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace {

constexpr std::uint32_t kIso8859Base = 28590;
constexpr std::uint32_t kIso8859Last = 28606;

// The character set named by the environment's locale, independent of whether the process has
// called setlocale; "C" when the environment names no usable locale.
std::string LocaleCharset() {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        locale = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }
    std::string name = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return name;
}

std::optional<std::string> IconvName(std::uint32_t codePage) {
    if (codePage == 0) {
        return LocaleCharset();
    }
    if (codePage > kIso8859Base && codePage <= kIso8859Last) {
        // Part 12 does not exist; iconv_open refuses it.
        return "ISO-8859-" + std::to_string(codePage - kIso8859Base);
    }
    switch (codePage) {
        case 936:
            return "CP936";
        case 950:
            return "CP950";
        case 20269:
            return "ISO_6937";
        case 65001:
            return "UTF-8";
        default:
            return std::nullopt;
    }
}

class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : m_cd(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (Valid()) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input, or fails on an invalid or incomplete sequence, an unmappable
    // character, or an output longer than maxOut bytes.
    std::optional<std::string> Run(std::string_view in, std::size_t maxOut) {
        std::string out(std::min(maxOut, in.size() * 4 + 16), '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t used = 0;
        for (bool flushing = false;;) {
            char* dst = out.data() + used;
            std::size_t dstLeft = out.size() - used;
            const std::size_t rc = flushing ? iconv(m_cd, nullptr, nullptr, &dst, &dstLeft)
                                            : iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            used = out.size() - dstLeft;
            if (rc != static_cast<std::size_t>(-1)) {
                if (flushing) {
                    break;
                }
                flushing = true;  // emit any closing shift sequence of a stateful encoding
                continue;
            }
            if (errno != E2BIG || out.size() >= maxOut) {
                return std::nullopt;
            }
            out.resize(std::min(maxOut, out.size() * 2));
        }
        out.resize(used);
        return out;
    }

    // Converts the whole input to UTF-16LE, putting U+FFFD in place of each undecodable
    // sequence; fails only on an error iconv should not give for a decoder.
    std::optional<std::string> RunReplacing(std::string_view in, TextEnd end) {
        std::string out(in.size() * 2 + 16, '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t used = 0;
        while (srcLeft > 0) {
            char* dst = out.data() + used;
            std::size_t dstLeft = out.size() - used;
            const std::size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            used = out.size() - dstLeft;
            if (rc != static_cast<std::size_t>(-1)) break;
            const int error = errno;
            if (error == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            if (error == EINVAL && end == TextEnd::Cut) break;  // a character cut at the end
            if (error != EILSEQ && error != EINVAL) return std::nullopt;
            // EINVAL: the rest is one incomplete character.
            const std::size_t skip = error == EINVAL ? srcLeft : UndecodableLength({src, srcLeft});
            src += skip;
            srcLeft -= skip;
            if (out.size() - used < 2) out.resize(out.size() * 2);
            out[used++] = '\xFD';  // U+FFFD, little-endian
            out[used++] = '\xFF';
        }
        out.resize(used);
        return out;
    }

private:
    // The bytes at the start of `in` that the code page still takes as the beginning of one
    // character: the longest prefix it reports as incomplete rather than invalid, and at least
    // one byte, so that decoding moves on.
    std::size_t UndecodableLength(std::string_view in) {
        constexpr std::size_t kLongestCharacter = 4;
        std::size_t length = 1;
        for (std::size_t k = 2; k <= std::min(in.size(), kLongestCharacter); ++k) {
            char* src = const_cast<char*>(in.data());
            std::size_t srcLeft = k;
            char scratch[16];
            char* dst = scratch;
            std::size_t dstLeft = sizeof scratch;
            const bool incomplete =
                iconv(m_cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) &&
                errno == EINVAL;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            if (!incomplete) break;
            length = k;
        }
        return length;
    }

    iconv_t m_cd;
};

}  // namespace

std::optional<std::u16string> DecodeCodePage(std::uint32_t codePage, std::string_view bytes,
                                             TextEnd end) {
    const auto name = IconvName(codePage);
    if (!name) {
        return std::nullopt;
    }
    Converter converter("UTF-16LE", *name);
    if (!converter.Valid()) {
        return std::nullopt;
    }
    const auto units = converter.RunReplacing(bytes, end);
    if (!units) {
        return std::nullopt;
    }
    std::u16string text(units->size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>((*units)[2 * i]) |
                                        static_cast<unsigned char>((*units)[2 * i + 1]) << 8);
    }
    return text;
}

std::optional<std::string> EncodeCodePage(std::uint32_t codePage, std::u16string_view text,
                                          std::size_t maxBytes) {
    const auto name = IconvName(codePage);
    if (!name) {
        return std::nullopt;
    }
    Converter converter(*name, "UTF-16LE");
    if (!converter.Valid()) {
        return std::nullopt;
    }
    std::string units(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        units[2 * i] = static_cast<char>(text[i] & 0xFF);
        units[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return converter.Run(units, maxBytes);
}
