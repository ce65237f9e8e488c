#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/decision_values.h"
#include "core/dictio_set.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"

namespace {

// A memory holding the given rules (quiet mode only while they go in), and the rules in walk
// order.
struct StoredRules {
    TRulMemory memory;
    std::vector<TRuleComp*> walk;

    explicit StoredRules(std::vector<std::unique_ptr<TRuleComp>> rules) {
        QuietModeGuard quiet;
        for (auto& r : rules) memory.InsertRule(std::move(r));
        walk.resize(static_cast<size_t>(memory.GetNoRules()));
        int n = 0;
        memory.GetRoot()->Flatten(walk.data(), n);
    }
    TLeaf& Root() { return *memory.GetRoot(); }
};

TEST(CoverShares, SharesCountsSumsAndRoulettePicksOverTheOpenRulesOfAClass) {
    // Walk order: (0=0)=>1, (0=1)=>1, (0=2)=>0.
    auto t = MakeTable({{0, 1}, {0, 1}, {1, 1}, {1, 0}, {2, 0}});
    std::vector<std::unique_ptr<TRuleComp>> v;
    v.push_back(RuleOf({{0, 0}}, 1));
    v.push_back(RuleOf({{0, 1}}, 1));
    v.push_back(RuleOf({{0, 2}}, 0));
    StoredRules s(std::move(v));
    TRuleComp& r1 = *s.walk[0];
    TRuleComp& r2 = *s.walk[1];
    TRuleComp& r3 = *s.walk[2];
    ASSERT_EQ(r1.GetBlock()->GetValue(0), 0);
    ASSERT_EQ(r2.GetBlock()->GetValue(0), 1);

    int covered[5] = {1, 0, 0, 0, 0};
    s.Root().CalcCoverShares(*t, covered, 1);
    EXPECT_EQ(r1.GetCoverShare(), 0.25f);  // o1 of the four uncovered
    EXPECT_EQ(r2.GetCoverShare(), 0.5f);   // o2 and o3, whatever their decision
    EXPECT_EQ(r3.GetCoverShare(), 0.0f);   // another class

    int count = 0;
    s.Root().CountAboveThreshold(0.3, count, 1);
    EXPECT_EQ(count, 1);
    count = 0;
    s.Root().CountAboveThreshold(0.25, count, 1);
    EXPECT_EQ(count, 2);
    double sum = 0.0;
    s.Root().SumAboveThreshold(0.2, sum, 1);
    EXPECT_EQ(sum, 0.75);

    // The running sum passes 0.5 at the second rule, which takes the uncovered objects it
    // matches.
    double running = 0.0;
    int coveredCount = 1;
    EXPECT_EQ(s.Root().RoulettePick(0.2, 0.5, running, *t, covered, coveredCount, 1), 1);
    EXPECT_EQ(running, 0.75);
    EXPECT_EQ(coveredCount, 3);
    EXPECT_EQ(std::vector<int>(covered, covered + 5), (std::vector<int>{1, 0, 1, 1, 0}));
    EXPECT_EQ(r2.IsSelected(), 1);
    EXPECT_EQ(r1.IsSelected(), 0);

    // A selected rule keeps its share and leaves the counts, the sums and the wheel.
    s.Root().CalcCoverShares(*t, covered, 1);
    EXPECT_EQ(r1.GetCoverShare(), 0.5f);
    EXPECT_EQ(r2.GetCoverShare(), 0.5f);
    count = 0;
    s.Root().CountAboveThreshold(0.0, count, 1);
    EXPECT_EQ(count, 1);
    running = 0.0;
    EXPECT_EQ(s.Root().RoulettePick(0.0, 0.6, running, *t, covered, coveredCount, 1), 0);
    EXPECT_EQ(running, 0.5);
    EXPECT_EQ(coveredCount, 3);
    // u = 0 takes the first rule that is on the wheel at all.
    running = 0.0;
    EXPECT_EQ(s.Root().RoulettePick(0.0, 0.0, running, *t, covered, coveredCount, 1), 1);
    EXPECT_EQ(r1.IsSelected(), 1);
    EXPECT_EQ(coveredCount, 4);

    // Clearing one class leaves the other's choices alone.
    r3.SetSelected(1);
    s.Root().ClearSelected(1);
    EXPECT_EQ(r1.IsSelected(), 0);
    EXPECT_EQ(r2.IsSelected(), 0);
    EXPECT_EQ(r3.IsSelected(), 1);

    // With every object covered the shares are 0.
    int all[5] = {1, 1, 1, 1, 1};
    s.Root().CalcCoverShares(*t, all, 1);
    EXPECT_EQ(r1.GetCoverShare(), 0.0f);
    EXPECT_EQ(r2.GetCoverShare(), 0.0f);
}

TEST(CoverShares, ARandomizedCoveringWritesSelectedRulesThatCoverTheClass) {
    // LEM2's rules cover every object of weather and contact-lenses; a roulette over the
    // shares of the rules not chosen yet picks rules until the class is covered.
    for (const char* name : {"weather.nominal.tab", "contact-lenses.tab"}) {
        TTable t;
        t.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        TDValInfo classes;
        classes.CalcFromTable(t);
        TRulMemory m;
        testing::internal::CaptureStdout();
        m.CalculateRulesLEM2(&t, classes, 0.0);
        testing::internal::GetCapturedStdout();
        m.CalcRulesInfo(&t, 2);
        TLeaf& root = *m.GetRoot();
        const int decisionAttr = t.GetNoAttr() - 1;
        SeedRand(5);
        for (int k = 0; k < classes.GetNoDecVal(); ++k) {
            const int d = classes.GetDecVal(k);
            SCOPED_TRACE(std::string(name) + " class " + std::to_string(d));
            // Objects of other classes count as covered, so shares are parts of the class.
            std::vector<int> covered(static_cast<size_t>(t.GetNoObj()));
            int coveredCount = 0;
            for (int o = 0; o < t.GetNoObj(); ++o) {
                covered[static_cast<size_t>(o)] = t.Value(o, decisionAttr) == d ? 0 : 1;
                coveredCount += covered[static_cast<size_t>(o)];
            }
            root.ClearSelected(d);
            constexpr double h = 1e-6;  // rules that would cover nothing new stay off the wheel
            int picks = 0;
            while (coveredCount < t.GetNoObj()) {
                root.CalcCoverShares(t, covered.data(), d);
                int count = 0;
                double total = 0.0;
                root.CountAboveThreshold(h, count, d);
                root.SumAboveThreshold(h, total, d);
                ASSERT_GT(count, 0);
                const double u = Rand() / 32768.0 * total;
                double running = 0.0;
                const int before = coveredCount;
                ASSERT_EQ(root.RoulettePick(h, u, running, t, covered.data(), coveredCount, d), 1);
                EXPECT_GT(coveredCount, before);
                ASSERT_LE(++picks, m.GetNoRules());
            }
            std::ostringstream file;
            root.SaveRulesEx(file, decisionAttr, nullptr, 0, d);
            // Every line is a selected rule of class d; together they match the class.
            std::vector<int> matched(static_cast<size_t>(t.GetNoObj()));
            std::vector<TRuleComp*> all(static_cast<size_t>(m.GetNoRules()));
            int n = 0;
            root.Flatten(all.data(), n);
            int lines = 0;
            for (const std::string& line : TextLines(file.str())) {
                std::istringstream in(line);
                TBlock block;
                ASSERT_EQ(block.Read(in), 1) << line;
                const TRuleComp* found = nullptr;
                for (const TRuleComp* r : all) {
                    if (*r->GetBlock() == block && r->GetDecision() == d) found = r;
                }
                ASSERT_NE(found, nullptr) << line;
                EXPECT_EQ(found->IsSelected(), 1) << line;
                for (int o = 0; o < t.GetNoObj(); ++o) matched[static_cast<size_t>(o)] |= found->TestObj(t, o);
                ++lines;
            }
            EXPECT_EQ(lines, picks);
            for (int o = 0; o < t.GetNoObj(); ++o) {
                if (t.Value(o, decisionAttr) == d) {
                    EXPECT_EQ(matched[static_cast<size_t>(o)], 1) << "object " << o;
                }
            }
        }
    }
}

TEST(CoverShares, GetClassRulesAppendsInWalkOrder) {
    TTable t;
    FillRandomTable(t, 4, 60, 4, 3, 3);
    std::vector<std::unique_ptr<TRuleComp>> v;
    for (int o = 0; o < t.GetNoObj(); ++o) v.push_back(RuleOf({{o % 3, t.Value(o, o % 3)}, {3, o % 2}}, t.Value(o, 3)));
    StoredRules s(std::move(v));
    for (int d : {0, 1, 2, 7}) {
        std::vector<TRuleComp*> expected;
        for (TRuleComp* r : s.walk) {
            if (r->GetDecision() == d) expected.push_back(r);
        }
        std::vector<TRuleComp*> got(s.walk.size() + 1, nullptr);
        got[0] = s.walk[0];  // the count starts past what the array already holds
        int count = 1;
        s.Root().GetClassRules(got.data(), d, count);
        expected.insert(expected.begin(), s.walk[0]);
        got.resize(static_cast<size_t>(count));
        EXPECT_EQ(got, expected) << "class " << d;
    }
}

TEST(RuleEntries, SortMovesEachRuleWithItsCountAscending) {
    // The pivot-first quicksort is not stable: 2 1 2 1 of rules A B C D ends as D B A C.
    std::vector<std::unique_ptr<TRuleComp>> owned;
    for (int i = 0; i < 4; ++i) owned.push_back(RuleOf({{0, i}}, 0));
    TRuleComp* rules[4] = {owned[0].get(), owned[1].get(), owned[2].get(), owned[3].get()};
    int counts[4] = {2, 1, 2, 1};
    TRulMemory::SortRuleEntries(rules, counts, 0, 3);
    EXPECT_EQ(std::vector<TRuleComp*>(rules, rules + 4),
              (std::vector<TRuleComp*>{owned[3].get(), owned[1].get(), owned[0].get(), owned[2].get()}));
    EXPECT_EQ(std::vector<int>(counts, counts + 4), (std::vector<int>{1, 1, 2, 2}));

    // Random counts with repeats, sorted in a middle range only.
    SeedRand(9);
    constexpr int n = 300;
    std::vector<std::unique_ptr<TRuleComp>> many;
    std::vector<TRuleComp*> r;
    std::vector<int> c;
    for (int i = 0; i < n; ++i) {
        many.push_back(RuleOf({{0, i}}, 0));
        r.push_back(many.back().get());
        c.push_back(Rand() % 20);
    }
    std::vector<std::pair<TRuleComp*, int>> before;
    for (int i = 0; i < n; ++i) before.emplace_back(r[static_cast<size_t>(i)], c[static_cast<size_t>(i)]);
    TRulMemory::SortRuleEntries(r.data(), c.data(), 10, n - 11);
    std::vector<std::pair<TRuleComp*, int>> after;
    for (int i = 0; i < n; ++i) after.emplace_back(r[static_cast<size_t>(i)], c[static_cast<size_t>(i)]);
    for (int i : {0, 9, n - 10, n - 1}) EXPECT_EQ(after[static_cast<size_t>(i)], before[static_cast<size_t>(i)]);
    EXPECT_TRUE(std::is_sorted(c.begin() + 10, c.end() - 10));
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);

