// Where a list reader's bytes come from when they are not all in memory: a file read a chunk at
// a time, so that memory stays bounded whatever the file's size.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvalen {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `capacity` bytes (at least 1) into `into`; returns how many, 0 at the end. A
    // source that fails to read ends there.
    virtual std::size_t Read(std::uint8_t* into, std::size_t capacity) = 0;
};

}  // namespace orvalen
