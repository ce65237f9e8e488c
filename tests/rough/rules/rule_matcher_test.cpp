#include "rough/rules/rule_matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rules/split_rules.h"

namespace {

using Use = RuleMatcher::Use;

struct UseScope {
    explicit UseScope(Use use) { RuleMatcher::UseForTests(use); }
    ~UseScope() { RuleMatcher::UseForTests(Use::Auto); }
};

// -1..2, now and then the missing-value code.
int RandomValue() { return Rand() % 25 == 0 ? TTable::MissingValue : Rand() % 4 - 1; }

void FillRandom(TTable& t, int rows, int columns) {
    t.CreateTable(rows, columns);
    for (int o = 0; o < rows; ++o) {
        for (int a = 0; a < columns; ++a) t.SetTable(o, a, a == columns - 1 ? Rand() % 3 : RandomValue());
    }
}

// Over every column, the decision's too; now and then an attribute again, with its value or
// another one.
std::unique_ptr<TBlock> RandomBlock(int columns, int longest) {
    auto b = std::make_unique<TBlock>();
    for (int i = 0, n = 1 + Rand() % longest; i < n; ++i) {
        const bool again = i > 0 && Rand() % 4 == 0;
        const int a = again ? b->GetAttr(Rand() % i) : Rand() % columns;
        b->AddDescriptor(a, again && Rand() % 2 == 0 ? b->GetValue(Rand() % i) : RandomValue());
    }
    return b;
}

TEST(RuleMatcher, MatchesAndNearMissesAreThoseOfTheBlocksOwnTests) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SeedRand(seed);
        // Many short blocks match many objects at once (their order comes from the bits); two
        // blocks over many columns are tested one by one.
        const int count = seed % 3 == 0 ? 900 : seed % 3 == 1 ? 8 : 2;
        TTable t;
        FillRandom(t, 40, count == 2 ? 12 : 2 + seed % 5);
        std::vector<std::unique_ptr<TBlock>> owned;
        std::vector<const TBlock*> blocks;
        for (int p = 0; p < count; ++p) {
            owned.push_back(RandomBlock(t.GetNoAttr(), count > 8 ? 2 : 6));
            blocks.push_back(owned.back().get());
        }
        for (Use use : {Use::Auto, Use::Direct, Use::Counting}) {
            UseScope scope(use);
            auto matcher = RuleMatcher::Build(blocks, t);
            ASSERT_NE(matcher, nullptr);
            for (int o = 0; o < t.GetNoObj(); ++o) {
                for (bool near : {false, true}) {
                    std::vector<int> matches, misses;
                    for (int p = 0; p < count; ++p) {
                        const TBlock& b = *blocks[static_cast<size_t>(p)];
                        if (b.TestObj(t, o)) matches.push_back(p);
                        if (near && b.GetNoDesc() > 1 && b.TestObjCount(t, o) == b.GetNoDesc() - 1) misses.push_back(p);
                    }
                    EXPECT_EQ(matcher->Match(t, o, near), matches) << seed << " " << o;
                    std::vector<int> got = matcher->NearMisses();
                    std::sort(got.begin(), got.end());
                    EXPECT_EQ(got, misses) << seed << " " << o;
                    for (int p : misses) {
                        int fail = -2;
                        blocks[static_cast<size_t>(p)]->CheckObj(t, o, TTable::MissingValue - 1, &fail);
                        EXPECT_EQ(matcher->FailingDescriptor(t, o, p), fail);
                    }
                }
            }
        }
    }
}

TEST(RuleMatcher, OnlyBlocksTestedWithoutFailureOnEveryObjectAreTaken) {
    auto t = MakeTable({{0, 1, 0}, {1, 1, 1}});
    TBlock good, empty, below, beyond;
    good.AddDescriptor(2, 1);
    below.AddDescriptor(-1, 0);
    beyond.AddDescriptor(3, 0);  // object 0 would read object 1's first value
    EXPECT_NE(RuleMatcher::Build({&good}, *t), nullptr);
    for (const TBlock* bad : std::vector<const TBlock*>{nullptr, &empty, &below, &beyond}) {
        EXPECT_EQ(RuleMatcher::Build({&good, bad}, *t), nullptr);
    }
    TTable none;
    none.CreateTable(0, 3);
    EXPECT_EQ(RuleMatcher::Build({&good}, none), nullptr);
    {
        UseScope off(Use::Off);
        EXPECT_EQ(RuleMatcher::Build({&good}, *t), nullptr);
    }
    auto matcher = RuleMatcher::Build({&good}, *t);
    EXPECT_EQ(matcher->Match(*t, 1), std::vector<int>{0});
    auto copy = MakeTable({{0, 1, 0}, {1, 1, 1}});
    EXPECT_FALSE(matcher->Serves(*copy, 0));
    EXPECT_FALSE(matcher->Serves(*t, -1));
    EXPECT_FALSE(matcher->Serves(*t, 2));
    t->AddAttribute();
    EXPECT_FALSE(matcher->Serves(*t, 0));
}

