// UTF-16 to UTF-8 conversion for the places where list-file text leaves the program as bytes:
// file names handed to the file system and names printed by the list checker.
#pragma once

#include <string>
#include <string_view>

namespace orvalen {

// Encodes UTF-16 code units as UTF-8. A surrogate without its partner (a line buffer may cut a
// pair in two) becomes U+FFFD, so the result is always valid UTF-8.
std::string ToUtf8(std::u16string_view text);

}  // namespace orvalen
