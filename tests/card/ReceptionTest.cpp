// Tuning on the default sky: every channel of the example lists locks on its tuner and LNB
// source with a good quality; off frequency, off polarisation, on the wrong satellite or with
// the wrong symbol rate nothing locks; levels sit where the spectrum picture shows them.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "CardTestSupport.h"

namespace cardtest {
namespace {

using namespace card;
using namespace cardkit;

struct ExampleChannel {
    std::string file;
    int tuner = 0;
    std::uint32_t lnbSource = 0;
    std::uint32_t frequencyKHz = 0;
    Polarisation polarisation = BDA_POLARISATION_NOT_SET;
    std::uint32_t symbolRate = 0;
    int tsid = 0;
};

std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.emplace_back();
        else if (c != '\r')
            fields.back() += c;
    }
    return fields;
}

// Reads the example channel lists: files named T<tuner>-LNB<source>-..., FREQ in MHz or kHz.
std::vector<ExampleChannel> ExampleChannels() {
    std::vector<ExampleChannel> channels;
    for (const auto& entry : std::filesystem::directory_iterator(ORVALEN_EXAMPLES_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 6 || name[0] != 'T' || name.find("-LNB") != 2) continue;
        std::ifstream file(entry.path());
        std::string line;
        std::getline(file, line);
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        std::map<std::string, std::size_t> column;
        const auto header = SplitCsv(line);
        for (std::size_t i = 0; i < header.size(); ++i) {
            std::string key = header[i];
            std::transform(key.begin(), key.end(), key.begin(), ::toupper);
            column[key] = i;
        }
        while (std::getline(file, line)) {
            const auto f = SplitCsv(line);
            if (f.size() < header.size()) continue;
            ExampleChannel c;
            c.file = name;
            c.tuner = name[1] - '0';
            c.lnbSource = static_cast<std::uint32_t>(name[6] - '0');
            const auto frequency = std::stoul(f[column["FREQ"]]);
            c.frequencyKHz =
                static_cast<std::uint32_t>(frequency > 100000 ? frequency : frequency * 1000);
            c.polarisation =
                f[column["POL"]] == "H" ? BDA_POLARISATION_LINEAR_H : BDA_POLARISATION_LINEAR_V;
            c.symbolRate = static_cast<std::uint32_t>(std::stoul(f[column["SR"]]));
            c.tsid = std::stoi(f[column["TSID"]]);
            channels.push_back(c);
        }
    }
    return channels;
}

std::int32_t Quality(const TunerHandles& tuner) {
    std::int32_t quality = -1;
    EXPECT_EQ(query<IBDA_SignalStatistics>(tuner.node)->get_SignalQuality(&quality), S_OK);
    return quality;
}

double LevelDb(const TunerHandles& tuner) {
    std::int32_t strength = 0;
    EXPECT_EQ(query<IBDA_SignalStatistics>(tuner.node)->get_SignalStrength(&strength), S_OK);
    return (100000 - strength) / 1000.0;
}

using ReceptionTest = CardTest;

TEST_F(ReceptionTest, EveryExampleChannelLocksWithGoodQualityAndTwentyMegahertzAwayDoesNot) {
    const auto channels = ExampleChannels();
    ASSERT_GT(channels.size(), 200u);
    const std::array<TunerHandles, 2> tuners = {OpenTuner(1), OpenTuner(2)};
    for (const auto& c : channels) {
        const auto& tuner = tuners[static_cast<std::size_t>(c.tuner - 1)];
        ASSERT_EQ(Tune(tuner, c.frequencyKHz, c.polarisation, c.symbolRate, c.lnbSource), S_OK);
        const auto status = m_card->Status(c.tuner);
        ASSERT_NE(status.locked, nullptr) << c.file << " " << c.frequencyKHz;
        EXPECT_EQ(status.locked->tsid, c.tsid) << c.file << " " << c.frequencyKHz;
        EXPECT_GT(Quality(tuner), 50) << c.file << " " << c.frequencyKHz;
        const double level = LevelDb(tuner);
        EXPECT_GT(level, 55.0) << c.file << " " << c.frequencyKHz;
        EXPECT_LT(level, 75.0) << c.file << " " << c.frequencyKHz;

        Tune(tuner, c.frequencyKHz + 20000, c.polarisation, c.symbolRate, c.lnbSource);
        EXPECT_EQ(m_card->Status(c.tuner).locked, nullptr) << c.file << " " << c.frequencyKHz;
        EXPECT_EQ(Quality(tuner), 0);
    }
}

TEST_F(ReceptionTest, LockNeedsPolarisationPositionAndSymbolRateAndToleratesSmallOffsets) {
    const auto tuner = OpenTuner(1);
    // Helion 10773 H 27500 (TSID 11013).
    Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_NE(m_card->Status(1).locked, nullptr);
    Tune(tuner, 10774500, BDA_POLARISATION_LINEAR_H, 27000, 1);
    EXPECT_NE(m_card->Status(1).locked, nullptr) << "1.5 MHz and 2 % off";
    Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_V, 27500, 1);
    EXPECT_EQ(m_card->Status(1).locked, nullptr) << "other polarisation";
    Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 2);
    EXPECT_EQ(m_card->Status(1).locked, nullptr) << "other satellite";
    Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_H, 22000, 1);
    EXPECT_EQ(m_card->Status(1).locked, nullptr) << "other symbol rate";
    // Circular polarisations drive the same LNB voltages.
    Tune(tuner, 10773000, BDA_POLARISATION_CIRCULAR_L, 27500, 1);
    EXPECT_NE(m_card->Status(1).locked, nullptr);
}

