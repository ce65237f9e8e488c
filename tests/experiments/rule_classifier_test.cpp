#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/int_sack.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "experiments/rule_classifier.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rul_memory.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_files.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::unique_ptr<TTable> Tab(const char* name) {
    auto t = std::make_unique<TTable>();
    t->Load((std::string(VARNEL_TABLES "/") + name).c_str());
    return t;
}

class RuleClassifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRandomForTests();
        SetFixedClockSecond(1700000000);
    }
    void TearDown() override {
        ResetRandomForTests();
        SetFixedClockSecond(-1);
    }

    std::string Saved(const TRulMemory& m) {
        const std::string file = dir.File("rules");
        m.SaveRules(file.c_str(), nullptr, 0);
        return ReadFileBytes(file);
    }

    // The memory a generator fills when quiet mode is held around it by hand.
    std::unique_ptr<TRulMemory> Direct(TTable& t, bool all, int limit = 100, int speed = 1) {
        QuietModeGuard quiet;
        auto m = std::make_unique<TRulMemory>();
        m->SetReductLimit(limit);
        m->SetSpeedLevel(speed);
        if (all) {
            m->CalculateAllRules(&t, 0);
        } else {
            m->CalculateGeneticRules(&t);
        }
        return m;
    }

    ScratchDir dir;
};

// Quiet mode is the classifier's own: the sets hold the rules, nothing is published, and
// the mode is back at 0 afterwards. Only a capital A asks for all rules.
TEST_F(RuleClassifierTest, TypeChoosesTheGeneratorAndTheRulesStayInTheSet) {
    auto t = Tab("weather.nominal.tab");
    ASSERT_EQ(QuietMode, 0);
    const std::string all = Saved(*Direct(*t, true));
    ResetRandomForTests();
    const std::string genetic = Saved(*Direct(*t, false));
    ASSERT_NE(all, genetic);
    for (const char* type : {"A", "All", "a", "", "G"}) {
        SCOPED_TRACE(type);
        ResetRandomForTests();
        TRuleClassifier c;
        CaptureStdout();
        c.GenerateRules(*t, type);
        EXPECT_EQ(GetCapturedStdout(), "");
        EXPECT_EQ(QuietMode, 0);
        ASSERT_GT(c.GetRules()->GetNoRules(), 0);
        EXPECT_EQ(Saved(*c.GetRules()), type[0] == 'A' ? all : genetic);
    }
    TRuleClassifier ex;
    ex.GenerateRulesEx(*t, 0, 7, 2);
    EXPECT_EQ(Saved(*ex.GetRules()), all);
    ResetRandomForTests();
    ex.GenerateRulesEx(*t, 1, 3, 0);
    ResetRandomForTests();
    EXPECT_EQ(Saved(*ex.GetRules()), Saved(*Direct(*t, false, 3, 0)));
}

// The statistics of a rule line: positive support, negative support, weight.
std::vector<std::string> Statistics(const std::string& file) {
    std::vector<std::string> out;
    for (const std::string& line : TextLines(file)) {
        if (line.rfind("DECISION", 0) == 0) continue;
        out.push_back(line.substr(line.find(") ") + 2));
    }
    return out;
}

TEST_F(RuleClassifierTest, CalcRulesInfoComputesWhatTheVotingNeeds) {
    auto t = Tab("weather.nominal.tab");
    auto expected = [&](int mode) {
        auto m = Direct(*t, true);
        if (mode >= 0) m->CalcRulesInfo(t.get(), mode);
        return Statistics(Saved(*m));
    };
    const std::vector<std::string> none = expected(-1);
    const std::vector<std::string> byMode[3] = {expected(0), expected(1), expected(2)};
    ASSERT_NE(byMode[0], byMode[2]);
    ASSERT_NE(byMode[1], byMode[2]);
    const int modeOf[9] = {0, 0, 0, 1, 1, -1, -1, 2, 2};
    for (int method = 0; method < 9; ++method) {
        for (int classIndex : {-1, 0}) {
            SCOPED_TRACE(std::to_string(method) + " " + std::to_string(classIndex));
            TRuleClassifier c;
            c.GenerateRules(*t, "A");
            CaptureStdout();
            c.CalcRulesInfo(*t, method, classIndex);
            const std::string out = GetCapturedStdout();
            const int mode = classIndex != -1 ? 2 : modeOf[method];
            EXPECT_EQ(out, mode < 0 ? "NIEZAIMPLEMENTOWANO!!!!!!\n" : "");
            EXPECT_EQ(Statistics(Saved(*c.GetRules())), mode < 0 ? none : byMode[mode]);
        }
    }
}

