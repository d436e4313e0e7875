// The filter shells as any driver meets them: settings that belong to the tuner rather than to
// one filter object, requests that reach a driver only once they are well-formed and within
// range, a CI path that passes the stream through unless the driver hooks it, and a capture
// filter that runs its stream source exactly while the graph runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cardkit/CaptureFilterShell.h"
#include "cardkit/CardIds.h"
#include "cardkit/CiFilterShell.h"
#include "cardkit/TunerFilterShell.h"

namespace {

using namespace cardkit;
using Bytes = std::vector<std::uint8_t>;

Bytes Words(std::initializer_list<std::uint32_t> words) {
    Bytes bytes;
    for (const std::uint32_t w : words)
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    return bytes;
}

Bytes Header(const GUID& set, std::uint32_t id, std::uint32_t flags,
             std::initializer_list<std::uint32_t> node = {}) {
    const auto wire = set.ToWire();
    Bytes header(wire.begin(), wire.end());
    for (const Bytes& words : {Words({id, flags}), Words(node)})
        header.insert(header.end(), words.begin(), words.end());
    return header;
}

struct FakeTuner : TunerDriver {
    HRESULT CommitTune(const TuningSettings& settings) override {
        commits.push_back(settings);
        return S_OK;
    }
    HRESULT SendDiseqc(std::span<const std::uint8_t> message) override {
        sent.emplace_back(message.begin(), message.end());
        return S_OK;
    }
    HRESULT MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) override {
        steps.push_back({frequencyHz, settle});
        return S_OK;
    }
    HRESULT SetScif(const ScifConfig& config) override {
        scif = config;
        ++scifSets;
        return S_OK;
    }
    HRESULT GetScif(ScifConfig* config) override {
        *config = scif;
        return S_OK;
    }
    std::int32_t SignalStrength() override { return 45000; }
    std::int32_t SignalQuality() override { return 0; }

    std::vector<TuningSettings> commits;
    std::vector<Bytes> sent;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> steps;
    ScifConfig scif;
    int scifSets = 0;
};

struct CountingStage : RequestStage {
    HRESULT Handle(int tuner, const KsRequest& request, const CarryOut& carryOut,
                   std::uint32_t* bytesReturned) override {
        seen.push_back({tuner, request.id});
        return carryOut(bytesReturned);
    }
    std::vector<std::pair<int, std::uint32_t>> seen;
};

class TunerShellTest : public ::testing::Test {
protected:
    TunerShellTest() {
        TunerTopology topology = DefaultTunerTopology(2);
        topology.nodeTypes = {kDemodulatorNode, kRfTunerNode};  // requests address node 1
        m_device = std::make_shared<TunerDevice>(2, topology, m_driver, m_stage);
    }

    HRESULT Set(TunerFilterShell& shell, std::uint32_t id, Bytes data, const GUID& set,
                std::uint32_t node = 1) {
        const auto control = query<IKsControl>(shell.Pins().at(0));
        const Bytes header = Header(set, id, KSPROPERTY_TYPE_SET, {node, 0});
        std::uint32_t returned = 0;
        return control->KsProperty(header.data(), static_cast<std::uint32_t>(header.size()),
                                   data.data(), static_cast<std::uint32_t>(data.size()), &returned);
    }

    std::shared_ptr<FakeTuner> m_driver = std::make_shared<FakeTuner>();
    std::shared_ptr<CountingStage> m_stage = std::make_shared<CountingStage>();
    std::shared_ptr<TunerDevice> m_device;
};

TEST_F(TunerShellTest, SettingsBelongToTheTunerNotToOneFilterObject) {
    TunerFilterShell programmed(m_device), committed(m_device);
    std::shared_ptr<IUnknown> node;
    ASSERT_EQ(programmed.GetControlNode(0, 1, kRfTunerNode, &node), S_OK);
    query<IBDA_LNBInfo>(node)->put_LocalOscilatorFrequencyHighBand(10750000);
    query<IBDA_FrequencyFilter>(node)->put_Frequency(12188000);
    query<IBDA_FrequencyFilter>(node)->put_Polarity(BDA_POLARISATION_LINEAR_H);
    query<IBDA_DigitalDemodulator>(node)->put_SymbolRate(27500);
    EXPECT_EQ(
        Set(committed, KSPROPERTY_BDA_DISEQC_LNB_SOURCE, Words({3}), KSPROPSETID_BdaDiseqCommand),
        S_OK);
    ASSERT_EQ(committed.CommitChanges(), S_OK);
    ASSERT_EQ(m_driver->commits.size(), 1u);
    const TuningSettings& s = m_driver->commits[0];
    EXPECT_EQ(s.highOscillatorKHz, 10750000u);
    EXPECT_EQ(s.FrequencyKHz(), 12188000u);
    EXPECT_EQ(s.polarity, BDA_POLARISATION_LINEAR_H);
    EXPECT_EQ(s.symbolRate, 27500u);
    EXPECT_EQ(s.lnbSource, 3u);
    std::int32_t strength = 0;
    query<IBDA_SignalStatistics>(node)->get_SignalStrength(&strength);
    EXPECT_EQ(strength, 45000);
}

