#include "platform/Threads.h"

#include <unistd.h>

#include <atomic>
#include <unordered_map>
#include <utility>

namespace {

thread_local int t_apartmentJoins = 0;

// One registered receiver. Its own mutex lets a post call the receiver without holding the
// table's lock, while unregistering still waits for a call in progress to finish.
struct ReceiverSlot {
    std::mutex mutex;
    ThreadMessageReceiver receiver;
    bool active = true;
};

struct ReceiverTable {
    std::mutex mutex;
    std::unordered_map<std::uint32_t, std::shared_ptr<ReceiverSlot>> slots;
};

ReceiverTable& Receivers() {
    static ReceiverTable table;
    return table;
}

void Deactivate(const std::shared_ptr<ReceiverSlot>& slot) {
    if (!slot) return;
    std::lock_guard lock(slot->mutex);
    slot->active = false;
    slot->receiver = nullptr;
}

std::uint32_t NextThreadId() {
    static std::atomic<std::uint32_t> next{1};
    for (;;) {
        const std::uint32_t id = next.fetch_add(1);
        if (id != 0 && id != INFINITE) return id;  // 0 and all-ones never name a thread
    }
}

}  // namespace

HRESULT CoInitializeEx(std::nullptr_t, std::uint32_t) {
    return t_apartmentJoins++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_apartmentJoins > 0) --t_apartmentJoins;
}

std::uint32_t GetCurrentThreadId() {
    thread_local const std::uint32_t id = NextThreadId();
    return id;
}

std::uint32_t GetCurrentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

void AutoResetEvent::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    m_changed.notify_one();
}

bool AutoResetEvent::Wait(std::uint32_t milliseconds) {
    std::unique_lock lock(m_mutex);
    const auto signalled = [this] { return m_signalled; };
    if (milliseconds == INFINITE)
        m_changed.wait(lock, signalled);
    else if (!m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), signalled))
        return false;
    m_signalled = false;
    return true;
}

void RegisterThreadMessageReceiver(std::uint32_t threadId, ThreadMessageReceiver receiver) {
    auto slot = std::make_shared<ReceiverSlot>();
    slot->receiver = std::move(receiver);
    std::shared_ptr<ReceiverSlot> replaced;
    {
        auto& table = Receivers();
        std::lock_guard lock(table.mutex);
        auto& entry = table.slots[threadId];
        replaced = std::exchange(entry, std::move(slot));
    }
    Deactivate(replaced);
}

void UnregisterThreadMessageReceiver(std::uint32_t threadId) {
    std::shared_ptr<ReceiverSlot> removed;
    {
        auto& table = Receivers();
        std::lock_guard lock(table.mutex);
        const auto found = table.slots.find(threadId);
        if (found == table.slots.end()) return;
        removed = std::move(found->second);
        table.slots.erase(found);
    }
    Deactivate(removed);
}

bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
                       MessagePayload payload) {
    std::shared_ptr<ReceiverSlot> slot;
    {
        auto& table = Receivers();
        std::lock_guard lock(table.mutex);
        const auto found = table.slots.find(threadId);
        if (found != table.slots.end()) slot = found->second;
    }
    if (!slot) return false;  // `payload` is freed on return
    std::lock_guard lock(slot->mutex);
    if (!slot->active) return false;
    slot->receiver(ThreadMessage{message, wParam, std::move(payload)});
    return true;
}
