// A LOG that stops taking lines part-way through a command: the run ends with code 7 at
// that line, and the result file written before it stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/handlers.h"
#include "tests/driver/handler_config.h"
#include "tests/support/exit_child.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_files.h"

namespace {

TEST(LogFailureDeathTest, ALogThatFillsUpAfterTheCutsEndsTheRunAndKeepsTheCuts) {
    ScratchDir dir;
    WriteFileBytes(dir.File("t.tab"), "4 3\n1 5 0\n2 6 0\n3 7 1\n4 9 1\n");
    const TStringSack config = Config({"SCALL_TABLE", dir.File("t.tab"), dir.File("cuts"), dir.File("LOG")});

    // The whole run, for the LOG and the cuts it gives.
    testing::internal::CaptureStdout();
    DoScaleTable(config);
    const std::string fullOut = testing::internal::GetCapturedStdout();
    const std::string fullLog = ReadFileBytes(dir.File("LOG"));
    const std::string cuts = ReadFileBytes(dir.File("cuts"));
    const std::string ending = "\nDone.\n";
    ASSERT_EQ(fullLog.substr(fullLog.size() - ending.size()), ending);
    ASSERT_FALSE(cuts.empty());
    std::filesystem::remove(dir.File("cuts"));

    // Again, on a disk that takes every byte but those of the last line.
    const rlim_t room = fullLog.size() - ending.size() + 1;
    ASSERT_LE(cuts.size(), room);
    const std::string out = StdoutOfExit(7, [&] {
        LimitFileSizeOfThisProcess(room);
        DoScaleTable(config);
    });
    EXPECT_EQ(out, fullOut + "Error: Can't save file with LOG: " + dir.File("LOG") + "\nPROCESS_DOWN\n");
    EXPECT_EQ(ReadFileBytes(dir.File("LOG")), fullLog.substr(0, room));
    EXPECT_EQ(ReadFileBytes(dir.File("cuts")), cuts);
}

}  // namespace
