// A list file opened for reading, as a source of its bytes. Only a regular file is opened: a
// directory, a device such as /dev/zero or a FIFO would give nothing useful, never end, or block,
// and counts as a missing file.
//
// Any thread; one object per reader.
#pragma once

#include <memory>
#include <string_view>

#include "channels/ByteSource.h"

namespace orvalen {

class ListFile final : public ByteSource {
public:
    // Opens `fileName` (UTF-16 as the lists hold it, up to its first zero unit) unchanged,
    // relative to the working directory; null when it cannot be opened or is no regular file.
    static std::unique_ptr<ListFile> Open(std::u16string_view fileName);

    ~ListFile() override;
    ListFile(const ListFile&) = delete;
    ListFile& operator=(const ListFile&) = delete;

    std::size_t Read(std::uint8_t* into, std::size_t capacity) override;

private:
    explicit ListFile(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace orvalen
