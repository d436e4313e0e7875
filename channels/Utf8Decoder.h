// Decodes one UTF-8 character as the C runtime's wide text stream does with invalid input: one
// U+FFFD per maximal ill-formed subpart, so a sequence stops at the first byte that cannot
// continue it, and that byte starts the next one. Pure function; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orvalen {

// The character at `pos` in `bytes`, moving `pos` past the bytes it took (at least one). `pos`
// must be below the size; a character cut by the end of `bytes` decodes as U+FFFD.
char32_t DecodeUtf8(std::span<const std::uint8_t> bytes, std::size_t& pos);

}  // namespace orvalen