// Helion 10883 V 45000 carries three input streams: 0 (TSID 11026), 5 (11201) and 12 (11202),
// the last behind the gold code 8.
TEST_F(ReceptionTest, AMultistreamCarrierGivesTheStreamAskedForAndNothingElse) {
    const auto tuner = OpenTuner(1);
    const auto stream = query<IBDA_StreamSelection>(tuner.node);
    const auto tsidFor = [&](DvbsSystem system, std::int32_t id, std::int32_t code) {
        stream->put_SignalSystem(system);
        stream->put_InputStreamId(id);
        stream->put_PlsCode(code);
        EXPECT_EQ(Tune(tuner, 10883000, BDA_POLARISATION_LINEAR_V, 45000, 1), S_OK);
        const Transponder* locked = m_card->Status(1).locked;
        return locked ? locked->tsid : -1;
    };
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_NOT_SET, kInputStreamNotSet, kPlsCodeNotSet), 11026)
        << "the first stream without an id";
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_DVBS2, 0, 0), 11026);
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_NOT_SET, 5, kPlsCodeNotSet), 11201);
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_DVBS2, 12, 8), 11202);
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_DVBS2, 7, kPlsCodeNotSet), -1) << "a stream it does not carry";
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_DVBS2, 12, kPlsCodeNotSet), -1) << "its code not given";
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_DVBS2, 12, 9), -1) << "the wrong code";
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_DVBS2, 5, 8), -1) << "a code the stream does not use";
    EXPECT_EQ(tsidFor(DVBS_SYSTEM_DVBS, 5, kPlsCodeNotSet), -1) << "the wrong system";
    EXPECT_EQ(Quality(tuner), 0);

    // A single-stream carrier ignores the id, but not the system or the code.
    const auto helion10773 = [&](DvbsSystem system, std::int32_t id, std::int32_t code) {
        stream->put_SignalSystem(system);
        stream->put_InputStreamId(id);
        stream->put_PlsCode(code);
        Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
        return m_card->Status(1).locked != nullptr;
    };
    EXPECT_TRUE(helion10773(DVBS_SYSTEM_DVBS, 3, kPlsCodeNotSet));
    EXPECT_FALSE(helion10773(DVBS_SYSTEM_DVBS2, kInputStreamNotSet, kPlsCodeNotSet));
    EXPECT_FALSE(helion10773(DVBS_SYSTEM_NOT_SET, kInputStreamNotSet, 1));
}

TEST_F(ReceptionTest, UnlockedLevelIsTheNoiseFloorAndAnImpossibleTuneIsRefused) {
    const auto tuner = OpenTuner(2);
    // A gap in Helion's vertical plan, halfway between two horizontal carriers.
    Tune(tuner, 11191000, BDA_POLARISATION_LINEAR_V, 27500, 1);
    EXPECT_EQ(Quality(tuner), 0);
    EXPECT_GT(LevelDb(tuner), 33.0);
    EXPECT_LT(LevelDb(tuner), 40.0);
    // 10600 MHz would be 850 MHz at the tuner input, below what it can reach.
    EXPECT_EQ(Tune(tuner, 10600000, BDA_POLARISATION_LINEAR_H, 27500, 1),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_NEAR(m_card->Status(2).tunedIfMHz, 1441.0, 1e-9);
}

// Pulled out at the request its configuration names, the card answers as a real one whose
// adapter is gone: tunes, DiSEqC messages and spectrum steps are refused as not connected, the
// meters read nothing and the stream ends.
TEST_F(ReceptionTest, ACardPulledOutRefusesEveryRequestAsNotConnected) {
    CardConfig config = TestCardConfig();
    config.unplug = UnplugPoint{UnplugPoint::Request::Tune, 2};
    Install(config);
    const auto tuner = OpenTuner(1);
    ASSERT_EQ(Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1), S_OK);
    EXPECT_GT(Quality(tuner), 0);
    EXPECT_EQ(m_card->MeasureSpectrumStep(2, 950'000'000, 50), S_OK);
    EXPECT_NE(m_card->CurrentReception(1).transponder, nullptr);

    EXPECT_EQ(Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1),
              HRESULT_ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(Quality(tuner), 0);
    EXPECT_EQ(m_card->SignalStrength(1), 0);
    EXPECT_EQ(m_card->CurrentReception(1).transponder, nullptr);
    EXPECT_EQ(m_card->MeasureSpectrumStep(2, 950'000'000, 50), HRESULT_ERROR_DEVICE_NOT_CONNECTED);
    const std::uint8_t reset[] = {0xE0, 0x00, 0x00};
    EXPECT_EQ(m_card->SendDiseqc(2, reset), HRESULT_ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(ReceptionTest, ReadingsAreLiveButRepeatableWithTheSameSeed) {
    auto readings = [this] {
        Install(TestCardConfig());
        const auto tuner = OpenTuner(1);
        Tune(tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
        std::vector<double> levels;
        for (int i = 0; i < 5; ++i) levels.push_back(LevelDb(tuner));
        return levels;
    };
    const auto first = readings();
    EXPECT_EQ(first, readings());
    EXPECT_NE(first[0], first[1]);
}

}  // namespace
}  // namespace cardtest
