#include "channels/WideTextReader.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace orvalen {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The copying loops leave the units below this to the decoder: among them are the line ends and
// the zero unit (it ends the line's text); the few control characters that come along decode
// to themselves. One comparison finds them all.
constexpr unsigned kFirstPlain = 0x0E;
static_assert(u'\r' < kFirstPlain && u'\n' < kFirstPlain);

// A UTF-8 byte is copied as it is when it is ASCII and no stop.
bool Utf8NeedsDecoding(std::uint8_t byte) {
    return byte < kFirstPlain || byte >= 0x80;
}

// The longest look-ahead decoding needs: a UTF-8 character, or a UTF-16 unit and a CR LF's LF.
constexpr std::size_t kLookAhead = 4;

char16_t UnitAt(const std::uint8_t* p) {
    return static_cast<char16_t>(p[0] | (p[1] << 8));
}

bool Utf16NeedsDecoding(char16_t unit) {
    return unit < kFirstPlain;
}

// The copying loops below take thirty-two bytes at a time, as two blocks of sixteen (SSE2, which
// every x86-64 processor has): one pass widens the plain text into the line buffer, finds where
// it stops and notes the commas, which is most of the work of reading a list. A line of a list
// is a few dozen bytes, so the larger step takes most lines in one or two.

// What one copied step found, a bit per unit.
struct StepMasks {
    std::uint32_t stops;  // units that need decoding
    std::uint32_t commas;
};

// The masks of two steps, `second` `width` units after `first`, as one.
StepMasks Join(const StepMasks& first, const StepMasks& second, int width) {
    return {first.stops | second.stops << width, first.commas | second.commas << width};
}

// Notes the commas of a step before its first stop in `commas` (when given) from unit `at` on;
// returns how many of the step's units are plain (`width` when nothing stops).
std::size_t NoteStep(StepMasks found, std::size_t width, CommaMap* commas, std::size_t at) {
    const std::size_t plain =
        found.stops ? static_cast<std::size_t>(std::countr_zero(found.stops)) : width;
    if (found.stops) found.commas &= (1u << plain) - 1;
    if (commas && found.commas) commas->Mark(at, found.commas);
    return plain;
}

// Sixteen UTF-8 bytes at `p`, widened to units at `into`, and what they hold.
inline StepMasks WidenUtf8(char16_t* into, const std::uint8_t* p) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(into), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(into + 8), _mm_unpackhi_epi8(bytes, zero));
    const auto mask = [](__m128i found) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(found));
    };
    // Compared as signed bytes, everything that is not ASCII is below zero, so one comparison
    // finds both kinds of stop.
    return {mask(_mm_cmplt_epi8(bytes, _mm_set1_epi8(static_cast<char>(kFirstPlain)))),
            mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')))};
}

// Eight UTF-16LE units at `p`, copied to `into`, and what they hold.
inline StepMasks CopyUtf16(char16_t* into, const std::uint8_t* p) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(into), units);  // the host's order
    // Each unit's result narrowed to one byte, so that a mask bit stands for one unit.
    const auto mask = [zero](__m128i found) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(found, zero)));
    };
    // A unit below the first plain one saturates to zero when that is taken off.
    const __m128i floor = _mm_set1_epi16(static_cast<short>(kFirstPlain - 1));
    return {mask(_mm_cmpeq_epi16(_mm_subs_epu16(units, floor), zero)),
            mask(_mm_cmpeq_epi16(units, _mm_set1_epi16(',')))};
}

// Notes a unit copied one at a time, as NoteStep does.
void NoteUnit(char16_t unit, CommaMap* commas, std::size_t at) {
    if (commas && unit == u',') commas->Mark(at, 1);
}

// Copies the first of `max` bytes at `p` that are ASCII and no stop to `into` as units, noting
// the commas among them in `commas` (when given) from unit `at` on; returns how many.
std::size_t CopyAsciiUtf8(char16_t* into, const std::uint8_t* p, std::size_t max, CommaMap* commas,
                          std::size_t at) {
    std::size_t run = 0;
    for (; run + 32 <= max; run += 32) {
        const StepMasks first = WidenUtf8(into + run, p + run);
        const StepMasks second = WidenUtf8(into + run + 16, p + run + 16);
        const std::size_t plain = NoteStep(Join(first, second, 16), 32, commas, at + run);
        if (plain < 32) return run + plain;
    }
    if (run + 16 <= max) {
        const std::size_t plain = NoteStep(WidenUtf8(into + run, p + run), 16, commas, at + run);
        if (plain < 16) return run + plain;
        run += 16;
    }
    for (; run < max && !Utf8NeedsDecoding(p[run]); ++run) {
        into[run] = p[run];
        NoteUnit(into[run], commas, at + run);
    }
    return run;
}

