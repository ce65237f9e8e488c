// CALCULATE_GENETIC_RULES as the front end runs it, with the clock of the real program: the
// rules differ from run to run, but every one is a local reduct of its object, and the
// protocol around them is fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/table.h"
#include "tests/e2e/rule_command_run.h"
#include "tests/rough/rule_generation_util.h"
#include "tests/support/test_files.h"

namespace {

// Standard output: the echo lines, then per object one PROGRESS line with its percentage
// followed by RULE lines of that object only, each a local reduct of it; then PROCESS_DOWN.
// Returns the number of rules of every object.
std::vector<int> ExpectGeneticRulesOf(const std::string& table, const std::string& out) {
    const std::unique_ptr<TTable> loaded = LoadPublicTable(table);
    const TTable& t = *loaded;
    const std::vector<std::string> lines = TextLines(out);
    std::vector<int> perObject;
    EXPECT_GE(lines.size(), 4u);
    if (lines.size() < 4) return perObject;
    EXPECT_EQ(lines[0], "Generating genetic rules for table: " + table);
    EXPECT_EQ(lines[1], "Rules will be saved to: rules.txt");
    EXPECT_EQ(lines[2], "LOG will be saved to: LOG");
    EXPECT_EQ(lines.back(), "PROCESS_DOWN");
    int object = -1;
    std::vector<std::vector<int>> clauses;
    for (size_t i = 3; i + 1 < lines.size(); ++i) {
        if (lines[i].rfind("PROGRESS:", 0) == 0) {
            ++object;
            perObject.push_back(0);
            EXPECT_LT(object, t.GetNoObj());
            EXPECT_EQ(lines[i], "PROGRESS:" + std::to_string(object * 100 / t.GetNoObj()));
            clauses = ClausesOf(t, object, 0);
            continue;
        }
        int from = -1;
        std::vector<int> attrs;
        EXPECT_TRUE(ParseRuleLine(lines[i], from, attrs)) << lines[i];
        EXPECT_EQ(from, object) << lines[i];
        EXPECT_TRUE(IsMinimalHittingSet(attrs, clauses)) << lines[i];
        if (object >= 0) ++perObject.back();
    }
    EXPECT_EQ(object, t.GetNoObj() - 1);
    return perObject;
}

TEST(GeneticRules, EveryRuleIsALocalReductOfTheObjectWhoseLineItFollows) {
    for (const std::string table : {"weather.nominal.tab", "contact-lenses.tab"}) {
        SCOPED_TRACE(table);
        const RuleCommandRun r = RunRuleCommand("CALCULATE_GENETIC_RULES\n" + table + "\n10\n0\nrules.txt\nLOG\n", table);
        ASSERT_FALSE(r.run.signaled || r.run.timedOut);
        EXPECT_EQ(r.run.exitCode, 0);
        for (int rules : ExpectGeneticRulesOf(table, r.run.out)) EXPECT_GT(rules, 0);
        EXPECT_FALSE(r.rulesFileExists);
        EXPECT_EQ(r.log, "Generating genetic rules for table: " + table + "\nRules will be saved to: rules.txt\n" +
                             std::to_string(LoadPublicTable(table)->GetNoObj()) + " objects loaded from \"" + table +
                             "\"\nGenetic reducts\nInitializing table...\nWorking...\n\nDone.\n");
    }
}

TEST(GeneticRules, LimitAndSpeedOutsideTheirRangesAreBroughtIntoThem) {
    // After each generation the best reducts up to the limit are handed over again, so a
    // limit of 1 gives one rule per generation: a limit of 0 is taken as 1 (else there would
    // be no rule), and a speed of 9 as 2, that is 60 generations (not 810), -3 as 0 (10).
    const std::string table = "weather.nominal.tab";
    for (auto [limit, speed, generations] : {std::tuple{0, 9, 60}, std::tuple{1, -3, 10}}) {
        SCOPED_TRACE(speed);
        const RuleCommandRun r = RunRuleCommand("CALCULATE_GENETIC_RULES\n" + table + "\n" + std::to_string(limit) + "\n" +
                                              std::to_string(speed) + "\nrules.txt\nLOG\n",
                                          table);
        EXPECT_EQ(r.run.exitCode, 0);
        for (int rules : ExpectGeneticRulesOf(table, r.run.out)) EXPECT_EQ(rules, generations);
    }
}

}  // namespace
