// dvbv5 channel files: a file as dvbv5-scan writes one, what is left out and why, the keys said
// once, and a list exported and imported again giving the same channels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChannelValues.h"
#include "channels/Dvbv5ChannelFile.h"

namespace orvalen::test {
namespace {

// Written for these tests in the shape of a dvbv5-scan run on a Ku-band dish.
constexpr std::string_view kScan =
    "[Helion Eins HD]\n"
    "\tSERVICE_ID = 10301\n"
    "\tNETWORK_ID = 318\n"
    "\tTRANSPORT_ID = 1103\n"
    "\tVIDEO_PID = 5101\n"
    "\tAUDIO_PID = 5102 5103\n"
    "\tPID_06 = 5104\n"
    "\tFREQUENCY = 11362000\n"
    "\tPOLARIZATION = HORIZONTAL\n"
    "\tSYMBOL_RATE = 22000000\n"
    "\tINNER_FEC = 2/3\n"
    "\tMODULATION = PSK/8\n"
    "\tPILOT = AUTO\n"
    "\tROLLOFF = 35\n"
    "\tINVERSION = AUTO\n"
    "\tSTREAM_ID = -1\n"
    "\tDELIVERY_SYSTEM = DVBS2\n"
    "\tLNB = UNIVERSAL\n"
    "\tSAT_NUMBER = 0\n"
    "\n"
    "# a remark\r\n"
    "[Radio Kestrel]\r\n"
    "\tservice_id = 10310\r\n"
    "\tFREQUENCY = 12188000\r\n"
    "\tPOLARIZATION = vertical\r\n"
    "\tSYMBOL_RATE = 27500000\r\n"
    "\tDELIVERY_SYSTEM = DVBS\r\n"
    "\tLNB = UNIVERSAL\r\n"
    "[Feed 3]\n"
    "\tSERVICE_ID = 3\n"
    "\tFREQUENCY = 10883000\n"
    "\tPOLARIZATION = VERTICAL\n"
    "\tSYMBOL_RATE = 7199\n"
    "\tDELIVERY_SYSTEM = DVBS2\n"
    "\tSTREAM_ID = 3\n"
    "\tSCRAMBLING_SEQUENCE_INDEX = 8\n"
    "[CHANNEL]\n"
    "\tSERVICE_ID = 77\n"
    "\tFREQUENCY = 10994000\n"
    "\tPOLARIZATION = LEFT\n"
    "\tSYMBOL_RATE = 27499000\n";

TEST(Dvbv5ChannelFile, AScanGivesItsSatelliteChannels) {
    ConversionNotes notes;
    const std::vector<ChannelRecord> channels = ReadDvbv5ChannelFile(kScan, notes);
    EXPECT_EQ(
        TuningOf(channels),
        (std::vector<Tuning>{
            {"Helion Eins HD", 11362000, 1, 22000, 318, 1103, 10301, kSystemDvbs2, -1, -1},
            {"Radio Kestrel", 12188000, 2, 27500, -1, -1, 10310, kSystemDvbs, -1, -1},
            {"Feed 3", 10883000, 2, 7, -1, -1, 3, kSystemDvbs2, 3, 8},
            {"Service 77 on 10994 MHz", 10994000, 3, 27499, -1, -1, 77, kSystemEither, -1, -1}}));
    EXPECT_EQ(notes.lines(),
              (std::vector<std::string>{
                  "18: LNB ignored: the satellite list gives the LNB and the DiSEqC position",
                  "19: SAT_NUMBER ignored: the satellite list gives the LNB and the DiSEqC "
                  "position",
                  "29: SYMBOL_RATE 7199 rounded to 7 ksymbol/s",
                  "37: an entry without a name, named \"Service 77 on 10994 MHz\""}));
    EXPECT_TRUE(IsDvbv5ChannelFile(kScan));
    EXPECT_FALSE(IsDvbv5ChannelFile("# remark\nName:11836:H:S19.2E:27500:0:0:0:0:1:1:1:0\n"));
}

TEST(Dvbv5ChannelFile, EachEntryLeftOutIsSaidWithItsLine) {
    constexpr std::string_view kFile =
        "STRAY = 1\n"
        "[Terrestrial]\n"
        "\tDELIVERY_SYSTEM = DVBT2\n"
        "\tFREQUENCY = 506000000\n"
        "[No pol]\n"
        "\tFREQUENCY = 11836000\n"
        "\tSYMBOL_RATE = 27500000\n"
        "[Off]\n"
        "\tFREQUENCY = 11836000\n"
        "\tSYMBOL_RATE = 27500000\n"
        "\tPOLARIZATION = OFF\n"
        "[Text]\n"
        "\tFREQUENCY = 11.8GHz\n"
        "[Packed]\n"
        "\tFREQUENCY = 11836000\n"
        "\tSYMBOL_RATE = 27500000\n"
        "\tPOLARIZATION = HORIZONTAL\n"
        "\tSTREAM_ID = 67108864\n"
        "\tno equals sign\n"
        "[Huge]\n"
        "\tFREQUENCY = 99999999999\n";
    ConversionNotes notes;
    EXPECT_TRUE(ReadDvbv5ChannelFile(kFile, notes).empty());
    EXPECT_EQ(notes.lines(),
              (std::vector<std::string>{
                  "1: ignored, a value outside any entry",
                  "2: [Terrestrial] left out: delivery system DVBT2 is not DVB-S or DVB-S2",
                  "5: [No pol] left out: no POLARIZATION", "8: [Off] left out: POLARIZATION OFF",
                  "12: [Text] left out: FREQUENCY \"11.8GHz\" is not a number",
                  "19: ignored, not KEY = VALUE",
                  "14: [Packed] left out: STREAM_ID 67108864 is no input stream id (0-255)",
                  "20: [Huge] left out: FREQUENCY \"99999999999\" is not a number"}));
}

TEST(Dvbv5ChannelFile, TheLargestSymbolRateRoundsWithoutWrappingAround) {
    ConversionNotes notes;
    const std::vector<ChannelRecord> channels = ReadDvbv5ChannelFile(
        "[Wide]\nFREQUENCY = 11836000\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = 4294967295\n", notes);
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].symbolRate, 4294967);
}