TEST_F(TunerShellTest, TheDemodulatorTakesSystemAndStreamWithinTheirRanges) {
    TunerFilterShell shell(m_device);
    std::shared_ptr<IUnknown> node;
    ASSERT_EQ(shell.GetControlNode(0, 1, kDemodulatorNode, &node), S_OK);
    const auto stream = query<IBDA_StreamSelection>(node);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->put_SignalSystem(static_cast<DvbsSystem>(3)), E_INVALIDARG);
    EXPECT_EQ(stream->put_InputStreamId(256), E_INVALIDARG);
    EXPECT_EQ(stream->put_InputStreamId(-2), E_INVALIDARG);
    EXPECT_EQ(stream->put_PlsCode(262144), E_INVALIDARG);
    ASSERT_EQ(shell.CommitChanges(), S_OK);
    EXPECT_EQ(m_driver->commits.back().system, DVBS_SYSTEM_NOT_SET);
    EXPECT_EQ(m_driver->commits.back().inputStreamId, kInputStreamNotSet);
    EXPECT_EQ(m_driver->commits.back().plsCode, kPlsCodeNotSet);

    EXPECT_EQ(stream->put_SignalSystem(DVBS_SYSTEM_DVBS2), S_OK);
    EXPECT_EQ(stream->put_InputStreamId(255), S_OK);
    EXPECT_EQ(stream->put_PlsCode(262143), S_OK);
    ASSERT_EQ(shell.CommitChanges(), S_OK);
    EXPECT_EQ(m_driver->commits.back().system, DVBS_SYSTEM_DVBS2);
    EXPECT_EQ(m_driver->commits.back().inputStreamId, 255);
    EXPECT_EQ(m_driver->commits.back().plsCode, 262143);
}

TEST_F(TunerShellTest, ADriverSeesOnlyWellFormedRequestsWithinRange) {
    TunerFilterShell shell(m_device);
    const auto send = [&](Bytes message, std::uint32_t node = 1) {
        const auto length = static_cast<std::uint32_t>(message.size());
        Bytes data = Words({0, length});
        message.resize(8);
        data.insert(data.end(), message.begin(), message.end());
        return Set(shell, KSPROPERTY_BDA_DISEQC_SEND, data, KSPROPSETID_BdaDiseqCommand, node);
    };
    EXPECT_EQ(send({0xE0, 0x10, 0x38}, 0), HRESULT_ERROR_INVALID_PARAMETER) << "wrong node";
    EXPECT_EQ(Set(shell, KSPROPERTY_BDA_DISEQC_SEND, Bytes(15), KSPROPSETID_BdaDiseqCommand),
              HRESULT_ERROR_INSUFFICIENT_BUFFER);
    EXPECT_TRUE(m_stage->seen.empty()) << "malformed requests stop at the shell";
    EXPECT_EQ(send({}), HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(send(Bytes(9, 0xE0)), HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(send({0xE0, 0x10, 0x38}), S_OK);
    EXPECT_EQ(m_driver->sent, (std::vector<Bytes>{{0xE0, 0x10, 0x38}}));
    EXPECT_EQ(m_stage->seen.size(), 3u);
    EXPECT_EQ(m_stage->seen.front().first, 2);

    EXPECT_EQ(Set(shell, CARD_TUNER_SCIF, Words({8, 1284, kScifUnset, 0}), KSPROPSETID_CardTuner),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(m_driver->scifSets, 0);
    EXPECT_EQ(Set(shell, CARD_TUNER_SPECTRUM_STEP, Words({1200000000, 2000000, 0, 0, 50}),
                  KSPROPSETID_CardTuner),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Set(shell, CARD_TUNER_SPECTRUM_STEP, Words({1200000000, 2000000, ~0u, 0, 1000}),
                  KSPROPSETID_CardTuner),
              S_OK);
    EXPECT_EQ(m_driver->steps,
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{1200000000, 1000}}));
}

struct FakeCi : CiDriver {
    HRESULT CamName(std::string* text) override {
        *text = name;
        return S_OK;
    }
    HRESULT SetCiMode(std::uint32_t) override { return S_OK; }
    HRESULT Reset() override { return S_OK; }
    HRESULT MmiOpen() override { return S_OK; }
    HRESULT MmiClose() override { return S_OK; }
    HRESULT MmiGet(std::span<std::uint8_t, 2068>) override { return HRESULT_ERROR_NOT_READY; }
    HRESULT MmiAnswerMenu(std::uint32_t, std::uint32_t) override { return S_OK; }
    HRESULT MmiAnswerEnquiry(std::uint32_t objectId,
                             std::span<const std::uint8_t> answer) override {
        answers.push_back({objectId, std::string(answer.begin(), answer.end())});
        return S_OK;
    }

    std::string name = std::string(300, 'n');
    std::vector<std::pair<std::uint32_t, std::string>> answers;
};

std::uint32_t Call(IKsControl& control, bool method, const Bytes& header, Bytes& data,
                   HRESULT* hr) {
    std::uint32_t returned = 0;
    const auto headerLength = static_cast<std::uint32_t>(header.size());
    const auto dataLength = static_cast<std::uint32_t>(data.size());
    *hr = method
              ? control.KsMethod(header.data(), headerLength, data.data(), dataLength, &returned)
              : control.KsProperty(header.data(), headerLength, data.data(), dataLength, &returned);
    return returned;
}

TEST(CiShellTest, TheDriverAnswersInItsOwnTermsAndTheShellFitsThemToTheRequest) {
    const auto ci = std::make_shared<FakeCi>();
    CiFilterShell shell(ci, 1);
    HRESULT hr = S_OK;
    Bytes name(256, 0xAA);
    const Bytes nameHeader = Header(KSPROPSETID_CardCi, CARD_CI_CAM_NAME, KSPROPERTY_TYPE_GET);
    EXPECT_EQ(Call(shell, false, nameHeader, name, &hr), 256u);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(name.data())), std::string(255, 'n'))
        << "a longer name is cut to leave its NUL";

    // The answer's text reaches the driver as typed, selector byte included.
    Bytes answer = Words({7, 5});
    for (const char c : std::string("\x05"
                                    "1234"))
        answer.push_back(static_cast<std::uint8_t>(c));
    answer.resize(answer.size() + 4);
    Call(shell, true,
         Header(KSMETHODSETID_CardCiMmi, CARD_CI_MMI_ENQUIRY_ANSWER, KSMETHOD_TYPE_SEND), answer,
         &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(ci->answers, (std::vector<std::pair<std::uint32_t, std::string>>{{7,
                                                                                "\x05"
                                                                                "1234"}}));
}

