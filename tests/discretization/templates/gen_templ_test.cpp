#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/int_tree.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/templates/gen_templ.h"
#include "tests/discretization/templates/templ_helpers.h"
#include "tests/rough/table_builders.h"
#include "tests/support/failure_of.h"
#include "tests/support/test_files.h"

namespace {

// ---- the definitions, pair by pair

struct PairCounts {
    long long matching = 0;
    long long different = 0;  // D
    long long separated = 0;  // S
    long long equal = 0;      // E
    long long differing = 0;  // attributes of others on which equal-decision pairs differ
    long long others = 0;
};

PairCounts CountPairs(const TGenTempl& t, const TTable& table) {
    PairCounts c;
    const int dec = table.GetNoAttr() - 1;
    TIntSack others;
    for (int a = 0; a < dec; ++a) {
        bool used = false;
        for (int i = 0; i < t.GetNoDesc(); ++i) used = used || t.GetAttr(i) == a;
        if (!used) others.AddElem(a);
    }
    c.others = others.GetNoElem();
    std::vector<int> m;
    for (int o = 0; o < table.GetNoObj(); ++o)
        if (t.Matches(table, o)) m.push_back(o);
    c.matching = static_cast<long long>(m.size());
    for (size_t i = 0; i < m.size(); ++i) {
        for (size_t j = i + 1; j < m.size(); ++j) {
            if (table.GetTable(m[i], dec) != table.GetTable(m[j], dec)) {
                ++c.different;
                if (!table.EqualRowsOn(m[i], m[j], others)) ++c.separated;
            } else {
                ++c.equal;
                for (int a : others) c.differing += table.GetTable(m[i], a) != table.GetTable(m[j], a);
            }
        }
    }
    return c;
}

// The quality as the fraction num / den that the definitions give.
std::pair<long long, long long> LiteralShare(const PairCounts& c) {
    if (c.matching == 0) return {0, 1};
    if (c.matching == 1) return {1, 1};
    if (c.different > 0 && 20 * c.separated < 19 * c.different) return {0, 1};
    if (c.equal == 0) return {1, 1};
    if (c.others == 0) return {0, 1};
    return {c.differing, c.others * c.equal};
}

// Quality, fitness and uncovered support of a template from the definitions.
struct Judged {
    double quality;
    int fitness;  // below the bound
    int support;
};

Judged Literal(const TGenTempl& t, const TTable& table, const std::vector<int>& covered) {
    const auto [num, den] = LiteralShare(CountPairs(t, table));
    int support = 0;
    for (int o = 0; o < table.GetNoObj(); ++o) support += covered[static_cast<size_t>(o)] == 0 && t.Matches(table, o);
    return {static_cast<double>(num) / static_cast<double>(den), static_cast<int>(1000 * num / den), support};
}

// The template's own judgement, for comparison.
Judged Own(TGenTempl t, const TTable& table, const std::vector<int>& covered, int bound = 1000) {
    int support = -1;
    const int fitness = t.CalcFitness(table, covered, support, bound);
    EXPECT_EQ(t.GetFitness(), fitness);
    return {t.Quality(table), fitness, support};
}

// A template around an object: some conditional attributes with its value and, now and then,
// further values of the column.
TGenTempl RandomTemplate(const TTable& table, int object) {
    TGenTempl t;
    for (int a = 0; a < table.GetNoAttr() - 1; ++a) {
        if (RandomInt(3) != 0) continue;
        t.AddDescriptor(a, table.GetTable(object, a));
        while (RandomInt(2) == 0) t.AddDescriptor(a, table.GetTable(RandomInt(table.GetNoObj()), a));
    }
    return t;
}


// ---- descriptors

TEST(GenTempl, DescriptorsMergeGrowByThreeAndCopyDeeply) {
    TGenTempl t = Template({{4, 1}, {2, 7}, {4, 3}, {4, 1}, {0, 5}});  // 4 merged; (4, 1) twice
    EXPECT_EQ(t.GetNoDesc(), 3);
    EXPECT_EQ(t.GetCapacity(), 3);  // three descriptors fit in three slots
    EXPECT_EQ(t.AddDescriptor(9, 9), 3);
    EXPECT_EQ(t.GetCapacity(), 6);
    EXPECT_EQ(t.AddDescriptor(2, 8), 1);
    t.AddValToDescrip(1, 7);
    EXPECT_EQ(Printed(t), "(4: 1 3 )(2: 7 8 )(0: 5 )(9: 9 )\n");
    EXPECT_EQ(t.GetNoValues(0), 2);
    EXPECT_EQ(t.GetValue(1, 1), 8);
    EXPECT_EQ(t.GetVALUES(0).GetElem(1), 3);
    EXPECT_EQ(t.HasDescriptor(4, 3) + t.HasDescriptor(4, 7) + t.HasDescriptor(5, 1), 1);
    TIntSack distinct;
    for (int d : {1, 0, 4, 0, 3, 0, 0, 0, 0, 2}) distinct.AddElem(d);
    EXPECT_DOUBLE_EQ(t.Diversity(distinct), 1.0 / 2.0 + 2.0 / 3.0 + 1.0 + 1.0 / 1.0);

    TGenTempl copy;
    copy = t;
    copy.AddDescriptor(4, 2);
    EXPECT_EQ(copy.GetCapacity(), 6);
    EXPECT_EQ(Printed(t), "(4: 1 3 )(2: 7 8 )(0: 5 )(9: 9 )\n");
    TGenTempl without;
    without.CopyWithoutAttr(copy, 2);
    EXPECT_EQ(Printed(without), "(4: 1 3 2 )(0: 5 )(9: 9 )\n");
    EXPECT_EQ(without.GetCapacity(), 3);
    without.CopyWithoutPair(copy, 4, 3);
    EXPECT_EQ(Printed(without), "(4: 1 2 )(2: 7 8 )(0: 5 )(9: 9 )\n");
    without.CopyWithoutPair(copy, 0, 5);  // the last value takes the descriptor away
    EXPECT_EQ(Printed(without), "(4: 1 3 2 )(2: 7 8 )(9: 9 )\n");
    EXPECT_EQ(Printed(TGenTempl()), "\n");
}

TEST(GenTempl, RangeErrorsLogTheirOwnTexts) {
    TGenTempl t = Template({{0, 1}});
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { t.AddValToDescrip(1, 0); }, "AddValToDescrip"}, {[&] { t.GetAttr(-1); }, "GetAttr"},
        {[&] { t.GetValue(1, 0); }, "AddValToAttr"},           {[&] { t.GetNoValues(2); }, "AddValToAttr"},
        {[&] { t.GetVALUES(1); }, "GetVALUES"},
    };
    for (const auto& [call, where] : cases) {
        const Failure f = FailureOf(call);
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(f.log, "Bad number of element in TGenTempl::" + where + "\n");
    }
    // A template attribute outside the table is refused, not read from the next row.
    TTable table;
    FillTable(table, {{1, 0}, {1, 1}});
    EXPECT_EQ(FailureOf([&] { Template({{2, 1}}).Matches(table, 0); }).code, 5);
    EXPECT_EQ(FailureOf([&] { t.Matches(table, 2); }).code, 5);
}

