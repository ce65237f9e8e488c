#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "discretization/directions/hyperplane.h"
#include "tests/discretization/directions/wide_tables.h"
#include "tests/rough/table_builders.h"
#include "tests/support/failure_of.h"
#include "tests/support/table_text.h"
#include "tests/support/test_files.h"

namespace {

void PinRandom(unsigned seed) {
    RandomInt(1);  // spends the clock seeding of the first call
    SeedRand(seed);
}

std::unique_ptr<THyper> Hyper(std::initializer_list<int> coefficients, long long fitness = 0) {
    auto h = std::make_unique<THyper>();
    for (int c : coefficients) h->AddCoef(c);
    h->SetFitness(fitness);
    return h;
}

std::unique_ptr<THyper> RandomHyperFor(const TTable& table) {
    auto h = std::make_unique<THyper>();
    for (int a = 0; a < table.GetNoAttr(); ++a) h->AddCoef(RandomInt(2000) - 1000);
    return h;
}

void Load(TTable& table, const char* name) { table.Load((std::string(VARNEL_TABLES) + "/" + name).c_str()); }

// ---- the definitions, pair by pair

bool Separates(const THyperSet& set, const TTable& table, int i, int j) {
    for (int k = 0; k < set.GetNoElem(); ++k)
        if (set.GetHyper(k).CheckHyperplane(table, i) != set.GetHyper(k).CheckHyperplane(table, j)) return true;
    return false;
}

long long LiteralFitness(const TTable& table, const THyper& candidate, const THyperSet& chosen) {
    const int dec = table.GetNoAttr() - 1;
    long long n = 0;
    for (int i = 0; i < table.GetNoObj(); ++i)
        for (int j = 0; j < i; ++j)
            if (table.GetTable(i, dec) != table.GetTable(j, dec) &&
                (Separates(chosen, table, i, j) ||
                 candidate.CheckHyperplane(table, i) != candidate.CheckHyperplane(table, j)))
                ++n;
    return n;
}

int LiteralRegion(const TTable& table, const THyperSet& set) {
    const int dec = table.GetNoAttr() - 1;
    int n = 0;
    for (int o = 0; o < table.GetNoObj(); ++o) {
        bool inside = true;
        for (int p = 0; p < table.GetNoObj() && inside; ++p)
            if (table.GetTable(o, dec) != table.GetTable(p, dec) && !Separates(set, table, o, p)) inside = false;
        n += inside;
    }
    return n;
}

// ---- hyperplanes and sets

TEST(Hyper, SidesAreTheSignOfTheWeightedSumInSixtyFourBits) {
    TTable table;
    FillTable(table, {{3, 5, 0}, {5, 3, 1}, {4, 4, 0}, {TTable::MissingValue, TTable::MissingValue, 1}});
    std::vector<char> sides;
    Hyper({0, 0, 0})->Sides(table, sides);
    EXPECT_EQ(sides, (std::vector<char>{1, 1, 1, 1}));
    auto diagonal = Hyper({1, -1, -1});  // x - y - 1 >= 0
    diagonal->Sides(table, sides);
    EXPECT_EQ(sides, (std::vector<char>{0, 1, 0, 0}));
    EXPECT_EQ(Hyper({1000, -1000, -1})->CheckHyperplane(table, 3), 0);  // 32 bits would overflow
    EXPECT_EQ(Hyper({1000, -999, -1})->CheckHyperplane(table, 3), 1);
    testing::internal::CaptureStdout();
    diagonal->Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "HIPER: 1 -1 -1 \n");
    THyper copy;
    copy.AddCoef(9);
    diagonal->SetFitness(1LL << 40);
    copy.CopyFrom(*diagonal);
    EXPECT_EQ(copy.GetNoCoef() + copy.GetCoef(2), 2);
    EXPECT_EQ(copy.GetFitness(), 1LL << 40);

    TTable single;
    FillTable(single, {{1}, {2}});
    const std::function<void()> refused[] = {
        [&] { Hyper({1, 1})->CheckHyperplane(table, 0); }, [&] { Hyper({1})->CheckHyperplane(single, 0); },
        [&] { diagonal->CheckHyperplane(table, 4); }, [&] { diagonal->CheckHyperplane(table, -1); }};
    for (const auto& call : refused) {
        const Failure f = FailureOf(call);
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(f.log, "Bad number in THyper::CheckHyperplane \n");
    }
}

