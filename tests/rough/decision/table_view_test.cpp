#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <numeric>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/decision/table_view.h"
#include "tests/rough/table_builders.h"

namespace {

using Subset = TTableView::Subset;

std::vector<int> Order(const TTableView& view) {
    std::vector<int> out;
    for (int p = 0; p < view.GetObjCount(); ++p) out.push_back(view.GetObjAt(p));
    return out;
}

std::vector<int> Codes(const TTableView& view) {
    std::vector<int> out;
    for (int o = 0; o < view.GetObjCount(); ++o) out.push_back(view.GetCode(o));
    return out;
}

std::vector<int> Range(int from, int to) {  // from, from +- 1, ..., to
    std::vector<int> out;
    for (int v = from;; v += from <= to ? 1 : -1) {
        out.push_back(v);
        if (v == to) return out;
    }
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// n objects, attributes columns, every value 0: every sort meets only ties, so the order
// shows which ranges a quicksort partitioned (each partition of ties reverses its range).
void FillZeros(TTable& t, int n, int attributes) {
    t.CreateTable(n, attributes);
    for (int i = 0; i < t.GetSize(); ++i) t.SetTable(i / attributes, i % attributes, 0);
}

int CommitList(TDecSetDict& dict, std::vector<int> values) {
    for (int v : values) dict.AddValue(v);
    return dict.Commit();
}

TEST(DecSetDict, NumbersDistinctListsInTheOrderTheirValuesCame) {
    TDecSetDict dict;
    EXPECT_EQ(dict.Commit(), -1);
    dict.SetFirstId(5);
    EXPECT_EQ(CommitList(dict, {1, 2}), 5);
    EXPECT_EQ(CommitList(dict, {2}), 6);
    EXPECT_EQ(CommitList(dict, {1, 2}), 5);
    EXPECT_EQ(CommitList(dict, {2, 1}), 7);
    EXPECT_EQ(CommitList(dict, {1, 1, 2, 1}), 5);  // repeats are not added
    EXPECT_EQ(CommitList(dict, {3, 1, 3}), 8);
    EXPECT_EQ(dict.Commit(), -1);  // nothing current after a commit

    EXPECT_EQ(dict.Contains(5, 2), 1);
    EXPECT_EQ(dict.Contains(6, 1), 0);
    EXPECT_EQ(dict.Contains(4, 1), 0);
    EXPECT_EQ(dict.Contains(9, 1), 0);
    EXPECT_EQ(dict.GetValue(7, 0), 2);
    EXPECT_EQ(dict.GetValue(7, 1), 1);
    EXPECT_EQ(dict.GetValue(7, 2), -1);
    EXPECT_EQ(dict.GetValue(8, 1), 1);
    EXPECT_EQ(dict.GetValue(4, 0), -1);
    EXPECT_EQ(dict.GetValue(9, 0), -1);
    EXPECT_EQ(dict.GetValue(5, -1), -1);
}

TEST(DecSetDict, HandsOutNoIdBeyondTheIntRange) {
    TDecSetDict atTheEdge;
    atTheEdge.SetFirstId(INT_MAX);
    EXPECT_EQ(CommitList(atTheEdge, {1, 2}), INT_MAX);
    EXPECT_EQ(CommitList(atTheEdge, {1, 2}), INT_MAX);
    int code = 0;
    try {
        CommitList(atTheEdge, {3, 4});
    } catch (const Error& e) {
        code = e.GetCode();
    }
    EXPECT_EQ(code, 8);
    EXPECT_EQ(atTheEdge.Commit(), -1);
    EXPECT_EQ(atTheEdge.GetValue(INT_MAX, 1), 2);

    TDecSetDict beyond;
    beyond.SetFirstId(static_cast<long long>(INT_MAX) + 1);
    EXPECT_THROW(CommitList(beyond, {0, 1}), CalcError);
    EXPECT_EQ(beyond.Contains(INT_MAX, 0), 0);
}

TEST(TableView, CompareWalksTheListUpToItsEnd) {
    TTable t;
    FillTable(t, {{1, 5, 0}, {1, 3, 0}, {2, 3, 1}});
    TTableView view(&t);
    const int byOne[] = {1, -1};
    const int byZeroOne[] = {0, 1, -1};
    const int byZero[] = {0, -1, 1};  // nothing after the end counts
    const int empty[] = {-1};
    EXPECT_EQ(view.Compare(0, 1, byOne), -1);
    EXPECT_EQ(view.Compare(1, 0, byOne), 1);
    EXPECT_EQ(view.Compare(1, 2, byOne), 0);
    EXPECT_EQ(view.Compare(1, 2, byZeroOne), 1);
    EXPECT_EQ(view.Compare(0, 1, byZero), 0);
    EXPECT_EQ(view.Compare(0, 2, empty), 0);
    EXPECT_EQ(view.GetObjCount(), 3);
    EXPECT_EQ(view.GetAttrCount(), 3);
    EXPECT_EQ(view.GetValue(0, 1), 5);
}

TEST(TableView, QuickSortPartitionsAroundTheMiddleObject) {
    TTable t;
    FillTable(t, {{1}, {1}, {0}});
    TTableView view(&t);
    const int list[] = {0, -1};
    view.SortBy(list);
    // A stable sort would give 2, 0, 1.
    EXPECT_EQ(Order(view), std::vector<int>({2, 1, 0}));
    EXPECT_EQ(view.GetValueAt(0, 0), 0);
}

// Ties reverse a partitioned range; sides with a span of 12 or more are partitioned again,
// shorter ones go to the (stable) bubble pass.
TEST(TableView, RangesBelowTheThresholdGoToTheBubblePass) {
    const int list[] = {0, -1};
    {
        TTable t;
        FillZeros(t, 24, 1);  // sides 0..11 and 12..23: span 11
        TTableView view(&t);
        view.SortBy(list);
        EXPECT_EQ(Order(view), Range(23, 0));
    }
    {
        TTable t;
        FillZeros(t, 26, 1);  // sides 0..12 and 13..25: span 12, partitioned again
        TTableView view(&t);
        view.SortBy(list);
        EXPECT_EQ(Order(view), Concat(Range(13, 25), Range(0, 12)));
    }
    {
        TTable t;
        FillZeros(t, 2, 1);  // however short, a sort starts with a partition
        TTableView view(&t);
        view.SortBy(list);
        EXPECT_EQ(Order(view), std::vector<int>({1, 0}));
    }
}

TEST(TableView, BubbleSortKeepsTiesInPlace) {
    TTable t;
    FillTable(t, {{9}, {3}, {1}, {2}, {1}, {0}});
    TTableView view(&t);
    const int list[] = {0, -1};
    view.BubbleSort(1, 4, list);
    EXPECT_EQ(Order(view), std::vector<int>({0, 2, 4, 3, 1, 5}));
    view.QuickSort(0, 2, list);  // positions outside the range stay
    EXPECT_EQ(Order(view), std::vector<int>({4, 2, 0, 3, 1, 5}));
}

// Each step is checked against what the reuse rules give on a table of ties, where every
// quicksort that runs reverses its range and every reuse leaves a trace.
TEST(TableView, SortByReusesTheLastListAndTheCachedOrders) {
    TTable t;
    FillZeros(t, 5, 4);
    TTableView view(&t);
    const std::vector<int> up = Range(0, 4);
    const std::vector<int> down = Range(4, 0);
    const int l0[] = {0, -1}, l01[] = {0, 1, -1}, l012[] = {0, 1, 2, -1}, l02[] = {0, 2, -1};
    const int l1[] = {1, -1}, l10[] = {1, 0, -1};

    view.SortBy(l0);  // no cached order of 0: sorted, and cached
    EXPECT_EQ(Order(view), down);
    view.SortBy(l0);  // the last list again: nothing to do
    EXPECT_EQ(Order(view), down);
    view.SortBy(l01);  // cached order of 0, its runs sorted by {1}
    EXPECT_EQ(Order(view), up);
    view.SortBy(l0);  // a beginning of the last list: nothing to do
    EXPECT_EQ(Order(view), up);
    view.SortBy(l012);  // extends the last list: runs equal on {0,1} sorted by {2}
    EXPECT_EQ(Order(view), down);
    view.SortBy(l02);  // shares one attribute: from the cached order of 0, runs by {2}
    EXPECT_EQ(Order(view), up);
    view.SortBy(l1);  // no cached order of 1: the current order is sorted
    EXPECT_EQ(Order(view), down);
    view.SortBy(l0);  // one attribute with a cached order: that order
    EXPECT_EQ(Order(view), down);
    view.SortBy(l10);  // cached order of 1, its runs sorted by {0}
    EXPECT_EQ(Order(view), up);

    view.SortBy(l10, 1, 3);  // a part: sorted even by the last list, which it forgets
    EXPECT_EQ(Order(view), std::vector<int>({0, 3, 2, 1, 4}));
    view.SortBy(l10);
    EXPECT_EQ(Order(view), up);
}

// The quicksort as its description reads, recursive, over a plain array of values per object:
// the view's sort (which keeps its pending ranges in a list) must leave the same order.
struct ReferenceSort {
    const TTable& t;
    std::vector<int> order;
    std::vector<int> list;

    int Compare(int o1, int o2) const {
        for (int a : list) {
            if (t.GetTable(o1, a) != t.GetTable(o2, a)) return t.GetTable(o1, a) < t.GetTable(o2, a) ? 1 : -1;
        }
        return 0;
    }
    void Bubble(int lo, int hi) {
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (int k = lo; k < hi; ++k) {
                if (Compare(order[k], order[k + 1]) == -1) {
                    std::swap(order[k], order[k + 1]);
                    swapped = true;
                }
            }
        }
    }
    void Quick(int lo, int hi) {
        int pivot = order[(lo + hi) / 2];
        int i = lo, j = hi;
        do {
            while (Compare(order[i], pivot) == 1) ++i;
            while (Compare(pivot, order[j]) == 1) --j;
            if (i <= j) std::swap(order[i++], order[j--]);
        } while (i <= j);
        if (lo < j) j - lo >= 12 ? Quick(lo, j) : Bubble(lo, j);
        if (i < hi) hi - i >= 12 ? Quick(i, hi) : Bubble(i, hi);
    }
};

TEST(TableView, QuickSortLeavesTheOrderOfTheRecursiveDescription) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        TTable t;
        FillRandomTable(t, seed, 1 + static_cast<int>(seed * 37 % 300), 4, 1 + seed % 4, 3);
        TTableView view(&t);
        ReferenceSort ref{t, Order(view), {static_cast<int>(seed % 4), static_cast<int>((seed + 2) % 4)}};
        const int list[] = {ref.list[0], ref.list[1], -1};
        view.QuickSort(0, t.GetNoObj() - 1, list);
        ref.Quick(0, t.GetNoObj() - 1);
        EXPECT_EQ(Order(view), ref.order);
    }
}