    const std::pair<TRuleComp*, int> first(r[0], c[0]);
    const std::pair<TRuleComp*, int> last(r[n - 1], c[n - 1]);
    TRulMemory::SwapRuleEntries(r.data(), c.data(), 0, n - 1);
    EXPECT_EQ(std::make_pair(r[0], c[0]), last);
    EXPECT_EQ(std::make_pair(r[n - 1], c[n - 1]), first);
}

// ---- SaveCoverings

// The coverings file of class d; what went to standard output goes to *out when asked for.
std::string CoveringsOf(TRulMemory& m, const TTable& t, int d, int n, const TDictioSet* dict = nullptr,
                        int mode = 0, std::string* out = nullptr) {
    std::ostringstream file;
    testing::internal::CaptureStdout();
    m.SaveCoverings(file, t, d, n, dict, mode);
    const std::string written = testing::internal::GetCapturedStdout();
    if (out != nullptr) *out = written;
    return file.str();
}

// Class 1 of a small table, four rules; (1=1) also matches the class-0 object, which no pass
// ever marks, so it keeps counting as newly covered.
struct CoveringCase {
    std::unique_ptr<TTable> t = MakeTable({{0, 0, 1}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {2, 1, 0}});
    std::unique_ptr<StoredRules> s;
    CoveringCase() {
        std::vector<std::unique_ptr<TRuleComp>> v;
        v.push_back(RuleOf({{0, 0}}, 1));  // o0 o1
        v.push_back(RuleOf({{1, 0}}, 1));  // o0 o1 o2
        v.push_back(RuleOf({{0, 1}}, 1));  // o2 o3
        v.push_back(RuleOf({{1, 1}}, 1));  // o3, and o4 of class 0
        v.push_back(RuleOf({{0, 2}}, 0));
        s = std::make_unique<StoredRules>(std::move(v));
        s->memory.CalcRulesInfo(t.get(), 2);
    }
    std::string Coverings(int d, int n, const TDictioSet* dict, int mode, std::string* out = nullptr) {
        return CoveringsOf(s->memory, *t, d, n, dict, mode, out);
    }
};

