// The simulated card's streams read by the scanner's own parsers: on every transponder of the
// built-in sky the PAT, the SDT and the NIT name every service and every transponder of its
// satellite as the plan gives them.
#include <gtest/gtest.h>

#include <map>

#include "card/PsiSections.h"
#include "card/TransportStreamGenerator.h"
#include "scan/Nit.h"
#include "scan/Pat.h"
#include "scan/Sdt.h"
#include "scan/SectionAssembler.h"
#include "scan/TableAssembler.h"

namespace scantest {
namespace {

using namespace scan;

// The tables of one transponder's stream, read packet by packet until each is whole (or
// `limitSeconds` of stream have gone by).
struct StreamTables {
    std::vector<Bytes> pat, sdt, nit;

    StreamTables(card::TransportStreamGenerator& generator, double limitSeconds) {
        struct Reader {
            SectionAssembler sections;
            TableAssembler table;
        };
        Reader readers[] = {{SectionAssembler(kPatPid), TableAssembler(kPatTableId)},
                            {SectionAssembler(kSdtPid), TableAssembler(kSdtActualTableId)},
                            {SectionAssembler(kNitPid), TableAssembler(kNitActualTableId)}};
        const auto limit = static_cast<std::size_t>(limitSeconds * generator.PacketsPerSecond());
        std::vector<std::uint8_t> packets;
        for (std::size_t sent = 0; sent < limit; sent += 1000) {
            packets.clear();
            generator.Next(1000, packets);
            for (std::size_t at = 0; at < packets.size(); at += kPacketSize)
                for (Reader& r : readers)
                    r.sections.Add(
                        std::span<const std::uint8_t, kPacketSize>(&packets[at], kPacketSize),
                        [&r](const CheckedSection& s) { r.table.Add(s); });
            if (std::all_of(std::begin(readers), std::end(readers),
                            [](const Reader& r) { return r.table.Complete(); }))
                break;
        }
        pat = readers[0].table.Sections();
        sdt = readers[1].table.Sections();
        nit = readers[2].table.Sections();
    }
};

std::uint8_t ServiceType(const card::Service& s) {
    return s.radio ? 0x02 : s.hd ? 0x19 : 0x01;
}

DeliveryModulation ModulationOf(const card::Transponder& t) {
    return t.modulation == card::Modulation::Dvbs2Psk8 ? DeliveryModulation::Psk8
                                                       : DeliveryModulation::Qpsk;
}

void ExpectDelivery(const SatelliteDelivery& d, const card::Transponder& t, int orbitalTenths) {
    EXPECT_EQ(d.frequencyKHz, t.frequencyMHz * 1000);
    EXPECT_EQ(d.orbitalTenths, std::abs(orbitalTenths));
    EXPECT_EQ(d.east, orbitalTenths >= 0);
    EXPECT_EQ(d.polarisation, t.polarisation == card::LinearPolarisation::Vertical
                                  ? DeliveryPolarisation::Vertical
                                  : DeliveryPolarisation::Horizontal);
    EXPECT_EQ(d.system, t.modulation == card::Modulation::DvbsQpsk ? DeliverySystem::DvbS
                                                                   : DeliverySystem::DvbS2);
    EXPECT_EQ(d.modulation, ModulationOf(t));
    const DeliveryRollOff rollOff = t.modulation == card::Modulation::DvbsQpsk
                                        ? DeliveryRollOff::Alpha035
                                    : t.rollOff > 0.3  ? DeliveryRollOff::Alpha035
                                    : t.rollOff > 0.22 ? DeliveryRollOff::Alpha025
                                                       : DeliveryRollOff::Alpha020;
    EXPECT_EQ(d.rollOff, rollOff);
    EXPECT_EQ(d.symbolRate, t.symbolRate * 1000);
    ASSERT_TRUE(d.fec);
    EXPECT_EQ(d.fec->numerator, t.codeRateNumerator);
    EXPECT_EQ(d.fec->denominator, t.codeRateDenominator);
}

TEST(GeneratedTables, EveryTransponderNamesItsServicesAndItsSatellitesTransponders) {
    const card::Sky sky = card::DefaultSky();
    for (const card::Satellite& satellite : sky.positions) {
        SCOPED_TRACE(satellite.name);
        ASSERT_FALSE(satellite.transponders.empty());
        for (const card::Transponder& t : satellite.transponders) {
            SCOPED_TRACE(t.frequencyMHz);
            card::TransportStreamGenerator generator(t, satellite);
            // The NIT is the same on every transponder of a satellite: read it on the first.
            const bool first = &t == &satellite.transponders.front();
            const StreamTables tables(generator, first ? 2.0 : 1.0);
            const auto pat = ParsePat(tables.pat);
            const auto sdt = ParseSdt(tables.sdt);
            ASSERT_TRUE(pat && sdt);
            EXPECT_EQ(pat->tsid, t.tsid);
            EXPECT_EQ(pat->networkPid, kNitPid);
            EXPECT_EQ(sdt->tsid, t.tsid);
            EXPECT_EQ(sdt->onid, t.onid);
            ASSERT_EQ(pat->programs.size(), t.services.size());
            ASSERT_EQ(sdt->services.size(), t.services.size());
            for (std::size_t i = 0; i < t.services.size(); ++i) {
                const card::Service& planned = t.services[i];
                EXPECT_EQ(pat->programs[i].programNumber, planned.sid);
                EXPECT_EQ(sdt->services[i].sid, planned.sid);
                EXPECT_EQ(sdt->services[i].name, planned.name);
                EXPECT_EQ(sdt->services[i].provider, satellite.name);
                EXPECT_EQ(sdt->services[i].serviceType, ServiceType(planned));
                EXPECT_EQ(sdt->services[i].scrambled, planned.scrambled);
            }
            if (!first) continue;
            const auto nit = ParseNit(tables.nit);
            ASSERT_TRUE(nit);
            EXPECT_GT(tables.nit.size(), 1u) << "a whole plan takes more than one section";
            EXPECT_EQ(nit->networkId, satellite.transponders.front().onid);
            EXPECT_EQ(nit->networkName, satellite.network);
            ASSERT_EQ(nit->transportStreams.size(), satellite.transponders.size());
            for (std::size_t i = 0; i < satellite.transponders.size(); ++i) {
                const NitTransportStream& entry = nit->transportStreams[i];
                EXPECT_EQ(entry.tsid, satellite.transponders[i].tsid);
                EXPECT_EQ(entry.onid, satellite.transponders[i].onid);
                ASSERT_TRUE(entry.delivery);
                ExpectDelivery(*entry.delivery, satellite.transponders[i], satellite.orbitalTenths);
            }
        }
    }
}

TEST(GeneratedTables, APlanWithoutPositionOrNetworkGetsTheSatellitesNameAtZeroDegrees) {
    card::Satellite satellite;
    satellite.name = "Ödland";
    card::Transponder t;
    t.frequencyMHz = 12603;
    t.symbolRate = 22000;
    t.modulation = card::Modulation::Dvbs2Psk8;
    t.rollOff = 0.20;
    t.codeRateNumerator = 9;
    t.codeRateDenominator = 10;
    t.onid = 77;
    satellite.transponders.push_back(t);
    card::TransportStreamGenerator generator(t, satellite);
    const auto nit = ParseNit(StreamTables(generator, 2.0).nit);
    ASSERT_TRUE(nit);
    EXPECT_EQ(nit->networkName, "Ödland");
    EXPECT_EQ(nit->networkId, 77);
    ASSERT_EQ(nit->transportStreams.size(), 1u);
    ASSERT_TRUE(nit->transportStreams[0].delivery);
    ExpectDelivery(*nit->transportStreams[0].delivery, t, 0);
}

}  // namespace
}  // namespace scantest
