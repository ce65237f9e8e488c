#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/file_io.h"
#include "tests/support/test_files.h"

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReplacingFile, PiecesReplaceTheFileOnlyWhenCommitted) {
    ScratchDir dir;
    const std::string name = dir.File("out");
    WriteFileBytes(name, "old");
    {
        ReplacingFile file;
        ASSERT_TRUE(file.Open(name.c_str(), 0644));
        ASSERT_TRUE(file.Write("xxxx tail"));
        ASSERT_TRUE(file.Write(std::string(3 << 20, 'y')));  // past the buffer
        EXPECT_EQ(ReadFileBytes(name), "old");
    }
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out"});
    EXPECT_EQ(ReadFileBytes(name), "old");

    ReplacingFile file;
    ASSERT_TRUE(file.Open(name.c_str()));
    ASSERT_TRUE(file.Write("xxxx tail"));
    ASSERT_TRUE(file.WriteAt(0, "head"));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadFileBytes(name), "head tail");
    EXPECT_FALSE(file.Write("more"));

    ReplacingFile full;
    ASSERT_TRUE(full.Open("/dev/full"));
    full.Write("data");
    EXPECT_FALSE(full.Commit());
}

void RaiseTerm(const char*) { raise(SIGTERM); }

// A termination while two files are being written removes both temporary files.
TEST(ReplacingFileDeathTest, ASignalRemovesEveryTemporaryFileUnderWay) {
    ScratchDir dir;
    WriteFileBytes(dir.File("a"), "old");
    EXPECT_EXIT(
        {
            ReplacingFile first;
            if (!first.Open(dir.File("a").c_str()) || !first.Write("new")) std::_Exit(91);
            ReplacingFile second;
            SetReplaceWriteHook(RaiseTerm);
            second.Open(dir.File("b").c_str());
            std::_Exit(92);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a"});
    EXPECT_EQ(ReadFileBytes(dir.File("a")), "old");
}

TEST(ReplacingFile, OverlappingFilesLeaveTheSignalSettingsAsTheyWere) {
    struct sigaction before;
    ASSERT_EQ(sigaction(SIGTERM, nullptr, &before), 0);
    ASSERT_EQ(before.sa_handler, SIG_DFL);
    ScratchDir dir;
    {
        ReplacingFile first;
        ASSERT_TRUE(first.Open(dir.File("a").c_str()));
        ReplacingFile second;
        ASSERT_TRUE(second.Open(dir.File("b").c_str()));
        first.Write("1");
        ASSERT_TRUE(first.Commit());
        // The file still under way is still guarded.
        struct sigaction during;
        ASSERT_EQ(sigaction(SIGTERM, nullptr, &during), 0);
        EXPECT_NE(during.sa_handler, SIG_DFL);
    }
    struct sigaction after;
    ASSERT_EQ(sigaction(SIGTERM, nullptr, &after), 0);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a"});
}

}  // namespace
