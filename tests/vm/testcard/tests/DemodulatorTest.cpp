// The test card's demodulator reads the kernel's tune as a real DVB-S2 one does: no stream id
// filter gives a multistream carrier's first stream, a stream id its own stream (with that
// stream's gold code, the kernel's default sequence 0 otherwise), and the system named must be
// the carrier's.
#include <gtest/gtest.h>
#include <linux/dvb/frontend.h>

#include <algorithm>

#include "daemon/Demodulator.h"

namespace testcard {
namespace {

// Helion 10883 V: input streams 0 (TSID 11026), 5 (11201) and 12 (11202, gold code 8).
const card::Transponder& Multistream(const card::Sky& sky) {
    const auto& helion = sky.positions[0].transponders;
    return *std::find_if(helion.begin(), helion.end(),
                         [](const card::Transponder& t) { return t.frequencyMHz == 10883; });
}

int TsidFor(const card::Transponder& carrier, std::uint32_t system, std::uint32_t streamId,
            std::uint32_t goldCode) {
    kcard_tune request{};
    request.delivery_system = system;
    request.stream_id = streamId;
    request.scrambling_sequence_index = goldCode;
    const card::Transponder* stream = Demodulate(carrier, request);
    return stream ? stream->tsid : -1;
}

TEST(DemodulatorTest, TheKernelsStreamIdAndGoldCodePickTheStream) {
    const card::Sky sky = card::DefaultSky();
    const card::Transponder& carrier = Multistream(sky);
    EXPECT_EQ(TsidFor(carrier, SYS_DVBS2, NO_STREAM_ID_FILTER, 0), 11026);
    EXPECT_EQ(TsidFor(carrier, SYS_DVBS2, 5, 0), 11201);
    EXPECT_EQ(TsidFor(carrier, SYS_DVBS2, 12, 8), 11202);
    EXPECT_EQ(TsidFor(carrier, SYS_DVBS2, 0x100 | 5, 0), 11201) << "only the low byte is the id";
    EXPECT_EQ(TsidFor(carrier, SYS_DVBS2, 7, 0), -1) << "a stream the carrier lacks";
    EXPECT_EQ(TsidFor(carrier, SYS_DVBS2, 12, 0), -1) << "the wrong gold code";
    EXPECT_EQ(TsidFor(carrier, SYS_DVBS, 5, 0), -1) << "the wrong system";
}

}  // namespace
}  // namespace testcard
