#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/BdaInterfaces.h"
#include "platform/ClassIds.h"
#include "platform/DvbsLocator.h"
#include "platform/DvbsTuningSpace.h"
#include "platform/FilterGraphManager.h"
#include "platform/NetworkProvider.h"

namespace {

using Log = std::vector<std::string>;

// The control node of a tuner: frequency filter, LNB and DiSEqC on one node type, the
// demodulator on another. Every call is logged; `refuse` makes the named call fail.
class ControlNode : public IBDA_FrequencyFilter,
                    public IBDA_LNBInfo,
                    public IBDA_DiseqCommand,
                    public IBDA_DigitalDemodulator {
public:
    ControlNode(Log& log, bool demodulator) : m_log(log), m_demodulator(demodulator) {}
    bool Supports(const IID& iid) const override {
        return m_demodulator == (iid == IBDA_DigitalDemodulator::iid);
    }
    HRESULT put_Frequency(std::uint32_t f) override { return Note("Frequency", f); }
    HRESULT put_Polarity(Polarisation p) override { return Note("Polarity", p); }
    HRESULT put_Range(std::uint64_t r) override {
        return Note("Range", static_cast<std::int64_t>(r));
    }
    HRESULT put_Bandwidth(std::uint32_t b) override { return Note("Bandwidth", b); }
    HRESULT put_FrequencyMultiplier(std::uint32_t m) override { return Note("Multiplier", m); }
    HRESULT put_LocalOscilatorFrequencyLowBand(std::uint32_t f) override { return Note("Low", f); }
    HRESULT put_LocalOscilatorFrequencyHighBand(std::uint32_t f) override {
        return Note("High", f);
    }
    HRESULT put_HighLowSwitchFrequency(std::uint32_t f) override { return Note("Switch", f); }
    HRESULT put_EnableDiseqCommands(bool e) override { return Note("EnableDiseqc", e); }
    HRESULT put_DiseqLNBSource(std::uint32_t s) override { return Note("LnbSource", s); }
    HRESULT put_SymbolRate(std::uint32_t s) override { return Note("SymbolRate", s); }

    std::string refuse;

private:
    HRESULT Note(const std::string& what, std::int64_t value) {
        m_log.push_back(what + " " + std::to_string(value));
        return what == refuse ? E_FAIL : S_OK;
    }
    Log& m_log;
    const bool m_demodulator;
};

// A demodulator node that also selects the system and input stream.
class StreamNode : public ControlNode, public IBDA_StreamSelection {
public:
    explicit StreamNode(Log& log) : ControlNode(log, true), m_log(log) {}
    bool Supports(const IID& iid) const override {
        return iid == IBDA_StreamSelection::iid || ControlNode::Supports(iid);
    }
    HRESULT put_SignalSystem(DvbsSystem s) override { return Note("System", s); }
    HRESULT put_InputStreamId(std::int32_t id) override { return Note("Stream", id); }
    HRESULT put_PlsCode(std::int32_t code) override { return Note("Pls", code); }
    HRESULT get_LockedSystem(DvbsSystem*) override { return E_NOTIMPL; }

private:
    HRESULT Note(const std::string& what, std::int32_t value) {
        m_log.push_back(what + " " + std::to_string(value));
        return S_OK;
    }
    Log& m_log;
};

// A tuner filter with one input and one output pin, a topology of two node types and batched
// changes.
class TestTuner : public FilterBase, public IBDA_Topology, public IBDA_DeviceControl {
public:
    TestTuner() {
        AddPin(std::make_shared<PinBase>(*this, PINDIR_INPUT, u"Input0"));
        AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"MPEG2 Transport"));
    }
    HRESULT GetNodeTypes(std::uint32_t* count, std::uint32_t max, std::uint32_t* types) override {
        const std::uint32_t all[] = {kTunerNode, kDemodulatorNode};
        *count = 2;
        for (std::uint32_t i = 0; i < 2 && i < max; ++i) types[i] = all[i];
        return S_OK;
    }
    HRESULT GetControlNode(std::uint32_t, std::uint32_t, std::uint32_t type,
                           std::shared_ptr<IUnknown>* node) override {
        *node = type == kTunerNode ? m_tunerNode : m_demodulatorNode;
        return S_OK;
    }
    HRESULT StartChanges() override { return Note("StartChanges"); }
    HRESULT CheckChanges() override { return Note("CheckChanges"); }
    HRESULT CommitChanges() override { return Note("CommitChanges"); }

    static constexpr std::uint32_t kTunerNode = 0, kDemodulatorNode = 1;
    Log log;
    HRESULT commitResult = S_OK;
    std::shared_ptr<ControlNode> m_tunerNode = std::make_shared<ControlNode>(log, false);
    std::shared_ptr<ControlNode> m_demodulatorNode = std::make_shared<ControlNode>(log, true);

