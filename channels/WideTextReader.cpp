#include "channels/WideTextReader.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "channels/WordScan.h"

namespace orvalen {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Bytes that the copying loop leaves to the decoder: line ends, the zero unit (it ends the
// line's text) and everything that is not ASCII.
constexpr auto kNeedsDecoding = [] {
    std::array<bool, 256> table{};
    for (int b = 0x80; b < 256; ++b) table[b] = true;
    table[0] = table['\r'] = table['\n'] = true;
    return table;
}();

// The longest look-ahead decoding needs: a UTF-8 character, or a UTF-16 unit and a CR LF's LF.
constexpr std::size_t kLookAhead = 4;

using namespace wordscan;

// The bytes of eight that kNeedsDecoding marks, flagged as wordscan flags lanes.
constexpr std::uint64_t Utf8Stops(std::uint64_t word) {
    return (word & kByteTops) | ZeroBytes(word) | BytesEqual(word, '\r') | BytesEqual(word, '\n');
}

// The UTF-16LE units of four that the copying loop leaves to the decoder: zero, CR and LF.
constexpr std::uint64_t Utf16Stops(std::uint64_t word) {
    return ZeroUnits(word) | UnitsEqual(word, u'\r') | UnitsEqual(word, u'\n');
}

char16_t UnitAt(const std::uint8_t* p) {
    return static_cast<char16_t>(p[0] | (p[1] << 8));
}

bool Utf16NeedsDecoding(char16_t unit) {
    return unit == 0 || unit == u'\r' || unit == u'\n';
}

// Copies the first of `max` bytes at `p` that need no decoding to `into`, eight at a time
// while there are eight; returns how many.
std::size_t CopyPlainUtf8(char16_t* into, const std::uint8_t* p, std::size_t max) {
    std::size_t run = 0;
    for (; run + 8 <= max; run += 8) {
        if (const std::uint64_t stops = Utf8Stops(Load(p + run))) {
            const std::size_t end = run + FirstByte(stops);
            for (; run < end; ++run) into[run] = p[run];
            return run;
        }
        for (std::size_t k = 0; k < 8; ++k) into[run + k] = p[run + k];
    }
    for (; run < max && !kNeedsDecoding[p[run]]; ++run) into[run] = p[run];
    return run;
}

// The same in UTF-16LE units, `max` of them at `p`.
std::size_t PlainUtf16Run(const std::uint8_t* p, std::size_t max) {
    std::size_t run = 0;
    for (; run + 4 <= max; run += 4) {
        if (const std::uint64_t stops = Utf16Stops(Load(p + 2 * run))) {
            return run + FirstUnit(stops);
        }
    }
    while (run < max && !Utf16NeedsDecoding(UnitAt(p + 2 * run))) ++run;
    return run;
}

}  // namespace

WideTextReader::WideTextReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
    SkipByteOrderMark();
}

WideTextReader::WideTextReader(ByteSource& source) : source_(&source), chunk_(kChunkBytes) {
    SkipByteOrderMark();
}

std::size_t WideTextReader::Available(std::size_t wanted) {
    std::size_t left = bytes_.size() - pos_;
    if (left >= wanted || source_ == nullptr || sourceEnded_) return left;
    if (left > 0) std::memmove(chunk_.data(), bytes_.data() + pos_, left);
    while (left < wanted && !sourceEnded_) {
        const std::size_t got = source_->Read(chunk_.data() + left, chunk_.size() - left);
        sourceEnded_ = got == 0;
        left += got;
    }
    bytes_ = std::span<const std::uint8_t>(chunk_.data(), left);
    pos_ = 0;
    return left;
}

void WideTextReader::SkipByteOrderMark() {
    Available(3);
    if (bytes_.size() >= 3 && bytes_[0] == 0xEF && bytes_[1] == 0xBB && bytes_[2] == 0xBF) {
        pos_ = 3;
    } else if (bytes_.size() >= 2 && bytes_[0] == 0xFF && bytes_[1] == 0xFE) {
        pos_ = 2;
        encoding_ = Encoding::Utf16Le;
    }
}