TEST(SaveCoverings, FivePassesEachStartingFurtherInTheOrderThePassesBeforeLeft) {
    // Pass 0 takes (1=0) (three new), then (1=1) (o3 and o4) over (0=1) (o3 alone): 4 > 3
    // covered. Pass 1 starts at the second entry of that order: (1=1), (0=0), (0=1). Pass 2
    // two entries in; pass 3 runs out of rules with 2 of the table's 4 needed covered; pass 4
    // has no rule left.
    CoveringCase c;
    std::string out;
    EXPECT_EQ(c.Coverings(1, 4, nullptr, 0, &out),
              "Parameter: 100%\n"
              "(1=0)=>(2= 1 ) 3 0  1 1\n"
              "(1=1)=>(2= 1 ) 1 1  0.5 0.5\n"
              "-----------------------\n"
              "Parameter: 100%\n"
              "(1=1)=>(2= 1 ) 1 1  0.5 0.5\n"
              "(0=0)=>(2= 1 ) 2 0  1 1\n"
              "(0=1)=>(2= 1 ) 2 0  1 1\n"
              "-----------------------\n"
              "Parameter: 100%\n"
              "(0=0)=>(2= 1 ) 2 0  1 1\n"
              "(0=1)=>(2= 1 ) 2 0  1 1\n"
              "-----------------------\n"
              "Parameter: 50%\n"
              "(0=1)=>(2= 1 ) 2 0  1 1\n"
              "-----------------------\n"
              "Parameter: 0%\n"
              "-----------------------\n"
              "\n");
    EXPECT_EQ(out, ".\n.\n.\n.\nUWAGA: Cos nie tak!(cur_rul_num>=NoDVRule)\n.\n");
}

