// Brings the thread messages that tuner workers post to the user-interface thread into Qt's
// event queue. Each message becomes one ThreadMessageEvent posted to the target object, so the
// target receives every message once, in posting order, from whatever event loop runs on its
// thread: the main loop, an open menu, a message box, a file dialog or a modal dialog.
#pragma once

#include <QEvent>
#include <cstdint>

#include "platform/Threads.h"

class QObject;

class ThreadMessageEvent final : public QEvent {
public:
    explicit ThreadMessageEvent(ThreadMessage&& message);
    static QEvent::Type EventType();

    // Owns the record until a handler takes it; an event that is never handled frees it.
    ThreadMessage message;
};

class ThreadMessageBridge {
public:
    // Registers the calling thread as a message receiver, delivering to `target`, which must
    // live on this thread and outlive the bridge.
    explicit ThreadMessageBridge(QObject& target);
    // Unregisters; once it returns, no post reaches the target any more.
    ~ThreadMessageBridge();
    ThreadMessageBridge(const ThreadMessageBridge&) = delete;
    ThreadMessageBridge& operator=(const ThreadMessageBridge&) = delete;

    // The id under which the thread receives, to be handed to the posting workers.
    std::uint32_t ThreadId() const { return m_threadId; }

private:
    const std::uint32_t m_threadId;
};
