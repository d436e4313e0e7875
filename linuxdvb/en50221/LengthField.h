// The length fields of transport, session-data and application objects: below 128 one byte,
// else 0x80 | n followed by n big-endian bytes.
#pragma once

#include <cstddef>
#include <optional>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

struct LengthField {
    std::size_t value = 0;
    std::size_t size = 0;  // bytes the field itself takes
};

// Reads a length field at the start of `in`. None when the field is cut short, uses more than
// four length bytes or none at all; the value is not checked against what follows.
std::optional<LengthField> ReadLengthField(ByteView in);

void AppendLengthField(Bytes& out, std::size_t length);

// A tagged object read from a buffer: its body lies wholly inside the buffer.
struct TaggedObject {
    ByteView body;
    std::size_t size = 0;  // tag, length field and body
};

// Reads the length field after `tagSize` tag bytes and checks that the body fits in `in`.
std::optional<TaggedObject> ReadTaggedObject(ByteView in, std::size_t tagSize);

}  // namespace linuxdvb::en50221
