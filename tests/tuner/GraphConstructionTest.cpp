// Building a tuner graph on the card and taking it down again, whatever step construction
// reached.
#include <cinttypes>
#include <cstdio>
#include <new>
#include <regex>

#include "GraphOnCard.h"
#include "platform/NetworkProvider.h"
#include "platform/RunningObjectTable.h"
#include "platform/Threads.h"

namespace graph_test {
namespace {

using ::testing::Contains;
using ::testing::Not;

// The provider, noting the tune requests it is given.
class NotingProvider : public NetworkProvider {
public:
    using NetworkProvider::NetworkProvider;
    HRESULT put_TuneRequest(const std::shared_ptr<ITuneRequest>& request) override {
        requests.push_back(request);
        return NetworkProvider::put_TuneRequest(request);
    }
    std::vector<std::shared_ptr<ITuneRequest>> requests;  // construction's thread only
};

NotingProvider& ProviderOf(const TunerGraph& graph) {
    return dynamic_cast<NotingProvider&>(*graph.m_networkProvider);
}

std::string ItemName(const TunerGraph& graph) {
    char name[128];
    std::snprintf(name, sizeof name, "!FilterGraph %016" PRIXPTR " pid %08x",
                  reinterpret_cast<std::uintptr_t>(graph.m_graph.get()), GetCurrentProcessId());
    return name;
}

// Which of the demultiplexer's outputs have a renderer.
std::vector<int> RenderedOutputs(const TunerGraph& graph) {
    std::vector<int> rendered;
    for (int output = 1; output <= 7; ++output) {
        if (Downstream(graph.m_demux, output)) rendered.push_back(output);
    }
    return rendered;
}

class GraphConstruction : public GraphOnCard {
protected:
    void SetUp() override {
        GraphOnCard::SetUp();
        RegisterComponentClass(CLSID_NetworkProvider, [] {
            return std::make_shared<NotingProvider>(NetworkProvider::Kind::Generic);
        });
        RegisterComponentClass(CLSID_DVBSNetworkProvider, [] {
            return std::make_shared<NotingProvider>(NetworkProvider::Kind::Dvbs);
        });
    }
};

TEST_F(GraphConstruction, BothTunersOfTheDefaultCardAreReadyOnTheirOwnTunerAndListedUntilTornDown) {
    Install();
    auto first = std::make_unique<TunerGraph>(1, 0);
    auto second = std::make_unique<TunerGraph>(2, 0);
    ASSERT_EQ(first->m_ready, 1);
    ASSERT_EQ(second->m_ready, 1);
    EXPECT_NE(first->m_tunerFilter, second->m_tunerFilter);
    EXPECT_EQ(OutputMediumIds(first->m_tunerFilter).front(), 1u);
    EXPECT_EQ(OutputMediumIds(second->m_tunerFilter).front(), 2u);

    const std::string firstName = ItemName(*first);
    const std::string secondName = ItemName(*second);
    EXPECT_THAT(RunningObjects(), Contains(firstName));
    EXPECT_THAT(RunningObjects(), Contains(secondName));
    EXPECT_TRUE(
        std::regex_match(firstName, std::regex("!FilterGraph [0-9A-F]{16} pid [0-9a-f]{8}")));

    first.reset();
    EXPECT_THAT(RunningObjects(), Not(Contains(firstName)));
    EXPECT_THAT(RunningObjects(), Contains(secondName));
    second.reset();
    EXPECT_THAT(RunningObjects(), Not(Contains(secondName)));
}

TEST_F(GraphConstruction, ThePlainChainRunsFromProviderToDemultiplexer) {
    Install();
    TunerGraph graph(1, 0);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(Downstream(graph.m_networkProvider, 1), graph.m_tunerFilter);
    EXPECT_EQ(Downstream(graph.m_tunerFilter, 1), graph.m_captureFilter);
    EXPECT_EQ(Downstream(graph.m_captureFilter, 1), graph.m_ciFilter);
    EXPECT_EQ(Downstream(graph.m_ciFilter, 1), graph.m_demux);
    EXPECT_FALSE(graph.m_tee);
    EXPECT_FALSE(graph.m_writer);
    EXPECT_EQ(graph.m_recording, 0);
    // Only the chosen devices stay: the other tuner's filters were tried and removed again.
    const auto added = Noted(graph).Added();
    EXPECT_EQ(std::count(added.begin(), added.end(), u"DVBS TUNER"), 2);
    EXPECT_EQ(FilterNames(graph).size(), 5u + 3u);  // the chain and three renderers
}

struct FlagsCase {
    std::uint32_t flags;
    std::uint32_t ciMode;
    bool recording;
};

class ConstructionFlags : public GraphConstruction,
                          public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(ConstructionFlags, ChooseTheCiModeSentToTheDriverAndTheVariant) {
    const auto card = Install();
    TunerGraph graph(1, GetParam().flags);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(graph.m_ciMode, GetParam().ciMode);
    EXPECT_EQ(card->Status(1).ciMode, GetParam().ciMode);
    EXPECT_EQ(graph.m_recording, GetParam().recording ? 1 : 0);
    EXPECT_EQ(graph.m_tee != nullptr, GetParam().recording);
    EXPECT_EQ(graph.m_writer != nullptr, GetParam().recording);
}

INSTANTIATE_TEST_SUITE_P(, ConstructionFlags,
                         ::testing::Values(FlagsCase{0x00, 1, false}, FlagsCase{0x10, 0, false},
                                           FlagsCase{0x20, 2, false}, FlagsCase{0x30, 2, false},
                                           FlagsCase{0x01, 1, true}, FlagsCase{0x11, 0, true},
                                           FlagsCase{0x100, 1, false}));

TEST_F(GraphConstruction, TheGenericProviderTakesLocator2AndNoInitialRequest) {
    Install();
    TunerGraph graph(1, 0);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(graph.m_genericProvider, 1);
    EXPECT_TRUE(graph.m_locator2);
    EXPECT_FALSE(graph.m_locator);
    EXPECT_TRUE(ProviderOf(graph).requests.empty());
    EXPECT_THAT(FilterNames(graph), Contains(u"W7 Network Provider"));
    EXPECT_EQ(RenderedOutputs(graph), (std::vector<int>{1, 3, 7}));

    std::int32_t low = 0, high = 0, lnbSwitch = 0;
    graph.m_tuningSpace->get_LowOscillator(&low);
    graph.m_tuningSpace->get_HighOscillator(&high);
    graph.m_tuningSpace->get_LNBSwitch(&lnbSwitch);
    EXPECT_EQ(low, 9750000);
    EXPECT_EQ(high, 10600000);
    EXPECT_EQ(lnbSwitch, 11700000);
    GUID networkType;
    graph.m_tuningSpace->get__NetworkType(&networkType);
    EXPECT_EQ(networkType, CLSID_DVBSNetworkProvider);
}

TEST_F(GraphConstruction, WithoutTheGenericProviderTheDvbsProviderGetsAnEmptyRequestAndEveryPin) {
    UnregisterComponentClass(CLSID_NetworkProvider);
    Install();
    TunerGraph graph(2, 0);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(graph.m_genericProvider, 0);
    EXPECT_TRUE(graph.m_locator);
    EXPECT_FALSE(graph.m_locator2);
    EXPECT_THAT(FilterNames(graph), Contains(u"DVBS Network Provider"));
    EXPECT_EQ(RenderedOutputs(graph), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));

