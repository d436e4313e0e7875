// The DiSEqC bus and single-cable operation: what the card sends when it tunes, what a raw
// committed-switch message does, and the EN 50494 and EN 50607 channel changes with their
// tuning words.
#include "CardTestSupport.h"

namespace cardtest {
namespace {

using namespace card;
using namespace cardkit;

class DiseqcTest : public CardTest {
protected:
    HRESULT Set(const GUID& set, std::uint32_t id, Bytes data) {
        return Property(*m_tuner.control, NodeHeader(set, id, KSPROPERTY_TYPE_SET, 0), data).hr;
    }
    HRESULT SendRaw(std::initializer_list<std::uint8_t> message) {
        Bytes data = Words({0, static_cast<std::uint32_t>(message.size()), 0, 0});
        std::copy(message.begin(), message.end(), data.begin() + 8);
        return Set(KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, data);
    }
    void SetUp() override {
        CardTest::SetUp();
        m_tuner = OpenTuner(1);
        ASSERT_TRUE(m_tuner.control);
    }

    TunerHandles m_tuner;
};

TEST_F(DiseqcTest, ATuneSelectsPositionPolarisationAndBandWithACommittedSwitchMessage) {
    Tune(m_tuner, 10736000, BDA_POLARISATION_LINEAR_H, 27500, 3);  // C, H, low
    Tune(m_tuner, 12356000, BDA_POLARISATION_LINEAR_V, 30000, 2);  // B, V, high
    const auto log = m_card->BusLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], (BusMessage{1, {0xE0, 0x10, 0x38, 0xFA}}));
    EXPECT_EQ(log[1], (BusMessage{1, {0xE0, 0x10, 0x38, 0xF5}}));
    EXPECT_NE(m_card->Status(1).locked, nullptr);
}

TEST_F(DiseqcTest, WithDiseqcOffTheSwitchStaysWhereARawMessagePutIt) {
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_NE(m_card->Status(1).locked, nullptr);
    // Position B, horizontal, low band: the Helion carrier is gone at once.
    EXPECT_EQ(SendRaw({0xE0, 0x10, 0x38, 0xF6}), S_OK);
    EXPECT_EQ(m_card->Status(1).lnb.position, 2);
    EXPECT_EQ(m_card->Status(1).locked, nullptr);
    // The DVB-S provider's road: DiSEqC off, no LNB source; the tune reaches Vestra 10763 H.
    EXPECT_EQ(Set(KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_ENABLE, Words({0})), S_OK);
    Tune(m_tuner, 10763000, BDA_POLARISATION_LINEAR_H, 23000, 0);
    EXPECT_EQ(m_card->BusLog().size(), 2u);
    ASSERT_NE(m_card->Status(1).locked, nullptr);
    EXPECT_EQ(m_card->Status(1).locked->tsid, 12023);
    // The LNB source property switches at the next tune.
    EXPECT_EQ(Set(KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_ENABLE, Words({1})), S_OK);
    EXPECT_EQ(Set(KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_LNB_SOURCE, Words({4})), S_OK);
    Tune(m_tuner, 10758000, BDA_POLARISATION_LINEAR_H, 22000, 0);
    EXPECT_EQ(m_card->BusLog().back(), (BusMessage{1, {0xE0, 0x10, 0x38, 0xFE}}));
    EXPECT_EQ(m_card->Status(1).locked->tsid, 14041);
}

TEST_F(DiseqcTest, ACommittedSwitchSetsOnlyTheBitsItsMaskNames) {
    Tune(m_tuner, 12366000, BDA_POLARISATION_LINEAR_V, 29900, 1);  // A, V, high
    EXPECT_EQ(SendRaw({0xE0, 0x10, 0x38, 0x88}), S_OK);            // the option bit only: B
    const auto lnb = m_card->Status(1).lnb;
    EXPECT_EQ(lnb.position, 3);
    EXPECT_EQ(lnb.polarisation, LinearPolarisation::Vertical);
    EXPECT_TRUE(lnb.highBand);
    // Other commands are logged and change nothing.
    EXPECT_EQ(SendRaw({0xE0, 0x31, 0x6B, 0x05}), S_OK);
    EXPECT_EQ(m_card->Status(1).lnb, lnb);
    EXPECT_EQ(m_card->BusLog().size(), 3u);
}

