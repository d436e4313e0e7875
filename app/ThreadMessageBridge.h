// Brings the thread messages that tuner workers post to the user-interface thread into Qt's
// event loop. Each message becomes one ThreadMessageEvent sent to the target object on its own
// thread, so the target receives every message once, in posting order, from whatever event loop
// runs there: the main loop, an open menu, a message box, a file dialog or a modal dialog.
//
// The messages themselves travel through a mailbox guarded by our own mutex, and a worker wakes
// the user-interface thread through an event counter (eventfd) that a socket notifier watches.
// No Qt object crosses threads, and the hand-over of each record is ordered by a lock that the
// program owns (and that race checkers see).
#pragma once

#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/Threads.h"

class ThreadMessageEvent final : public QEvent {
public:
    explicit ThreadMessageEvent(ThreadMessage&& message);
    static QEvent::Type EventType();

    // Owns the record until a handler takes it; an event that is never handled frees it.
    ThreadMessage message;
};

class ThreadMessageBridge final {
public:
    // Registers the calling thread as a message receiver, delivering to `target`, which must
    // live on this thread and outlive the bridge.
    explicit ThreadMessageBridge(QObject& target);
    // Unregisters; once it returns, no post reaches the target any more. Messages not yet
    // delivered are freed with the mailbox.
    ~ThreadMessageBridge();
    ThreadMessageBridge(const ThreadMessageBridge&) = delete;
    ThreadMessageBridge& operator=(const ThreadMessageBridge&) = delete;

    // The id under which the thread receives, to be handed to the posting workers.
    std::uint32_t ThreadId() const { return m_threadId; }

private:
    void Receive(ThreadMessage&& message);  // on the posting thread
    void Deliver();                         // on the target's thread

    QObject& m_target;
    const std::uint32_t m_threadId;
    const int m_wakeFd;
    QSocketNotifier m_wakeNotifier;
    std::mutex m_lock;
    std::deque<ThreadMessage> m_mailbox;
};