    const auto& requests = ProviderOf(graph).requests;
    ASSERT_EQ(requests.size(), 1u);
    std::shared_ptr<ILocator> locator;
    requests[0]->get_Locator(&locator);
    EXPECT_EQ(locator, std::static_pointer_cast<ILocator>(graph.m_locator));
    std::int32_t frequency = 0;
    locator->get_CarrierFrequency(&frequency);
    EXPECT_EQ(frequency, -1);
    EXPECT_TRUE(query<IDVBTuneRequest>(requests[0]));
}

// A demultiplexer with only two outputs: the generic provider's rule renders just the first.
class TwoOutputDemux : public FilterBase {
public:
    TwoOutputDemux() {
        AddPin(std::make_shared<PinBase>(*this, PINDIR_INPUT, u"In"));
        AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"1"));
        AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"2"));
    }
};

TEST_F(GraphConstruction, AGenericProviderGraphRendersOnlyTheFirstOfTwoDemultiplexerOutputs) {
    RegisterComponentClass(CLSID_MPEG2Demultiplexer,
                           [] { return std::make_shared<TwoOutputDemux>(); });
    Install();
    TunerGraph graph(1, 0);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_TRUE(Downstream(graph.m_demux, 1));
    EXPECT_FALSE(Downstream(graph.m_demux, 2));
}

