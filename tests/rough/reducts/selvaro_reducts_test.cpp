#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/red_memory.h"
#include "tests/rough/rough_test_util.h"

namespace {

// Only (1, 0) is listed with enough support and a distance reaching 1.0; the clause {0, 2}
// holds the last column, which counts as a condition here.
TEST(SelvaroReducts, StoredWithTheirProgressLogAndMatrix) {
    auto t = MakeTable({{0, 0, 0}, {1, 0, 1}, {1, 1, 1}});
    auto pairs = MakeTable({{1, 0, 3, 3, 2000000}, {2, 0, 3, 3, 500000}, {2, 1, 0, 3, 3000000}});
    TRedMemory memory;
    LogCapture log;
    testing::internal::CaptureStdout();
    memory.CalculateGlobalReductsSelvaro(t.get(), pairs.get(), 1.0, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "PROGRESS:0\nPROGRESS:5\nMinDist=0.5\nMaxDist=2\nDiscernibilty matrix:\n[ 0 2 ]\n"
              "PROGRESS:30\nPROGRESS:70\nPROGRESS:100\n");
    EXPECT_EQ(log.Text(),
              "Calculating all reducts\nCreating disc. matrix - Selvaro\nMinimalization...\nClearing redundant elements...\n");
    ASSERT_EQ(memory.GetNoRed(), 2);
    EXPECT_EQ(std::vector<int>(memory.GetReduct(0)->begin(), memory.GetReduct(0)->end()), std::vector<int>{0});
    EXPECT_EQ(std::vector<int>(memory.GetReduct(1)->begin(), memory.GetReduct(1)->end()), std::vector<int>{2});

    // 32 columns: nothing but the two ends of the progress.
    TTable wide;
    wide.CreateTable(2, 32);
    wide.SetTable(1, 3, 1);
    TRedMemory none;
    LogCapture quiet;
    testing::internal::CaptureStdout();
    none.CalculateGlobalReductsSelvaro(&wide, pairs.get(), 1.0, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:0\nPROGRESS:100\n");
    EXPECT_EQ(quiet.Text(), "");
    EXPECT_EQ(none.GetNoRed(), 0);
}

}  // namespace
