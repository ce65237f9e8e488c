#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "rough/reasoning/transversals.h"
#include "tests/rough/reasoning/previous_expansion.h"
#include "tests/rough/reasoning/boole_reference.h"

namespace {

using namespace boole_reference;

discern::SetList ListOf(const Sets& sets, int words) {
    discern::SetList out(words);
    std::vector<uint64_t> set(static_cast<size_t>(words));
    for (const auto& s : sets) {
        std::fill(set.begin(), set.end(), 0);
        for (int a : s) set[static_cast<size_t>(a / 64)] |= uint64_t{1} << (a % 64);
        out.Append(set.data());
    }
    return out;
}

// Random clauses over `attributes` (spread over the given attribute numbers), reduced the way
// the sack reasoner reduces its matrix: no clause including another, fewest attributes first.
Sets RandomMatrix(const std::vector<int>& attributes, int clauses) {
    TIntSackSet all(10);
    for (int c = 0; c < clauses; ++c) {
        std::vector<int> clause;
        for (int a : attributes) {
            if (Draw(2) == 0) clause.push_back(a);
        }
        if (clause.empty()) clause.push_back(attributes[static_cast<size_t>(Draw(static_cast<int>(attributes.size())))]);
        all.AddElem(SackOf(clause));
    }
    all.RemoveSupersets(1, 200);
    all.Compact();
    all.SortBySize();
    return SetsOf(all);
}

// The multiplying out followed by the clearing, step by step with the sack operations, lists
// the minimal transversals in exactly the order of their keys; the search finds each once.
TEST(Transversals, KeyOrderIsTheOrderOfTheMultiplyingOut) {
    SeedRand(41);
    int many = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<int> attributes;
        const bool wide = round % 3 == 0;
        for (int a = 0; a < 4 + Draw(8); ++a) attributes.push_back(wide ? a * 23 : a);
        const Sets matrix = RandomMatrix(attributes, 1 + Draw(14));
        const Sets expected = SackClear(matrix, SackExpand(matrix));
        const int words = wide ? 4 : 1;
        const discern::SetList clauses = ListOf(matrix, words);
        discern::SetList found = discern::MinimalTransversals(clauses);
        const Sets unordered = SetsOfList(found);
        ASSERT_EQ(std::set<std::vector<int>>(unordered.begin(), unordered.end()),
                  std::set<std::vector<int>>(expected.begin(), expected.end()));
        ASSERT_EQ(unordered.size(), expected.size());
        discern::OrderByExpansionKey(found, clauses);
        ASSERT_EQ(SetsOfList(found), expected) << "round " << round;
        many += expected.size() > 3 ? 1 : 0;
    }
    EXPECT_GT(many, 100);  // most rounds order several transversals
}

// Clauses {0, 3}, {1, 3}, {2, 3}: the multiplying out reaches {0, 1, 2} first (key 0, 1, 2)
// and {3} only from the first clause's second attribute (key 3), although {3} is smaller.
TEST(Transversals, KeyNotSizeNorAscendingOrder) {
    const Sets matrix = {{0, 3}, {1, 3}, {2, 3}};
    discern::SetList clauses = ListOf(matrix, 1);
    discern::SetList found = discern::MinimalTransversals(clauses);
    discern::OrderByExpansionKey(found, clauses);
    EXPECT_EQ(SetsOfList(found), (Sets{{0, 1, 2}, {3}}));

    // Keys (2, 0), (2, 1) and (5): the key, not the first attribute, places {0, 2} first.
    const Sets second = {{2, 5}, {0, 1, 5}};
    clauses = ListOf(second, 1);
    found = discern::MinimalTransversals(clauses);
    discern::OrderByExpansionKey(found, clauses);
    EXPECT_EQ(SetsOfList(found), (Sets{{0, 2}, {1, 2}, {5}}));
    EXPECT_EQ(SetsOfList(found), SackClear(second, SackExpand(second)));
}

TEST(Transversals, NoClauseNoTransversalOneClauseItsAttributes) {
    EXPECT_EQ(discern::MinimalTransversals(discern::SetList(1)).Size(), 0);
    discern::SetList clauses = ListOf({{1, 4, 70}}, 2);
    discern::SetList found = discern::MinimalTransversals(clauses);
    discern::OrderByExpansionKey(found, clauses);
    EXPECT_EQ(SetsOfList(found), (Sets{{1}, {4}, {70}}));
}

