#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
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
#include "rough/reasoning/discernibility.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"

namespace {

// The coverings file of class d; standard output goes to *out when asked for.
std::string CoveringsOf(TRulMemory& m, const TTable& t, int d, int n, const TDictioSet* dict = nullptr,
                        int mode = 0, std::string* out = nullptr) {
    std::ostringstream file;
    testing::internal::CaptureStdout();
    m.SaveCoverings(file, t, d, n, dict, mode);
    const std::string written = testing::internal::GetCapturedStdout();
    if (out != nullptr) *out = written;
    return file.str();
}

// A memory holding rules of one descriptor (a0 = value, decision), evaluated on t; walk[i]
// is the i-th rule in walk order.
struct StoredRules {
    TRulMemory memory;
    std::vector<TRuleComp*> walk;

    StoredRules(TTable& t, std::initializer_list<std::pair<int, int>> rules) {
        QuietModeGuard quiet;
        for (auto [v, d] : rules) memory.InsertRule(RuleOf({{0, v}}, d));
        memory.CalcRulesInfo(&t, 2);
        walk.resize(static_cast<size_t>(memory.GetNoRules()));
        int n = 0;
        memory.GetRoot()->Flatten(walk.data(), n);
    }
    TLeaf& Root() { return *memory.GetRoot(); }
};

TEST(CoverShares, SharesCountsSumsAndRoulettePicksOverTheOpenRulesOfAClass) {
    auto t = MakeTable({{0, 1}, {0, 1}, {1, 1}, {1, 0}, {2, 0}});
    StoredRules s(*t, {{0, 1}, {1, 1}, {2, 0}});
    TRuleComp& r0 = *s.walk[0];  // o0 o1
    TRuleComp& r1 = *s.walk[1];  // o2, and o3 of class 0
    int covered[5] = {1, 0, 0, 0, 0};
    s.Root().CalcCoverShares(*t, covered, 1);
    EXPECT_EQ(r0.GetCoverShare(), 0.25f);
    EXPECT_EQ(r1.GetCoverShare(), 0.5f);
    EXPECT_EQ(s.walk[2]->GetCoverShare(), 0.0f);  // another class
    int count = 0;
    double sum = 0.0;
    s.Root().CountAboveThreshold(0.3, count, 1);
    s.Root().SumAboveThreshold(0.25, sum, 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(sum, 0.75);
    // The running sum reaches 0.5 at the second rule, which takes o2 and o3.
    double running = 0.0;
    int coveredCount = 1;
    EXPECT_EQ(s.Root().RoulettePick(0.2, 0.5, running, *t, covered, coveredCount, 1), 1);
    EXPECT_EQ(running, 0.75);
    EXPECT_EQ(coveredCount, 3);
    EXPECT_EQ(std::vector<int>(covered, covered + 5), (std::vector<int>{1, 0, 1, 1, 0}));
    EXPECT_EQ(std::pair(r0.IsSelected(), r1.IsSelected()), std::pair(0, 1));
    // A selected rule keeps its share and is off the wheel.
    s.Root().CalcCoverShares(*t, covered, 1);
    EXPECT_EQ(r0.GetCoverShare(), 0.5f);
    running = 0.0;
    EXPECT_EQ(s.Root().RoulettePick(0.0, 0.6, running, *t, covered, coveredCount, 1), 0);
    EXPECT_EQ(running, 0.5);
    s.walk[2]->SetSelected(1);
    s.Root().ClearSelected(1);
    EXPECT_EQ(std::pair(r1.IsSelected(), s.walk[2]->IsSelected()), std::pair(0, 1));
    int all[5] = {1, 1, 1, 1, 1};
    s.Root().CalcCoverShares(*t, all, 1);
    EXPECT_EQ(r0.GetCoverShare(), 0.0f);
}

TEST(CoverShares, ARandomizedCoveringWritesSelectedRulesThatCoverTheClass) {
    TTable t;
    t.Load(VARNEL_TABLES "/contact-lenses.tab");
    TDValInfo classes;
    classes.CalcFromTable(t);
    TRulMemory m;
    testing::internal::CaptureStdout();
    m.CalculateRulesLEM2(&t, classes, 0.0);
    testing::internal::GetCapturedStdout();
    TLeaf& root = *m.GetRoot();
    SeedRand(5);
    for (int d : {2, 0, 1}) {
        // Objects of other classes count as covered: shares are parts of the class.
        std::vector<int> covered;
        for (int o = 0; o < t.GetNoObj(); ++o) covered.push_back(t.Value(o, 4) == d ? 0 : 1);
        int coveredCount = static_cast<int>(std::count(covered.begin(), covered.end(), 1));
        root.ClearSelected(d);
        int picks = 0;
        for (; coveredCount < t.GetNoObj(); ++picks) {
            ASSERT_LT(picks, m.GetNoRules());
            root.CalcCoverShares(t, covered.data(), d);
            int count = 0;
            double total = 0.0;
            root.CountAboveThreshold(1e-6, count, d);
            root.SumAboveThreshold(1e-6, total, d);
            double running = 0.0;
            ASSERT_GT(count, 0);
            ASSERT_EQ(root.RoulettePick(1e-6, Rand() / 32768.0 * total, running, t, covered.data(), coveredCount, d), 1);
        }
        std::ostringstream file;
        root.SaveRulesEx(file, 4, nullptr, 0, d);
        std::vector<int> matched(static_cast<size_t>(t.GetNoObj()));
        const std::vector<std::string> lines = TextLines(file.str());
        EXPECT_EQ(static_cast<int>(lines.size()), picks);
        for (const std::string& line : lines) {
            std::istringstream in(line);
            TRuleComp probe;
            probe.GetBlock()->Read(in);
            probe.SetDecision(d);
            const TRuleComp* found = root.Find(&probe);
            ASSERT_NE(found, nullptr) << line;
            EXPECT_EQ(found->IsSelected(), 1) << line;
            for (int o = 0; o < t.GetNoObj(); ++o) matched[static_cast<size_t>(o)] |= found->TestObj(t, o);
        }
        for (int o = 0; o < t.GetNoObj(); ++o) EXPECT_EQ(matched[static_cast<size_t>(o)], t.Value(o, 4) == d ? 1 : 0);
    }
}

TEST(RuleEntries, SortMovesEachRuleWithItsCount) {
    // Not stable: counts 2 1 2 1 of rules A B C D end as D B A C.
    auto t = MakeTable({{0, 0}});
    StoredRules s(*t, {{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    std::vector<TRuleComp*> rules = s.walk;
    int counts[4] = {2, 1, 2, 1};
    TRulMemory::SortRuleEntries(rules.data(), counts, 0, 3);
    EXPECT_EQ(rules, (std::vector<TRuleComp*>{s.walk[3], s.walk[1], s.walk[0], s.walk[2]}));
    EXPECT_EQ(std::vector<int>(counts, counts + 4), (std::vector<int>{1, 1, 2, 2}));
}

// Class 1; (1=1) also matches the class-0 object, which no pass marks, so it keeps counting.
struct CoveringCase {
    std::unique_ptr<TTable> t = MakeTable({{0, 0, 1}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {2, 1, 0}});
    TRulMemory memory;
    std::string Coverings(int n, const TDictioSet* dict, int mode, std::string* out = nullptr) {
        QuietModeGuard quiet;
        for (auto [a, v] : std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}) memory.InsertRule(RuleOf({{a, v}}, 1));
        memory.InsertRule(RuleOf({{0, 2}}, 0));
        memory.CalcRulesInfo(t.get(), 2);
        return CoveringsOf(memory, *t, 1, n, dict, mode, out);
    }
};

TEST(SaveCoverings, FivePassesEachStartingFurtherInTheOrderThePassesBeforeLeft) {
    // Pass 0: (1=0) (three new), then (1=1) (o3, o4) before (0=1) (o3). Pass 1 starts at the
    // second entry of that order; pass 3 runs out of rules; pass 4 has none left.
    std::string out;
    const std::string d = "=>(2= 1 ) ";
    const std::string a = "(1=0)" + d + "3 0  1 1\n", b = "(1=1)" + d + "1 1  0.5 0.5\n";
    const std::string c = "(0=0)" + d + "2 0  1 1\n", e = "(0=1)" + d + "2 0  1 1\n";
    const std::string line = "-----------------------\n";
    EXPECT_EQ(CoveringCase().Coverings(4, nullptr, 0, &out),
              "Parameter: 100%\n" + a + b + line + "Parameter: 100%\n" + b + c + e + line + "Parameter: 100%\n" + c +
                  e + line + "Parameter: 50%\n" + e + line + "Parameter: 0%\n" + line + "\n");
    EXPECT_EQ(out, ".\n.\n.\n.\nUWAGA: Cos nie tak!(cur_rul_num>=NoDVRule)\n.\n");
    // n = 0 divides by nothing.
    EXPECT_EQ(TextLines(CoveringCase().Coverings(0, nullptr, 0))[0], "Parameter: 0%");
    // The decision attribute is named from the dictionary in every mode.
    TDictioSet dict;
    for (const char* name : {"size", "shape", "kind"}) dict.AddAttr(name);
    for (int a : {0, 1}) {
        for (const char* text : {"low", "high"}) dict.AddText(a, text);
    }
    EXPECT_EQ(TextLines(CoveringCase().Coverings(4, &dict, 0))[1], "(1=0)=>(kind= 1 ) 3 0  1 1");
    EXPECT_EQ(TextLines(CoveringCase().Coverings(4, &dict, 1))[2], "(shape=high)=>(kind= 1 ) 1 1  0.5 0.5");
}

TEST(SaveCoverings, PassesStopAfterFiveRulesOfSupportOneOrAboveNinetyFivePercent) {
    // Ten objects of class 1 with a rule each: every pass stops after five rules.
    TTable t;
    t.CreateTable(12, 2);
    for (int o = 0; o < 12; ++o) {
        t.SetTable(o, 0, o);
        t.SetTable(o, 1, o < 10 ? 1 : 0);
    }
    StoredRules s(t, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}});
    const std::vector<std::string> lines = TextLines(CoveringsOf(s.memory, t, 1, 10));
    ASSERT_EQ(lines.size(), 5u * 7 + 1);
    for (size_t p = 0; p < 5; ++p) EXPECT_EQ(lines[p * 7], "Parameter: 50%");
    // Nine objects under one rule: 9 is not more than trunc(9.5), so the tenth's rule follows.
    for (int o = 0; o < 12; ++o) t.SetTable(o, 0, o == 9 ? 1 : (o < 10 ? 0 : 5));
    StoredRules u(t, {{0, 1}, {1, 1}});
    EXPECT_EQ(TextLines(CoveringsOf(u.memory, t, 1, 10))[2], "(0=1)=>(1= 1 ) 1 0  1 1");
    EXPECT_EQ(StdoutOfExitZero([&] {
                  std::ostringstream file;
                  TRulMemory().SaveCoverings(file, t, 1, 1, nullptr, 0);
              }),
              "BLAD KRYTYCZNY w TRulMemory::SaveCoverings: BRAK REGUL\n");
}

// The counts kept up to date as objects are covered give the coverings the recount over the
// table gives, with LEM2's rules of random tables (small values, so counts and lengths tie)
// and of real ones, for every class.
TEST(SaveCoverings, KeptCountsGiveWhatTheRecountGives) {
    std::vector<std::unique_ptr<TTable>> tables;
    SeedRand(23);
    for (int round = 0; round < 12; ++round) {
        auto t = std::make_unique<TTable>();
        const int objects = 20 + Rand() % 120;
        const int attributes = 2 + Rand() % 4;
        t->CreateTable(objects, attributes + 1);
        for (int o = 0; o < objects; ++o) {
            for (int a = 0; a <= attributes; ++a) t->SetTable(o, a, Rand() % (a == attributes ? 3 : 4));
        }
        tables.push_back(std::move(t));
    }
    for (const char* name : {"vote.tab", "breast-cancer.tab"}) {
        auto t = std::make_unique<TTable>();
        t->Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        tables.push_back(std::move(t));
    }
    for (const auto& t : tables) {
        TDValInfo classes;
        classes.CalcFromTable(*t);
        TRulMemory rules;
        testing::internal::CaptureStdout();
        rules.CalculateRulesLEM2(t.get(), classes, 0.0);
        rules.CalcRulesInfo(t.get(), 2);
        testing::internal::GetCapturedStdout();
        ASSERT_GT(rules.GetNoRules(), 0);
        for (int k = 0; k < classes.GetNoDecVal(); ++k) {
            const int d = classes.GetDecVal(k);
            const int n = classes.GetDCNoObj(k);
            std::string keptOut;
            std::string recountOut;
            const std::string kept = CoveringsOf(rules, *t, d, n, nullptr, 0, &keptOut);
            TRulMemory::SetCoveringMatchLimit(1);
            const std::string recount = CoveringsOf(rules, *t, d, n, nullptr, 0, &recountOut);
            TRulMemory::SetCoveringMatchLimit(0);
            ASSERT_EQ(kept, recount) << t->GetNoObj() << " objects, class " << d;
            ASSERT_EQ(keptOut, recountOut);
        }
    }
}

// The counts are held as far as the memory working lists may take holds them (set here as a
// test sets it), and no further than an int indexes; a bound a test sets comes first.
TEST(SaveCoverings, CountsAreHeldAsFarAsTheMemoryHoldsThem) {
    discern::SetTermMemoryLimit(4LL << 30);
    // 45,000 objects each matched by a quarter of 1,520 rules.
    EXPECT_GE(TRulMemory::CoveringMatchLimit(), 45000LL * 380);
    discern::SetTermMemoryLimit(64LL << 20);
    const long long small = TRulMemory::CoveringMatchLimit();
    EXPECT_GT(small, 1LL << 20);
    // At least an int per match each way.
    EXPECT_LE(small * 2 * static_cast<long long>(sizeof(int)), 64LL << 20);
    discern::SetTermMemoryLimit(1LL << 45);
    EXPECT_EQ(TRulMemory::CoveringMatchLimit(), INT_MAX);
    TRulMemory::SetCoveringMatchLimit(40);
    EXPECT_EQ(TRulMemory::CoveringMatchLimit(), 40);
    TRulMemory::SetCoveringMatchLimit(0);
    EXPECT_EQ(TRulMemory::CoveringMatchLimit(), INT_MAX);
    discern::SetTermMemoryLimit(0);
}

}  // namespace
