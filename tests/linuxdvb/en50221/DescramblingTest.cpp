// Descrambling requests for a tuner's service as its stream goes by: the PAT leads to the PMT,
// whose CA descriptors reach the simulated module as ca_pmt, once per PMT version, never in
// bypass mode or for a service the PAT does not list.
#include <gtest/gtest.h>

#include "FakeKernel.h"
#include "ModuleCard.h"
#include "SimulatedModule.h"
#include "cardkit/CardIds.h"
#include "cardkit/Crc32.h"
#include "faults/BoundedWait.h"
#include "linuxdvb/CaDevice.h"
#include "linuxdvb/ServiceDescrambler.h"
#include "platform/ClassIds.h"
#include "platform/DeviceRegistry.h"
#include "platform/KsInterfaces.h"
#include "tuner/driver/KsRequestHeader.h"

namespace linuxdvb::en50221 {
namespace {

constexpr std::uint16_t kService = 0x1234;
constexpr std::uint16_t kPmtPid = 0x0100;

// The section (its length and CRC filled in) in as many packets as it takes, counting from
// `continuity`, the last one padded with stuffing.
Bytes Packet(std::uint16_t pid, Bytes section, std::uint8_t continuity) {
    const std::size_t length = section.size() + 4 - 3;
    section[1] = static_cast<std::uint8_t>((section[1] & 0xF0) | length >> 8);
    section[2] = static_cast<std::uint8_t>(length);
    const std::uint32_t crc = cardkit::Crc32Mpeg(section);
    for (int shift = 24; shift >= 0; shift -= 8)
        section.push_back(static_cast<std::uint8_t>(crc >> shift));
    section.insert(section.begin(), 0x00);  // pointer field
    Bytes packets;
    for (std::size_t at = 0; at < section.size(); at += 184, ++continuity) {
        const bool start = at == 0;
        packets.insert(packets.end(),
                       {0x47, static_cast<std::uint8_t>((start ? 0x40 : 0) | pid >> 8),
                        static_cast<std::uint8_t>(pid),
                        static_cast<std::uint8_t>(0x10 | (continuity & 0x0F))});
        const std::size_t end = std::min(section.size(), at + 184);
        packets.insert(packets.end(), section.begin() + at, section.begin() + end);
        packets.resize((packets.size() + 187) / 188 * 188, 0xFF);
    }
    return packets;
}

Bytes Pat(std::uint8_t continuity) {
    return Packet(0,
                  {0x00, 0xB0, 0, 0x00, 0x01, 0xC1, 0, 0, 0x00, 0x10, 0xE0, 0x10, kService >> 8,
                   kService & 0xFF, 0xE0 | kPmtPid >> 8, kPmtPid & 0xFF},
                  continuity);
}

// `extraStreams` more streams without descriptors make the section span packets.
Bytes Pmt(std::uint8_t version, std::uint8_t continuity, int extraStreams = 0) {
    Bytes section = {0x02,
                     0xB0,
                     0,
                     kService >> 8,
                     kService & 0xFF,
                     static_cast<std::uint8_t>(0xC1 | version << 1),
                     0,
                     0,
                     0xE1,
                     0x01,
                     0xF0,
                     0x06,
                     0x09,
                     0x04,
                     0x0B,
                     0x00,
                     0xE1,
                     0x50,
                     0x02,
                     0xE1,
                     0x01,
                     0xF0,
                     0x00};
    for (int i = 0; i < extraStreams; ++i)
        section.insert(section.end(), {0x06, 0xE2, static_cast<std::uint8_t>(i), 0xF0, 0x00});
    return Packet(kPmtPid, section, continuity);
}

class DescramblingTest : public ::testing::Test {
protected:
    DescramblingTest() {
        EXPECT_TRUE(WaitUntil([&] { return slot->CamName().has_value(); }));
    }
    void Stream(std::initializer_list<Bytes> packets) {
        for (const Bytes& packet : packets) descrambler.OnPackets(packet);
    }
    bool Received(std::size_t count) {
        return WaitUntil([&] { return module.CaPmts().size() >= count; }) &&
               module.CaPmts().size() == count;
    }

