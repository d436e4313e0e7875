// Buffers for the stream that come back here when the last part of the graph lets go of them,
// so that a busy stream neither allocates nor clears memory for every read.
//
// Thread-safe: Get on the reader's thread; buffers return from whichever thread drops them
// last (the file writer's, say). The pool lives as long as any of its buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace linuxdvb {

class BufferPool : public std::enable_shared_from_this<BufferPool> {
public:
    // Keeps at most `keep` idle buffers; more are freed when they come back.
    static std::shared_ptr<BufferPool> Make(std::size_t keep);

    // A buffer of `size` bytes whose contents are whatever an earlier use left.
    std::shared_ptr<std::vector<std::uint8_t>> Get(std::size_t size);

private:
    explicit BufferPool(std::size_t keep) : m_keep(keep) {}
    void Return(std::vector<std::uint8_t>* buffer);

    const std::size_t m_keep;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<std::vector<std::uint8_t>>> m_idle;
};

}  // namespace linuxdvb
