#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/report.h"
#include "driver/handlers.h"
#include "tests/driver/handler_config.h"
#include "tests/support/test_files.h"

namespace {

TEST(AllRulesHandler, ReturnsWithTheRuleBufferReleasedAndNoRulesFile) {
    ScratchDir dir;
    WriteFileBytes(dir.File("t.tab"), "2 2\n0 0\n1 1\n");
    g_RuleBuf = nullptr;
    testing::internal::CaptureStdout();
    DoCalculateAllRules(Config({"CALCULATE_ALL_RULES", dir.File("t.tab"), "0", dir.File("rules"), dir.File("LOG")}));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(g_RuleBuf, nullptr);
    EXPECT_EQ(g_RuleBufSize, 0);
    EXPECT_FALSE(LogFile.IsOpen());
    EXPECT_FALSE(FileExists(dir.File("rules")));
    const std::vector<std::string> lines = TextLines(out);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[3], "PROGRESS:0");
    EXPECT_EQ(lines[4], "RULE:3 0 0 ");
    EXPECT_EQ(lines[6], "RULE:3 1 0 ");
    EXPECT_EQ(lines[8], "PROGRESS:100");
}

}  // namespace
