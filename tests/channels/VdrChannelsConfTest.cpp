// VDR's channels.conf: an excerpt as VDR keeps one, the lines left out and why, the names'
// parts, and a list exported and imported again giving the same channels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChannelValues.h"
#include "channels/VdrChannelsConf.h"

namespace orvalen::test {
namespace {

// Written for these tests in the shape of a VDR installation's channels.conf.
constexpr std::string_view kConf =
    ":Helion 19.2E\n"
    "Helion Eins HD,H1 HD;Helion Media:11362:HC23M5O35S1:S19.2E:22000:5101=27:5102=deu@3:"
    "5104:0:10301:318:1103:0\n"
    "Radio Kestrel;ARD|Nord:12188:vC34S0:S19.2E:27500:0:1021=deu:0:0:10310:1:1101:0\n"
    "News 24|7:10994:hS0:S19.2E:27500:101:102:0:1702,1833:31:1:1001:0\r\n"
    "\n"
    ":Feeds\n"
    "Feed 3,:10883:VC56M5O20P3S1X9:S19.2E:7200:0:0:0:0:0:0:0:0\n"
    "Kanal T:506000:B8C23D12G8M64S1T8Y0:T:27500:101:102:0:0:1:8468:1:0\n"
    "Cable:346000:M256:C:6900:101:102:0:0:1:1:1:0\n"
    "Short:11836:H:S19.2E:27500\n"
    "Weird:11836:H?:S19.2E:27500:0:0:0:0:1:1:1:0\n"
    "Gen3:11836:HS2:S19.2E:27500:0:0:0:0:1:1:1:0\n"
    "Far:11836:H:S13E:27500:0:0:0:0:1:70000:1:0\n"
    "West:11012:L:S30W:30000:0:0:0:0:1:2:3:0\n";

TEST(VdrChannelsConf, AnExcerptGivesItsSatelliteChannels) {
    ConversionNotes notes;
    const std::vector<ChannelRecord> channels = ReadVdrChannelsConf(kConf, notes);
    EXPECT_EQ(TuningOf(channels),
              (std::vector<Tuning>{
                  {"Helion Eins HD", 11362000, 1, 22000, 318, 1103, 10301, kSystemDvbs2, -1, -1},
                  {"Radio Kestrel", 12188000, 2, 27500, 1, 1101, 10310, kSystemDvbs, -1, -1},
                  {"News 24:7", 10994000, 1, 27500, 1, 1001, 31, kSystemDvbs, -1, -1},
                  {"Feed 3", 10883000, 2, 7200, -1, -1, -1, kSystemDvbs2, 3, -1},
                  {"West", 11012000, 3, 30000, 2, 3, 1, kSystemEither, -1, -1}}));
    EXPECT_EQ(*channels[0].comment, u"Helion Media");
    EXPECT_EQ(*channels[1].comment, u"ARD:Nord");
    EXPECT_FALSE(channels[2].comment.has_value());
    EXPECT_EQ(
        notes.lines(),
        (std::vector<std::string>{
            "2: source S19.2E ignored: the satellite list gives the LNB and the DiSEqC "
            "position",
            "8: left out: source \"T\" is not a satellite",
            "9: left out: source \"C\" is not a satellite", "10: left out: not a channel line",
            "11: left out: parameters \"H?\" do not parse",
            "12: left out: system S2 is not DVB-S or DVB-S2",
            "13: left out: SID, NID or TID does not parse",
            "14: source S30W ignored: the satellite list gives the LNB and the DiSEqC "
            "position"}));
}

TEST(VdrChannelsConf, AListExportedAndImportedAgainGivesTheSameChannels) {
    const std::vector<ChannelRecord> channels = {
        Channel(u"One", 11836000, 1, 27500, 1, 1089, 28006, kSystemDvbs),
        Channel(u"Two, with comma", 10883000, 2, 7200, 2, 3, 4, kSystemDvbs2, 3),
        Channel(u"Time: 24/7", 12188000, 3, 22000, -1, -1, -1),
        Channel(u"\u00c9cran", 11012000, 4, 30000, 65535, 65535, 65535, kSystemDvbs2, 0),
    };
    ConversionNotes notes;
    const std::string conf = WriteVdrChannelsConf(channels, "S19.2E", notes);
    EXPECT_EQ(conf.substr(0, conf.find('\n')), "One:11836:HS0:S19.2E:27500:0:0:0:0:28006:1:1089:0");
    EXPECT_TRUE(notes.lines().empty());
    ConversionNotes readNotes;
    const std::vector<ChannelRecord> back = ReadVdrChannelsConf(conf, readNotes);
    EXPECT_EQ(TuningOf(back), TuningOf(channels));
    ConversionNotes listNotes;
    EXPECT_EQ(TuningOf(WrittenAndRead(back, listNotes)), TuningOf(channels));
}

TEST(VdrChannelsConf, WhatVdrCannotHoldIsSaid) {
    const std::vector<ChannelRecord> channels = {
        Channel(u"A;B|C", 11836000, 1, 27500),
        Channel(u"Coded", 10883500, 2, 7200, -1, -1, -1, kSystemDvbs2, 3, 8),
    };
    ConversionNotes notes;
    const std::string conf = WriteVdrChannelsConf(channels, "S19.2E", notes);
    ConversionNotes readNotes;
    const std::vector<ChannelRecord> back = ReadVdrChannelsConf(conf, readNotes);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(*back[0].name, u"A,B/C");
    EXPECT_EQ(back[1].frequencyKHz, 10884000u);
    EXPECT_EQ(back[1].plsCode, -1);
    EXPECT_EQ(notes.lines().size(), 3u);
    EXPECT_TRUE(Said(notes, "\"A;B|C\": VDR cannot hold"));
    EXPECT_TRUE(Said(notes, "\"Coded\": scrambling code 8 not written"));
    EXPECT_TRUE(Said(notes, "\"Coded\": 10883500 kHz rounded to whole MHz"));
}

}  // namespace
}  // namespace orvalen::test
