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
        const Sets found = SetsOfList(discern::MinimalTransversals(clauses));
        ASSERT_EQ(std::set<std::vector<int>>(found.begin(), found.end()),
                  std::set<std::vector<int>>(expected.begin(), expected.end()));
        ASSERT_EQ(found.size(), expected.size());
        ASSERT_EQ(found, expected) << "round " << round;
        many += expected.size() > 3 ? 1 : 0;
    }
    EXPECT_GT(many, 100);  // most rounds order several transversals
}

// Minimal transversals by Berge's method, independent of the search: those of the first
// clauses, each extended by the next clause's attributes where it misses it, and the sets
// that include another dropped. Sets of up to 128 attributes as two words.
using Pair = std::pair<uint64_t, uint64_t>;
std::set<Pair> Berge(const std::vector<Pair>& clauses) {
    auto within = [](const Pair& a, const Pair& b) { return (a.first & ~b.first) == 0 && (a.second & ~b.second) == 0; };
    std::vector<Pair> current = {{0, 0}};
    for (const Pair& c : clauses) {
        std::vector<Pair> next;
        for (const Pair& t : current) {
            if ((t.first & c.first) != 0 || (t.second & c.second) != 0) {
                next.push_back(t);
                continue;
            }
            for (int a = 0; a < 128; ++a) {
                const uint64_t bit = uint64_t{1} << (a % 64);
                if (((a < 64 ? c.first : c.second) & bit) == 0) continue;
                next.push_back(a < 64 ? Pair{t.first | bit, t.second} : Pair{t.first, t.second | bit});
            }
        }
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        current.clear();
        for (const Pair& t : next) {
            bool minimal = true;
            for (const Pair& u : next) minimal = minimal && (u == t || !within(u, t));
            if (minimal) current.push_back(t);
        }
    }
    return {current.begin(), current.end()};
}

// The key of a transversal by its definition: through the clauses, the smallest of its
// attributes in each clause the set made so far misses.
std::vector<int> KeyOf(const std::vector<int>& t, const Sets& clauses) {
    std::set<int> s;
    std::vector<int> key;
    for (const auto& c : clauses) {
        if (std::any_of(c.begin(), c.end(), [&](int a) { return s.count(a) != 0; })) continue;
        for (int a : c) {
            if (std::find(t.begin(), t.end(), a) == t.end()) continue;
            s.insert(a);
            key.push_back(a);
            break;
        }
    }
    return key;
}

// Matrices beyond what the multiplying out can be checked on (up to 22 attributes in one
// word, or spread over two, and up to 60 clauses): the search finds every minimal
// transversal Berge's method finds, each once, with keys strictly ascending.
TEST(Transversals, LargeMatricesAgainstBergeInKeyOrder) {
    SeedRand(67);
    size_t listed = 0;
    for (int round = 0; round < 60; ++round) {
        const bool wide = round % 3 == 2;
        const int count = 14 + Draw(9);
        std::vector<int> attributes;
        for (int a = 0; a < count; ++a) attributes.push_back(wide ? a * 3 : a);
        const Sets matrix = RandomMatrix(attributes, 10 + Draw(50));
        std::vector<Pair> pairs;
        for (const auto& c : matrix) {
            Pair p{0, 0};
            for (int a : c) (a < 64 ? p.first : p.second) |= uint64_t{1} << (a % 64);
            pairs.push_back(p);
        }
        const Sets found = SetsOfList(discern::MinimalTransversals(ListOf(matrix, wide ? 2 : 1)));
        discern::AllowWideSteps(false);
        const Sets plain = SetsOfList(discern::MinimalTransversals(ListOf(matrix, wide ? 2 : 1)));
        discern::AllowWideSteps(true);
        ASSERT_EQ(plain, found) << "round " << round;
        std::set<Pair> got;
        for (const auto& t : found) {
            Pair p{0, 0};
            for (int a : t) (a < 64 ? p.first : p.second) |= uint64_t{1} << (a % 64);
            got.insert(p);
        }
        ASSERT_EQ(got.size(), found.size()) << "round " << round;
        ASSERT_EQ(got, Berge(pairs)) << "round " << round;
        for (size_t i = 1; i < found.size(); ++i) {
            ASSERT_LT(KeyOf(found[i - 1], matrix), KeyOf(found[i], matrix)) << "round " << round << " at " << i;
        }
        listed += found.size();
    }
    EXPECT_GT(listed, 5000u);
}

// Long lists of clauses that a chosen attribute alone meets (attributes spread up to the
// last of one word, hundreds of clauses), filtered eight at a time where the processor can
// and one by one: the same transversals in the same order.
TEST(Transversals, WideAndPlainStepsListTheSame) {
    SeedRand(71);
    size_t listed = 0;
    for (int round = 0; round < 40; ++round) {
        std::vector<int> attributes;
        const int count = 14 + Draw(9);
        for (int a = 0; a < count; ++a) attributes.push_back(63 - a * (1 + round % 3));
        std::sort(attributes.begin(), attributes.end());
        const Sets matrix = RandomMatrix(attributes, 40 + Draw(300));
        const discern::SetList clauses = ListOf(matrix, 1);
        const discern::SetList found = discern::MinimalTransversals(clauses);
        discern::AllowWideSteps(false);
        const discern::SetList plain = discern::MinimalTransversals(clauses);
        discern::AllowWideSteps(true);
        ASSERT_EQ(SetsOfList(found), SetsOfList(plain)) << "round " << round;
        listed += static_cast<size_t>(found.Size());
    }
    EXPECT_GT(listed, 10000u);
}

// Clauses {0, 3}, {1, 3}, {2, 3}: the multiplying out reaches {0, 1, 2} first (key 0, 1, 2)
// and {3} only from the first clause's second attribute (key 3), although {3} is smaller.
TEST(Transversals, KeyNotSizeNorAscendingOrder) {
    const Sets matrix = {{0, 3}, {1, 3}, {2, 3}};
    EXPECT_EQ(SetsOfList(discern::MinimalTransversals(ListOf(matrix, 1))), (Sets{{0, 1, 2}, {3}}));

    // Keys (2, 0), (2, 1) and (5): the key, not the first attribute, places {0, 2} first.
    const Sets second = {{2, 5}, {0, 1, 5}};
    const Sets found = SetsOfList(discern::MinimalTransversals(ListOf(second, 1)));
    EXPECT_EQ(found, (Sets{{0, 2}, {1, 2}, {5}}));
    EXPECT_EQ(found, SackClear(second, SackExpand(second)));
}

TEST(Transversals, NoClauseNoTransversalOneClauseItsAttributes) {
    EXPECT_EQ(discern::MinimalTransversals(discern::SetList(1)).Size(), 0);
    EXPECT_EQ(SetsOfList(discern::MinimalTransversals(ListOf({{1, 4, 70}}, 2))), (Sets{{1}, {4}, {70}}));
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
