#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/int_tree.h"
#include "core/pair_sack.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/templates/templ_search.h"
#include "tests/discretization/templates/templ_helpers.h"
#include "tests/rough/table_builders.h"
#include "tests/support/test_files.h"

namespace {

// ---- mutation and selection

TEST(TemplGA, MutationDrawsCoinDescriptorRemovalCoinAndValueAndStopsAtALoneValue) {
    TTable table;
    FillTable(table, {{0, 1, 2, 0}, {0, 2, 2, 1}, {1, 1, 3, 0}, {0, 1, 3, 1}});
    const std::vector<int> covered(4, 0);
    // A seed whose first two mutation coins both come up: the first template then loses one
    // value, the second (one descriptor of one value) ends the generation's mutation.
    unsigned seed = 0;
    int descriptor = -1;
    int value = -1;
    int next = -1;
    for (;; ++seed) {
        PinRandom(seed);
        if (RandomInt(100) / 100.0 >= 0.2) continue;
        descriptor = RandomInt(3);
        RandomInt(100);
        value = RandomInt(descriptor == 1 ? 2 : 1);
        if (RandomInt(100) / 100.0 >= 0.2) continue;
        RandomInt(1);
        next = Rand();
        break;
    }
    TTemplGA ga;
    TGenTemplFamily& population = ga.GetPopulation();
    for (const TGenTempl& t : {Template({{0, 0}, {1, 1}, {1, 2}, {2, 2}}), Template({{2, 3}}),
                               Template({{0, 0}, {1, 1}})})  // the last is never reached
        population.Add(std::make_unique<TGenTempl>(t));
    PinRandom(seed);
    ga.Mutate(table, covered, TInt2Sack(), 1000);
    EXPECT_EQ(Rand(), next);  // exactly the draws above
    ASSERT_EQ(population.GetNoElem(), 4);
    const int attributes[] = {0, 1, 2};
    const int values[3][2] = {{0, 0}, {1, 2}, {2, 2}};
    TGenTempl expected;
    expected.CopyWithoutPair(population.GetElem(0), attributes[descriptor], values[descriptor][value]);
    EXPECT_EQ(Printed(population.GetElem(3)), Printed(expected));
    int support = 0;
    EXPECT_EQ(population.GetFitness(3), expected.CalcFitness(table, covered, support, 1000));
}

TEST(TemplGA, SelectionKeepsTheFiftyFittestInPopulationOrderAboveAHundred) {
    TTable table;
    FillRandomTable(table, 9, 60, 5, 3, 2);
    const std::vector<int> covered(60, 0);
    TTemplGA ga;
    TGenTemplFamily& population = ga.GetPopulation();
    PinRandom(4);
    std::map<const TGenTempl*, int> position;
    std::vector<int> fitness;
    for (int i = 0; i < 101; ++i) {
        auto t = std::make_unique<TGenTempl>();
        for (int a = 0; a < 4; ++a)
            if (RandomInt(2) == 0) t->AddDescriptor(a, RandomInt(3));
        int support = 0;
        fitness.push_back(t->CalcFitness(table, covered, support, 1000));
        position[t.get()] = i;
        population.Add(std::move(t));
        if (i == 99) {
            ga.Select();
            EXPECT_EQ(population.GetNoElem(), 100);  // not above 2 x 50
        }
    }
    ga.Select();
    ASSERT_EQ(population.GetNoElem(), 50);
    std::vector<bool> kept(101, false);
    for (int i = 0; i < 50; ++i) {
        kept[static_cast<size_t>(position.at(&population.GetElem(i)))] = true;
        EXPECT_TRUE(i == 0 || position.at(&population.GetElem(i - 1)) < position.at(&population.GetElem(i)));
    }
    // No dropped template is fitter than a kept one, nor as fit and earlier.
    for (size_t d = 0; d < 101; ++d)
        for (size_t k = 0; k < 101; ++k)
            EXPECT_TRUE(kept[d] || !kept[k] || fitness[d] < fitness[k] || (fitness[d] == fitness[k] && d > k));
}

// ---- the search of one template

TEST(TemplGA, TheInitialPopulationIsTheSeedTemplateAndTheClimbedOne) {
    TTable table;
    FillTable(table, {{0, 0, 0, 0}, {0, 0, 1, 1}, {0, 1, 0, 0}, {1, 0, 0, 1}, {0, 0, 0, 0}});
    const std::vector<int> covered(5, 0);
    TTemplGA ga, wide;
    TGenTempl climbed;
    testing::internal::CaptureStdout();
    ga.InitPopulation(table, covered, 2, 3);
    climbed.InitFromObject(table, covered, 2, 3);
    wide.InitPopulation(table, covered, 2, 1000);  // no step above the bound: no climbed one
    testing::internal::GetCapturedStdout();
    TGenTemplFamily& population = ga.GetPopulation();
    ASSERT_EQ(population.GetNoElem() + wide.GetPopulation().GetNoElem(), 3);
    EXPECT_EQ(Printed(population.GetElem(0)), "(0: 0 )(1: 1 )(2: 0 )\n");
    EXPECT_EQ(population.GetFitness(0), 1000);  // the seed alone
    EXPECT_EQ(Printed(population.GetElem(1)), Printed(climbed));
    int support = 0;
    EXPECT_EQ(population.GetFitness(1), climbed.CalcFitness(table, covered, support, 3));
}

TEST(TemplGA, RunGeneralizesASeedWhoseFullTemplateScoresNothing) {
    TTable table;  // object 1 is object 0 with the other decision
    FillRandomTable(table, 21, 200, 7, 4, 2);
    for (int a = 0; a < 7; ++a) table.SetTable(1, a, a < 6 ? table.GetTable(0, a) : 1 - table.GetTable(0, a));
    const std::vector<int> covered(200, 0);
    TTemplGA ga;
    TGenTempl result;
    PinRandom(2);
    testing::internal::CaptureStdout();
    ga.Run(table, covered, 0, TInt2Sack(), result, 1000);
    testing::internal::GetCapturedStdout();
    TGenTemplFamily& population = ga.GetPopulation();
    EXPECT_GT(result.GetFitness(), 0);  // the seed's own template, matching the twin, scores 0
    EXPECT_LT(result.GetNoDesc(), 6);
    EXPECT_EQ(result.Matches(table, 0), 1);
    EXPECT_EQ(Printed(result), Printed(population.GetTheBestTempl()));
    EXPECT_LE(population.GetNoElem(), 100);
    for (int i = 0; i < population.GetNoElem(); ++i) {
        EXPECT_EQ(population.GetElem(i).Matches(table, 0), 1);
        EXPECT_LE(population.GetFitness(i), result.GetFitness());
    }
}

// ---- the covering search

std::unique_ptr<TInt2Tree> CountedPairs(int pairsOfCountOne, int pairsOfCountThree) {
    auto tree = std::make_unique<TInt2Tree>(-1, 0);
    for (int i = 0; i < pairsOfCountOne; ++i) tree->Add(i % 7, i);
    for (int i = 0; i < pairsOfCountThree; ++i)
        for (int k = 0; k < 3; ++k) tree->Add(100 + i, 0);
    return tree;
}

TEST(SearchTemplates, TheFrequencyThresholdStepsBackWhenFewerThanTenPairsReachIt) {
    struct Case {
        int ones, threes;
        const char* printed;
        int used;
    };
    // The root (-1, 0) counts once more among the pairs of count 1.
    const Case cases[] = {
        {99, 9, "MinTune=2\nSupport from MinTune=9\n", 1},
        {99, 10, "MinTune=2\nSupport from MinTune=10\n", 2},
        {50, 9, "MinTune=1\nSupport from MinTune=60\n", 1},
        {5, 3, "MinTune=1\nSupport from MinTune=9\n", 0},
        {150, 100, "MinTune=4\nSupport from MinTune=0\n", 3},
    };
    for (const Case& c : cases) {
        auto tree = CountedPairs(c.ones, c.threes);
        testing::internal::CaptureStdout();
        EXPECT_EQ(FrequencyThreshold(*tree), c.used) << c.ones << " " << c.threes;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
    }
}

// Replays the covering from what the output and the family show: each pass's seed is the
// uncovered object whose pairs are the most frequent among the uncovered (the first of
// equals), and the pass covers the uncovered objects its template matches.
void CheckCovering(const char* name) {
    SCOPED_TRACE(name);
    TTable table;
    table.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
    TGenTemplFamily family;
    PinRandom(1);
    testing::internal::CaptureStdout();
    SearchTemplates(family, table);
    const std::vector<std::string> lines = TextLines(testing::internal::GetCapturedStdout());

    const int n = table.GetNoObj();
    const int conditions = table.GetNoAttr() - 1;
    std::vector<int> covered(static_cast<size_t>(n), 0);
    int coveredObjects = 0;
    int beforeLast = 0;
    size_t line = 0;
    ASSERT_EQ(lines.at(line++), "Licze wzorce...");
    for (int pass = 0; pass < family.GetNoElem(); ++pass) {
        std::map<std::pair<int, int>, long long> counts;
        for (int o = 0; o < n; ++o)
            if (!covered[static_cast<size_t>(o)])
                for (int a = 0; a < conditions; ++a) ++counts[{a, table.GetTable(o, a)}];
        int seed = -1;
        long long seedWeight = -1;
        for (int o = 0; o < n; ++o) {
            if (covered[static_cast<size_t>(o)]) continue;
            long long w = 0;
            for (int a = 0; a < conditions; ++a) w += counts[{a, table.GetTable(o, a)}];
            if (w > seedWeight) {
                seed = o;
                seedWeight = w;
            }
        }
        const TGenTempl& t = family.GetElem(pass);
        ASSERT_EQ(t.Matches(table, seed), 1) << pass;
        beforeLast = coveredObjects;
        int newly = 0;
        for (int o = 0; o < n; ++o) {
            if (!covered[static_cast<size_t>(o)] && t.Matches(table, o)) {
                covered[static_cast<size_t>(o)] = 1;
                ++newly;
            }
        }
        coveredObjects += newly;

        EXPECT_EQ(lines.at(line++).rfind("MinTune=", 0), 0u);
        EXPECT_EQ(lines.at(line++).rfind("Support from MinTune=", 0), 0u);
        while (lines.at(line).rfind("*", 0) == 0) ++line;
        EXPECT_EQ(lines.at(line++).rfind("       PO INIT SUPPORT=", 0), 0u);
        EXPECT_EQ(lines.at(line++) + "\n", "WZORZEC: " + Printed(t));
        EXPECT_EQ(lines.at(line++), "         SUPPORT=" + std::to_string(newly));
        std::ostringstream share;
        share << static_cast<double>(coveredObjects) / n;
        EXPECT_EQ(lines.at(line++), "covered=" + share.str());
    }
    EXPECT_EQ(lines.at(line++), "Liczba policzonych wzorcow: " + std::to_string(family.GetNoElem()));
    EXPECT_EQ(line, lines.size());
    EXPECT_GE(static_cast<double>(coveredObjects) / n, 0.9);
    EXPECT_LT(static_cast<double>(beforeLast) / n, 0.9);  // no pass after 90% was reached
    EXPECT_GT(family.GetNoElem(), 1);
}

TEST(SearchTemplates, CoversNinetyPercentOfRealTablesWithTemplatesMatchingTheirSeeds) {
    CheckCovering("weather.nominal.tab");
    CheckCovering("contact-lenses.tab");
    CheckCovering("iris.tab");
}

TEST(SearchTemplates, ATableWithoutConditionsEndsAtOnce) {
    for (int objects : {0, 3}) {
        TTable table;
        table.CreateTable(objects, 1);
        TGenTemplFamily family;
        family.Add(std::make_unique<TGenTempl>());
        testing::internal::CaptureStdout();
        SearchTemplates(family, table);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Licze wzorce...\nLiczba policzonych wzorcow: 0\n");
        EXPECT_EQ(family.GetNoElem(), 0);
    }
}

}  // namespace