// ---- The callers, through the matcher and rule by rule

std::string Hex(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%a ", x);
    return text;
}

// "error " and the code of an error the run ends with, else nothing.
std::string Try(const std::function<void()>& run) {
    try {
        run();
    } catch (const Error& e) {
        return "error " + std::to_string(e.GetCode()) + " ";
    }
    return "";
}

// What the runs of `body` write to the LOG, after what body says.
std::string WithLog(const std::function<std::string()>& body) {
    LogCapture log;
    std::string out = body();
    return out + log.Text();
}

void AddTree(const TIntTree* node, std::string& out) {
    if (node == nullptr) {
        out += "- ";
        return;
    }
    out += std::to_string(node->GetKey()) + "x" + std::to_string(node->GetCount()) + " ";
    AddTree(node->GetLeft(), out);
    AddTree(node->GetRight(), out);
}

// Every rule's evaluation, the shapes of its object trees included.
std::string Evaluations(const TRulMemory& m) {
    std::string out;
    for (const TRuleComp* r : RulesInWalkOrder(m)) {
        out += std::to_string(r->GetPosSupport()) + " " + std::to_string(r->GetNegSupport()) + " " + Hex(r->GetWeight());
        AddTree(r->PosObjInfoIfAny(), out);
        AddTree(r->NegObjInfoIfAny(), out);
        out += "\n";
    }
    return out;
}

// The evaluation in a mode: how it ended, and the rules' figures then.
std::string Evaluated(TRulMemory& m, TTable& t, int mode) {
    const std::string ending = Try([&] { m.CalcRulesInfo(&t, mode); });
    return ending + Evaluations(m);
}

// Whole-table voting by every method and threshold kind: the scores and statistics left in
// info, the labels, the class thresholds, the best method and the draws taken.
std::string Voting(const TRulMemory& m, const TDValInfo& classes, const TTable& test) {
    TDValInfo info = classes;
    std::string out;
    for (int kind : {-1, 0, 1, 2}) {
        std::vector<double> h;
        for (int k = 0; k < info.GetNoDecVal(); ++k) {
            double low = 1e9, high = -1e9;
            m.GetMinMaxWeight(kind < 0 ? 0 : kind, info.GetDecVal(k), low, high);
            h.push_back((low + high) / 2);
        }
        for (int method = 0; method <= 9; ++method) {
            ResetRandomForTests();
            int errors = -1;
            out += Try([&] { m.ClassifyTable(info, method, test, errors, kind, h.data()); });
            out += std::to_string(errors) + " " + Hex(info.GetAccuracy()) + Hex(info.GetCoverage());
            for (int k = 0; k < info.GetNoDecVal(); ++k) out += Hex(info.GetDistrib(k)) + Hex(info.GetDecValCov(k));
            out += std::to_string(Rand()) + "\n";
            TTable labelled;
            labelled = test;
            ResetRandomForTests();
            out += Try([&] { m.LabelTable(info, method, labelled, kind, h.data()); });
            for (int v : Column(labelled, labelled.GetNoAttr() - 1)) out += std::to_string(v) + " ";
            for (int k = 0; kind < 0 && k < info.GetNoDecVal(); ++k) {
                double sens = 0, spec = 0, acc = 0, area = 0;
                out += Try([&] { m.CalcClassThresholds(info, k, test, method, 40, sens, spec, acc, area); });
                out += Hex(sens) + Hex(spec) + Hex(acc) + Hex(area);
            }
        }
    }
    ResetRandomForTests();
    double best = -1;
    int method = -1;
    out += Try([&] { method = m.EvaluateVoteMethods(test, info, best); });
    return out + std::to_string(method) + " " + Hex(best);
}

