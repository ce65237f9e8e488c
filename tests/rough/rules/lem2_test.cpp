#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/support/table_text.h"

namespace {

std::vector<TRuleComp*> RulesOf(const TRulMemory& m) {
    std::vector<TRuleComp*> rules(static_cast<size_t>(m.GetNoRules()));
    int n = 0;
    if (m.GetRoot() != nullptr) m.GetRoot()->Flatten(rules.data(), n);
    return rules;
}

// "(a=v)&...=>d" of every rule in walk order.
std::vector<std::string> TextsOf(const TRulMemory& m) {
    std::vector<std::string> out;
    for (const TRuleComp* r : RulesOf(m)) {
        std::ostringstream s;
        r->GetBlock()->Print(s, nullptr, 0);
        out.push_back(s.str() + "=>" + std::to_string(r->GetDecision()));
    }
    return out;
}

std::unique_ptr<TRulMemory> Lem2(TTable& t, double fraction, std::string* out = nullptr) {
    TDValInfo classes;
    classes.CalcFromTable(t);
    auto m = std::make_unique<TRulMemory>();
    testing::internal::CaptureStdout();
    m->CalculateRulesLEM2(&t, classes, fraction);
    const std::string written = testing::internal::GetCapturedStdout();
    if (out != nullptr) *out = written;
    return m;
}

// What rules of fraction 0 must satisfy on any table: no missing value in a descriptor;
// every object with some condition value matched by a rule of its decision; a consistent
// rule inconsistent without any one descriptor; an inconsistent one out of attributes (an
// object of its class that it matches misses every attribute it does not use). Returns the
// number of inconsistent rules.
int ExpectLem2Rules(const TTable& t, const TRulMemory& m) {
    const int dec = t.GetNoAttr() - 1;
    auto missingOutside = [&](const TBlock& b, int o) {
        for (int a = 0; a < dec; ++a) {
            if (!b.ContainsAttr(a) && t.Value(o, a) != TTable::MissingValue) return false;
        }
        return true;
    };
    int inconsistent = 0;
    for (const TRuleComp* r : RulesOf(m)) {
        const TBlock& b = *r->GetBlock();
        for (int i = 0; i < b.GetNoDesc(); ++i) EXPECT_NE(b.GetValue(i), TTable::MissingValue);
        const bool consistent = r->IsConsistent(t) == 1;
        for (int i = 0; consistent && i < b.GetNoDesc(); ++i) EXPECT_EQ(r->IsConsistentWithout(t, i), 0);
        bool exhausted = false;
        for (int o = 0; !consistent && o < t.GetNoObj(); ++o) {
            exhausted = exhausted || (t.Value(o, dec) == r->GetDecision() && r->TestObj(t, o) && missingOutside(b, o));
        }
        EXPECT_TRUE(consistent || exhausted);
        inconsistent += consistent ? 0 : 1;
    }
    TBlock none;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        bool covered = missingOutside(none, o);
        for (const TRuleComp* r : RulesOf(m)) covered = covered || (r->GetDecision() == t.Value(o, dec) && r->TestObj(t, o));
        EXPECT_TRUE(covered) << "object " << o;
    }
    return inconsistent;
}

TEST(Lem2, ConsistentTablesGiveIrredundantRulesThatSurviveTheirFile) {
    for (const char* name : {"weather.nominal.tab", "contact-lenses.tab"}) {
        TTable t;
        t.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        auto m = Lem2(t, 0.0);
        EXPECT_GT(m->GetNoRules(), 0);
        EXPECT_EQ(ExpectLem2Rules(t, *m), 0) << name;
        m->CalcRulesInfo(&t, 2);
        ScratchDir dir;
        m->SaveRulesWithObjInfo(dir.File("a").c_str());
        TRulMemory back;
        back.LoadRulesWithObjInfo(dir.File("a").c_str());
        back.SaveRulesWithObjInfo(dir.File("b").c_str());
        EXPECT_EQ(TextsOf(back), TextsOf(*m));
        EXPECT_EQ(ReadFileBytes(dir.File("b")), ReadFileBytes(dir.File("a")));
    }
}

