// The card's devices as the program finds them: categories, order, display names, mediums, pin
// ids, topology, and the connections its pins accept.
#include <algorithm>

#include "CardTestSupport.h"
#include "platform/ClassIds.h"
#include "platform/DeviceRegistry.h"
#include "platform/FilterBase.h"
#include "platform/TuningInterfaces.h"

namespace cardtest {
namespace {

using namespace card;
using namespace cardkit;

std::vector<std::u16string> Names(const GUID& category) {
    std::vector<std::u16string> names;
    for (const auto& device : DevicesInCategory(category)) names.push_back(device.displayName);
    return names;
}

bool Contains(const std::u16string& text, const std::u16string& part) {
    return text.find(part) != std::u16string::npos;
}

std::shared_ptr<IPin> PinOf(const std::shared_ptr<IBaseFilter>& filter, PIN_DIRECTION direction) {
    for (const auto& pin : PinsOf(filter)) {
        PIN_DIRECTION d;
        pin->QueryDirection(&d);
        if (d == direction) return pin;
    }
    return nullptr;
}

// A filter that offers ITuner, as a network provider does.
class FakeProvider : public FilterBase, public ITuner {
public:
    FakeProvider() { AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"Out")); }
    HRESULT put_TuneRequest(const std::shared_ptr<ITuneRequest>&) override { return S_OK; }
};

class PlainFilter : public FilterBase {
public:
    PlainFilter() { AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"Out")); }
};

using DeviceTest = CardTest;

