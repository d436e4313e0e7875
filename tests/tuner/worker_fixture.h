// What the worker, tune and sweep tests share: a simulated card at zero pace behind the
// stand-in classes, graphs on it that post to the test thread's own queue, readers of what a
// worker posts, and a gate that holds a worker inside one of its posts so that a request can
// land at a known point of a sweep without relying on timing.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "platform/ThreadMessageQueue.h"
#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

namespace worker_test {

// Every wait is bounded; none of them is a statement about speed.
inline constexpr std::uint32_t kMessageWaitMs = 10000;
inline constexpr int kSweepPoints = 601;

// Polls `condition` until it holds or the bounded wait runs out.
inline bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kMessageWaitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// An id that no thread has and none will get.
inline std::uint32_t FreshThreadId() {
    std::uint32_t id = 0;
    std::thread([&id] { id = GetCurrentThreadId(); }).join();
    return id;
}

// The next message of kind `message`. Signal reports are skipped: an idle pass may post one at
// any moment.
inline std::optional<ThreadMessage> NextMessage(ThreadMessageQueue& queue, std::uint32_t message) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kMessageWaitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        std::optional<ThreadMessage> next = queue.Wait(static_cast<std::uint32_t>(left.count()));
        if (!next || next->message == message) return next;
    }
}

// What one sweep delivered: its points in order, and whether its end mark came.
struct Sweep {
    std::vector<SpectrumPoint> points;
    bool ended = false;
};

// Reads spectrum points up to and including the next end mark, checking that every message
// names `tuner`.
inline Sweep ReadSweep(ThreadMessageQueue& queue, std::int32_t tuner) {
    Sweep sweep;
    while (std::optional<ThreadMessage> next = NextMessage(queue, MSG_SPECTRUM_POINT)) {
        EXPECT_EQ(next->wParam, static_cast<std::uintptr_t>(tuner));
        std::unique_ptr<SpectrumPoint> point = next->payload.Take<SpectrumPoint>();
        if (!point) {
            sweep.ended = true;
            break;
        }
        sweep.points.push_back(*point);
    }
    return sweep;
}

// Stands between a worker and a test's queue under an id of its own: every message is
// forwarded, but the worker is held inside its post of spectrum point number `holdAt` (1-based)
// until Release(). `atEndMark`, when set, runs on the worker as an end mark passes, before it is
// forwarded.
class PostGate {
public:
    PostGate(std::uint32_t forwardTo, int holdAt)
        : m_threadId(FreshThreadId()), m_forwardTo(forwardTo), m_holdAt(holdAt) {
        RegisterThreadMessageReceiver(
            m_threadId, [this](ThreadMessage&& message) { Pass(std::move(message)); });
    }
    ~PostGate() {
        Release();
        UnregisterThreadMessageReceiver(m_threadId);
    }
    PostGate(const PostGate&) = delete;
    PostGate& operator=(const PostGate&) = delete;

    std::uint32_t ThreadId() const { return m_threadId; }

    bool WaitUntilHeld() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(kMessageWaitMs),
                                  [this] { return m_held; });
    }

    void Release() {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }

    std::function<void()> atEndMark;

private:
    void Pass(ThreadMessage&& message) {
        const bool point = message.message == MSG_SPECTRUM_POINT && message.payload;
        const bool endMark = message.message == MSG_SPECTRUM_POINT && !message.payload;
        if (endMark && atEndMark) atEndMark();
        PostThreadMessage(m_forwardTo, message.message, message.wParam, std::move(message.payload));
        if (point && ++m_points == m_holdAt) {
            std::unique_lock lock(m_mutex);
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
        }
    }

    const std::uint32_t m_threadId;
    const std::uint32_t m_forwardTo;
    const int m_holdAt;
    int m_points = 0;  // only the posting worker touches it
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

// A simulated card at zero pace with the stand-in classes registered, torn down after the test.
class CardTest : public ::testing::Test {
protected:
    CardTest() { InstallCard(card::TestCardConfig()); }
    ~CardTest() override {
        ClearDevices();
        ClearComponentClasses();
    }

    // Replaces the card and the classes; for tests that need another configuration.
    void InstallCard(card::CardConfig config) {
        ClearDevices();
        ClearComponentClasses();
        RegisterStandInClasses();
        m_card = card::InstallSimulatedCard(std::move(config));
    }

    // A graph for `tuner` set up as the application does it: reports go to `notifyThreadId`.
    static std::unique_ptr<TunerGraph> MakeGraph(std::int32_t tuner, std::uint32_t notifyThreadId) {
        auto graph = std::make_unique<TunerGraph>(tuner, 0);
        graph->m_notifyThreadId = notifyThreadId;
        graph->m_tunerNumber = tuner;
        return graph;
    }
    std::unique_ptr<TunerGraph> MakeGraph(std::int32_t tuner) {
        return MakeGraph(tuner, m_queue.ThreadId());
    }

    ThreadMessageQueue m_queue;
    std::shared_ptr<card::SimulatedCard> m_card;
};

// Channels of the default sky, as the example lists give them.
inline TuneParameters HelionChannel() {  // position A, 10729 H, low band
    return {10729000, 23000, 1101, 11011, 1104, 1, 1};
}

}  // namespace worker_test
