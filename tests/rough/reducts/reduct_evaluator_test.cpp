#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "core/insertion_tree.h"
#include "rough/reducts/reduct_evaluator.h"
#include "tests/rough/reducts/projection_walk.h"
#include "tests/rough/reducts/reduct_builders.h"
#include "tests/rough/table_builders.h"
#include "tests/support/brute_force_reducts.h"
#include "tests/support/literal_gen_dec.h"

using genetic_subsets::Subset;

namespace {

Subset RandomSubset(int bits) {
    Subset s(bits);
    for (int a = 0; a < bits; ++a)
        if (Rand() % 3 == 0) s.Set(a);
    return s;
}

std::vector<int> Iota(int n) {
    std::vector<int> v(static_cast<size_t>(n));
    std::iota(v.begin(), v.end(), 0);
    return v;
}

// ---------------------------------------------------------------------------- CompareRows

TEST(CompareRows, ComparesSignedValuesOnTheSubsetsAttributesInAscendingOrder) {
    TTable t;
    FillTable(t, {{5, -1, 7, 0}, {5, 2, 3, 0}, {5, -1, 9, 1}});
    EXPECT_EQ(CompareRows(t, t, 0, 1, Of(4, {0, 1, 2})), 1);  // -1 < 2 decides before 7 > 3
    EXPECT_EQ(CompareRows(t, t, 1, 0, Of(4, {0, 1, 2})), 2);
    EXPECT_EQ(CompareRows(t, t, 0, 1, Of(4, {0, 2})), 2);
    EXPECT_EQ(CompareRows(t, t, 0, 2, Of(4, {0, 1})), 0);
    EXPECT_EQ(CompareRows(t, t, 0, 2, Of(4, {})), 0);
    EXPECT_EQ(CountRowDifferences(t, t, 0, 1, Of(4, {0, 1, 2, 3})), 2);
    EXPECT_EQ(CountRowDifferences(t, t, 0, 2, Of(4, {0, 1, 3})), 1);

    TTable other;
    FillTable(other, {{5, -1, 8, 0}});
    EXPECT_EQ(CompareRows(t, other, 0, 0, Of(4, {0, 1, 2})), 1);
    EXPECT_EQ(CompareRows(other, t, 0, 2, Of(4, {2})), 1);
}

// ---------------------------------------------------------------------------- insertion tree

// The tree a walk from the root builds, item by item.
InsertionTree WalkedTree(const std::vector<int>& keys) {
    struct Node {
        int item;
        int left = -1;
        int right = -1;
    };
    std::vector<Node> nodes;
    std::vector<int> nodeOf(keys.size());
    for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
        if (nodes.empty()) {
            nodes.push_back({i});
            nodeOf[0] = 0;
            continue;
        }
        int at = 0;
        for (;;) {
            const int k = keys[static_cast<size_t>(nodes[static_cast<size_t>(at)].item)];
            if (keys[static_cast<size_t>(i)] == k) {
                nodeOf[static_cast<size_t>(i)] = at;
                break;
            }
            int& next = keys[static_cast<size_t>(i)] < k ? nodes[static_cast<size_t>(at)].left
                                                         : nodes[static_cast<size_t>(at)].right;
            if (next < 0) {
                next = static_cast<int>(nodes.size());
                nodeOf[static_cast<size_t>(i)] = next;
                nodes.push_back({i});
                break;
            }
            at = next;
        }
    }
    InsertionTree tree;
    std::vector<int> position(nodes.size());
    std::vector<int> pending;
    if (!nodes.empty()) pending.push_back(0);
    while (!pending.empty()) {
        const int at = pending.back();
        pending.pop_back();
        position[static_cast<size_t>(at)] = static_cast<int>(tree.preOrder.size());
        tree.preOrder.push_back(nodes[static_cast<size_t>(at)].item);
        if (nodes[static_cast<size_t>(at)].right >= 0) pending.push_back(nodes[static_cast<size_t>(at)].right);
        if (nodes[static_cast<size_t>(at)].left >= 0) pending.push_back(nodes[static_cast<size_t>(at)].left);
    }
    for (int node : nodeOf) tree.node.push_back(position[static_cast<size_t>(node)]);
    return tree;
}

