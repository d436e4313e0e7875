// The test card's antenna side: the committed switch and the LNB follow the bus as real ones
// would, a message the equipment cannot hear changes nothing, and on the shared single-cable
// cable two commands that overlap are both lost while one at a time lands.
#include <gtest/gtest.h>
#include <linux/dvb/frontend.h>

#include <optional>
#include <vector>

#include "cardkit/CommittedSwitch.h"
#include "cardkit/SingleCable.h"
#include "daemon/Antenna.h"

namespace testcard {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kMs = 1'000'000;

// The first DVB-S transponder of `position` (1..4) in `band`.
const card::Transponder& FirstDvbs(const card::Sky& sky, int position, bool highBand) {
    for (const auto& t : sky.positions[static_cast<std::size_t>(position - 1)].transponders)
        if (t.modulation == card::Modulation::DvbsQpsk &&
            (t.frequencyMHz >= card::kLnbSwitchMHz) == highBand)
            return t;
    throw std::logic_error("no such transponder");
}

std::uint32_t IfKHz(const card::Transponder& t, bool highBand) {
    return static_cast<std::uint32_t>(card::SignalModel::IntermediateMHz(t.frequencyMHz, highBand) *
                                      1000);
}

std::uint32_t VoltageFor(const card::Transponder& t) {
    return t.polarisation == card::LinearPolarisation::Horizontal ? SEC_VOLTAGE_18 : SEC_VOLTAGE_13;
}

Bytes SwitchTo(int position, const card::Transponder& t, bool highBand) {
    const auto m = cardkit::CommittedSwitchMessage(
        {position, t.polarisation == card::LinearPolarisation::Horizontal, highBand});
    return {m.begin(), m.end()};
}

class AntennaTest : public ::testing::Test {
protected:
    // The backend's order: tone off, supply, switch, tone for the band.
    void Select(int tuner, int position, const card::Transponder& t, bool highBand,
                std::uint64_t atNs) {
        m_antenna.Tone(tuner, SEC_TONE_OFF, atNs);
        m_antenna.Voltage(tuner, VoltageFor(t), atNs + kMs);
        EXPECT_TRUE(
            m_antenna.Message(tuner, SwitchTo(position, t, highBand), atNs + 16 * kMs).landed);
        m_antenna.Tone(tuner, highBand ? SEC_TONE_ON : SEC_TONE_OFF, atNs + 100 * kMs);
    }

    const card::Sky m_sky = card::DefaultSky();
    Antenna m_antenna{card::DefaultSky()};
};

TEST_F(AntennaTest, EachTunerLocksWhatItsSwitchAndLnbSelect) {
    const card::Transponder& low = FirstDvbs(m_sky, 1, false);
    const card::Transponder& high = FirstDvbs(m_sky, 3, true);
    Select(0, 1, low, false, 0);
    Select(1, 3, high, true, 0);

    const Reception a = m_antenna.Tune(0, IfKHz(low, false), low.symbolRate * 1000);
    const Reception b = m_antenna.Tune(1, IfKHz(high, true), high.symbolRate * 1000);
    ASSERT_TRUE(a.locked && b.locked);
    EXPECT_EQ(a.locked->tsid, low.tsid);
    EXPECT_EQ(a.satellite->name, m_sky.positions[0].name);
    EXPECT_EQ(b.locked->tsid, high.tsid);
    EXPECT_EQ(b.satellite->name, m_sky.positions[2].name);
    EXPECT_EQ(a.status & FE_HAS_LOCK, FE_HAS_LOCK);
    EXPECT_GT(a.cnrMilliDb, 3000);
    // A satellite carrier at a tuner: between -70 and -25 dBm.
    EXPECT_GT(a.strengthMilliDbm, -70000);
    EXPECT_LT(a.strengthMilliDbm, -25000);

    // Tuner 0 on the other band at the same frequency: its LNB now sees another band.
    m_antenna.Tone(0, SEC_TONE_ON, 200 * kMs);
    const Reception other = m_antenna.Tune(0, IfKHz(low, false), low.symbolRate * 1000);
    EXPECT_TRUE(!other.locked || other.locked->tsid != low.tsid);
}

TEST_F(AntennaTest, UnheardMessagesAndAnUnpoweredLnbChangeNothing) {
    const card::Transponder& t = FirstDvbs(m_sky, 2, false);
    Select(0, 2, t, false, 0);
    m_antenna.Tone(0, SEC_TONE_ON, 200 * kMs);
    // Under the tone the switch hears nothing: it stays on position 2.
    EXPECT_FALSE(m_antenna.Message(0, SwitchTo(1, t, false), 220 * kMs).landed);
    m_antenna.Tone(0, SEC_TONE_OFF, 300 * kMs);
    const Reception r = m_antenna.Tune(0, IfKHz(t, false), t.symbolRate * 1000);
    ASSERT_TRUE(r.locked);
    EXPECT_EQ(r.locked->tsid, t.tsid);

    m_antenna.Voltage(0, SEC_VOLTAGE_OFF, 400 * kMs);
    const Reception off = m_antenna.Tune(0, IfKHz(t, false), t.symbolRate * 1000);
    EXPECT_EQ(off.status, 0u);
    EXPECT_FALSE(off.locked);
}

class SingleCableAntennaTest : public AntennaTest {
protected:
    explicit SingleCableAntennaTest(Cabling cabling = Cabling::En50494,
                                    std::optional<std::uint8_t> pin = std::nullopt)
        : m_en50607(cabling == Cabling::En50607) {
        m_antenna.SetCabling(cabling, pin);
    }