private:
    HRESULT Note(const std::string& what) {
        log.push_back(what);
        return what == "CommitChanges" ? commitResult : S_OK;
    }
};

// A tuning space as the program sets it up, and a request for 11,954 MHz H, 27,500 ksym/s on
// LNB source B.
struct Tuning {
    Tuning() {
        space->put__NetworkType(CLSID_DVBSNetworkProvider);
        space->put_LowOscillator(9750000);
        space->put_HighOscillator(10600000);
        space->put_LNBSwitch(11700000);
        space->CreateTuneRequest(&request);
        request->put_Locator(locator);
        locator->put_CarrierFrequency(11954000);
        locator->put_SymbolRate(27500);
        locator->put_SignalPolarisation(BDA_POLARISATION_LINEAR_H);
        locator->put_DiseqLNBSource(BDA_LNB_SOURCE_B);
    }
    std::shared_ptr<DvbsTuningSpace> space = std::make_shared<DvbsTuningSpace>();
    std::shared_ptr<DvbsLocator> locator = std::make_shared<DvbsLocator>();
    std::shared_ptr<ITuneRequest> request;
};

class NetworkProviderTest : public ::testing::Test {
protected:
    std::shared_ptr<NetworkProvider> Connected(NetworkProvider::Kind kind) {
        auto provider = std::make_shared<NetworkProvider>(kind);
        m_graph->AddFilter(provider, u"Network Provider");
        m_graph->AddFilter(m_tuner, u"DVBS TUNER");
        EXPECT_EQ(S_OK, m_graph->ConnectDirect(provider->Pins()[0], m_tuner->Pins()[0], nullptr));
        return provider;
    }

    std::shared_ptr<FilterGraphManager> m_graph = std::make_shared<FilterGraphManager>();
    std::shared_ptr<TestTuner> m_tuner = std::make_shared<TestTuner>();
    Tuning m_tuning;
};

TEST_F(NetworkProviderTest, TheGenericProviderProgramsEveryNodeBetweenStartAndCommit) {
    const auto provider = Connected(NetworkProvider::Kind::Generic);
    EXPECT_EQ(S_OK, provider->put_TuneRequest(m_tuning.request));
    EXPECT_EQ((Log{"StartChanges", "Low 9750000", "High 10600000", "Switch 11700000",
                   "Multiplier 1000", "Frequency 11954000", "Polarity 1", "LnbSource 2",
                   "SymbolRate 27500", "CommitChanges"}),
              m_tuner->log);
}

TEST_F(NetworkProviderTest, TheDvbsProviderLeavesTheLnbSourceAlone) {
    const auto provider = Connected(NetworkProvider::Kind::Dvbs);
    EXPECT_EQ(S_OK, provider->put_TuneRequest(m_tuning.request));
    EXPECT_EQ(
        (Log{"StartChanges", "Low 9750000", "High 10600000", "Switch 11700000", "Multiplier 1000",
             "Frequency 11954000", "Polarity 1", "SymbolRate 27500", "CommitChanges"}),
        m_tuner->log);
}

TEST_F(NetworkProviderTest, AnUnsetLnbSourceIsNotSent) {
    const auto provider = Connected(NetworkProvider::Kind::Generic);
    const auto fresh = std::make_shared<DvbsLocator>();
    fresh->put_CarrierFrequency(12000000);
    m_tuning.request->put_Locator(fresh);
    EXPECT_EQ(S_OK, provider->put_TuneRequest(m_tuning.request));
    for (const auto& entry : m_tuner->log) {
        EXPECT_EQ(std::string::npos, entry.find("LnbSource"));
        EXPECT_EQ(std::string::npos, entry.find("SymbolRate"));
        EXPECT_EQ(std::string::npos, entry.find("Polarity"));
    }
}

TEST_F(NetworkProviderTest, ARequestWithoutFrequencyIsAcceptedAndProgramsNothing) {
    const auto alone = std::make_shared<NetworkProvider>(NetworkProvider::Kind::Dvbs);
    const auto empty = std::make_shared<DvbsLocator>();
    m_tuning.request->put_Locator(empty);
    EXPECT_EQ(S_OK, alone->put_TuneRequest(m_tuning.request));  // no tuner yet, as in construction
    const auto provider = Connected(NetworkProvider::Kind::Dvbs);
    EXPECT_EQ(S_OK, provider->put_TuneRequest(m_tuning.request));
    EXPECT_TRUE(m_tuner->log.empty());
    EXPECT_EQ(E_POINTER, provider->put_TuneRequest(nullptr));
}