// Named like a real card's devices, but never like device files; only CI devices carry a marker.
TEST_F(DeviceTest, DefaultDevicesEnumerateTunerTwoFirstWithSimulatedNamesAndCiMarkers) {
    const auto tuners = Names(KSCATEGORY_BDA_NETWORK_TUNER);
    ASSERT_EQ(tuners.size(), 2u);
    EXPECT_EQ(tuners[0], u"simulated/frontend1 Orvalen DVB-S2 Tuner 2");
    EXPECT_EQ(tuners[1], u"simulated/frontend0 Orvalen DVB-S2 Tuner 1");
    const auto receivers = Names(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    ASSERT_EQ(receivers.size(), 4u);
    EXPECT_EQ(receivers[0], u"simulated/dvr1 Orvalen TS Capture 2");
    EXPECT_EQ(receivers[1], u"simulated/ca0 Orvalen CI 2 {8b884f11-fbca-11de-b16f-000000004d56}");
    EXPECT_EQ(receivers[2], u"simulated/dvr0 Orvalen TS Capture 1");
    EXPECT_EQ(receivers[3], u"simulated/ca0 Orvalen CI 1 {8b884f10-fbca-11de-b16f-000000004d56}");
    // Each bind is a new filter object.
    const auto device = DevicesInCategory(KSCATEGORY_BDA_NETWORK_TUNER)[0];
    EXPECT_NE(device.bind(), device.bind());
}

TEST_F(DeviceTest, TunerOutputListsMediumTwoWithTheTunerNumberAndPinIdsAddUpToOne) {
    for (int n = 1; n <= 2; ++n) {
        const auto tuner = BindDevice(KSCATEGORY_BDA_NETWORK_TUNER, {DeviceKind::Tuner, n});
        const auto output = PinOf(tuner, PINDIR_OUTPUT);
        std::vector<KSPIN_MEDIUM> mediums;
        ASSERT_EQ(query<IKsPin>(output)->KsQueryMediums(&mediums), S_OK);
        ASSERT_GE(mediums.size(), 1u);
        EXPECT_EQ(mediums[0].Set, kTunerMedium2);
        EXPECT_EQ(mediums[0].Id & 0xFF, static_cast<std::uint32_t>(n));
        EXPECT_TRUE(std::none_of(mediums.begin() + 1, mediums.end(), [](const KSPIN_MEDIUM& m) {
            return m.Set == kTunerMedium1 || m.Set == kTunerMedium2;
        }));
        std::uint32_t in = 9, out = 9;
        query<IBDA_PinControl>(PinOf(tuner, PINDIR_INPUT))->GetPinID(&in);
        query<IBDA_PinControl>(output)->GetPinID(&out);
        EXPECT_EQ(in, 1 - out);
        EXPECT_TRUE(query<IKsControl>(PinOf(tuner, PINDIR_INPUT)));
        EXPECT_FALSE(query<IKsControl>(output));
    }
}

TEST_F(DeviceTest, TopologyListsNodeTypesAndHandsOutControlNodesOnTheRightPath) {
    const auto tuner = query<IBDA_Topology>(BindDevice(KSCATEGORY_BDA_NETWORK_TUNER, {DeviceKind::Tuner, 1}));
    std::uint32_t types[32] = {};
    std::uint32_t count = 0;
    ASSERT_EQ(tuner->GetNodeTypes(&count, 32, types), S_OK);
    ASSERT_EQ(count, 2u);
    std::shared_ptr<IUnknown> rf, demodulator, none;
    ASSERT_EQ(tuner->GetControlNode(0, 1, types[0], &rf), S_OK);
    ASSERT_EQ(tuner->GetControlNode(0, 1, types[1], &demodulator), S_OK);
    EXPECT_TRUE(query<IBDA_FrequencyFilter>(rf));
    EXPECT_TRUE(query<IBDA_SignalStatistics>(rf));
    EXPECT_TRUE(query<IBDA_LNBInfo>(rf));
    EXPECT_TRUE(query<IBDA_DiseqCommand>(rf));
    EXPECT_FALSE(query<IBDA_FrequencyFilter>(demodulator));
    EXPECT_TRUE(query<IBDA_SignalStatistics>(demodulator));
    EXPECT_TRUE(query<IBDA_DigitalDemodulator>(demodulator));
    EXPECT_EQ(tuner->GetControlNode(1, 0, types[0], &none), E_INVALIDARG);
    EXPECT_EQ(tuner->GetControlNode(0, 1, 7, &none), E_INVALIDARG);
    EXPECT_FALSE(none);
}

TEST_F(DeviceTest, PinsAcceptOnlyTheConnectionsOfTheRealCard) {
    auto bind = [](DeviceKind kind, int n) {
        return BindDevice(kind == DeviceKind::Tuner ? KSCATEGORY_BDA_NETWORK_TUNER : KSCATEGORY_BDA_RECEIVER_COMPONENT,
                          {kind, n});
    };
    const auto tuner1 = bind(DeviceKind::Tuner, 1), tuner2 = bind(DeviceKind::Tuner, 2);
    const auto capture1 = bind(DeviceKind::Capture, 1), capture2 = bind(DeviceKind::Capture, 2);
    const auto ci1 = bind(DeviceKind::Ci, 1), ci2 = bind(DeviceKind::Ci, 2);

    const auto plain = std::make_shared<PlainFilter>();
    EXPECT_EQ(PinOf(plain, PINDIR_OUTPUT)->Connect(PinOf(tuner1, PINDIR_INPUT), nullptr), VFW_E_TYPE_NOT_ACCEPTED);
    const auto provider = std::make_shared<FakeProvider>();
    EXPECT_EQ(PinOf(provider, PINDIR_OUTPUT)->Connect(PinOf(tuner1, PINDIR_INPUT), nullptr), S_OK);

    EXPECT_EQ(PinOf(tuner1, PINDIR_OUTPUT)->Connect(PinOf(capture2, PINDIR_INPUT), nullptr), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(PinOf(tuner1, PINDIR_OUTPUT)->Connect(PinOf(ci1, PINDIR_INPUT), nullptr), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(PinOf(tuner1, PINDIR_OUTPUT)->Connect(PinOf(capture1, PINDIR_INPUT), nullptr), S_OK);
    EXPECT_EQ(PinOf(tuner2, PINDIR_OUTPUT)->Connect(PinOf(capture2, PINDIR_INPUT), nullptr), S_OK);

    EXPECT_EQ(PinOf(capture1, PINDIR_OUTPUT)->Connect(PinOf(ci2, PINDIR_INPUT), nullptr), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(PinOf(capture1, PINDIR_OUTPUT)->Connect(PinOf(ci1, PINDIR_INPUT), nullptr), S_OK);
    EXPECT_TRUE(query<IKsControl>(ci1));
    EXPECT_FALSE(query<IKsControl>(capture1));
}

TEST_F(DeviceTest, ConfigurationChoosesDevicesOrderAndMediums) {
    CardConfig config = TestCardConfig();
    config.tunerCategory = {{DeviceKind::Tuner, 1}, {DeviceKind::Tuner, 2}};
    config.receiverCategory = {{DeviceKind::Capture, 1}, {DeviceKind::Capture, 2}};
    config.tuners[0].outputMediums = {{kTunerMedium1, 0x101, 0}, {kTunerMedium2, 2, 0}};
    config.tuners[0].outputPinId = 0;
    Install(config);
    EXPECT_TRUE(Contains(Names(KSCATEGORY_BDA_NETWORK_TUNER)[0], u"Tuner 1"));
    EXPECT_EQ(Names(KSCATEGORY_BDA_RECEIVER_COMPONENT).size(), 2u);
    const auto tuner = BindDevice(KSCATEGORY_BDA_NETWORK_TUNER, {DeviceKind::Tuner, 1});
    std::vector<KSPIN_MEDIUM> mediums;
    query<IKsPin>(PinOf(tuner, PINDIR_OUTPUT))->KsQueryMediums(&mediums);
    ASSERT_EQ(mediums.size(), 3u);
    EXPECT_EQ(mediums[0].Id, 0x101u);
    EXPECT_EQ(mediums[1].Set, kTunerMedium2);
    std::uint32_t in = 9;
    query<IBDA_PinControl>(PinOf(tuner, PINDIR_INPUT))->GetPinID(&in);
    EXPECT_EQ(in, 1u);
    // Its capture still pairs with it, whatever its discovery mediums say.
    const auto capture = BindDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT, {DeviceKind::Capture, 1});
    EXPECT_EQ(PinOf(tuner, PINDIR_OUTPUT)->Connect(PinOf(capture, PINDIR_INPUT), nullptr), S_OK);
}

}  // namespace
}  // namespace cardtest
