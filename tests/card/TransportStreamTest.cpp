// The transport stream generator on its own: tables with correct CRCs and contents, continuity
// counters, scrambling, and the transponder's rate.
#include <algorithm>
#include <map>

#include "TsReader.h"
#include "card/Scrambler.h"
#include "card/SignalModel.h"
#include "card/TransportStreamGenerator.h"
#include "cardkit/Crc32.h"

namespace cardtest {
namespace {

using namespace card;
using cardkit::Crc32Mpeg;

const Transponder& Helion10773() {
    static const Sky sky = DefaultSky();
    const auto& transponders = sky.positions[0].transponders;
    return *std::find_if(transponders.begin(), transponders.end(),
                         [](const Transponder& t) { return t.frequencyMHz == 10773; });
}

TEST(Crc32Test, MatchesTheMpegCheckValue) {
    const std::string text = "123456789";
    EXPECT_EQ(Crc32Mpeg({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}),
              0x0376E6E7u);
}

class TransportStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Helion10773().tsid, 11013);
        TransportStreamGenerator generator(Helion10773(), "Helion");
        m_packetsPerSecond = generator.PacketsPerSecond();
        // Two seconds of stream, in two calls.
        const auto half = static_cast<std::size_t>(m_packetsPerSecond);
        generator.Next(half, m_stream);
        generator.Next(half, m_stream);
        m_reader.Add(m_stream);
    }

    double m_packetsPerSecond = 0;
    std::vector<std::uint8_t> m_stream;
    TsReader m_reader;
};

TEST_F(TransportStreamTest, RunsAtTheUsefulBitRateWithNullPacketsFillingUp) {
    // 27.5 Msym/s QPSK 3/4 with Reed-Solomon: 38.01 Mbit/s.
    EXPECT_NEAR(m_packetsPerSecond * 188 * 8, 38.015e6, 0.01e6);
    EXPECT_EQ(m_reader.errors, 0u);
    const auto nulls = m_reader.packetsByPid[kNullPid];
    EXPECT_GT(nulls, m_reader.packets / 20);
    EXPECT_LT(nulls, m_reader.packets / 2);
    // Tables at their intervals: PAT ten times a second, SDT twice.
    EXPECT_NEAR(static_cast<double>(m_reader.packetsByPid[kPatPid]), 20.0, 1.0);
}

// A stream played at a quarter of its rate (the test card's, on a slow machine) carries its
// tables four times as often per packet, so that in wall time they still come at their broadcast
// intervals: the SDT twice a second, the NIT too.
TEST(ThinnedStreamTest, TablesKeepTheirBroadcastIntervalsInWallTime) {
    static const Sky sky = DefaultSky();
    const Satellite& helion = sky.positions[0];
    const auto halfSecondOfWallTime = [&](double playedAt) {
        TransportStreamGenerator generator(Helion10773(), helion, playedAt);
        std::vector<std::uint8_t> stream;
        generator.Next(static_cast<std::size_t>(generator.PacketsPerSecond() * playedAt / 2),
                       stream);
        TsReader reader;
        reader.Add(stream);
        return reader;
    };
    const TsReader full = halfSecondOfWallTime(1.0);
    const TsReader quarter = halfSecondOfWallTime(0.25);
    EXPECT_EQ(quarter.errors, 0u);
    EXPECT_NEAR(static_cast<double>(quarter.packetsByPid.at(kPatPid)), 5.0, 1.0);
    EXPECT_EQ(quarter.packetsByPid.at(kPatPid), full.packetsByPid.at(kPatPid));
    EXPECT_EQ(quarter.packetsByPid.at(kSdtPid), full.packetsByPid.at(kSdtPid));
    EXPECT_EQ(quarter.packetsByPid.at(kNitPid), full.packetsByPid.at(kNitPid));
    EXPECT_GE(quarter.packetsByPid.at(kNitPid), 1u);
}

TEST_F(TransportStreamTest, TablesCarryCorrectCrcsAndTheTranspondersIds) {
    const auto pat = m_reader.FirstSection(kPatPid);
    ASSERT_FALSE(pat.empty());
    EXPECT_EQ(Crc32Mpeg(pat), 0u);
    EXPECT_EQ(pat[0], 0x00);
    EXPECT_EQ((pat[3] << 8) | pat[4], 11013);
    const auto& services = Helion10773().services;
    ASSERT_EQ(pat.size(), 8u + 4 * services.size() + 4);
    for (std::size_t i = 0; i < services.size(); ++i) {
        const std::size_t at = 8 + 4 * i;
        EXPECT_EQ((pat[at] << 8) | pat[at + 1], services[i].sid);
        const std::uint16_t pmtPid =
            static_cast<std::uint16_t>(((pat[at + 2] & 0x1F) << 8) | pat[at + 3]);
        const auto pmt = m_reader.FirstSection(pmtPid);
        ASSERT_FALSE(pmt.empty()) << services[i].name;
        EXPECT_EQ(Crc32Mpeg(pmt), 0u);
        EXPECT_EQ(pmt[0], 0x02);
        EXPECT_EQ((pmt[3] << 8) | pmt[4], services[i].sid);
    }
    const auto sdt = m_reader.FirstSection(kSdtPid);
    ASSERT_FALSE(sdt.empty());
    EXPECT_EQ(Crc32Mpeg(sdt), 0u);
    EXPECT_EQ(sdt[0], 0x42);
    EXPECT_EQ((sdt[3] << 8) | sdt[4], 11013);
    EXPECT_EQ((sdt[8] << 8) | sdt[9], 1101);
    const std::string text(sdt.begin(), sdt.end());
    for (const auto& service : services)
        EXPECT_NE(text.find(service.name), std::string::npos) << service.name;
    EXPECT_NE(text.find("Helion"), std::string::npos);
}

TEST_F(TransportStreamTest, ContinuityCountersRunPerPidAndOnlyScrambledServicesAreScrambled) {
    EXPECT_EQ(m_reader.continuityErrors, 0u);
    const auto& services = Helion10773().services;
    for (std::size_t i = 0; i < services.size(); ++i) {
        EXPECT_GT(m_reader.packetsByPid[AudioPid(i)], 0u);
        const std::size_t expected = services[i].scrambled ? m_reader.packetsByPid[AudioPid(i)] : 0;
        EXPECT_EQ(m_reader.scrambledByPid[AudioPid(i)], expected) << services[i].name;
    }
    EXPECT_EQ(m_reader.scrambledByPid[kPatPid], 0u);
}

TEST_F(TransportStreamTest, DescramblingRestoresTheClearPacket) {
    TransportStreamGenerator generator(Helion10773(), "Helion");
    std::vector<std::uint8_t> packets;
    generator.Next(4000, packets);
    std::size_t scrambled = 0;
    for (std::size_t at = 0; at < packets.size(); at += 188) {
        std::uint8_t* packet = &packets[at];
        if (!IsScrambled(packet)) continue;
        ++scrambled;
        std::vector<std::uint8_t> copy(packet, packet + 188);
        DescramblePacket(copy.data());
        EXPECT_FALSE(IsScrambled(copy.data()));
        EXPECT_EQ(copy[3] & 0x0F, packet[3] & 0x0F) << "continuity counter kept";
        ScramblePacket(copy.data());
        EXPECT_TRUE(std::equal(copy.begin(), copy.end(), packet));
    }
    EXPECT_GT(scrambled, 0u);
}

}  // namespace
}  // namespace cardtest
