#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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

}  // namespace
