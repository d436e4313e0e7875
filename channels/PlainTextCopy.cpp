#include "channels/PlainTextCopy.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>

namespace orvalen {

namespace {

// The copying loops leave the units below this to the decoder: among them are the line ends and
// the zero unit (it ends the line's text); the few control characters that come along decode
// to themselves. One comparison finds them all.
constexpr unsigned kFirstPlain = 0x0E;
static_assert(u'\r' < kFirstPlain && u'\n' < kFirstPlain);

// A UTF-8 byte is copied as it is when it is ASCII and no stop.
bool Utf8NeedsDecoding(std::uint8_t byte) {
    return byte < kFirstPlain || byte >= 0x80;
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

}  // namespace

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

}  // namespace orvalen