TEST_F(RuleClassifierTest, ClassifyingGoesThroughTheRulesAndReportsTheErrorRate) {
    auto full = Tab("breast-cancer.tab");
    TTable train;
    TTable test;
    full->SplitTable(0.7, train, test);
    TRuleClassifier c;
    c.GenerateRules(train, "A");
    c.CalcRulesInfo(train, 7, -1);
    auto m = Direct(train, true);
    m->CalcRulesInfo(&train, 2);
    TDValInfo mine;
    mine.CalcFromTable(train);
    TDValInfo theirs = mine;
    for (int method : {0, 2, 3, 8}) {
        int myErrors = -1;
        int theirErrors = -2;
        ResetRandomForTests();
        const double error = c.ClassifyTable(mine, method, test, myErrors, -1, nullptr);
        ResetRandomForTests();
        m->ClassifyTable(theirs, method, test, theirErrors, -1, nullptr);
        EXPECT_EQ(myErrors, theirErrors);
        EXPECT_DOUBLE_EQ(error, 1.0 - theirs.GetAccuracy());
        EXPECT_GT(error, 0.0);
        for (int o = 0; o < test.GetNoObj(); o += 7) {
            int predicted = 0;
            ResetRandomForTests();
            const int mineResult = c.ClassifyObject(mine, method, test, o);
            ResetRandomForTests();
            EXPECT_EQ(mineResult, m->ClassifyObject(theirs, method, test, o, predicted));
        }
    }
    // Without a set: nothing classified, nothing to weigh, nothing to shorten.
    TRuleClassifier none;
    int errors = 0;
    none.CalcRulesInfo(train, 0, -1);
    EXPECT_EQ(none.ClassifyObject(mine, 0, test, 0), -1);
    EXPECT_DOUBLE_EQ(none.ClassifyTable(mine, 0, test, errors, -1, nullptr), 1.0);
    none.ShortenRules(train, 0.5f);
    ASSERT_NE(none.GetRules(), nullptr);
    EXPECT_EQ(none.GetRules()->GetNoRules(), 0);
}

TEST_F(RuleClassifierTest, ShorteningReplacesTheRulesUnlessAlfaIsOutOfRange) {
    auto t = Tab("breast-cancer.tab");
    TRuleClassifier c;
    c.GenerateRules(*t, "A");
    const std::string before = Saved(*c.GetRules());
    const TRulMemory* kept = c.GetRules();
    for (float alfa : {0.0f, -0.5f, 1.5f}) {
        c.ShortenRules(*t, alfa);
        EXPECT_EQ(c.GetRules(), kept);
        EXPECT_EQ(Saved(*c.GetRules()), before);
    }
    for (float alfa : {0.6f, 1.0f}) {
        TRuleClassifier d;
        d.GenerateRules(*t, "A");
        d.ShortenRules(*t, alfa);
        EXPECT_EQ(d.GetSecond(), nullptr);
        TRulMemory target;
        {
            QuietModeGuard quiet;
            Direct(*t, true)->ShortenRules(*t, alfa, target);
        }
        ASSERT_GT(target.GetNoRules(), 0);
        EXPECT_EQ(Saved(*d.GetRules()), Saved(target));
    }
}

// A set replaced by AttachRules stays usable (the sanitized build sees a freed one); a set
// attached again is owned once.
TEST_F(RuleClassifierTest, AttachKeepsTheReplacedSetAndSetRulesDeletesIt) {
    auto t = Tab("weather.nominal.tab");
    TRuleClassifier c;
    c.GenerateRules(*t, "A");
    TRulMemory* first = c.GetRules();
    const int rules = first->GetNoRules();
    auto* second = new TRulMemory;
    c.AttachRules(second);
    EXPECT_EQ(c.GetRules(), second);
    EXPECT_EQ(first->GetNoRules(), rules);
    c.AttachRules(first);
    c.AttachRules(first);
    EXPECT_EQ(c.GetRules(), first);
    EXPECT_EQ(second->GetNoRules(), 0);
    c.SetRules(std::make_unique<TRulMemory>());
    EXPECT_EQ(c.GetRules()->GetNoRules(), 0);
}

// Rules of a table reduced to some columns, renumbered onto the full table, gathered into
// the main set against the full table's decision column.
TEST_F(RuleClassifierTest, SecondRulesOfReducedTablesGatherInTheMainSet) {
    auto t = Tab("weather.nominal.tab");
    TRuleClassifier c;
    c.MoveSecondRules(4);
    ASSERT_NE(c.GetRules(), nullptr);
    EXPECT_EQ(c.GetRules()->GetNoRules(), 0);
    std::vector<std::string> expected;
    for (std::vector<int> attrs : {std::vector<int>{0, 3}, std::vector<int>{1, 2, 3}}) {
        auto sack = std::make_unique<TIntSack>();
        for (int a : attrs) sack->AddElem(a);
        const TRed red(std::move(sack));
        auto reduced = red.GetReducedTable(t.get());
        c.GenerateSecondRules(*reduced, "A");
        c.RemapSecondRules(red);
        c.MoveSecondRules(t->GetNoAttr() - 1);
        auto direct = Direct(*reduced, true);
        direct->RemapAttributes(red);
        direct->SetDecisionAttr(4);
        for (const std::string& line : TextLines(Saved(*direct))) {
            if (line.rfind("DECISION", 0) != 0) expected.push_back(line);
        }
    }
    std::vector<std::string> lines = TextLines(Saved(*c.GetRules()));
    lines.erase(lines.begin());
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(c.GetRules()->GetDecisionAttr(), 4);
}

}  // namespace