TEST(SaveCoverings, NamesComeFromTheDictionaryInEveryMode) {
    CoveringCase c;
    TDictioSet dict;
    for (const char* name : {"size", "shape", "kind"}) dict.AddAttr(name);
    for (const char* text : {"small", "mid", "big"}) dict.AddText(0, text);
    for (const char* text : {"flat", "round"}) dict.AddText(1, text);
    const std::vector<std::string> mode0 = TextLines(c.Coverings(1, 4, &dict, 0));
    EXPECT_EQ(mode0[1], "(1=0)=>(kind= 1 ) 3 0  1 1");
    const std::vector<std::string> mode1 = TextLines(c.Coverings(1, 4, &dict, 1));
    EXPECT_EQ(mode1[1], "(shape=flat)=>(kind= 1 ) 3 0  1 1");
    EXPECT_EQ(mode1[2], "(shape=round)=>(kind= 1 ) 1 1  0.5 0.5");
    const std::vector<std::string> mode2 = TextLines(c.Coverings(1, 4, &dict, 2));
    EXPECT_EQ(mode2[1], "(shape=0)=>(kind= 1 ) 3 0  1 1");
}

TEST(SaveCoverings, AnEmptyClassSizeAndAClassWithoutRules) {
    CoveringCase c;
    const std::string empty =
        "Parameter: 0%\n-----------------------\nParameter: 0%\n-----------------------\n"
        "Parameter: 0%\n-----------------------\nParameter: 0%\n-----------------------\n"
        "Parameter: 0%\n-----------------------\n\n";
    EXPECT_EQ(c.Coverings(7, 3, nullptr, 0), empty);
    // n = 0: nothing to cover, and no division by it.
    const std::vector<std::string> lines = TextLines(c.Coverings(1, 0, nullptr, 0));
    EXPECT_EQ(lines[0], "Parameter: 0%");
    EXPECT_EQ(lines[1], "(1=0)=>(2= 1 ) 3 0  1 1");
    EXPECT_EQ(lines[2], "-----------------------");
}