TEST(InsertionTree, IsTheTreeThatInsertingTheItemsInTurnBuilds) {
    SeedRand(11);
    for (int round = 0; round < 200; ++round) {
        const int n = Rand() % 60;
        const int range = 1 + Rand() % 40;
        std::vector<int> keys;
        for (int i = 0; i < n; ++i) keys.push_back(Rand() % range);
        if (round % 10 == 1) std::sort(keys.begin(), keys.end());
        if (round % 10 == 2) std::sort(keys.rbegin(), keys.rend());
        const InsertionTree built = BuildInsertionTree(n, [&](int a, int b) {
            return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)] ? -1 : (keys[static_cast<size_t>(a)] > keys[static_cast<size_t>(b)] ? 1 : 0);
        });
        const InsertionTree walked = WalkedTree(keys);
        ASSERT_EQ(built.preOrder, walked.preOrder) << "round " << round;
        ASSERT_EQ(built.node, walked.node) << "round " << round;
    }
}

// ---------------------------------------------------------------------------- TObjClassTree

TEST(ObjClassTree, NumbersClassListsInThePreOrderOfTheirTreeFromOneProcessCounter) {
    // K = column 0, D = column 1. The classes' tree (keys 10, 5, 15, 3, 7) visits objects
    // 0, 1, 3, 4, 2; their lists (5), (2), (1), (3), (8) are interned in that order, whose
    // tree in pre-order reads 5, 2, 1, 3, 8.
    TTable t;
    FillTable(t, {{10, 5}, {5, 2}, {15, 8}, {3, 1}, {7, 3}, {5, 2}});
    TObjClassTree tree(t, Of(2, {1}), Of(2, {0}), 1);
    ASSERT_TRUE(tree.HasIds());
    const int b = tree.GetId(0);
    EXPECT_EQ(tree.GetId(1), b + 1);
    EXPECT_EQ(tree.GetId(3), b + 2);
    EXPECT_EQ(tree.GetId(4), b + 3);
    EXPECT_EQ(tree.GetId(2), b + 4);
    EXPECT_EQ(tree.GetId(5), b + 1);
    EXPECT_EQ(tree.IsOneClass(), 0);

    // The counter goes on: a later tree's ids start after these.
    TObjClassTree later(t, Of(2, {1}), Of(2, {0}), 1);
    EXPECT_EQ(later.GetId(0), b + 5);
}

TEST(ObjClassTree, ListsOfDecisionsKeepDescendingOrderAndAShorterPrefixIsSmaller) {
    // Classes in pre-order: K=1 with the list (1, 0), K=0 with (0), K=2 with (1). Interned in
    // that order: (1, 0) is the root, (0) goes left, and (1), a beginning of (1, 0) and so
    // smaller than it, goes left and then right of (0).
    TTable t;
    FillTable(t, {{1, 0}, {1, 1}, {0, 0}, {2, 1}, {1, 0}});
    TObjClassTree tree(t, Of(2, {1}), Of(2, {0}), 1);
    const int b = tree.GetId(0);
    EXPECT_EQ(tree.GetId(1), b);
    EXPECT_EQ(tree.GetId(4), b);
    EXPECT_EQ(tree.GetId(2), b + 1);  // (0): left of (1, 0)
    EXPECT_EQ(tree.GetId(3), b + 2);  // (1): right of (0)
}