// One U+FFFD per maximal ill-formed subpart: a sequence stops being decoded at the first byte
// that cannot continue it, and that byte starts the next sequence.
char32_t WideTextReader::DecodeUtf8() {
    Available(kLookAhead);
    const std::size_t size = bytes_.size();
    const std::uint8_t lead = bytes_[pos_++];
    if (lead < 0x80) return lead;

    int trail;
    char32_t cp;
    std::uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the first trail byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) lo = 0xA0;  // no overlong forms
        if (lead == 0xED) hi = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) lo = 0x90;  // no overlong forms
        if (lead == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return kReplacement;
    }
    for (int i = 0; i < trail; ++i) {
        if (pos_ >= size) return kReplacement;
        const std::uint8_t b = bytes_[pos_];
        if (b < lo || b > hi) return kReplacement;
        cp = (cp << 6) | (b & 0x3F);
        ++pos_;
        lo = 0x80;
        hi = 0xBF;
    }
    return cp;
}

int WideTextReader::DecodeNext(char16_t& first, char16_t& second) {
    if (encoding_ == Encoding::Utf16Le) {
        Available(kLookAhead);
        if (pos_ + 1 >= bytes_.size()) {
            pos_ = bytes_.size();  // a lone last byte is no code unit
            return 0;
        }
        char16_t unit = UnitAt(&bytes_[pos_]);
        pos_ += 2;
        if (unit == u'\r' && pos_ + 1 < bytes_.size() && bytes_[pos_] == 0x0A &&
            bytes_[pos_ + 1] == 0) {
            pos_ += 2;
            unit = u'\n';
        }
        first = unit;
        return 1;
    }
    char32_t cp = DecodeUtf8();
    if (cp == U'\r' && pos_ < bytes_.size() && bytes_[pos_] == 0x0A) {
        ++pos_;
        cp = U'\n';
    }
    if (cp < 0x10000) {
        first = static_cast<char16_t>(cp);
        return 1;
    }
    cp -= 0x10000;
    first = static_cast<char16_t>(0xD800 + (cp >> 10));
    second = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    return 2;
}

std::size_t WideTextReader::CopyPlainRun(char16_t* into, std::size_t room) {
    const std::uint8_t* const data = bytes_.data() + pos_;
    const std::size_t left = bytes_.size() - pos_;
    if (encoding_ == Encoding::Utf8) {
        const std::size_t run = CopyPlainUtf8(into, data, room < left ? room : left);
        pos_ += run;
        return run;
    }
    // A unit cut in two by the end of the chunk is left to the decoder, which reads on.
    const std::size_t units = left / 2;
    const std::size_t run = PlainUtf16Run(data, room < units ? room : units);
    std::memcpy(into, data, 2 * run);  // UTF-16LE is the host's own order
    pos_ += 2 * run;
    return run;
}

std::size_t WideTextReader::ReadLine(char16_t* buffer, std::size_t capacity,
                                     std::size_t* textUnits) {
    std::size_t firstZero = SIZE_MAX;
    const std::size_t n = ReadUnits(buffer, capacity, firstZero);
    if (textUnits) *textUnits = firstZero < n ? firstZero : n;
    return n;
}

std::size_t WideTextReader::ReadUnits(char16_t* buffer, std::size_t capacity,
                                      std::size_t& firstZero) {
    if (capacity < 2) {
        if (capacity == 1) buffer[0] = 0;
        return 0;
    }
    const std::size_t limit = capacity - 1;
    std::size_t n = 0;
    if (pendingUnit_ != 0) {
        buffer[n++] = pendingUnit_;
        pendingUnit_ = 0;
    }
    while (n < limit && Available(1) > 0) {
        n += CopyPlainRun(buffer + n, limit - n);
        if (n >= limit) break;
        if (pos_ >= bytes_.size()) continue;  // the chunk is used up; the next may go on
        char16_t first = 0, second = 0;
        const int units = DecodeNext(first, second);
        if (units == 0) break;
        if (first == 0 && firstZero == SIZE_MAX) firstZero = n;
        buffer[n++] = first;
        if (units == 2) {
            if (n < limit) {
                buffer[n++] = second;
            } else {
                pendingUnit_ = second;
            }
        }
        if (first == u'\n') break;
    }
    buffer[n] = 0;
    return n;
}

}  // namespace orvalen
