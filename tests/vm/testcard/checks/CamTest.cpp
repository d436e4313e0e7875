// The CI slot of the test card through the kernel's CA core and the program's CAM stack: the
// module is named, its menu walks to the PIN enquiry and back, a scrambled service records
// clear with the CI on and scrambled in bypass, and one module descrambles the programmes of
// both tuners at once.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "../../../faults/RecordingCheck.h"
#include "../../../tuner/worker_fixture.h"
#include "TestCardTest.h"
#include "card/TransportStreamGenerator.h"

namespace testcard {
namespace {

constexpr std::chrono::seconds kRecordingTime{6};
constexpr const char* kCamName = "Kestrel CAM";

struct Object {
    std::uint32_t id = 0, type = 0, count = 0;
};

// Of the packets of `pid` in `bytes`: how many, and how many of the last half are clear.
struct PidCount {
    std::size_t packets = 0;
    std::size_t lastHalfClear = 0;
    std::size_t lastHalf = 0;
};

PidCount CountPid(const std::vector<std::uint8_t>& bytes, std::uint16_t pid) {
    std::vector<bool> clear;
    for (std::size_t at = 0; at + 188 <= bytes.size(); at += 188) {
        const std::uint8_t* p = &bytes[at];
        if (((p[1] & 0x1F) << 8 | p[2]) == pid) clear.push_back((p[3] & 0xC0) == 0);
    }
    PidCount count{clear.size()};
    for (std::size_t i = clear.size() / 2; i < clear.size(); ++i) {
        ++count.lastHalf;
        count.lastHalfClear += clear[i] ? 1 : 0;
    }
    return count;
}

class CamTest : public TestCardTest {
protected:
    std::string Name(TunerGraph& graph) {
        std::array<std::uint8_t, kCamNameSize> name{};
        if (FAILED(graph.GetCamName(name))) return {};
        return reinterpret_cast<const char*>(name.data());
    }
    Object Get(TunerGraph& graph) {
        Object o;
        std::uint32_t length = 0;
        std::array<std::uint8_t, kMmiTextSize> text{};
        if (FAILED(graph.MmiGet(&o.id, &o.type, &o.count, &length, text.data()))) return {};
        return o;
    }
    // The next object other than `previous`, within the bounded wait.
    Object Next(TunerGraph& graph, std::uint32_t previous) {
        Object o;
        EXPECT_TRUE(worker_test::WaitUntil([&] {
            o = Get(graph);
            return o.id != 0 && o.id != previous;
        }));
        return o;
    }
    // Records `channel` on `tuner` for kRecordingTime; the file's bytes.
    std::vector<std::uint8_t> Record(int tuner, const SkyChannel& channel, std::uint32_t flags);
    bool WaitForName(TunerGraph& graph) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Name(graph) == kCamName) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
};

TEST_F(CamTest, NamedAndItsMenuWalksToThePinEnquiryAndBack) {
    auto graph = MakeGraph(1);
    ASSERT_EQ(static_cast<int>(graph->m_ready), 1);
    ASSERT_TRUE(WaitForName(*graph)) << "named '" << Name(*graph) << "'";

    ASSERT_EQ(graph->MmiOpen(), S_OK);
    const Object main = Next(*graph, 0);
    EXPECT_EQ(main.type, 1u);
    EXPECT_EQ(main.count, 4u);
    ASSERT_EQ(graph->MmiAnswerMenu(main.id, 2), S_OK);
    const Object pin = Next(*graph, main.id);
    EXPECT_EQ(pin.type, 3u);
    EXPECT_EQ(pin.count, 4u);
    ASSERT_EQ(graph->MmiAnswerEnquiry(pin.id, nullptr, 0), S_OK);  // cancel: back to the menu
    const Object back = Next(*graph, pin.id);
    EXPECT_EQ(back.type, 1u);
    EXPECT_EQ(back.count, main.count);
    ASSERT_EQ(graph->MmiAnswerMenu(back.id, 0), S_OK);  // leave: the module ends the dialogue
    EXPECT_TRUE(worker_test::WaitUntil([&] { return Get(*graph).id == 0; }));
}

std::vector<std::uint8_t> CamTest::Record(int tuner, const SkyChannel& channel,
                                          std::uint32_t flags) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("orvalen-testcard-cam" + std::to_string(tuner) + ".ts");
    std::filesystem::remove(path);
    auto graph = MakeGraph(tuner, GraphFlagRecord | flags);
    EXPECT_EQ(static_cast<int>(graph->m_ready), 1);
    EXPECT_TRUE(WaitForName(*graph));
    EXPECT_EQ(graph->SetRecordFile(path.u16string()), S_OK);
    const std::size_t before = BusLog().size();
    EXPECT_EQ(graph->RequestTune(channel.Parameters()), 0);
    EXPECT_TRUE(WaitForCardLock(tuner, before));
    std::this_thread::sleep_for(kRecordingTime);
    graph.reset();
    std::vector<std::uint8_t> bytes = FileBytes(path);
    std::filesystem::remove(path);
    return bytes;
}

