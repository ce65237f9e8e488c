#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/table.h"
#include "core/weighted_sack.h"
#include "experiments/lazy_classifier.h"
#include "tests/experiments/lazy_reference.h"
#include "tests/rough/table_builders.h"
#include "tests/support/exit_child.h"
#include "tests/support/table_text.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Every object of random tables (5 attributes, and 70 so that a set needs two words), under
// methods 2, 9 and 10: the grouped classifier answers what the object-by-object definition
// answers, and the literal propagation over ungrouped positions gives the same votes.
TEST(LazyClassifier, AnswersAsTheDefinitionOnRandomTables) {
    for (int noAttr : {6, 71}) {
        for (unsigned seed = 1; seed <= 4; ++seed) {
            TTable train, test;
            FillRandomTable(train, seed, 40, noAttr, noAttr > 10 ? 12 : 3, 3);
            FillRandomTable(test, seed + 100, 15, noAttr, noAttr > 10 ? 12 : 3, 3);
            TDValInfo info;
            info.CalcFromTable(train);
            int smallest = info.GetDecVal(0);
            for (int v = 1; v < info.GetNoDecVal(); ++v) smallest = std::min(smallest, info.GetDecVal(v));
            TLazyPositions work;
            for (int k = 0; k < test.GetNoObj(); ++k) {
                const LazyReference ref(train, test, k);
                for (auto [method, threshold] : {std::pair{2, 1.0}, {10, 1.0}, {10, 0.6}, {10, 0.3}, {9, 1.0}}) {
                    int confidence = -1;
                    int expected = -1;
                    CaptureStdout();
                    const int answer = TLazyClassifier::ClassifyObject(train, info, test, k, method, threshold,
                                                                       smallest, work, confidence);
                    GetCapturedStdout();
                    EXPECT_EQ(answer, ref.Classify(info, method, threshold, expected)) << seed << " " << k;
                    if (answer != TLazyClassifier::NoDecision) {
                        EXPECT_EQ(confidence, expected);
                    }
                }
                std::vector<int> objects, decisions;
                TLazyClassifier::ListAgreeingObjects(train, test, k, objects, decisions);
                EXPECT_EQ(decisions, ref.decisions);
                TLazyPositions literal;
                literal.Clear(noAttr - 1);
                for (int i = 0; i < ref.Size(); ++i) {
                    std::vector<std::uint64_t> mask(2, 0);
                    for (int a = 0; a < noAttr - 1; ++a) mask[a / 64] |= std::uint64_t{ref.sets[i][a]} << (a % 64);
                    literal.Add(mask.data(), ref.decisions[i], 1, -1000);
                }
                TLazyClassifier::PropagateConsistent(literal, -1000);
                const std::vector<bool> trusted = ref.AllTrusted(2, 1.0);
                for (int i = 0; i < ref.Size(); ++i) EXPECT_EQ(literal.classes[i] != -1000, ref.Votes(i, 2, trusted));
            }
        }
    }
}

