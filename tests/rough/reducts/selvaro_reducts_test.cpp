#include <gtest/gtest.h>

#include <string>

#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/red_memory.h"
#include "tests/rough/reasoning/boole_reference.h"
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
    EXPECT_EQ(boole_reference::Sets({{memory.GetReduct(0)->begin(), memory.GetReduct(0)->end()},
                                     {memory.GetReduct(1)->begin(), memory.GetReduct(1)->end()}}),
              (boole_reference::Sets{{0}, {2}}));
}

TEST(SelvaroReducts, ThirtyTwoColumnsOnlyShowTheProgressEnds) {
    TTable wide;
    wide.CreateTable(2, 32);
    wide.SetTable(1, 3, 1);
    auto pairs = MakeTable({{1, 0, 3, 3, 2000000}});
    TRedMemory memory;
    LogCapture log;
    testing::internal::CaptureStdout();
    memory.CalculateGlobalReductsSelvaro(&wide, pairs.get(), 1.0, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:0\nPROGRESS:100\n");
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(memory.GetNoRed(), 0);
}

}  // namespace
