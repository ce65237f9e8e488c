#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rule_generation_util.h"

namespace {

constexpr int kMissing = TTable::MissingValue;

std::string AllRules(TTable& t, int option) {
    RuleRun run(t);
    TRulMemory memory;
    testing::internal::CaptureStdout();
    memory.CalculateAllRules(&t, option);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(memory.GetNoRules(), 0);
    EXPECT_EQ(memory.GetRoot(), nullptr);
    return out;
}

// The table with `conditions` condition columns: the given table's conditions at the columns
// `at` (ascending), a constant everywhere else, which no clause ever holds.
std::unique_ptr<TTable> Spread(const TTable& t, int conditions, const std::vector<int>& at) {
    auto wide = std::make_unique<TTable>();
    wide->CreateTable(t.GetNoObj(), conditions + 1);
    for (int o = 0; o < t.GetNoObj(); ++o) {
        for (int a = 0; a < conditions; ++a) wide->SetTable(o, a, 7);
        for (size_t k = 0; k < at.size(); ++k) wide->SetTable(o, at[k], t.Value(o, static_cast<int>(k)));
        wide->SetTable(o, conditions, t.Value(o, t.GetNoAttr() - 1));
    }
    return wide;
}

std::vector<std::string> Lines(const std::string& out, const std::string& prefix) {
    std::vector<std::string> kept;
    for (const std::string& line : TextLines(out)) {
        if (line.rfind(prefix, 0) == 0) kept.push_back(line);
    }
    return kept;
}

TEST(AllRules, EachObjectsRulesThenItsPercentageThenOneHundredOnceMore) {
    // Object 0 is told from object 1 by attribute 1 only, object 2 from object 1 by
    // attribute 0; objects 0 and 2 share a decision and need not be told apart.
    auto t = MakeTable({{0, 0, 0}, {0, 1, 1}, {1, 1, 0}});
    const std::string expected =
        "PROGRESS:0\nRULE:3 0 1 \nPROGRESS:33\nRULE:4 1 0 1 \nPROGRESS:66\nRULE:3 2 0 \nPROGRESS:100\n"
        "PROGRESS:100\n";
    EXPECT_EQ(AllRules(*t, 0), expected);
    // The same with 32 condition attributes, the last 30 constant: the other reasoner.
    EXPECT_EQ(AllRules(*Spread(*t, 32, {0, 1}), 0), expected);
}

TEST(AllRules, LogsAfterTheGeneralizedDecision) {
    auto t = MakeTable({{0, 0, 0}, {0, 1, 1}, {1, 1, 0}});
    RuleRun run(*t);
    TRulMemory memory;
    testing::internal::CaptureStdout();
    memory.CalculateAllRules(t.get(), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(run.log.Text(),
              "Calculating generalized decision\n33%\n66%\n100%\n100%\nCalculating all decision rules\n");
    EXPECT_EQ(memory.GetDecisionAttr(), 2);
    EXPECT_EQ(memory.GetTable(), nullptr);
}

TEST(AllRules, EveryPercentageOnceForTwoHundredObjects) {
    TTable t;
    FillRandomTable(t, 11, 200, 4, 3, 2);
    std::vector<std::string> expected = {"PROGRESS:0"};
    for (int p = 1; p <= 100; ++p) expected.push_back("PROGRESS:" + std::to_string(p));
    expected.push_back("PROGRESS:100");
    EXPECT_EQ(Lines(AllRules(t, 0), "PROGRESS:"), expected);
}

TEST(AllRules, ObjectsAreToldApartByTheirGeneralizedDecisionsAndTheirOwnDecisionsComeBack) {
    // Every object has the generalized decision {0, 1}: nothing needs telling apart, though
    // objects 0 and 3 have different decisions and differ on attribute 0.
    auto t = MakeTable({{0, 0}, {0, 1}, {1, 0}, {1, 1}});
    EXPECT_EQ(Lines(AllRules(*t, 0), "RULE:"), std::vector<std::string>{});

    // Objects 0 and 1 share their conditions and so {0, 1}; object 2 has {0}, object 3 {1}.
    // The rules keep the objects' own decisions.
    auto u = MakeTable({{0, 5, 0}, {0, 5, 1}, {1, 5, 0}, {0, 6, 1}});
    const std::vector<int> before = AllValues(*u);
    RuleRun run(*u);
    QuietMode = 1;
    TRulMemory memory;
    memory.CalculateAllRules(u.get(), 0);
    EXPECT_EQ(AllValues(*u), before);
    ASSERT_EQ(memory.GetNoRules(), 4);
    std::vector<std::string> rules;
    for (int n = 0; n < 4; ++n) {
        int counter = 0;
        const TRuleComp* r = memory.GetRoot()->GetNthRule(n, counter);
        std::string text = std::to_string(r->GetObject()) + ":";
        for (int i = 0; i < r->GetBlock()->GetNoDesc(); ++i) {
            text += " " + std::to_string(r->GetBlock()->GetAttr(i)) + "=" + std::to_string(r->GetBlock()->GetValue(i));
        }
        rules.push_back(text + " -> " + std::to_string(r->GetDecision()));
    }
    // Objects 0 and 1 need both attributes (from objects 2 and 3), object 2 attribute 0,
    // object 3 attribute 1; the class numbers 1 and 2 that stood in the decision column for
    // objects 2 and 3 are not what the rules carry.
    EXPECT_EQ(rules, (std::vector<std::string>{"0: 0=0 1=5 -> 0", "2: 0=1 -> 0", "1: 0=0 1=5 -> 1", "3: 1=6 -> 1"}));
    EXPECT_EQ(AllValues(*u), before);
}

TEST(AllRules, MissingValueOfTheObjectWithMasksGivesNoRuleWithSacksItDoes) {
    // Two objects that differ only in attribute 0, where object 0's value is missing.
    auto narrow = MakeTable({{kMissing, 4, 0}, {1, 4, 1}});
    for (int conditions : {31, 32}) {
        SCOPED_TRACE(conditions);
        auto t = Spread(*narrow, conditions, {0, 1});
        const std::vector<std::string> rules = Lines(AllRules(*t, 0), "RULE:");
        if (conditions == 31) {
            EXPECT_EQ(rules, std::vector<std::string>{"RULE:3 1 0 "});
        } else {
            EXPECT_EQ(rules, (std::vector<std::string>{"RULE:3 0 0 ", "RULE:3 1 0 "}));
        }
        // With the option that a missing value never tells objects apart there is no clause.
        EXPECT_EQ(Lines(AllRules(*t, 1), "RULE:"), std::vector<std::string>{});
    }

    // The sack reasoner's rule carries the missing value as its descriptor's value.
    auto t = Spread(*narrow, 32, {0, 1});
    RuleRun run(*t);
    QuietMode = 1;
    TRulMemory memory;
    memory.CalculateAllRules(t.get(), 0);
    ASSERT_EQ(memory.GetNoRules(), 2);
    TRuleComp* fromMissing = memory.GetRoot()->GetRule()->GetObject() == 0 ? memory.GetRoot()->GetRule()
                                                                          : memory.GetRoot()->GetRight()->GetRule();
    EXPECT_EQ(fromMissing->GetBlock()->GetValue(0), kMissing);
}

TEST(AllRules, FailureToPublishLeavesTheDecisionsRestored) {
    auto t = MakeTable({{0, 0, 0}, {0, 1, 1}, {1, 1, 0}, {1, 1, 0}});
    const std::vector<int> before = AllValues(*t);
    LogCapture log;
    TRulMemory memory;
    testing::internal::CaptureStdout();
    try {
        memory.CalculateAllRules(t.get(), 0);  // no rule buffer
        FAIL() << "published without a rule buffer";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.GetCode(), 5);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:0\n");
    EXPECT_EQ(AllValues(*t), before);
}

// Few values, a missing value now and then, and tables up to 12 objects.
std::unique_ptr<TTable> SmallRandomTable(unsigned seed) {
    SeedRand(seed);
    const int noObj = 2 + Rand() % 11;
    const int conditions = 1 + Rand() % 5;
    auto t = std::make_unique<TTable>();
    t->CreateTable(noObj, conditions + 1);
    for (int o = 0; o < noObj; ++o) {
        for (int a = 0; a < conditions; ++a) t->SetTable(o, a, Rand() % 6 == 0 ? kMissing : Rand() % 3);
        t->SetTable(o, conditions, Rand() % 3);
    }
    return t;
}

// The rules of a table, computed from the brute-force local reducts: none for an object
// without clauses, and with the mask reasoner none for a reduct holding an attribute whose
// value the object misses.
std::vector<std::string> ExpectedRules(const TTable& t, int option, bool masks) {
    std::vector<std::string> rules;
    for (int i = 0; i < t.GetNoObj(); ++i) {
        const auto clauses = ClausesOf(t, i, option);
        if (clauses.empty()) continue;
        for (const auto& reduct : MinimalHittingSets(clauses)) {
            const bool missing = std::any_of(reduct.begin(), reduct.end(),
                                             [&](int a) { return t.Value(i, a) == kMissing; });
            if (masks && missing) continue;
            rules.push_back(RuleLine(i, reduct));
        }
    }
    return rules;
}

TEST(AllRules, RulesAreTheLocalReductsOfEveryObjectOnBothReasoners) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        auto narrow = SmallRandomTable(seed);
        const int varying = narrow->GetNoAttr() - 1;
        // Spread the conditions over 36 columns for the sack reasoner, some beyond 31.
        std::vector<int> at;
        for (int k = 0; k < varying; ++k) at.push_back(static_cast<int>(seed % 8) + 7 * k);
        auto wide = Spread(*narrow, 36, at);
        // And over 31 columns from the top down, so that the mask reasoner's rules hold high
        // attributes, missing ones among them.
        std::vector<int> high;
        for (int k = 0; k < varying; ++k) high.push_back(30 - static_cast<int>(seed % 3) - 6 * k);
        auto top = Spread(*narrow, 31, high);
        // And across the first word of a bit set, for sets of two words.
        std::vector<int> across;
        for (int k = 0; k < varying; ++k) across.push_back(61 + static_cast<int>(seed % 2) + 2 * k);
        auto twoWords = Spread(*narrow, 70, across);
        for (int option : {0, 1}) {
            for (TTable* t : {narrow.get(), wide.get(), top.get(), twoWords.get()}) {
                const bool masks = t == narrow.get() || t == top.get();
                SCOPED_TRACE("seed " + std::to_string(seed) + " option " + std::to_string(option) +
                             (masks ? " masks" : " sacks"));
                const std::vector<int> before = AllValues(*t);
                const std::string out = AllRules(*t, option);
                EXPECT_EQ(AllValues(*t), before);

                std::vector<std::string> got = Lines(out, "RULE:");
                // Rules come object by object, each with ascending attributes.
                int last = -1;
                for (const std::string& line : got) {
                    int object = -1;
                    std::vector<int> attrs;
                    ASSERT_TRUE(ParseRuleLine(line, object, attrs)) << line;
                    EXPECT_GE(object, last);
                    last = object;
                    EXPECT_TRUE(std::is_sorted(attrs.begin(), attrs.end())) << line;
                }
                std::vector<std::string> expected = ExpectedRules(*t, option, masks);
                std::sort(got.begin(), got.end());
                std::sort(expected.begin(), expected.end());
                EXPECT_EQ(got, expected);
            }
        }
    }
}

}  // namespace
