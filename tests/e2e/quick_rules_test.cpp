// CALCULATE_QUICK_RULES as the front end runs it. Which rules come out beyond the
// single-attribute ones depends on the generator's draws, so the runs are checked for what
// every covering must satisfy, against the table itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/table.h"
#include "tests/e2e/rule_command_run.h"
#include "tests/support/rule_checks.h"
#include "tests/support/test_files.h"

namespace {

struct QuickRun {
    RuleCommandRun command;
    std::vector<ObjectRule> rules;
};

QuickRun RunQuickRules(const std::string& name, const std::string& fraction) {
    QuickRun r;
    r.command = RunRuleCommand("CALCULATE_QUICK_RULES\n" + name + "\n" + fraction + "\nrules.txt\nLOG\n", name);
    r.rules = ParseRuleLines(r.command.run.out);
    EXPECT_FALSE(r.command.rulesFileExists);
    return r;
}

// Echo lines, PROGRESS:30, the rules, PROGRESS:90, PROCESS_DOWN; the LOG with its titles, the
// load line and the closing lines.
void ExpectProtocol(const QuickRun& r, const std::string& name, int objects) {
    ASSERT_FALSE(r.command.run.signaled || r.command.run.timedOut);
    EXPECT_EQ(r.command.run.exitCode, 0);
    const std::vector<std::string> out = TextLines(r.command.run.out);
    ASSERT_GE(out.size(), 6u);
    EXPECT_EQ(out[0], "Generating quick rules for table: " + name);
    EXPECT_EQ(out[1], "Rules will be saved to: rules.txt");
    EXPECT_EQ(out[2], "LOG will be saved to: LOG");
    EXPECT_EQ(out[3], "PROGRESS:30");
    EXPECT_EQ(out[out.size() - 2], "PROGRESS:90");
    EXPECT_EQ(out.back(), "PROCESS_DOWN");
    EXPECT_EQ(out.size(), r.rules.size() + 6);
    for (const ObjectRule& rule : r.rules) EXPECT_GE(rule.object, 0);
    EXPECT_EQ(r.command.log, "Generating quick rules for table: " + name + "\nRules will be saved to: rules.txt\n" +
                                 std::to_string(objects) + " objects loaded from \"" + name + "\"\n\nDone.\n");
}

void ExpectConsistentAndMinimal(const RuleChecker& checker, const std::vector<ObjectRule>& rules) {
    for (const ObjectRule& rule : rules) {
        EXPECT_TRUE(checker.IsConsistent(rule)) << "object " << rule.object;
        EXPECT_TRUE(checker.IsMinimal(rule)) << "object " << rule.object << " needs no "
                                             << checker.NeedlessAttribute(rule);
    }
}

TEST(QuickRules, TablesWithoutMissingValuesAreCoveredByConsistentMinimalRules) {
    for (const char* name : {"weather.nominal.tab", "contact-lenses.tab", "iris.tab"}) {
        SCOPED_TRACE(name);
        const auto table = LoadPublicTable(name);
        const TTable& t = *table;
        const QuickRun r = RunQuickRules(name, "0");
        ExpectProtocol(r, name, t.GetNoObj());
        const RuleChecker checker(t);
        EXPECT_EQ(checker.FirstUncovered(r.rules), -1);
        ExpectConsistentAndMinimal(checker, r.rules);
        const auto leading = checker.LeadingDescriptors(r.rules);
        EXPECT_EQ(leading, checker.ConsistentDescriptors());
        for (size_t k = leading.size(); k < r.rules.size(); ++k) EXPECT_GE(r.rules[k].attrs.size(), 2u);
    }
}

// Rules whose object misses a value on the list are dropped while the generator counts the
// object as covered, so only each rule on its own is checked.
TEST(QuickRules, TablesWithMissingValuesGiveConsistentMinimalRules) {
    for (const char* name : {"labor.tab", "vote.tab", "soybean.tab"}) {
        SCOPED_TRACE(name);
        const auto table = LoadPublicTable(name);
        const TTable& t = *table;
        const QuickRun r = RunQuickRules(name, "0");
        ExpectProtocol(r, name, t.GetNoObj());
        EXPECT_FALSE(r.rules.empty());
        for (const ObjectRule& rule : r.rules) {
            for (int a : rule.attrs) EXPECT_NE(t.Value(rule.object, a), TTable::MissingValue);
        }
        ExpectConsistentAndMinimal(RuleChecker(t), r.rules);
    }
}

TEST(QuickRules, RunsRepeatAndTheFractionBoundsTheUncoveredObjects) {
    const std::string file = "contact-lenses.tab";
    const auto table = LoadPublicTable(file);
    const TTable& t = *table;
    const RuleChecker checker(t);
    const QuickRun full = RunQuickRules(file, "0");
    EXPECT_EQ(RunQuickRules(file, "0").command.run.out, full.command.run.out);  // nothing seeds the generator

    const QuickRun single = RunQuickRules(file, "1");
    ExpectProtocol(single, "contact-lenses.tab", 24);
    EXPECT_EQ(checker.LeadingDescriptors(single.rules).size(), single.rules.size());
    EXPECT_EQ(checker.LeadingDescriptors(single.rules), checker.ConsistentDescriptors());

    for (const char* fraction : {"0.5", "0.25"}) {
        SCOPED_TRACE(fraction);
        const QuickRun r = RunQuickRules(file, fraction);
        ExpectProtocol(r, "contact-lenses.tab", 24);
        int uncovered = 0;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            bool covered = false;
            for (const ObjectRule& rule : r.rules) covered = covered || checker.Matches(rule.object, rule.attrs, o);
            uncovered += covered ? 0 : 1;
        }
        EXPECT_LE(uncovered, 24 * std::stod(fraction));
        // The same draws up to the earlier stop: the rules begin those of the full covering.
        ASSERT_LE(r.rules.size(), full.rules.size());
        EXPECT_TRUE(std::equal(r.rules.begin(), r.rules.end(), full.rules.begin()));
        ExpectConsistentAndMinimal(checker, r.rules);
    }
}

}  // namespace