// ---- quality and fitness

TEST(GenTempl, QualityAndFitnessAreThePairDefinitions) {
    int between = 0;  // fitness strictly between 0 and 1000: the share itself was compared
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TTable table;
        FillRandomTable(table, seed, 20 + static_cast<int>(seed) * 3, 2 + static_cast<int>(seed % 5), 3, 2 + seed % 3);
        std::vector<int> covered(static_cast<size_t>(table.GetNoObj()));
        for (int& c : covered) c = RandomInt(4) == 0;
        for (int k = 0; k < 15; ++k) {
            const TGenTempl t = RandomTemplate(table, RandomInt(table.GetNoObj()));
            const Judged literal = Literal(t, table, covered);
            const Judged own = Own(t, table, covered);
            ASSERT_EQ(own.quality, literal.quality) << seed << " " << Printed(t);
            ASSERT_EQ(own.fitness, literal.fitness) << seed << " " << Printed(t);
            ASSERT_EQ(own.support, literal.support);
            EXPECT_EQ(Own(t, table, covered, literal.support).fitness, 0);  // the bound reached
            between += literal.fitness > 0 && literal.fitness < 1000;
        }
    }
    EXPECT_GT(between, 50);
    for (const char* name : {"weather.nominal.tab", "vote.tab", "iris.tab"}) {
        TTable table;
        table.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        const std::vector<int> covered(static_cast<size_t>(table.GetNoObj()), 0);
        for (int k = 0; k < 30; ++k) {
            const TGenTempl t = RandomTemplate(table, RandomInt(table.GetNoObj()));
            const Judged literal = Literal(t, table, covered);
            const Judged own = Own(t, table, covered);
            ASSERT_EQ(own.quality, literal.quality) << name << " " << Printed(t);
            ASSERT_EQ(own.fitness, literal.fitness) << name << " " << Printed(t);
        }
    }
}

