#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "platform/ThreadMessageQueue.h"
#include "platform/Threads.h"

namespace {

// A record that counts its constructions and destructions.
struct Record {
    static inline std::atomic<int> constructed{0};
    static inline std::atomic<int> destroyed{0};
    explicit Record(int v) : value(v) { ++constructed; }
    ~Record() { ++destroyed; }
    int value;
};

struct OtherRecord {
    int value = 0;
};

class ThreadMessageTest : public ::testing::Test {
protected:
    void SetUp() override { Record::constructed = Record::destroyed = 0; }
    void TearDown() override { EXPECT_EQ(Record::constructed.load(), Record::destroyed.load()); }
};

TEST(ApartmentTest, FirstJoinSucceedsRepeatsReportAlreadyJoinedPerThread) {
    std::thread([] {
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE));
        EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        std::thread([] {
            EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        }).join();
        CoUninitialize();
        EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
    }).join();
}

TEST(ThreadIdTest, IdsAreStablePerThreadUniqueAndNeverAllOnes) {
    constexpr int kThreads = 16;
    std::vector<std::uint32_t> ids(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&ids, i] {
            ids[i] = GetCurrentThreadId();
            EXPECT_EQ(ids[i], GetCurrentThreadId());
        });
    for (auto& t : threads) t.join();
    ids.push_back(GetCurrentThreadId());
    const std::set<std::uint32_t> distinct(ids.begin(), ids.end());
    EXPECT_EQ(ids.size(), distinct.size());
    EXPECT_EQ(0u, distinct.count(0xFFFFFFFFu));
    EXPECT_EQ(static_cast<std::uint32_t>(::getpid()), GetCurrentProcessId());
}

TEST(AutoResetEventTest, OneWaitReturnsPerSet) {
    AutoResetEvent event;
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    event.Set();  // signals do not add up
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(10));
}

TEST(AutoResetEventTest, SetFromAnotherThreadWakesAnEndlessWait) {
    AutoResetEvent event, started;
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        started.Set();
        woke = event.Wait(INFINITE);
    });
    started.Wait(INFINITE);
    event.Set();
    waiter.join();
    EXPECT_TRUE(woke);
}

TEST_F(ThreadMessageTest, APostToAThreadWithoutReceiverFailsAndFreesThePayload) {
    EXPECT_FALSE(
        PostThreadMessage(0xFFFFFFFEu, 0x500, 1, MessagePayload(std::make_unique<Record>(1))));
    EXPECT_EQ(1, Record::destroyed.load());
    std::uint32_t gone = 0;
    {
        ThreadMessageQueue queue;
        gone = queue.ThreadId();
    }
    EXPECT_FALSE(PostThreadMessage(gone, 0x500, 1, MessagePayload(std::make_unique<Record>(2))));
    EXPECT_EQ(2, Record::destroyed.load());
}

TEST_F(ThreadMessageTest, MessagesArriveInOrderAndTheReceiverOwnsEachPayload) {
    ThreadMessageQueue queue;
    EXPECT_EQ(GetCurrentThreadId(), queue.ThreadId());
    std::thread poster([id = queue.ThreadId()] {
        for (int i = 0; i < 100; ++i)
            EXPECT_TRUE(PostThreadMessage(id, 0x501, static_cast<std::uintptr_t>(i % 2 + 1),
                                          MessagePayload(std::make_unique<Record>(i))));
        EXPECT_TRUE(PostThreadMessage(id, 0x501, 2, MessagePayload()));  // an lParam of 0
    });
    for (int i = 0; i < 100; ++i) {
        auto message = queue.Wait(INFINITE);
        ASSERT_TRUE(message);
        EXPECT_EQ(0x501u, message->message);
        EXPECT_EQ(static_cast<std::uintptr_t>(i % 2 + 1), message->wParam);
        EXPECT_FALSE(message->payload.Take<OtherRecord>());  // the wrong type leaves it in place
        auto record = message->payload.Take<Record>();
        ASSERT_TRUE(record);
        EXPECT_EQ(i, record->value);
        EXPECT_FALSE(message->payload);
    }
    auto end = queue.Wait(INFINITE);
    ASSERT_TRUE(end);
    EXPECT_FALSE(end->payload);
    poster.join();
    EXPECT_EQ(100, Record::destroyed.load());
    EXPECT_FALSE(queue.TryTake());
    EXPECT_FALSE(queue.Wait(5));
}

TEST_F(ThreadMessageTest, PayloadsStillQueuedOrNeverTakenAreFreedOnce) {
    {
        ThreadMessageQueue queue;
        for (int i = 0; i < 3; ++i)
            PostThreadMessage(queue.ThreadId(), 0x500, 1,
                              MessagePayload(std::make_unique<Record>(i)));
        auto untaken = queue.TryTake();  // dropped without taking its record
        ASSERT_TRUE(untaken);
        EXPECT_EQ(3u - 1u, queue.Size());
    }
    EXPECT_EQ(3, Record::destroyed.load());
}

TEST_F(ThreadMessageTest, ManyPostersKeepTheirOwnOrder) {
    ThreadMessageQueue queue;
    constexpr int kPosters = 4, kEach = 200;
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([p, id = queue.ThreadId()] {
            for (int i = 0; i < kEach; ++i)
                PostThreadMessage(id, 0x500, static_cast<std::uintptr_t>(p),
                                  MessagePayload(std::make_unique<Record>(i)));
        });
    std::vector<int> next(kPosters, 0);
    for (int n = 0; n < kPosters * kEach; ++n) {
        auto message = queue.Wait(INFINITE);
        ASSERT_TRUE(message);
        auto record = message->payload.Take<Record>();
        EXPECT_EQ(next[message->wParam]++, record->value);
    }
    for (auto& t : posters) t.join();
}

TEST_F(ThreadMessageTest, UnregisteringWaitsForAPostInProgress) {
    // A receiver that is still running when its thread unregisters must finish first; posts
    // after that fail. The record posted while unregistering is freed exactly once either way.
    std::atomic<int> delivered{0};
    const std::uint32_t id = 0xFFFFFFF0u;
    RegisterThreadMessageReceiver(id, [&](ThreadMessage&& message) {
        std::this_thread::yield();
        delivered += message.payload.Take<Record>() ? 1 : 0;
    });
    std::thread poster([&] {
        for (int i = 0; i < 1000; ++i)
            PostThreadMessage(id, 0x500, 1, MessagePayload(std::make_unique<Record>(i)));
    });
    UnregisterThreadMessageReceiver(id);
    const int afterUnregister = delivered.load();
    poster.join();
    EXPECT_EQ(afterUnregister, delivered.load());
}

}  // namespace