class SinkPin : public PinBase {
public:
    using PinBase::PinBase;
    std::vector<MediaBuffer> received;

protected:
    HRESULT OnReceive(const MediaBuffer& buffer) override {
        received.push_back(buffer);
        return S_OK;
    }
};

class Sink : public FilterBase {
public:
    Sink() { AddPin(pin); }
    std::shared_ptr<SinkPin> pin = std::make_shared<SinkPin>(*this, PINDIR_INPUT, u"In");
};

TEST(CiShellTest, TheStreamPassesUnchangedUnlessTheDriverHooksIt) {
    const auto packets = std::make_shared<const Bytes>(188, 0x47);
    const auto changed = std::make_shared<const Bytes>(188, 0x11);
    for (const bool hooked : {false, true}) {
        CiFilterShell shell(std::make_shared<CiDevice>(CiDevice{
            2, std::make_shared<FakeCi>(), nullptr,
            hooked ? CiStreamHook([&](const MediaBuffer&) -> MediaBuffer { return changed; })
                   : CiStreamHook()}));
        const auto sink = std::make_shared<Sink>();
        ASSERT_EQ(shell.Pins().at(1)->Connect(sink->pin, nullptr), S_OK);
        EXPECT_EQ(shell.Pass(packets), S_OK);
        ASSERT_EQ(sink->pin->received.size(), 1u);
        EXPECT_EQ(sink->pin->received[0], hooked ? changed : packets);
    }
}

struct SourceLog {
    int starts = 0, stops = 0;
    StreamSource::Deliver deliver;
};

struct FakeSource : StreamSource {
    explicit FakeSource(std::shared_ptr<SourceLog> log) : log(std::move(log)) {}
    void Start(Deliver deliver) override {
        ++log->starts;
        log->deliver = std::move(deliver);
    }
    void Stop() override { ++log->stops; }
    std::uint64_t Overruns() const override { return 0; }
    const std::shared_ptr<SourceLog> log;
};

TEST(CaptureShellTest, TheSourceRunsExactlyWhileTheGraphRunsAndFeedsTheOutput) {
    const auto log = std::make_shared<SourceLog>();
    const auto sink = std::make_shared<Sink>();
    {
        CaptureFilterShell shell(1, std::make_unique<FakeSource>(log));
        ASSERT_EQ(shell.Pins().at(1)->Connect(sink->pin, nullptr), S_OK);
        shell.Run(0);
        shell.Run(0);
        EXPECT_EQ(log->starts, 1);
        EXPECT_EQ(log->deliver(std::make_shared<const Bytes>(188, 0x47)), S_OK);
        EXPECT_EQ(sink->pin->received.size(), 1u);
        shell.Stop();
        EXPECT_EQ(log->stops, 1);
        shell.Run(0);
        EXPECT_EQ(log->starts, 2);
    }
    EXPECT_EQ(log->stops, 2) << "a filter released while running stops its source first";
}

}  // namespace
