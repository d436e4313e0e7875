#include "platform/ThreadMessageQueue.h"

ThreadMessageQueue::ThreadMessageQueue() : m_threadId(GetCurrentThreadId()) {
    RegisterThreadMessageReceiver(m_threadId,
                                  [this](ThreadMessage&& message) { Push(std::move(message)); });
}

ThreadMessageQueue::~ThreadMessageQueue() {
    UnregisterThreadMessageReceiver(m_threadId);
}

void ThreadMessageQueue::Push(ThreadMessage&& message) {
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
    }
    m_arrived.notify_one();
}

std::optional<ThreadMessage> ThreadMessageQueue::Wait(std::uint32_t milliseconds) {
    std::unique_lock lock(m_mutex);
    const auto queued = [this] { return !m_messages.empty(); };
    if (milliseconds == INFINITE)
        m_arrived.wait(lock, queued);
    else if (!m_arrived.wait_for(lock, std::chrono::milliseconds(milliseconds), queued))
        return std::nullopt;
    ThreadMessage message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

std::optional<ThreadMessage> ThreadMessageQueue::TryTake() {
    return Wait(0);
}

std::size_t ThreadMessageQueue::Size() const {
    std::lock_guard lock(m_mutex);
    return m_messages.size();
}