    // The channel change for `t` of `position` (1..4) on user band `band` with `pin` (0-255,
    // or kScifUnset for none), as the program makes it, and where the tuner then finds it.
    cardkit::ChannelChange Change(int band, const card::Transponder& t, bool highBand,
                                  int position = 1, std::uint32_t pin = cardkit::kScifUnset) {
        cardkit::ScifConfig scif;
        scif.userBand = static_cast<std::uint32_t>(band);
        scif.frequencyMHz = m_en50607 ? kJessUserBandsMHz[static_cast<std::size_t>(band)]
                                      : kUserBandsMHz[static_cast<std::size_t>(band)];
        scif.pin = pin;
        scif.protocol = m_en50607 ? cardkit::kScifEn50607 : cardkit::kScifEn50494;
        return cardkit::MakeChannelChange(
            scif,
            cardkit::BankFor(scif, position, t.polarisation == card::LinearPolarisation::Horizontal,
                             highBand),
            card::SignalModel::IntermediateMHz(t.frequencyMHz, highBand));
    }
    BusEvent Send(int tuner, const cardkit::ChannelChange& change, std::uint64_t atNs) {
        m_antenna.Tone(tuner, SEC_TONE_OFF, atNs);
        m_antenna.Voltage(tuner, SEC_VOLTAGE_18, atNs);
        return m_antenna.Message(tuner, change.message, atNs + 15 * kMs);
    }
    bool Locks(int tuner, const cardkit::ChannelChange& change, const card::Transponder& t) {
        m_antenna.Voltage(tuner, SEC_VOLTAGE_13, 0);
        const Reception r = m_antenna.Tune(tuner, static_cast<std::uint32_t>(change.tuneMHz * 1000),
                                           t.symbolRate * 1000);
        return r.locked && r.locked->tsid == t.tsid;
    }

