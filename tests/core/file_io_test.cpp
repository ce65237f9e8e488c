#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

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

TEST(FileIo, AppendCreatesThenExtendsAndReportsFailures) {
    ScratchDir dir;
    const std::string name = dir.File("list");
    ASSERT_TRUE(AppendToFile(name.c_str(), "one\n"));
    ASSERT_TRUE(AppendToFile(name.c_str(), "two\n"));
    EXPECT_EQ(ReadFileBytes(name), "one\ntwo\n");
    EXPECT_FALSE(AppendToFile("/dev/full", "x"));
    EXPECT_FALSE(AppendToFile(dir.Path().c_str(), "x"));
    EXPECT_FALSE(AppendToFile(dir.File("no/such/folder").c_str(), "x"));
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
    // The check alone changes nothing: no file emptied or made, no temporary file left.
    EXPECT_TRUE(CanReplaceWholeFile(name.c_str()));
    EXPECT_TRUE(CanReplaceWholeFile(dir.File("new").c_str()));
    EXPECT_EQ(ReadFileBytes(name), "old");
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
    std::filesystem::create_symlink(dir.File("nothing"), dir.File("dangling"));
    for (const std::string& name : {sub, dir.File("missing/t"), dir.File("dangling")})
        EXPECT_FALSE(CanReplaceWholeFile(name.c_str())) << name;
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
    EXPECT_TRUE(CanReplaceWholeFile(name.c_str()));  // not opened: no reader is waited for
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
    EXPECT_EQ(RunAsOrdinaryUser([&] { return CanReplaceWholeFile(name.c_str()) ? 1 : 0; }), 0);
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
    const int checked = RunAsOrdinaryUser(
        [&] { return CanReplaceWholeFile(name.c_str()) && !CanReplaceWholeFile((sub + "/new").c_str()) ? 1 : 0; });
    const int written = RunAsOrdinaryUser([&] { return ReplaceWholeFile(name.c_str(), "new") ? 1 : 0; });
    chmod(sub.c_str(), 0755);
    if (written == kCannotDropPrivileges) GTEST_SKIP() << "no ordinary user to become";
    EXPECT_EQ(checked, 1);
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

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// The hook runs in the child only; the temporary file must exist when the signal comes.
void RaiseTermWithTemporary(const char* temp) {
    if (access(temp, F_OK) != 0) std::_Exit(91);
    raise(SIGTERM);
}

void RaiseIntWithTemporary(const char* temp) {
    if (access(temp, F_OK) != 0) std::_Exit(91);
    raise(SIGINT);
}

// A termination or interrupt in the middle of a replacement ends the process with that
// signal, without the temporary file and with the old contents in place.
TEST(FileIoDeathTest, ASignalDuringAReplacementRemovesTheTemporaryFile) {
    const std::pair<int, ReplaceWriteHook> cases[] = {{SIGTERM, RaiseTermWithTemporary},
                                                      {SIGINT, RaiseIntWithTemporary}};
    for (const auto& [sig, hook] : cases) {
        ScratchDir dir;
        const std::string name = dir.File("out.red");
        WriteFileBytes(name, "old");
        EXPECT_EXIT(
            {
                SetReplaceWriteHook(hook);
                ReplaceWholeFile(name.c_str(), std::string(1 << 20, 'x'));
                std::_Exit(92);
            },
            ::testing::KilledBySignal(sig), "");
        EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.red"}) << "signal " << sig;
        EXPECT_EQ(ReadFileBytes(name), "old");
        // The same for a file that did not exist yet: nothing at all is left.
        EXPECT_EXIT(
            {
                SetReplaceWriteHook(hook);
                ReplaceWholeFile(dir.File("new.red").c_str(), "data");
                std::_Exit(92);
            },
            ::testing::KilledBySignal(sig), "");
        EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.red"}) << "signal " << sig;
    }
}

// A signal the process ignores does not end it: the replacement is completed.
TEST(FileIoDeathTest, AnIgnoredSignalLetsTheReplacementFinish) {
    ScratchDir dir;
    const std::string name = dir.File("out.red");
    WriteFileBytes(name, "old");
    EXPECT_EXIT(
        {
            signal(SIGINT, SIG_IGN);
            SetReplaceWriteHook(RaiseIntWithTemporary);
            std::_Exit(ReplaceWholeFile(name.c_str(), "new") ? 0 : 93);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.red"});
    EXPECT_EQ(ReadFileBytes(name), "new");
}

int g_caught = 0;
void CountSignal(int) { ++g_caught; }

// Outside a replacement the signals are as the process set them: its own handler stays its
// own, also during the write, and nothing is left blocked.
TEST(FileIo, AReplacementLeavesTheSignalSettingsAsTheyWere) {
    struct sigaction own = {};
    own.sa_handler = CountSignal;
    sigemptyset(&own.sa_mask);
    struct sigaction saved[2];
    ASSERT_EQ(sigaction(SIGTERM, &own, &saved[0]), 0);
    ASSERT_EQ(sigaction(SIGINT, nullptr, &saved[1]), 0);
    sigset_t maskBefore;
    ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &maskBefore), 0);

    ScratchDir dir;
    g_caught = 0;
    SetReplaceWriteHook(RaiseTermWithTemporary);
    const bool replaced = ReplaceWholeFile(dir.File("out").c_str(), "data");
    SetReplaceWriteHook(nullptr);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(g_caught, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("out")), "data");

    struct sigaction now;
    ASSERT_EQ(sigaction(SIGTERM, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, CountSignal);
    ASSERT_EQ(sigaction(SIGINT, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, saved[1].sa_handler);
    sigset_t maskAfter;
    ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &maskAfter), 0);
    EXPECT_EQ(sigismember(&maskAfter, SIGTERM), sigismember(&maskBefore, SIGTERM));
    EXPECT_EQ(sigismember(&maskAfter, SIGINT), sigismember(&maskBefore, SIGINT));
    sigaction(SIGTERM, &saved[0], nullptr);
}

