#include "app/ThreadMessageBridge.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <utility>

ThreadMessageEvent::ThreadMessageEvent(ThreadMessage&& message)
    : QEvent(EventType()), message(std::move(message)) {}

QEvent::Type ThreadMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

ThreadMessageBridge::ThreadMessageBridge(QObject& target)
    : m_target(target),
      m_threadId(GetCurrentThreadId()),
      m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_wakeNotifier(m_wakeFd, QSocketNotifier::Read) {
    QObject::connect(&m_wakeNotifier, &QSocketNotifier::activated, &m_target,
                     [this] { Deliver(); });
    RegisterThreadMessageReceiver(m_threadId,
                                  [this](ThreadMessage&& message) { Receive(std::move(message)); });
}

ThreadMessageBridge::~ThreadMessageBridge() {
    UnregisterThreadMessageReceiver(m_threadId);
    m_wakeNotifier.setEnabled(false);
    if (m_wakeFd >= 0) close(m_wakeFd);
}

void ThreadMessageBridge::Receive(ThreadMessage&& message) {
    {
        std::lock_guard lock(m_lock);
        m_mailbox.push_back(std::move(message));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
}

// Hands the waiting messages over one at a time, oldest first. A handler may run an event loop
// of its own (a dialog); a message posted meanwhile then arrives through that loop, still in order.
void ThreadMessageBridge::Deliver() {
    std::uint64_t wakeUps = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wakeFd, &wakeUps, sizeof wakeUps);
    for (;;) {
        std::unique_lock lock(m_lock);
        if (m_mailbox.empty()) return;
        ThreadMessageEvent event(std::move(m_mailbox.front()));
        m_mailbox.pop_front();
        lock.unlock();
        QCoreApplication::sendEvent(&m_target, &event);
    }
}
