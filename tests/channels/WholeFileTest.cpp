// Whole-file reads and writes of the conversions: an existing file is never replaced unless
// asked, a failed write leaves nothing behind, and inputs that are no regular file or too large
// are refused at once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ListFiles.h"
#include "channels/WholeFile.h"

namespace orvalen::test {
namespace {

namespace fs = std::filesystem;

std::string Content(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t Entries(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(WholeFile, AnExistingFileIsReplacedOnlyWhenAsked) {
    ScratchDirectory dir;
    dir.Write("list.csv", "old");
    EXPECT_EQ(WriteWholeFile("list.csv", "new", false), "exists (--force replaces it)");
    EXPECT_EQ(Content("list.csv"), "old");
    EXPECT_EQ(WriteWholeFile("list.csv", "new", true), "");
    EXPECT_EQ(Content("list.csv"), "new");
    EXPECT_EQ(WriteWholeFile("fresh.csv", "made", false), "");
    EXPECT_EQ(Content("fresh.csv"), "made");
    EXPECT_EQ(Entries(dir.path()), 2u) << "a temporary file was left behind";
}

TEST(WholeFile, AFailedWriteLeavesNothingBehind) {
    ScratchDirectory dir;
    fs::create_directory("locked");
    ::chmod("locked", 0500);
    const bool privileged = ::access("locked", W_OK) == 0;  // root writes anyway
    if (!privileged) {
        EXPECT_EQ(WriteWholeFile("locked/list.csv", "x", false), "Permission denied");
    }
    EXPECT_EQ(WriteWholeFile("missing/list.csv", "x", true), "No such file or directory");
    // A name taken by a folder: the temporary file is written, then cannot take the name.
    fs::create_directory("taken");
    EXPECT_FALSE(WriteWholeFile("taken", "x", true).empty());
    ::chmod("locked", 0700);
    EXPECT_EQ(Entries(dir.path()), 2u);
    EXPECT_EQ(Entries("locked"), 0u);
}

TEST(WholeFile, OnlyARegularFileOfBoundedSizeIsRead) {
    ScratchDirectory dir;
    dir.Write("small", "abc");
    std::string error;
    EXPECT_EQ(ReadWholeFile("small", error), "abc");
    EXPECT_FALSE(ReadWholeFile("absent", error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(ReadWholeFile(".", error));
    EXPECT_EQ(error, "not a regular file");
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    EXPECT_FALSE(ReadWholeFile("fifo", error));  // returns at once, with no writer
    EXPECT_EQ(error, "not a regular file");
    { std::ofstream("large"); }
    fs::resize_file("large", kMaxConvertedFileBytes + 1);  // sparse: cheap to make
    EXPECT_FALSE(ReadWholeFile("large", error));
    EXPECT_EQ(error, "larger than 16 MiB");
}

}  // namespace
}  // namespace orvalen::test
