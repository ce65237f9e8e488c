#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rule_generation_util.h"

namespace {


struct Outcome {
    std::string out;
    std::string log;
    std::vector<std::string> stored;  // "object: attribute=value ... -> decision" in walk order
};

// The rules as published, then the same run in quiet mode with the rules stored.
Outcome Generate(const TTable& t, const std::function<void(TRulMemory&)>& generate) {
    Outcome run;
    {
        RuleRun rules(t);
        TRulMemory memory;
        testing::internal::CaptureStdout();
        generate(memory);
        run.out = testing::internal::GetCapturedStdout();
        run.log = rules.log.Text();
        EXPECT_EQ(memory.GetDecisionAttr(), t.GetNoAttr() - 1);
    }
    RuleRun rules(t);
    QuietModeGuard quiet;
    TRulMemory memory;
    testing::internal::CaptureStdout();
    generate(memory);
    testing::internal::GetCapturedStdout();
    for (int n = 0; n < memory.GetNoRules(); ++n) {
        int counter = 0;
        const TRuleComp* r = memory.GetRoot()->GetNthRule(n, counter);
        std::string text = std::to_string(r->GetObject()) + ":";
        for (int i = 0; i < r->GetBlock()->GetNoDesc(); ++i) {
            text += " " + std::to_string(r->GetBlock()->GetAttr(i)) + "=" + std::to_string(r->GetBlock()->GetValue(i));
        }
        run.stored.push_back(text + " -> " + std::to_string(r->GetDecision()));
    }
    return run;
}

const char kLog[] = "Calculating all decision rules (Quandor-C++)\n";

// Objects 0 and 1 share their conditions, so both reference values are their class means
// 1.0 and 3.0. Object 3's reduct {1} meets its missing value and gives no rule.
TEST(ScaledDecisionRules, QuandorMeansPerClassOverEqualConditions) {
    auto t = MakeTable({{0, 0, 1000}, {0, 0, 3000}, {1, 0, 5000}, {1, TTable::MissingValue, 500}});
    auto c = MakeTable({{1}, {2}, {1}, {1}});
    const Outcome run = Generate(*t, [&](TRulMemory& m) { m.CalculateAllRulesQuandor(t.get(), c.get()); });
    EXPECT_EQ(run.out, "CalculateAllRulesQuandor\nPROGRESS:0\nRULE:3 0 0 \nRULE:3 1 0 \nRULE:4 2 0 1 \nPROGRESS:100\n");
    EXPECT_EQ(run.log, kLog);
    // Object 1's rule equals object 0's and is not stored again.
    EXPECT_EQ(run.stored, (std::vector<std::string>{"0: 0=0 -> 1", "2: 0=1 1=0 -> 1"}));
}

TEST(ScaledDecisionRules, QuandorEndsOnAClassOtherThanOneOrTwoAndRefusesAShortClassTable) {
    auto t = MakeTable({{0, 1000}, {1, 2000}});
    auto c = MakeTable({{1}, {3}});
    EXPECT_EQ(StdoutOfExitZero([&] {
                  TRulMemory m;
                  m.CalculateAllRulesQuandor(t.get(), c.get());
              }),
              "CalculateAllRulesQuandor\nBLAD KRYTYCZNY 10\n");
    auto shorter = MakeTable({{1}});
    RuleRun rules(*t);
    TRulMemory m;
    testing::internal::CaptureStdout();
    try {
        m.CalculateAllRulesQuandor(t.get(), shorter.get());
        ADD_FAILURE() << "accepted";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.GetCode(), 5);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(rules.log.Text(), "Bad number of element in TRulMemory::CalculateAllRulesQuandor \n");
}

// The mean of objects 0 and 1 (1.05) lies within 0.2 of object 2's 1.2, though object 0's own
// value would not.
TEST(ScaledDecisionRules, Quandor2MeansOverEqualConditions) {
    auto t = MakeTable({{0, 0, 1000}, {0, 0, 1100}, {1, 0, 1200}, {1, 1, 2000}});
    const Outcome run = Generate(*t, [&](TRulMemory& m) { m.CalculateAllRulesQuandor2(t.get()); });
    EXPECT_EQ(run.out, "CalculateAllRulesQuandor\nPROGRESS:0\nRULE:3 0 0 \nRULE:3 0 1 \nRULE:3 1 0 \nRULE:3 1 1 \n"
                       "RULE:3 2 1 \nRULE:3 3 1 \nPROGRESS:100\n");
    EXPECT_EQ(run.log, kLog);
    EXPECT_EQ(run.stored, (std::vector<std::string>{"0: 0=0 -> 1", "0: 1=0 -> 1", "3: 1=1 -> 1"}));
}

// The decision column counts as a condition of the distance matrices, so a reduct of it alone
// gives a rule without descriptors. Object 2's clause comes from its two near objects, 1 being
// listed 2.0 away from 0.
TEST(ScaledDecisionRules, SelvaroRulesFromListedDistances) {
    auto t = MakeTable({{0, 0, 0}, {0, 0, 7}, {1, 0, 0}});
    auto g = MakeTable({{1, 0, 3, 3, 2000000}, {2, 1, 3, 3, 4000000}, {0, 2, 0, 0, 9000000}});
    const Outcome run = Generate(*t, [&](TRulMemory& m) { m.CalculateAllRulesSelvaro(t.get(), g.get(), 1.0, 1); });
    EXPECT_EQ(run.out, "CalculateAllRulesSelvaro dla progu: 1\nMinDist=2\nMaxDist=4\nPROGRESS:0\nRULE:2 0 \n"
                       "RULE:3 1 0 \nRULE:2 1 \nRULE:3 2 0 \nRULE:2 2 \nPROGRESS:100\n");
    EXPECT_EQ(run.log, kLog);
    EXPECT_EQ(run.stored, (std::vector<std::string>{"0: -> 1", "1: 0=0 -> 1", "2: 0=1 -> 1"}));

    auto outside = MakeTable({{1, 3, 3, 3, 1}});
    RuleRun rules(*t);
    TRulMemory m;
    testing::internal::CaptureStdout();
    EXPECT_THROW(m.CalculateAllRulesSelvaro(t.get(), outside.get(), 1.0, 1), CalcError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(rules.log.Text(), "Bad number of element in TRulMemory::CalculateAllRulesSelvaro \n");
}

}  // namespace
