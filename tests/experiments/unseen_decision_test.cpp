#include <gtest/gtest.h>

#include <vector>

#include "core/decision_values.h"
#include "core/table.h"
#include "experiments/lazy_classifier.h"
#include "tests/rough/table_builders.h"
#include "tests/support/table_rows.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// The statistics handed over are those of the whole table, test rows first: they name a
// class the training rows lack, first. Both methods answer it: Johnson with a quality of 1,
// the elimination as the first candidate left when none can be told apart.
TEST(UnseenDecision, ALazyAnswerOfAClassTrainingLacksIsWrong) {
    TTable train, test, whole;
    FillTable(train, {{0, 0, 1}});
    FillTable(test, {{9, 9, 5}});
    FillTable(whole, {{9, 9, 5}, {0, 0, 1}});
    TDValInfo info;
    info.CalcFromTable(whole);
    CaptureStdout();
    const double johnson = TLazyClassifier::TestMaxJohnson(train, info, test, nullptr);
    const double elimination = TLazyClassifier::EliminationTest(train, info, test, 1.0);
    EXPECT_EQ(GetCapturedStdout(), " TEST MAX JOHNSON \n\n-\n.ZLE: \n\nEWIDENCJA\n\n-\n.\n");
    EXPECT_EQ(johnson, 1.0);
    EXPECT_EQ(elimination, 1.0);
}

// Iris without its class 0 in training: both methods answer 0 for many of its objects.
TEST(UnseenDecision, SharesCountOnlyAnswersOfClassesTrainingHolds) {
    TTable all;
    all.Load(VARNEL_TABLES "/iris.tab");
    Rows kept;
    for (const auto& row : TableRows(all)) {
        if (row.back() != 0) kept.push_back(row);
    }
    const auto train = RowsTable(kept);
    TDValInfo info;
    info.CalcFromTable(all);
    TJohnsonWork work;
    TAgreementMasks masks;
    std::vector<int> candidates, scratch, states;
    int johnsonWrong = 0, eliminationWrong = 0, unseenAnswered = 0;
    for (int k = 0; k < 150; ++k) {
        const int truth = all.GetTable(k, 4);
        const int johnson = TLazyClassifier::ClassifyJohnson(*train, info, all, k, work);
        TLazyClassifier::BuildObjectMasks(*train, all, k, masks);
        const int left = TLazyClassifier::EliminateDecisions(*train, info, candidates, masks, scratch, states, 0, 1.0);
        johnsonWrong += johnson != truth || truth == 0;
        eliminationWrong += left != truth || truth == 0;
        unseenAnswered += (johnson == 0) + (left == 0);
    }
    ASSERT_GT(unseenAnswered, 0);
    CaptureStdout();
    const double johnson = TLazyClassifier::TestMaxJohnson(*train, info, all, nullptr);
    const double elimination = TLazyClassifier::EliminationTest(*train, info, all, 1.0);
    GetCapturedStdout();
    EXPECT_DOUBLE_EQ(johnson, johnsonWrong / 150.0);
    EXPECT_DOUBLE_EQ(elimination, eliminationWrong / 150.0);
}

}  // namespace
