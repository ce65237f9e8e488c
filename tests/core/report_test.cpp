#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/report.h"
#include "tests/support/test_files.h"

namespace {

TEST(LogMessage, WritesLinesAndSkipsNullText) {
    LogCapture log;
    LogMessage("first");
    LogMessage(static_cast<const char*>(nullptr));
    LogMessage("", 7);
    LogMessage(std::string("third"));
    EXPECT_EQ(log.Text(), "first\n\nthird\n");
}

TEST(LogMessage, DroppedWhileTheLogIsClosed) {
    LogFile.Close();
    LogMessage("lost");  // must not crash or surface anywhere
    LogCapture log;
    LogMessage("kept");
    EXPECT_EQ(log.Text(), "kept\n");
}

TEST(LogFormat, FormatsConversionsWithTheirValues) {
    LogCapture log;
    LogFormat("%i objects loaded from \"%s\"", 14, "w.tab");
    LogFormat("%i%%", 33);
    EXPECT_EQ(log.Text(), "14 objects loaded from \"w.tab\"\n33%\n");
}

TEST(LogFile, RawWriteLeavesTheLineOpen) {
    LogCapture log;
    LogFile.Write("Acc=1         licz=0");
    LogMessage("Table saved to \"r\"");
    EXPECT_EQ(log.Text(), "Acc=1         licz=0Table saved to \"r\"\n");
}

// The LOG is created readable by all and writable by its owner, whatever the process's
// creation mask would otherwise allow.
TEST(LogFile, CreatedWithPermissionBits0644) {
    ScratchDir dir;
    const std::string name = dir.File("LOG");
    const mode_t mask = umask(0);
    const bool opened = LogFile.Open(name.c_str());
    umask(mask);
    ASSERT_TRUE(opened);
    LogMessage("line");
    LogFile.Close();
    struct stat st;
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    // An existing LOG is truncated.
    ASSERT_TRUE(LogFile.Open(name.c_str()));
    LogFile.Close();
    EXPECT_EQ(ReadFileBytes(name), "");
}

TEST(ShowProgress, WritesTheNumberRightAfterTheWord) {
    testing::internal::CaptureStdout();
    ShowProgress(0);
    ShowProgress(-5);
    ShowProgress2(70, 12345);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:0\nPROGRESS:-5\nPROGRESS:70\n");
}

TEST(ShowProgress, SilentInQuietMode) {
    QuietMode = 1;
    testing::internal::CaptureStdout();
    ShowProgress(10);
    int buf[3] = {2, 4, 0};
    g_RuleBuf = buf;
    g_RuleBufSize = 3;
    SendRule();
    QuietMode = 0;
    g_RuleBuf = nullptr;
    g_RuleBufSize = 0;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

class SendRuleTest : public ::testing::Test {
protected:
    void TearDown() override {
        g_RuleBuf = nullptr;
        g_RuleBufSize = 0;
    }
};

TEST_F(SendRuleTest, CountFirstThenObjectThenAttributes) {
    int buf[6] = {4, 5, 0, 3, 99, 99};
    g_RuleBuf = buf;
    g_RuleBufSize = 6;
    testing::internal::CaptureStdout();
    SendRule();
    buf[0] = 2;
    buf[1] = 7;
    SendRule();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RULE:4 5 0 3 \nRULE:2 7 \n");
}

// The line is put together in a buffer kept between rules: a long rule, then a short one,
// then every width of number with either sign, as the decimal text of each element.
TEST_F(SendRuleTest, LinesOfAnyLengthAndNumbersOfAnyWidth) {
    std::vector<int> buf(64);
    g_RuleBuf = buf.data();
    g_RuleBufSize = static_cast<int>(buf.size());
    std::string expected;
    testing::internal::CaptureStdout();
    const std::vector<std::vector<int>> rules = {
        {7, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30},
        {5},
        {-1, 9, 10, -99, 123456, std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), 1000000000, -1000000000}};
    for (const std::vector<int>& rule : rules) {
        buf[0] = static_cast<int>(rule.size()) + 1;
        std::copy(rule.begin(), rule.end(), buf.begin() + 1);
        expected += "RULE:" + std::to_string(buf[0]) + " ";
        for (int v : rule) expected += std::to_string(v) + " ";
        expected += "\n";
        SendRule();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}

TEST_F(SendRuleTest, RefusesToReadPastTheBuffer) {
    int buf[3] = {4, 1, 0};
    g_RuleBuf = buf;
    g_RuleBufSize = 3;
    EXPECT_THROW(SendRule(), CalcError);
    g_RuleBuf = nullptr;
    EXPECT_THROW(SendRule(), CalcError);
}

TEST(QuietModeGuard, HoldsQuietModeAndRestoresTheValueItFound) {
    QuietMode = 0;
    {
        QuietModeGuard outer;
        EXPECT_EQ(QuietMode, 1);
        {
            QuietModeGuard inner;
            EXPECT_EQ(QuietMode, 1);
        }
        EXPECT_EQ(QuietMode, 1);
    }
    EXPECT_EQ(QuietMode, 0);
    QuietMode = 1;
    { QuietModeGuard guard; }
    EXPECT_EQ(QuietMode, 1);
    QuietMode = 0;
}

TEST(QuietModeGuard, RestoresWhenAnExceptionLeavesTheScope) {
    QuietMode = 0;
    try {
        QuietModeGuard guard;
        throw CalcError(5);
    } catch (const Error&) {
    }
    EXPECT_EQ(QuietMode, 0);
}

TEST(CheckBreak, AlwaysKeepsRunning) {
    EXPECT_EQ(CheckBreak(1), 1);
    EXPECT_EQ(CheckBreak(), 1);
}

TEST(ProcessDownDeathTest, EndsWithTheCodeAndLeavesACompleteLog) {
    ScratchDir dir;
    const std::string log = dir.File("LOG");
    EXPECT_EXIT(
        {
            LogFile.Open(log.c_str());
            LogMessage("last words");
            ProcessDown(6);
        },
        ::testing::ExitedWithCode(6), "");
    EXPECT_EQ(ReadFileBytes(log), "last words\n");
}

TEST(EndProcessDeathTest, EndsWithoutProcessDown) {
    EXPECT_EXIT(EndProcess(0), ::testing::ExitedWithCode(0), "");
}

}  // namespace
