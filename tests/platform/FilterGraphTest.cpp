#include <gtest/gtest.h>

#include "TestFilters.h"
#include "platform/CaptureGraphBuilder.h"
#include "platform/FilterGraphManager.h"
#include "platform/Mpeg2Demultiplexer.h"
#include "platform/NullRenderer.h"

namespace {

std::u16string NameOf(const std::shared_ptr<IBaseFilter>& filter) {
    FILTER_INFO info;
    filter->QueryFilterInfo(&info);
    return info.achName;
}

std::shared_ptr<IFilterGraph> GraphOf(const std::shared_ptr<IBaseFilter>& filter) {
    FILTER_INFO info;
    filter->QueryFilterInfo(&info);
    return info.pGraph;
}

std::shared_ptr<IPin> PeerOf(const std::shared_ptr<IPin>& pin) {
    std::shared_ptr<IPin> peer;
    pin->ConnectedTo(&peer);
    return peer;
}

std::vector<std::shared_ptr<IBaseFilter>> FiltersOf(IFilterGraph& graph) {
    std::shared_ptr<IEnumFilters> filters;
    graph.EnumFilters(&filters);
    std::vector<std::shared_ptr<IBaseFilter>> list;
    std::shared_ptr<IBaseFilter> filter;
    while (filters->Next(1, &filter, nullptr) == S_OK) list.push_back(filter);
    return list;
}

class FilterGraphTest : public ::testing::Test {
protected:
    std::shared_ptr<FilterGraphManager> m_graph = std::make_shared<FilterGraphManager>();
};

TEST_F(FilterGraphTest, ATakenNameIsMadeUnique) {
    const auto tee = std::make_shared<CollectingSink>();
    const auto demux = std::make_shared<CollectingSink>();
    const auto third = std::make_shared<CollectingSink>();
    EXPECT_EQ(S_OK, m_graph->AddFilter(tee, u"Demux"));
    EXPECT_TRUE(SUCCEEDED(m_graph->AddFilter(demux, u"Demux")));
    EXPECT_TRUE(SUCCEEDED(m_graph->AddFilter(third, u"Demux")));
    EXPECT_EQ(u"Demux", NameOf(tee));
    EXPECT_EQ(u"Demux 0001", NameOf(demux));
    EXPECT_EQ(u"Demux 0002", NameOf(third));
    EXPECT_EQ(m_graph, std::dynamic_pointer_cast<FilterGraphManager>(GraphOf(demux)));
    // A name freed by a removal can be taken again, and a filter joins only once.
    EXPECT_EQ(S_OK, m_graph->RemoveFilter(tee));
    EXPECT_EQ(S_OK, m_graph->AddFilter(std::make_shared<CollectingSink>(), u"Demux"));
    EXPECT_TRUE(FAILED(m_graph->AddFilter(demux, u"Other")));
    EXPECT_EQ(E_POINTER, m_graph->AddFilter(nullptr, u"Null"));
}

TEST_F(FilterGraphTest, ConnectDirectRefusesConnectedPinsWrongDirectionsAndStrangers) {
    const auto source = std::make_shared<TestSource>(1, 10);
    const auto sinkA = std::make_shared<CollectingSink>();
    const auto sinkB = std::make_shared<CollectingSink>();
    const auto stranger = std::make_shared<CollectingSink>();
    for (auto filter : std::vector<std::shared_ptr<IBaseFilter>>{source, sinkA, sinkB})
        m_graph->AddFilter(filter, u"f");
    const auto out = source->Output();
    EXPECT_EQ(VFW_E_INVALID_DIRECTION, m_graph->ConnectDirect(sinkA->Input(), out, nullptr));
    EXPECT_EQ(VFW_E_NOT_IN_GRAPH, m_graph->ConnectDirect(out, stranger->Input(), nullptr));
    EXPECT_EQ(E_POINTER, m_graph->ConnectDirect(out, nullptr, nullptr));

    ASSERT_EQ(S_OK, m_graph->ConnectDirect(out, sinkA->Input(), nullptr));
    EXPECT_EQ(std::shared_ptr<IPin>(sinkA->Input()), PeerOf(out));
    EXPECT_EQ(std::shared_ptr<IPin>(out), PeerOf(sinkA->Input()));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, m_graph->ConnectDirect(out, sinkB->Input(), nullptr));