TEST(ObjClassTree, EqualIdsMeanEqualGeneralizedDecisionsInMode1AndEqualRowsInMode0) {
    for (unsigned seed : {1u, 2u, 3u}) {
        TTable t;
        FillRandomTable(t, seed, 120, 5, 3, 3);
        if (seed == 3) SortRows(t);
        const LiteralGenDec literal = ComputeLiteralGenDec(t);
        const Subset conditions = Of(5, {0, 1, 2, 3});
        TObjClassTree relative(t, Of(5, {4}), conditions, 1);
        TObjClassTree plain(t, Of(5, {}), conditions, 0);
        EXPECT_TRUE(plain.GetD() == conditions);
        for (int i = 0; i < t.GetNoObj(); ++i) {
            for (int j = 0; j < t.GetNoObj(); ++j) {
                const bool sameGenDec = literal.classes[static_cast<size_t>(i)] == literal.classes[static_cast<size_t>(j)];
                ASSERT_EQ(relative.GetId(i) == relative.GetId(j), sameGenDec) << i << " " << j;
                const bool sameRow = CompareRows(t, t, i, j, conditions) == 0;
                ASSERT_EQ(plain.GetId(i) == plain.GetId(j), sameRow) << i << " " << j;
            }
        }
    }
}

TEST(ObjClassTree, OneClassForOneObjectNoObjectsOrOneGeneralizedDecisionAndNoIdsInMode2) {
    TTable one;
    FillTable(one, {{4, 1}});
    EXPECT_EQ(TObjClassTree(one, Of(2, {1}), Of(2, {0}), 1).IsOneClass(), 1);

    TTable empty;
    empty.CreateTable(0, 3);
    TObjClassTree none(empty, Of(3, {2}), Of(3, {0, 1}), 1);
    EXPECT_EQ(none.IsOneClass(), 1);
    EXPECT_FALSE(none.HasIds());

    // Both objects agree on the conditions: one generalized decision {0, 1}.
    TTable clash;
    FillTable(clash, {{3, 0}, {3, 1}});
    EXPECT_EQ(TObjClassTree(clash, Of(2, {1}), Of(2, {0}), 1).IsOneClass(), 1);
    EXPECT_EQ(TObjClassTree(clash, Of(2, {}), Of(2, {0, 1}), 0).IsOneClass(), 0);

    TObjClassTree dependency(clash, Of(2, {}), Of(2, {0, 1}), 2);
    EXPECT_EQ(dependency.IsOneClass(), 0);
    EXPECT_FALSE(dependency.HasIds());
}

// ---------------------------------------------------------------------------- ReductEvaluator

TEST(ReductEvaluator, ATableOfOneObjectStoresTheEmptySubsetAndPassesEverySubset) {
    TTable t;
    FillTable(t, {{1, 2, 0}});
    DecReductEvaluator ev(&t);
    ASSERT_EQ(ev.GetNoReducts(), 1);
    EXPECT_EQ(ev.GetReduct(0)->Count(), 0);
    EXPECT_EQ(ev.GetReduct(0)->GetSize(), 3);
    EXPECT_EQ(ev.GetCost(Of(3, {})), 1.0);
    EXPECT_EQ(ev.IsValid(Of(3, {})), 1);
    EXPECT_EQ(ev.IsValid(Of(3, {0, 1})), 1);
    EXPECT_EQ(ev.GetNoReducts(), 1);

    // Without condition attributes nothing passes, though the table is one class.
    TTable decisionOnly;
    FillTable(decisionOnly, {{0}, {1}});
    DecReductEvaluator none(&decisionOnly);
    EXPECT_EQ(none.GetNoReducts(), 1);
    EXPECT_EQ(none.IsValid(Of(1, {})), 0);
}

TEST(ReductEvaluator, AGlobalTestCountsTheDistinctRowsOnTheSubset) {
    TTable t;
    FillTable(t, {{0, 0, 1}, {1, 0, 2}, {0, 0, 1}, {2, 1, 3}, {1, 0, 2}});
    PlainReductEvaluator ev(&t);
    EXPECT_EQ(ev.Test(Of(3, {0, 1})), 3);
    EXPECT_EQ(ev.Test(Of(3, {0, 1, 2})), 3);
    EXPECT_EQ(ev.Test(Of(3, {1})), 0);  // rows 0 and 1 agree on it and differ elsewhere
}

