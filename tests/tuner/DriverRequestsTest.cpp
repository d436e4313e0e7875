// Driver requests whose answers the card never gives: a CAM name without NUL, an MMI object
// claiming more text than fits, and requests on a graph that lacks the tuner's control.
#include <cstring>

#include "GraphOnCard.h"
#include "cardkit/CardIds.h"
#include "platform/FilterBase.h"
#include "tuner/driver/ByteOrder.h"

namespace graph_test {
namespace {

// A CI device of another make: it takes any connection, accepts its mode and answers the CAM
// name and MMI reads with whatever the test puts into `answer`.
class ForeignCi : public FilterBase, public IKsControl {
public:
    ForeignCi() {
        AddPin(std::make_shared<PinBase>(*this, PINDIR_INPUT, u"In"));
        AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"Out"));
    }
    HRESULT KsProperty(const void*, std::uint32_t, void* data, std::uint32_t dataLength,
                       std::uint32_t* bytesReturned) override {
        return Answer(data, dataLength, bytesReturned);
    }
    HRESULT KsMethod(const void*, std::uint32_t, void* data, std::uint32_t dataLength,
                     std::uint32_t* bytesReturned) override {
        return Answer(data, dataLength, bytesReturned);
    }

    static inline std::vector<std::uint8_t> answer;

private:
    static HRESULT Answer(void* data, std::uint32_t dataLength, std::uint32_t* bytesReturned) {
        const std::size_t length = std::min<std::size_t>(dataLength, answer.size());
        if (length > 0) std::memcpy(data, answer.data(), length);
        *bytesReturned = static_cast<std::uint32_t>(length);
        return S_OK;
    }
};

class DriverRequests : public GraphOnCard {
protected:
    // A graph for tuner 1 whose CI filter is the foreign device.
    std::unique_ptr<TunerGraph> GraphWithForeignCi() {
        card::CardConfig config = card::TestCardConfig();
        config.receiverCategory = {{card::DeviceKind::Capture, 1}};
        Install(config);
        RegisterDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT,
                       {u"foreign {8b884f12-fbca-11de-b16f-000000004d56}",
                        [] { return std::make_shared<ForeignCi>(); }});
        auto graph = std::make_unique<TunerGraph>(1, 0);
        EXPECT_TRUE(graph->m_ciFilter);
        return graph;
    }
};

TEST_F(DriverRequests, ACamNameWithoutNulIsCutTo255Bytes) {
    auto graph = GraphWithForeignCi();
    ForeignCi::answer.assign(256, 'k');
    std::array<std::uint8_t, kCamNameSize> name{};
    ASSERT_EQ(graph->GetCamName(name), S_OK);
    EXPECT_EQ(name[254], 'k');
    EXPECT_EQ(name[255], 0);
}

TEST_F(DriverRequests, AnMmiTextLengthBeyondTheAreaIsCutToIt) {
    auto graph = GraphWithForeignCi();
    ForeignCi::answer.assign(2068, 't');
    PutUint32(&ForeignCi::answer[0], 9);
    PutUint32(&ForeignCi::answer[4], 1);
    PutUint32(&ForeignCi::answer[8], 3);
    PutUint32(&ForeignCi::answer[12], 5000);
    // Exactly the caller's area on the heap, so that a byte too many is caught.
    auto text = std::make_unique<std::uint8_t[]>(kMmiTextSize);
    std::uint32_t id = 0, type = 0, count = 0, length = 0;
    ASSERT_EQ(graph->MmiGet(&id, &type, &count, &length, text.get()), S_OK);
    EXPECT_EQ(id, 9u);
    EXPECT_EQ(type, 1u);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(length, kMmiTextSize);
    EXPECT_EQ(text[kMmiTextSize - 1], 't');
}

TEST_F(DriverRequests, CamNameReadsThatAreShortOrRefusedLeaveTheBufferAlone) {
    const auto card = Install();
    TunerGraph graph(1, 0);
    std::array<std::uint8_t, kCamNameSize> name;
    name.fill(0xAA);
    const card::FaultKey key{cardkit::KSPROPSETID_CardCi, cardkit::CARD_CI_CAM_NAME, KSPROPERTY_TYPE_GET,
                             1};
    card->Faults().Set(key, {S_OK, 255, {}});
    EXPECT_EQ(graph.GetCamName(name), E_FAIL);
    card->Faults().Set(key, {HRESULT_ERROR_NOT_READY, {}, {}});
    EXPECT_EQ(graph.GetCamName(name), HRESULT_ERROR_NOT_READY);
    EXPECT_EQ(name[0], 0xAA);

    card->Faults().Clear();
    ASSERT_EQ(graph.GetCamName(name), S_OK);
    EXPECT_STREQ(reinterpret_cast<const char*>(name.data()), "Kestrel CAM 2.04");
}

TEST_F(DriverRequests, TheControlNodeIsWhereTheFrequencyFilterIs) {
    card::CardConfig config = card::TestCardConfig();
    config.tuners[0].nodeTypes = {cardkit::kDemodulatorNode, cardkit::kRfTunerNode};
    const auto card = Install(config);
    TunerGraph graph(1, 0);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(graph.m_controlNode, static_cast<std::int32_t>(card->ControlNodeId(1)));
    EXPECT_TRUE(graph.m_signalStatistics.load());
    EXPECT_EQ(graph.SetScif(2, 1400, 0xFFFFFFFF), S_OK);
    EXPECT_EQ(card->Status(1).scif.frequencyMHz, 1400u);
}

TEST_F(DriverRequests, WithoutTheTunersControlOrArgumentsNothingIsSent) {
    Install();
    TunerGraph graph(1, 0);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(graph.MmiGet(nullptr, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(graph.MmiAnswerEnquiry(1, nullptr, 4), E_INVALIDARG);
    EXPECT_EQ(graph.MmiAnswerEnquiry(1, nullptr, 0xFFFFFFFFu), E_INVALIDARG);
    EXPECT_EQ(graph.GetScif(nullptr, nullptr, nullptr), E_INVALIDARG);

    graph.m_tunerControl.reset();
    std::uint8_t index = 0;
    std::uint32_t frequency = 0, pin = 0;
    EXPECT_EQ(graph.SetScif(0, 950, 0xFFFFFFFF), E_POINTER);
    EXPECT_EQ(graph.ClearScif(), E_POINTER);
    EXPECT_EQ(graph.GetScif(&index, &frequency, &pin), E_POINTER);
}

}  // namespace
}  // namespace graph_test