// Twenty matching objects, ten per decision; attribute 1 separates every pair of different
// decisions except those sharing the value 0 there.
void Separation(TTable& table, int unseparated) {
    table.CreateTable(20, 3);
    for (int o = 0; o < 20; ++o) {
        table.SetTable(o, 0, 7);
        table.SetTable(o, 1, o >= 10 ? (o == 10 ? 0 : 100 + o) : (o < unseparated ? 0 : o));
        table.SetTable(o, 2, o >= 10);
    }
}

TEST(GenTempl, EdgeValuesOfQualityAndTheNinetyFivePercentRule) {
    const std::vector<int> all(20, 0);
    TTable table;
    Separation(table, 5);  // 95 of 100 pairs separated: the share counts
    ASSERT_EQ(CountPairs(Template({{0, 7}}), table).separated, 95);
    EXPECT_GT(Own(Template({{0, 7}}), table, all).quality, 0.0);
    EXPECT_EQ(Own(Template({{0, 7}}), table, all).fitness, Literal(Template({{0, 7}}), table, all).fitness);
    Separation(table, 6);  // 94 of 100
    EXPECT_EQ(Own(Template({{0, 7}}), table, all).quality, 0.0);
    EXPECT_EQ(Own(Template({{0, 7}}), table, all).fitness, 0);

    FillTable(table, {{0, 0, 0}, {0, 1, 1}, {1, 0, 0}, {1, 0, 0}, {2, 5, 1}, {2, 6, 2}});
    EXPECT_EQ(Own(Template({{0, 9}}), table, all).quality, 0.0);  // no match
    const Judged one = Own(Template({{1, 1}}), table, all);
    EXPECT_EQ(one.quality, 1.0);
    EXPECT_EQ(one.fitness, 1000);
    EXPECT_EQ(Own(Template({{1, 1}}), table, all, 1).fitness, 0);
    EXPECT_EQ(Own(Template({{0, 2}}), table, all).fitness, 1000);  // different decisions, separated
    EXPECT_EQ(Own(Template({{0, 1}, {1, 0}}), table, all).quality, 0.0);  // no attribute left
}

// ---- sub-tables and families

