#include "linuxdvb/BufferPool.h"

namespace linuxdvb {

std::shared_ptr<BufferPool> BufferPool::Make(std::size_t keep) {
    return std::shared_ptr<BufferPool>(new BufferPool(keep));
}

std::shared_ptr<std::vector<std::uint8_t>> BufferPool::Get(std::size_t size) {
    std::unique_ptr<std::vector<std::uint8_t>> buffer;
    {
        std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            buffer = std::move(m_idle.back());
            m_idle.pop_back();
        }
    }
    if (!buffer) buffer = std::make_unique<std::vector<std::uint8_t>>();
    buffer->resize(size);
    return {buffer.release(), [pool = shared_from_this()](std::vector<std::uint8_t>* returned) {
                pool->Return(returned);
            }};
}

void BufferPool::Return(std::vector<std::uint8_t>* buffer) {
    std::unique_ptr<std::vector<std::uint8_t>> owned(buffer);
    std::lock_guard lock(m_mutex);
    if (m_idle.size() < m_keep) m_idle.push_back(std::move(owned));
}

}  // namespace linuxdvb
