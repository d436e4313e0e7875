// Descrambling requests for a tuner's service as its stream goes by: the PAT leads to the PMT,
// whose CA descriptors reach the simulated module as ca_pmt, once per PMT version, never in
// bypass mode, without a service id or for a service the PAT does not list.
#include <gtest/gtest.h>

#include "SimulatedModule.h"
#include "faults/BoundedWait.h"
#include "linuxdvb/ServiceDescrambler.h"
#include "linuxdvb/CaDevice.h"

namespace linuxdvb::en50221 {
namespace {

constexpr std::uint16_t kService = 0x1234;
constexpr std::uint16_t kPmtPid = 0x0100;

// One packet carrying `section` from its start, the rest stuffing.
Bytes Packet(std::uint16_t pid, Bytes section, std::uint8_t continuity) {
    Bytes packet{0x47, static_cast<std::uint8_t>(0x40 | pid >> 8), static_cast<std::uint8_t>(pid),
                 static_cast<std::uint8_t>(0x10 | (continuity & 0x0F)), 0x00};
    section.insert(section.end(), {0xC0, 0xFF, 0xEE, 0x00});  // CRC, not looked at
    section[2] = static_cast<std::uint8_t>(section.size() - 3);
    packet.insert(packet.end(), section.begin(), section.end());
    packet.resize(188, 0xFF);
    return packet;
}

Bytes Pat(std::uint8_t continuity) {
    return Packet(0, {0x00, 0xB0, 0, 0x00, 0x01, 0xC1, 0, 0, 0x00, 0x10, 0xE0, 0x10,
                      kService >> 8, kService & 0xFF, 0xE0 | kPmtPid >> 8, kPmtPid & 0xFF},
                  continuity);
}

Bytes Pmt(std::uint8_t version, std::uint8_t continuity) {
    return Packet(kPmtPid,
                  {0x02, 0xB0, 0, kService >> 8, kService & 0xFF,
                   static_cast<std::uint8_t>(0xC1 | version << 1), 0, 0, 0xE1, 0x01, 0xF0, 0x06,
                   0x09, 0x04, 0x0B, 0x00, 0xE1, 0x50, 0x02, 0xE1, 0x01, 0xF0, 0x00},
                  continuity);
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
    EXPECT_EQ(module.CaPmts()[0],
              (Bytes{0x03, 0x12, 0x34, 0x07, 0x00, 0x07, 0x01, 0x09, 0x04, 0x0B, 0x00, 0xE1, 0x50,
                     0x02, 0x01, 0x01, 0x00, 0x00}));
    Stream({Pmt(4, 2)});
    ASSERT_TRUE(Received(2));
    EXPECT_EQ(module.CaPmts()[1][3], 0x09);  // version 4, current

    // Bypass: the PMT goes by unasked until the mode wants it.
    descrambler.SetCiMode(0);
    descrambler.Tune(kService);
    Stream({Pat(1), Pmt(4, 3)});
    descrambler.SetCiMode(2);
    ASSERT_TRUE(Received(3));
}

TEST_F(DescramblingTest, NothingWithoutAServiceOrForOneThePatLacks) {
    descrambler.SetCiMode(1);
    descrambler.Tune(-1);
    Stream({Pat(0), Pmt(1, 0)});
    descrambler.Tune(0x0999);
    Stream({Pat(1), Pmt(1, 1)});
    // Then a service that is there: its request is the only one the module got.
    descrambler.Tune(kService);
    Stream({Pat(2), Pmt(1, 2)});
    ASSERT_TRUE(Received(1));
    EXPECT_EQ(module.CaPmts()[0][1], 0x12);
}

}  // namespace
}  // namespace linuxdvb::en50221
