// Multistream on the test card through the program's own graph and the Linux backend: each
// input stream of the sky's multistream carrier (Helion 10883 V: streams 0, 5 and 12, the last
// behind gold code 8) tunes with its stream id and code, and its recording holds that stream's
// own PAT. Needs a backend that sets the stream id and code on frontends that can take them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "../../guest/StreamTables.h"
#include "TestCardTest.h"

namespace testcard {
namespace {

constexpr std::chrono::seconds kRecordingTime{3};

class MultistreamTest : public TestCardTest {
protected:
    const card::Transponder& Carrier() const {
        const auto& helion = m_sky.positions[0].transponders;
        const auto found = std::find_if(helion.begin(), helion.end(),
                                        [](const auto& t) { return !t.otherStreams.empty(); });
        EXPECT_NE(found, helion.end()) << "no multistream carrier on the first satellite";
        return *found;
    }
};

TEST_F(MultistreamTest, EachInputStreamTunesAndRecordsItsOwnPat) {
    const card::Transponder& carrier = Carrier();
    std::vector<const card::Transponder*> streams{&carrier};
    for (const auto& other : carrier.otherStreams) streams.push_back(&other);
    ASSERT_GE(streams.size(), 3u);
    const auto path = std::filesystem::temp_directory_path() / "orvalen-testcard-multistream.ts";
    for (const card::Transponder* stream : streams) {
        SCOPED_TRACE(testing::Message() << "input stream " << stream->inputStreamId);
        std::filesystem::remove(path);
        auto graph = MakeGraph(1, GraphFlagRecord);
        ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
        ASSERT_EQ(graph->SetRecordFile(path.u16string()), S_OK);
        TuneParameters parameters = SkyChannel{stream, 1, false}.Parameters();
        parameters.system = DVBS_SYSTEM_DVBS2;
        parameters.inputStreamId = stream->inputStreamId;
        parameters.plsCode = static_cast<std::int32_t>(stream->plsCode);
        const std::size_t before = BusLog().size();
        ASSERT_EQ(RequestTune(*graph, parameters), 0);
        ASSERT_TRUE(WaitForCardLock(1, before));
        std::this_thread::sleep_for(kRecordingTime);
        graph.reset();  // the file is complete once the graph is gone
        const vm::StreamTables tables = vm::FindTables(FileBytes(path));
        EXPECT_EQ(tables.patTsid, stream->tsid);
        std::cout << "NOTE: input stream " << stream->inputStreamId << " (gold code "
                  << stream->plsCode << "): PAT of TSID "
                  << (tables.patTsid ? std::to_string(*tables.patTsid) : "none") << "\n";
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace testcard
