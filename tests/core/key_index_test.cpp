#include <gtest/gtest.h>

#include <map>

#include "core/key_index.h"
#include "core/random.h"

namespace {

// Exact grouping by refinement is checked where it serves: the template quality and the
// hyperplane fitness against their pair loops.
TEST(KeyIndex, NumbersKeysInArrivalOrderAndCountsEqualPairs) {
    TKeyIndex index;
    index.Reset(2);  // more keys than announced: the table grows
    std::map<std::uint64_t, int> ids;
    std::map<std::uint64_t, int> counts;
    long long equalPairs = 0;
    SeedRand(3);
    for (int i = 0; i < 5000; ++i) {
        // High halves that differ alone, negative halves and repeats.
        const std::uint64_t key = TKeyIndex::Key(RandomInt(40) - 20, RandomInt(50) - 25);
        const int expected = ids.count(key) ? ids[key] : static_cast<int>(ids.size());
        ids.emplace(key, expected);
        equalPairs += counts[key]++;
        ASSERT_EQ(index.Index(key), expected);
    }
    EXPECT_EQ(index.GetNoKeys(), static_cast<int>(ids.size()));
    EXPECT_EQ(index.GetEqualPairs(), equalPairs);
    for (const auto& [key, id] : ids) EXPECT_EQ(index.GetCount(id), counts[key]);

    index.Reset(10);
    EXPECT_EQ(index.GetNoKeys(), 0);
    EXPECT_EQ(index.GetEqualPairs(), 0);
    EXPECT_EQ(index.Index(TKeyIndex::Key(-1, -1)), 0);
    EXPECT_NE(TKeyIndex::Key(-1, 0), TKeyIndex::Key(0, -1));
}

}  // namespace
