// The tuner's kernel-streaming requests: accepted byte for byte as the program sends them, and
// refused with a driver's code, changing nothing, when any byte of the request is wrong.
#include <thread>

#include "CardTestSupport.h"

namespace cardtest {
namespace {

using namespace card;
using namespace cardkit;

constexpr std::uint32_t kGet = KSPROPERTY_TYPE_GET;
constexpr std::uint32_t kSet = KSPROPERTY_TYPE_SET;
constexpr std::uint32_t kUnset = 0xFFFFFFFFu;

Bytes DiseqcSend(std::initializer_list<std::uint8_t> message) {
    Bytes data = Words({0, static_cast<std::uint32_t>(message.size()), 0, 0});
    std::copy(message.begin(), message.end(), data.begin() + 8);
    return data;
}

class TunerRequestTest : public CardTest {
protected:
    void SetUp() override {
        CardTest::SetUp();
        m_tuner = OpenTuner(1);
        ASSERT_TRUE(m_tuner.control);
    }

    Reply Send(const Bytes& header, Bytes data) { return Property(*m_tuner.control, header, data); }

    Bytes ReadScif() {
        Bytes data(16, 0xAA);
        const Reply reply = Property(
            *m_tuner.control, NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kGet, 0), data);
        EXPECT_EQ(reply.hr, S_OK);
        EXPECT_EQ(reply.bytesReturned, 16u);
        return data;
    }

    TunerHandles m_tuner;
};

TEST_F(TunerRequestTest, DiseqcSendPutsExactlyThePacketBytesOnTheBus) {
    const Reply reply =
        Send(NodeHeader(KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, kSet, 0),
             DiseqcSend({0xE0, 0x10, 0x5A}));
    EXPECT_EQ(reply.hr, S_OK);
    EXPECT_EQ(reply.bytesReturned, 0u);
    ASSERT_EQ(m_card->BusLog().size(), 1u);
    EXPECT_EQ(m_card->BusLog()[0], (BusMessage{1, {0xE0, 0x10, 0x5A}}));
}

TEST_F(TunerRequestTest, ScifReadsAllOnesUntilSetThenWhatWasStoredLast) {
    EXPECT_EQ(ReadScif(), Words({kUnset, kUnset, kUnset, kUnset}));
    EXPECT_EQ(Send(NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kSet, 0),
                   Words({0, 950, kUnset, 0}))
                  .hr,
              S_OK);
    EXPECT_EQ(ReadScif(), Words({0, 950, kUnset, 0}));
    EXPECT_EQ(
        Send(NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kSet, 0), Words({7, 2150, 255, 0}))
            .hr,
        S_OK);
    EXPECT_EQ(ReadScif(), Words({7, 2150, 255, 0}));
    EXPECT_EQ(Send(NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kSet, 0),
                   Words({kUnset, kUnset, kUnset, 0}))
                  .hr,
              S_OK);
    EXPECT_EQ(ReadScif(), Words({kUnset, kUnset, kUnset, 0}));
    // Each tuner keeps its own.
    Bytes other(16);
    Property(*OpenTuner(2).control, NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kGet, 0),
             other);
    EXPECT_EQ(other, Words({kUnset, kUnset, kUnset, kUnset}));
}

struct Malformed {
    const char* what;
    Bytes header;
    Bytes data;
    HRESULT expected;
};

