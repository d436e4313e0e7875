// The graph's life over the kernel: its stream stops when it goes and the reader's thread and
// descriptors go with it; ten graphs in a row each build, lock and go.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "../../tuner/worker_fixture.h"
#include "VidtvCardTest.h"

namespace vm {
namespace {

constexpr int kGenerations = 10;

using LifecycleTest = VidtvCardTest;

TEST_F(LifecycleTest, StreamStopsAndReaderIsJoinedWhenTheGraphGoes) {
    const int threads = ThreadCount();
    const std::vector<std::string> open = m_kernel->OpenPaths();
    auto graph = MakeGraph(1);
    const Transponder& transponder = m_frequencies.front();
    ASSERT_NO_FATAL_FAILURE(Tune(*graph, VidtvChannel(transponder), transponder.ifMHz * 1000));
    ASSERT_TRUE(WaitForLock());
    const std::uint64_t flowing = m_kernel->DvrBytes();
    ASSERT_TRUE(worker_test::WaitUntil([&] { return m_kernel->DvrBytes() > flowing; }))
        << "no stream while locked";

    graph.reset();
    // A joined thread may still be listed for a moment while the kernel finishes its exit.
    EXPECT_TRUE(worker_test::WaitUntil([&] { return ThreadCount() == threads; }))
        << ThreadCount() << " threads instead of " << threads;
    EXPECT_EQ(m_kernel->OpenPaths(), open);
    const std::uint64_t stopped = m_kernel->DvrBytes();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(m_kernel->DvrBytes(), stopped);
}

TEST_F(LifecycleTest, TenGraphsInARowEachBuildAndLock) {
    const int threads = ThreadCount();
    const Transponder& transponder = m_frequencies.back();
    for (int generation = 1; generation <= kGenerations; ++generation) {
        SCOPED_TRACE(testing::Message() << "graph " << generation);
        auto graph = MakeGraph(1);
        ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
        ASSERT_NO_FATAL_FAILURE(Tune(*graph, VidtvChannel(transponder), transponder.ifMHz * 1000));
        ASSERT_TRUE(WaitForLock());
    }
    EXPECT_TRUE(worker_test::WaitUntil([&] { return ThreadCount() == threads; }))
        << ThreadCount() << " threads instead of " << threads;
}

}  // namespace
}  // namespace vm