// Long texts are compared at their first differing line: a diff of the whole would not fit.
void ExpectSameText(const std::string& a, const std::string& b) {
    const std::vector<std::string> x = TextLines(a), y = TextLines(b);
    size_t i = 0;
    while (i < x.size() && i < y.size() && x[i] == y[i]) ++i;
    if (i < x.size() || i < y.size()) {
        ADD_FAILURE() << "line " << i << ":\n" << (i < x.size() ? x[i] : "(none)") << "\n" << (i < y.size() ? y[i] : "(none)");
    }
}

// Copies of the rules, with blocks and decisions only, stored in walk order: the same tree.
void CopyRules(const std::vector<const TRuleComp*>& rules, TRulMemory& m) {
    QuietModeGuard quiet;
    for (const TRuleComp* r : rules) {
        auto copy = std::make_unique<TRuleComp>();
        *copy = *r;
        m.InsertRule(std::move(copy));
    }
}

// The evaluations on train in every mode, some replacing or keeping figures found on test
// before and some starting from none, each followed by the voting on test: the same
// through the matcher and rule by rule, in the LOG too.
void ExpectSameEvaluationAndVoting(const std::vector<const TRuleComp*>& rules, TTable& train,
                                   const TDValInfo& classes, TTable& test, std::vector<int> modes = {2, 0, 1, 3, -1}) {
    std::string through[2];
    for (Use use : {Use::Auto, Use::Off}) {
        UseScope scope(use);
        for (int mode : modes) {
            for (bool before : {false, true}) {
                TRulMemory m;
                CopyRules(rules, m);
                if (before) m.CalcRulesInfo(&test, 2);
                through[use == Use::Off] += WithLog([&] {
                    const std::string evaluated = Evaluated(m, train, mode);
                    return evaluated + Voting(m, classes, test);
                });
            }
        }
    }
    ExpectSameText(through[0], through[1]);
}

// Rules of random blocks and decisions over a table like train.
std::vector<std::unique_ptr<TRuleComp>> RandomRules(const TTable& train, int count, int longest) {
    std::vector<std::unique_ptr<TRuleComp>> rules;
    for (int r = 0; r < count; ++r) {
        rules.push_back(std::make_unique<TRuleComp>(RandomBlock(train.GetNoAttr(), longest), r));
        rules.back()->SetDecision(Rand() % 3);
    }
    return rules;
}

std::vector<const TRuleComp*> View(const std::vector<std::unique_ptr<TRuleComp>>& rules) {
    std::vector<const TRuleComp*> view;
    for (const auto& r : rules) view.push_back(r.get());
    return view;
}

TEST(RuleMatcherCallers, RandomRulesEvaluateAndVoteAsRuleByRule) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        SeedRand(seed);
        TTable train, test;
        FillRandom(train, 50, 5);
        FillRandom(test, 30, 5);
        const auto rules = RandomRules(train, 120, 4);
        TDValInfo classes;
        classes.CalcFromTable(train);
        ExpectSameEvaluationAndVoting(View(rules), train, classes, test);
    }
}

TEST(RuleMatcherCallers, RealTablesEvaluateAndVoteAsRuleByRule) {
    for (const char* name : {"vote.tab", "breast-cancer.tab"}) {
        SCOPED_TRACE(name);
        auto split = LoadSplitRules(name);
        ExpectSameEvaluationAndVoting(RulesInWalkOrder(split->memory), split->train, split->info, split->test, {2});
    }
}

// The covering report of every class, with the matches held and past their bound.
std::string Coverings(TRulMemory& m, const TTable& t) {
    std::string out;
    for (long long limit : {0, 40}) {
        TRulMemory::SetCoveringMatchLimit(limit);
        for (int d = 0; d < 3; ++d) {
            std::ostringstream file;
            testing::internal::CaptureStdout();
            out += Try([&] { m.SaveCoverings(file, t, d, 20, nullptr, 0); });
            out += testing::internal::GetCapturedStdout() + file.str();
        }
    }
    TRulMemory::SetCoveringMatchLimit(0);
    return out;
}

