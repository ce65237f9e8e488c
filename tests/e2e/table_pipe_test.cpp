// A table handed over through a named pipe: read like a file, never written back into.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "tests/e2e/process_runner.h"
#include "tests/support/test_files.h"

namespace {

// Writes the text into the pipe once the program opens it for reading; gives up after a
// minute without a reader, so that a program that never reads cannot hold the test.
void FeedPipe(const std::string& pipe, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int fd = -1;
    while ((fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && errno == ENXIO &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (fd < 0) return;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

struct ReductsRun {
    RunResult result;
    std::string log;
    std::string reducts;
};

ReductsRun AllReducts(const std::string& folder) {
    WriteFileBytes(folder + "/config", "CALCULATE_ALL_REDUCTS\nt.tab\n0\n1\n0\nout.red\nLOG\n");
    RunOptions options;
    options.workDir = folder;
    options.killAfterSeconds = 120;  // a hang is a failure here, not a wait
    ReductsRun r;
    r.result = RunProgram(VarnelBinary(), {"config"}, options);
    if (FileExists(folder + "/LOG")) r.log = ReadFileBytes(folder + "/LOG");
    if (FileExists(folder + "/out.red")) r.reducts = ReadFileBytes(folder + "/out.red");
    return r;
}

TEST(AllReductsFromAPipe, ComputesTheReductsAsFromAFileWithoutWritingTheTableBack) {
    const std::string table = ReadFileBytes(std::string(VARNEL_TABLES) + "/weather.nominal.tab");

    ScratchDir fromFile;
    WriteFileBytes(fromFile.File("t.tab"), table);
    const ReductsRun file = AllReducts(fromFile.Path());
    ASSERT_EQ(file.result.exitCode, 0);

    ScratchDir fromPipe;
    ASSERT_EQ(::mkfifo(fromPipe.File("t.tab").c_str(), 0644), 0);
    std::thread feeder(FeedPipe, fromPipe.File("t.tab"), table);
    const ReductsRun pipe = AllReducts(fromPipe.Path());
    feeder.join();

    ASSERT_FALSE(pipe.result.timedOut) << "hung; stdout so far:\n" << pipe.result.out;
    EXPECT_EQ(pipe.result.exitCode, 0);
    EXPECT_EQ(pipe.result.out, file.result.out);
    EXPECT_EQ(pipe.reducts, file.reducts);
    // The same LOG but for the line of the table rewrite.
    const std::string saved = "Table saved to \"t.tab\"\n";
    std::string expectedLog = file.log;
    const size_t at = expectedLog.find(saved);
    ASSERT_NE(at, std::string::npos);
    expectedLog.erase(at, saved.size());
    EXPECT_EQ(pipe.log, expectedLog);
    struct stat st;
    ASSERT_EQ(::stat(fromPipe.File("t.tab").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