// Random lists sharing beginnings, full and partial: the order is always a permutation sorted
// by the list. A one-attribute list {f} keeps the order when the last full sort began with f
// (and no partial sort came since), else gives back the order of the first full sort by a
// list beginning with f.
TEST(TableView, EverySortLeavesAPermutationSortedByItsList) {
    TTable t;
    FillRandomTable(t, 77, 400, 5, 3, 2);
    TTableView view(&t);
    std::vector<std::vector<int>> firstOrders(5);
    int lastFirst = -1;
    SeedRand(5);
    for (int round = 0; round < 300; ++round) {
        std::vector<int> list;
        std::vector<int> attrs = {0, 1, 2, 3, 4};
        const int length = 1 + Rand() % 4;
        for (int k = 0; k < length; ++k) {
            int pick = Rand() % static_cast<int>(attrs.size());
            list.push_back(attrs[static_cast<size_t>(pick)]);
            attrs.erase(attrs.begin() + pick);
        }
        list.push_back(-1);
        const bool partial = Rand() % 5 == 0;
        int lo = 0, hi = t.GetNoObj() - 1;
        if (partial) {
            lo = Rand() % 200;
            hi = lo + Rand() % 200;
        }
        const std::vector<int> before = Order(view);
        view.SortBy(list.data(), lo, hi);
        std::vector<int> after = Order(view);
        for (int p = lo; p < hi; ++p) ASSERT_GE(view.Compare(after[p], after[p + 1], list.data()), 0);
        for (int p = 0; p < t.GetNoObj(); ++p) {
            if (p < lo || p > hi) {
                ASSERT_EQ(after[p], before[p]);
            }
        }
        std::sort(after.begin(), after.end());
        ASSERT_EQ(after, Range(0, t.GetNoObj() - 1));

        const size_t f = static_cast<size_t>(list[0]);
        if (!partial && firstOrders[f].empty()) firstOrders[f] = Order(view);
        lastFirst = partial ? -1 : list[0];
        if (!firstOrders[f].empty() && Rand() % 3 == 0) {
            const std::vector<int> current = Order(view);
            const int single[] = {list[0], -1};
            view.SortBy(single);
            ASSERT_EQ(Order(view), lastFirst == list[0] ? current : firstOrders[f]);
            lastFirst = list[0];
        }
    }
}