TEST(LazyClassifier, ReportsEachObjectAndTheShares) {
    TTable train, test;
    FillTable(train, {{1, 1, 3}, {2, 2, 7}});
    // Right; 7 taken for 3; 3 taken for 7; agreeing with nothing.
    FillTable(test, {{1, 1, 3}, {1, 1, 7}, {2, 2, 3}, {5, 5, 3}});
    TDValInfo info;
    info.CalcFromTable(train);
    TWIntSack errors;
    CaptureStdout();
    EXPECT_DOUBLE_EQ(TLazyClassifier::QuickExamplesTest(train, info, test, 2, 1.0, &errors), 0.75);
    EXPECT_EQ(GetCapturedStdout(),
              "\n-\n.DOBRZE: \nZLE: \nZLE: \nNIEROZPOZNANY \n\nResults: 0.333333 0.666667 0.25 0.75\n\n");
    EXPECT_DOUBLE_EQ(info.GetDistrib(0), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(info.GetDistrib(1), 1.0);
    ASSERT_EQ(errors.GetSize(), 1);
    EXPECT_EQ(errors.GetElem(0), 37);
    EXPECT_EQ(errors.GetWeight(0), 2);
    const int both[] = {0, 1};
    EXPECT_EQ(TLazyClassifier::CountEqualAttrs(test, 0, 1, both, 2), 2);
    EXPECT_EQ(TLazyClassifier::CountEqualAttrs(test, 0, 2, both + 1, 1), 0);

    // Method 9: a set inside one of another decision has margin 0 and is left out of the
    // bounds; the other differs by two attributes from its nearest rival.
    FillTable(train, {{1, 1, 1, 1}, {1, 2, 2, 2}});
    FillTable(test, {{1, 1, 1, 1}});
    info.CalcFromTable(train);
    CaptureStdout();
    EXPECT_EQ(TLazyClassifier::QuickExamplesTest(train, info, test, 9, 1.0, nullptr), 0.0);
    EXPECT_EQ(GetCapturedStdout(), "\n-\n.         MIN_NEG=2\n         MAX_NEG=2\nDOBRZE: \n\nResults: 1 0 0 0\n\n");

    // An unknown method recognizes nothing; a test decision unknown to the training table
    // counts as wrong but has no per-class entry to change.
    FillTable(test, {{1, 1, 1, 1}, {1, 1, 1, 9}});
    CaptureStdout();
    EXPECT_EQ(TLazyClassifier::QuickExamplesTest(train, info, test, 4, 1.0, nullptr), 1.0);
    EXPECT_EQ(GetCapturedStdout(),
              "\n-\n.NOT IMPLEMENTED!!!\nNIEROZPOZNANY \nNOT IMPLEMENTED!!!\nNIEROZPOZNANY \n\nResults: 0 1 1 1\n\n");
    EXPECT_EQ(info.GetDistrib(0), 1.0);
    EXPECT_EQ(info.GetDistrib(1), 0.0);

    TTable empty;
    CaptureStdout();
    EXPECT_EQ(TLazyClassifier::QuickExamplesTest(train, info, empty, 2, 1.0, nullptr), 0.0);
    EXPECT_EQ(GetCapturedStdout(), "\n\n\nResults: 0 1 0 0\n\n");
}

TEST(LazyClassifier, AClassOutsideTheStatisticsEndsTheProcess) {
    TTable train, test;
    FillTable(train, {{1, 7}, {2, 3}});
    FillTable(test, {{1, 3}});
    TDValInfo info;
    info.AddDecVal(3);
    EXPECT_EQ(StdoutOfExitZero([&] { TLazyClassifier::QuickExamplesTest(train, info, test, 2, 1.0, nullptr); }),
              "\n-\n.ERROR: QuickExamplesTest  OBJ[0]=7\n1\n3 \n______________________\n");
}

// The real table: the printed verdicts are the definition's, and the shares, the results
// line and the per-class error rates are counted from them.
TEST(LazyClassifier, VoteTableVerdictsAgreeWithTheReport) {
    TTable train, test;
    TDValInfo info;
    VoteTableSplit(train, test, info);
    for (auto [method, threshold] : {std::pair{2, 1.0}, {10, 0.8}, {9, 1.0}}) {
        CaptureStdout();
        const double share = TLazyClassifier::QuickExamplesTest(train, info, test, method, threshold, nullptr);
        const std::string out = GetCapturedStdout();
        int right = 0, unrecognized = 0;
        std::vector<int> wrong(2, 0), objects(2, 0);
        for (int k = 0; k < test.GetNoObj(); ++k) {
            int confidence = 0;
            const int answer = LazyReference(train, test, k).Classify(info, method, threshold, confidence);
            const int truth = test.GetTable(k, 16);
            ++objects[truth];
            right += answer == truth;
            unrecognized += answer == TLazyClassifier::NoDecision;
            wrong[truth] += answer != truth;
        }
        const int n = test.GetNoObj();
        EXPECT_EQ(CountOf(out, "DOBRZE: \n"), right);
        EXPECT_EQ(CountOf(out, "NIEROZPOZNANY \n"), unrecognized);
        EXPECT_EQ(CountOf(out, "ZLE: \n"), n - right - unrecognized);
        EXPECT_DOUBLE_EQ(share, static_cast<double>(n - right) / n);
        const double accuracy = static_cast<double>(right) / (n - unrecognized);
        char results[128];
        std::snprintf(results, sizeof results, "\nResults: %g %g %g %g\n\n", accuracy, 1 - accuracy,
                      static_cast<double>(unrecognized) / n, share);
        EXPECT_EQ(out.substr(out.rfind("\nResults")), results);
        for (int v = 0; v < 2; ++v) {
            const int d = info.GetDecVal(v);
            EXPECT_DOUBLE_EQ(info.GetDistrib(v), static_cast<double>(wrong[d]) / objects[d]);
        }
    }
}

TEST(LazyClassifier, MethodTenAtOnePrintsWhatMethodTwoPrints) {
    TTable train, test;
    FillRandomTable(train, 9, 60, 8, 3, 4);
    FillRandomTable(test, 19, 25, 8, 3, 4);
    TDValInfo info;
    info.CalcFromTable(train);
    CaptureStdout();
    const double two = TLazyClassifier::QuickExamplesTest(train, info, test, 2, 1.0, nullptr);
    const std::string twoOut = GetCapturedStdout();
    CaptureStdout();
    EXPECT_EQ(TLazyClassifier::QuickExamplesTest(train, info, test, 10, 1.0, nullptr), two);
    EXPECT_EQ(GetCapturedStdout(), twoOut);
    EXPECT_GT(CountOf(twoOut, "DOBRZE"), 0);
}

// Objects without a column have no decision to classify by.
TEST(LazyClassifier, ObjectsWithoutColumnsHaveNoDecision) {
    TTable t;
    LoadTableText(t, "5 0\n");
    TDValInfo info;
    CaptureStdout();
    EXPECT_NO_DECISION_FAILURE(TLazyClassifier::QuickExamplesTest(t, info, t, 2, 0.9, nullptr));
    EXPECT_NO_DECISION_FAILURE(TLazyClassifier::EliminationTest(t, info, t, 1.0));
    GetCapturedStdout();
}

// The mark of a position without a class lies below the smallest decision; with the smallest
// int as a decision it must still be no decision at all: the answers equal those of the same
// table with its decisions renamed in the same order.
TEST(LazyClassifier, TheSmallestIntAsADecisionLeavesTheAnswersAsRenamedDecisionsGive) {
    auto run = [](int low, int high) {
        TTable t;
        FillTable(t, {{0, 0, low}, {0, 0, low}, {1, 1, high}, {1, 1, high}, {1, 1, high}, {0, 1, 5}, {0, 1, 5}});
        TDValInfo info;
        info.CalcFromTable(t);
        std::vector<double> shares;
        CaptureStdout();
        for (int method : {2, 10}) {
            shares.push_back(TLazyClassifier::QuickExamplesTest(t, info, t, method, 0.9, nullptr));
            for (int v = 0; v < info.GetNoDecVal(); ++v) shares.push_back(info.GetDistrib(v));
        }
        shares.push_back(TLazyClassifier::EliminationTest(t, info, t, 1.0));
        GetCapturedStdout();
        return shares;
    };
    const std::vector<double> renamed = run(-7, 1000);
    EXPECT_EQ(run(INT_MIN, INT_MAX), renamed);
    EXPECT_EQ(run(INT_MIN, 6), renamed);
    EXPECT_EQ(renamed.front(), 0.0);
}

}  // namespace
