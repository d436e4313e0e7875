// The service information parsers over sections written out by hand, including the ways a
// broadcast gets them wrong: bad CRCs, lengths that overrun, digits that are not decimal.
#include <gtest/gtest.h>

#include "SiTestSupport.h"
#include "scan/Nit.h"
#include "scan/Pat.h"
#include "scan/Sdt.h"

namespace scantest {
namespace {

using namespace scan;

TEST(SectionCheck, TakesAWholeLongSectionAndRefusesEveryDamagedOne) {
    const Bytes good = Section({0x42, 0x1234, 7, true, 1, 2}, B({1, 2, 3}));
    const auto checked = CheckSection(Concat({good, B({0xFF, 0xFF})}));  // stuffing behind
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->header.tableId, 0x42);
    EXPECT_EQ(checked->header.idExtension, 0x1234);
    EXPECT_EQ(checked->header.version, 7);
    EXPECT_EQ(checked->header.number, 1);
    EXPECT_EQ(checked->header.lastNumber, 2);
    EXPECT_EQ(checked->body.size(), 3u);
    EXPECT_EQ(checked->bytes.size(), good.size());

    Bytes badCrc = good;
    badCrc[9] ^= 0x01;
    Bytes shortForm = good;
    shortForm[1] &= 0x7F;
    Bytes overrun = good;
    overrun[2] = static_cast<std::uint8_t>(overrun[2] + 1);
    const Bytes numberPastLast = Section({0x42, 1, 0, true, 3, 2}, {});
    const Bytes tooLong = Section({0x42, 1, 0, true, 0, 0}, Bytes(1013, 0));
    for (const Bytes& bad : {badCrc, shortForm, overrun, numberPastLast, tooLong, B({0x42, 0xB0})})
        EXPECT_FALSE(CheckSection(bad));
    EXPECT_TRUE(CheckSection(Section({0x42, 1, 0, true, 0, 0}, Bytes(1012, 0))));
}

TEST(SatelliteDeliveryDescriptor, ReadsEachFieldAsCoded) {
    // 11.93750 GHz, 19.2 east, horizontal, DVB-S QPSK, 27.5 Msymbol/s, 3/4.
    const auto dvbs = ParseSatelliteDelivery(
        B({0x01, 0x19, 0x37, 0x50, 0x01, 0x92, 0x81, 0x02, 0x75, 0x00, 0x03}));
    ASSERT_TRUE(dvbs);
    EXPECT_EQ(*dvbs, (SatelliteDelivery{11937500, 192, true, DeliveryPolarisation::Horizontal,
                                        DeliveryRollOff::Alpha035, DeliverySystem::DvbS,
                                        DeliveryModulation::Qpsk, 27500000, CodeRate{3, 4}}));
    // 12.60350 GHz, 30.0 west, vertical, roll-off 0.20, DVB-S2 8PSK, 22 Msymbol/s, 9/10.
    const auto dvbs2 = ParseSatelliteDelivery(
        B({0x01, 0x26, 0x03, 0x50, 0x03, 0x00, 0x36, 0x02, 0x20, 0x00, 0x09}));
    ASSERT_TRUE(dvbs2);
    EXPECT_EQ(*dvbs2, (SatelliteDelivery{12603500, 300, false, DeliveryPolarisation::Vertical,
                                         DeliveryRollOff::Alpha020, DeliverySystem::DvbS2,
                                         DeliveryModulation::Psk8, 22000000, CodeRate{9, 10}}));
    // Circular left, 16-QAM, no inner code; then a frequency digit that is not decimal, a symbol
    // rate digit that is not, and a body one byte short.
    const auto circular = ParseSatelliteDelivery(
        B({0x01, 0x19, 0x37, 0x50, 0x01, 0x92, 0xC3, 0x02, 0x75, 0x00, 0x0F}));
    ASSERT_TRUE(circular);
    EXPECT_EQ(circular->polarisation, DeliveryPolarisation::Left);
    EXPECT_EQ(circular->modulation, DeliveryModulation::Qam16);
    EXPECT_FALSE(circular->fec);
    EXPECT_FALSE(ParseSatelliteDelivery(
        B({0x01, 0x1A, 0x37, 0x50, 0x01, 0x92, 0x81, 0x02, 0x75, 0x00, 0x03})));
    EXPECT_FALSE(ParseSatelliteDelivery(
        B({0x01, 0x19, 0x37, 0x50, 0x01, 0x92, 0x81, 0x02, 0x75, 0x00, 0xA3})));
    EXPECT_FALSE(
        ParseSatelliteDelivery(B({0x01, 0x19, 0x37, 0x50, 0x01, 0x92, 0x81, 0x02, 0x75, 0x00})));
}

TEST(PatParser, GivesTheNetworkPidAndEveryProgrammeOfTheWholeSections) {
    const std::vector<Bytes> sections{
        Section({0x00, 11024, 0, true, 0, 2}, B({0x00, 0x00, 0xE0, 0x10, 0x04, 0xED, 0xE1, 0x00})),
        Section({0x00, 11024, 0, true, 1, 2}, B({0x04, 0xF0, 0xE1, 0x01, 0x04})),  // cut entry
        Section({0x00, 11024, 0, true, 2, 2}, B({0x04, 0xF2, 0xE1, 0x02}))};
    const auto pat = ParsePat(sections);
    ASSERT_TRUE(pat);
    EXPECT_EQ(pat->tsid, 11024);
    EXPECT_EQ(pat->networkPid, 0x0010);
    EXPECT_EQ(pat->programs, (std::vector<PatProgram>{{1261, 0x100}, {1266, 0x102}}));
    EXPECT_FALSE(ParsePat(std::vector<Bytes>{sections[1]}));
}

Bytes SdtService(int sid, bool scrambled, const Bytes& descriptors) {
    const int size = static_cast<int>(descriptors.size());
    return Concat(
        {B({sid >> 8, sid & 0xFF, 0xFC, 0x80 | (scrambled ? 0x10 : 0) | size >> 8, size & 0xFF}),
         descriptors});
}

Bytes ServiceDescriptor(int type, const Bytes& provider, const Bytes& name) {
    return Descriptor(0x48, Concat({B({type}), LengthPrefixed(provider), LengthPrefixed(name)}));
}

TEST(SdtParser, NamesEachServiceInTheTableItsSelectorChooses) {
    const Bytes first = Concat({
        B({0x04, 0x4D, 0xFF}),
        // UTF-8 behind 0x15, with an emphasis control code to drop.
        SdtService(1, false,
                   ServiceDescriptor(
                       0x19, Text("Helion"),
                       Concat({B({0x15}), Text("Gr\xC3\xBCn"), B({0xC2, 0x86}), Text("land")}))),
        // ISO 8859-2 by the three-byte selector; the provider in the default table, ISO 6937,
        // whose diacritic comes before its letter.
        SdtService(2, true,
                   ServiceDescriptor(0x02,
                                     Text("Caf\xC2"
                                          "e"),
                                     Concat({B({0x10, 0x00, 0x02, 0xA3}), Text("odz")}))),
        SdtService(3, false,  // ISO 8859-10 and -14 by their one-byte selectors
                   ServiceDescriptor(0x01, B({0x0A, 0xA1}), B({0x06, 0xA1}))),
        // A two-byte table the program does not decode: the name is empty, the rest is kept.
        SdtService(4, false, ServiceDescriptor(0x01, Text("P"), B({0x11, 0x00, 0x41}))),
    });
    const Bytes second = Concat({
        B({0x04, 0x4D, 0xFF}),
        // A name longer than its descriptor: the service stays, without a description, as
        // does one without any descriptor.
        SdtService(5, false, Descriptor(0x48, B({0x01, 0x01, 'P', 0x09, 'N'}))),
        SdtService(6, false, {}),
        // Descriptors running past the section: this service and any behind it are dropped.
        Concat({B({0x00, 0x07, 0xFC, 0x80, 0x40}), ServiceDescriptor(0x01, Text("P"), Text("N"))}),
    });
    Bytes damaged = Section({0x42, 11024, 0, true, 2, 3}, first);
    damaged.back() ^= 0xFF;
    const std::vector<Bytes> sections{Section({0x42, 11024, 0, true, 0, 3}, first),
                                      Section({0x42, 11024, 0, true, 1, 3}, second), damaged,
                                      Section({0x46, 11024, 0, true, 3, 3}, first)};  // other TS
    const auto sdt = ParseSdt(sections);
    ASSERT_TRUE(sdt);
    EXPECT_EQ(sdt->tsid, 11024);
    EXPECT_EQ(sdt->onid, 1101);
    ASSERT_EQ(sdt->services.size(), 6u);
    EXPECT_EQ(sdt->services[0].name, "Grünland");
    EXPECT_EQ(sdt->services[0].provider, "Helion");
    EXPECT_EQ(sdt->services[0].serviceType, 0x19);
    EXPECT_FALSE(sdt->services[0].scrambled);
    EXPECT_EQ(sdt->services[1].name, "Łodz");
    EXPECT_EQ(sdt->services[1].provider, "Café");
    EXPECT_TRUE(sdt->services[1].scrambled);
    EXPECT_EQ(sdt->services[2].name, "Ą");
    EXPECT_EQ(sdt->services[2].provider, "Ḃ");
    EXPECT_EQ(sdt->services[3].name, "");
    EXPECT_EQ(sdt->services[3].provider, "P");
    EXPECT_EQ(sdt->services[4].sid, 5);
    EXPECT_FALSE(sdt->services[4].serviceType);
    EXPECT_FALSE(sdt->services[5].serviceType);
}

Bytes NitEntry(int tsid, int onid, const Bytes& descriptors) {
    return Concat({B({tsid >> 8, tsid & 0xFF, onid >> 8, onid & 0xFF}), Loop12(descriptors)});
}

TEST(NitParser, GivesTheNetworkNameAndWhereEachTransportStreamIsSent) {
    const Bytes delivery =
        Descriptor(0x43, B({0x01, 0x07, 0x70, 0x70, 0x01, 0x92, 0xA1, 0x02, 0x45, 0x00, 0x03}));
    const Bytes notDecimal =
        Descriptor(0x43, B({0x01, 0x07, 0x70, 0x70, 0x01, 0x9F, 0xA1, 0x02, 0x45, 0x00, 0x03}));
    const Bytes body = Concat({
        Loop12(Concat({Descriptor(0x4A, B({1, 2})), Descriptor(0x40, Text("Helion Net"))})),
        Loop12(Concat({NitEntry(11024, 1101, Concat({Descriptor(0x41, B({0})), delivery})),
                       NitEntry(11011, 1101, {}), NitEntry(11012, 1101, notDecimal),
                       // descriptors running past the loop: dropped with what follows
                       B({0x2B, 0x00, 0x04, 0x4D, 0xF0, 0x20, 0x43, 0x0B})})),
    });
    const Bytes overrun = Concat({Loop12({}), B({0xF0, 0x40}), NitEntry(1, 1, {})});
    const auto nit = ParseNit(std::vector<Bytes>{Section({0x40, 1101, 0, true, 0, 1}, body),
                                                 Section({0x40, 1101, 0, true, 1, 1}, overrun)});
    ASSERT_TRUE(nit);
    EXPECT_EQ(nit->networkId, 1101);
    EXPECT_EQ(nit->networkName, "Helion Net");
    ASSERT_EQ(nit->transportStreams.size(), 3u);
    EXPECT_EQ(nit->transportStreams[0].tsid, 11024);
    EXPECT_EQ(nit->transportStreams[0].onid, 1101);
    ASSERT_TRUE(nit->transportStreams[0].delivery);
    EXPECT_EQ(nit->transportStreams[0].delivery->frequencyKHz, 10770700u);
    EXPECT_EQ(nit->transportStreams[0].delivery->polarisation, DeliveryPolarisation::Vertical);
    EXPECT_EQ(nit->transportStreams[0].delivery->symbolRate, 24500000u);
    EXPECT_FALSE(nit->transportStreams[1].delivery);
    EXPECT_FALSE(nit->transportStreams[2].delivery);
    EXPECT_FALSE(ParseNit(std::vector<Bytes>{Section({0x41, 1101, 0, true, 0, 0}, body)}));
}

}  // namespace
}  // namespace scantest
