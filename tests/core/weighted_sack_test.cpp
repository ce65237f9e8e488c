#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/decision_values.h"
#include "core/table.h"
#include "core/weighted_sack.h"
#include "tests/support/failure_of.h"

namespace {

TDValInfo Decisions(const std::vector<std::pair<int, int>>& valueAndObjects) {
    TDValInfo info;
    for (auto [value, objects] : valueAndObjects) {
        for (int i = 0; i < objects; ++i) info.AddDecVal(value);
    }
    return info;
}

TEST(WIntSack, AddMergesRepeatsIntoWeights) {
    TWIntSack s;
    s.Add(7);
    s.Add(7);
    s.Add(3);
    s.Add(3, 5);
    s.Add(9, 4);
    ASSERT_EQ(s.GetSize(), 3);
    EXPECT_EQ(s.GetElem(0), 7);
    EXPECT_EQ(s.GetWeight(0), 2);
    EXPECT_EQ(s.GetElem(1), 3);
    EXPECT_EQ(s.GetWeight(1), 6);
    EXPECT_EQ(s.GetWeight(2), 4);
    EXPECT_EQ(s.GetFWeight(2), 0.0f);

    TWIntSack stepped(3);
    for (int v = 0; v < 2; ++v) stepped.Add(v);
    EXPECT_EQ(stepped.GetCapacity(), 3);
    stepped.Add(2);
    EXPECT_EQ(stepped.GetCapacity(), 6);
    stepped.Reset();
    EXPECT_EQ(stepped.GetSize(), 0);
    EXPECT_EQ(stepped.GetStep(), 10);
    EXPECT_EQ(TWIntSack(0).GetStep(), 1);
}

TEST(WIntSack, RealWeightsDivideByTheObjectsOfBothDecisions) {
    TDValInfo info = Decisions({{1, 2}, {2, 4}, {0, 0}});
    info.AddDecVal(0);
    info.CountObjFromTable(TTable());  // every count 0 now
    TWIntSack s;
    s.Add(12, 3);
    s.Add(21, 6);
    s.Add(11, 1);
    s.Add(0, 5);
    TDValInfo counted = Decisions({{1, 2}, {2, 4}, {0, 1}});
    s.CalcFWeights(counted);
    EXPECT_EQ(s.GetFWeight(0), 0.5f);
    EXPECT_EQ(s.GetFWeight(1), 1.0f);
    EXPECT_EQ(s.GetFWeight(2), 0.25f);
    EXPECT_EQ(s.GetFWeight(3), 2.5f);
    s.CalcFWeights(info);
    EXPECT_EQ(s.GetFWeight(0), 0.0f);

    TWIntSack unknown;
    unknown.Add(13);
    Failure f = FailureOf([&] { unknown.CalcFWeights(counted); });
    EXPECT_EQ(f.code, 5);
    EXPECT_EQ(f.log, "Bad decision value in TDValInfo::GetDCForDecVal\n");
}

TEST(WIntSack, SortPutsTheLargestRealWeightFirstInTheQuicksortsArrangement) {
    // Weights w / 10 for the elements 10..17 (decision 1 with 5 objects, decision 0..7 with 5).
    TDValInfo info = Decisions({{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}});
    TWIntSack s;
    const int weights[] = {2, 5, 2, 9, 5, 2, 9, 1};
    for (int i = 0; i < 8; ++i) s.Add(10 + i, weights[i]);
    s.CalcFWeights(info);
    s.Sort();
    std::vector<int> elements;
    for (int i = 0; i < s.GetSize(); ++i) elements.push_back(s.GetElem(i));
    // The pivot-first partition leaves the equal weights in this arrangement.
    EXPECT_EQ(elements, (std::vector<int>{16, 13, 11, 14, 10, 15, 12, 17}));
    for (int i = 1; i < s.GetSize(); ++i) EXPECT_GE(s.GetFWeight(i - 1), s.GetFWeight(i));
    EXPECT_EQ(s.GetWeight(0), 9);
}

TEST(WIntSack, IndexesAreChecked) {
    TWIntSack s;
    s.Add(1);
    EXPECT_EQ(FailureOf([&] { s.GetElem(1); }).log, "Bad number of element in TWIntSack::GetElem \n");
    EXPECT_EQ(FailureOf([&] { s.GetWeight(-1); }).log, "Bad number of element in TWIntSack::GetWeight \n");
    Failure f = FailureOf([&] { s.GetFWeight(1); });
    EXPECT_EQ(f.log, "Bad number of element in TWIntSack::GetFWeight \n");
    EXPECT_EQ(f.code, 5);
}

}  // namespace
