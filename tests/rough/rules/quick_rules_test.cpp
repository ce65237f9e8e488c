#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/decision/dec_mem.h"
#include "rough/rules/quick_rules.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rules/rule_recorder.h"
#include "tests/support/rule_checks.h"

namespace {

// A generator wired to a recorder.
struct Recorded {
    explicit Recorded(TTable* t) : g(t) { g.SetReceiver(&rec); }
    RuleRecorder rec;
    ReductGenerator g;
};

std::vector<int> ViewOrder(const ReductGenerator& g) {
    std::vector<int> out;
    for (int p = 0; p < g.GetView().GetObjCount(); ++p) out.push_back(g.GetView().GetObjAt(p));
    return out;
}

std::vector<int> Covers(const ReductGenerator& g, int n) {
    std::vector<int> out;
    for (int o = 0; o < n; ++o) out.push_back(g.GetCoverCount(o));
    return out;
}

std::vector<int> Flags(const ReductGenerator& g, int n) {
    std::vector<int> out;
    for (int o = 0; o < n; ++o) out.push_back(g.IsCoveredByLastCheck(o));
    return out;
}

ObjectRule Rule(int object, std::vector<int> attrs) {
    ObjectRule r;
    r.object = object;
    r.attrs = std::move(attrs);
    return r;
}

// Four objects over two conditions: only a0 = 1 and a1 = 1 decide alone; o0 needs both.
std::unique_ptr<TTable> CornerTable() {
    return MakeTable({{0, 0, 0}, {0, 1, 1}, {1, 0, 1}, {1, 1, 1}});
}

// A third condition splits (0, 0): o4 differs from o0 only there.
std::unique_ptr<TTable> SplitCornerTable() {
    return MakeTable({{0, 0, 0, 0}, {0, 1, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 0, 1, 1}});
}

TEST(ReductGenerator, ConsistencyIsJudgedOnGeneralizedDecisionsNotOnRawOnes) {
    // o0 and o1 agree on every condition with different decisions: their class is
    // consistent (one generalized decision), so a0 = 0 decides alone while a0 = 1 does not;
    // a1 = 1 holds o3 alone.
    auto t = MakeTable({{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 0}});
    ReductGenerator g(t.get());
    int count = -1;
    const int both[] = {0, 1, -1};
    EXPECT_EQ(g.CheckConsistency(both, count), 1);
    EXPECT_EQ(count, 4);
    const int first[] = {0, -1};
    EXPECT_EQ(g.CheckConsistency(first, count), 0);
    EXPECT_EQ(Flags(g, 4), (std::vector<int>{1, 1, 0, 0}));
    EXPECT_EQ(count, 2);

    RuleRecorder rec;
    g.SetReceiver(&rec);
    g.SingleAttributePass();
    ASSERT_EQ(rec.rules.size(), 2u);
    EXPECT_EQ(rec.rules[0].attrs, (std::vector<int>{0}));
    EXPECT_TRUE(rec.rules[0].object == 0 || rec.rules[0].object == 1);
    EXPECT_EQ(rec.rules[1], Rule(3, {1}));
    EXPECT_EQ(rec.reducts, 0);
}

TEST(ReductGenerator, CheckConsistencyCountsOnlyObjectsAtTheMinimumCover) {
    auto t = CornerTable();
    ReductGenerator g(t.get());
    g.SingleAttributePass();
    // a0 = 1 covered o2 and o3, a1 = 1 covered o1 and o3.
    EXPECT_EQ(Covers(g, 4), (std::vector<int>{0, 1, 1, 2}));
    EXPECT_EQ(g.GetMinCover(), 0);
    EXPECT_EQ(g.GetNoAtMin(), 1);

    int count = -1;
    const int first[] = {0, -1};
    EXPECT_EQ(g.CheckConsistency(first, count), 0);
    EXPECT_EQ(Flags(g, 4), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(count, 0);  // the flagged objects are covered already
    const int both[] = {1, 0, -1};
    EXPECT_EQ(g.CheckConsistency(both, count), 1);
    EXPECT_EQ(count, 1);  // o0 alone is at the minimum
}

TEST(ReductGenerator, ACachedSubsetAnswersForItsSupersetsWithoutSorting) {
    auto t = MakeTable({{0, 2, 5, 0}, {1, 1, 4, 1}, {0, 0, 3, 0}, {2, 2, 3, 1}, {1, 0, 5, 1}});
    ReductGenerator g(t.get());
    int count = -1;
    const int first[] = {0, -1};
    ASSERT_EQ(g.CheckConsistency(first, count), 1);
    EXPECT_EQ(g.GetCacheCount(), 1);
    const int third[] = {2, -1};
    EXPECT_EQ(g.CheckConsistency(third, count), 0);
    EXPECT_EQ(Flags(g, 5), (std::vector<int>{0, 1, 0, 0, 0}));  // a2 = 4 holds o1 alone
    const std::vector<int> before = ViewOrder(g);

    const int superset[] = {2, 1, 0, -1};
    EXPECT_EQ(g.CheckConsistency(superset, count), 1);
    EXPECT_EQ(ViewOrder(g), before);
    EXPECT_EQ(Flags(g, 5), (std::vector<int>{1, 1, 1, 1, 1}));
    EXPECT_EQ(count, g.GetNoAtMin());
    EXPECT_EQ(count, 5);

    // ClassCount answers with the cached cost, the classes of {0}, not those of the list.
    EXPECT_EQ(g.ClassCount(superset), 3);
    EXPECT_EQ(ViewOrder(g), before);

    // The subset form reads its members in ascending order.
    TTableView::Subset s(4);
    s.Set(2);
    s.Set(0);
    EXPECT_EQ(g.CheckConsistency(s, count), 1);
    EXPECT_EQ(ViewOrder(g), before);
}

TEST(ReductGenerator, ClassCountRemembersFailuresAndCachesSuccesses) {
    auto t = MakeTable({{0, 0, 0, 0}, {0, 1, 0, 1}, {1, 0, 1, 1}, {1, 1, 1, 1}, {2, 0, 0, 0}});
    ReductGenerator g(t.get());
    const int second[] = {1, -1};
    EXPECT_EQ(g.ClassCount(second), 0);
    EXPECT_EQ(g.GetCacheCount(), 0);
    const int third[] = {2, -1};
    EXPECT_EQ(g.ClassCount(third), 0);
    const std::vector<int> before = ViewOrder(g);
    EXPECT_EQ(g.ClassCount(second), 0);  // from the failure set: no sort
    EXPECT_EQ(ViewOrder(g), before);

    const int both[] = {1, 0, -1};
    EXPECT_EQ(g.ClassCount(both), 5);
    EXPECT_EQ(g.GetCacheCount(), 1);
    int count = -1;
    EXPECT_EQ(g.CheckConsistency(both, count), 1);  // the entry ClassCount made
    const int empty[] = {-1};
    EXPECT_EQ(g.ClassCount(empty), 0);  // one class holding both decisions
}

TEST(ReductGenerator, ShortenPermutationKeepsOnlyTheNeededAttributes) {
    // {0, 1} is consistent and each of 0 and 1 is needed; attribute 2 splits (0, 0) and
    // (1, 1) so that the classes of {0, 1, 2} outnumber those of {0, 1}.
    auto t = MakeTable({{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 0}, {1, 1, 1, 0}});
    ReductGenerator g(t.get());
    const int permutation[] = {0, 1, 3, 2};  // the decision 3 is passed over
    g.ShortenPermutation(permutation);
    // {0, 1, 2} entered the cache first and was evicted by its subset {0, 1}.
    EXPECT_EQ(g.GetCacheCount(), 1);
    const int all[] = {2, 1, 0, -1};
    EXPECT_EQ(g.ClassCount(all), 4);
    // The failures {2, 1} and {0, 2} answer without a sort.
    const int probe[] = {0, -1};
    int count = 0;
    g.CheckConsistency(probe, count);
    const std::vector<int> before = ViewOrder(g);
    const int failed1[] = {2, 1, -1};
    const int failed2[] = {0, 2, -1};
    EXPECT_EQ(g.ClassCount(failed1), 0);
    EXPECT_EQ(g.ClassCount(failed2), 0);
    EXPECT_EQ(ViewOrder(g), before);
}

TEST(ReductGenerator, ShortenSendsTheObjectsThatOnlyTheWholeListDescribes) {
    auto t = CornerTable();
    Recorded r(t.get());
    ReductGenerator& g = r.g;
    std::vector<ObjectRule>& rules = r.rec.rules;
    int best = -1;
    const int list[] = {0, 1, -1};
    // Without a1, a0 = 1 still holds o2 and o3: two uncovered objects, the most.
    EXPECT_EQ(g.Shorten(list, best), 1);
    EXPECT_EQ(best, 2);
    EXPECT_EQ(rules, (std::vector<ObjectRule>{Rule(0, {0, 1})}));
    EXPECT_EQ(Covers(g, 4), (std::vector<int>{1, 0, 0, 0}));

    // The same subset again, in either order, sends nothing.
    EXPECT_EQ(g.Shorten(list, best), 1);
    const int reversed[] = {1, 0, -1};
    EXPECT_EQ(g.Shorten(reversed, best), 0);
    EXPECT_EQ(rules.size(), 1u);
    EXPECT_EQ(Covers(g, 4), (std::vector<int>{1, 0, 0, 0}));
}

TEST(ReductGenerator, ShortenStopsAtTheFirstConsistentSublist) {
    // a2 mirrors a0, so {0, 2} keeps only o2 and o3 while {0, 1} is consistent.
    auto t = MakeTable({{0, 0, 6, 0}, {0, 1, 6, 1}, {1, 0, 5, 1}, {1, 1, 5, 1}});
    Recorded r(t.get());
    ReductGenerator& g = r.g;
    std::vector<ObjectRule>& rules = r.rec.rules;
    int best = -1;
    const int list[] = {0, 2, 1, -1};
    EXPECT_EQ(g.Shorten(list, best), 2);
    EXPECT_EQ(best, 4);
    EXPECT_TRUE(rules.empty());
    EXPECT_EQ(Covers(g, 4), (std::vector<int>{0, 0, 0, 0}));
    // {2, 1}, the sublist after the consistent one, was never sorted by.
    int count = 0;
    const int later[] = {2, 1, -1};
    const std::vector<int> before = ViewOrder(g);
    g.CheckConsistency(later, count);
    EXPECT_NE(ViewOrder(g), before);
}

TEST(ReductGenerator, CandidatesOfASkippedListAreNotSentUnderTheNextOne) {
    auto t = SplitCornerTable();
    Recorded r(t.get());
    ReductGenerator& g = r.g;
    std::vector<ObjectRule>& rules = r.rec.rules;
    int best = 0;
    const int all[] = {0, 1, 2, -1};
    g.Shorten(all, best);
    EXPECT_EQ(rules, (std::vector<ObjectRule>{Rule(0, {0, 1, 2})}));
    g.Shorten(all, best);  // already sent: o0 is a candidate again but nothing is sent
    // On {0, 1}, o0 shares its class with o4 of another decision; no single removal is
    // consistent, so the list reaches its sending step without any candidate of its own.
    const int pair[] = {0, 1, -1};
    g.Shorten(pair, best);
    EXPECT_EQ(rules.size(), 1u);
    EXPECT_EQ(Covers(g, 5), (std::vector<int>{1, 0, 0, 0, 0}));
}

TEST(ReductGenerator, ACachedListSendsAlongTheOrderLeftByTheLastSort) {
    // {0, 1} decides every object and neither attribute does alone; o0 and o4 share (0, 0)
    // but lie apart once the view is sorted by a2.
    auto t = MakeTable({{0, 0, 0, 0}, {0, 1, 0, 1}, {1, 0, 1, 1}, {1, 1, 1, 1}, {0, 0, 2, 0}});
    Recorded r(t.get());
    ReductGenerator& g = r.g;
    int count = 0;
    const int pair[] = {0, 1, -1};
    ASSERT_EQ(g.CheckConsistency(pair, count), 1);
    const int third[] = {2, -1};
    g.CheckConsistency(third, count);
    int best = 0;
    g.Shorten(pair, best);
    // Not sorted by the list, so each of the two runs of the class sends the same rule.
    ASSERT_EQ(r.rec.rules.size(), 2u);
    EXPECT_EQ(r.rec.rules[0].attrs, (std::vector<int>{0, 1}));
    EXPECT_EQ(r.rec.rules[1].attrs, (std::vector<int>{0, 1}));
    EXPECT_EQ(r.rec.rules[0].object + r.rec.rules[1].object, 4);
    EXPECT_EQ(Covers(g, 5), (std::vector<int>{1, 0, 0, 0, 1}));
}

TEST(ReductGenerator, SingleAttributePassGivesOneRulePerConsistentValueAndRunsOnce) {
    // a0 decides alone; a1 is inconsistent on each of its values.
    auto t = MakeTable({{2, 0, 1}, {0, 1, 0}, {1, 0, 0}, {2, 1, 1}, {0, 0, 0}, {1, 1, 0}, {2, 0, 1}});
    Recorded r(t.get());
    ReductGenerator& g = r.g;
    std::vector<ObjectRule>& rules = r.rec.rules;
    SeedRand(11);
    g.Generate(0.0);
    ASSERT_EQ(rules.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(rules[static_cast<size_t>(k)].attrs, (std::vector<int>{0}));
        EXPECT_EQ(t->Value(rules[static_cast<size_t>(k)].object, 0), k);  // values ascending
    }
    EXPECT_EQ(Covers(g, 7), (std::vector<int>{1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(g.GetMinCover(), 1);
    g.SingleAttributePass();
    EXPECT_EQ(rules.size(), 3u);
    EXPECT_EQ(Covers(g, 7), (std::vector<int>{1, 1, 1, 1, 1, 1, 1}));
}

TEST(ReductGenerator, TheLastObjectOfEachClassInTheViewOrderSendsItsRule) {
    auto t = MakeTable({{1, 0}, {0, 1}, {1, 0}, {0, 1}, {2, 1}, {1, 0}, {0, 1}});
    Recorded r(t.get());
    ReductGenerator& g = r.g;
    std::vector<ObjectRule>& rules = r.rec.rules;
    g.SingleAttributePass();
    ASSERT_EQ(rules.size(), 3u);
    // One condition attribute: the view stays sorted by it.
    std::map<int, int> lastOfValue;
    for (int p = 0; p < 7; ++p) lastOfValue[t->Value(g.GetView().GetObjAt(p), 0)] = g.GetView().GetObjAt(p);
    for (int v = 0; v < 3; ++v) EXPECT_EQ(rules[static_cast<size_t>(v)], Rule(lastOfValue[v], {0}));
}

TEST(ReductGenerator, GenerateCoversTheLastObjectWithTheShuffledPair) {
    auto t = CornerTable();
    bool seenEach[2] = {false, false};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        Recorded r(t.get());
        ReductGenerator& g = r.g;
        std::vector<ObjectRule>& rules = r.rec.rules;
        SeedRand(seed);
        g.Generate(0.0);
        // Neither attribute decides every object alone, so five trials ran (two draws each)
        // before the order of the passes was drawn.
        SeedRand(seed);
        for (int k = 0; k < 10; ++k) Rand();
        std::vector<int> order{0, 1, 2};
        for (int i = 2; i >= 1; --i) std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(Rand() % (i + 1))]);
        std::vector<int> pair;
        for (int a : order) {
            if (a != 2) pair.push_back(a);
        }
        ASSERT_EQ(rules.size(), 3u);
        EXPECT_EQ(rules[0].attrs, (std::vector<int>{0}));
        EXPECT_EQ(rules[1].attrs, (std::vector<int>{1}));
        EXPECT_EQ(rules[2], Rule(0, pair));
        seenEach[pair[0]] = true;
        EXPECT_EQ(g.GetMinCover(), 1);
    }
    EXPECT_TRUE(seenEach[0] && seenEach[1]);  // the lists are not sorted
}

// Rand() after a call equals the draw that follows `draws` draws from the same seed.
void ExpectDraws(const std::function<void()>& work, unsigned seed, int draws) {
    SeedRand(seed);
    work();
    const int next = Rand();
    SeedRand(seed);
    for (int k = 0; k < draws; ++k) Rand();
    EXPECT_EQ(Rand(), next);
}

TEST(ReductGenerator, RandomTrialsDrawOnlyForAnEmptyCache) {
    auto corner = CornerTable();  // 3 attributes, no consistent single attribute
    ExpectDraws([&] {
        ReductGenerator g(corner.get());
        g.Generate(1.0);
    }, 7, 5 * 2 + 2);
    ExpectDraws([&] {
        ReductGenerator g(corner.get());
        g.RandomTrials(5);
        g.RandomTrials(5);  // the first filled the cache
    }, 7, 5 * 2);
    ExpectDraws([&] {
        ReductGenerator g(corner.get());
        g.RandomTrials(2);  // 2 / 3 = 0 entries needed: never
    }, 7, 0);
    // a0 decides every object alone: covered at once, the passes never begin.
    auto decided = MakeTable({{0, 5, 2, 0}, {1, 5, 2, 1}, {0, 6, 3, 0}});
    ExpectDraws([&] {
        ReductGenerator g(decided.get());
        g.Generate(1.0);
    }, 7, 0);
}

TEST(ReductGenerator, TheFractionBoundsTheObjectsLeftUncovered) {
    auto t = MakeTable({{0, 0, 0, 0},
                        {0, 1, 1, 1},
                        {1, 0, 1, 0},
                        {1, 1, 0, 1},
                        {2, 2, 0, 1},
                        {2, 2, 1, 0},
                        {3, 0, 2, 1},
                        {3, 1, 2, 1}});
    RuleChecker checker(*t);
    for (double fraction : {1.0, 0.99, 0.5, 0.25, 0.0}) {
        SCOPED_TRACE(fraction);
        ReductGenerator single(t.get());
        RuleRecorder only;
        single.SetReceiver(&only);
        single.SingleAttributePass();

        Recorded r(t.get());
        ReductGenerator& g = r.g;
        std::vector<ObjectRule>& rules = r.rec.rules;
        SeedRand(3);
        g.Generate(fraction);
        int uncovered = 0;
        for (int o = 0; o < 8; ++o) uncovered += g.GetCoverCount(o) == 0 ? 1 : 0;
        EXPECT_LE(uncovered, 8 * fraction);
        if (fraction == 1.0) {
            EXPECT_EQ(rules, only.rules);
            EXPECT_GT(uncovered, 0);
        }
        if (fraction == 0.0) {
            EXPECT_EQ(checker.FirstUncovered(rules), -1);
        }
    }
}

TEST(ReductGenerator, TablesWithoutRealChoicesEnd) {
    // One condition attribute: its classes are those of the generalized decision, so the
    // single-attribute pass covers everything, the mixed value 0 included.
    auto one = MakeTable({{0, 0}, {0, 1}, {1, 1}, {2, 0}});
    for (double fraction : {0.0, 0.25, 1.0}) {
        Recorded r(one.get());
        ReductGenerator& g = r.g;
        std::vector<ObjectRule>& rules = r.rec.rules;
        g.Generate(fraction);
        ASSERT_EQ(rules.size(), 3u);
        EXPECT_EQ(rules[2], Rule(3, {0}));
        EXPECT_EQ(Covers(g, 4), (std::vector<int>{1, 1, 1, 1}));
    }
    // Only a decision column: nothing to describe with, and no pass gets anywhere.
    auto bare = MakeTable({{0}, {1}, {1}});
    for (double fraction : {0.0, 1.0}) {
        Recorded r(bare.get());
        ReductGenerator& g = r.g;
        std::vector<ObjectRule>& rules = r.rec.rules;
        g.Generate(fraction);
        EXPECT_TRUE(rules.empty());
    }
}

TEST(ReductGenerator, NoObjectsGiveNoRulesAndNoDraws) {
    ScratchDir dir;
    WriteFileBytes(dir.File("t"), "0 3\n");
    TTable t;
    t.Load(dir.File("t").c_str());
    ExpectDraws([&] {
        ReductGenerator g(&t);
        RuleRecorder rec;
        g.SetReceiver(&rec);
        g.Generate(0.0);
        EXPECT_TRUE(rec.rules.empty());
    }, 5, 0);
}

TEST(ReductGeneratorDeathTest, ARuleWithoutObjectEndsTheProcess) {
    auto t = CornerTable();
    const std::string expected = "CRITICAL ERROR: NOT IMPLEMENTED YET!\n In: ReductGenerator::TransmitReduct\n";
    EXPECT_EQ(StdoutOfExitZero([&] {
        ReductGenerator g(t.get());
        const int list[] = {0, -1};
        g.TransmitReduct(-1, list);
    }), expected);
    EXPECT_EQ(StdoutOfExitZero([&] {
        ReductGenerator g(t.get());
        const int both[] = {0, 1, -1};
        g.ClassCount(both);
        g.TransmitCachedReducts();
    }), expected);

    ReductGenerator empty(t.get());
    RuleRecorder rec;
    empty.SetReceiver(&rec);
    empty.TransmitCachedReducts();  // nothing cached, nothing sent
    EXPECT_TRUE(rec.rules.empty());
}

// ---- Properties of a full covering

// Multi-attribute lists all follow the one order drawn for the passes.
bool ShareOneOrder(const std::vector<ObjectRule>& rules) {
    std::set<std::pair<int, int>> before;
    for (const ObjectRule& r : rules) {
        for (size_t i = 0; i < r.attrs.size(); ++i) {
            for (size_t j = i + 1; j < r.attrs.size(); ++j) before.emplace(r.attrs[i], r.attrs[j]);
        }
    }
    for (const auto& [a, b] : before) {
        if (before.count({b, a})) return false;
    }
    return true;
}

void ExpectFullCovering(const TTable& t, unsigned seed, bool* sawUnsorted = nullptr) {
    Recorded r(const_cast<TTable*>(&t));
    ReductGenerator& g = r.g;
    std::vector<ObjectRule>& rules = r.rec.rules;
    SeedRand(seed);
    g.Generate(0.0);
    RuleChecker checker(t);
    EXPECT_EQ(checker.FirstUncovered(rules), -1);
    for (const ObjectRule& rule : rules) {
        EXPECT_TRUE(checker.IsConsistent(rule)) << "object " << rule.object << " contradicted by "
                                                << checker.Contradiction(rule.object, rule.attrs);
        EXPECT_TRUE(checker.IsMinimal(rule)) << "object " << rule.object << " needs no "
                                             << checker.NeedlessAttribute(rule);
        if (sawUnsorted != nullptr && !std::is_sorted(rule.attrs.begin(), rule.attrs.end())) *sawUnsorted = true;
    }
    const auto leading = checker.LeadingDescriptors(rules);
    EXPECT_EQ(leading, checker.ConsistentDescriptors());
    for (size_t k = leading.size(); k < rules.size(); ++k) EXPECT_GE(rules[k].attrs.size(), 2u);
    EXPECT_TRUE(ShareOneOrder(rules));
    for (int o = 0; o < t.GetNoObj(); ++o) EXPECT_GE(g.GetCoverCount(o), 1);
}

TEST(ReductGeneratorProperty, RandomTablesAreCoveredByConsistentMinimalRules) {
    bool sawUnsorted = false;
    int shape = 0;
    for (int noAttr : {2, 3, 5, 8}) {
        for (int values : {2, 3, 5}) {
            for (unsigned seed = 1; seed <= 6; ++seed) {
                SCOPED_TRACE(testing::Message() << noAttr << " attributes, " << values << " values, seed " << seed);
                TTable t;
                FillRandomTable(t, seed * 131 + static_cast<unsigned>(shape), 10 + 9 * static_cast<int>(seed), noAttr,
                                values, 2 + static_cast<int>(seed) % 3);
                // Missing conditions stay; a missing decision would be a decision value
                // above every code the view can hand out.
                for (int o = 0; o < t.GetNoObj(); ++o) {
                    if (t.Value(o, noAttr - 1) == TTable::MissingValue) t.SetTable(o, noAttr - 1, 0);
                }
                ExpectFullCovering(t, seed, &sawUnsorted);
            }
            ++shape;
        }
    }
    EXPECT_TRUE(sawUnsorted);
}

TEST(ReductGeneratorProperty, PublicTablesAreCoveredByConsistentMinimalRules) {
    for (const char* name : {"weather.nominal.tab", "contact-lenses.tab", "iris.tab", "labor.tab",
                             "breast-cancer.tab", "vote.tab"}) {
        TTable t;
        t.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        const unsigned seeds = t.GetNoObj() < 30 ? 30 : 2;
        for (unsigned seed = 1; seed <= seeds; ++seed) {
            SCOPED_TRACE(testing::Message() << name << " seed " << seed);
            ExpectFullCovering(t, seed);
        }
    }
}

}  // namespace
