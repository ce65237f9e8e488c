#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
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
    EXPECT_FALSE(ReadWholeFile("/dev/zero", out));  // would never end
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

// A pipe or a device named as an output is written into, as opening it for writing does; a
// file put in its place would, for a device such as the null device, break it for everyone.
TEST(FileIo, ReplaceWritesIntoAPipeInPlace) {
    ScratchDir dir;
    const std::string name = dir.File("pipe");
    ASSERT_EQ(mkfifo(name.c_str(), 0644), 0);
    const int reader = open(name.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(ReplaceWholeFile(name.c_str(), "cuts"));
    struct stat st;
    ASSERT_EQ(lstat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    char buf[16] = {};
    EXPECT_EQ(read(reader, buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "cuts");
    close(reader);
}

constexpr int kCannotDropPrivileges = 100;

// Runs `work` in a child process that, when it runs as the superuser, first becomes an
// ordinary user (whom permission bits then bind); returns the child's exit code.
int RunAsOrdinaryUser(const std::function<int()>& work) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(kCannotDropPrivileges);
        _exit(work());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A file the user may not write stays as it is, even in a folder where a new file could be
// made and renamed over it.
TEST(FileIo, ReplaceRefusesAFileThatCannotBeWritten) {
    ScratchDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    const std::string name = dir.File("t.tab");
    WriteFileBytes(name, "old");
    ASSERT_EQ(chmod(name.c_str(), 0444), 0);
    const int refused = RunAsOrdinaryUser([&] { return ReplaceWholeFile(name.c_str(), "new") ? 1 : 0; });
    if (refused == kCannotDropPrivileges) GTEST_SKIP() << "no ordinary user to become";
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(ReadFileBytes(name), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
    // A writable one in the same place is replaced.
    ASSERT_EQ(chmod(name.c_str(), 0666), 0);
    EXPECT_EQ(RunAsOrdinaryUser([&] { return ReplaceWholeFile(name.c_str(), "new") ? 1 : 0; }), 1);
    EXPECT_EQ(ReadFileBytes(name), "new");
}

// A writable file in a folder that takes no new file is still written, as plain opening for
// writing would do.
TEST(FileIo, ReplaceWritesIntoAFileOfAClosedFolder) {
    ScratchDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    const std::string sub = dir.File("closed");
    std::filesystem::create_directory(sub);
    const std::string name = sub + "/t.tab";
    WriteFileBytes(name, "old");
    ASSERT_EQ(chmod(name.c_str(), 0666), 0);
    ASSERT_EQ(chmod(sub.c_str(), 0555), 0);
    const int written = RunAsOrdinaryUser([&] { return ReplaceWholeFile(name.c_str(), "new") ? 1 : 0; });
    chmod(sub.c_str(), 0755);
    if (written == kCannotDropPrivileges) GTEST_SKIP() << "no ordinary user to become";
    EXPECT_EQ(written, 1);
    EXPECT_EQ(ReadFileBytes(name), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sub), std::filesystem::directory_iterator()), 1);
}

// The superuser rewriting someone's table leaves it theirs, as writing into it would.
TEST(FileIo, ReplaceKeepsTheOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "only the superuser can give a file to another user";
    ScratchDir dir;
    const std::string name = dir.File("t.tab");
    WriteFileBytes(name, "old");
    if (chown(name.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "no other user to give the file to";
    ASSERT_TRUE(ReplaceWholeFile(name.c_str(), "new"));
    struct stat st;
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
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
