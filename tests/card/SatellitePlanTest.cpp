// Reading a satellite's plan: every field of a transponder and its services, quoted names and
// spreadsheet line ends; a wrong line refuses the whole plan and says which line and why.
#include <gtest/gtest.h>

#include <tuple>

#include "card/SatellitePlan.h"

namespace {

using namespace card;

constexpr const char* kHeader = "# a test plan\r\nsatellite,Testsat\r\n\r\n";

TEST(SatellitePlan, ReadsTranspondersWithTheirServices) {
    const std::string text = std::string(kHeader) +
                             "transponder,10729,H,23000,DVB-S,QPSK,5/6,0.35,64.5,1101,11011\r\n"
                             "service,1104,\"Nord Info, \"\"Regional\"\"\",radio hd\r\n"
                             "service,1107,Radio Öresund,hd scrambled\r\n"
                             "transponder,12722,V,45000,DVB-S2,8PSK,9/10,0.20,61.0,1101,11012\n";
    std::string error;
    const auto satellite = ReadSatellitePlan(text, error);
    ASSERT_TRUE(satellite) << error;
    EXPECT_EQ(satellite->name, "Testsat");
    ASSERT_EQ(satellite->transponders.size(), 2u);
    const Transponder& first = satellite->transponders[0];
    EXPECT_EQ(std::tie(first.frequencyMHz, first.symbolRate, first.onid, first.tsid),
              std::make_tuple(10729u, 23000u, std::uint16_t{1101}, std::uint16_t{11011}));
    EXPECT_EQ(first.polarisation, LinearPolarisation::Horizontal);
    EXPECT_EQ(first.modulation, Modulation::DvbsQpsk);
    EXPECT_EQ(first.codeRateNumerator * 10 + first.codeRateDenominator, 56);
    EXPECT_DOUBLE_EQ(first.rollOff, 0.35);
    EXPECT_DOUBLE_EQ(first.powerDb, 64.5);
    ASSERT_EQ(first.services.size(), 2u);
    const Service& radio = first.services[0];
    EXPECT_EQ(radio.sid, 1104);
    EXPECT_EQ(radio.name, "Nord Info, \"Regional\"");
    EXPECT_TRUE(radio.radio && radio.hd && !radio.scrambled);
    EXPECT_EQ(first.services[1].name, "Radio Öresund");
    EXPECT_TRUE(!first.services[1].radio && first.services[1].hd && first.services[1].scrambled);
    const Transponder& second = satellite->transponders[1];
    EXPECT_EQ(second.polarisation, LinearPolarisation::Vertical);
    EXPECT_EQ(second.modulation, Modulation::Dvbs2Psk8);
    EXPECT_EQ(second.codeRateNumerator * 100 + second.codeRateDenominator, 910);
    EXPECT_DOUBLE_EQ(second.rollOff, 0.20);
}

TEST(SatellitePlan, StreamLinesSplitACarrierIntoInputStreams) {
    const std::string text = std::string(kHeader) +
                             "transponder,12722,V,45000,DVB-S2,8PSK,9/10,0.20,61.0,1,2\n"
                             "stream,4,0,1,20\n"
                             "service,7,Seven,tv\n"
                             "stream,9,262143,3,21\n"
                             "service,8,Eight,tv\n"
                             "service,9,Nine,radio\n"
                             "transponder,12750,V,27500,DVB-S2,QPSK,3/4,0.35,61.0,1,3\n";
    std::string error;
    const auto satellite = ReadSatellitePlan(text, error);
    ASSERT_TRUE(satellite) << error;
    ASSERT_EQ(satellite->transponders.size(), 2u);
    const Transponder& carrier = satellite->transponders[0];
    EXPECT_EQ(std::tie(carrier.inputStreamId, carrier.plsCode, carrier.onid, carrier.tsid),
              std::make_tuple(4, 0u, std::uint16_t{1}, std::uint16_t{20}));
    ASSERT_EQ(carrier.services.size(), 1u);
    ASSERT_EQ(carrier.otherStreams.size(), 1u);
    const Transponder& other = carrier.otherStreams[0];
    EXPECT_EQ(std::tie(other.inputStreamId, other.plsCode, other.onid, other.tsid),
              std::make_tuple(9, 262143u, std::uint16_t{3}, std::uint16_t{21}));
    EXPECT_EQ(std::tie(other.frequencyMHz, other.symbolRate, other.modulation),
              std::tie(carrier.frequencyMHz, carrier.symbolRate, carrier.modulation));
    EXPECT_EQ(other.services.size(), 2u);
    EXPECT_TRUE(other.otherStreams.empty());
    EXPECT_EQ(satellite->transponders[1].inputStreamId, -1);
}

TEST(SatellitePlan, ReadsTheOptionalPositionAndNetworkAndDefaultsWithoutThem) {
    const std::string transponder = "transponder,11000,V,27500,DVB-S,QPSK,3/4,0.35,65,1,2\n";
    std::string error;
    const auto plain = ReadSatellitePlan(kHeader + transponder, error);
    ASSERT_TRUE(plain) << error;
    EXPECT_EQ(plain->orbitalTenths, 0);
    EXPECT_EQ(plain->network, "");
    const auto west = ReadSatellitePlan(
        kHeader + transponder + "position,30.0W\nnetwork,\"West, Digital\"\n", error);
    ASSERT_TRUE(west) << error;
    EXPECT_EQ(west->orbitalTenths, -300);
    EXPECT_EQ(west->network, "West, Digital");
    EXPECT_EQ(west->transponders.size(), 1u);
    const auto east = ReadSatellitePlan(std::string(kHeader) + "position,180E\n", error);
    ASSERT_TRUE(east) << error;
    EXPECT_EQ(east->orbitalTenths, 1800);
}

TEST(SatellitePlan, AWrongLineRefusesThePlanAndIsNamed) {
    const std::string good = "transponder,11000,V,27500,DVB-S2,QPSK,3/4,0.25,65,1,2\n";
    const std::pair<std::string, std::string> cases[] = {
        {"transponder,10699,V,27500,DVB-S,QPSK,3/4,0.35,65,1,2",
         "line 4: frequency 10699 out of range"},
        {"transponder,11000,V,45001,DVB-S,QPSK,3/4,0.35,65,1,2",
         "line 4: symbol rate 45001 out of range"},
        {"transponder,11000,V,27500,DVB-S,8PSK,3/4,0.35,65,1,2",
         "line 4: DVB-S has no modulation 8PSK"},
        {"transponder,11000,V,27500,DVB-S2,8PSK,1/2,0.35,65,1,2",
         "line 4: DVB-S2 8PSK has no code rate 1/2"},
        {"transponder,11000,V,27500,DVB-S,QPSK,3/4,0.20,65,1,2",
         "line 4: DVB-S has no roll-off 0.20"},
        {"transponder,11000,V,27500,DVB-S,QPSK,3/4,0.35,65x,1,2", "line 4: power 65x out of range"},
        {"transponder,11000,V,27500,DVB-S,QPSK,3/4,0.35,65,1",
         "line 4: a transponder has 11 fields"},
        {good + "service,0,Zero,tv", "line 5: SID 0 out of range"},
        {good + "service,7,Seven,scrambled", "line 5: kind scrambled is not tv, hd or radio"},
        {good + "service,7,\"Seven,tv", "line 5: unclosed quote"},
        {"service,7,Seven,tv", "line 4: a service before any transponder"},
        {"satellite,Other", "line 4: a second satellite"},
        {"stream,1,0,1,2", "line 4: a stream before any transponder"},
        {good + "stream,256,0,1,2", "line 5: ISI 256 out of range"},
        {good + "stream,1,262144,1,2", "line 5: PLS 262144 out of range"},
        {good + "stream,1,0,1", "line 5: a stream has 5 fields"},
        {good + "stream,1,0,1,2\nstream,1,0,1,3", "line 6: ISI 1 twice on one carrier"},
        {good + "service,7,Seven,tv\nstream,1,0,1,2",
         "line 6: the first stream follows its transponder"},
        {"transponder,11000,V,27500,DVB-S,QPSK,3/4,0.35,65,1,2\nstream,1,0,1,2",
         "line 5: a DVB-S carrier has one stream"},
        {"position,19.2", "line 4: a position is like 19.2E or 30.0W, at most 180.0"},
        {"position,180.1W", "line 4: a position is like 19.2E or 30.0W, at most 180.0"},
        {"position,19.25E", "line 4: a position is like 19.2E or 30.0W, at most 180.0"},
        {"position,-5.0E", "line 4: a position is like 19.2E or 30.0W, at most 180.0"},
        {"position,1E\nposition,2E", "line 5: a second position"},
        {"network,", "line 4: a network has a name"},
        {"network,A\nnetwork,B", "line 5: a second network"},
    };
    for (const auto& [line, why] : cases) {
        std::string error;
        EXPECT_FALSE(ReadSatellitePlan(kHeader + line, error)) << line;
        EXPECT_EQ(error, why);
    }
    std::string error;
    EXPECT_FALSE(ReadSatellitePlan(good, error));
    EXPECT_EQ(error, "line 1: the plan begins with its satellite");
}

}  // namespace
