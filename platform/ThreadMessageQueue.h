// A thread's own message queue: registers itself as the receiver of the thread that creates it,
// keeps the posted messages in order and lets that thread wait for them or take them. Posting is
// thread-safe; waiting and taking are for the owning thread. Unregisters on destruction, after
// which posts to the thread fail (and free their payload); messages still queued are freed.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/Threads.h"

class ThreadMessageQueue {
public:
    ThreadMessageQueue();
    ~ThreadMessageQueue();
    ThreadMessageQueue(const ThreadMessageQueue&) = delete;
    ThreadMessageQueue& operator=(const ThreadMessageQueue&) = delete;

    std::uint32_t ThreadId() const { return m_threadId; }

    // The oldest message, waiting at most `milliseconds` (INFINITE: for ever); empty on time-out.
    std::optional<ThreadMessage> Wait(std::uint32_t milliseconds);
    // The oldest message if one is queued.
    std::optional<ThreadMessage> TryTake();
    std::size_t Size() const;

private:
    void Push(ThreadMessage&& message);

    const std::uint32_t m_threadId;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<ThreadMessage> m_messages;
};
