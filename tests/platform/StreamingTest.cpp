#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "TestFilters.h"
#include "platform/FilterGraphManager.h"
#include "platform/InfiniteTee.h"
#include "platform/InputPin.h"
#include "platform/Mpeg2Demultiplexer.h"
#include "platform/NullRenderer.h"
#include "platform/Threads.h"

namespace {

std::vector<std::u16string> PinNames(const FilterBase& filter) {
    std::vector<std::u16string> names;
    for (const auto& pin : filter.Pins()) {
        PIN_INFO info;
        pin->QueryPinInfo(&info);
        names.push_back(info.achName);
    }
    return names;
}

// A sink that notes every buffer reaching it while it is not running, and whether a
// streaming thread is inside it.
class StateProbe : public FilterBase {
public:
    StateProbe() {
        AddPin(std::make_shared<InputPin>(*this, u"In", [this](const MediaBuffer&) {
            ++m_inside;
            if (State() != State_Running) ++m_outOfState;
            std::this_thread::yield();
            ++m_received;
            --m_inside;
            return S_OK;
        }));
    }
    std::atomic<int> m_inside{0};
    std::atomic<int> m_outOfState{0};
    std::atomic<std::uint64_t> m_received{0};
};

TEST(InfiniteTeeTest, ANewOutputAppearsWhenTheLastOneIsConnected) {
    auto graph = std::make_shared<FilterGraphManager>();
    const auto source = std::make_shared<TestSource>(1);
    const auto tee = std::make_shared<InfiniteTee>();
    graph->AddFilter(source, u"source");
    graph->AddFilter(tee, u"Demux");
    EXPECT_EQ((std::vector<std::u16string>{u"Input", u"Output1"}), PinNames(*tee));
    ASSERT_EQ(S_OK, graph->ConnectDirect(source->Output(), tee->Pins()[0], nullptr));
    EXPECT_EQ(2u, tee->Pins().size());
    for (int n = 1; n <= 3; ++n) {
        const auto sink = std::make_shared<CollectingSink>();
        graph->AddFilter(sink, u"sink");
        ASSERT_EQ(S_OK, graph->ConnectDirect(tee->Pins().back(), sink->Input(), nullptr));
    }
    EXPECT_EQ(
        (std::vector<std::u16string>{u"Input", u"Output1", u"Output2", u"Output3", u"Output4"}),
        PinNames(*tee));
}

TEST(InfiniteTeeTest, FeedsEveryConnectedSinkTheSameSharedBuffersOnTheSourceThread) {
    constexpr std::uint64_t kPackets = 5000;
    auto graph = std::make_shared<FilterGraphManager>();
    const auto source = std::make_shared<TestSource>(7, kPackets);
    const auto tee = std::make_shared<InfiniteTee>();
    const auto first = std::make_shared<CollectingSink>();
    const auto second = std::make_shared<CollectingSink>();
    graph->AddFilter(source, u"source");
    graph->AddFilter(tee, u"Demux");
    graph->AddFilter(first, u"first");
    graph->AddFilter(second, u"second");
    ASSERT_EQ(S_OK, graph->ConnectDirect(source->Output(), tee->Pins()[0], nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(tee->Pins()[1], first->Input(), nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(tee->Pins()[2], second->Input(), nullptr));

    ASSERT_EQ(S_OK, graph->Run());
    ASSERT_TRUE(source->WaitForPackets(kPackets));
    ASSERT_EQ(S_OK, graph->Stop());

    EXPECT_EQ(kPackets, source->PacketsDelivered());
    EXPECT_EQ(TestPackets(0, kPackets), first->Bytes());
    EXPECT_EQ(TestPackets(0, kPackets), second->Bytes());
    const auto a = first->Buffers(), b = second->Buffers();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i].get(), b[i].get());
    const auto threads = first->ReceivingThreads();
    for (auto id : threads) {
        EXPECT_EQ(threads.front(), id);
        EXPECT_NE(GetCurrentThreadId(), id);
    }
}

TEST(Mpeg2DemultiplexerTest, HasSevenOutputsThatEachPassTheStreamOn) {
    constexpr std::uint64_t kPackets = 2000;
    auto graph = std::make_shared<FilterGraphManager>();
    const auto source = std::make_shared<TestSource>(10, kPackets);
    const auto demux = std::make_shared<Mpeg2Demultiplexer>();
    graph->AddFilter(source, u"source");
    graph->AddFilter(demux, u"Demux");
    const auto pins = demux->Pins();
    ASSERT_EQ(8u, pins.size());
    EXPECT_EQ(PINDIR_INPUT, pins[0]->Direction());
    ASSERT_EQ(S_OK, graph->ConnectDirect(source->Output(), pins[0], nullptr));
    for (std::size_t i = 1; i < pins.size(); ++i) {
        EXPECT_EQ(PINDIR_OUTPUT, pins[i]->Direction());
        ASSERT_EQ(S_OK, graph->Render(pins[i]));
    }
    ASSERT_EQ(S_OK, graph->Run());
    ASSERT_TRUE(source->WaitForPackets(kPackets));
    ASSERT_EQ(S_OK, graph->Stop());
    for (std::size_t i = 1; i < pins.size(); ++i) {
        PIN_INFO info;
        pins[i]->Peer()->QueryPinInfo(&info);
        const auto renderer = std::dynamic_pointer_cast<NullRenderer>(info.pFilter);
        ASSERT_TRUE(renderer);
        EXPECT_EQ(kPackets * kTransportPacketSize, renderer->BytesReceived());
    }
}

TEST(StreamingTest, DownstreamFiltersRunBeforeAndStopAfterTheirSources) {
    auto graph = std::make_shared<FilterGraphManager>();
    const auto probe = std::make_shared<StateProbe>();
    const auto tee = std::make_shared<InfiniteTee>();
    const auto source = std::make_shared<TestSource>(1);
    // Added downstream first, so that the order of addition is the wrong one to follow.
    graph->AddFilter(probe, u"probe");
    graph->AddFilter(tee, u"tee");
    graph->AddFilter(source, u"source");
    ASSERT_EQ(S_OK, graph->ConnectDirect(source->Output(), tee->Pins()[0], nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(tee->Pins()[1], probe->Pins()[0], nullptr));
    for (int cycle = 0; cycle < 20; ++cycle) {
        const auto before = source->PacketsDelivered();
        ASSERT_EQ(S_OK, graph->Run());
        ASSERT_TRUE(source->WaitForPackets(before + 50));
        ASSERT_EQ(S_OK, graph->Stop());
        EXPECT_EQ(0, probe->m_inside.load());
        const auto received = probe->m_received.load();
        std::this_thread::yield();
        EXPECT_EQ(received, probe->m_received.load());
    }
    EXPECT_EQ(0, probe->m_outOfState.load());
    EXPECT_EQ(source->PacketsDelivered(), probe->m_received.load());
}

}  // namespace
