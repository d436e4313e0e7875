// Sections and packets written out by hand for the scanner's tests, as a broadcaster sends them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace scantest {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> values);
Bytes Text(const std::string& s);
Bytes Concat(std::initializer_list<Bytes> parts);
// `field` behind its length byte.
Bytes LengthPrefixed(const Bytes& field);
// A descriptor: tag, length, body.
Bytes Descriptor(std::uint8_t tag, const Bytes& body);
// `loop` behind a 12-bit length with its four reserved bits set.
Bytes Loop12(const Bytes& loop);

struct SectionSpec {
    std::uint8_t tableId = 0;
    std::uint16_t idExtension = 0;
    std::uint8_t version = 0;
    bool current = true;
    std::uint8_t number = 0;
    std::uint8_t lastNumber = 0;
};
// A long-form section with `body` and a correct CRC.
Bytes Section(const SectionSpec& spec, const Bytes& body);

// Packets of `pid` carrying `payload` (pointer field included where a section starts): the first
// with the payload unit start indicator when `unitStart`, continuity counters from `counter`,
// the last filled with stuffing.
std::vector<Bytes> Packets(std::uint16_t pid, const Bytes& payload, std::uint8_t counter = 0,
                           bool unitStart = true);

}  // namespace scantest