TEST(ReductEvaluator, ObjectsOfOneGeneralizedDecisionNeedNoDiscerningButOthersDo) {
    // Objects 0 and 1 agree on the conditions and differ in the decision: same class.
    TTable t;
    FillTable(t, {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}});
    DecReductEvaluator ev(&t);
    EXPECT_EQ(ev.GetClassTree().GetId(0), ev.GetClassTree().GetId(1));
    EXPECT_NE(ev.GetClassTree().GetId(0), ev.GetClassTree().GetId(2));
    EXPECT_EQ(ev.GetClassTree().GetId(2), ev.GetClassTree().GetId(3));
    EXPECT_GT(ev.Test(Of(3, {0})), 0);
    EXPECT_EQ(ev.Test(Of(3, {1})), 0);  // objects 0 and 2 agree on it

    ev.SetObject(3);
    EXPECT_EQ(ev.Test(Of(3, {1})), 1);  // object 3 differs on it from 0 and 1
    ev.SetObject(2);
    EXPECT_EQ(ev.Test(Of(3, {1})), 0);
}

TEST(ReductEvaluator, FailingObjectsMoveToTheFrontHalfOfTheOrder) {
    // All rows differ, so every pair must be told apart. Column 0 repeats object 0's value
    // at object 7, column 1 object 1's at object 9 (other values unique).
    TTable t;
    t.CreateTable(12, 3);
    for (int o = 0; o < 12; ++o) {
        t.SetTable(o, 0, o == 7 ? 0 : o);
        t.SetTable(o, 1, o == 9 ? 1 : o);
        t.SetTable(o, 2, o);
    }
    PlainReductEvaluator ev(&t);
    EXPECT_EQ(ev.Test(Of(3, {0})), 0);
    EXPECT_EQ(ev.GetObjectOrder(), (std::vector<int>{7, 1, 2, 3, 4, 5, 6, 0, 8, 9, 10, 11}));
    EXPECT_EQ(ev.GetMoveToFront(), 1);
    EXPECT_EQ(ev.Test(Of(3, {1})), 0);
    EXPECT_EQ(ev.GetObjectOrder(), (std::vector<int>{7, 9, 2, 3, 4, 5, 6, 0, 8, 1, 10, 11}));
    EXPECT_EQ(ev.GetMoveToFront(), 2);

    // A failure at or before the position moves nothing.
    EXPECT_EQ(ev.Test(Of(3, {})), 0);  // fails at position 1
    EXPECT_EQ(ev.GetObjectOrder(), (std::vector<int>{7, 9, 2, 3, 4, 5, 6, 0, 8, 1, 10, 11}));
    EXPECT_EQ(ev.GetMoveToFront(), 2);
}

TEST(ReductEvaluator, TheMoveToFrontPositionReturnsToZeroPastHalfTheObjects) {
    // Rows all differ (column 3). Each test below fails at the position noted.
    TTable t;
    FillTable(t, {{0, 1, 0, 0}, {1, 1, 2, 1}, {2, 2, 2, 2}, {0, 3, 3, 3}});
    PlainReductEvaluator ev(&t);
    std::vector<int> positions;
    for (int column : {0, 1, 2, 0}) {  // positions 3, 3, 3, 1
        EXPECT_EQ(ev.Test(Of(4, {column})), 0);
        positions.push_back(ev.GetMoveToFront());
    }
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(ev.GetObjectOrder(), (std::vector<int>{0, 3, 1, 2}));
}

