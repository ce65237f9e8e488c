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
    double shareSum = 0.0;    // the per-pair shares, summed in floating point
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
                int d = 0;
                for (int a : others) d += table.GetTable(m[i], a) != table.GetTable(m[j], a);
                c.differing += d;
                if (c.others > 0) c.shareSum += static_cast<double>(d) / c.others;
            }
        }
    }
    return c;
}

// The quality is the mean share of the pairs (not one of the fixed values 0 and 1).
bool FromShare(const PairCounts& c) {
    return c.matching > 1 && !(c.different > 0 && 20 * c.separated < 19 * c.different) && c.equal > 0 && c.others > 0;
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

double LiteralQuality(const PairCounts& c) {
    const auto [num, den] = LiteralShare(c);
    return static_cast<double>(num) / static_cast<double>(den);
}

int LiteralFitness(const PairCounts& c) {
    const auto [num, den] = LiteralShare(c);
    return static_cast<int>(1000 * num / den);
}

int LiteralUncovered(const TGenTempl& t, const TTable& table, const std::vector<int>& covered) {
    int n = 0;
    for (int o = 0; o < table.GetNoObj(); ++o) n += covered[static_cast<size_t>(o)] == 0 && t.Matches(table, o);
    return n;
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

std::string Printed(const TGenTempl& t) {
    testing::internal::CaptureStdout();
    t.Print();
    return testing::internal::GetCapturedStdout();
}

std::unique_ptr<TTable> Loaded(const char* name) {
    auto t = std::make_unique<TTable>();
    t->Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
    return t;
}

// ---- descriptors

TEST(GenTempl, DescriptorsOfOneAttributeMergeAndSlotsGrowByThree) {
    TGenTempl t;
    EXPECT_EQ(t.GetCapacity(), 3);
    EXPECT_EQ(t.AddDescriptor(4, 1), 0);
    EXPECT_EQ(t.AddDescriptor(2, 7), 1);
    EXPECT_EQ(t.AddDescriptor(4, 3), 0);  // merged
    EXPECT_EQ(t.AddDescriptor(4, 1), 0);  // present: nothing changes
    EXPECT_EQ(t.AddDescriptor(0, 5), 2);
    EXPECT_EQ(t.GetNoDesc(), 3);
    EXPECT_EQ(t.GetCapacity(), 3);  // three descriptors fit in three slots
    EXPECT_EQ(t.AddDescriptor(9, 9), 3);
    EXPECT_EQ(t.GetCapacity(), 6);
    t.AddValToDescrip(1, 8);
    t.AddValToDescrip(1, 7);
    EXPECT_EQ(Printed(t), "(4: 1 3 )(2: 7 8 )(0: 5 )(9: 9 )\n");
    EXPECT_EQ(t.GetNoValues(0), 2);
    EXPECT_EQ(t.GetValue(1, 1), 8);
    EXPECT_EQ(t.GetVALUES(0).GetElem(1), 3);
    EXPECT_EQ(t.HasDescriptor(4, 3), 1);
    EXPECT_EQ(t.HasDescriptor(4, 7), 0);
    EXPECT_EQ(t.HasDescriptor(5, 1), 0);
    EXPECT_EQ(Printed(TGenTempl()), "\n");
}

TEST(GenTempl, AssignmentCopiesDeeplyAndTheCopiesWithoutKeepTheOrder) {
    TGenTempl t;
    for (int a = 0; a < 5; ++a) t.AddDescriptor(a, a * 10);
    t.AddDescriptor(1, 11);
    TGenTempl copy;
    copy = t;
    EXPECT_EQ(copy.GetCapacity(), 6);
    copy.AddDescriptor(1, 12);
    copy.AddDescriptor(7, 0);
    EXPECT_EQ(Printed(t), "(0: 0 )(1: 10 11 )(2: 20 )(3: 30 )(4: 40 )\n");
    EXPECT_EQ(Printed(copy), "(0: 0 )(1: 10 11 12 )(2: 20 )(3: 30 )(4: 40 )(7: 0 )\n");

    TGenTempl without;
    without.CopyWithoutAttr(t, 1);
    EXPECT_EQ(Printed(without), "(0: 0 )(2: 20 )(3: 30 )(4: 40 )\n");
    EXPECT_EQ(without.GetCapacity(), 6);  // grown from a fresh 3
    without.CopyWithoutPair(t, 1, 10);
    EXPECT_EQ(Printed(without), "(0: 0 )(1: 11 )(2: 20 )(3: 30 )(4: 40 )\n");
    without.CopyWithoutPair(t, 3, 30);  // the last value of a descriptor takes it away
    EXPECT_EQ(Printed(without), "(0: 0 )(1: 10 11 )(2: 20 )(4: 40 )\n");
    without.CopyWithoutPair(t, 3, 99);  // an absent pair leaves a plain copy
    EXPECT_EQ(Printed(without), Printed(t));
}

TEST(GenTempl, RangeErrorsLogTheirOwnTexts) {
    TGenTempl t;
    t.AddDescriptor(0, 1);
    struct Case {
        std::function<void()> call;
        const char* log;
    };
    const Case cases[] = {
        {[&] { t.AddValToDescrip(1, 0); }, "Bad number of element in TGenTempl::AddValToDescrip"},
        {[&] { t.GetAttr(-1); }, "Bad number of element in TGenTempl::GetAttr"},
        {[&] { t.GetValue(1, 0); }, "Bad number of element in TGenTempl::AddValToAttr"},
        {[&] { t.GetNoValues(2); }, "Bad number of element in TGenTempl::AddValToAttr"},
        {[&] { t.GetVALUES(1); }, "Bad number of element in TGenTempl::GetVALUES"},
    };
    for (const Case& c : cases) {
        const Failure f = FailureOf(c.call);
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(TextLines(f.log), std::vector<std::string>{c.log});
    }
    // A template attribute outside the table is refused, not read from the next row.
    TTable table;
    FillTable(table, {{1, 0}, {1, 1}});
    TGenTempl outside;
    outside.AddDescriptor(2, 1);
    EXPECT_EQ(FailureOf([&] { outside.Matches(table, 0); }).code, 5);
    EXPECT_EQ(FailureOf([&] { t.Matches(table, 2); }).code, 5);
}

TEST(GenTempl, MatchingCountsOnlyUncoveredObjects) {
    TTable table;
    FillTable(table, {{0, 1, 0}, {0, 2, 1}, {1, 1, 0}, {0, 3, 1}, {0, 1, 1}});
    TGenTempl t;
    t.AddDescriptor(0, 0);
    t.AddDescriptor(1, 1);
    t.AddDescriptor(1, 3);
    EXPECT_EQ(t.Matches(table, 0), 1);
    EXPECT_EQ(t.Matches(table, 1), 0);
    EXPECT_EQ(t.Matches(table, 2), 0);
    EXPECT_EQ(t.CountUncoveredMatches(table, {0, 0, 0, 0, 0}), 3);
    EXPECT_EQ(t.CountUncoveredMatches(table, {1, 0, 0, 0, 0}), 2);
    EXPECT_EQ(TGenTempl().CountUncoveredMatches(table, {0, 1, 0, 0, 1}), 3);
}

// ---- quality and fitness

TEST(GenTempl, QualityAndFitnessAreThePairDefinitionsOnRandomTables) {
    int checked = 0;
    int positive = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TTable table;
        FillRandomTable(table, seed, 20 + static_cast<int>(seed) * 3, 2 + static_cast<int>(seed % 5), 3, 2 + seed % 3);
        std::vector<int> covered(static_cast<size_t>(table.GetNoObj()));
        for (int& c : covered) c = RandomInt(4) == 0;
        for (int k = 0; k < 15; ++k) {
            TGenTempl t = RandomTemplate(table, RandomInt(table.GetNoObj()));
            const PairCounts c = CountPairs(t, table);
            ASSERT_EQ(t.Quality(table), LiteralQuality(c)) << seed << " " << Printed(t);
            if (FromShare(c)) {
                EXPECT_NEAR(t.Quality(table), c.shareSum / c.equal, 1e-12);
            }
            for (int bound : {1000, LiteralUncovered(t, table, covered)}) {
                int support = -1;
                const int fitness = t.CalcFitness(table, covered, support, bound);
                EXPECT_EQ(support, LiteralUncovered(t, table, covered));
                EXPECT_EQ(fitness, support < bound ? LiteralFitness(c) : 0);
                EXPECT_EQ(t.GetFitness(), fitness);
            }
            ++checked;
            positive += FromShare(c) && LiteralFitness(c) > 0;
        }
    }
    EXPECT_EQ(checked, 600);
    EXPECT_GT(positive, 50);  // the share, not only the 0 and 1000 cases, was compared
}

TEST(GenTempl, QualityAndFitnessAreThePairDefinitionsOnRealTables) {
    for (const char* name : {"weather.nominal.tab", "vote.tab", "iris.tab"}) {
        auto table = Loaded(name);
        const std::vector<int> covered(static_cast<size_t>(table->GetNoObj()), 0);
        SeedRand(5);
        for (int k = 0; k < 30; ++k) {
            TGenTempl t = RandomTemplate(*table, RandomInt(table->GetNoObj()));
            const PairCounts c = CountPairs(t, *table);
            int support = 0;
            ASSERT_EQ(t.Quality(*table), LiteralQuality(c)) << name << " " << Printed(t);
            ASSERT_EQ(t.CalcFitness(*table, covered, support, 1000), LiteralFitness(c)) << name << " " << Printed(t);
        }
    }
}

// Decision 0 and 1 objects all match; attribute 1 separates every pair of different
// decisions except those sharing the value 0 there.
void Separation(TTable& table, int unseparated) {
    table.CreateTable(20, 3);
    for (int o = 0; o < 20; ++o) {
        const bool second = o >= 10;
        int v = second ? (o == 10 ? 0 : 100 + o) : (o < unseparated ? 0 : o);
        table.SetTable(o, 0, 7);
        table.SetTable(o, 1, v);
        table.SetTable(o, 2, second ? 1 : 0);
    }
}

TEST(GenTempl, NinetyFivePercentOfDifferentDecisionPairsMustBeSeparated) {
    TGenTempl t;
    t.AddDescriptor(0, 7);
    const std::vector<int> covered(20, 0);
    int support = 0;
    TTable at95;
    Separation(at95, 5);  // 95 of 100 pairs separated
    const PairCounts c = CountPairs(t, at95);
    ASSERT_EQ(c.different, 100);
    ASSERT_EQ(c.separated, 95);
    EXPECT_GT(t.Quality(at95), 0.0);
    EXPECT_EQ(t.CalcFitness(at95, covered, support, 1000), LiteralFitness(c));
    TTable at94;
    Separation(at94, 6);
    ASSERT_EQ(CountPairs(t, at94).separated, 94);
    EXPECT_EQ(t.Quality(at94), 0.0);
    EXPECT_EQ(t.CalcFitness(at94, covered, support, 1000), 0);
}

TEST(GenTempl, EdgeValuesOfQuality) {
    TTable table;
    FillTable(table, {{0, 0, 0}, {0, 1, 1}, {1, 0, 0}, {1, 0, 0}, {2, 5, 1}, {2, 6, 2}});
    const std::vector<int> covered(6, 0);
    int support = 0;
    TGenTempl none;
    none.AddDescriptor(0, 9);
    EXPECT_EQ(none.Quality(table), 0.0);
    TGenTempl one;
    one.AddDescriptor(1, 1);
    EXPECT_EQ(one.Quality(table), 1.0);
    EXPECT_EQ(one.CalcFitness(table, covered, support, 1000), 1000);
    EXPECT_EQ(one.CalcFitness(table, covered, support, 1), 0);  // the support reached the bound
    TGenTempl onlyDifferent;  // two objects of different decisions, separated by attribute 1
    onlyDifferent.AddDescriptor(0, 2);
    EXPECT_EQ(onlyDifferent.Quality(table), 1.0);
    TGenTempl everyAttribute;  // equal-decision pairs with no attribute left to differ on
    everyAttribute.AddDescriptor(0, 1);
    everyAttribute.AddDescriptor(1, 0);
    EXPECT_EQ(everyAttribute.Quality(table), 0.0);
    EXPECT_EQ(everyAttribute.CalcFitness(table, covered, support, 1000), 0);
}

TEST(GenTempl, DiversityWeighsTheValuesLeftOut) {
    TGenTempl t;
    t.AddDescriptor(0, 1);
    t.AddDescriptor(1, 1);
    t.AddDescriptor(1, 2);
    t.AddDescriptor(2, 4);
    TIntSack distinct;
    for (int d : {1, 5, 3}) distinct.AddElem(d);
    EXPECT_DOUBLE_EQ(t.Diversity(distinct), 1.0 + 3.0 / 4.0 + 2.0 / 2.0);
}

// ---- sub-tables

TEST(GenTempl, ExtractTableKeepsTheMatchingRowsWithoutTheTemplateColumns) {
    TTable table;
    FillTable(table, {{0, 1, 2, 0}, {1, 1, 3, 1}, {0, 2, 4, 1}, {0, 1, 5, 0}});
    TGenTempl t;
    t.AddDescriptor(1, 1);
    t.AddDescriptor(0, 0);
    TTable target;
    t.ExtractTable(table, target);
    ASSERT_EQ(target.GetNoObj(), 2);
    ASSERT_EQ(target.GetNoAttr(), 2);
    EXPECT_EQ(AllValues(target), (std::vector<int>{2, 0, 5, 0}));

    TGenTempl nothing;
    nothing.AddDescriptor(0, 9);
    const Failure empty = FailureOf([&] { nothing.ExtractTable(table, target); });
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(TextLines(empty.log), std::vector<std::string>{"No objects<1 in TGenTempl::ExtractTable"});
    EXPECT_EQ(AllValues(target), (std::vector<int>{2, 0, 5, 0}));  // unchanged

    TTable narrow;
    FillTable(narrow, {{0, 1}, {0, 0}});
    TGenTempl all;
    all.AddDescriptor(0, 0);
    all.AddDescriptor(1, 1);
    const Failure noColumn = FailureOf([&] { all.ExtractTable(narrow, target); });
    EXPECT_EQ(noColumn.code, 5);
    EXPECT_EQ(TextLines(noColumn.log), std::vector<std::string>{"Bad number of attributes in TGenTempl::ExtractTable"});
}

// ---- family

TEST(GenTemplFamily, GrowsByAHundredAndPicksTheFirstOfTheFittest) {
    TGenTemplFamily family;
    const Failure empty = FailureOf([&] { family.GetTheBestTempl(); });
    EXPECT_EQ(empty.code, 4);
    EXPECT_EQ(TextLines(empty.log), std::vector<std::string>{"Blad krytyczny  w TGenTemplFamily::GetTheBestTempl"});

    TTable table;
    FillTable(table, {{0, 0}, {1, 0}, {2, 1}});
    const std::vector<int> covered(3, 0);
    for (int i = 0; i < 99; ++i) {
        auto t = std::make_unique<TGenTempl>();
        t->AddDescriptor(0, i % 3);
        if (i % 2 == 0) t->AddDescriptor(0, (i + 1) % 3);  // two objects: fitness 1000 only for 1-2
        int support = 0;
        t->CalcFitness(table, covered, support, 1000);
        family.Add(std::move(t));
    }
    EXPECT_EQ(family.GetCapacity(), 100);
    family.Add(std::make_unique<TGenTempl>());
    EXPECT_EQ(family.GetCapacity(), 200);  // count + 1 reached 100 before the append
    EXPECT_EQ(family.GetNoElem(), 100);
    EXPECT_EQ(&family.GetTheBestTempl(), &family.GetElem(1));  // fitness 1000 from 1 on
    EXPECT_EQ(family.GetFitness(1), 1000);
    EXPECT_EQ(family.GetFitness(0), 0);  // values 0 and 1: decisions 0 and 0, no attribute left
    const Failure elem = FailureOf([&] { family.GetElem(100); });
    EXPECT_EQ(elem.code, 5);
    EXPECT_EQ(elem.log, "Bad number of templates in TGenTemplFamily::GetElem \n");
    const Failure fitness = FailureOf([&] { family.GetFitness(-1); });
    EXPECT_EQ(fitness.code, 5);
    EXPECT_EQ(fitness.log, "Bad number of templates in TGenTemplFamily::GetFitness \n");
    family.Clear();
    EXPECT_EQ(family.GetNoElem(), 0);
    EXPECT_EQ(family.GetCapacity(), 100);

    auto t = std::make_unique<TGenTempl>();
    t->AddDescriptor(1, 0);
    family.Add(std::move(t));
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
    // Uncovered 7; with attribute 0 = 0: 5, attribute 1 = 0: 4, attribute 2 = 0: 5 -> attribute
    // 0 (first of equals); then with 1: 3, with 2: 3 -> attribute 1, support 3, not above 3.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "*5\n*3\n       PO INIT SUPPORT=3\n");
    EXPECT_EQ(Printed(t), "(0: 0 )(1: 0 )\n");
    EXPECT_EQ(t.CountUncoveredMatches(table, covered), 3);

    TGenTempl untouched;
    testing::internal::CaptureStdout();
    untouched.InitFromObject(table, covered, 0, 7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "       PO INIT SUPPORT=7\n");
    EXPECT_EQ(untouched.GetNoDesc(), 0);

    // A covered seed whose values no uncovered object shares: every try has support 0.
    TTable lonely;
    FillTable(lonely, {{5, 5, 0}, {1, 1, 0}, {2, 2, 1}});
    TGenTempl none;
    testing::internal::CaptureStdout();
    none.InitFromObject(lonely, {1, 0, 0}, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "       PO INIT SUPPORT=2\n");
    EXPECT_EQ(none.GetNoDesc(), 0);
}

TEST(GenTempl, ShrinkDropsTheAttributeThatRaisesTheFitnessMost) {
    TTable table;
    Climbing(table);
    const std::vector<int> covered(8, 0);
    TGenTempl full;
    for (int a = 0; a < 3; ++a) full.AddDescriptor(a, table.GetTable(0, a));
    // Expected from the drop-one templates themselves: the fittest, first of equals.
    int expectedBest = -1;
    std::string expected;
    for (int i = 0; i < 3; ++i) {
        TGenTempl dropped;
        dropped.CopyWithoutAttr(full, full.GetAttr(i));
        int support = 0;
        const int f = dropped.CalcFitness(table, covered, support, 1000);
        if (f > expectedBest) {
            expectedBest = f;
            expected = Printed(dropped);
        }
    }
    ASSERT_GT(expectedBest, 0);
    TGenTempl t = full;
    int best = 0;
    EXPECT_EQ(t.Shrink(table, covered, 0, best, 1000), 1);
    EXPECT_EQ(best, expectedBest);
    EXPECT_EQ(Printed(t), expected);
    EXPECT_EQ(t.GetFitness(), expectedBest);

    t = full;
    best = expectedBest;  // nothing strictly better
    EXPECT_EQ(t.Shrink(table, covered, 0, best, 1000), 0);
    EXPECT_EQ(Printed(t), Printed(full));
    TGenTempl single;
    single.AddDescriptor(0, 0);
    best = -1;
    EXPECT_EQ(single.Shrink(table, covered, 0, best, 1000), 0);
    EXPECT_EQ(best, -1);
}

std::unique_ptr<TInt2Tree> PairTree(const TTable& table) {
    auto tree = std::make_unique<TInt2Tree>(0, table.GetTable(0, 0));
    for (int o = 0; o < table.GetNoObj(); ++o)
        for (int a = 0; a < table.GetNoAttr() - 1; ++a)
            if (o + a > 0) tree->Add(a, table.GetTable(o, a));
    return tree;
}

TEST(GenTempl, ExpandTakesTheFittestFrequentPairInPreOrder) {
    TTable table;
    Climbing(table);
    const std::vector<int> covered(8, 0);
    auto tree = PairTree(table);
    TGenTempl t;
    t.AddDescriptor(2, 0);
    // The oracle: every pair of the tree in pre-order, judged on a copy.
    struct Candidate {
        int a, b, count, fitness;
    };
    std::vector<Candidate> candidates;
    tree->VisitPairs([&](int a, int b, int count) {
        if (t.HasDescriptor(a, b)) return;
        TGenTempl tried = t;
        tried.AddDescriptor(a, b);
        if (!tried.Matches(table, 0)) return;
        int support = 0;
        candidates.push_back({a, b, count, tried.CalcFitness(table, covered, support, 1000)});
    });
    // Object 0 is (0, 0, 0): (0,0) and (1,0) extend the template; (2,*) joins attribute 2's
    // values and still matches, so it is a candidate too.
    ASSERT_GE(candidates.size(), 3u);
    for (int minCount : {1, 5, 6, 100}) {
        const Candidate* best = nullptr;
        for (const Candidate& c : candidates)
            if (c.count >= minCount && (best == nullptr || c.fitness > best->fitness)) best = &c;
        TGenTempl expanded = t;
        int fitness = -7;
        const int changed = expanded.Expand(table, covered, tree.get(), 0, fitness, 1000, minCount);
        if (best == nullptr) {
            EXPECT_EQ(changed, 0);
            EXPECT_EQ(fitness, -7);
            EXPECT_EQ(Printed(expanded), Printed(t));
            continue;
        }
        EXPECT_EQ(changed, 1) << minCount;
        EXPECT_EQ(fitness, best->fitness);
        TGenTempl expected = t;
        expected.AddDescriptor(best->a, best->b);
        EXPECT_EQ(Printed(expanded), Printed(expected));
    }
    int fitness = 0;
    EXPECT_EQ(t.Expand(table, covered, nullptr, 0, fitness, 1000, 1), 0);  // an empty tree
}

TEST(GenTempl, ShrinkOrExpandTakesTheBetterOfTheTwoCopies) {
    TTable table;
    Climbing(table);
    const std::vector<int> covered(8, 0);
    auto tree = PairTree(table);
    TGenTempl full;
    for (int a = 0; a < 3; ++a) full.AddDescriptor(a, table.GetTable(0, a));
    TGenTempl shrunk = full;
    int shrunkBest = 0;
    ASSERT_EQ(shrunk.Shrink(table, covered, 0, shrunkBest, 1000), 1);
    TGenTempl expanded = full;
    int expandedBest = 0;
    const int grew = expanded.Expand(table, covered, tree.get(), 0, expandedBest, 1000, 1);
    TGenTempl t = full;
    int best = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(t.ShrinkOrExpand(table, covered, tree.get(), 0, best, 1000, 1), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Shrinking...\nExpanding...\n");
    const bool shrinkWins = !grew || shrunkBest >= expandedBest;
    EXPECT_EQ(best, shrinkWins ? shrunkBest : expandedBest);
    EXPECT_EQ(Printed(t), Printed(shrinkWins ? shrunk : expanded));

    // Nothing beats the best already reached: no change.
    TGenTempl again = full;
    best = 1000;
    testing::internal::CaptureStdout();
    EXPECT_EQ(again.ShrinkOrExpand(table, covered, tree.get(), 0, best, 1000, 1), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(best, 1000);
    EXPECT_EQ(Printed(again), Printed(full));
}

}  // namespace