// A table with repeated rows, missing values and 2 to 6 decisions; `varying` columns take
// values, the others stay 0 (so that the reducts stay few on many columns).
void VaryingTable(TTable& t, int n, int columns, int varying) {
    RandomTable(t, n, columns, 2 + Draw(3), Draw(3) == 0 ? 0 : 10);
    const int classes = 2 + Draw(5);
    for (int o = 0; o < n; ++o) {
        for (int a = 0; a + 1 < columns; ++a) {
            if (a % (columns / varying + 1) != 0) t.SetTable(o, a, 0);
        }
        t.SetTable(o, columns - 1, Draw(classes));
        if (o > 0 && Draw(5) == 0) {
            const int from = Draw(o);
            for (int a = 0; a < columns; ++a) t.SetTable(o, a, t.GetTable(from, a));
        }
    }
}

// The sack reasoner against its previous path (the multiplying out that keeps only the terms
// that can lead to prime ones) on the same matrix, global and for every object, 32 to 64
// condition attributes and a few more past one word.
TEST(Transversals, SackReasonerListsWhatThePreviousPathListed) {
    SeedRand(53);
    QuietMode = 1;
    size_t listed = 0;
    for (int round = 0; round < 40; ++round) {
        TTable t;
        const int columns = round % 4 == 3 ? 100 + Draw(40) : 33 + Draw(33);
        VaryingTable(t, 4 + Draw(30), columns, 10 + Draw(10));
        const int relative = Draw(2);
        const int missing = Draw(3);
        for (int object = -1; object < t.GetNoObj(); object += 1 + Draw(4)) {
            TBoole b;
            if (object < 0) {
                b.CalcAllGlobReducts(&t, relative, missing);
            } else {
                b.CalcAllLocalReducts(&t, object, relative, missing);
            }
            const Sets matrix = SetsOf(*b.GetMatrix());
            ASSERT_EQ(matrix, SackMatrix(t, object, relative, missing));
            const Sets found = SetsOf(*b.GetReducts());
            const int k = Conditions(t, relative);
            discern::ClauseSets clauses(discern::WordsFor(k));
            const discern::SetList list = ListOf(matrix, clauses.Words());
            for (int i = 0; i < list.Size(); ++i) clauses.Add(list.At(i), matrix[static_cast<size_t>(i)]);
            const Sets previous = matrix.empty() ? Sets{}
                : SetsOfList(previous_expansion::MultiplyOut(clauses, matrix[0], previous_expansion::Expansion::PrimeOnly));
            ASSERT_EQ(found, previous) << "round " << round << " object " << object;
            listed += found.size();
        }
    }
    QuietMode = 0;
    EXPECT_GT(listed, 2000u);
}

}  // namespace

namespace {

// Reordering a list in place: one and several words per set, no move, one long cycle, and
// random orders, against the list copied in the new order.
TEST(SetListPermute, InPlaceAsACopyWouldOrder) {
    SeedRand(29);
    for (const int words : {1, 3}) {
        for (int round = 0; round < 30; ++round) {
            const int n = round == 0 ? 0 : 1 + Draw(200);
            discern::SetList list(words);
            std::vector<uint64_t> set(static_cast<size_t>(words));
            for (int i = 0; i < n; ++i) {
                for (auto& w : set) w = static_cast<uint64_t>(Rand()) << 30 ^ static_cast<uint64_t>(Rand()) << 15 ^ static_cast<uint64_t>(Rand());
                list.Append(set.data());
            }
            std::vector<int> order(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
            if (round == 2) {
                std::rotate(order.begin(), order.begin() + 1, order.end());
            } else if (round > 2) {
                for (int i = n - 1; i > 0; --i) std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(Draw(i + 1))]);
            }
            discern::SetList expected(words);
            for (int i : order) expected.Append(list.At(i));
            list.Permute(order);
            ASSERT_EQ(list.Size(), n);
            for (int i = 0; i < n; ++i) {
                ASSERT_TRUE(std::equal(list.At(i), list.At(i) + words, expected.At(i))) << words << " " << round << " " << i;
            }
        }
    }
}

}  // namespace
