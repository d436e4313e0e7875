// The walk over an MMI object's text: its NUL-terminated strings in order (for a menu or list the
// title, the subtitle, the bottom line, then the items; for an enquiry the prompt).
//
// Pure function over a buffer; no Qt, thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "dialogs/MmiText.h"

// No object's text (2048 bytes) can hold more strings than this; larger counts are cut to it.
inline constexpr std::size_t kMmiMaxStrings = 2048;

// Decodes the first `count` strings of `text`, which holds only the bytes the CAM reported.
// Strings missing at the end are empty; a string cut by the end shows as far as it goes.
std::vector<MmiText> DecodeMmiStrings(std::span<const std::uint8_t> text, std::size_t count);
