#include "channels/CsvTable.h"

#include <cstdio>
#include <string>

#include "channels/Utf.h"

namespace orvalen {

std::optional<std::vector<std::uint8_t>> ReadListFile(std::u16string_view fileName) {
    const std::size_t end = fileName.find(u'\0');
    const std::string path = ToUtf8(fileName.substr(0, end));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    std::fclose(file);
    return bytes;
}

}  // namespace orvalen