TEST(HyperSet, GrowsByTenFindsTheFirstOfTheFittestAndMakesTables) {
    THyperSet set;
    EXPECT_EQ(FailureOf([&] { set.GetMaximalHyper(); }).log,
              "Bad number of element in THyperSet::GetMaximalHyper() \n");
    for (long long f : {3, 7, 2, 7, 1, 0, 7, 5, 6}) set.Add(Hyper({0, 0}, f));
    EXPECT_EQ(set.GetCapacity(), 10);
    set.Add(Hyper({0, 0}, 1));
    EXPECT_EQ(set.GetCapacity(), 20);  // count + 1 reached 10 before the append
    EXPECT_EQ(&set.GetMaximalHyper(), &set.GetHyper(1));
    EXPECT_EQ(FailureOf([&] { set.GetHyper(10); }).log, "Bad number of element in THyperSet::GetHyper \n");
    const Failure fit = FailureOf([&] { set.GetFitness(-1); });
    EXPECT_EQ(fit.code, 5);
    EXPECT_EQ(fit.log, "Bad number of element in THyperSet::GetFitness \n");
    set.Clear();
    EXPECT_EQ(set.GetNoElem() + set.GetCapacity(), 10);

    TTable table;
    FillTable(table, {{3, 5, 7}, {5, 3, 8}, {4, 4, 9}});
    for (auto h : {std::initializer_list<int>{1, -1, 0}, {0, 0, -1}, {-1, 0, 4}}) set.Add(Hyper(h));
    TTable target;
    set.MakeTable(table, target, nullptr);
    ASSERT_EQ(target.GetNoAttr(), 4);
    EXPECT_EQ(AllValues(target), (std::vector<int>{0, 0, 1, 7, 1, 0, 0, 8, 1, 0, 1, 9}));
    set.MakeTable(table, target, Hyper({0, 0, 0}).get());
    ASSERT_EQ(target.GetNoAttr(), 5);
    EXPECT_EQ(AllValues(target), (std::vector<int>{0, 0, 1, 1, 7, 1, 0, 0, 1, 8, 1, 0, 1, 1, 9}));
}

TEST(HyperSet, FitnessAndPositiveRegionAreThePairDefinitions) {
    for (const char* name : {"", "iris.tab", "vote.tab"}) {
        TTable table;
        if (*name != 0)
            Load(table, name);
        else
            FillRandomTable(table, 3, 60, 4, 4, 3);  // small values, repeats and missing ones
        PinRandom(5);
        THyperSet chosen;
        for (int size = 0; size < 6; ++size) {
            THyperSet candidates;
            for (int k = 0; k < 4; ++k) candidates.Add(RandomHyperFor(table));
            candidates.GetHyper(0).SetFitness(-5);
            candidates.EvaluateFrom(table, 1, chosen);
            EXPECT_EQ(candidates.GetHyper(0).GetFitness(), -5);  // before the start: untouched
            for (int k = 1; k < 4; ++k)
                ASSERT_EQ(candidates.GetHyper(k).GetFitness(), LiteralFitness(table, candidates.GetHyper(k), chosen));
            ASSERT_EQ(chosen.CountPositiveRegion(table), LiteralRegion(table, chosen)) << name << " " << size;
            chosen.Add(RandomHyperFor(table));
        }
        THyper zero;  // puts every object on one side: separates nothing
        for (int a = 0; a < table.GetNoAttr(); ++a) zero.AddCoef(0);
        EXPECT_EQ(chosen.CountSeparatedPairs(table), LiteralFitness(table, zero, chosen));
    }
}

// ---- the search

TEST(HyperGA, MutationCopiesOneChangedCoefficientAndKeepsTheParentsFitness) {
    TTable table;
    for (int rate : {0, 100, 80}) {
        THyperGA ga;
        ga.SetMutationRate(rate);
        THyperSet& population = ga.GetPopulation();
        population.Add(Hyper({10, 20, 30}, 4));
        population.Add(Hyper(std::initializer_list<int>{}, 9));  // nothing to change
        population.Add(Hyper({-1, -2, -3}, 6));
        // The draws: the coin (only strictly between 0 and 100), then index and value.
        PinRandom(17);
        std::vector<THyper> expected;
        for (int parent = 0; parent < 3; ++parent) {
            if (!(rate == 100 || (rate > 0 && RandomInt(100) < rate)) || parent == 1) continue;
            expected.emplace_back();
            expected.back().CopyFrom(population.GetHyper(parent));
            const int index = RandomInt(3);
            expected.back().SetCoef(index, RandomInt(2000) - 1000);
        }
        const int next = Rand();
        PinRandom(17);
        ga.Mutate(table);
        EXPECT_EQ(Rand(), next) << rate;
        ASSERT_EQ(population.GetNoElem(), 3 + static_cast<int>(expected.size())) << rate;
        for (size_t k = 0; k < expected.size(); ++k) {
            const THyper& child = population.GetHyper(3 + static_cast<int>(k));
            EXPECT_EQ(child.GetFitness(), expected[k].GetFitness());
            for (int i = 0; i < 3; ++i) EXPECT_EQ(child.GetCoef(i), expected[k].GetCoef(i));
        }
    }
}