// Every point at which construction can stop, and what must hold then.
struct StopCase {
    const char* name;
    void (*arrange)(card::CardConfig&);
    std::uint32_t flags;
    bool graph;  // a filter graph exists (and so a ROT entry)
    bool worker;
};

class GraphWithoutFilterGraphEvents : public NotingGraph {
public:
    bool Supports(const IID& iid) const override { return iid != IMediaEvent::iid; }
};

void Unregister(const CLSID& clsid) {
    UnregisterComponentClass(clsid);
}

class ConstructionStop : public GraphConstruction,
                         public ::testing::WithParamInterface<StopCase> {};

TEST_P(ConstructionStop, LeavesAGraphThatIsNotReadyAndTearsDownCompletely) {
    card::CardConfig config = card::TestCardConfig();
    GetParam().arrange(config);
    Install(std::move(config));
    auto graph = std::make_unique<TunerGraph>(1, GetParam().flags);
    EXPECT_EQ(graph->m_ready, 0);
    EXPECT_EQ(graph->m_graph != nullptr, GetParam().graph);
    EXPECT_EQ(graph->m_rotCookie != 0, GetParam().graph);
    EXPECT_EQ(graph->m_thread.joinable(), GetParam().worker);
    EXPECT_EQ(graph->RequestTune(TuneParameters{}), 1);

    std::string name;
    if (graph->m_graph) name = ItemName(*graph);
    const std::shared_ptr<IGraphBuilder> manager = graph->m_graph;
    graph.reset();
    if (manager) {
        EXPECT_THAT(RunningObjects(), Not(Contains(name)));
        std::shared_ptr<IEnumFilters> filters;
        manager->EnumFilters(&filters);
        std::shared_ptr<IBaseFilter> left;
        std::uint32_t fetched = 0;
        EXPECT_EQ(filters->Next(1, &left, &fetched), S_FALSE);
    }
}

const StopCase kStops[] = {
    {"NoFilterGraph", [](card::CardConfig&) { Unregister(CLSID_FilterGraph); }, 0, false, false},
    {"NoCaptureGraphBuilder", [](card::CardConfig&) { Unregister(CLSID_CaptureGraphBuilder2); }, 0,
     true, false},
    {"NoMediaEvent",
     [](card::CardConfig&) {
         RegisterComponentClass(CLSID_FilterGraph,
                                [] { return std::make_shared<GraphWithoutFilterGraphEvents>(); });
     },
     0, true, false},
    {"NoNetworkProvider",
     [](card::CardConfig&) {
         Unregister(CLSID_NetworkProvider);
         Unregister(CLSID_DVBSNetworkProvider);
     },
     0, true, true},
    {"NoTuningSpace", [](card::CardConfig&) { Unregister(CLSID_DVBSTuningSpace); }, 0, true, true},
    {"NoLocator", [](card::CardConfig&) { Unregister(CLSID_DVBSLocator); }, 0, true, true},
    {"NoDeviceEnumerator", [](card::CardConfig&) { Unregister(CLSID_SystemDeviceEnum); }, 0, true,
     true},
    {"NoTunerDevice", [](card::CardConfig& c) { c.tunerCategory.clear(); }, 0, true, true},
    {"NoMatchingTuner",
     [](card::CardConfig& c) {
         c.tunerCategory = {{card::DeviceKind::Tuner, 2}};
     },
     0, true, true},
    {"NoCaptureDevice",
     [](card::CardConfig& c) {
         c.receiverCategory = {{card::DeviceKind::Ci, 1}};
     },
     0, true, true},
    {"NoReceiverComponents", [](card::CardConfig& c) { c.receiverCategory.clear(); }, 0, true,
     true},
    {"NoDemultiplexer", [](card::CardConfig&) { Unregister(CLSID_MPEG2Demultiplexer); }, 0, true,
     true},
    {"NoTee", [](card::CardConfig&) { Unregister(CLSID_InfTee); }, GraphFlagRecord, true, true},
    {"NoWriter", [](card::CardConfig&) { Unregister(CLSID_FileWriter); }, GraphFlagRecord, true,
     true},
};