TEST(FileIo, OnlyRegularFilesCountAsRegular) {
    ScratchDir dir;
    WriteFileBytes(dir.File("t.tab"), "1 1\n0\n");
    ASSERT_EQ(symlink("t.tab", dir.File("link").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0644), 0);
    EXPECT_TRUE(IsRegularFile(dir.File("t.tab").c_str()));
    EXPECT_TRUE(IsRegularFile(dir.File("link").c_str()));
    EXPECT_FALSE(IsRegularFile(dir.File("pipe").c_str()));
    EXPECT_FALSE(IsRegularFile(dir.Path().c_str()));
    EXPECT_FALSE(IsRegularFile("/dev/null"));
    EXPECT_FALSE(IsRegularFile(dir.File("missing").c_str()));
}

TEST(FileIo, SameFileFollowsSpellingsAndLinksButNotContents) {
    ScratchDir dir;
    WriteFileBytes(dir.File("t.tab"), "1 1\n0\n");
    WriteFileBytes(dir.File("copy"), "1 1\n0\n");
    ASSERT_EQ(symlink("t.tab", dir.File("soft").c_str()), 0);
    ASSERT_EQ(link(dir.File("t.tab").c_str(), dir.File("hard").c_str()), 0);
    const std::string t = dir.File("t.tab");
    for (const std::string& other : {t, dir.Path() + "/./t.tab", dir.File("soft"), dir.File("hard")}) {
        EXPECT_TRUE(SameFile(t.c_str(), other.c_str())) << other;
        EXPECT_TRUE(SameFile(other.c_str(), t.c_str())) << other;
    }
    EXPECT_FALSE(SameFile(t.c_str(), dir.File("copy").c_str()));
    EXPECT_FALSE(SameFile(t.c_str(), dir.File("missing").c_str()));
    EXPECT_FALSE(SameFile(dir.File("missing").c_str(), dir.File("missing").c_str()));
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