    const auto secondSource = std::make_shared<TestSource>(1);
    m_graph->AddFilter(secondSource, u"f");
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED,
              m_graph->ConnectDirect(secondSource->Output(), sinkA->Input(), nullptr));
    ASSERT_EQ(S_OK, m_graph->Run());
    EXPECT_EQ(VFW_E_NOT_STOPPED,
              m_graph->ConnectDirect(secondSource->Output(), sinkB->Input(), nullptr));
    ASSERT_EQ(S_OK, m_graph->Stop());
    EXPECT_EQ(S_OK, m_graph->ConnectDirect(secondSource->Output(), sinkB->Input(), nullptr));
}

TEST_F(FilterGraphTest, RemoveFilterDisconnectsBothEndsOfEveryPinAndLeavesTheGraph) {
    const auto source = std::make_shared<TestSource>(1);
    const auto demux = std::make_shared<Mpeg2Demultiplexer>();
    const auto sink = std::make_shared<CollectingSink>();
    for (auto filter : std::vector<std::shared_ptr<IBaseFilter>>{source, demux, sink})
        m_graph->AddFilter(filter, u"f");
    const auto demuxPins = demux->Pins();
    ASSERT_EQ(S_OK, m_graph->ConnectDirect(source->Output(), demuxPins[0], nullptr));
    ASSERT_EQ(S_OK, m_graph->ConnectDirect(demuxPins[1], sink->Input(), nullptr));

    EXPECT_EQ(S_OK, m_graph->RemoveFilter(demux));
    EXPECT_FALSE(PeerOf(source->Output()));
    EXPECT_FALSE(PeerOf(sink->Input()));
    for (const auto& pin : demuxPins) EXPECT_FALSE(PeerOf(pin));
    EXPECT_FALSE(GraphOf(demux));
    EXPECT_EQ(u"", NameOf(demux));
    EXPECT_EQ(VFW_E_NOT_FOUND, m_graph->RemoveFilter(demux));
    EXPECT_EQ(2u, FiltersOf(*m_graph).size());
}

TEST_F(FilterGraphTest, RemovingTheFirstFilterAfterEachResetEmptiesTheGraph) {
    const auto source = std::make_shared<TestSource>(1);
    const auto demux = std::make_shared<Mpeg2Demultiplexer>();
    m_graph->AddFilter(source, u"source");
    m_graph->AddFilter(demux, u"Demux");
    m_graph->ConnectDirect(source->Output(), demux->Pins()[0], nullptr);
    for (const auto& pin : demux->Pins())
        if (pin->Direction() == PINDIR_OUTPUT) m_graph->Render(pin);
    ASSERT_EQ(2u + Mpeg2Demultiplexer::kOutputCount, FiltersOf(*m_graph).size());

    std::shared_ptr<IEnumFilters> filters;
    ASSERT_EQ(S_OK, m_graph->EnumFilters(&filters));
    std::shared_ptr<IBaseFilter> filter;
    int removed = 0;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        EXPECT_EQ(S_OK, m_graph->RemoveFilter(filter));
        filter.reset();
        filters->Reset();
        ++removed;
    }
    EXPECT_EQ(2 + Mpeg2Demultiplexer::kOutputCount, removed);
    EXPECT_TRUE(FiltersOf(*m_graph).empty());
}

