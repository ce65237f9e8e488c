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
// printed or the table taken; 14 folds test one object each.
TEST(FoldCount, MoreFoldsThanObjectsAreRefusedAndAsManyRun) {
    ResetRandomForTests();
    TTestMaker maker;
    TDValInfo info;
    TTestResult result;
    CaptureStdout();
    maker.LoadTrainTable(VARNEL_TABLES "/weather.nominal.tab");
    info.CalcFromTable(*maker.GetTrain());
    const Failure cross = FailureOf([&] { maker.CrossValidation(info, 15, 1, "NO", TTestMethods{}, result); });
    const Failure multi = FailureOf([&] { maker.MultiCrossValidation(info, 1, 15, TTestMethods{}, 0, result); });
    EXPECT_EQ(GetCapturedStdout(), VARNEL_TABLES "/weather.nominal.tab\n");
    EXPECT_EQ(cross.code, 5);
    EXPECT_EQ(multi.code, 5);
    EXPECT_EQ(cross.log + multi.log,
              "Bad parameters in TTestMaker::CrossValidation\nBad parameters in TTestMaker::MultiCrossValidation\n");
    CaptureStdout();
    maker.MultiCrossValidation(info, 1, 14, TTestMethods{}, 0, result);
    EXPECT_NE(GetCapturedStdout().find("Number of objects: 14  13 1\n"), std::string::npos);
    EXPECT_EQ(maker.GetTest()->GetNoObj(), 1);
}

}  // namespace