// Copies the UTF-8 text at `p` (`left` bytes) that needs no decoder to `into`, at most `room`
// units: ASCII but the stops, and the two-byte characters (the accented letters of most
// European names), which are decoded here so that a name does not leave the copying loop for
// each of them. Notes the commas as CopyAsciiUtf8 does; returns the units and sets `used` to the
// bytes they took. A two-byte character cut by the end of the window is left to the decoder.
std::size_t CopyPlainUtf8(char16_t* into, std::size_t room, const std::uint8_t* p, std::size_t left,
                          CommaMap* commas, std::size_t at, std::size_t& used) {
    std::size_t units = 0;
    std::size_t bytes = 0;
    for (;;) {
        const std::size_t ascii = CopyAsciiUtf8(
            into + units, p + bytes, std::min(room - units, left - bytes), commas, at + units);
        units += ascii;
        bytes += ascii;
        if (units >= room || bytes + 1 >= left) break;
        const std::uint8_t lead = p[bytes];
        const std::uint8_t trail = p[bytes + 1];
        if (lead < 0xC2 || lead > 0xDF || (trail & 0xC0) != 0x80) break;
        into[units++] = static_cast<char16_t>((lead & 0x1F) << 6 | (trail & 0x3F));
        bytes += 2;
    }
    used = bytes;
    return units;
}

// The same in UTF-16LE units, `max` of them at `p`.
std::size_t CopyPlainUtf16(char16_t* into, const std::uint8_t* p, std::size_t max, CommaMap* commas,
                           std::size_t at) {
    std::size_t run = 0;
    for (; run + 16 <= max; run += 16) {
        const StepMasks first = CopyUtf16(into + run, p + 2 * run);
        const StepMasks second = CopyUtf16(into + run + 8, p + 2 * run + 16);
        const std::size_t plain = NoteStep(Join(first, second, 8), 16, commas, at + run);
        if (plain < 16) return run + plain;
    }
    if (run + 8 <= max) {
        const std::size_t plain = NoteStep(CopyUtf16(into + run, p + 2 * run), 8, commas, at + run);
        if (plain < 8) return run + plain;
        run += 8;
    }
    for (; run < max; ++run) {
        const char16_t unit = UnitAt(p + 2 * run);
        if (Utf16NeedsDecoding(unit)) break;
        into[run] = unit;
        NoteUnit(unit, commas, at + run);
    }
    return run;
}

}  // namespace

WideTextReader::WideTextReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
    SkipByteOrderMark();
}

WideTextReader::WideTextReader(ByteSource& source) : source_(&source), chunk_(kChunkBytes) {
    SkipByteOrderMark();
}

std::size_t WideTextReader::Refill(std::size_t wanted) {
    std::size_t left = bytes_.size() - pos_;
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

inline std::size_t WideTextReader::LineEndBytes() const {
    const std::uint8_t* const p = bytes_.data() + pos_;
    const std::size_t left = bytes_.size() - pos_;
    if (encoding_ == Encoding::Utf8) {
        if (p[0] == '\n') return 1;
        return p[0] == '\r' && left >= 2 && p[1] == '\n' ? 2 : 0;
    }
    if (left < 2) return 0;
    if (UnitAt(p) == u'\n') return 2;
    return UnitAt(p) == u'\r' && left >= 4 && UnitAt(p + 2) == u'\n' ? 4 : 0;
}

std::size_t WideTextReader::CopyPlainRun(char16_t* into, std::size_t room, CommaMap* commas,
                                         std::size_t at) {
    const std::uint8_t* const data = bytes_.data() + pos_;
    const std::size_t left = bytes_.size() - pos_;
    if (encoding_ == Encoding::Utf8) {
        std::size_t used = 0;
        const std::size_t run = CopyPlainUtf8(into, room, data, left, commas, at, used);
        pos_ += used;
        return run;
    }
    // A unit cut in two by the end of the chunk is left to the decoder, which reads on.
    const std::size_t units = left / 2;
    const std::size_t run = CopyPlainUtf16(into, data, room < units ? room : units, commas, at);
    pos_ += 2 * run;
    return run;
}

std::size_t WideTextReader::ReadLine(char16_t* buffer, std::size_t capacity, std::size_t* textUnits,
                                     CommaMap* commas) {
    if (commas) {
        commas->Clear();
        if (capacity > CommaMap::kUnits) capacity = CommaMap::kUnits;
    }
    std::size_t firstZero = SIZE_MAX;
    const std::size_t n = ReadUnits(buffer, capacity, firstZero, commas);
    if (textUnits) *textUnits = firstZero < n ? firstZero : n;
    return n;
}

std::size_t WideTextReader::ReadUnits(char16_t* buffer, std::size_t capacity,
                                      std::size_t& firstZero, CommaMap* commas) {
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
        n += CopyPlainRun(buffer + n, limit - n, commas, n);
        if (n >= limit) break;
        if (pos_ >= bytes_.size()) continue;  // the chunk is used up; the next may go on
        // The usual line end, LF or CR LF, without the decoder.
        if (const std::size_t lineEnd = LineEndBytes()) {
            pos_ += lineEnd;
            buffer[n++] = u'\n';
            break;
        }
        char16_t first = 0, second = 0;
        const int units = DecodeNext(first, second);
        if (units == 0) break;
        if (first == 0 && firstZero == SIZE_MAX) firstZero = n;
        // A UTF-16LE comma that a chunk's end cut in two comes through the decoder.
        NoteUnit(first, commas, n);
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
