// Text fields of service information: length-prefixed DVB text, decoded to UTF-8.
//
// Pure; any thread.
#pragma once

#include <optional>
#include <string>

#include "scan/Section.h"

namespace scan {

// The field whose length byte stands at `at`, advancing `at` past it; nullopt when the field
// runs past `bytes`.
std::optional<ByteSpan> TakeLengthPrefixed(ByteSpan bytes, std::size_t& at);

// A name or provider as UTF-8, in the table its selector names (ISO 6937 without one); empty
// when the program does not decode that table.
std::string DecodeSiText(ByteSpan text);

}  // namespace scan
