// Finding the card's tuner, capture and CI filters among the system's devices, whatever order
// the driver lists them in and whatever else it lists.
#include "GraphOnCard.h"
#include "cardkit/CardIds.h"
#include "platform/DeviceRegistry.h"

namespace graph_test {
namespace {

using card::DeviceKind;
using ::testing::Contains;
using ::testing::Not;

int Count(const std::vector<std::u16string>& names, const std::u16string& name) {
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

class CardFilterDiscovery : public GraphOnCard {};

TEST_F(CardFilterDiscovery, EachTunerIsFoundByItsMediumWhateverTheOrder) {
    for (const auto& order :
         {std::vector<card::DeviceSpec>{{DeviceKind::Tuner, 1}, {DeviceKind::Tuner, 2}},
          std::vector<card::DeviceSpec>{{DeviceKind::Tuner, 2}, {DeviceKind::Tuner, 1}}}) {
        card::CardConfig config = card::TestCardConfig();
        config.tunerCategory = order;
        Install(config);
        for (int tuner : {1, 2}) {
            TunerGraph graph(tuner, 0);
            ASSERT_EQ(graph.m_ready, 1);
            EXPECT_EQ(OutputMediumIds(graph.m_tunerFilter).front(),
                      static_cast<std::uint32_t>(tuner));
            // Candidates that did not fit left the graph again.
            EXPECT_EQ(Count(FilterNames(graph), u"DVBS TUNER"), 1);
        }
        ClearDevices();
    }
}

TEST_F(CardFilterDiscovery, OnlyTheLowEightBitsOfTheMediumIdAndEitherMediumSetCount) {
    card::CardConfig config = card::TestCardConfig();
    config.tuners[0].outputMediums = {{cardkit::kTunerMedium1, 0x101, 0}};
    config.tuners[1].outputMediums = {{cardkit::kTunerMedium2, 0x7702, 0}};
    Install(config);
    TunerGraph first(1, 0);
    TunerGraph second(2, 0);
    ASSERT_EQ(first.m_ready, 1);
    ASSERT_EQ(second.m_ready, 1);
    EXPECT_EQ(OutputMediumIds(first.m_tunerFilter).front(), 0x101u);
    EXPECT_EQ(OutputMediumIds(second.m_tunerFilter).front(), 0x7702u);
}

TEST_F(CardFilterDiscovery, TheLastTunerMediumOfAPinDecidesAndOtherMediumsDoNot) {
    constexpr GUID kOther = MakeGuid("{11111111-2222-3333-4444-555555555555}");
    card::CardConfig config = card::TestCardConfig();
    config.tunerCategory = {{DeviceKind::Tuner, 1}, {DeviceKind::Tuner, 2}};
    // Tuner 1's device names tuner 1, then tuner 2: it is taken for tuner 2.
    config.tuners[0].outputMediums = {
        {cardkit::kTunerMedium2, 1, 0}, {cardkit::kTunerMedium1, 2, 0}, {kOther, 1, 0}};
    config.tuners[1].outputMediums = {{cardkit::kTunerMedium2, 2, 0}, {kOther, 1, 0}};
    Install(config);

    TunerGraph forTuner2(2, 0);
    ASSERT_EQ(forTuner2.m_ready, 1);
    EXPECT_EQ(OutputMediumIds(forTuner2.m_tunerFilter).front(), 1u);

    TunerGraph forTuner1(1, 0);
    EXPECT_EQ(forTuner1.m_ready, 0);
    EXPECT_FALSE(forTuner1.m_tunerFilter);
    EXPECT_EQ(FilterNames(forTuner1), (std::vector<std::u16string>{u"W7 Network Provider"}));
    EXPECT_EQ(Noted(forTuner1).Removed(), 2);
}

TEST_F(CardFilterDiscovery, TheCaptureFilterIsTheFirstReceiverComponentThatConnects) {
    card::CardConfig config = card::TestCardConfig();
    config.receiverCategory = {{DeviceKind::Ci, 1},
                               {DeviceKind::Capture, 2},
                               {DeviceKind::Capture, 1},
                               {DeviceKind::Ci, 1}};
    Install(config);
    TunerGraph graph(1, 0);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(Downstream(graph.m_tunerFilter, 1), graph.m_captureFilter);
    const auto added = Noted(graph).Added();
    EXPECT_EQ(Count(added, u"DVBS Capture"), 3);
    EXPECT_EQ(Count(FilterNames(graph), u"DVBS Capture"), 1);
}

TEST_F(CardFilterDiscovery, WithoutACiDeviceTheDemultiplexerFollowsTheCaptureAndNoModeIsSent) {
    card::CardConfig config = card::TestCardConfig();
    config.receiverCategory = {{DeviceKind::Capture, 1}, {DeviceKind::Capture, 2}};
    const auto card = Install(config);
    TunerGraph graph(1, GraphFlagCiBypass);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_FALSE(graph.m_ciFilter);
    EXPECT_EQ(Downstream(graph.m_captureFilter, 1), graph.m_demux);
    EXPECT_EQ(card->Status(1).ciMode, 1u);  // the driver's own default: nothing was sent
    EXPECT_EQ(card->Status(2).ciMode, 1u);
}

TEST_F(CardFilterDiscovery, ACiDeviceThatRefusesTheModeNeverEntersTheGraph) {
    card::CardConfig config = card::TestCardConfig();
    config.receiverCategory = {{DeviceKind::Capture, 1}, {DeviceKind::Ci, 2}, {DeviceKind::Ci, 1}};
    const auto card = Install(config);
    card->Faults().Set({cardkit::KSPROPSETID_CardCi, cardkit::CARD_CI_MODE, KSPROPERTY_TYPE_SET, 2},
                       {E_FAIL, {}, {}});
    TunerGraph graph(1, GraphFlagCiSingleTransponder);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(Count(Noted(graph).Added(), u"DVBS CI"), 1);
    EXPECT_EQ(Downstream(graph.m_captureFilter, 1), graph.m_ciFilter);
    EXPECT_EQ(card->Status(1).ciMode, 2u);
    EXPECT_EQ(card->Status(2).ciMode, 1u);
}

TEST_F(CardFilterDiscovery, ACiDeviceThatTakesTheModeButDoesNotConnectIsRemovedAgain) {
    card::CardConfig config = card::TestCardConfig();
    config.receiverCategory = {{DeviceKind::Capture, 1}, {DeviceKind::Ci, 2}};
    const auto card = Install(config);
    TunerGraph graph(1, GraphFlagCiBypass);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_FALSE(graph.m_ciFilter);
    EXPECT_EQ(Count(Noted(graph).Added(), u"DVBS CI"), 1);
    EXPECT_THAT(FilterNames(graph), Not(Contains(u"DVBS CI")));
    EXPECT_EQ(card->Status(2).ciMode, 0u);  // it kept the mode it accepted
    EXPECT_EQ(Downstream(graph.m_captureFilter, 1), graph.m_demux);
}

// A CI device is told by a marker in its display name, compared exactly as written.
class CiDeviceName : public CardFilterDiscovery,
                     public ::testing::WithParamInterface<std::pair<const char16_t*, bool>> {};

TEST_P(CiDeviceName, MarksACiDeviceOnlyInLowerCase) {
    card::CardConfig config = card::TestCardConfig();
    config.receiverCategory = {{DeviceKind::Capture, 1}};
    const auto card = Install(config);
    RegisterDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT,
                   {std::u16string(u"vendor ci ") + GetParam().first + u" slot",
                    [card] { return card::NewCiFilter(card, 1); }});
    TunerGraph graph(1, 0);
    ASSERT_EQ(graph.m_ready, 1);
    EXPECT_EQ(graph.m_ciFilter != nullptr, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    , CiDeviceName,
    ::testing::Values(std::pair{u"{8b884f00-fbca-11de-b16f-000000004d56}", true},
                      std::pair{u"{8b884f10-fbca-11de-b16f-000000004d56}", true},
                      std::pair{u"{8b884f11-fbca-11de-b16f-000000004d56}", true},
                      std::pair{u"{8b884f12-fbca-11de-b16f-000000004d56}", true},
                      std::pair{u"{8b884f13-fbca-11de-b16f-000000004d56}", true},
                      std::pair{u"{8B884F10-FBCA-11DE-B16F-000000004D56}", false},
                      std::pair{u"{8b884f14-fbca-11de-b16f-000000004d56}", false}));

}  // namespace
}  // namespace graph_test
