// Tuning on the worker: which of several quick requests is carried out, how the LNB source
// travels with each network provider, and what the submitted request holds.
#include <gtest/gtest.h>

#include <array>

#include "card/DiseqcBus.h"
#include "platform/DvbTuneRequest.h"
#include "platform/DvbsTuningSpace.h"
#include "worker_fixture.h"

namespace worker_test {
namespace {

// Channels of the default sky (example lists), each on its own position.
TuneParameters VestraChannel() {
    return {10719000, 22000, 1202, 12021, 2107, 1, 2};
}
TuneParameters KormatChannel() {
    return {10736000, 27500, 1303, 13031, 3107, 1, 3};
}

std::vector<std::uint8_t> SwitchTo(int position) {
    card::LnbState state;
    state.position = position;
    state.polarisation = card::LinearPolarisation::Horizontal;
    return card::CommittedSwitchMessage(state);
}

using BusBytesList = std::vector<std::vector<std::uint8_t>>;

BusBytesList BusBytes(const card::SimulatedCard& card) {
    BusBytesList bytes;
    for (const card::BusMessage& message : card.BusLog()) bytes.push_back(message.bytes);
    return bytes;
}

bool GraphRunning(TunerGraph& graph) {
    OAFilterState state = State_Stopped;
    return graph.m_mediaControl->GetState(0, &state) == S_OK && state == State_Running;
}

// A DVB tune request that remembers which ids were put into it, including -1.
class RecordingTuneRequest : public DvbTuneRequest {
public:
    using DvbTuneRequest::DvbTuneRequest;
    HRESULT put_ONID(std::int32_t onid) override {
        puts[0] = onid;
        return DvbTuneRequest::put_ONID(onid);
    }
    HRESULT put_TSID(std::int32_t tsid) override {
        puts[1] = tsid;
        return DvbTuneRequest::put_TSID(tsid);
    }
    HRESULT put_SID(std::int32_t sid) override {
        puts[2] = sid;
        return DvbTuneRequest::put_SID(sid);
    }
    std::array<std::optional<std::int32_t>, 3> puts;  // ONID, TSID, SID
};

// A request that lacks the DVB interface: only the bare tune request.
class BareTuneRequest : public DvbTuneRequest {
public:
    using DvbTuneRequest::DvbTuneRequest;
    bool Supports(const IID& iid) const override { return iid != IDVBTuneRequest::iid; }
};

// Stands in for the tuning space class and keeps the last request it made.
struct MadeRequests {
    bool bare = false;
    std::mutex mutex;
    std::shared_ptr<ITuneRequest> last;
    int count = 0;
};

class RecordingTuningSpace : public DvbsTuningSpace {
public:
    explicit RecordingTuningSpace(std::weak_ptr<MadeRequests> made) : m_made(std::move(made)) {}
    HRESULT CreateTuneRequest(std::shared_ptr<ITuneRequest>* request) override {
        const std::shared_ptr<MadeRequests> made = m_made.lock();
        if (!made) return E_FAIL;
        if (made->bare)
            *request = std::make_shared<BareTuneRequest>(shared_from_this());
        else
            *request = std::make_shared<RecordingTuneRequest>(shared_from_this());
        std::lock_guard lock(made->mutex);
        made->last = *request;
        ++made->count;
        return S_OK;
    }

private:
    // Weak: the last request refers back to this space.
    const std::weak_ptr<MadeRequests> m_made;
};

class TuneTest : public CardTest {
protected:
    // The next graphs' tuning spaces record their requests in `made`.
    void RecordRequests() {
        RegisterComponentClass(CLSID_DVBSTuningSpace, [made = std::weak_ptr(made)] {
            return std::make_shared<RecordingTuningSpace>(made);
        });
    }
    // Leaves the generic provider out, so graphs take the DVB-S provider.
    static void DvbsProviderOnly() { UnregisterComponentClass(CLSID_NetworkProvider); }

    std::shared_ptr<MadeRequests> made = std::make_shared<MadeRequests>();
};

TEST_F(TuneTest, TwoQuickTunesCarryOutOnlyTheSecond) {
    // The worker is held inside a sweep while both requests arrive, so neither is taken early.
    PostGate gate(m_queue.ThreadId(), 1);
    auto graph = MakeGraph(1, gate.ThreadId());
    ASSERT_EQ(graph->RequestSpectrumSweep(), 0);
    ASSERT_TRUE(gate.WaitUntilHeld());
    ASSERT_EQ(graph->RequestTune(VestraChannel()), 0);
    ASSERT_EQ(graph->RequestTune(KormatChannel()), 0);
    gate.Release();

    ASSERT_TRUE(WaitUntil([&] { return m_card->Status(1).locked != nullptr; }));
    EXPECT_EQ(m_card->Status(1).locked->frequencyMHz, 10736u);
    EXPECT_EQ(BusBytes(*m_card), BusBytesList{SwitchTo(3)});
}

// Only the driver's answer that the card is gone marks the graph; a tune it merely refuses
// (outside the band) does not.
TEST_F(TuneTest, ATuneRefusedByACardThatIsGoneMarksTheGraph) {
    auto graph = MakeGraph(1);
    TuneParameters outside = HelionChannel();
    outside.frequencyKHz = 10'600'000;  // 850 MHz at the tuner input
    ASSERT_EQ(graph->RequestTune(outside), 0);
    // Taken before the next is asked for, so both are carried out, in turn.
    ASSERT_TRUE(WaitUntil([&] { return graph->m_command == kCommandNone; }));
    ASSERT_EQ(graph->RequestTune(HelionChannel()), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_card->Status(1).locked != nullptr; }));
    EXPECT_FALSE(graph->m_cardGone);