TEST(HyperGA, SelectionKeepsFiveInPopulationOrder) {
    THyperGA ga;
    THyperSet& population = ga.GetPopulation();
    for (long long f : {1, 2, 3, 4}) population.Add(Hyper({0}, f));
    ga.Select();
    EXPECT_EQ(population.GetNoElem(), 4);
    for (long long f : {9, 2, 0, 9}) population.Add(Hyper({0}, f));
    const THyper* earlierTwo = &population.GetHyper(1);
    ga.Select();
    ASSERT_EQ(population.GetNoElem(), 5);
    EXPECT_EQ(&population.GetHyper(0), earlierTwo);  // of two equal fitnesses the earlier stays
    for (int i = 1; i < 5; ++i) EXPECT_EQ(population.GetFitness(i), (std::vector<long long>{2, 3, 4, 9, 9})[i]);
}

TEST(HyperGA, RunRetriesUntilAPairIsSeparatedAndGivesUpWithoutASecondDecision) {
    // Objects so close that few random hyperplanes pass between them.
    TTable table;
    FillTable(table, {{400, 300, 0}, {401, 300, 1}, {401, 300, 1}});
    THyperGA ga;
    THyper result;
    PinRandom(3);
    testing::internal::CaptureStdout();
    ga.Run(table, result);
    std::vector<std::string> lines = TextLines(testing::internal::GetCapturedStdout());
    size_t line = 0;
    for (int i = 0; i < 5; ++i) {
        const std::string prefix = std::to_string(i) + ". Fit= ";
        while (lines.at(line) == prefix + "0") ++line;
        EXPECT_EQ(lines.at(line++), prefix + "2");
    }
    EXPECT_GT(line, 5u);  // some tries were refused
    EXPECT_EQ(lines.at(line++), "                   Najlepsze fitness: 2");
    EXPECT_EQ(line, lines.size());
    EXPECT_EQ(ga.GetPopulation().GetNoElem(), 5);
    EXPECT_EQ(result.GetFitness(), 2);

    FillTable(table, {{1, 2, 0}, {2, 1, 0}});
    testing::internal::CaptureStdout();
    EXPECT_EQ(FailureOf([&] { ga.Run(table, result); }).code, 4);
    lines = TextLines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(lines.size(), static_cast<size_t>(THyperGA::kMaxTries));
    EXPECT_EQ(lines.back(), "0. Fit= 0");
}

