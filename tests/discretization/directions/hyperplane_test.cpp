#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "discretization/directions/hyperplane.h"
#include "tests/rough/table_builders.h"
#include "tests/support/failure_of.h"
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

// ---- one hyperplane

TEST(Hyper, SidesAreTheSignOfTheWeightedSumInSixtyFourBits) {
    TTable table;
    FillTable(table, {{3, 5, 0}, {5, 3, 1}, {4, 4, 0}, {TTable::MissingValue, TTable::MissingValue, 1}});
    auto zero = Hyper({0, 0, 0});
    for (int o = 0; o < 4; ++o) EXPECT_EQ(zero->CheckHyperplane(table, o), 1);
    auto diagonal = Hyper({1, -1, -1});  // x - y - 1 >= 0
    EXPECT_EQ(diagonal->CheckHyperplane(table, 0), 0);
    EXPECT_EQ(diagonal->CheckHyperplane(table, 1), 1);
    EXPECT_EQ(diagonal->CheckHyperplane(table, 2), 0);
    auto large = Hyper({1000, -1000, -1});  // 32-bit sums would overflow on the last row
    EXPECT_EQ(large->CheckHyperplane(table, 3), 0);
    auto largePlus = Hyper({1000, -999, -1});
    EXPECT_EQ(largePlus->CheckHyperplane(table, 3), 1);

    std::vector<char> sides;
    diagonal->Sides(table, sides);
    EXPECT_EQ(sides, (std::vector<char>{0, 1, 0, 0}));

    testing::internal::CaptureStdout();
    diagonal->Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "HIPER: 1 -1 -1 \n");
    THyper copy;
    copy.AddCoef(9);
    diagonal->SetFitness(1LL << 40);
    copy.CopyFrom(*diagonal);
    EXPECT_EQ(copy.GetNoCoef(), 3);
    EXPECT_EQ(copy.GetCoef(2), -1);
    EXPECT_EQ(copy.GetFitness(), 1LL << 40);
}

TEST(Hyper, ShapesAndObjectsOutsideTheTableAreRefused) {
    TTable table;
    FillTable(table, {{1, 2, 0}, {2, 1, 1}});
    TTable single;
    FillTable(single, {{1}, {2}});
    auto fits = Hyper({1, 1, 1});
    auto tooFew = Hyper({1, 1});
    auto one = Hyper({1});
    const std::vector<std::function<void()>> calls = {
        [&] { tooFew->CheckHyperplane(table, 0); },
        [&] { one->CheckHyperplane(single, 0); },
        [&] { fits->CheckHyperplane(table, 2); },
        [&] { fits->CheckHyperplane(table, -1); },
    };
    for (const auto& call : calls) {
        const Failure f = FailureOf(call);
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(f.log, "Bad number in THyper::CheckHyperplane \n");
    }
}

// ---- sets

TEST(HyperSet, GrowsByTenAndFindsTheFirstOfTheFittest) {
    THyperSet set;
    const Failure empty = FailureOf([&] { set.GetMaximalHyper(); });
    EXPECT_EQ(empty.code, 5);
    EXPECT_EQ(empty.log, "Bad number of element in THyperSet::GetMaximalHyper() \n");
    const long long fitness[] = {3, 7, 2, 7, 1, 0, 7, 5, 6};
    for (long long f : fitness) set.Add(Hyper({0, 0}, f));
    EXPECT_EQ(set.GetCapacity(), 10);
    set.Add(Hyper({0, 0}, 1));
    EXPECT_EQ(set.GetCapacity(), 20);  // count + 1 reached 10 before the append
    EXPECT_EQ(&set.GetMaximalHyper(), &set.GetHyper(1));
    EXPECT_EQ(set.GetFitness(8), 6);
    const Failure hyper = FailureOf([&] { set.GetHyper(10); });
    EXPECT_EQ(hyper.code, 5);
    EXPECT_EQ(hyper.log, "Bad number of element in THyperSet::GetHyper \n");
    const Failure fit = FailureOf([&] { set.GetFitness(-1); });
    EXPECT_EQ(fit.code, 5);
    EXPECT_EQ(fit.log, "Bad number of element in THyperSet::GetFitness \n");
    set.Clear();
    EXPECT_EQ(set.GetNoElem(), 0);
    EXPECT_EQ(set.GetCapacity(), 10);
}

