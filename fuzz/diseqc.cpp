// Arbitrary text typed into the DiSEqC command field (as UTF-16 code units).
#include <cstddef>
#include <cstdint>
#include <string>

#include "dialogs/DiseqcCommandText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    const auto message = ParseDiseqcCommand(text);
    if (message) {
        if (message->length < 3 || message->length > 8 || message->bytes[0] != 0xE0)
            __builtin_trap();
        // What was accepted formats back into text that parses to the same message.
        const auto again = ParseDiseqcCommand(FormatDiseqcCommand(message->bytes, message->length));
        if (!again || again->length != message->length || again->bytes != message->bytes)
            __builtin_trap();
    }
    return 0;
}