// Objects without a single column have no decision: the set operations and the search fail
// as a hyperplane check on that shape does, instead of reading before the row.
TEST(HyperGA, ObjectsWithoutColumnsFailAsABadShape) {
    TTable table;
    LoadTableText(table, "5 0\n");
    ASSERT_EQ(table.GetNoObj(), 5);
    ASSERT_EQ(table.GetNoAttr(), 0);
    THyperSet empty;
    const Failure region = FailureOf([&] { empty.CountPositiveRegion(table); });
    EXPECT_EQ(region.code, 5);
    EXPECT_EQ(region.log, "Bad number in THyper::CheckHyperplane \n");
    EXPECT_EQ(FailureOf([&] { empty.CountSeparatedPairs(table); }).code, 5);
    THyperGA ga;
    testing::internal::CaptureStdout();
    EXPECT_EQ(FailureOf([&] { ga.FindHyperplanes(table); }).code, 5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

struct Outcome {
    int region = 0, rounds = 0, added = 0;  // rounds: also those that added no hyperplane
    std::string last;
};

// Runs the whole search; returns the positive region reached after checking the report, that
// every chosen hyperplane separated pairs its predecessors had not, and that a search ends
// with a region line or with the line of a stop short of its goal.
Outcome Search(const TTable& table, unsigned seed) {
    THyperGA ga;
    PinRandom(seed);
    testing::internal::CaptureStdout();
    ga.FindHyperplanes(table);
    Outcome out;
    std::vector<int> regions;
    for (const std::string& l : TextLines(testing::internal::GetCapturedStdout())) {
        if (l.rfind("             Obszar pozytywny: ", 0) == 0) regions.push_back(std::stoi(l.substr(31)));
        out.rounds += l.rfind("                   Najlepsze fitness: ", 0) == 0;
        out.last = l;
    }
    const THyperSet& chosen = ga.GetChosen();
    EXPECT_EQ(static_cast<int>(regions.size()), out.added = chosen.GetNoElem());
    const int region = out.region = chosen.CountPositiveRegion(table);
    EXPECT_EQ(regions.empty() ? region : regions.back(), region);
    const std::string stop = "             Koniec: 10000 losowan z rzedu bez nowej pary, obszar pozytywny " +
                             std::to_string(region) + " z ";
    if (!out.last.empty() && out.last.rfind("             Obszar pozytywny: ", 0) != 0) {
        EXPECT_EQ(out.last.substr(0, stop.size()), stop);
    }
    for (size_t k = 0; k + 1 < regions.size(); ++k) EXPECT_LT(regions[k], 300);
    long long before = 0;
    for (int k = 0; k < chosen.GetNoElem(); ++k) {
        EXPECT_GT(chosen.GetHyper(k).GetFitness(), before);
        before = chosen.GetHyper(k).GetFitness();
    }
    EXPECT_EQ(before, chosen.CountSeparatedPairs(table));
    TTable target;
    ga.MakeTable(table, target);
    EXPECT_EQ(target.GetNoAttr(), chosen.GetNoElem() + 1);
    return out;
}

TEST(HyperGA, FindHyperplanesReachesThreeHundredOnVoteAndEndsElsewhere) {
    TTable table;
    Load(table, "vote.tab");
    EXPECT_GE(Search(table, 1).region, 300);
    for (const char* name : {"iris.tab", "breast-cancer.tab"}) {
        Load(table, name);
        const int region = Search(table, 1).region;
        EXPECT_GT(region, 0) << name;
        EXPECT_LT(region, 300) << name;
    }
    FillTable(table, {{10, 10, 0}, {10, 10, 1}, {900, 5, 0}, {-900, 5, 1}, {5, 900, 1}});
    EXPECT_LE(Search(table, 2).region, 3);  // no hyperplane parts the first two objects
    FillTable(table, {{1, 2, 0}, {2, 1, 0}});  // one decision: the region is whole at once
    EXPECT_EQ(Search(table, 2).region, 2);
}

// Where values span wide ranges most rounds near the end part no new pair, and the search
// goes on past them; where every round adds a hyperplane (vote) nothing of that comes in.
TEST(HyperGA, FindHyperplanesDrawsOnPastRoundsThatAddNothing) {
    TTable table;
    for (unsigned seed : {1u, 2u}) {
        CreditShaped(table, seed);
        const Outcome credit = Search(table, seed);
        EXPECT_GE(credit.region, 300);
        EXPECT_GT(credit.rounds, credit.added);
        VehicleShaped(table, seed);
        EXPECT_GE(Search(table, seed).region, 300);
        Load(table, "vote.tab");
        const Outcome vote = Search(table, seed);
        EXPECT_EQ(vote.rounds, vote.added);
    }
    // 600 objects made twins of another decision: the goal is the 246 others.
    VehicleShaped(table, 3);
    for (int o = 1; o < 600; o += 2) {
        for (int a = 0; a < 18; ++a) table.SetTable(o, a, table.GetTable(o - 1, a));
        table.SetTable(o, 18, (table.GetTable(o - 1, 18) + 1) % 4);
    }
    EXPECT_EQ(Search(table, 3).region, 246);
    for (int o = 0; o < table.GetNoObj(); ++o) table.SetTable(o, 18, 7);
    EXPECT_EQ(Search(table, 3).rounds, 0);  // one decision: the goal holds at once
}

// 5,000 and 5,001 lie on one side of every hyperplane with coefficients and constant within
// 1,000: the search stops short, also where not a single pair can be parted.
TEST(HyperGA, FindHyperplanesStopsShortAfterTenThousandDrawsWithoutANewPair) {
    TTable table;
    FillTable(table, {{0, 0}, {10, 1}, {5000, 0}, {5001, 1}});
    EXPECT_EQ(Search(table, 4).last, "             Koniec: 10000 losowan z rzedu bez nowej pary, obszar pozytywny 2 z 4");
    FillTable(table, {{5000, 0}, {5001, 1}});
    EXPECT_EQ(Search(table, 4).last, "             Koniec: 10000 losowan z rzedu bez nowej pary, obszar pozytywny 0 z 2");
}

}  // namespace
