#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"

namespace {

// "(a=v)&...=>d" of a rule.
std::string Text(const TRuleComp& r) {
    std::ostringstream out;
    const TBlock& b = *r.GetBlock();
    for (int i = 0; i < b.GetNoDesc(); ++i) out << (i > 0 ? "&" : "") << "(" << b.GetAttr(i) << "=" << b.GetValue(i) << ")";
    out << "=>" << r.GetDecision();
    return out.str();
}

std::vector<TRuleComp*> RulesOf(const TRulMemory& m) {
    std::vector<TRuleComp*> rules(static_cast<size_t>(m.GetNoRules()));
    int n = 0;
    if (m.GetRoot() != nullptr) m.GetRoot()->Flatten(rules.data(), n);
    return rules;
}

std::vector<std::string> TextsOf(const TRulMemory& m) {
    std::vector<std::string> out;
    for (const TRuleComp* r : RulesOf(m)) out.push_back(Text(*r));
    return out;
}

std::unique_ptr<TTable> Loaded(const std::string& name) {
    auto t = std::make_unique<TTable>();
    t->Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
    return t;
}

// LEM2 over the table's classes in order of first appearance; its standard output goes to
// *out when asked for.
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

int Decision(const TTable& t, int o) { return t.Value(o, t.GetNoAttr() - 1); }

bool AllConditionsMissing(const TTable& t, int o) {
    for (int a = 0; a + 1 < t.GetNoAttr(); ++a) {
        if (t.Value(o, a) != TTable::MissingValue) return false;
    }
    return true;
}

// What LEM2's rules must satisfy at fraction 0 on any table: no descriptor carries a
// missing value; every object with a value on some condition is matched by a rule of its
// own decision; a consistent rule loses consistency without any one of its descriptors;
// an inconsistent rule ran out of attributes: some object of its class that it matches
// misses every attribute the rule does not use. Returns how many rules are inconsistent.
int ExpectLem2Rules(const TTable& t, const TRulMemory& m) {
    const std::vector<TRuleComp*> rules = RulesOf(m);
    int inconsistent = 0;
    for (const TRuleComp* r : rules) {
        SCOPED_TRACE(Text(*r));
        const TBlock& b = *r->GetBlock();
        EXPECT_GT(b.GetNoDesc(), 0);
        for (int i = 0; i < b.GetNoDesc(); ++i) EXPECT_NE(b.GetValue(i), TTable::MissingValue);
        if (r->IsConsistent(t)) {
            for (int i = 0; i < b.GetNoDesc(); ++i) EXPECT_EQ(r->IsConsistentWithout(t, i), 0) << "descriptor " << i;
            continue;
        }
        ++inconsistent;
        bool exhausted = false;
        for (int o = 0; o < t.GetNoObj() && !exhausted; ++o) {
            if (Decision(t, o) != r->GetDecision() || !r->TestObj(t, o)) continue;
            exhausted = true;
            for (int a = 0; a + 1 < t.GetNoAttr(); ++a) {
                if (!b.ContainsAttr(a) && t.Value(o, a) != TTable::MissingValue) exhausted = false;
            }
        }
        EXPECT_TRUE(exhausted) << "an inconsistent rule with attributes left";
    }
    for (int o = 0; o < t.GetNoObj(); ++o) {
        if (AllConditionsMissing(t, o)) continue;
        bool covered = false;
        for (const TRuleComp* r : rules) covered = covered || (r->GetDecision() == Decision(t, o) && r->TestObj(t, o));
        EXPECT_TRUE(covered) << "object " << o;
    }
    return inconsistent;
}

TEST(Lem2, ConsistentTablesGiveCoveringConsistentIrredundantRules) {
    for (const char* name : {"weather.nominal.tab", "contact-lenses.tab"}) {
        SCOPED_TRACE(name);
        auto t = Loaded(name);
        auto m = Lem2(*t, 0.0);
        EXPECT_GT(m->GetNoRules(), 0);
        EXPECT_EQ(ExpectLem2Rules(*t, *m), 0);
        EXPECT_EQ(m->GetDecisionAttr(), t->GetNoAttr() - 1);

        // The set with its matching objects survives its file: the same rules and objects,
        // written again byte for byte.
        m->CalcRulesInfo(t.get(), 2);
        ScratchDir dir;
        const std::string file = dir.File("rules");
        m->SaveRulesWithObjInfo(file.c_str());
        TRulMemory back;
        back.LoadRulesWithObjInfo(file.c_str());
        EXPECT_EQ(TextsOf(back), TextsOf(*m));
        for (const TRuleComp* r : RulesOf(back)) {
            const TRuleComp* original = m->GetRoot()->Find(r);
            ASSERT_NE(original, nullptr) << Text(*r);
            EXPECT_EQ(r->GetPosSupport(), original->GetPosSupport());
            EXPECT_EQ(r->GetNegSupport(), 0);
            EXPECT_EQ(r->GetRecPosObjInfo()->GetNoNodes(), original->GetPosSupport());
        }
        const std::string again = dir.File("again");
        back.SaveRulesWithObjInfo(again.c_str());
        EXPECT_EQ(ReadFileBytes(again), ReadFileBytes(file));
    }
}

TEST(Lem2, ConflictsAndMissingValuesEndWithRulesThatRanOutOfAttributes) {
    // breast-cancer holds objects equal on the conditions with different decisions; vote
    // misses many values.
    auto breast = Loaded("breast-cancer.tab");
    auto m = Lem2(*breast, 0.0);
    EXPECT_GT(ExpectLem2Rules(*breast, *m), 0);
    auto vote = Loaded("vote.tab");
    ExpectLem2Rules(*vote, *Lem2(*vote, 0.0));

    // Two equal objects of different decisions: each class gets the whole object as a rule,
    // inconsistent, its descriptors rarest first; the third object a rule of one descriptor.
    auto twins = MakeTable({{1, 2, 0}, {1, 2, 1}, {1, 3, 0}});
    auto tm = Lem2(*twins, 0.0);
    EXPECT_EQ(TextsOf(*tm), (std::vector<std::string>{"(1=3)=>0", "(1=2)&(0=1)=>0", "(1=2)&(0=1)=>1"}));
    EXPECT_EQ(ExpectLem2Rules(*twins, *tm), 2);
}

TEST(Lem2, RandomTablesWithMissingValuesAndConflicts) {
    for (unsigned seed = 1; seed <= 25; ++seed) {
        SCOPED_TRACE(seed);
        TTable t;
        FillRandomTable(t, seed, 30 + static_cast<int>(seed), 5, 3, 3);
        auto m = Lem2(t, 0.0);
        ExpectLem2Rules(t, *m);
        // At fraction 0.4 every class still gets at least its limit covered.
        auto partial = Lem2(t, 0.4);
        TDValInfo classes;
        classes.CalcFromTable(t);
        const std::vector<TRuleComp*> rules = RulesOf(*partial);
        for (int k = 0; k < classes.GetNoDecVal(); ++k) {
            const int d = classes.GetDecVal(k);
            int n = 0;
            int covered = 0;
            for (int o = 0; o < t.GetNoObj(); ++o) {
                if (Decision(t, o) != d || AllConditionsMissing(t, o)) continue;
                ++n;
                bool hit = false;
                for (const TRuleComp* r : rules) hit = hit || (r->GetDecision() == d && r->TestObj(t, o));
                covered += hit ? 1 : 0;
            }
            if (n == classes.GetDCNoObj(k)) {
                EXPECT_GE(covered, static_cast<int>((1.0 - 0.4) * n)) << "class " << d;
            }
        }
    }
}

TEST(Lem2, TiesBetweenEquallyFrequentPairsGoToThePairRarerInTheTable) {
    // Class 1: (a1=5) covers three objects at once. The fourth, (3, 6), then counts both its
    // pairs once; (a0=3) comes first in the pair tree but is held by two objects of the
    // table, (a1=6) by one, so the rule is (a1=6). Class 0 ties (a0=9) with (a1=9), equally
    // rare, and takes the first.
    auto t = MakeTable({{3, 5, 1}, {4, 5, 1}, {2, 5, 1}, {3, 6, 1}, {9, 9, 0}});
    auto m = Lem2(*t, 0.0);
    EXPECT_EQ(TextsOf(*m), (std::vector<std::string>{"(1=5)=>1", "(0=9)=>0", "(1=6)=>1"}));
}

TEST(Lem2, RedundantDescriptorsAreDropped) {
    // Class 0's most frequent pair (a0=0) matches an object of class 1; (a1=0) then makes the
    // rule consistent, and alone it already is: the rule keeps only (a1=0). The last object
    // of the class ties (a0=0) with (a1=5) and takes the rarer.
    auto t = MakeTable({{0, 0, 0}, {0, 0, 0}, {0, 1, 1}, {0, 5, 0}, {2, 1, 1}});
    auto m = Lem2(*t, 0.0);
    EXPECT_EQ(TextsOf(*m), (std::vector<std::string>{"(1=0)=>0", "(1=5)=>0", "(1=1)=>1"}));
}

TEST(Lem2, TheLimitIsTruncatedAndAClassStopsOnceItIsReached) {
    // Seven objects of class 0, seven of class 1, all with distinct values: every rule covers
    // one object, and at fraction 0.5 a class of 7 stops after three rules.
    TTable t;
    t.CreateTable(14, 2);
    for (int o = 0; o < 14; ++o) {
        t.SetTable(o, 0, o);
        t.SetTable(o, 1, o / 7);
    }
    std::string out;
    auto m = Lem2(t, 0.5, &out);
    EXPECT_EQ(m->GetNoRules(), 6);
    EXPECT_EQ(TextsOf(*m), (std::vector<std::string>{"(0=0)=>0", "(0=1)=>0", "(0=2)=>0", "(0=7)=>1", "(0=8)=>1",
                                                      "(0=9)=>1"}));
    EXPECT_EQ(out, "\nDLA KLASY: 0\nLimit i do pokrycia:    3 7\nDLA KLASY: 1\nLimit i do pokrycia:    3 7\n");
}

TEST(Lem2, ContactLensesLogAndStandardOutput) {
    auto t = Loaded("contact-lenses.tab");
    LogCapture log;
    std::string out;
    const int quiet = QuietMode;
    auto m = Lem2(*t, 0.5, &out);
    EXPECT_EQ(QuietMode, quiet);
    EXPECT_EQ(log.Text(), "Calculating decision rules using LEM2\n0%\n100%\n");
    EXPECT_EQ(out,
              "\nDLA KLASY: 2\nLimit i do pokrycia:    7 15\n"
              "DLA KLASY: 0\nLimit i do pokrycia:    2 5\n"
              "DLA KLASY: 1\nLimit i do pokrycia:    2 4\n");
    // Each class gets at least its limit covered; the rules are stored though quiet mode is
    // off outside the call.
    const std::vector<TRuleComp*> rules = RulesOf(*m);
    EXPECT_GT(rules.size(), 0u);
    const int limits[3][2] = {{2, 7}, {0, 2}, {1, 2}};
    for (const auto& [d, limit] : limits) {
        int covered = 0;
        for (int o = 0; o < t->GetNoObj(); ++o) {
            bool hit = false;
            for (const TRuleComp* r : rules) hit = hit || (r->GetDecision() == d && r->TestObj(*t, o));
            covered += hit && Decision(*t, o) == d ? 1 : 0;
        }
        EXPECT_GE(covered, limit) << "class " << d;
    }
}

TEST(Lem2, AClassWhoseObjectsMissEveryValueGetsNoRule) {
    constexpr int x = TTable::MissingValue;
    auto t = MakeTable({{x, x, 0}, {1, 1, 1}, {x, x, 1}});
    auto m = Lem2(*t, 0.0);
    EXPECT_EQ(TextsOf(*m), (std::vector<std::string>{"(0=1)=>1"}));
}

}  // namespace