TEST(GenTempl, ExtractTableKeepsTheMatchingRowsWithoutTheTemplateColumns) {
    TTable table;
    FillTable(table, {{0, 1, 2, 0}, {1, 1, 3, 1}, {0, 2, 4, 1}, {0, 1, 5, 0}});
    TTable target;
    const TGenTempl t = Template({{1, 1}, {0, 0}, {1, 7}});
    EXPECT_EQ(t.CountUncoveredMatches(table, {1, 0, 0, 0}), 1);
    t.ExtractTable(table, target);
    EXPECT_EQ(target.GetNoAttr(), 2);
    EXPECT_EQ(AllValues(target), (std::vector<int>{2, 0, 5, 0}));

    const Failure empty = FailureOf([&] { Template({{0, 9}}).ExtractTable(table, target); });
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(empty.log, "No objects<1 in TGenTempl::ExtractTable\n");
    EXPECT_EQ(AllValues(target), (std::vector<int>{2, 0, 5, 0}));  // unchanged
    FillTable(table, {{0, 1}, {0, 0}});
    const Failure noColumn = FailureOf([&] { Template({{0, 0}, {1, 1}}).ExtractTable(table, target); });
    EXPECT_EQ(noColumn.code, 5);
    EXPECT_EQ(noColumn.log, "Bad number of attributes in TGenTempl::ExtractTable\n");
}

TEST(GenTemplFamily, GrowsByAHundredAndPicksTheFirstOfTheFittest) {
    TGenTemplFamily family;
    const Failure empty = FailureOf([&] { family.GetTheBestTempl(); });
    EXPECT_EQ(empty.code, 4);
    EXPECT_EQ(empty.log, "Blad krytyczny  w TGenTemplFamily::GetTheBestTempl\n");
    TTable table;
    FillTable(table, {{0, 0}, {1, 0}, {2, 1}});
    const std::vector<int> covered(3, 0);
    for (int i = 0; i < 100; ++i) {
        // Value 1 alone matches one object (fitness 1000); two values match two (fitness 0).
        auto t = std::make_unique<TGenTempl>(Template({{0, i % 3}, {0, i % 2 ? i % 3 : (i + 1) % 3}}));
        int support = 0;
        t->CalcFitness(table, covered, support, 1000);
        EXPECT_EQ(family.GetCapacity(), 100);
        family.Add(std::move(t));
    }
    EXPECT_EQ(family.GetCapacity(), 200);  // count + 1 reached 100 before the last append
    EXPECT_EQ(&family.GetTheBestTempl(), &family.GetElem(1));
    EXPECT_EQ(family.GetFitness(1) - family.GetFitness(0), 1000);
    EXPECT_EQ(FailureOf([&] { family.GetElem(100); }).log, "Bad number of templates in TGenTemplFamily::GetElem \n");
    EXPECT_EQ(FailureOf([&] { family.GetFitness(-1); }).code, 5);
    family.Clear();
    EXPECT_EQ(family.GetNoElem() + family.GetCapacity(), 100);
    family.Add(std::make_unique<TGenTempl>(Template({{1, 0}})));
    family.Add(std::make_unique<TGenTempl>());
    testing::internal::CaptureStdout();
    family.Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Wzorce: \n(1: 0 )\n\n");
}

// ---- hill climbing

void Climbing(TTable& table) {
    FillTable(table, {{0, 0, 0, 0}, {0, 0, 1, 1}, {0, 1, 0, 0}, {1, 0, 0, 1}, {0, 0, 0, 0}, {0, 1, 1, 1},
                      {1, 1, 0, 0}, {0, 0, 2, 1}});
}

TEST(GenTempl, InitFromObjectNarrowsByTheLargestSupportWhileAboveTheBound) {
    TTable table;
    Climbing(table);
    std::vector<int> covered(8, 0);
    covered[7] = 1;
    TGenTempl t;
    testing::internal::CaptureStdout();
    t.InitFromObject(table, covered, 0, 3);
    // Of 7 uncovered: attribute 0 and 2 keep 5 (the first wins), attribute 1 keeps 4; then
    // attributes 1 and 2 keep 3 each, which is not above 3.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "*5\n*3\n       PO INIT SUPPORT=3\n");
    EXPECT_EQ(Printed(t), "(0: 0 )(1: 0 )\n");
    // A covered seed whose values no uncovered object shares: every try has support 0.
    FillTable(table, {{5, 5, 0}, {1, 1, 0}, {2, 2, 1}});
    TGenTempl none;
    testing::internal::CaptureStdout();
    none.InitFromObject(table, {1, 0, 0}, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "       PO INIT SUPPORT=2\n");
    EXPECT_EQ(none.GetNoDesc(), 0);
}

