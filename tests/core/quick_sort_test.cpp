#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "core/quick_sort.h"

namespace {

using Item = std::pair<int, int>;  // key, then the item's original place

template <PivotRun run>
std::vector<Item> Sorted(std::vector<Item> items) {
    PivotFirstQuickSort<run>(
        0, static_cast<int>(items.size()) - 1, [&](int i) { return items[static_cast<size_t>(i)].first; },
        [&](int i, int j) { std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]); });
    return items;
}

// Passing over the pivot's run of equal keys leaves every item where the plain partitions
// leave it, ties included.
TEST(PivotFirstQuickSort, SkippingEqualRunsGivesThePlainArrangement) {
    std::mt19937 gen(3);
    for (int round = 0; round < 400; ++round) {
        const int n = static_cast<int>(gen() % 300);
        const int keys = 1 + static_cast<int>(gen() % (round % 4 == 0 ? 3 : 40));
        std::vector<Item> items;
        for (int i = 0; i < n; ++i) items.emplace_back(static_cast<int>(gen() % static_cast<unsigned>(keys)), i);
        if (round % 7 == 0) std::sort(items.begin(), items.end());
        if (round % 7 == 1) std::sort(items.rbegin(), items.rend());
        const std::vector<Item> plain = Sorted<PivotRun::Partition>(items);
        ASSERT_EQ(Sorted<PivotRun::Skip>(items), plain) << "round " << round;
        for (size_t i = 1; i < plain.size(); ++i) ASSERT_LE(plain[i - 1].first, plain[i].first);
    }
}

}  // namespace