TEST_F(NetworkProviderTest, ARealRequestFailsWithoutTunerOrWhenTheTunerRefuses) {
    const auto alone = std::make_shared<NetworkProvider>(NetworkProvider::Kind::Generic);
    EXPECT_EQ(E_FAIL, alone->put_TuneRequest(m_tuning.request));

    const auto provider = Connected(NetworkProvider::Kind::Generic);
    m_tuner->commitResult = HRESULT_ERROR_NOT_READY;
    EXPECT_EQ(HRESULT_ERROR_NOT_READY, provider->put_TuneRequest(m_tuning.request));

    m_tuner->commitResult = S_OK;
    m_tuner->log.clear();
    m_tuner->m_tunerNode->refuse = "Frequency";
    EXPECT_EQ(E_FAIL, provider->put_TuneRequest(m_tuning.request));
    EXPECT_EQ(0, std::count(m_tuner->log.begin(), m_tuner->log.end(), "CommitChanges"));
}

TEST(TuningObjectsTest, StartUnsetAndARequestHoldsItsLocatorByReference) {
    DvbsLocator locator;
    std::int32_t value = 0;
    locator.get_CarrierFrequency(&value);
    EXPECT_EQ(-1, value);
    locator.get_SymbolRate(&value);
    EXPECT_EQ(-1, value);
    LNB_Source source = BDA_LNB_SOURCE_A;
    locator.get_DiseqLNBSource(&source);
    EXPECT_EQ(BDA_LNB_SOURCE_NOT_SET, source);

    const auto space = std::make_shared<DvbsTuningSpace>();
    space->get_LowOscillator(&value);
    EXPECT_EQ(-1, value);
    std::shared_ptr<ITuneRequest> request;
    ASSERT_EQ(S_OK, space->CreateTuneRequest(&request));
    const auto dvb = query<IDVBTuneRequest>(request);
    ASSERT_TRUE(dvb);
    dvb->get_ONID(&value);
    EXPECT_EQ(-1, value);
    dvb->put_SID(1234);
    dvb->get_SID(&value);
    EXPECT_EQ(1234, value);
    std::shared_ptr<ITuningSpace> owner;
    request->get_TuningSpace(&owner);
    EXPECT_EQ(std::shared_ptr<ITuningSpace>(space), owner);

    const auto shared = std::make_shared<DvbsLocator>();
    request->put_Locator(shared);
    shared->put_CarrierFrequency(10714000);  // changed after it was put in
    std::shared_ptr<ILocator> held;
    request->get_Locator(&held);
    held->get_CarrierFrequency(&value);
    EXPECT_EQ(10714000, value);
    GUID type;
    space->put__NetworkType(CLSID_DVBSNetworkProvider);
    space->get__NetworkType(&type);
    EXPECT_EQ(CLSID_DVBSNetworkProvider, type);
}

TEST_F(NetworkProviderTest, EveryTuneGivesAStreamSelectingNodeItsSystemAndStream) {
    m_tuner->m_demodulatorNode = std::make_shared<StreamNode>(m_tuner->log);
    const auto provider = Connected(NetworkProvider::Kind::Dvbs);
    m_tuning.locator->put_SignalSystem(DVBS_SYSTEM_DVBS2);
    m_tuning.locator->put_InputStreamId(7);
    m_tuning.locator->put_PlsCode(8);
    EXPECT_EQ(S_OK, provider->put_TuneRequest(m_tuning.request));
    EXPECT_EQ((Log{"StartChanges", "Low 9750000", "High 10600000", "Switch 11700000",
                   "Multiplier 1000", "Frequency 11954000", "Polarity 1", "SymbolRate 27500",
                   "System 2", "Stream 7", "Pls 8", "CommitChanges"}),
              m_tuner->log);

    // A channel without them takes the default stream again.
    const auto plain = std::make_shared<DvbsLocator>();
    plain->put_CarrierFrequency(11954000);
    m_tuning.request->put_Locator(plain);
    m_tuner->log.clear();
    EXPECT_EQ(S_OK, provider->put_TuneRequest(m_tuning.request));
    EXPECT_EQ(
        (Log{"StartChanges", "Low 9750000", "High 10600000", "Switch 11700000", "Multiplier 1000",
             "Frequency 11954000", "System -1", "Stream -1", "Pls -1", "CommitChanges"}),
        m_tuner->log);
}

TEST_F(NetworkProviderTest, AStreamOnATunerThatCannotSelectOneChangesNothing) {
    const auto provider = Connected(NetworkProvider::Kind::Dvbs);
    m_tuning.locator->put_SignalSystem(DVBS_SYSTEM_DVBS2);
    EXPECT_EQ(S_OK, provider->put_TuneRequest(m_tuning.request)) << "the system alone is a hint";
    for (const auto& [stream, pls] : {std::pair{3, kPlsCodeNotSet}, {kInputStreamNotSet, 5}}) {
        m_tuning.locator->put_InputStreamId(stream);
        m_tuning.locator->put_PlsCode(pls);
        m_tuner->log.clear();
        EXPECT_EQ(E_NOTIMPL, provider->put_TuneRequest(m_tuning.request));
        EXPECT_TRUE(m_tuner->log.empty());
    }
}

}  // namespace
