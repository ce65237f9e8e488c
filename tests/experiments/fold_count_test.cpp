#include <gtest/gtest.h>

#include <string>

#include "core/decision_values.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/test_maker.h"
#include "tests/support/failure_of.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// weather.nominal has 14 objects: 15 folds are refused as 0 folds are, before anything is
// printed or the table is taken; 14 folds test one object each.
TEST(FoldCount, MoreFoldsThanObjectsAreRefusedAndAsManyRun) {
    ResetRandomForTests();
    TTestMaker maker;
    CaptureStdout();
    maker.LoadTrainTable(VARNEL_TABLES "/weather.nominal.tab");
    GetCapturedStdout();
    TDValInfo info;
    info.CalcFromTable(*maker.GetTrain());
    TTestResult result;
    CaptureStdout();
    const Failure cross = FailureOf([&] { maker.CrossValidation(info, 15, 1, "NO", TTestMethods{}, result); });
    const Failure multi = FailureOf([&] { maker.MultiCrossValidation(info, 1, 15, TTestMethods{}, 0, result); });
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(cross.code, 5);
    EXPECT_EQ(cross.log, "Bad parameters in TTestMaker::CrossValidation\n");
    EXPECT_EQ(multi.code, 5);
    EXPECT_EQ(multi.log, "Bad parameters in TTestMaker::MultiCrossValidation\n");
    ASSERT_EQ(maker.GetTrain()->GetNoObj(), 14);

    CaptureStdout();
    maker.MultiCrossValidation(info, 1, 14, TTestMethods{}, 0, result);
    std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("Number of objects: 14  13 1\n"), std::string::npos);
    EXPECT_NE(out.find("Current fold: 13\n"), std::string::npos);
    EXPECT_EQ(maker.GetTest()->GetNoObj(), 1);
}

}  // namespace