TEST(Lem2, ConflictsAndMissingValuesEndWithRulesOutOfAttributes) {
    TTable breast;  // objects equal on the conditions with different decisions
    breast.Load(VARNEL_TABLES "/breast-cancer.tab");
    EXPECT_GT(ExpectLem2Rules(breast, *Lem2(breast, 0.0)), 0);
    TTable vote;  // many missing values
    vote.Load(VARNEL_TABLES "/vote.tab");
    ExpectLem2Rules(vote, *Lem2(vote, 0.0));
    for (unsigned seed = 1; seed <= 20; ++seed) {
        TTable t;
        FillRandomTable(t, seed, 30, 5, 3, 3);
        ExpectLem2Rules(t, *Lem2(t, 0.0));
    }
    // Twins of two classes: both get the whole object, rarest pair first; an object all
    // missing gets nothing.
    auto twins = MakeTable({{1, 2, 0}, {1, 2, 1}, {1, 3, 0}, {TTable::MissingValue, TTable::MissingValue, 0}});
    EXPECT_EQ(TextsOf(*Lem2(*twins, 0.0)), (std::vector<std::string>{"(1=3)=>0", "(1=2)&(0=1)=>0", "(1=2)&(0=1)=>1"}));
}

TEST(Lem2, EqualCountsGoToThePairRarerInTheTableAndRedundantDescriptorsGo) {
    // (a1=5) covers three objects; the fourth ties (a0=3), first in the pair tree but held
    // by two objects of the table, with (a1=6), held by one.
    auto t = MakeTable({{3, 5, 1}, {4, 5, 1}, {2, 5, 1}, {3, 6, 1}, {9, 9, 0}});
    EXPECT_EQ(TextsOf(*Lem2(*t, 0.0)), (std::vector<std::string>{"(1=5)=>1", "(0=9)=>0", "(1=6)=>1"}));
    // (a0=0) is not enough, (a1=0) after it is, and alone as well.
    auto u = MakeTable({{0, 0, 0}, {0, 0, 0}, {0, 1, 1}, {0, 5, 0}, {2, 1, 1}});
    EXPECT_EQ(TextsOf(*Lem2(*u, 0.0)), (std::vector<std::string>{"(1=0)=>0", "(1=5)=>0", "(1=1)=>1"}));
}

TEST(Lem2, OutputAndTheTruncatedLimit) {
    TTable t;
    t.Load(VARNEL_TABLES "/contact-lenses.tab");
    LogCapture log;
    std::string out;
    auto m = Lem2(t, 0.5, &out);
    EXPECT_EQ(QuietMode, 0);
    EXPECT_GT(m->GetNoRules(), 0);
    EXPECT_EQ(log.Text(), "Calculating decision rules using LEM2\n0%\n100%\n");
    EXPECT_EQ(out,
              "\nDLA KLASY: 2\nLimit i do pokrycia:    7 15\nDLA KLASY: 0\nLimit i do pokrycia:    2 5\n"
              "DLA KLASY: 1\nLimit i do pokrycia:    2 4\n");
    // Seven objects a class, one rule each: at 0.5 a class stops after three.
    TTable s;
    s.CreateTable(14, 2);
    for (int o = 0; o < 14; ++o) {
        s.SetTable(o, 0, o);
        s.SetTable(o, 1, o / 7);
    }
    EXPECT_EQ(TextsOf(*Lem2(s, 0.5)),
              (std::vector<std::string>{"(0=0)=>0", "(0=1)=>0", "(0=2)=>0", "(0=7)=>1", "(0=8)=>1", "(0=9)=>1"}));
}

// A file may announce objects without a column: nothing holds a decision, and LEM2 fails as
// reading it does; with no objects either there is nothing to cover and no rule.
TEST(Lem2, ObjectsWithoutColumnsHaveNoDecision) {
    TTable t;
    LoadTableText(t, "5 0\n");
    TDValInfo none;
    TRulMemory m;
    EXPECT_NO_DECISION_FAILURE(m.CalculateRulesLEM2(&t, none, 0.0));
    LoadTableText(t, "0 0\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(FailureOf([&] { m.CalculateRulesLEM2(&t, none, 0.0); }).code, 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(m.GetNoRules(), 0);
}

}  // namespace