TEST_F(DiseqcTest, SingleCableTuneSendsTheChannelChangeAndReceivesOnTheUserBand) {
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({2, 1400, 0xFFFFFFFFu, 0})), S_OK);
    // Helion 10773 H: IF 1023; T = round((1023 + 1400) / 4) - 350 = 256; bank A, H, low = 2.
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_EQ(m_card->BusLog().size(), 1u);
    EXPECT_EQ(m_card->BusLog()[0], (BusMessage{1, {0xE0, 0x10, 0x5A, 0x49, 0x00}}));
    EXPECT_EQ(m_card->Status(1).tunedIfMHz, 1400.0);
    ASSERT_NE(m_card->Status(1).locked, nullptr);
    EXPECT_EQ(m_card->Status(1).locked->tsid, 11013);

    // With a PIN: 0x5C and the PIN last. Vestra 12334 H, high band: IF 1734, position B.
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({7, 2000, 37, 0})), S_OK);
    Tune(m_tuner, 12334000, BDA_POLARISATION_LINEAR_H, 27500, 2);
    // T = round((1734 + 2000) / 4) - 350 = 584 = 0x248; bank B, H, high = 7.
    EXPECT_EQ(m_card->BusLog()[1], (BusMessage{1, {0xE0, 0x10, 0x5C, 0xFE, 0x48, 37}}));
    EXPECT_NE(m_card->Status(1).locked, nullptr);

    // User band 255 is kept as sent and means off: the committed switch is back.
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({255, 1400, 0xFFFFFFFFu, 0})),
              S_OK);
    EXPECT_FALSE(m_card->Status(1).scif.Enabled());
    EXPECT_EQ(m_card->Status(1).scif.userBand, 255u);
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    EXPECT_EQ(m_card->BusLog()[2], (BusMessage{1, {0xE0, 0x10, 0x38, 0xF2}}));

    // Off again: the committed switch is back.
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF,
                  Words({0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0})),
              S_OK);
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    EXPECT_EQ(m_card->BusLog()[3], (BusMessage{1, {0xE0, 0x10, 0x38, 0xF2}}));
}

TEST_F(DiseqcTest, AnEn50607RouterReachesEveryPositionOnThirtyTwoUserBands) {
    Tune(m_tuner, 10736000, BDA_POLARISATION_LINEAR_H, 27500, 3);  // Kormat (C), H, low
    ASSERT_NE(m_card->Status(1).locked, nullptr);
    const auto tsid = m_card->Status(1).locked->tsid;

    // User band 32 at 1420 MHz. IF 986: T = 986 - 100 = 886 = 0x376, so d1 = 11111 011; position
    // C (2), horizontal, low band: d3 = 2 << 2 | 2 = 0x0A. An EN 50494 router would have served
    // position A here.
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({31, 1420, 0xFFFFFFFFu, 1})), S_OK);
    Tune(m_tuner, 10736000, BDA_POLARISATION_LINEAR_H, 27500, 3);
    EXPECT_EQ(m_card->BusLog().back(), (BusMessage{1, {0x70, 0xFB, 0x76, 0x0A}}));
    EXPECT_EQ(m_card->Status(1).tunedIfMHz, 1420.0);
    ASSERT_NE(m_card->Status(1).locked, nullptr);
    EXPECT_EQ(m_card->Status(1).locked->tsid, tsid);

    // With a PIN: 0x71 and the PIN last.
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({0, 1210, 9, 1})), S_OK);
    Tune(m_tuner, 10736000, BDA_POLARISATION_LINEAR_H, 27500, 3);
    EXPECT_EQ(m_card->BusLog().back(), (BusMessage{1, {0x71, 0x03, 0x76, 0x0A, 9}}));

    // Past the protocols' bands, or an unknown protocol: refused, the stored setting stands.
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({32, 1420, 0xFFFFFFFFu, 1})),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({8, 1420, 0xFFFFFFFFu, 0})),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({0, 1420, 0xFFFFFFFFu, 2})),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(m_card->Status(1).scif, (ScifConfig{0, 1210, 9, 1}));
}

TEST_F(DiseqcTest, ATuningWordPastItsBitsIsRefusedNotSentMasked) {
    // Vestra 12720 V, high band: IF 2120; T = 2020 fits EN 50607's 11 bits. At 12750 MHz
    // (IF 2150) T = 2050 does not: its low bits would send the router to IF 102 MHz.
    EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({3, 1600, 0xFFFFFFFFu, 1})), S_OK);
    EXPECT_EQ(Tune(m_tuner, 12750000, BDA_POLARISATION_LINEAR_V, 27500, 2),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(m_card->BusLog().empty());
}

TEST_F(DiseqcTest, ARouterWithAPinIgnoresAChannelChangeWithoutIt) {
    card::CardConfig config = card::TestCardConfig();
    config.routerPin = 37;
    Install(std::move(config));
    m_tuner = OpenTuner(1);
    for (const std::uint32_t protocol : {0u, 1u}) {
        SCOPED_TRACE(protocol ? "EN 50607" : "EN 50494");
        EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({2, 1400, 36, protocol})),
                  S_OK);
        Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
        EXPECT_EQ(m_card->Status(1).locked, nullptr);  // sent, and not obeyed
        EXPECT_EQ(Set(KSPROPSETID_CardTuner, CARD_TUNER_SCIF, Words({2, 1400, 37, protocol})),
                  S_OK);
        Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
        ASSERT_NE(m_card->Status(1).locked, nullptr);
        EXPECT_EQ(m_card->Status(1).locked->tsid, 11013);
        Install(m_card->Config());
        m_tuner = OpenTuner(1);
    }
}

}  // namespace
}  // namespace cardtest
