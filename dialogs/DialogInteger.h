// Reading a dialog field as an unsigned decimal number, the way the platform the dialogs were
// designed on reads a dialog item as an integer: leading blanks are skipped, then only digits may
// follow, and the value must fit 32 bits. Any other text reads as 0.
//
// Pure function; no Qt, thread-safe.
#pragma once

#include <cstdint>
#include <string_view>

std::uint32_t ReadDialogInteger(std::u16string_view text);
