// Single cable on the test card: both tuners on one cable to the daemon's router, EN 50494 or
// EN 50607, each on a user band of its own, tuned at once through the program. Each tuner's
// channel change reaches the router with its own user band, bank and tuning word (the bytes the
// program's own MakeChannelChange gives), no two commands overlap on the cable (none is
// garbled), and each tuner locks its own transponder. The time from the requests to both locks
// goes to the run's summary: with EN 50494 for channels that name no system, with EN 50607 for
// channels that name theirs, as a scanned list does.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "../../guest/NoteTime.h"
#include "TestCardTest.h"
#include "cardkit/SingleCable.h"
#include "daemon/Antenna.h"

namespace testcard {
namespace {

class SingleCableTest : public TestCardTest {
protected:
    ~SingleCableTest() override { Ask("cable switch"); }

    // Tunes both tuners at once to `channels` on user bands `bands` (0-based) of a router of
    // `protocol`, the program sending `pin` (kScifUnset for none), and checks the cable. With
    // `nameSystem` each channel names its transponder's delivery system.
    void TuneBothAtOnce(std::uint32_t protocol, const std::array<SkyChannel, 2>& channels,
                        const std::array<std::uint32_t, 2>& bands, std::uint32_t pin,
                        bool nameSystem);
};

void SingleCableTest::TuneBothAtOnce(std::uint32_t protocol,
                                     const std::array<SkyChannel, 2>& channels,
                                     const std::array<std::uint32_t, 2>& bands, std::uint32_t pin,
                                     bool nameSystem) {
    const bool en50607 = protocol == cardkit::kScifEn50607;
    const auto bandMHz = [&](std::uint32_t band) {
        return en50607 ? kJessUserBandsMHz.at(band) : kUserBandsMHz.at(band);
    };
    const std::size_t before = BusLog().size();
    std::array<std::unique_ptr<TunerGraph>, 2> graphs;
    for (int i = 0; i < 2; ++i) {
        graphs[i] = MakeGraph(i + 1);
        ASSERT_EQ(static_cast<int>(graphs[i]->m_ready), 1);
        ASSERT_EQ(graphs[i]->SetScif(static_cast<std::uint8_t>(bands[i]), bandMHz(bands[i]), pin,
                                     protocol),
                  S_OK);
    }
    // Both at once: the two workers' channel changes meet on the one cable, where only the
    // backend's cable lock keeps them apart.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 2; ++i) {
        TuneParameters parameters = channels[i].Parameters();
        if (nameSystem)
            parameters.system = channels[i].transponder->modulation == card::Modulation::DvbsQpsk
                                    ? DVBS_SYSTEM_DVBS
                                    : DVBS_SYSTEM_DVBS2;
        ASSERT_EQ(RequestTune(*graphs[i], parameters), 0);
    }
    for (int i = 0; i < 2; ++i) {
        const std::optional<BusEvent> locked = WaitForCardLock(i + 1, before);
        ASSERT_TRUE(locked) << "tuner " << i + 1;
        EXPECT_NE(locked->note.find(std::to_string(channels[i].transponder->frequencyMHz)),
                  std::string::npos)
            << Format(*locked);
    }
    vm::NoteTime(nameSystem
                     ? "both tuners on one cable, systems named, requests to both card locks"
                     : "both tuners on one cable, no system named, requests to both card locks",
                 std::chrono::steady_clock::now() - start);
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(WaitForLock(i + 1)) << "tuner " << i + 1;

    const std::vector<BusEvent> log = BusLog();
    std::vector<BusEvent> messages;
    for (std::size_t i = before; i < log.size(); ++i)
        if (log[i].kind == BusKind::Message) messages.push_back(log[i]);
    std::sort(messages.begin(), messages.end(),
              [](const BusEvent& a, const BusEvent& b) { return a.timeNs < b.timeNs; });
    // Neither tuner's command was talked over, and the router took each.
    for (const BusEvent& message : messages) {
        EXPECT_TRUE(message.landed) << Format(message);
        EXPECT_TRUE(message.note.empty()) << Format(message);
    }
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::Message() << "tuner " << i + 1);
        cardkit::ScifConfig scif;
        scif.userBand = bands[i];
        scif.frequencyMHz = bandMHz(bands[i]);
        scif.pin = pin;
        scif.protocol = protocol;
        const auto* t = channels[i].transponder;
        const cardkit::ChannelChange change = cardkit::MakeChannelChange(
            scif,
            cardkit::BankFor(scif, channels[i].position,
                             t->polarisation == card::LinearPolarisation::Horizontal,
                             channels[i].highBand),
            channels[i].IfKHz() / 1000.0);
        // Every command on the bus from this tuner is this one (repeats included).
        std::size_t sent = 0;
        for (const BusEvent& e : messages) {
            if (e.tuner != i) continue;
            EXPECT_EQ(e.bytes, change.message) << Format(e);
            ++sent;
        }
        EXPECT_GT(sent, 0u) << "T = " << change.tuningWord << " on user band " << bands[i];
    }
    for (std::size_t i = 1; i < messages.size(); ++i)
        EXPECT_GE(messages[i].timeNs,
                  messages[i - 1].timeNs + Antenna::MessageNs(messages[i - 1].bytes.size()))
            << Format(messages[i - 1]) << " / " << Format(messages[i]);
}

TEST_F(SingleCableTest, En50494EachTunerGetsItsUserBandAndTuningWordWithoutOverlap) {
    ASSERT_EQ(Ask("cable single"), "ok");
    TuneBothAtOnce(cardkit::kScifEn50494, {Channel(1, false), Channel(2, true)}, {0, 5},
                   cardkit::kScifUnset, false);
}

// Banks beyond B, user bands beyond the eighth, and the PIN the router asks for.
TEST_F(SingleCableTest, En50607EachTunerGetsItsUserBandBankAndPinWithoutOverlap) {
    constexpr std::uint32_t kPin = 0x2A;
    ASSERT_EQ(Ask("cable single2 " + std::to_string(kPin)), "ok");
    TuneBothAtOnce(cardkit::kScifEn50607, {Channel(3, false), Channel(4, true)}, {9, 30}, kPin,
                   true);
}

}  // namespace
}  // namespace testcard
