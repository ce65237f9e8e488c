#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "rough/reasoning/discernibility.h"
#include "rough/reasoning/pair_clauses.h"
#include "tests/rough/reasoning/boole_reference.h"

namespace {

using namespace boole_reference;

// Every pair in the matrices' own order, each new clause at its first pair.
Sets FirstClauses(const TTable& t, int object, int relative, int missing) {
    Sets out;
    std::set<std::vector<int>> seen;
    for (auto [i, j] : Pairs(t, object)) {
        const std::vector<int> c = Clause(t, i, j, relative, missing);
        if (!c.empty() && seen.insert(c).second) out.push_back(c);
    }
    return out;
}

// Tables with repeated rows, missing values, 2 to 6 decisions and attribute values of one
// byte, of two bytes (over 256 values in a column) and attribute counts past one word.
TEST(PairClauses, DistinctClausesInTheOrderOfTheirFirstPairs) {
    SeedRand(43);
    for (int round = 0; round < 200; ++round) {
        TTable t;
        const bool twoBytes = round % 5 == 0;  // enough objects for over 256 values
        const int n = twoBytes ? 260 + Draw(60) : 2 + Draw(40);
        const int columns = 2 + (round % 4 == 1 ? 60 + Draw(80) : Draw(12));
        const int range = twoBytes ? 1000 : 2 + Draw(3);
        RandomTable(t, n, columns, range, Draw(3) == 0 ? 0 : 12);
        const int classes = 2 + Draw(5);
        for (int o = 0; o < n; ++o) {
            t.SetTable(o, columns - 1, Draw(classes));
            if (o > 0 && Draw(4) == 0) {  // a repeat of an earlier row, decision included or not
                const int from = Draw(o);
                for (int a = 0; a < columns - (Draw(2) == 0 ? 1 : 0); ++a) t.SetTable(o, a, t.GetTable(from, a));
            }
        }
        const int relative = Draw(2);
        const int missing = Draw(3);
        const int k = Conditions(t, relative);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(SetsOfList(discern::DistinctPairClauses(t, k, relative, missing)), FirstClauses(t, -1, relative, missing));
        const int object = Draw(n);
        ASSERT_EQ(SetsOfList(discern::DistinctObjectClauses(t, object, k, relative, missing)),
                  FirstClauses(t, object, relative, missing));
    }
}

// A column of more than 65,536 values takes four-byte lanes. The last object, of another
// decision, tells each other one apart by attribute 0, or, object 5 with the same value there,
// by attribute 1; the clauses come in the order of its pairs with objects 0, 1 and 5.
TEST(PairClauses, ColumnsOfMoreThan65536Values) {
    const int n = 70000;
    TTable t;
    t.CreateTable(n, 3);
    for (int o = 0; o < n; ++o) {
        t.SetTable(o, 0, o);
        t.SetTable(o, 1, o == 5 ? 1 : 0);
        t.SetTable(o, 2, 0);
    }
    t.SetTable(n - 1, 0, 5);
    t.SetTable(n - 1, 2, 1);
    EXPECT_EQ(SetsOfList(discern::DistinctPairClauses(t, 2, 1, 0)), (Sets{{0}, {1}}));
    t.SetTable(0, 1, 7);
    EXPECT_EQ(SetsOfList(discern::DistinctPairClauses(t, 2, 1, 0)), (Sets{{0, 1}, {0}, {1}}));
}

}  // namespace

// The masks that include one of a set, made one mask at a time and all at once, against the
// definition, over 0 to 12 attributes (less than a word of masks up to 5).
TEST(UpwardClosure, OneByOneAndAllAtOnceAgainstTheDefinition) {
    SeedRand(71);
    for (int bits = 0; bits <= 12; ++bits) {
        for (int round = 0; round < 6; ++round) {
            SCOPED_TRACE("bits " + std::to_string(bits) + " round " + std::to_string(round));
            const uint32_t space = uint32_t{1} << bits;
            std::vector<uint32_t> masks;
            const int count = Rand() % 6;
            for (int i = 0; i < count; ++i) masks.push_back(static_cast<uint32_t>(Rand()) % space);
            discern::UpwardClosure single(bits);
            for (uint32_t m : masks) single.Add(m);
            discern::UpwardClosure all(bits);
            all.AddAll(masks);
            for (uint32_t x = 0; x < space; ++x) {
                bool covered = false;
                for (uint32_t m : masks) covered = covered || (m & ~x) == 0;
                ASSERT_EQ(single.Contains(x), covered) << x;
                ASSERT_EQ(all.Contains(x), covered) << x;
            }
        }
    }
}
