#include <gtest/gtest.h>

#include <vector>

#include "core/middle_pivot_sort.h"

namespace {

// Worked by hand: pivot in the middle, the two scans meet, equal keys end where the
// exchanges leave them.
TEST(MiddlePivotQuickSort, TiesEndWhereThePartitioningLeavesThem) {
    const int key[] = {2, 1, 2, 1, 2};
    std::vector<int> a = {0, 1, 2, 3, 4};
    const bool exchanged = MiddlePivotQuickSort(a.data(), 0, 4, [&](int x, int y) { return key[x] < key[y]; });
    EXPECT_EQ(a, (std::vector<int>{3, 1, 4, 0, 2}));
    EXPECT_TRUE(exchanged);
}

TEST(MiddlePivotQuickSort, SmallRangesGoToTheirOwnPass) {
    const int key[] = {2, 1, 2, 1, 2};
    std::vector<int> a = {0, 1, 2, 3, 4};
    std::vector<std::pair<int, int>> small;
    MiddlePivotQuickSort(
        a.data(), 0, 4, [&](int x, int y) { return key[x] < key[y]; }, 3,
        [&](int lo, int hi) { small.emplace_back(lo, hi); });
    // The whole range is partitioned once: [4, 1, 3, 2, 0]; both sides are below the span.
    EXPECT_EQ(a, (std::vector<int>{4, 1, 3, 2, 0}));
    ASSERT_EQ(small.size(), 2u);
    EXPECT_EQ(small[0], std::make_pair(0, 2));
    EXPECT_EQ(small[1], std::make_pair(3, 4));
}

TEST(MiddlePivotQuickSort, ExchangeOnlyCountsDifferentPositions) {
    std::vector<int> sorted = {1, 2, 3};
    EXPECT_FALSE(MiddlePivotQuickSort(sorted.data(), 0, 2, [](int x, int y) { return x < y; }));
    std::vector<int> one = {5};
    EXPECT_FALSE(MiddlePivotQuickSort(one.data(), 0, 0, [](int x, int y) { return x < y; }));
}

TEST(MiddlePivotQuickSort, LongSortedAndReversedRangesNeedNoDeepStack) {
    std::vector<int> a(200000);
    for (int i = 0; i < 200000; ++i) a[i] = 200000 - i;
    MiddlePivotQuickSort(a.data(), 0, 199999, [](int x, int y) { return x < y; });
    for (int i = 0; i < 200000; ++i) ASSERT_EQ(a[i], i + 1);
}

}  // namespace