// Conditions in column 0, decisions 0..4 in column 1. The classes 0 and 1 carry {1,3}, class
// 2 carries {0,1}, classes 3 and 4 one decision each; the decisions of class 0 come in the
// table in falling order.
TEST(TableView, GeneralizedDecisionCodesShareIdsForEqualSets) {
    TTable t;
    FillTable(t, {{0, 3}, {0, 1}, {1, 1}, {1, 3}, {2, 1}, {2, 0}, {3, 4}, {3, 4}, {4, 2}, {0, 3}});
    TTableView view(&t);
    EXPECT_FALSE(view.HasCodes());
    view.MakeGenDecisions();
    EXPECT_TRUE(view.HasCodes());
    EXPECT_EQ(Codes(view), std::vector<int>({5, 5, 5, 5, 6, 6, 4, 4, 2, 5}));
    EXPECT_EQ(view.GetSubset().GetSize(), 2);
    EXPECT_EQ(view.GetSubset().IsSet(0), 1);
    EXPECT_EQ(view.GetSubset().IsSet(1), 0);
    EXPECT_EQ(Column(t, 1), std::vector<int>({3, 1, 1, 3, 1, 0, 4, 4, 2, 3}));

    // No conditions: one class holding every decision; a fresh dictionary numbers it.
    view.MakeGenDecisionsFor(1, Subset(2));
    EXPECT_EQ(Codes(view), std::vector<int>(10, 5));
    EXPECT_EQ(view.GetSubset().Count(), 0);
}

