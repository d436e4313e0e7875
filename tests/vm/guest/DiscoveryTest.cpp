// Discovery: vidtv's one satellite frontend becomes tuner 1, found by the program exactly as it
// finds any driver's devices; there is no tuner 2; orvalen-devices lists the frontend.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "VidtvCardTest.h"

namespace vm {
namespace {

using DiscoveryTest = VidtvCardTest;

TEST_F(DiscoveryTest, VidtvsFrontendIsTheCardsOnlyTuner) {
    ASSERT_TRUE(m_card);
    ASSERT_EQ(m_card->TunerCount(), 1);
    EXPECT_EQ(m_card->FrontendOf(1).frontendPath, kVidtvFrontend);
    EXPECT_TRUE(m_card->FrontendOf(1).dvbs2);
}

// Both graphs built one after the other, as Create all builds them.
TEST_F(DiscoveryTest, TunerOnesGraphIsReadyAndTunerTwosIsNot) {
    const auto start = std::chrono::steady_clock::now();
    const auto first = MakeGraph(1);
    const auto second = MakeGraph(2);
    NoteTime("Create all to both graphs built (tuner 2 has no frontend here)",
             std::chrono::steady_clock::now() - start);
    EXPECT_EQ(static_cast<int>(first->m_ready), 1);
    EXPECT_EQ(static_cast<int>(second->m_ready), 0);
}

// The program's own listing, run as a person would run it while nothing else holds the card.
TEST(DevicesTool, ListsVidtvsFrontend) {
    const std::filesystem::path tool =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orvalen-devices";
    std::unique_ptr<FILE, int (*)(FILE*)> output(popen((tool.string() + " 2>&1").c_str(), "r"),
                                                 pclose);
    ASSERT_TRUE(output);
    std::string text;
    std::array<char, 512> chunk{};
    while (fgets(chunk.data(), chunk.size(), output.get())) text += chunk.data();
    EXPECT_EQ(pclose(output.release()), 0) << text;
    EXPECT_THAT(text, ::testing::HasSubstr("adapter0/frontend0")) << text;
}

}  // namespace
}  // namespace vm