TEST(RuleMatcherCallers, CoveringReportsAsRuleByRule) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        SeedRand(seed);
        TTable t;
        FillRandom(t, 50, 5);
        const auto rules = RandomRules(t, 150, 3);
        std::string through[2];
        for (Use use : {Use::Auto, Use::Off}) {
            UseScope scope(use);
            TRulMemory m;
            CopyRules(View(rules), m);
            m.CalcRulesInfo(&t, 2);
            through[use == Use::Off] = Coverings(m, t);
        }
        ExpectSameText(through[0], through[1]);
        EXPECT_NE(through[0].find("Parameter"), std::string::npos);
    }
}

// Rules (1=0) -> 0, then one in second place in walk order, then (0=1)&(1=1) -> 1 and
// (1=1) -> 1; the second is put in place after the tree is built.
std::unique_ptr<TRulMemory> SecondInWalk(std::unique_ptr<TRuleComp> second) {
    auto m = std::make_unique<TRulMemory>();
    QuietModeGuard quiet;
    m->InsertRule(RuleOf({{1, 0}}, 0));
    m->InsertRule(RuleOf({{0, 0}}, 0));
    m->InsertRule(RuleOf({{0, 1}, {1, 1}}, 1));
    m->InsertRule(RuleOf({{1, 1}}, 1));
    TLeaf* node = m->GetRoot()->GetLeft();
    delete node->GetRule();
    node->SetRule(second.release());
    return m;
}

// A rule the matcher refuses: each caller fails, or reads where it reads, as rule by rule
// does, the rules before the failing one evaluated and those after it not.
TEST(RuleMatcherCallers, RulesTheMatcherRefusesFailAsRuleByRule) {
    auto t = MakeTable({{0, 1, 0}, {1, 1, 1}, {1, 0, 1}, {0, 0, 0}});
    TDValInfo classes;
    classes.CalcFromTable(*t);
    // A column past the last reads the next object's first value (the first descriptor
    // spares the last object from it); a column before the first fails at once; no block.
    const std::function<std::unique_ptr<TRuleComp>()> bad[] = {
        [] { return RuleOf({{0, 1}, {3, 0}}, 1); }, [] { return RuleOf({{-1, 0}}, 1); },
        [] { return std::make_unique<TRuleComp>(nullptr, 0); }};
    for (const auto& rule : bad) {
        std::string through[2];
        for (Use use : {Use::Auto, Use::Off}) {
            UseScope scope(use);
            for (int mode : {0, 1, 2}) {
                auto m = SecondInWalk(rule());
                through[use == Use::Off] += WithLog([&] {
                    const std::string evaluated = Evaluated(*m, *t, mode);
                    const std::string voting = Voting(*m, classes, *t);
                    return evaluated + voting + Coverings(*m, *t);
                });
            }
        }
        ExpectSameText(through[0], through[1]);
        EXPECT_NE(through[0].find("error"), std::string::npos);
    }
    // A rule without descriptors ends the process where it is tested, but has a weight (it
    // holds for every object); so does a threshold of an unknown kind.
    std::string through[2];
    for (Use use : {Use::Auto, Use::Off}) {
        UseScope scope(use);
        auto m = SecondInWalk(RuleOf({}, 1));
        m->CalcRulesInfo(t.get(), 1);
        EXPECT_EQ(RulesInWalkOrder(*m)[1]->GetWeight(), 0.25);  // two objects of decision 0
        through[use == Use::Off] = Evaluations(*m);
        through[use == Use::Off] += StdoutOfExit(0, [&] { m->CalcRulesInfo(t.get(), 2); });
        int errors = 0;
        through[use == Use::Off] += StdoutOfExit(0, [&] { m->ClassifyTable(classes, 3, *t, errors, -1, nullptr); });
        auto good = SecondInWalk(RuleOf({{0, 1}}, 1));
        good->CalcRulesInfo(t.get(), 2);
        const double h[] = {0.5, 0.5};
        through[use == Use::Off] += StdoutOfExit(0, [&] { good->ClassifyTable(classes, 0, *t, errors, 7, h); });
    }
    EXPECT_EQ(through[0], through[1]);
    EXPECT_NE(through[0].find("BLAD KRYTYCZNY: TBlock::TestObj\nIlosc deskryptorow w regule wynosi: 0\n"
                              "BLAD KRYTYCZNY: TBlock::TestObj\nIlosc deskryptorow w regule wynosi: 0\n"
                              "NIEMILY BLAD w TRuleComp::CheckWeight\n"),
              std::string::npos);
}

}  // namespace