TEST_F(FilterGraphTest, RenderConnectsAnOutputPinToANewNullRenderer) {
    const auto demux = std::make_shared<Mpeg2Demultiplexer>();
    m_graph->AddFilter(demux, u"Demux");
    const auto pins = demux->Pins();
    EXPECT_EQ(S_OK, m_graph->Render(pins[1]));
    EXPECT_EQ(S_OK, m_graph->Render(pins[3]));
    const auto filters = FiltersOf(*m_graph);
    ASSERT_EQ(3u, filters.size());
    const auto renderer = std::dynamic_pointer_cast<NullRenderer>(filters[1]);
    ASSERT_TRUE(renderer);
    EXPECT_EQ(std::shared_ptr<IPin>(renderer->Pins().front()), PeerOf(pins[1]));
    EXPECT_NE(filters[1], filters[2]);
    EXPECT_NE(NameOf(filters[1]), NameOf(filters[2]));

    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, m_graph->Render(pins[1]));
    EXPECT_EQ(VFW_E_INVALID_DIRECTION, m_graph->Render(pins[0]));
    EXPECT_EQ(VFW_E_NOT_IN_GRAPH, m_graph->Render(std::make_shared<TestSource>(1)->Output()));
    EXPECT_EQ(3u, FiltersOf(*m_graph).size());
}

TEST_F(FilterGraphTest, RunStopAndGetStateMoveEveryFilter) {
    const auto source = std::make_shared<TestSource>(1);
    const auto sink = std::make_shared<CollectingSink>();
    m_graph->AddFilter(source, u"source");
    m_graph->AddFilter(sink, u"sink");
    OAFilterState state = -1;
    EXPECT_EQ(S_OK, m_graph->GetState(50000, &state));
    EXPECT_EQ(State_Stopped, state);
    EXPECT_EQ(S_OK, m_graph->Run());
    EXPECT_EQ(S_OK, m_graph->Run());
    EXPECT_EQ(S_OK, m_graph->GetState(50000, &state));
    EXPECT_EQ(State_Running, state);
    EXPECT_EQ(State_Running, source->State());
    EXPECT_EQ(State_Running, sink->State());
    EXPECT_EQ(S_OK, m_graph->Stop());
    EXPECT_EQ(S_OK, m_graph->GetState(50000, &state));
    EXPECT_EQ(State_Stopped, state);
    EXPECT_EQ(State_Stopped, source->State());
    EXPECT_EQ(State_Stopped, sink->State());
    EXPECT_EQ(E_POINTER, m_graph->GetState(0, nullptr));
}

TEST_F(FilterGraphTest, FiltersDoNotKeepTheGraphAliveAndItsEndDisconnectsAndStopsThem) {
    const auto source = std::make_shared<TestSource>(4, 1000);
    const auto sink = std::make_shared<CollectingSink>();
    m_graph->AddFilter(source, u"source");
    m_graph->AddFilter(sink, u"sink");
    m_graph->ConnectDirect(source->Output(), sink->Input(), nullptr);
    std::shared_ptr<IEnumFilters> enumerator;
    m_graph->EnumFilters(&enumerator);
    ASSERT_EQ(S_OK, m_graph->Run());
    ASSERT_TRUE(source->WaitForPackets(100));

    const std::weak_ptr<FilterGraphManager> watch = m_graph;
    m_graph.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(State_Stopped, source->State());
    EXPECT_FALSE(PeerOf(source->Output()));
    EXPECT_FALSE(PeerOf(sink->Input()));
    EXPECT_FALSE(GraphOf(sink));
    std::shared_ptr<IBaseFilter> filter;
    enumerator->Reset();  // outlived its graph: nothing more to list
    EXPECT_EQ(S_FALSE, enumerator->Next(1, &filter, nullptr));
}

TEST(CaptureGraphBuilderTest, BindsToOneGraphAndKeepsItAlive) {
    CaptureGraphBuilder builder;
    EXPECT_EQ(E_POINTER, builder.SetFiltergraph(nullptr));
    auto graph = std::make_shared<FilterGraphManager>();
    const std::weak_ptr<FilterGraphManager> watch = graph;
    EXPECT_EQ(S_OK, builder.SetFiltergraph(graph));
    graph.reset();
    EXPECT_FALSE(watch.expired());
}

}  // namespace