TEST(ReductEvaluator, TestsAnswerAsTheProjectionTreeWalkDoesAndKeepTheSameOrder) {
    for (unsigned seed : {5u, 6u, 7u, 8u}) {
        TTable t;
        FillRandomTable(t, seed, 150, 7, 2 + static_cast<int>(seed % 3), 3);
        if (seed % 2 == 0) SortRows(t);
        DecReductEvaluator relative(&t);
        PlainReductEvaluator plain(&t);
        for (ReductEvaluator* ev : {static_cast<ReductEvaluator*>(&relative), static_cast<ReductEvaluator*>(&plain)}) {
            WalkedTest walk{Iota(t.GetNoObj())};
            SeedRand(seed * 31);
            for (int round = 0; round < 300; ++round) {
                const Subset s = RandomSubset(7);
                ASSERT_EQ(ev->Test(s), walk.Global(t, ev->GetClassTree(), s)) << "seed " << seed << " round " << round;
                ASSERT_EQ(ev->GetObjectOrder(), walk.order);
                ASSERT_EQ(ev->GetMoveToFront(), walk.moveToFront);
            }
            ev->SetObject(17);
            walk.order = Iota(t.GetNoObj());
            for (int round = 0; round < 300; ++round) {
                const Subset s = RandomSubset(7);
                ASSERT_EQ(ev->Test(s), walk.Local(t, ev->GetClassTree(), s, 17)) << "seed " << seed << " round " << round;
                ASSERT_EQ(ev->GetObjectOrder(), walk.order);
            }
        }
    }
}

// Each object's search starts from the first order again, whether few places were swapped
// (put back one by one) or more than there are objects (all put back).
TEST(ReductEvaluator, EveryObjectStartsFromTheFirstOrderAfterFewOrManySwaps) {
    TTable t;
    FillRandomTable(t, 9, 60, 6, 3, 3);
    DecReductEvaluator ev(&t);
    WalkedTest walk{Iota(t.GetNoObj())};
    SeedRand(41);
    int rounds = 0;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        ev.SetObject(o);
        ASSERT_EQ(ev.GetObjectOrder(), Iota(t.GetNoObj())) << "object " << o;
        walk.order = Iota(t.GetNoObj());
        walk.moveToFront = ev.GetMoveToFront();
        rounds = (rounds * 7 + 3) % 90;  // 0 to 89 tests: below and above the noting limit
        for (int round = 0; round < rounds; ++round) {
            const Subset s = RandomSubset(6);
            ASSERT_EQ(ev.Test(s), walk.Local(t, ev.GetClassTree(), s, o)) << "object " << o;
            ASSERT_EQ(ev.GetObjectOrder(), walk.order) << "object " << o << " round " << round;
        }
    }
}

TEST(ReductEvaluator, IsValidAgreesWithTheDefinitionAndLearnsEachSubsetOnce) {
    TTable t;
    FillRandomTable(t, 21, 40, 6, 3, 2);
    for (bool relative : {true, false}) {
        std::unique_ptr<ReductEvaluator> ev = NewEvaluator(&t, relative);
        const std::vector<int> cls = brute_force::Classes(t, relative);
        SeedRand(3);
        for (int round = 0; round < 200; ++round) {
            const Subset s = RandomSubset(6);
            std::vector<int> attrs;
            for (int a = 0; a < (relative ? 5 : 6); ++a)
                if (s.IsSet(a)) attrs.push_back(a);
            ASSERT_EQ(ev->IsValid(s), brute_force::DiscernsAll(t, cls, attrs) ? 1 : 0);
        }
        // The store holds passing subsets only, none a superset of another.
        for (int i = 0; i < ev->GetNoReducts(); ++i) {
            for (int j = 0; j < ev->GetNoReducts(); ++j) {
                if (i != j) {
                    EXPECT_FALSE(*ev->GetReduct(i) <= *ev->GetReduct(j));
                }
            }
        }
    }
}

TEST(ReductEvaluator, IsValidLeavesTheDecisionOutOfARelativeSubset) {
    TTable t;
    FillTable(t, {{0, 1, 0}, {1, 1, 1}, {1, 0, 1}});
    DecReductEvaluator ev(&t);
    EXPECT_EQ(ev.IsValid(Of(3, {1, 2})), 0);  // {1} alone cannot tell object 0 from 1
    EXPECT_EQ(ev.IsValid(Of(3, {0, 2})), 1);
    ASSERT_EQ(ev.GetNoReducts(), 1);
    EXPECT_TRUE(*ev.GetReduct(0) == Of(3, {0}));
}

