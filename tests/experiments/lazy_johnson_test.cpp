#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/table.h"
#include "experiments/lazy_classifier.h"
#include "rough/decision/dec_mem.h"
#include "rough/rules/rule_weight.h"
#include "tests/experiments/lazy_reference.h"
#include "tests/rough/table_builders.h"
#include "tests/support/test_files.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Five objects, two of decision 1 (weight 5 / 2 = 2.5 each) and three of decision 2 (5 / 3).
// Test object (0, 0): objects 0 and 1 of decision 1 differ from it on one attribute each.
void FiveObjects(TTable& train, TDValInfo& info) {
    FillTable(train, {{1, 0, 1}, {0, 1, 1}, {0, 0, 2}, {1, 1, 2}, {5, 5, 2}});
    info.CalcFromTable(train);
}

TEST(LazyJohnson, WeightsRoundHalvesUpward) {
    TTable train, test;
    TDValInfo info;
    FiveObjects(train, info);
    FillTable(test, {{0, 0, 2}, {0, 0, 1}});
    TJohnsonWork work;
    TLazyClassifier::PrepareJohnson(train, info, work);
    const int both[] = {0, 1};
    int matched = -1;
    // Each position weighs 2.5, rounded to 3: (1 - 1/8)^2 (to even it would be (3/4)^2).
    EXPECT_EQ(TLazyClassifier::WeightedQuality(train, test, 0, both, 2, 2, work, matched), 0.765625);
    EXPECT_EQ(matched, 0);
    // Object 1 matches on attribute 0 alone: 2^-3.
    EXPECT_EQ(TLazyClassifier::WeightedQuality(train, test, 0, both, 1, 2, work, matched), 0.125);
    EXPECT_EQ(matched, 1);

    // Decision 2 grows {0} (quality 1/8, one match) into {0, 1}; decision 1 starts at its
    // floor (object 2 equals the test object everywhere) and does not grow.
    EXPECT_EQ(TLazyClassifier::JohnsonReductQuality(train, test, 0, 2, 2, work), 0.765625);
    EXPECT_EQ(TLazyClassifier::CountOtherMatching(train, test, 0, both, 2, 1), 1);
    EXPECT_EQ(TLazyClassifier::CountSameMatching(train, test, 0, both, 2, 2), 1);
    EXPECT_EQ(TLazyClassifier::JohnsonReductQuality(train, test, 0, 1, 2, work), 0.25);
    EXPECT_EQ(TLazyClassifier::ClassifyJohnson(train, info, test, 0, work), 2);

    int position = 7;
    EXPECT_EQ(TLazyClassifier::MatchWithOneDifference(train, 0, test, 0, both, 2, 2, position), 0);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(TLazyClassifier::MatchWithOneDifference(train, 0, test, 0, both, 2, 1, position), 0);
    EXPECT_EQ(position, -1);
    EXPECT_EQ(TLazyClassifier::MatchWithOneDifference(train, 2, test, 0, both, 2, 1, position), 1);
    EXPECT_EQ(position, -1);

    // Prefix {0} still matches object 1; {0, 1} matches nothing of decision 1.
    EXPECT_EQ(TLazyClassifier::FindPrefixLength(train, test, 0, -1, 1, both, 0, 2), 2);
    EXPECT_EQ(TLazyClassifier::FindPrefixLength(train, test, 0, -1, 1, both, 1, 2), 1);
    EXPECT_EQ(TLazyClassifier::FindPrefixLength(train, test, 0, 4, 2, both, 1, 2), 3);

    std::vector<double> errors;
    CaptureStdout();
    EXPECT_EQ(TLazyClassifier::TestMaxJohnson(train, info, test, &errors), 0.5);
    EXPECT_EQ(GetCapturedStdout(), " TEST MAX JOHNSON \n\n-\n.DOBRZE: \nZLE: \n\n");
    EXPECT_EQ(errors, (std::vector<double>{1.0, 0.0}));
}

TEST(LazyJohnson, SingleDecisionAndHugeWeights) {
    TTable train, test;
    FillTable(train, {{0, 0, 5}, {1, 0, 5}});
    FillTable(test, {{0, 1, 5}});
    TDValInfo info;
    info.CalcFromTable(train);
    TJohnsonWork work;
    TLazyClassifier::PrepareJohnson(train, info, work);
    EXPECT_EQ(TLazyClassifier::JohnsonReductQuality(train, test, 0, 5, 2, work), 1.0);
    EXPECT_EQ(TLazyClassifier::ClassifyJohnson(train, info, test, 0, work), 5);

    // One object against 10,001 equal ones: weights past any power of two a double holds.
    // Every quality is 0 and the object is not recognized; the process goes on.
    train.CreateTable(10002, 2);
    for (int o = 0; o < 10002; ++o) train.SetTable(o, 1, o == 0 ? 1 : 2);
    info.CalcFromTable(train);
    FillTable(test, {{0, 1}});
    CaptureStdout();
    EXPECT_EQ(TLazyClassifier::TestMaxJohnson(train, info, test, nullptr), 1.0);
    EXPECT_EQ(GetCapturedStdout(), " TEST MAX JOHNSON \n\n-\n.NIEROZPOZNANE: \n\n");
}

// Within the range of the power table the weight is the quotient of its two products.
TEST(LazyJohnson, RuleWeightAgreesWithThePowerTable) {
    for (int w1 = 0; w1 <= 60; w1 += 3) {
        for (int w2 : {1, 2, 7, 53, 54}) {
            for (int s : {0, 1, 5}) {
                const double quotient =
                    ((POWER_2(w1) - 1) * (POWER_2(w2) - 1)) / (POWER_2(w1) * POWER_2(w2) * POWER_2(s));
                EXPECT_EQ(PowerTwoRuleWeight({w1, w2}, s), quotient) << w1 << " " << w2 << " " << s;
            }
        }
    }
    EXPECT_EQ(PowerTwoRuleWeight({1024, 3}, 0), 0.875);
    EXPECT_EQ(PowerTwoRuleWeight({}, 10000), 0.0);
}

TEST(LazyJohnson, VoteTableVerdictsAgreeWithTheReport) {
    TTable train, test;
    TDValInfo info;
    VoteTableSplit(train, test, info);
    std::vector<double> errors;
    CaptureStdout();
    const double share = TLazyClassifier::TestMaxJohnson(train, info, test, &errors);
    const std::vector<std::string> lines = TextLines(GetCapturedStdout());
    ASSERT_EQ(lines.size(), 4u + test.GetNoObj());
    std::vector<int> wrong(2, 0), objects(2, 0);
    int right = 0;
    for (int k = 0; k < test.GetNoObj(); ++k) {
        // A dot before objects 0, 10, 20, ...
        const std::string line = lines[3 + k].substr(k % 10 == 0 && lines[3 + k][0] == '.' ? 1 : 0);
        const int truth = test.GetTable(k, 16);
        ++objects[truth];
        const bool ok = line == "DOBRZE: ";
        EXPECT_TRUE(ok || line == "ZLE: " || line == "NIEROZPOZNANE: ") << line;
        right += ok;
        wrong[truth] += !ok;
    }
    EXPECT_DOUBLE_EQ(share, 1.0 - static_cast<double>(right) / test.GetNoObj());
    for (int v = 0; v < 2; ++v) {
        const int d = info.GetDecVal(v);
        EXPECT_DOUBLE_EQ(errors[v], static_cast<double>(wrong[d]) / objects[d]);
    }
}

}  // namespace
