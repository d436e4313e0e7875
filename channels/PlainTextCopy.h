// The reader's fast path: copies the stretches of list text that need no decoder (ASCII but the
// line ends and control characters, UTF-8's two-byte characters, UTF-16LE units from U+000E
// on) into a line buffer of UTF-16 units, sixteen or thirty-two bytes at a step with SSE2, and
// notes where their commas stand in the same pass. What stops a copy is left to the decoder.
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "channels/CommaMap.h"

namespace orvalen {

// The UTF-16LE unit at `p` (two bytes).
inline char16_t UnitAt(const std::uint8_t* p) {
    return static_cast<char16_t>(p[0] | (p[1] << 8));
}

// Notes a unit that was copied one at a time in `commas` (when given) as unit `at`.
inline void NoteUnit(char16_t unit, CommaMap* commas, std::size_t at) {
    if (commas && unit == u',') commas->Mark(at, 1);
}

// Copies the UTF-8 text at `p` (`left` bytes) that needs no decoder to `into`, at most `room`
// units: ASCII but the stops, and the two-byte characters (the accented letters of most
// European names), which are decoded here so that a name does not leave the copying loop for
// each of them. Notes the commas among them in `commas` (when given) from unit `at` on; returns
// the units and sets `used` to the bytes they took. A two-byte character cut by the end of the
// text is left to the decoder.
std::size_t CopyPlainUtf8(char16_t* into, std::size_t room, const std::uint8_t* p, std::size_t left,
                          CommaMap* commas, std::size_t at, std::size_t& used);

// The same in UTF-16LE units, `max` of them at `p`; returns how many were copied.
std::size_t CopyPlainUtf16(char16_t* into, const std::uint8_t* p, std::size_t max, CommaMap* commas,
                           std::size_t at);

}  // namespace orvalen