    SimulatedModule module;
    std::shared_ptr<CamSlot> slot =
        std::make_shared<CamSlot>(CaDevice::Open(module.Io(), "/dev/dvb/adapter0/ca0"));
    ServiceDescrambler descrambler{slot, 1};
};

TEST_F(DescramblingTest, CaPmtPerPmtVersionInMtdAndSingleTransponderModeOnly) {
    descrambler.SetCiMode(1);
    descrambler.Tune(kService);
    Stream({Pat(0), Pmt(3, 0), Pmt(3, 1)});
    ASSERT_TRUE(Received(1));
    EXPECT_EQ(module.CaPmts()[0], (Bytes{0x03, 0x12, 0x34, 0x07, 0x00, 0x07, 0x01, 0x09, 0x04, 0x0B,
                                         0x00, 0xE1, 0x50, 0x02, 0x01, 0x01, 0x00, 0x00}));
    Stream({Pmt(4, 2)});
    ASSERT_TRUE(Received(2));
    EXPECT_EQ(module.CaPmts()[1][0], 0x05);  // an update of its entry
    EXPECT_EQ(module.CaPmts()[1][3], 0x09);  // version 4, current

    // Bypass withdraws the programme; the PMT goes by unasked until the mode wants it.
    descrambler.SetCiMode(0);
    ASSERT_TRUE(Received(3));
    EXPECT_EQ(module.CaPmts()[2][0], 0x05);
    EXPECT_EQ(module.CaPmts()[2][6], 0x04);  // not selected
    descrambler.Tune(kService);
    Stream({Pat(1), Pmt(4, 3)});
    descrambler.SetCiMode(2);
    ASSERT_TRUE(Received(4));
    EXPECT_EQ(module.CaPmts()[3][0], 0x03);  // the only one again
}

TEST_F(DescramblingTest, PmtOverPacketsCountsOnlyWholeAndUndamaged) {
    descrambler.SetCiMode(1);
    descrambler.Tune(kService);
    Bytes damaged = Pmt(1, 0);
    damaged[4 + 1 + 13] ^= 0x01;   // a CA system id bit: the CRC no longer checks
    Bytes broken = Pmt(2, 1, 50);  // two packets, the second lost on the way
    broken.resize(188);
    Stream({Pat(0), damaged, broken, Pmt(3, 3, 50)});
    ASSERT_TRUE(Received(1));
    const Bytes request = module.CaPmts().at(0);
    EXPECT_EQ(request[3], 0x07);                // version 3: the whole one
    EXPECT_EQ(request.size(), 18u + 50u * 5u);  // every stream, across both packets
}

TEST_F(DescramblingTest, NothingForAServiceThePatLacks) {
    descrambler.SetCiMode(1);
    descrambler.Tune(0x0999);
    Stream({Pat(0), Pmt(1, 0)});
    // Then a service that is there: its request is the only one the module got.
    descrambler.Tune(kService);
    Stream({Pat(1), Pmt(1, 1)});
    ASSERT_TRUE(Received(1));
    EXPECT_EQ(module.CaPmts()[0][1], 0x12);
}

// Both tuners on one programme share the module's entry for it: the first to leave it must not
// take it from the other.
TEST_F(DescramblingTest, ATunerLeavingAProgrammeTheOtherWatchesLeavesItSelected) {
    ServiceDescrambler second{slot, 2};
    for (ServiceDescrambler* tuner : {&descrambler, &second}) {
        tuner->SetCiMode(1);
        tuner->Tune(kService);
        for (const Bytes& packet : {Pat(0), Pmt(3, 0)}) tuner->OnPackets(packet);
    }
    ASSERT_TRUE(Received(2));
    descrambler.SetCiMode(0);
    second.SetCiMode(0);
    // Tuner 1 back on it, so that everything before has reached the module.
    descrambler.SetCiMode(1);
    ASSERT_TRUE(WaitUntil(
        [&] { return module.CaPmts().size() >= 3 && module.CaPmts().back()[0] == 0x03; }));
    // (list management, command) of each request.
    std::vector<std::pair<int, int>> requests;
    for (const Bytes& request : module.CaPmts()) requests.emplace_back(request[0], request[6]);
    EXPECT_EQ(requests, (std::vector<std::pair<int, int>>{
                            {0x03, 0x01}, {0x04, 0x01}, {0x05, 0x04}, {0x03, 0x01}}));
}

// The card as main() installs it: a CI device per tuner, and each tuner's tunes and stream
// reaching its descrambler.
TEST(DvbCardCiTest, RegistersACiDevicePerTunerAndAsksForTheTunedServiceFromItsStream) {
    SimulatedModule module;
    const auto kernel = std::make_shared<linuxdvb_test::FakeKernel>();
    ClearDevices();
    {
        const auto card = linuxdvb_test::InstallCardWithModule(kernel, module);
        // The captures come first among the receiver components, then the CI devices.
        auto devices = DevicesInCategory(KSCATEGORY_BDA_RECEIVER_COMPONENT);
        ASSERT_EQ(devices.size(), 4u);
        devices.erase(devices.begin(), devices.begin() + 2);
        const std::string path = kernel->Root() + "/adapter0/ca0 Orvalen CI ";
        EXPECT_EQ(devices[0].displayName,
                  std::u16string(path.begin(), path.end()) + u"1 " + cardkit::kCiDeviceMarker[0]);
        EXPECT_EQ(devices[1].displayName,
                  std::u16string(path.begin(), path.end()) + u"2 " + cardkit::kCiDeviceMarker[1]);

        // MTD mode on tuner 1's CI filter, as a graph sets it.
        const auto control = query<IKsControl>(devices[0].bind());
        const auto header = EncodeKsProperty(
            {cardkit::KSPROPSETID_CardCi, cardkit::CARD_CI_MODE, KSPROPERTY_TYPE_SET});
        std::uint8_t mode[4] = {1, 0, 0, 0};
        std::uint32_t returned = 0;
        ASSERT_EQ(control->KsProperty(header.data(), 24, mode, 4, &returned), S_OK);

        cardkit::TuningSettings settings;
        settings.frequency = 11000000;
        settings.polarity = BDA_POLARISATION_LINEAR_H;
        settings.symbolRate = 27500;
        settings.sid = kService;
        card->Tuner(1)->CommitTune(settings);
        const auto reader = card->NewReader(1);
        reader->Start([](const MediaBuffer&) { return S_OK; });
        const Bytes pat = Pat(0), pmt = Pmt(5, 0);
        Bytes stream(pat);
        stream.insert(stream.end(), pmt.begin(), pmt.end());
        kernel->Feed(0, 0, stream);
        EXPECT_TRUE(WaitUntil([&] { return module.CaPmts().size() == 1; }));
        EXPECT_EQ(module.CaPmts().at(0)[3], 0x0B);  // version 5, current
        reader->Stop();
        ClearDevices();
    }
}

}  // namespace
}  // namespace linuxdvb::en50221
