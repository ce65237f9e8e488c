#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <iterator>

#include "core/file_io.h"
#include "tests/support/test_files.h"

namespace {

TEST(FileIo, WriteThenReadBack) {
    ScratchDir dir;
    const std::string name = dir.File("f");
    ASSERT_TRUE(WriteWholeFile(name.c_str(), "abc\n"));
    std::string back;
    ASSERT_TRUE(ReadWholeFile(name.c_str(), back));
    EXPECT_EQ(back, "abc\n");
}

TEST(FileIo, FailedWritesAreReported) {
    EXPECT_FALSE(WriteWholeFile("/dev/full", "x"));
    ScratchDir dir;
    EXPECT_FALSE(WriteWholeFile(dir.File("no/such/folder").c_str(), "x"));
    EXPECT_FALSE(WriteWholeFile(dir.Path().c_str(), "x"));
}

TEST(FileIo, ReadRefusesMissingFilesAndFolders) {
    ScratchDir dir;
    std::string out = "junk";
    EXPECT_FALSE(ReadWholeFile(dir.File("missing").c_str(), out));
    EXPECT_FALSE(ReadWholeFile(dir.Path().c_str(), out));
}

TEST(FileIo, ReplaceKeepsPermissionsAndLeavesNoTemporary) {
    ScratchDir dir;
    const std::string name = dir.File("t.tab");
    WriteFileBytes(name, "old");
    ASSERT_EQ(chmod(name.c_str(), 0640), 0);
    ASSERT_TRUE(ReplaceWholeFile(name.c_str(), "new"));
    EXPECT_EQ(ReadFileBytes(name), "new");
    struct stat st;
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(FileIo, FailedReplaceLeavesTheOriginal) {
    ScratchDir dir;
    const std::string sub = dir.File("d");
    std::filesystem::create_directory(sub);
    EXPECT_FALSE(ReplaceWholeFile(sub.c_str(), "x"));  // a folder is never replaced
    EXPECT_TRUE(std::filesystem::is_directory(sub));
    EXPECT_FALSE(ReplaceWholeFile(dir.File("missing/t").c_str(), "x"));
}

// A name as long as a name can be leaves no room for the temporary file's suffix.
TEST(FileIo, ReplaceALongestName) {
    ScratchDir dir;
    const std::string name = dir.File(std::string(255, 'n'));
    WriteFileBytes(name, "old");
    ASSERT_TRUE(ReplaceWholeFile(name.c_str(), "new"));
    EXPECT_EQ(ReadFileBytes(name), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
}

TEST(FileIo, ReplaceFollowsALink) {
    ScratchDir dir;
    WriteFileBytes(dir.File("real"), "old");
    std::filesystem::create_symlink(dir.File("real"), dir.File("link"));
    ASSERT_TRUE(ReplaceWholeFile(dir.File("link").c_str(), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link")));
    EXPECT_EQ(ReadFileBytes(dir.File("real")), "new");
}

TEST(AppendInt, DecimalText) {
    std::string s;
    AppendInt(s, 0);
    s += ' ';
    AppendInt(s, -2147483648LL);
    s += ' ';
    AppendInt(s, 2147483647);
    EXPECT_EQ(s, "0 -2147483648 2147483647");
}

}  // namespace