    m_card->Unplug();
    ASSERT_EQ(graph->RequestTune(VestraChannel()), 0);
    EXPECT_TRUE(WaitUntil([&] { return graph->m_cardGone.load(); }));
}

TEST_F(TuneTest, DvbsProviderSwitchesThroughTheDiseqcPropertiesAndSourceZeroTurnsThemOff) {
    DvbsProviderOnly();
    auto graph = MakeGraph(1);
    ASSERT_EQ(graph->m_genericProvider, 0);

    ASSERT_EQ(graph->RequestTune(VestraChannel()), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_card->Status(1).locked != nullptr; }));
    EXPECT_EQ(m_card->Status(1).locked->onid, 1202);
    EXPECT_EQ(BusBytes(*m_card), BusBytesList{SwitchTo(2)});

    // With DiSEqC off the position stays where it was and nothing goes on the bus.
    TuneParameters noSource = KormatChannel();
    noSource.lnbSource = 0;
    ASSERT_EQ(graph->RequestTune(noSource), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_card->Status(1).tunedIfMHz == 10736 - 9750; }));
    EXPECT_EQ(m_card->Status(1).lnb.position, 2);
    EXPECT_EQ(BusBytes(*m_card), BusBytesList{SwitchTo(2)});
}

TEST_F(TuneTest, GenericProviderKeepsTheLocatorsSourceWhenTheTuneNamesNone) {
    auto graph = MakeGraph(1);
    ASSERT_EQ(graph->m_genericProvider, 1);

    ASSERT_EQ(graph->RequestTune(KormatChannel()), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_card->BusLog().size() == 1; }));
    TuneParameters noSource = VestraChannel();
    noSource.lnbSource = 0;
    ASSERT_EQ(graph->RequestTune(noSource), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_card->BusLog().size() == 2; }));

    EXPECT_EQ(BusBytes(*m_card), (BusBytesList{SwitchTo(3), SwitchTo(3)}));
    EXPECT_EQ(m_card->Status(1).tunedIfMHz, 10719 - 9750);
}

TEST_F(TuneTest, RequestCarriesTheIdsAndTheGraphsOwnLocator) {
    for (const bool generic : {true, false}) {
        SCOPED_TRACE(generic ? "generic provider" : "DVB-S provider");
        InstallCard(card::TestCardConfig());
        if (!generic) DvbsProviderOnly();
        RecordRequests();
        made->count = 0;
        auto graph = MakeGraph(1);
        const int madeAtConstruction = made->count;

        TuneParameters tune = KormatChannel();
        tune.onid = -1;
        tune.sid = -1;
        tune.polarisation = 4;
        tune.system = DVBS_SYSTEM_DVBS;
        tune.inputStreamId = 9;
        tune.plsCode = 10;
        ASSERT_EQ(graph->RequestTune(tune), 0);
        ASSERT_TRUE(WaitUntil([&] { return GraphRunning(*graph); }));

        std::lock_guard lock(made->mutex);
        ASSERT_EQ(made->count, madeAtConstruction + 1);
        auto request = std::dynamic_pointer_cast<RecordingTuneRequest>(made->last);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->puts, (std::array<std::optional<std::int32_t>, 3>{-1, 13031, -1}));

        std::shared_ptr<ILocator> locator;
        request->get_Locator(&locator);
        const std::shared_ptr<IDVBSLocator> own =
            generic ? std::shared_ptr<IDVBSLocator>(graph->m_locator2) : graph->m_locator;
        EXPECT_EQ(query<IDVBSLocator>(locator), own);
        std::int32_t frequency = 0, symbolRate = 0;
        Polarisation polarisation = BDA_POLARISATION_NOT_SET;
        own->get_CarrierFrequency(&frequency);
        own->get_SymbolRate(&symbolRate);
        own->get_SignalPolarisation(&polarisation);
        EXPECT_EQ(frequency, 10736000);
        EXPECT_EQ(symbolRate, 27500);
        EXPECT_EQ(polarisation, BDA_POLARISATION_CIRCULAR_R);
        const auto stream = query<IDVBSStreamLocator>(own);
        DvbsSystem system = DVBS_SYSTEM_NOT_SET;
        std::int32_t streamId = -1, plsCode = -1;
        stream->get_SignalSystem(&system);
        stream->get_InputStreamId(&streamId);
        stream->get_PlsCode(&plsCode);
        EXPECT_EQ(system, DVBS_SYSTEM_DVBS);
        EXPECT_EQ(streamId, 9);
        EXPECT_EQ(plsCode, 10);
        if (generic) {
            LNB_Source source = BDA_LNB_SOURCE_NOT_SET;
            graph->m_locator2->get_DiseqLNBSource(&source);
            EXPECT_EQ(source, BDA_LNB_SOURCE_C);
        }
    }
}

TEST_F(TuneTest, WithoutTheDvbRequestNothingIsSubmittedButTheGraphStillRuns) {
    made->bare = true;
    RecordRequests();
    auto graph = MakeGraph(1);
    ASSERT_EQ(graph->RequestTune(KormatChannel()), 0);
    ASSERT_TRUE(WaitUntil([&] { return GraphRunning(*graph); }));

    EXPECT_EQ(made->count, 1);
    std::int32_t frequency = 0;
    graph->m_locator2->get_CarrierFrequency(&frequency);
    EXPECT_EQ(frequency, -1);
    EXPECT_TRUE(m_card->BusLog().empty());
    EXPECT_EQ(m_card->Status(1).tunedIfMHz, 0);
}

}  // namespace
}  // namespace worker_test
