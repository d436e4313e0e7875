// A sky read from a folder of plan files: the letter of each file's name is its position, a
// position without a file is empty, and a plan that does not read is one line naming the file
// and its line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "card/SkyFolder.h"
#include "platform/Threads.h"

namespace card {
namespace {

class SkyFolder : public ::testing::Test {
protected:
    SkyFolder() { std::filesystem::create_directories(m_folder); }
    ~SkyFolder() override { std::filesystem::remove_all(m_folder); }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(m_folder / name, std::ios::binary) << text;
    }
    const std::filesystem::path m_folder = std::filesystem::temp_directory_path() /
                                           ("orvalen-sky-" + std::to_string(GetCurrentProcessId()));
    std::string m_error;
};

constexpr const char* kPlan =
    "satellite,Mine\nposition,7.5W\n"
    "transponder,11000,H,27500,DVB-S,QPSK,3/4,0.35,60,7,8\nservice,1,One,tv\n";

TEST_F(SkyFolder, EachFileIsTheSatelliteAtItsLetterAndOtherPositionsAreEmpty) {
    Write("C-Mine.csv", kPlan);
    Write("notes.txt", "not a plan");
    Write("E-Other.csv", "not a position");
    const auto sky = ReadSkyFolder(m_folder.string(), m_error);
    ASSERT_TRUE(sky) << m_error;
    EXPECT_TRUE(sky->positions[0].transponders.empty());
    EXPECT_EQ(sky->positions[2].name, "Mine");
    EXPECT_EQ(sky->positions[2].orbitalTenths, -75);
    EXPECT_EQ(sky->positions[2].transponders.size(), 1u);
}

TEST_F(SkyFolder, APlanThatDoesNotReadOrTwoFilesForOnePositionAreOneLine) {
    Write("A-Mine.csv", kPlan);
    Write("B-Bad.csv", "satellite,Bad\ntransponder,99,H\n");
    EXPECT_FALSE(ReadSkyFolder(m_folder.string(), m_error));
    EXPECT_NE(m_error.find("B-Bad.csv: line 2"), std::string::npos) << m_error;
    EXPECT_EQ(m_error.find('\n'), std::string::npos);

    std::filesystem::remove(m_folder / "B-Bad.csv");
    Write("A-Again.csv", kPlan);
    EXPECT_FALSE(ReadSkyFolder(m_folder.string(), m_error));
    EXPECT_NE(m_error.find("both are position A"), std::string::npos) << m_error;

    EXPECT_FALSE(ReadSkyFolder((m_folder / "missing").string(), m_error));
    EXPECT_NE(m_error.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace card
