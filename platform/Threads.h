// Threads as the program sees them: apartment bookkeeping, 32-bit thread ids, an auto-reset
// event, and thread messages that carry an owned record from a worker to another thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <typeinfo>

#include "platform/HResult.h"

inline constexpr std::uint32_t COINIT_MULTITHREADED = 0x0;
inline constexpr std::uint32_t COINIT_APARTMENTTHREADED = 0x2;
inline constexpr std::uint32_t COINIT_DISABLE_OLE1DDE = 0x4;
inline constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;

// S_OK the first time on a thread, S_FALSE when the thread has already joined an apartment.
HRESULT CoInitializeEx(std::nullptr_t reserved, std::uint32_t flags);
void CoUninitialize();

// A 32-bit id of the calling thread, unique in the process, never 0xFFFFFFFF (which callers use
// as "nobody").
std::uint32_t GetCurrentThreadId();
std::uint32_t GetCurrentProcessId();

// Auto-reset event, initially not signalled: one Wait returns per Set. Thread-safe.
class AutoResetEvent {
public:
    void Set();
    // True when signalled within the time (INFINITE waits for ever), false on time-out.
    bool Wait(std::uint32_t milliseconds);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

// The record a thread message carries (the lParam): any heap object, owned by the receiver from
// the moment of the post, freed with its own type's destructor. Empty means an lParam of 0.
class MessagePayload {
public:
    MessagePayload() = default;
    template <class T>
    explicit MessagePayload(std::unique_ptr<T> record)
        : m_record(record.release(), [](void* p) { delete static_cast<T*>(p); }),
          m_type(m_record ? &typeid(T) : nullptr) {}

    explicit operator bool() const { return m_record != nullptr; }

    // The record, if it is a T; otherwise empty (and the payload keeps what it holds).
    template <class T>
    std::unique_ptr<T> Take() {
        if (!m_record || *m_type != typeid(T)) return nullptr;
        m_type = nullptr;
        return std::unique_ptr<T>(static_cast<T*>(m_record.release()));
    }

private:
    std::unique_ptr<void, void (*)(void*)> m_record{nullptr, [](void*) {}};
    const std::type_info* m_type = nullptr;
};

struct ThreadMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    MessagePayload payload;
};

// A thread that wants messages registers a receiver under its id. The receiver is called on the
// posting thread and must hand the message over to its own thread (a queue, an event loop).
using ThreadMessageReceiver = std::function<void(ThreadMessage&&)>;
void RegisterThreadMessageReceiver(std::uint32_t threadId, ThreadMessageReceiver receiver);
void UnregisterThreadMessageReceiver(std::uint32_t threadId);

// False when no receiver is registered for the id; the payload is freed then.
bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
                       MessagePayload payload);
