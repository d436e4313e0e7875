// From packets to sections to tables: the pointer field, sections spanning packets and sharing
// them, lost and repeated packets, and tables of several sections that change version while
// they are read.
#include <gtest/gtest.h>

#include "SiTestSupport.h"
#include "scan/SectionAssembler.h"
#include "scan/TableAssembler.h"

namespace scantest {
namespace {

using namespace scan;

struct Assembled {
    std::vector<Bytes> sections;
    void Feed(SectionAssembler& assembler, const std::vector<Bytes>& packets) {
        for (const Bytes& packet : packets)
            assembler.Add(std::span<const std::uint8_t, kPacketSize>(packet.data(), kPacketSize),
                          [this](const CheckedSection& s) {
                              sections.emplace_back(s.bytes.begin(), s.bytes.end());
                          });
    }
};

const Bytes kSmall = Section({0x42, 1, 0, true, 0, 0}, Bytes(20, 0x11));
const Bytes kLarge = Section({0x42, 2, 0, true, 0, 0}, Bytes(400, 0x22));  // three packets

TEST(SectionAssembler, FindsSectionsBehindThePointerAcrossAndWithinPackets) {
    SectionAssembler assembler(0x11);
    Assembled out;
    // The tail of a section whose start was never seen, then two sections in one run.
    const Bytes payload = Concat({B({5}), Bytes(5, 0x42), kSmall, kLarge, kSmall});
    auto packets = Packets(0x11, payload);
    // Another PID between them changes nothing.
    packets.insert(packets.begin() + 1, Packets(0x12, Concat({B({0}), kSmall}))[0]);
    out.Feed(assembler, packets);
    EXPECT_EQ(out.sections, (std::vector<Bytes>{kSmall, kLarge, kSmall}));
}

TEST(SectionAssembler, DropsOnlyTheSectionALostDamagedOrScrambledPacketCut) {
    const Bytes payload = Concat({B({0}), kLarge});
    for (const char* fault : {"lost", "damaged", "scrambled"}) {
        SectionAssembler assembler(0x11);
        Assembled out;
        auto packets = Packets(0x11, payload);
        if (std::string(fault) == "lost") packets.erase(packets.begin() + 1);
        if (std::string(fault) == "damaged") packets[1][1] |= 0x80;
        if (std::string(fault) == "scrambled") packets[1][3] |= 0x80;
        out.Feed(assembler, packets);
        out.Feed(assembler, Packets(0x11, Concat({B({0}), kSmall}), 3));
        EXPECT_EQ(out.sections, std::vector<Bytes>{kSmall}) << fault;
    }
}

TEST(SectionAssembler, IgnoresARepeatedPacketAndReadsPastAnAdaptationField) {
    SectionAssembler assembler(0x11);
    Assembled out;
    auto packets = Packets(0x11, Concat({B({0}), kLarge}));
    packets.insert(packets.begin() + 1, packets[0]);
    // The last packet carries 10 bytes of adaptation field before its payload.
    Bytes& last = packets.back();
    const Bytes tail(last.begin() + 4, last.end() - 11);
    last = Concat(
        {B({last[0], last[1], last[2], 0x30 | (last[3] & 0x0F), 10}), Bytes(10, 0xFF), tail});
    out.Feed(assembler, packets);
    EXPECT_EQ(out.sections, std::vector<Bytes>{kLarge});
}

TEST(SectionAssembler, RefusesPointersAndAdaptationFieldsPastThePacketAndBadCrcs) {
    SectionAssembler assembler(0x11);
    Assembled out;
    Bytes badCrc = kSmall;
    badCrc.back() ^= 1;
    auto pointerPast = Packets(0x11, Concat({B({200}), kSmall}));
    auto adaptationPast = Packets(0x11, Concat({B({0}), kSmall}), 1);
    adaptationPast[0][3] = 0x31;
    adaptationPast[0][4] = 184;
    out.Feed(assembler, pointerPast);
    out.Feed(assembler, adaptationPast);
    out.Feed(assembler, Packets(0x11, Concat({B({0}), badCrc}), 2));
    EXPECT_TRUE(out.sections.empty());
}

TEST(TableAssembler, CompletesOnlyWithEverySectionOfOneVersion) {
    TableAssembler table(0x42);
    const auto section = [](std::uint8_t version, std::uint8_t number, bool current = true) {
        return Section({0x42, 7, version, current, number, 2}, B({number}));
    };
    const auto add = [&table](const Bytes& bytes) { return table.Add(*CheckSection(bytes)); };
    EXPECT_FALSE(add(section(1, 0)));
    EXPECT_FALSE(add(section(1, 2)));
    EXPECT_FALSE(add(Section({0x46, 7, 1, true, 1, 2}, {})));  // another table
    EXPECT_FALSE(add(section(1, 1, false)));                   // not current yet
    EXPECT_FALSE(add(section(2, 1)));  // the table changed: start again with version 2
    EXPECT_TRUE(table.Sections().empty());
    EXPECT_FALSE(add(section(2, 0)));
    EXPECT_TRUE(add(section(2, 2)));
    EXPECT_TRUE(add(section(2, 2)));  // a repeat changes nothing
    EXPECT_EQ(table.Sections(), (std::vector<Bytes>{section(2, 0), section(2, 1), section(2, 2)}));
}

}  // namespace
}  // namespace scantest
