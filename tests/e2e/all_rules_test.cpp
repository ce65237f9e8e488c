// CALCULATE_ALL_RULES on a public table larger than the case folders hold.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/rule_command_run.h"
#include "tests/rough/rule_generation_util.h"

namespace {

TEST(AllRulesCommand, VoteGivesEveryObjectsLocalReductsUnderBothOptions) {
    const auto t = LoadPublicTable("vote.tab");
    for (auto [option, count] : {std::pair{0, 33467}, std::pair{1, 20525}}) {
        SCOPED_TRACE(option);
        const RuleCommandRun r =
            RunRuleCommand("CALCULATE_ALL_RULES\nvote.tab\n" + std::to_string(option) + "\nrules.txt\nLOG\n", "vote.tab");
        ASSERT_FALSE(r.run.signaled || r.run.timedOut);
        ASSERT_EQ(r.run.exitCode, 0);
        EXPECT_FALSE(r.rulesFileExists);
        int rules = 0;
        int last = -1;
        std::vector<std::vector<int>> clauses;
        for (const std::string& line : TextLines(r.run.out)) {
            if (line.rfind("RULE:", 0) != 0) continue;
            ++rules;
            int object = -1;
            std::vector<int> attrs;
            ASSERT_TRUE(ParseRuleLine(line, object, attrs)) << line;
            ASSERT_GE(object, last);
            if (object != last) clauses = ClausesOf(*t, object, option);
            last = object;
            EXPECT_TRUE(IsMinimalHittingSet(attrs, clauses)) << line;
        }
        EXPECT_EQ(rules, count);
    }
}

}  // namespace
