#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/int_sack.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rule_generation_util.h"
#include "tests/support/fixed_clock.h"

namespace {

constexpr int kMissing = TTable::MissingValue;

// The genetic search with the clock pinned and the generator as a fresh process has it.
class GeneticRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFixedClockSecond(1700000000);
        ResetRandomForTests();
    }
    void TearDown() override {
        ResetRandomForTests();
        SetFixedClockSecond(-1);
    }
};

std::unique_ptr<TIntSack> Sack(std::initializer_list<int> attrs) {
    auto s = std::make_unique<TIntSack>();
    for (int a : attrs) s->AddElem(a);
    return s;
}

std::string Text(const TRuleComp& r) {
    std::string text = std::to_string(r.GetObject()) + ":";
    for (int i = 0; i < r.GetBlock()->GetNoDesc(); ++i) {
        text += " " + std::to_string(r.GetBlock()->GetAttr(i)) + "=" + std::to_string(r.GetBlock()->GetValue(i));
    }
    return text + " -> " + std::to_string(r.GetDecision());
}

std::vector<std::string> StoredRules(const TRulMemory& memory) {
    std::vector<std::string> out;
    for (int n = 0; n < memory.GetNoRules(); ++n) {
        int counter = 0;
        out.push_back(Text(*memory.GetRoot()->GetNthRule(n, counter)));
    }
    return out;
}

TEST_F(GeneticRulesTest, TheSearchSetsTheTableThatListsAndReductsAreReadFrom) {
    // One decision only: the search hands nothing over, but the memory now reads this table.
    auto t = MakeTable({{1, kMissing, 7, 0}, {2, 5, 8, 0}});
    RuleRun run(*t);
    QuietMode = 1;
    TRulMemory memory;
    memory.CalculateGeneticRules(t.get());
    EXPECT_EQ(memory.GetTable(), t.get());
    EXPECT_EQ(memory.GetDecisionAttr(), 3);
    EXPECT_EQ(memory.GetNoRules(), 0);

    const int listed[] = {2, 0, -1};
    memory.AddRule(listed, 0);  // the list's order is kept
    const int withMissing[] = {0, 1, -1};
    memory.AddRule(withMissing, 0);  // object 0 misses attribute 1: no rule
    memory.AddRule(withMissing, 1);
    memory.AddRed(Sack({0, 1}), 0, 0);  // the reduct keeps the missing value
    memory.AddRed(Sack({2, 0}), 1, 0);  // the same rule as the first: kept once
    EXPECT_EQ(StoredRules(memory),
              (std::vector<std::string>{"0: 2=7 0=1 -> 0", "1: 0=2 1=5 -> 0", "0: 0=1 1=2147483647 -> 0"}));

    // Outside quiet mode each call that makes a rule publishes it.
    QuietMode = 0;
    testing::internal::CaptureStdout();
    memory.AddRule(withMissing, 0);
    memory.AddRed(Sack({1}), 0, 0);
    memory.AddRule(listed, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RULE:3 0 1 \nRULE:4 1 2 0 \n");
    EXPECT_EQ(memory.GetNoRules(), 3);
}

TEST_F(GeneticRulesTest, EveryObjectsPercentageIsFollowedByItsLocalReducts) {
    TTable t;
    FillRandomTable(t, 5, 12, 5, 3, 3);
    const std::vector<int> before = AllValues(t);
    RuleRun run(t);
    TRulMemory memory;
    memory.SetReductLimit(3);
    memory.SetSpeedLevel(0);
    testing::internal::CaptureStdout();
    memory.CalculateGeneticRules(&t);
    const std::vector<std::string> lines = TextLines(testing::internal::GetCapturedStdout());
    EXPECT_EQ(AllValues(t), before);
    int object = -1;
    int rules = 0;
    for (const std::string& line : lines) {
        if (line.rfind("PROGRESS:", 0) == 0) {
            ++object;
            EXPECT_EQ(line, "PROGRESS:" + std::to_string(object * 100 / t.GetNoObj()));
            continue;
        }
        int from = -1;
        std::vector<int> attrs;
        ASSERT_TRUE(ParseRuleLine(line, from, attrs)) << line;
        EXPECT_EQ(from, object);
        EXPECT_TRUE(IsMinimalHittingSet(attrs, ClausesOf(t, from, 0))) << line;
        ++rules;
    }
    EXPECT_EQ(object, t.GetNoObj() - 1);
    EXPECT_GT(rules, t.GetNoObj());
    EXPECT_EQ(memory.GetNoRules(), 0);
}

TEST_F(GeneticRulesTest, QuietModeKeepsOneRuleOfEachReductHandedOverAgainAndAgain) {
    TTable t;
    FillRandomTable(t, 8, 10, 4, 3, 2);
    RuleRun run(t);
    QuietMode = 1;
    TRulMemory memory;
    memory.SetReductLimit(2);
    memory.SetSpeedLevel(1);
    memory.CalculateGeneticRules(&t);
    ASSERT_GT(memory.GetNoRules(), 0);
    std::set<std::string> distinct;
    for (int n = 0; n < memory.GetNoRules(); ++n) {
        int counter = 0;
        const TRuleComp& r = *memory.GetRoot()->GetNthRule(n, counter);
        std::vector<int> attrs;
        for (int i = 0; i < r.GetBlock()->GetNoDesc(); ++i) {
            attrs.push_back(r.GetBlock()->GetAttr(i));
            EXPECT_EQ(r.GetBlock()->GetValue(i), t.Value(r.GetObject(), attrs.back()));
        }
        EXPECT_EQ(r.GetDecision(), t.Value(r.GetObject(), t.GetNoAttr() - 1));
        EXPECT_TRUE(IsMinimalHittingSet(attrs, ClausesOf(t, r.GetObject(), 0))) << Text(r);
        distinct.insert(Text(r));
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(memory.GetNoRules()));
    // Every object has a local reduct, and so a rule of its own or an equal one stored from
    // an object equal to it: some stored rule matches it and has its decision.
    for (int o = 0; o < t.GetNoObj(); ++o) {
        bool matched = false;
        for (int n = 0; n < memory.GetNoRules(); ++n) {
            int counter = 0;
            const TRuleComp& r = *memory.GetRoot()->GetNthRule(n, counter);
            matched = matched || (r.TestObj(t, o) && r.GetDecision() == t.Value(o, t.GetNoAttr() - 1));
        }
        EXPECT_TRUE(matched) << o;
    }
}

}  // namespace
