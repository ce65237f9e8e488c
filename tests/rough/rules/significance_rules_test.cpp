#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/rules/significance_rules.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rules/naive_rule_growth.h"
#include "tests/support/failing_allocation.h"

namespace {

constexpr int kAny = TGARules::kAnyValue;

TGARules RuleOf(const std::vector<int>& values) { return TGARules(values.data(), static_cast<int>(values.size())); }

std::unique_ptr<TTable> Weather() {
    auto t = std::make_unique<TTable>();
    t->Load(VARNEL_TABLES "/weather.nominal.tab");
    return t;
}

std::vector<int> ValuesOf(const TGARules& rule) {
    const int* v = rule.GetValues();
    return v ? std::vector<int>(v, v + rule.GetNoValues()) : std::vector<int>{};
}

int CalcErrorCode(const std::function<void()>& call) {
    try {
        call();
    } catch (const CalcError& e) {
        return e.GetCode();
    }
    return -1;
}

// The generator as a fresh process has it, before and after.
class PinnedGenerator : public ::testing::Test {
protected:
    void SetUp() override { ResetRandomForTests(); }
    void TearDown() override { ResetRandomForTests(); }
};

// Genes set by hand, as no operator of the engine would make them.
class HandSetRule : public GA_rule {
public:
    using GA_rule::GA_rule;
    void SetGenes(const std::vector<int>& g) { genes = g; }
};

TEST(Significance, PowersOfTwoTheSingleConditionAndLargeCounts) {
    EXPECT_EQ(TGARules::Significance(3, 0, {7}), 0.875);
    EXPECT_EQ(TGARules::Significance(3, 0, {1, 2}), 0.328125);
    EXPECT_EQ(TGARules::Significance(3, 1, {1, 2}), 0.328125 / 2);
    EXPECT_EQ(TGARules::Significance(3, 999, {1, 2}), std::ldexp(0.328125, -999));
    EXPECT_EQ(TGARules::Significance(3, 1000, {1, 2}), 0.0);
    EXPECT_EQ(TGARules::Significance(0, 0, {5}), 0.0);
    EXPECT_EQ(TGARules::Significance(2, 1, {}), 0.375);
    // A condition needed by no object of another decision counts only when it is alone.
    EXPECT_EQ(TGARules::Significance(1, 0, {0}), 0.5);
    EXPECT_EQ(TGARules::Significance(1, 0, {3, 0, 5}), 0.0);
    // From 40 on a count adds 2^-k to S; rounded into P the smaller terms would vanish.
    EXPECT_EQ(TGARules::Significance(39, 0, {}), 1.0 - std::ldexp(1.0, -39));
    EXPECT_EQ(TGARules::Significance(40, 0, {41, 42}),
              1.0 - (std::ldexp(1.0, -40) + std::ldexp(1.0, -41) + std::ldexp(1.0, -42)));
    EXPECT_EQ(TGARules::Significance(45, 0, {1, 60}), (1.0 - (std::ldexp(1.0, -45) + std::ldexp(1.0, -60))) * 0.5);
    EXPECT_EQ(TGARules::Significance(1000, 0, {}), 1.0);
}

TEST(TGARules, MatchTellsSupportContradictionAndTheLoneFailingCondition) {
    const TGARules rule = RuleOf({5, kAny, 7, 1});
    const std::vector<std::pair<std::vector<int>, int>> cases = {
        {{5, 9, 7, 1}, -2}, {{5, 9, 6, 1}, 0}, {{5, 0, 7, 0}, -1},
        {{4, 0, 7, 2}, 1},  {{5, 0, 8, 2}, 3}, {{4, 0, 8, 2}, 0},
    };
    for (const auto& [row, expected] : cases) EXPECT_EQ(rule.Match(row.data()), expected);
    EXPECT_EQ(TGARules().Match(cases[0].first.data()), 0);
}

TEST(TGARules, CopiesAreDeepAndPrintAsTheRule) {
    const TGARules none;
    EXPECT_EQ(none.GetNoValues(), 0);
    EXPECT_EQ(none.GetScore(), -1.0);
    EXPECT_EQ(none.GetSupport(), -1);
    EXPECT_EQ(PrintedRule(none), "");

    std::vector<int> source = {0, kAny, 1};
    TGARules rule(source.data(), 3);
    source[0] = 9;
    auto t = MakeTable({{0, 0, 1}, {1, 0, 0}});
    rule.Evaluate(*t, 0);
    TGARules copy(rule);
    TGARules assigned;
    assigned = rule;
    EXPECT_NE(copy.GetValues(), rule.GetValues());
    EXPECT_NE(assigned.GetValues(), rule.GetValues());
    // One supporting object; the other fails the one condition: 1 - 2^-1.
    EXPECT_EQ(PrintedRule(copy), "(a1==0) => (dec:=1)\t  (0.5)(1)");
    EXPECT_EQ(PrintedRule(assigned), PrintedRule(copy));
    assigned = none;
    EXPECT_EQ(PrintedRule(assigned), "");

    TGARules conditionless = RuleOf({kAny, kAny, 0});
    conditionless.Evaluate(*t, 0);
    EXPECT_EQ(PrintedRule(conditionless), "true => (dec:=0)\t  (0.25)(1)");
    EXPECT_EQ(PrintedRule(RuleOf({kAny, 2, 3, 0})), "(a2==2) & (a3==3) => (dec:=0)\t  (-1)(-1)");
}

TEST(TGARules, ImproperIndexSaysSoAndReadsZero) {
    const TGARules rule = RuleOf({4, 5, 6});
    testing::internal::CaptureStderr();
    EXPECT_EQ(rule[2], 6);
    EXPECT_EQ(rule[3], 0);
    EXPECT_EQ(rule[-1], 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Operator []: improper value: 3 3Operator []: improper value: -1 3");
}

TEST(TGARules, EvaluateCountsOnceUnlessAskedAloud) {
    auto weather = Weather();
    TGARules rule = RuleOf({0, kAny, 0, kAny, 1});
    EXPECT_EQ(rule.Evaluate(*weather, 0), 0.57421875);
    EXPECT_EQ(rule.GetSupport(), 3);
    // Evaluated once, the rule does not look at another table, unless verbose.
    auto other = MakeTable({{0, 0, 0, 0, 1}, {0, 0, 0, 0, 0}});
    EXPECT_EQ(rule.Evaluate(*other, 0), 0.57421875);
    testing::internal::CaptureStdout();
    EXPECT_EQ(rule.Evaluate(*other, 1), 0.0);
    rule.Evaluate(*weather, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Za: 1, przeciw: 1\n\nOcena: 0\nZa: 3, przeciw: 0\n\nOcena: 0.574219\n");
}

TEST(TGARules, WhatCannotBeEvaluatedOrAllocated) {
    TGARules none;
    auto t = MakeTable({{0, 1}});
    testing::internal::CaptureStderr();
    EXPECT_EQ(none.Evaluate(*t, 1), 0.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Evaluation of NULL rule");
    EXPECT_EQ(CalcErrorCode([&] { RuleOf({0, 0, 1}).Evaluate(*t, 0); }), 5);

    const std::vector<int> v = {1, 2, 3};
    testing::internal::CaptureStdout();
    int code = -1;
    try {
        FailingAllocation failing;
        TGARules rule(v.data(), 3);
    } catch (const GA_errors& e) {
        code = e.GetCode();
    }
    EXPECT_EQ(code, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: memory ");
}

// The running counts against fresh evaluations of every prefix, to the bit.
void ExpectGrowthAsNaive(const TTable& t, const std::vector<std::vector<int>>& permutations, int objects) {
    for (int o = 0; o < objects; ++o) {
        for (const auto& p : permutations) {
            const TGARules grown(t, o, p);
            const NaiveGrowth naive = GrowNaively(t, o, p);
            ASSERT_EQ(ValuesOf(grown), naive.values) << "object " << o;
            ASSERT_EQ(grown.GetScore(), naive.score) << "object " << o;
            ASSERT_EQ(grown.GetSupport(), naive.support) << "object " << o;
        }
    }
}

TEST_F(PinnedGenerator, GrowthKeepsTheCountsEvaluateWouldFind) {
    auto weather = Weather();
    ExpectGrowthAsNaive(*weather, AllPermutations(4), weather->GetNoObj());
    for (unsigned seed : {3u, 11u, 29u}) {
        TTable t;
        FillRandomTable(t, seed, 60, 7, 3, 3);
        // Now and then a value that reads as "any": the object's own condition drops out.
        for (int o = 0; o < 60; o += 7) t.SetTable(o, (o / 7) % 6, kAny);
        ExpectGrowthAsNaive(t, RandomPermutations(6, 20), 60);
    }
    TTable soybean;
    soybean.Load(VARNEL_TABLES "/soybean.tab");
    ExpectGrowthAsNaive(soybean, RandomPermutations(soybean.GetNoAttr() - 1, 3), 4);
}

TEST(Growth, FirstOfEqualBestPrefixesIsKept) {
    // Along a1, a2, a3: a1 alone scores 0.5 x 2^-3; a1 & a2 has one contradicting object left
    // (0.5 x 0.5 x 0.75 x 0.5); adding a3 turns it into a needed condition of count 1, the
    // same score again. a4 is needed by nobody: 0.0, and the growth ends.
    auto t = MakeTable({{0, 0, 0, 0, 1}, {0, 0, 1, 0, 0}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 1, 0, 0, 0}});
    EXPECT_EQ(PrintedRule(TGARules(*t, 0, std::vector<int>{0, 1, 2, 3})),
              "(a1==0) & (a2==0) => (dec:=1)\t  (0.09375)(1)");
    EXPECT_EQ(RuleOf({0, 0, 0, kAny, 1}).Evaluate(*t, 0), 0.09375);
}

TEST(Growth, StopsAfterAZeroButNotAfterTheFirstCondition) {
    // 1000 objects of another decision share a1 and a2 with object 0 but not a3: a1 alone
    // and a1 & a2 score 0.0 by contradiction. The zero of a1 alone does not stop the
    // growth, that of the longer a1 & a2 does, so a3, which would shut the 1000 out, is
    // never reached.
    TTable t;
    t.CreateTable(1003, 4);
    const int rows[][4] = {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    for (int o = 0; o < 1003; ++o)
        for (int a = 0; a < 4; ++a) t.SetTable(o, a, rows[std::min(o, 3)][a]);
    EXPECT_EQ(PrintedRule(TGARules(t, 0, std::vector<int>{0, 1, 2})), "(a1==0) => (dec:=1)\t  (0)(1)");
    EXPECT_GT(RuleOf({0, 0, 0, 1}).Evaluate(t, 0), 0.0);
    EXPECT_EQ(PrintedRule(TGARules(t, 0, std::vector<int>{0, 2, 1})),
              "(a1==0) & (a3==0) => (dec:=1)\t  (0.125)(1)");
}

TEST(Growth, BadPermutationOrObjectGivesNoRule) {
    auto weather = Weather();
    testing::internal::CaptureStderr();
    for (const std::vector<int>& p : std::vector<std::vector<int>>{{4, 0, 1, 2}, {-1, 0, 1, 2}, {}})
        EXPECT_EQ(TGARules(*weather, 0, p).GetNoValues(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "TGARules constr. error: permut. val. out of range "
              "TGARules constr. error: permut. val. out of range "
              "TGARules constr. error: permut. val. out of range ");
    // A later bad element, once the growth reaches it, silently.
    testing::internal::CaptureStderr();
    EXPECT_EQ(TGARules(*weather, 0, std::vector<int>{1, 0, 7, 2}).GetNoValues(), 0);
    EXPECT_EQ(TGARules(*weather, 0, std::vector<int>{1, 0}).GetNoValues(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    EXPECT_EQ(CalcErrorCode([&] { TGARules(*weather, 14, std::vector<int>{0, 1, 2, 3}); }), 5);
    EXPECT_EQ(CalcErrorCode([&] { TGARules(*weather, -1, std::vector<int>{0, 1, 2, 3}); }), 5);
    EXPECT_EQ(CalcErrorCode([&] { TGARules(*weather, 14, 0); }), 5);
    EXPECT_EQ(CalcErrorCode([&] { GeneticRuleSearch(*weather, -1, 0, 1); }), 5);
}

// Every order of the weather conditions as an individual: the fitness is the cube of the
// grown rule's score, and individuals compare by their rules, not by their genes.
TEST_F(PinnedGenerator, RuleIndividualScoresTheCubeAndComparesByRule) {
    auto weather = Weather();
    std::vector<std::unique_ptr<HandSetRule>> all;
    for (const auto& p : AllPermutations(4)) {
        all.push_back(std::make_unique<HandSetRule>(weather.get(), 0));
        all.back()->SetGenes(p);
        all.back()->Evaluate();
        const TGARules grown(*weather, 0, p);
        const double s = grown.GetScore();
        ASSERT_EQ(PrintedRule(all.back()->GetRule()), PrintedRule(grown));
        ASSERT_EQ(all.back()->GetFitness(), s * s * s);
    }
    int sameRule = 0;
    for (const auto& x : all) {
        for (const auto& y : all) {
            const std::vector<int> vx = ValuesOf(x->GetRule());
            const std::vector<int> vy = ValuesOf(y->GetRule());
            EXPECT_EQ(x->Compare(*y), vx < vy ? 0 : vx == vy ? 1 : 2);
            if (vx == vy && x->Genes() != y->Genes()) ++sameRule;
        }
    }
    EXPECT_GT(sameRule, 0);

    const auto clone = all[5]->Clone();
    const auto& cloned = dynamic_cast<const GA_rule&>(*clone);
    EXPECT_EQ(cloned.Genes(), all[5]->Genes());
    EXPECT_EQ(cloned.GetFitness(), all[5]->GetFitness());
    EXPECT_EQ(PrintedRule(cloned.GetRule()), PrintedRule(all[5]->GetRule()));

    // A "permutation" that passes the sum test but grows no rule: fitness 0.0, not -1.
    auto t = MakeTable({{0, 0, 0, 1}, {0, 1, 0, 0}});
    HandSetRule odd(t.get(), 0);
    odd.SetGenes({0, 5, -2});
    ASSERT_EQ(odd.IsInvalid(), 0);
    odd.Evaluate();
    EXPECT_EQ(odd.GetRule().GetNoValues(), 0);
    EXPECT_EQ(odd.GetFitness(), 0.0);
}

// The search against every order of the four conditions of the weather table: for each
// object the search finds a rule of the best score there is, and prints as that rule does.
TEST_F(PinnedGenerator, SearchFindsTheBestRuleOfEveryWeatherObject) {
    auto weather = Weather();
    for (int o = 0; o < weather->GetNoObj(); ++o) {
        const PermutationOracle oracle = BestOverPermutations(*weather, o);
        const TGARules found(*weather, o, 3);
        EXPECT_EQ(found.GetScore(), oracle.best) << "object " << o;
        const std::string text = PrintedRule(found);
        EXPECT_NE(std::find(oracle.bestRules.begin(), oracle.bestRules.end(), text), oracle.bestRules.end())
            << "object " << o << ": " << text;
        EXPECT_EQ(oracle.bestRules.size(), (o == 4 || o == 9) ? 2u : 1u) << "object " << o;
        if (o == 0) {
            EXPECT_EQ(text, "(a1==0) & (a3==0) => (dec:=1)\t  (0.574219)(3)");
        }
    }
}

TEST_F(PinnedGenerator, UnknownSpeedLevelsRunAsLevelZero) {
    auto weather = Weather();
    auto runState = [&](int level) {
        ResetRandomForTests();
        const std::string text = PrintedRule(TGARules(*weather, 6, level));
        return text + " / next draw " + std::to_string(Rand());
    };
    const std::string zero = runState(0);
    EXPECT_EQ(runState(7), zero);
    EXPECT_EQ(runState(-1), zero);
    EXPECT_NE(runState(1), zero);
    EXPECT_NE(runState(3), runState(2));
}

TEST_F(PinnedGenerator, BestListComesOutBestFirstAndEmptySlotsAsEmptyRules) {
    auto weather = Weather();
    const std::vector<TGARules> rules = GeneticRuleSearch(*weather, 4, 3, 6);
    ASSERT_EQ(rules.size(), 6u);
    std::vector<std::string> seen;
    for (size_t i = 0; i < rules.size() && rules[i].GetNoValues() > 0; ++i) {
        if (i > 0) {
            EXPECT_LE(rules[i].GetScore(), rules[i - 1].GetScore());
        }
        EXPECT_EQ(std::find(seen.begin(), seen.end(), PrintedRule(rules[i])), seen.end());
        seen.push_back(PrintedRule(rules[i]));
    }
    for (size_t i = seen.size(); i < rules.size(); ++i) EXPECT_EQ(rules[i].GetNoValues(), 0);
    // Both rules of the best score, whichever the search met first.
    ASSERT_GE(seen.size(), 2u);
    std::vector<std::string> top(seen.begin(), seen.begin() + 2);
    std::vector<std::string> expected = BestOverPermutations(*weather, 4).bestRules;
    std::sort(top.begin(), top.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(top, expected);

    // Two conditions grow two rules at most.
    auto t = MakeTable({{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {1, 1, 1}});
    const std::vector<TGARules> few = GeneticRuleSearch(*t, 0, 1, 4);
    EXPECT_EQ(PrintedRule(few[0]), "(a1==0) => (dec:=1)\t  (0.25)(1)");
    EXPECT_EQ(PrintedRule(few[1]), "(a2==0) => (dec:=1)\t  (0.25)(1)");
    EXPECT_EQ(few[2].GetNoValues() + few[3].GetNoValues(), 0);

    // No condition attributes: the empty rule, and not a draw taken.
    auto bare = MakeTable({{1}, {0}});
    ResetRandomForTests();
    EXPECT_EQ(TGARules(*bare, 1, 3).GetNoValues(), 0);
    const int next = Rand();
    ResetRandomForTests();
    EXPECT_EQ(Rand(), next);
}

}  // namespace
