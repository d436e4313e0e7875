// A DVB-S2 multistream carrier (the simulated sky's Helion 10883 V: streams 0, 5 and 12, the
// last behind gold code 8) on a frontend that picks input streams: each stream tunes and its
// dvr carries that stream's own PAT; a stream the carrier lacks, or a wrong code, gives no
// lock. A frontend without FE_CAN_MULTISTREAM refuses such tunes.
#include <fcntl.h>

#include <algorithm>

#include "TunerFixture.h"
#include "card/InputStream.h"
#include "card/PsiSections.h"

namespace linuxdvb_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint32_t kCarrierMHz = 10883;
constexpr std::uint32_t kCarrierIfKHz = (kCarrierMHz - 9750) * 1000;

const card::Transponder& Carrier() {
    static const card::Sky sky = card::DefaultSky();
    const auto& all = sky.positions[0].transponders;
    return *std::find_if(all.begin(), all.end(), [](const card::Transponder& t) {
        return t.frequencyMHz == kCarrierMHz &&
               t.polarisation == card::LinearPolarisation::Vertical;
    });
}

// The stream a demodulator tuned as `tuned` gets from the carrier, by the simulated card's
// rules; none off the carrier's frequency or modulation.
const card::Transponder* Received(const Tuned& tuned) {
    if (tuned.frequencyKHz != kCarrierIfKHz || tuned.modulation != PSK_8) return nullptr;
    cardkit::TuningSettings settings;
    settings.system = tuned.system == SYS_DVBS2 ? DVBS_SYSTEM_DVBS2 : DVBS_SYSTEM_DVBS;
    if (tuned.streamId != NO_STREAM_ID_FILTER)
        settings.inputStreamId = static_cast<std::int32_t>(tuned.streamId);
    settings.plsCode = static_cast<std::int32_t>(tuned.plsCode);
    return card::ReceivedStream(Carrier(), settings);
}

// One transport packet holding `stream`'s PAT.
std::vector<std::uint8_t> PatPacket(const card::Transponder& stream) {
    std::vector<std::uint8_t> packet{0x47, 0x40, 0x00, 0x10, 0x00};
    const auto pat = card::MakePat(stream.tsid, {});
    packet.insert(packet.end(), pat.begin(), pat.end());
    packet.resize(188, 0xFF);
    return packet;
}

FrontendModel CarrierModel(bool multistream) {
    FrontendModel model;
    model.multistream = multistream;
    model.keepsStreamFilter = true;
    model.locks = [](const Tuned& t) { return Received(t) != nullptr; };
    model.delivers = [](const Tuned& t) { return PatPacket(*Received(t)); };
    return model;
}

class Multistream : public TunerFixture {
protected:
    Multistream() : TunerFixture(CarrierModel(true)) {
        dvr = kernel->Open(scan.frontends.at(0).dvrPath, O_RDONLY | O_NONBLOCK);
    }
    ~Multistream() override { kernel->Close(dvr); }

    static cardkit::TuningSettings Stream(std::int32_t id, std::int32_t pls = kPlsCodeNotSet) {
        auto settings = Settings(kCarrierMHz * 1000, BDA_POLARISATION_LINEAR_V, 1, 45000);
        settings.inputStreamId = id;
        settings.plsCode = pls;
        return settings;
    }
    // The transport stream id of the PAT the dvr carries since the last look; -1 for none.
    int RecordedTsid() {
        std::vector<std::uint8_t> packet(188);
        int tsid = -1;
        while (kernel->Read(dvr, packet.data(), packet.size()) == 188)
            tsid = packet[8] << 8 | packet[9];
        return tsid;
    }

    int dvr = -1;
};

TEST_F(Multistream, EachStreamTunesAndRecordsItsOwnPat) {
    EXPECT_EQ(driver->CommitTune(Stream(0)), S_OK);
    EXPECT_GT(driver->SignalQuality(), 0);
    EXPECT_EQ(RecordedTsid(), 11026);
    EXPECT_THAT(Tunes(), ElementsAre("tune DVBS2 8PSK 1133000 kHz 45000000 sym/s stream 0"));

    EXPECT_EQ(driver->CommitTune(Stream(5)), S_OK);
    EXPECT_GT(driver->SignalQuality(), 0);
    EXPECT_EQ(RecordedTsid(), 11201);

    EXPECT_EQ(driver->CommitTune(Stream(12, 8)), S_OK);
    EXPECT_GT(driver->SignalQuality(), 0);
    EXPECT_EQ(RecordedTsid(), 11202);
    EXPECT_THAT(Tunes(), Contains("tune DVBS2 8PSK 1133000 kHz 45000000 sym/s stream 12 pls 8"));
}

TEST_F(Multistream, AStreamTheCarrierLacksOrAWrongCodeGivesNoLock) {
    for (const auto& settings : {Stream(7), Stream(12), Stream(5, 8)}) {
        driver->CommitTune(settings);
        EXPECT_EQ(driver->SignalQuality(), 0);
        EXPECT_EQ(RecordedTsid(), -1);
    }
}

// Without its stream id a tune would keep the previous tune's stream filter.
TEST_F(Multistream, ATuneNamingNoStreamClearsThePreviousOne) {
    driver->CommitTune(Stream(5));
    RecordedTsid();
    Take();
    EXPECT_EQ(driver->CommitTune(Stream(kInputStreamNotSet)), S_OK);
    EXPECT_EQ(RecordedTsid(), 11026);  // the carrier's first stream
    EXPECT_THAT(Tunes(), Contains("tune DVBS2 8PSK 1133000 kHz 45000000 sym/s stream any"));
}

class SingleStreamFrontend : public TunerFixture {
protected:
    SingleStreamFrontend() : TunerFixture(CarrierModel(false)) {}
};

TEST_F(SingleStreamFrontend, RefusesATuneThatNamesAStreamAndSaysWhy) {
    std::vector<std::string> told;
    driver->SetNoticeObserver([&](const std::string& text) { told.push_back(text); });
    auto settings = Settings(kCarrierMHz * 1000, BDA_POLARISATION_LINEAR_V, 1, 45000);
    ASSERT_EQ(driver->CommitTune(settings), S_OK);  // the first stream, unfiltered
    EXPECT_THAT(Tunes(), Contains("tune DVBS2 8PSK 1133000 kHz 45000000 sym/s"));

    settings.plsCode = 8;
    EXPECT_EQ(driver->CommitTune(settings), HRESULT_ERROR_NOT_SUPPORTED);
    EXPECT_THAT(Tunes(), IsEmpty());
    EXPECT_EQ(driver->SignalQuality(), 0);  // the old lock is not this tune's
    ASSERT_EQ(told.size(), 1u);
    EXPECT_THAT(told[0], ::testing::HasSubstr("FE_CAN_MULTISTREAM"));
}

}  // namespace
}  // namespace linuxdvb_test
