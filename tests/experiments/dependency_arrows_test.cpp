#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/dependency_arrows.h"
#include "rough/genetic/ga_engine.h"
#include "tests/rough/reducts/reduct_builders.h"
#include "tests/support/brute_force_reducts.h"
#include "tests/support/test_files.h"

using genetic_subsets::Subset;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct Weather : ::testing::Test {
    void SetUp() override {
        table.Load(VARNEL_TABLES "/weather.nominal.tab");
        ResetRandomForTests();
    }
    TTable table;
};

std::string Printed(const ArrowList& list) {
    std::ostringstream out;
    out << list;
    return out.str();
}

// Whether `from` is a reduct of the attributes t relative to attribute j: a table of the
// columns t with j as its decision, judged by generalized decisions pair by pair.
bool IsReductFor(const TTable& table, const std::vector<int>& t, int j, const std::vector<int>& from) {
    TTable sub;
    sub.CreateTable(table.GetNoObj(), static_cast<int>(t.size()) + 1);
    for (int o = 0; o < table.GetNoObj(); ++o)
        for (size_t c = 0; c <= t.size(); ++c) sub.SetTable(o, c, table.Value(o, c < t.size() ? t[c] : j));
    std::vector<int> columns;
    for (int a : from) columns.push_back(std::find(t.begin(), t.end(), a) - t.begin());
    std::sort(columns.begin(), columns.end());
    return brute_force::IsGlobalReduct(sub, true, columns);
}

// The attributes of Y \ X explained in the order p, each from a reduct of those left (the
// newest arrow first, so descending); nothing else.
void ExpectArrowsOfOrder(const TTable& table, const ArrowList& list, const Subset& x, const Subset& y,
                         const std::vector<int>& p) {
    std::vector<int> unexplained, t = Members(y);
    for (int a : t)
        if (!x.IsSet(a)) unexplained.push_back(a);
    std::map<int, std::vector<int>> from;
    for (const Arrow& arrow : list.GetArrows()) from[arrow.to].push_back(arrow.from);
    const int explained = std::min<int>(p.size(), y.Count() - 1);
    for (int i = 0; i < explained; ++i) {
        const int j = unexplained[p[i]];
        t.erase(std::find(t.begin(), t.end(), j));
        EXPECT_TRUE(std::is_sorted(from[j].rbegin(), from[j].rend()));
        EXPECT_TRUE(IsReductFor(table, t, j, from[j])) << "attribute " << j;
        from.erase(j);
    }
    EXPECT_TRUE(from.empty());
}

TEST(ArrowList, PrintsTheNewestArrowFirst) {
    ArrowList list(nullptr);
    EXPECT_EQ(Printed(list), "{}");
    list.Add(1, 0);
    EXPECT_EQ(Printed(list), "{{1,0}}");
    list.Add(2, 0);
    list.Add(3, 4);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(Printed(list), "{{3,4} , {2,0} , {1,0}}");
}

TEST_F(Weather, EachAttributeIsExplainedByAReductOfThoseLeft) {
    Subset all(5);
    all.SetAll();
    std::vector<int> p(5);
    std::iota(p.begin(), p.end(), 0);
    int orders = 0;
    do {
        if (orders++ % 3 != 0) continue;  // a third of the orders is plenty
        ArrowList list(&table);
        CaptureStdout();
        FindArrows(list, Subset(5), all, p);  // p[4], the last, is never explained
        EXPECT_EQ(GetCapturedStdout(), "Wynik: " + std::to_string(list.GetCount()) + " strzalek.\n");
        ExpectArrowsOfOrder(table, list, Subset(5), all, p);
    } while (std::next_permutation(p.begin(), p.end()));

    // A fixed X is never explained, but serves as a source.
    const std::vector<int> order{2, 0, 3, 1};
    ArrowList list(&table);
    CaptureStdout();
    FindArrows(list, Of(5, {4}), all, order);
    GetCapturedStdout();
    ExpectArrowsOfOrder(table, list, Of(5, {4}), all, order);
    EXPECT_THROW(FindArrows(list, Of(5, {4}), all, {0, 1}), GA_errors);        // too short
    EXPECT_THROW(FindArrows(list, Of(5, {4}), all, {0, 1, 2, 4}), GA_errors);  // not an order
}

TEST_F(Weather, SubsetsOfTheTableAndLengths) {
    EXPECT_EQ(ArrowEvaluator(&table).GetLength(), 5);
    ArrowEvaluator emptyY(&table, Of(5, {1, 2}), Subset(5));
    EXPECT_EQ(emptyY.GetX().Count(), 0);
    EXPECT_EQ(ArrowEvaluator(&table, Of(5, {0, 1, 2}), Of(5, {3, 4})).GetLength(), 0);
    EXPECT_THROW(ArrowEvaluator(&table, Subset(4), Subset(5)), CalcError);

    ArrowEvaluator same(&table, Of(5, {0, 3}), Of(5, {0, 3}));
    CaptureStdout();
    for (int g = 0; g < 3; ++g) same.NextGeneration(4);
    for (const std::string& line : TextLines(GetCapturedStdout())) EXPECT_EQ(line, "Wynik: 0 strzalek.");
    EXPECT_EQ(same.GetPopulation()->GetBest(0)->GetFitness(), 1.0);
    EXPECT_EQ(Printed(*same.GetArrows()), "{}");
}

// Each generation prints a line per evaluation, then one for the best order's arrows.
TEST_F(Weather, TheSearchKeepsTheFewestArrowsAndRepeats) {
    std::string first;
    for (int run = 0; run < 2; ++run) {
        ResetRandomForTests();
        ArrowEvaluator evaluator(&table);
        std::string all;
        int fewest = 1 << 30;
        for (int g = 0; g < 3; ++g) {
            CaptureStdout();
            evaluator.NextGeneration(6);
            const std::string out = GetCapturedStdout();
            all += out;
            std::vector<std::string> lines = TextLines(out);
            ASSERT_GE(lines.size(), g == 0 ? 7u : 1u);  // a new population: all six evaluated
            EXPECT_EQ(lines.back(), "Wynik: " + std::to_string(evaluator.GetArrows()->GetCount()) + " strzalek.");
            lines.pop_back();
            for (const std::string& line : lines) fewest = std::min(fewest, std::stoi(line.substr(7)));
            const auto* best = dynamic_cast<const GA_arrows*>(evaluator.GetPopulation()->GetBest(0));
            ASSERT_NE(best, nullptr);
            EXPECT_DOUBLE_EQ(best->GetFitness(), 1.0 / (fewest + 1));
            ExpectArrowsOfOrder(table, *evaluator.GetArrows(), evaluator.GetX(), evaluator.GetY(), best->Genes());
        }
        if (run == 0) first = all;
        EXPECT_EQ(all, first);
    }
}

}  // namespace
