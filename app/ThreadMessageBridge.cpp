#include "app/ThreadMessageBridge.h"

#include <QCoreApplication>
#include <utility>

namespace {
QEvent::Type WakeUpType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}
}  // namespace

ThreadMessageEvent::ThreadMessageEvent(ThreadMessage&& message)
    : QEvent(EventType()), message(std::move(message)) {}

QEvent::Type ThreadMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

ThreadMessageBridge::ThreadMessageBridge(QObject& target)
    : m_target(target), m_threadId(GetCurrentThreadId()) {
    RegisterThreadMessageReceiver(m_threadId,
                                  [this](ThreadMessage&& message) { Receive(std::move(message)); });
}

ThreadMessageBridge::~ThreadMessageBridge() { UnregisterThreadMessageReceiver(m_threadId); }

void ThreadMessageBridge::Receive(ThreadMessage&& message) {
    {
        std::lock_guard lock(m_lock);
        m_mailbox.push_back(std::move(message));
    }
    // Events posted to one object keep their order, so the n-th wake-up takes the n-th message.
    QCoreApplication::postEvent(this, new QEvent(WakeUpType()));
}

bool ThreadMessageBridge::event(QEvent* event) {
    if (event->type() != WakeUpType()) return QObject::event(event);
    std::unique_lock lock(m_lock);
    if (m_mailbox.empty()) return true;
    ThreadMessageEvent message(std::move(m_mailbox.front()));
    m_mailbox.pop_front();
    lock.unlock();
    QCoreApplication::sendEvent(&m_target, &message);
    return true;
}
