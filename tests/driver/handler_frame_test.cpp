#include <gtest/gtest.h>

#include <stdexcept>

#include "core/error.h"
#include "core/report.h"
#include "driver/handler_frame.h"
#include "tests/support/test_files.h"

namespace {

// Runs a command frame in a child process (it ends the process on failure) and returns the LOG.
class HandlerFrameDeathTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string log = dir.File("LOG");
};

TEST_F(HandlerFrameDeathTest, ErrorOfAReductCommandIsLoggedTwiceAndBecomesTheExitCode) {
    EXPECT_EXIT(RunCommand(kReductCommand, {"echo"}, log, {"title 1", "title 2"},
                           [] { throw CalcErrorText(6, "t.tab"); }),
                ::testing::ExitedWithCode(6), "");
    EXPECT_EQ(ReadFileBytes(log),
              "title 1\ntitle 2\n"
              "Error: Can not load the file: t.tab\n"
              "Err.GetMessage()=Error: Can not load the file: t.tab\n"
              "Program TERMINATED! \n");
}

TEST_F(HandlerFrameDeathTest, ErrorOfAScalingCommandIsLoggedOnce) {
    EXPECT_EXIT(RunCommand(kScalingCommand, {}, log, {"t"}, [] { throw CalcError(10); }),
                ::testing::ExitedWithCode(10), "");
    EXPECT_EQ(ReadFileBytes(log),
              "t\nErr.GetMessage()=Error: Bad format of file!\nProgram TERMINATED! \n");
}

TEST_F(HandlerFrameDeathTest, OtherExceptionsAreUnexpectedWithCodeOne) {
    EXPECT_EXIT(RunCommand(kRuleCommand, {}, log, {"t"}, [] { throw std::runtime_error("x"); }),
                ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(ReadFileBytes(log), "t\nUnexpected error!\nProgram TERMINATED! \n");
}

TEST_F(HandlerFrameDeathTest, ExhaustedMemoryIsCodeTwo) {
    EXPECT_EXIT(RunCommand(kRuleCommand, {}, log, {}, [] { throw std::bad_alloc(); }),
                ::testing::ExitedWithCode(2), "");
    EXPECT_EQ(ReadFileBytes(log),
              "Error: Not enough memory!\nErr.GetMessage()=Error: Not enough memory!\n"
              "Program TERMINATED! \n");
}

TEST_F(HandlerFrameDeathTest, LogThatCannotBeCreatedIsCodeSeven) {
    const std::string bad = dir.File("no/such/LOG");
    EXPECT_EXIT(RunCommand(kReductCommand, {}, bad, {}, [] {}), ::testing::ExitedWithCode(7), "");
}

// A result file that is an input is refused by its writer's own failure before the work
// starts; a refusal that does not throw still ends the run with code 7.
TEST_F(HandlerFrameDeathTest, AResultFileNamingAnInputIsRefusedBeforeTheWork) {
    const std::string input = dir.File("t.tab");
    WriteFileBytes(input, "2 1\n0\n1\n");
    const CommandFiles throwing{{input}, {{dir.File("other"), [] {}}, {input, [] { throw CalcErrorText(7, "r"); }}}};
    EXPECT_EXIT(RunCommand(kScalingCommand, {}, log, {"t"}, [] { LogMessage("work"); }, throwing),
                ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(ReadFileBytes(log), "t\nErr.GetMessage()=Error: Can not save the file: r\nProgram TERMINATED! \n");
    const CommandFiles silent{{input}, {{dir.Path() + "/./t.tab", [] {}}}};
    EXPECT_EXIT(RunCommand(kNetworkCommand, {}, log, {}, [] { LogMessage("work"); }, silent),
                ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(ReadFileBytes(log), "Err.GetMessage()=Error: Can not save the file: " + dir.Path() +
                                      "/./t.tab\nProgram TERMINATED! \n");
    EXPECT_EQ(ReadFileBytes(input), "2 1\n0\n1\n");
}

TEST(HandlerFrame, SuccessEchoesThenLogsTitlesWorkAndDone) {
    ScratchDir dir;
    const std::string log = dir.File("LOG");
    testing::internal::CaptureStdout();
    RunCommand(kRuleCommand, {"Generating all rules for table: t", "Rules will be saved to: r"}, log,
               {"Generating all rules for table: t"}, [] { LogMessage("work"); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Generating all rules for table: t\nRules will be saved to: r\n"
              "LOG will be saved to: " + log + "\n");
    EXPECT_FALSE(LogFile.IsOpen());
    EXPECT_EQ(ReadFileBytes(log), "Generating all rules for table: t\nwork\n\nDone.\n");
}

TEST(HandlerFrame, NetworkCommandsEndWithoutDone) {
    ScratchDir dir;
    const std::string log = dir.File("LOG");
    testing::internal::CaptureStdout();
    RunCommand(kNetworkCommand, {}, log, {"a", "b"}, [] {});
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFileBytes(log), "a\nb\n");
}

TEST(RuleBufferScope, AllocatesAndReleasesTheProcessBuffer) {
    {
        RuleBufferScope scope;
        EXPECT_EQ(g_RuleBuf, nullptr);
        scope.Allocate(7);
        ASSERT_NE(g_RuleBuf, nullptr);
        EXPECT_EQ(g_RuleBufSize, 7);
    }
    EXPECT_EQ(g_RuleBuf, nullptr);
    EXPECT_EQ(g_RuleBufSize, 0);
}

TEST(RuleBufferScope, MoreThanAnIntCanCountIsExhaustedMemory) {
    RuleBufferScope scope;
    try {
        scope.Allocate(2147483647LL + 2);
        FAIL() << "allocated";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 2);
    }
    EXPECT_EQ(g_RuleBuf, nullptr);
}

}  // namespace
