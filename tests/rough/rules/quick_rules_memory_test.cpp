#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/decision/dec_mem.h"
#include "rough/rules/quick_rules.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rule_generation_util.h"
#include "tests/rough/rules/rule_recorder.h"
#include "tests/support/rule_checks.h"

namespace {

// What the generator hands over from the given seed, without the rules whose object
// misses a value on the list.
std::vector<ObjectRule> GeneratedRules(TTable& t, unsigned seed, double fraction) {
    RuleRecorder rec;
    ReductGenerator g(&t);
    g.SetReceiver(&rec);
    SeedRand(seed);
    g.Generate(fraction);
    std::vector<ObjectRule> kept;
    for (const ObjectRule& r : rec.rules) {
        bool missing = false;
        for (int a : r.attrs) missing = missing || t.Value(r.object, a) == TTable::MissingValue;
        if (!missing) kept.push_back(r);
    }
    return kept;
}

struct Published {
    std::string out;
    std::vector<ObjectRule> rules;
};

Published Calculate(TRulMemory& m, TTable& t, unsigned seed, double fraction) {
    RuleRun run(t);
    SeedRand(seed);
    testing::internal::CaptureStdout();
    m.CalculateQuickRules(&t, fraction);
    Published p;
    p.out = testing::internal::GetCapturedStdout();
    p.rules = ParseRuleLines(p.out);
    return p;
}

TEST(QuickRulesMemory, PublishesTheGeneratorsRulesBetweenTwoProgressLines) {
    TTable t;
    FillRandomTable(t, 17, 40, 6, 3, 2);
    for (int o = 0; o < t.GetNoObj(); ++o) {
        if (t.Value(o, 5) == TTable::MissingValue) t.SetTable(o, 5, 1);
    }
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        TRulMemory m;
        const Published p = Calculate(m, t, seed, 0.0);
        ASSERT_EQ(p.out.rfind("PROGRESS:30\n", 0), 0u);
        ASSERT_GE(p.out.size(), 12u);
        EXPECT_EQ(p.out.substr(p.out.size() - 12), "PROGRESS:90\n");
        EXPECT_FALSE(p.rules.empty());
        EXPECT_EQ(p.rules, GeneratedRules(t, seed, 0.0));
        EXPECT_EQ(m.GetTable(), &t);
        EXPECT_EQ(m.GetDecisionAttr(), 5);
        EXPECT_EQ(m.GetNoRules(), 0);  // published, not kept
    }
}

TEST(QuickRulesMemory, RulesCarryTheObjectsDecision) {
    // a0 = 0 holds o0 and o1, equal on every condition with decisions 4 and 7: their one
    // generalized decision makes the class consistent, and its rule comes from one of them.
    auto t = MakeTable({{0, 4}, {0, 7}, {1, 7}});
    TRulMemory m;
    QuietMode = 1;
    SeedRand(1);
    m.CalculateQuickRules(t.get(), 0.0);
    QuietMode = 0;
    ASSERT_EQ(m.GetNoRules(), 2);
    for (int n = 0; n < 2; ++n) {
        int counter = 0;
        const TRuleComp* rule = m.GetRoot()->GetNthRule(n, counter);
        ASSERT_NE(rule, nullptr);
        EXPECT_EQ(rule->GetDecision(), t->Value(rule->GetObject(), 1));
    }
}

TEST(QuickRulesMemory, FailuresOfTheGenerationBecomeCode1) {
    auto t = MakeTable({{0, 0, 0}, {0, 1, 1}, {1, 0, 1}, {1, 1, 1}});
    TRulMemory m;
    testing::internal::CaptureStdout();
    try {
        m.CalculateQuickRules(t.get(), 0.0);  // no rule buffer: the first rule cannot be sent
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 1);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:30\n");
}

TEST(QuickRulesMemory, FailuresOfTheViewPassUnchangedBeforeAnyProgress) {
    // A missing decision is a decision value above every code the view can give to the
    // mixed class of o0 and o1.
    auto t = MakeTable({{0, 1}, {0, TTable::MissingValue}, {1, 0}});
    TRulMemory m;
    RuleRun run(*t);
    testing::internal::CaptureStdout();
    try {
        m.CalculateQuickRules(t.get(), 0.0);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 8);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(QuickRulesMemory, PublicTablesWithMissingValuesDropOnlyTheRulesThatMissAValue) {
    for (const char* name : {"labor.tab", "vote.tab"}) {
        SCOPED_TRACE(name);
        TTable t;
        t.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        TRulMemory m;
        const Published p = Calculate(m, t, 1, 0.0);
        EXPECT_EQ(p.rules, GeneratedRules(t, 1, 0.0));
        RuleChecker checker(t);
        for (const ObjectRule& rule : p.rules) {
            EXPECT_TRUE(checker.IsConsistent(rule));
            EXPECT_TRUE(checker.IsMinimal(rule));
        }
    }
}

}  // namespace