TEST(TableView, ConsistentClassesKeepMissingDecisionsAsCodes) {
    TTable t;
    FillTable(t, {{0, TTable::MissingValue}, {1, 2}, {1, 2}});
    TTableView view(&t);
    view.MakeGenDecisions();
    EXPECT_EQ(Codes(view), std::vector<int>({TTable::MissingValue, 2, 2}));

    // An inconsistent class would need an id above the largest int.
    TTable wide;
    FillTable(wide, {{0, TTable::MissingValue}, {0, 2}});
    TTableView wideView(&wide);
    EXPECT_THROW(wideView.MakeGenDecisions(), CalcError);
}

int LastNotGreaterByScan(const std::vector<int>& sorted, int v) {
    int p = -1;
    while (p + 1 < static_cast<int>(sorted.size()) && sorted[static_cast<size_t>(p) + 1] <= v) ++p;
    return p;
}

TEST(TableView, FindsTheLastPositionNotAboveAValue) {
    for (int n = 1; n <= 40; ++n) {
        TTable t;
        FillRandomTable(t, static_cast<unsigned>(n), n, 2, 12, 2);
        for (int o = 0; o < n; ++o) t.SetTable(o, 0, t.GetTable(o, 0) % 13 * 2);  // even values 0..24
        TTableView view(&t);
        std::vector<int> sorted = Column(t, 0);
        std::sort(sorted.begin(), sorted.end());
        for (int v = -2; v <= 27; ++v) {
            SCOPED_TRACE(std::to_string(n) + " objects, value " + std::to_string(v));
            const int p = view.FindLastNotGreater(0, v);
            EXPECT_EQ(p, LastNotGreaterByScan(sorted, v));
            if (p >= 0) {
                EXPECT_LE(view.GetValueAt(p, 0), v);
            }
            for (int high = v; high <= v + 4; ++high) {
                bool between = std::any_of(sorted.begin(), sorted.end(), [&](int x) { return x > v && x < high; });
                EXPECT_EQ(view.HasValueBetween(0, v, high), between ? 1 : 0);
            }
        }
    }
    TTable empty;
    TTableView emptyView(&empty);
    EXPECT_EQ(emptyView.FindLastNotGreater(0, 5), -1);
    EXPECT_EQ(emptyView.HasValueBetween(0, 0, 9), 0);
}

}  // namespace