TEST(HyperSet, FitnessAndPositiveRegionAreThePairDefinitions) {
    struct Source {
        const char* name;  // a real table, or null for a random one
        unsigned seed;
    };
    const Source sources[] = {{nullptr, 1}, {nullptr, 2}, {nullptr, 3}, {"iris.tab", 4}, {"vote.tab", 5}};
    int checked = 0;
    for (const Source& source : sources) {
        TTable table;
        if (source.name != nullptr)
            Load(table, source.name);
        else
            FillRandomTable(table, source.seed, 60, 4, 4, 3);  // small values and missing ones
        PinRandom(source.seed);
        THyperSet chosen;
        for (int size = 0; size < 6; ++size) {
            THyperSet candidates;
            for (int k = 0; k < 4; ++k) candidates.Add(RandomHyperFor(table));
            candidates.GetHyper(0).SetFitness(-5);
            candidates.EvaluateFrom(table, 1, chosen);
            EXPECT_EQ(candidates.GetHyper(0).GetFitness(), -5);  // before the start: untouched
            for (int k = 1; k < 4; ++k) {
                THyper& c = candidates.GetHyper(k);
                ASSERT_EQ(c.GetFitness(), LiteralFitness(table, c, chosen)) << source.seed << " " << size;
                ASSERT_EQ(candidates.Fitness(table, c, chosen), c.GetFitness());
            }
            ASSERT_EQ(chosen.CountPositiveRegion(table), LiteralRegion(table, chosen)) << source.seed << " " << size;
            ++checked;
            chosen.Add(RandomHyperFor(table));
        }
        THyper zero;  // puts every object on one side: separates nothing
        for (int a = 0; a < table.GetNoAttr(); ++a) zero.AddCoef(0);
        EXPECT_EQ(chosen.CountSeparatedPairs(table), LiteralFitness(table, zero, chosen));
    }
    EXPECT_EQ(checked, 30);
}

TEST(HyperSet, MakeTableHasAColumnPerHyperplaneAndTheDecisionLast) {
    TTable table;
    FillTable(table, {{3, 5, 7}, {5, 3, 8}, {4, 4, 9}});
    THyperSet set;
    set.Add(Hyper({1, -1, 0}));
    set.Add(Hyper({0, 0, -1}));
    set.Add(Hyper({-1, 0, 4}));
    TTable target;
    set.MakeTable(table, target, nullptr);
    ASSERT_EQ(target.GetNoAttr(), 4);
    ASSERT_EQ(target.GetNoObj(), 3);
    EXPECT_EQ(AllValues(target), (std::vector<int>{0, 0, 1, 7, 1, 0, 0, 8, 1, 0, 1, 9}));
    auto extra = Hyper({0, 0, 0});
    set.MakeTable(table, target, extra.get());
    ASSERT_EQ(target.GetNoAttr(), 5);
    EXPECT_EQ(AllValues(target), (std::vector<int>{0, 0, 1, 1, 7, 1, 0, 0, 1, 8, 1, 0, 1, 1, 9}));
}

// ---- the search