    const bool m_en50607;
};

TEST_F(SingleCableAntennaTest, CommandsOneAtATimeLandAndEachTunerGetsItsUserBand) {
    const card::Transponder& a = FirstDvbs(m_sky, 1, false);
    const card::Transponder& b = FirstDvbs(m_sky, 1, true);
    const auto changeA = Change(0, a, false);
    const auto changeB = Change(3, b, true);
    EXPECT_TRUE(Send(0, changeA, 0).landed);
    // The first command took 5 x 13.5 ms from 15 ms on; this one starts after it.
    EXPECT_TRUE(Send(1, changeB, 70 * kMs).landed);
    EXPECT_TRUE(Locks(0, changeA, a));
    EXPECT_TRUE(Locks(1, changeB, b));
    // Between the user bands there is nothing to lock.
    m_antenna.Voltage(0, SEC_VOLTAGE_13, 0);
    EXPECT_FALSE(m_antenna.Tune(0, IfKHz(a, false), a.symbolRate * 1000).locked);
}

TEST_F(SingleCableAntennaTest, OverlappingCommandsAreBothLost) {
    const card::Transponder& a = FirstDvbs(m_sky, 1, false);
    const card::Transponder& b = FirstDvbs(m_sky, 1, true);
    const auto changeA = Change(0, a, false);
    const auto changeB = Change(3, b, true);
    EXPECT_TRUE(Send(0, changeA, 0).landed);
    const BusEvent second = Send(1, changeB, 40 * kMs);
    EXPECT_FALSE(second.landed);
    EXPECT_FALSE(Locks(0, changeA, a));
    EXPECT_FALSE(Locks(1, changeB, b));
    // Said again alone, each lands.
    EXPECT_TRUE(Send(0, changeA, 200 * kMs).landed);
    EXPECT_TRUE(Locks(0, changeA, a));
}

TEST_F(SingleCableAntennaTest, ACommandBelow18VoltsIsNotHeard) {
    const card::Transponder& a = FirstDvbs(m_sky, 1, false);
    const auto change = Change(1, a, false);
    m_antenna.Voltage(0, SEC_VOLTAGE_13, 0);
    EXPECT_FALSE(m_antenna.Message(0, change.message, kMs).landed);
    EXPECT_FALSE(Locks(0, change, a));
}

class En50607AntennaTest : public SingleCableAntennaTest {
protected:
    explicit En50607AntennaTest(std::optional<std::uint8_t> pin = std::nullopt)
        : SingleCableAntennaTest(Cabling::En50607, pin) {}
};

TEST_F(En50607AntennaTest, ThirtyTwoUserBandsAndABankPerPositionOneCommandAtATime) {
    const card::Transponder& a = FirstDvbs(m_sky, 3, false);
    const card::Transponder& b = FirstDvbs(m_sky, 4, true);
    const auto changeA = Change(0, a, false, 3);
    const auto changeB = Change(31, b, true, 4);
    ASSERT_EQ(changeA.message.size(), 4u);
    EXPECT_TRUE(Send(0, changeA, 0).landed);
    // The first command took 4 x 13.5 ms from 15 ms on; this one starts after it.
    EXPECT_TRUE(Send(1, changeB, 70 * kMs).landed);
    EXPECT_TRUE(Locks(0, changeA, a));
    EXPECT_TRUE(Locks(1, changeB, b));
    // Two that overlap are both lost.
    const auto changeC = Change(7, FirstDvbs(m_sky, 2, false), false, 2);
    EXPECT_TRUE(Send(0, changeC, 500 * kMs).landed);
    EXPECT_FALSE(Send(1, changeA, 530 * kMs).landed);
    EXPECT_FALSE(Locks(0, changeC, FirstDvbs(m_sky, 2, false)));
    EXPECT_TRUE(Locks(1, changeB, b)) << "an overlap changes no other user band";
}

TEST_F(En50607AntennaTest, AnotherProtocolsCommandChangesNothing) {
    const card::Transponder& a = FirstDvbs(m_sky, 1, false);
    const auto change = Change(2, a, false);
    const Bytes en50494{0xE0, 0x10, 0x5A, static_cast<std::uint8_t>(2 << 5), 0x10};
    const BusEvent event = Send(0, {.message = en50494}, 0);
    EXPECT_TRUE(event.landed);
    EXPECT_EQ(event.note, "ignored by the router");
    EXPECT_FALSE(Locks(0, change, a));
}

class En50607PinAntennaTest : public En50607AntennaTest {
protected:
    En50607PinAntennaTest() : En50607AntennaTest(0x5A) {}
};

TEST_F(En50607PinAntennaTest, OnlyTheRightPinIsTaken) {
    const card::Transponder& a = FirstDvbs(m_sky, 1, false);
    EXPECT_TRUE(Send(0, Change(4, a, false), 0).landed);
    EXPECT_FALSE(Locks(0, Change(4, a, false), a)) << "no PIN";
    EXPECT_TRUE(Send(0, Change(4, a, false, 1, 0x5B), 200 * kMs).landed);
    EXPECT_FALSE(Locks(0, Change(4, a, false), a)) << "a wrong PIN";
    const auto right = Change(4, a, false, 1, 0x5A);
    ASSERT_EQ(right.message.size(), 5u);
    EXPECT_TRUE(Send(0, right, 400 * kMs).landed);
    EXPECT_TRUE(Locks(0, right, a));
}

TEST(BusEventTest, LinesReadBackAsWrittenAndMalformedOnesAreRefused) {
    const std::vector<BusEvent> events{
        {.timeNs = 12, .tuner = 1, .kind = BusKind::Voltage, .value = 18},
        {.timeNs = 13,
         .kind = BusKind::Message,
         .bytes = {0xE0, 0x10, 0x38, 0xF3},
         .landed = false,
         .note = "talked over"},
        {.timeNs = 14,
         .tuner = 1,
         .kind = BusKind::Tune,
         .value = 1173000,
         .note = "10773H Helion"},
        {.timeNs = 15, .kind = BusKind::Burst, .value = 1}};
    for (const BusEvent& event : events) EXPECT_EQ(Parse(Format(event)), event) << Format(event);
    EXPECT_FALSE(Parse("12 0 voltage"));
    EXPECT_FALSE(Parse("12 0 colour 3"));
    EXPECT_FALSE(Parse("12 0 message E0.1 landed"));
    EXPECT_FALSE(Parse("99999999999999999999999 0 tone 1"));
}

}  // namespace
}  // namespace testcard