TEST(GenTempl, ShrinkAndExpandTakeTheFittestNeighbourAndShrinkOrExpandTheBetterOne) {
    TTable table;
    Climbing(table);
    const std::vector<int> covered(8, 0);
    auto tree = std::make_unique<TInt2Tree>(0, 0);  // object 0's first pair
    for (int i = 1; i < 8 * 3; ++i) tree->Add(i % 3, table.GetTable(i / 3, i % 3));
    const TGenTempl full = Template({{0, 0}, {1, 0}, {2, 0}});
    // Shrink: the fittest of the templates without one attribute, the first of equals.
    TGenTempl expectShrunk;
    int shrunkBest = 0;
    for (int a = 0; a < 3; ++a) {
        TGenTempl dropped;
        dropped.CopyWithoutAttr(full, a);
        if (Own(dropped, table, covered).fitness > shrunkBest) {
            shrunkBest = Own(dropped, table, covered).fitness;
            expectShrunk = dropped;
        }
    }
    ASSERT_GT(shrunkBest, 0);
    TGenTempl t = full;
    int best = 0;
    EXPECT_EQ(t.Shrink(table, covered, 0, best, 1000), 1);
    EXPECT_EQ(best, shrunkBest);
    EXPECT_EQ(Printed(t), Printed(expectShrunk));
    // Nothing strictly fitter, or a single descriptor: no change.
    EXPECT_EQ(t.Shrink(table, covered, 0, best, 1000) + Template({{0, 0}}).Shrink(table, covered, 0, best, 1000), 0);

    // Expand: the pairs of the tree in pre-order, counted at least minCount times, not yet in
    // the template and still matching object 0; the first is kept until one is fitter. Every
    // extension of the full template scores 0: the first in pre-order must win.
    for (const TGenTempl& base : {Template({{2, 0}}), full}) {
        for (int minCount : {1, 5, 6, 100}) {
            TGenTempl expected;
            int expectedBest = -1;
            tree->VisitPairs([&](int a, int b, int count) {
                TGenTempl tried = base;
                tried.AddDescriptor(a, b);
                if (count < minCount || base.HasDescriptor(a, b) || !tried.Matches(table, 0)) return;
                if (Own(tried, table, covered).fitness > expectedBest) {
                    expectedBest = Own(tried, table, covered).fitness;
                    expected = tried;
                }
            });
            TGenTempl expanded = base;
            int fitness = -7;
            EXPECT_EQ(expanded.Expand(table, covered, tree.get(), 0, fitness, 1000, minCount), expectedBest >= 0);
            EXPECT_EQ(fitness, expectedBest >= 0 ? expectedBest : -7) << minCount;
            EXPECT_EQ(Printed(expanded), Printed(expectedBest >= 0 ? expected : base)) << minCount;
        }
    }

    // Every extension of the full template scores 0, so the shrunk copy wins; from 1000 on
    // neither copy beats the best and nothing changes.
    for (int from : {0, 1000}) {
        t = full;
        best = from;
        testing::internal::CaptureStdout();
        EXPECT_EQ(t.ShrinkOrExpand(table, covered, tree.get(), 0, best, 1000, 1), from == 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Shrinking...\nExpanding...\n");
        EXPECT_EQ(best, from == 0 ? shrunkBest : 1000);
        EXPECT_EQ(Printed(t), Printed(from == 0 ? expectShrunk : full));
    }
}

}  // namespace