TEST(Dvbv5ChannelFile, AListExportedAndImportedAgainGivesTheSameChannels) {
    std::vector<ChannelRecord> channels = {
        Channel(u"One", 11836000, 1, 27500, 1, 1089, 28006, kSystemDvbs),
        Channel(u"Two, with comma", 10883000, 2, 7200, 0, 0, 0, kSystemDvbs2, 3, 8),
        Channel(u"Either \u00e9", 12188000, 3, 22000, -1, -1, -1),
        Channel(u"Odd kHz", 11836500, 4, 1, 65535, 65535, 65535, kSystemDvbs2, 0, 0),
    };
    ConversionNotes notes;
    const std::string file = WriteDvbv5ChannelFile(channels, notes);
    EXPECT_EQ(notes.lines(), (std::vector<std::string>{
                                 "no DELIVERY_SYSTEM written for the 1 channel(s) without SYS: "
                                 "the dvbv5 tools use the frontend's current one"}));
    ConversionNotes readNotes;
    const std::vector<ChannelRecord> back = ReadDvbv5ChannelFile(file, readNotes);
    EXPECT_EQ(TuningOf(back), TuningOf(channels));
    EXPECT_TRUE(readNotes.lines().empty());
    // And on into the program's own list.
    ConversionNotes listNotes;
    EXPECT_EQ(TuningOf(WrittenAndRead(back, listNotes)), TuningOf(channels));
}

TEST(Dvbv5ChannelFile, ANameThatCannotOpenAnEntryIsChangedAndSaid) {
    const std::vector<ChannelRecord> channels = {
        Channel(u"[Bracketed] two\nlines", 11836000, 1, 27500, -1, -1, -1, kSystemDvbs)};
    ConversionNotes notes;
    const std::string file = WriteDvbv5ChannelFile(channels, notes);
    EXPECT_EQ(file.substr(0, file.find('\n')), "[[Bracketed) two lines]");
    ConversionNotes readNotes;
    EXPECT_EQ(*ReadDvbv5ChannelFile(file, readNotes).at(0).name, u"[Bracketed) two lines");
    EXPECT_EQ(notes.lines().size(), 1u);
}

}  // namespace
}  // namespace orvalen::test
