#include "app/ThreadMessageBridge.h"

#include <QCoreApplication>
#include <utility>

ThreadMessageEvent::ThreadMessageEvent(ThreadMessage&& message)
    : QEvent(EventType()), message(std::move(message)) {}

QEvent::Type ThreadMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

ThreadMessageBridge::ThreadMessageBridge(QObject& target) : m_threadId(GetCurrentThreadId()) {
    // Runs on the posting thread. QCoreApplication::postEvent is thread-safe and keeps the
    // order of events posted to one object; the platform calls receivers one at a time.
    RegisterThreadMessageReceiver(m_threadId, [&target](ThreadMessage&& message) {
        QCoreApplication::postEvent(&target, new ThreadMessageEvent(std::move(message)));
    });
}

ThreadMessageBridge::~ThreadMessageBridge() {
    UnregisterThreadMessageReceiver(m_threadId);
}