// The tune request's service never reaches the driver: the backend asks the module for every
// scrambled service of the transponder, and withdraws them when the graph goes, so the bypass
// recording after it finds nothing descrambled.
TEST_F(CamTest, AScrambledServiceRecordsClearWithTheCiAndScrambledInBypass) {
    const SkyChannel channel = ScrambledChannel(1);
    const std::uint16_t video = card::VideoPid(channel.service);

    const std::vector<std::uint8_t> through = Record(1, channel, 0);
    EXPECT_TRUE(CheckRecording(through).Sound());
    const PidCount clear = CountPid(through, video);
    ASSERT_GT(clear.lastHalf, 10u);
    EXPECT_EQ(clear.lastHalfClear, clear.lastHalf);

    const PidCount bypass = CountPid(Record(1, channel, GraphFlagCiBypass), video);
    ASSERT_GT(bypass.lastHalf, 10u);
    EXPECT_EQ(bypass.lastHalfClear, 0u);
}

TEST_F(CamTest, OneModuleDescramblesAProgrammeForEachTunerAtOnce) {
    // A CA device serves the tuners of its own adapter: with the tuners on two adapters, the
    // card's one CI slot (on the first) is tuner 1's alone.
    if (m_card->FrontendOf(1).adapterPath != m_card->FrontendOf(2).adapterPath) {
        std::cout << "NOTE: the CI slot is tuner 1's alone with the tuners on two adapters\n";
        GTEST_SKIP() << "tuner 2 has no CI slot on its adapter";
    }
    const std::array<SkyChannel, 2> channels{ScrambledChannel(1), ScrambledChannel(3)};
    std::array<std::filesystem::path, 2> paths;
    std::array<std::unique_ptr<TunerGraph>, 2> graphs;
    const std::size_t before = BusLog().size();
    for (int i = 0; i < 2; ++i) {
        paths[i] = std::filesystem::temp_directory_path() /
                   ("orvalen-testcard-two" + std::to_string(i + 1) + ".ts");
        std::filesystem::remove(paths[i]);
        graphs[i] = MakeGraph(i + 1, GraphFlagRecord);
        ASSERT_EQ(static_cast<int>(graphs[i]->m_ready), 1);
        ASSERT_TRUE(WaitForName(*graphs[i]));
        ASSERT_EQ(graphs[i]->SetRecordFile(paths[i].u16string()), S_OK);
        ASSERT_EQ(graphs[i]->RequestTune(channels[i].Parameters()), 0);
    }
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(WaitForCardLock(i + 1, before)) << "tuner " << i + 1;
    std::this_thread::sleep_for(kRecordingTime);
    const std::string status = Ask("status");
    for (auto& graph : graphs) graph.reset();

    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::Message() << "tuner " << i + 1);
        const PidCount count = CountPid(FileBytes(paths[i]), card::VideoPid(channels[i].service));
        ASSERT_GT(count.lastHalf, 10u);
        EXPECT_EQ(count.lastHalfClear, count.lastHalf);
        std::filesystem::remove(paths[i]);
    }
    // Every scrambled service of both transponders, each tuner's entries beside the other's.
    std::size_t scrambled = 0;
    for (const SkyChannel& channel : channels)
        for (const card::Service& service : channel.transponder->services)
            scrambled += service.scrambled ? 1 : 0;
    EXPECT_TRUE(status.ends_with(" descrambling " + std::to_string(scrambled))) << status;
}

}  // namespace
}  // namespace testcard