TEST_F(TunerRequestTest, MalformedRequestsAreRefusedAndChangeNothing) {
    const GUID unknownSet = MakeGuid("{0AA8A602-A240-11DE-B130-000000004D56}");
    const auto send = NodeHeader(KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, kSet, 0);
    const auto scif = NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kSet, 0);
    const auto step = NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SPECTRUM_STEP, kSet, 0);
    const auto message = DiseqcSend({0xE0, 0x10, 0x38, 0xF4});
    const std::vector<Malformed> cases = {
        {"plain header on a node set", PropertyHeader(KSPROPSETID_BdaDiseqCommand, 4, kSet),
         message, HRESULT_ERROR_INVALID_PARAMETER},
        {"header of 28 bytes", Bytes(send.begin(), send.begin() + 28), message,
         HRESULT_ERROR_INVALID_PARAMETER},
        {"unknown set", NodeHeader(unknownSet, 1, kSet, 0), Words({0, 0, 0, 0}),
         HRESULT_ERROR_SET_NOT_FOUND},
        {"CI set on the tuner", PropertyHeader(KSPROPSETID_CardCi, CARD_CI_MODE, kSet), Words({1}),
         HRESULT_ERROR_SET_NOT_FOUND},
        {"unknown id", NodeHeader(KSPROPSETID_BdaDiseqCommand, 2, kSet, 0), message,
         HRESULT_ERROR_NOT_FOUND},
        {"GET of a SET-only property", NodeHeader(KSPROPSETID_BdaDiseqCommand, 4, kGet, 0), message,
         HRESULT_ERROR_INVALID_PARAMETER},
        {"both flags", NodeHeader(KSPROPSETID_BdaDiseqCommand, 4, 3, 0), message,
         HRESULT_ERROR_INVALID_PARAMETER},
        {"wrong node", NodeHeader(KSPROPSETID_BdaDiseqCommand, 4, kSet, 1), message,
         HRESULT_ERROR_INVALID_PARAMETER},
        {"reserved word set", NodeHeader(KSPROPSETID_BdaDiseqCommand, 4, kSet, 0, 1), message,
         HRESULT_ERROR_INVALID_PARAMETER},
        {"short buffer", send, Bytes(message.begin(), message.end() - 1),
         HRESULT_ERROR_INSUFFICIENT_BUFFER},
        {"long buffer", send,
         [&] {
             Bytes b = message;
             b.push_back(0);
             return b;
         }(),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"packet length 0", send, Words({0, 0, 0x3810E0, 0}), HRESULT_ERROR_INVALID_PARAMETER},
        {"packet length 9", send, Words({0, 9, 0x3810E0, 0}), HRESULT_ERROR_INVALID_PARAMETER},
        {"LNB source 5", NodeHeader(KSPROPSETID_BdaDiseqCommand, 1, kSet, 0), Words({5}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"DiSEqC enable 2", NodeHeader(KSPROPSETID_BdaDiseqCommand, 0, kSet, 0), Words({2}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"user band 8", scif, Words({8, 1400, kUnset, 0}), HRESULT_ERROR_INVALID_PARAMETER},
        {"user band 254", scif, Words({254, 1400, kUnset, 0}), HRESULT_ERROR_INVALID_PARAMETER},
        {"user band below 950 MHz", scif, Words({0, 949, kUnset, 0}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"PIN 256", scif, Words({0, 1400, 256, 0}), HRESULT_ERROR_INVALID_PARAMETER},
        {"SCIF protocol 2", scif, Words({0, 1400, kUnset, 2}), HRESULT_ERROR_INVALID_PARAMETER},
        {"user band 32 on EN 50607", scif, Words({32, 1400, kUnset, 1}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"half a disable", scif, Words({kUnset, 1400, kUnset, 0}), HRESULT_ERROR_INVALID_PARAMETER},
        {"SCIF of 12 bytes", scif, Words({0, 1400, kUnset}), HRESULT_ERROR_INSUFFICIENT_BUFFER},
        {"step below the band", step, Words({949000000, 2000000, kUnset, 0, 50}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"step above the band", step, Words({2150000001u, 2000000, kUnset, 0, 50}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"step width", step, Words({1000000000, 1000000, kUnset, 0, 50}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"step marker", step, Words({1000000000, 2000000, 0, 0, 50}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"step word 12", step, Words({1000000000, 2000000, kUnset, 1, 50}),
         HRESULT_ERROR_INVALID_PARAMETER},
        {"step of 16 bytes", step, Words({1000000000, 2000000, kUnset, 0}),
         HRESULT_ERROR_INSUFFICIENT_BUFFER},
    };
    const auto before = m_card->Status(1);
    for (const auto& c : cases) {
        const Reply reply = Send(c.header, c.data);
        EXPECT_EQ(reply.hr, c.expected) << c.what;
        EXPECT_EQ(reply.bytesReturned, 0u) << c.what;
    }
    EXPECT_TRUE(m_card->BusLog().empty());
    EXPECT_EQ(ReadScif(), Words({kUnset, kUnset, kUnset, kUnset}));
    EXPECT_EQ(m_card->Status(1).lnb, before.lnb);
    EXPECT_EQ(m_card->Status(1).tunedIfMHz, before.tunedIfMHz);
}

TEST_F(TunerRequestTest, NullArgumentsAndMethodsAreRefused) {
    const auto header = NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kGet, 0);
    std::uint32_t returned = 7;
    EXPECT_EQ(m_tuner.control->KsProperty(header.data(), 32, nullptr, 16, &returned),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(m_tuner.control->KsProperty(nullptr, 32, nullptr, 0, &returned),
              HRESULT_ERROR_INVALID_PARAMETER);
    Bytes data(16);
    EXPECT_EQ(m_tuner.control->KsProperty(header.data(), 32, data.data(), 16, nullptr), E_POINTER);
    EXPECT_EQ(Method(*m_tuner.control, PropertyHeader(KSMETHODSETID_CardCiMmi, 1, 1), nullptr).hr,
              HRESULT_ERROR_SET_NOT_FOUND);
}

TEST_F(TunerRequestTest, RequestsAddressTheConfiguredControlNode) {
    CardConfig config = TestCardConfig();
    config.tuners[0].nodeTypes = {kDemodulatorNode, kRfTunerNode};
    Install(config);
    const auto tuner = OpenTuner(1);
    Bytes data = Words({1});
    EXPECT_EQ(
        Property(*tuner.control, NodeHeader(KSPROPSETID_BdaDiseqCommand, 0, kSet, 0), data).hr,
        HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(
        Property(*tuner.control, NodeHeader(KSPROPSETID_BdaDiseqCommand, 0, kSet, 1), data).hr,
        S_OK);
}

TEST_F(TunerRequestTest, InjectedFaultsRefuseShortenOrDelayOneKindOfRequest) {
    m_card->Faults().Set({KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kGet, 1},
                         {.refuse = S_OK, .shortAnswer = 12, .delay = {}});
    Bytes data(16);
    Reply reply = Property(*m_tuner.control,
                           NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kGet, 0), data);
    EXPECT_EQ(reply.hr, S_OK);
    EXPECT_EQ(reply.bytesReturned, 12u);
    // The SET of the same property and the other tuner are not affected.
    EXPECT_EQ(Send(NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kSet, 0),
                   Words({1, 1200, kUnset, 0}))
                  .hr,
              S_OK);
    Bytes other(16);
    EXPECT_EQ(Property(*OpenTuner(2).control,
                       NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, kGet, 0), other)
                  .bytesReturned,
              16u);

    m_card->Faults().Set({KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, 0, 0},
                         {.refuse = HRESULT_ERROR_NOT_READY,
                          .shortAnswer = {},
                          .delay = std::chrono::milliseconds(5)});
    EXPECT_EQ(Send(NodeHeader(KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, kSet, 0),
                   DiseqcSend({0xE0, 0x10, 0x38, 0xF0}))
                  .hr,
              HRESULT_ERROR_NOT_READY);
    EXPECT_TRUE(m_card->BusLog().empty());
    m_card->Faults().Clear();
    EXPECT_EQ(Send(NodeHeader(KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, kSet, 0),
                   DiseqcSend({0xE0, 0x10, 0x38, 0xF0}))
                  .hr,
              S_OK);
}

TEST_F(TunerRequestTest, ConcurrentRequestsAndReadingsOnBothTuners) {
    auto work = [](int n) {
        const auto tuner = OpenTuner(n);
        const auto statistics = query<IBDA_SignalStatistics>(tuner.node);
        for (int i = 0; i < 200; ++i) {
            Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
            Bytes data = Words(
                {1000000000u + 2000000u * static_cast<std::uint32_t>(i), 2000000, kUnset, 0, 50});
            Property(*tuner.control,
                     NodeHeader(KSPROPSETID_CardTuner, CARD_TUNER_SPECTRUM_STEP, kSet, 0), data);
            std::int32_t value = 0;
            statistics->get_SignalStrength(&value);
            statistics->get_SignalQuality(&value);
        }
    };
    std::thread first(work, 1), second(work, 2);
    first.join();
    second.join();
    EXPECT_EQ(m_card->BusLog().size(), 400u);
}

}  // namespace
}  // namespace cardtest