INSTANTIATE_TEST_SUITE_P(, ConstructionStop, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GraphConstruction, WithoutATunerTheGraphKeepsItsProviderAndIsStillRegistered) {
    card::CardConfig config = card::TestCardConfig();
    config.tunerCategory.clear();
    Install(std::move(config));
    TunerGraph graph(1, 0);
    EXPECT_EQ(graph.m_ready, 0);
    EXPECT_EQ(FilterNames(graph), (std::vector<std::u16string>{u"W7 Network Provider"}));
    EXPECT_THAT(RunningObjects(), Contains(ItemName(graph)));
}

// A construction step that throws (a failed allocation, a component factory) is a failed step,
// before the worker starts or after: the graph is not ready, and teardown joins the worker.
struct ThrowingClass {
    const char* name;
    CLSID clsid;
};

class ThrowingConstructionStep : public GraphConstruction,
                                 public ::testing::WithParamInterface<ThrowingClass> {};

TEST_P(ThrowingConstructionStep, EndsConstructionNotReadyAndTeardownJoinsTheWorker) {
    Install();
    RegisterComponentClass(GetParam().clsid,
                           []() -> std::shared_ptr<IUnknown> { throw std::bad_alloc(); });
    std::unique_ptr<TunerGraph> graph;
    ASSERT_NO_THROW(graph = std::make_unique<TunerGraph>(1, GraphFlagRecord));
    EXPECT_EQ(graph->m_ready, 0);
    EXPECT_EQ(graph->RequestSpectrumSweep(), 1);
    graph.reset();
}

const ThrowingClass kThrowingClasses[] = {
    {"FilterGraph", CLSID_FilterGraph},
    {"NetworkProvider", CLSID_NetworkProvider},
    {"DeviceEnumerator", CLSID_SystemDeviceEnum},
    {"Demultiplexer", CLSID_MPEG2Demultiplexer},
    {"Writer", CLSID_FileWriter},
};

INSTANTIATE_TEST_SUITE_P(, ThrowingConstructionStep, ::testing::ValuesIn(kThrowingClasses),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GraphConstruction, TeardownEndsWhenTheGraphRefusesToLetAFilterGo) {
    Install();
    auto graph = std::make_unique<TunerGraph>(1, 0);
    ASSERT_EQ(graph->m_ready, 1);
    Noted(*graph).refuseRemoval = true;
    graph.reset();
}

TEST_F(GraphConstruction, TeardownStopsARunningGraphBeforeItLetsTheFiltersGo) {
    Install();
    auto graph = std::make_unique<TunerGraph>(1, 0);
    ASSERT_EQ(graph->m_ready, 1);
    ASSERT_EQ(graph->m_mediaControl->Run(), S_OK);
    const std::shared_ptr<IBaseFilter> capture = graph->m_captureFilter;
    graph.reset();
    FILTER_STATE state = State_Running;
    capture->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
}

}  // namespace
}  // namespace graph_test
