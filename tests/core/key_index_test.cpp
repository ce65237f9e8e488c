#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "core/key_index.h"
#include "core/random.h"

namespace {

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

TEST(KeyIndex, RefiningColumnByColumnGroupsExactlyTheEqualRows) {
    SeedRand(11);
    const int rows = 300;
    const int columns = 4;
    std::vector<std::vector<int>> table(rows, std::vector<int>(columns));
    for (auto& row : table)
        for (int& v : row) v = RandomInt(3) == 0 ? -2147483647 - 1 : RandomInt(3);
    std::vector<int> group(rows, 0);
    TKeyIndex index;
    for (int c = 0; c < columns; ++c) RefineGroups(group, index, [&](size_t r) { return table[r][static_cast<size_t>(c)]; });
    int firstOfGroup = 0;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < rows; ++j) EXPECT_EQ(group[i] == group[j], table[i] == table[j]);
        // Dense numbers in order of the first row of each group.
        if (group[i] == firstOfGroup) ++firstOfGroup;
        EXPECT_LT(group[i], firstOfGroup);
    }
}

}  // namespace