TEST(SaveCoverings, APassStopsAfterFiveRulesOfSupportOneOrOnceMoreThanNinetyFivePercentAreCovered) {
    // Ten objects of class 1, each matched by a rule of its own: support 1 every time, so
    // every pass ends after five rules.
    TTable t;
    t.CreateTable(12, 2);
    for (int o = 0; o < 12; ++o) {
        t.SetTable(o, 0, o);
        t.SetTable(o, 1, o < 10 ? 1 : 0);
    }
    std::vector<std::unique_ptr<TRuleComp>> single;
    for (int o = 0; o < 10; ++o) single.push_back(RuleOf({{0, o}}, 1));
    StoredRules s(std::move(single));
    s.memory.CalcRulesInfo(&t, 0);
    const std::vector<std::string> lines = TextLines(CoveringsOf(s.memory, t, 1, 10));
    ASSERT_EQ(lines.size(), 5u * 7 + 1);
    for (int p = 0; p < 5; ++p) EXPECT_EQ(lines[static_cast<size_t>(p * 7)], "Parameter: 50%");

    // Nine objects under one rule and the tenth under another: 9 covered is not more than
    // trunc(9.5) = 9, so the pass goes on to the second rule.
    TTable u;
    u.CreateTable(10, 2);
    for (int o = 0; o < 10; ++o) {
        u.SetTable(o, 0, o == 9 ? 1 : 0);
        u.SetTable(o, 1, 1);
    }
    std::vector<std::unique_ptr<TRuleComp>> two;
    two.push_back(RuleOf({{0, 0}}, 1));
    two.push_back(RuleOf({{0, 1}}, 1));
    StoredRules p(std::move(two));
    p.memory.CalcRulesInfo(&u, 0);
    const std::vector<std::string> pl = TextLines(CoveringsOf(p.memory, u, 1, 10));
    EXPECT_EQ(pl[0], "Parameter: 100%");
    EXPECT_EQ(pl[1], "(0=0)=>(1= 1 ) 9 0  1 0");
    EXPECT_EQ(pl[2], "(0=1)=>(1= 1 ) 1 0  1 0");
    EXPECT_EQ(pl[3], "-----------------------");
}

TEST(SaveCoverings, WithoutRulesTheProcessEnds) {
    TRulMemory empty;
    auto t = MakeTable({{0, 1}});
    const std::string out = StdoutOfExitZero([&] {
        std::ostringstream file;
        empty.SaveCoverings(file, *t, 1, 1, nullptr, 0);
    });
    EXPECT_EQ(out, "BLAD KRYTYCZNY w TRulMemory::SaveCoverings: BRAK REGUL\n");
}

}  // namespace
