#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/table.h"
#include "experiments/lazy_classifier.h"
#include "tests/experiments/lazy_reference.h"
#include "tests/rough/table_builders.h"
#include "tests/support/exit_child.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Test object (0, 0): the sets are {0,1}, {0}, {0}, {1}, {} and {1}.
void ThreeDecisions(TTable& train) {
    FillTable(train, {{0, 0, 1}, {0, 1, 1}, {0, 1, 2}, {1, 0, 2}, {1, 1, 3}, {1, 0, 3}});
}

// Worked by hand. Round one: against 1 no rival object is covered (ratio 0); against 2 and
// 3 the rival object 0 is covered while none of the candidate's own is (ratio infinite), so
// 2, the first of the two, goes. Round two: against 3 objects 0 and 1 are covered, 3's own
// are not: 3 goes and 1 is the answer.
TEST(LazyElimination, ThreeDecisionsWorkedByHand) {
    TTable train, test;
    ThreeDecisions(train);
    FillTable(test, {{0, 0, 1}, {9, 9, 3}});
    TDValInfo info;
    info.CalcFromTable(train);
    TAgreementMasks masks;
    TLazyClassifier::BuildObjectMasks(train, test, 0, masks);
    std::vector<int> work;
    std::vector<int> states = {1, 1, 0, 0, 0, 0};
    EXPECT_EQ(TLazyClassifier::CoveredRatio(train, masks, work, states), 0.0);
    EXPECT_EQ(states, (std::vector<int>{3, 1, 0, 0, -2, 0}));
    states = {0, 0, 1, 1, 0, 0};
    EXPECT_EQ(TLazyClassifier::CoveredRatio(train, masks, work, states), HUGE_VAL);
    EXPECT_EQ(states, (std::vector<int>{2, 0, 1, 1, -2, 0}));
    states = {1, 1, -1, -1, 0, 0};
    // At one half the rule of object 5 ({1}: objects 0 and 5) covers it.
    EXPECT_EQ(TLazyClassifier::CoveredRatioByConfidence(train, masks, work, states, 0.5), 0.5);
    EXPECT_EQ(states, (std::vector<int>{3, 3, -1, -1, -2, 2}));

    std::vector<int> candidates;
    EXPECT_EQ(TLazyClassifier::EliminateDecisions(train, info, candidates, masks, work, states, 1, 1.0), 1);
    EXPECT_EQ(candidates, (std::vector<int>{1, 0, 0}));

    // Agreeing with nothing, no candidate scores: the rounds end and the first one answers.
    CaptureStdout();
    EXPECT_DOUBLE_EQ(TLazyClassifier::EliminationTest(train, info, test, 1.0), 0.5);
    EXPECT_EQ(GetCapturedStdout(), "EWIDENCJA\n\n-\n.\n");
}

TEST(LazyElimination, NoDecisionValuesEndsTheProcess) {
    TTable train, test;
    FillTable(test, {{0, 0, 1}});
    TDValInfo info;
    EXPECT_EQ(StdoutOfExitZero([&] { TLazyClassifier::EliminationTest(train, info, test, 1.0); }),
              "EWIDENCJA\n\n-\n.BLAD\n");
}

TEST(LazyElimination, VoteTableShareCountsTheWrongAnswers) {
    TTable train, test;
    TDValInfo info;
    VoteTableSplit(train, test, info);
    for (double threshold : {1.0, 0.9}) {
        CaptureStdout();
        const double share = TLazyClassifier::EliminationTest(train, info, test, threshold);
        EXPECT_EQ(GetCapturedStdout(), "EWIDENCJA\n\n" + std::string(14, '-') + "\n" + std::string(14, '.') + "\n");
        int wrong = 0;
        TAgreementMasks masks;
        std::vector<int> candidates, work, states;
        for (int k = 0; k < test.GetNoObj(); ++k) {
            TLazyClassifier::BuildObjectMasks(train, test, k, masks);
            ASSERT_EQ(masks.GetSize(), train.GetNoObj());
            wrong += TLazyClassifier::EliminateDecisions(train, info, candidates, masks, work, states, 0, threshold) !=
                     test.GetTable(k, 16);
        }
        EXPECT_DOUBLE_EQ(share, static_cast<double>(wrong) / test.GetNoObj());
        EXPECT_LT(share, 0.5);
    }
}

}  // namespace