TEST(ReductEvaluator, DependencyEvaluatorsTestWhetherTheRestFollowsFromTheSubset) {
    // Column 1 follows from column 0; column 0 does not follow from column 1.
    TTable t;
    FillTable(t, {{0, 5, 9}, {1, 5, 8}, {2, 6, 9}, {0, 5, 7}});
    DependencyReductEvaluator all(&t);
    EXPECT_FALSE(all.GetClassTree().HasIds());
    EXPECT_EQ(all.Test(Of(3, {0, 1, 2})), 1);  // nothing left to follow
    EXPECT_EQ(all.Test(Of(3, {0})), 0);        // objects 0 and 3 differ in column 2
    EXPECT_TRUE(all.GetClassTree().GetD() == Of(3, {1, 2}));
    EXPECT_EQ(all.Test(Of(3, {0, 2})), 4);

    DependencyReductEvaluator pair(&t, Of(3, {0, 1}));
    EXPECT_EQ(pair.Test(Of(3, {0})), 3);
    EXPECT_EQ(pair.Test(Of(3, {1})), 0);  // objects 0 and 1 agree on it, not on column 0
    EXPECT_EQ(pair.IsValid(Of(3, {0, 2})), 1);
    ASSERT_EQ(pair.GetNoReducts(), 1);
    EXPECT_TRUE(*pair.GetReduct(0) == Of(3, {0}));

    // One object's view: object 2 is alone with its value of column 1.
    pair.SetObject(2);
    EXPECT_EQ(pair.Test(Of(3, {1})), 1);
    pair.SetObject(0);
    EXPECT_EQ(pair.Test(Of(3, {1})), 0);
}

TEST(ReductEvaluator, StoredReductsClassifyASecondTable) {
    TTable train;
    FillTable(train, {{0, 0, 0}, {0, 1, 0}, {1, 1, 1}, {1, 0, 1}, {1, 0, 1}, {2, 2, 0}});
    PlainReductEvaluator ev(&train);
    ev.SetMode(-1);
    ASSERT_EQ(ev.IsValid(Of(3, {0, 1})), 1);
    ASSERT_EQ(ev.GetNoReducts(), 1);

    TTable test;
    FillTable(test, {{1, 0, 1}, {0, 1, 1}, {2, 2, 0}, {3, 3, 0}, {1, 1, 0}});
    int right = -1;
    int wrong = -1;
    testing::internal::CaptureStdout();
    ev.ClassifyTable(test, 1, &right, &wrong);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(right, 2);  // objects 0 and 2; object 3 has no match
    EXPECT_EQ(wrong, 2);

    testing::internal::CaptureStdout();
    ev.ClassifyTable(test, 3, &right, &wrong);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Warning: rule set reduced to 1 reducts.\n");
    EXPECT_EQ(right, 2);
}

TEST(ReductEvaluator, TheLargestMatchingGroupDecidesAndTheEarlierReductWinsATie) {
    TTable train;
    FillTable(train, {{0, 5, 1}, {0, 6, 1}, {0, 7, 1}, {1, 9, 0}, {2, 8, 0}});
    DecReductEvaluator ev(&train);
    ev.SetMode(-1);
    ASSERT_EQ(ev.IsValid(Of(3, {0})), 1);  // groups {0, 1, 2}, {3}, {4}
    ASSERT_EQ(ev.IsValid(Of(3, {1})), 1);  // groups of one
    ASSERT_EQ(ev.GetNoReducts(), 2);
    ASSERT_TRUE(*ev.GetReduct(0) == Of(3, {0}));

    TTable test;
    FillTable(test, {{0, 9, 1},    // {0}: group of 3 (decision 1) beats {1}: object 3
                     {5, 6, 0},    // only {1} matches: object 1, decision 1
                     {2, 7, 0}});  // both match a group of one: {0} (object 4) decides
    int right = 0;
    int wrong = 0;
    ev.ClassifyTable(test, 2, &right, &wrong);
    EXPECT_EQ(right, 2);
    EXPECT_EQ(wrong, 1);

    ev.ClassifyTable(test, 1, &right, &wrong);
    EXPECT_EQ(right, 2);
    EXPECT_EQ(wrong, 0);
}

}  // namespace