TEST(HyperGA, MutationCopiesOneChangedCoefficientAndKeepsTheParentsFitness) {
    TTable table;
    FillTable(table, {{1, 2, 0}, {2, 1, 1}});
    for (int rate : {0, 100, 80}) {
        THyperGA ga;
        ga.SetMutationRate(rate);
        THyperSet& population = ga.GetPopulation();
        population.Add(Hyper({10, 20, 30}, 4));
        population.Add(Hyper(std::initializer_list<int>{}, 9));  // nothing to change
        population.Add(Hyper({-1, -2, -3}, 6));
        PinRandom(17);
        struct Expected {
            int parent, index, value;
        };
        std::vector<Expected> expected;
        for (int parent = 0; parent < 3; ++parent) {
            const bool mutate = rate == 100 || (rate > 0 && RandomInt(100) < rate);
            if (!mutate || parent == 1) continue;
            const int index = RandomInt(3);
            expected.push_back({parent, index, RandomInt(2000) - 1000});
        }
        const int next = Rand();
        PinRandom(17);
        ga.Mutate(table);
        EXPECT_EQ(Rand(), next) << rate;
        ASSERT_EQ(population.GetNoElem(), 3 + static_cast<int>(expected.size())) << rate;
        for (size_t k = 0; k < expected.size(); ++k) {
            const THyper& parent = population.GetHyper(expected[k].parent);
            const THyper& child = population.GetHyper(3 + static_cast<int>(k));
            EXPECT_EQ(child.GetFitness(), parent.GetFitness());
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(child.GetCoef(i), i == expected[k].index ? expected[k].value : parent.GetCoef(i));
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
    std::vector<long long> kept;
    for (int i = 0; i < population.GetNoElem(); ++i) kept.push_back(population.GetFitness(i));
    EXPECT_EQ(kept, (std::vector<long long>{2, 3, 4, 9, 9}));
    EXPECT_EQ(&population.GetHyper(0), earlierTwo);  // of two equal fitnesses the earlier stays
}

TEST(HyperGA, RunRetriesUntilAPairIsSeparatedAndReportsEachTry) {
    // Two objects so close that few random hyperplanes pass between them.
    TTable table;
    FillTable(table, {{400, 300, 0}, {401, 300, 1}, {401, 300, 1}});
    THyperGA ga;
    THyper result;
    PinRandom(3);
    testing::internal::CaptureStdout();
    ga.Run(table, result);
    const std::vector<std::string> lines = TextLines(testing::internal::GetCapturedStdout());
    int retries = 0;
    size_t line = 0;
    for (int i = 0; i < 5; ++i) {
        const std::string prefix = std::to_string(i) + ". Fit= ";
        while (lines.at(line) == prefix + "0") {
            ++line;
            ++retries;
        }
        EXPECT_EQ(lines.at(line++), prefix + "2");
    }
    EXPECT_GT(retries, 0);
    EXPECT_EQ(lines.at(line++), "                   Najlepsze fitness: 2");
    EXPECT_EQ(line, lines.size());
    EXPECT_EQ(ga.GetPopulation().GetNoElem(), 5);
    EXPECT_EQ(result.GetFitness(), 2);
    EXPECT_EQ(result.CheckHyperplane(table, 0) != result.CheckHyperplane(table, 1), true);
}

TEST(HyperGA, OneDecisionValueEndsTheRetriesWithCodeFour) {
    TTable table;
    FillTable(table, {{1, 2, 0}, {2, 1, 0}});
    THyperGA ga;
    THyper result;
    PinRandom(5);
    testing::internal::CaptureStdout();
    const Failure f = FailureOf([&] { ga.Run(table, result); });
    const std::vector<std::string> lines = TextLines(testing::internal::GetCapturedStdout());
    EXPECT_EQ(f.code, 4);
    ASSERT_EQ(lines.size(), static_cast<size_t>(THyperGA::kMaxTries));
    EXPECT_EQ(lines.back(), "0. Fit= 0");
}

// Runs the whole search and checks what it printed against the chosen set.
void CheckSearch(const TTable& table, unsigned seed, int& region) {
    THyperGA ga;
    PinRandom(seed);
    testing::internal::CaptureStdout();
    ga.FindHyperplanes(table);
    const std::vector<std::string> lines = TextLines(testing::internal::GetCapturedStdout());
    const THyperSet& chosen = ga.GetChosen();
    std::vector<std::string> regions;
    for (const std::string& l : lines)
        if (l.rfind("             Obszar pozytywny: ", 0) == 0) regions.push_back(l.substr(31));
    ASSERT_EQ(static_cast<int>(regions.size()), chosen.GetNoElem());
    region = chosen.CountPositiveRegion(table);
    if (!regions.empty()) {
        EXPECT_EQ(regions.back(), std::to_string(region));
    }
    if (regions.size() >= 2) {
        EXPECT_LT(std::stoi(regions[regions.size() - 2]), 300);  // no hyperplane after the goal
    }
    // Every chosen hyperplane separated pairs its predecessors had not.
    long long before = 0;
    for (int k = 0; k < chosen.GetNoElem(); ++k) {
        EXPECT_GT(chosen.GetHyper(k).GetFitness(), before);
        before = chosen.GetHyper(k).GetFitness();
    }
    EXPECT_EQ(before, chosen.CountSeparatedPairs(table));
    TTable target;
    ga.MakeTable(table, target);
    EXPECT_EQ(target.GetNoAttr(), chosen.GetNoElem() + 1);
}

TEST(HyperGA, FindHyperplanesReachesThreeHundredOnVoteAndEndsOnSmallerTables) {
    TTable vote;
    Load(vote, "vote.tab");
    int region = 0;
    CheckSearch(vote, 1, region);
    EXPECT_GE(region, 300);
    for (const char* name : {"iris.tab", "breast-cancer.tab"}) {
        TTable table;
        Load(table, name);
        CheckSearch(table, 1, region);
        EXPECT_GT(region, 0) << name;
        EXPECT_LT(region, 300) << name;
    }
}

TEST(HyperGA, IdenticalObjectsOfTwoDecisionsStayOutsideTheRegion) {
    TTable table;
    FillTable(table, {{10, 10, 0}, {10, 10, 1}, {900, 5, 0}, {-900, 5, 1}, {5, 900, 1}});
    int region = 0;
    CheckSearch(table, 2, region);
    EXPECT_LE(region, 3);  // no hyperplane parts the first two objects

    TTable oneDecision;
    FillTable(oneDecision, {{1, 2, 0}, {2, 1, 0}});
    THyperGA none;
    testing::internal::CaptureStdout();
    none.FindHyperplanes(oneDecision);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(none.GetChosen().GetNoElem(), 0);
}

}  // namespace
