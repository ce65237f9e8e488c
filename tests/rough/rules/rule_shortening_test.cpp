#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rules/split_rules.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_files.h"

namespace {

using Descriptors = std::vector<std::pair<int, int>>;

struct PlainRule {
    Descriptors descriptors;
    int decision = 0;
};

// Every stored rule in walk order as text: generating object, descriptors, decision,
// supports and weight.
std::vector<std::string> Walk(const TRulMemory& m) {
    std::vector<std::string> out;
    for (const TRuleComp* r : RulesInWalkOrder(m)) {
        std::string text = std::to_string(r->GetObject()) + ":";
        for (int i = 0; i < r->GetBlock()->GetNoDesc(); ++i) {
            text += " " + std::to_string(r->GetBlock()->GetAttr(i)) + "=" + std::to_string(r->GetBlock()->GetValue(i));
        }
        text += " -> " + std::to_string(r->GetDecision()) + " " + std::to_string(r->GetPosSupport()) + " " +
                std::to_string(r->GetNegSupport()) + " " + std::to_string(r->GetWeight());
        out.push_back(text);
    }
    return out;
}

std::vector<PlainRule> PlainRules(const TRulMemory& m) {
    std::vector<PlainRule> out;
    for (const TRuleComp* r : RulesInWalkOrder(m)) {
        PlainRule p;
        for (int i = 0; i < r->GetBlock()->GetNoDesc(); ++i) p.descriptors.emplace_back(r->GetBlock()->GetAttr(i), r->GetBlock()->GetValue(i));
        p.decision = r->GetDecision();
        out.push_back(p);
    }
    return out;
}

// The rules as a memory of their own, inserted in this order as rules without a generating
// object.
std::unique_ptr<TRulMemory> Inserted(const std::vector<PlainRule>& rules) {
    auto m = std::make_unique<TRulMemory>();
    QuietModeGuard quiet;
    for (const PlainRule& p : rules) {
        auto block = std::make_unique<TBlock>();
        for (auto [a, v] : p.descriptors) block->AddDescriptor(a, v);
        auto rule = std::make_unique<TRuleComp>(std::move(block), -1);
        rule->SetDecision(p.decision);
        m->InsertRule(std::move(rule));
    }
    return m;
}

// Descriptors and decision of every rule, in walk order.
std::vector<std::string> Conditions(const TRulMemory& m) {
    std::vector<std::string> out;
    for (const PlainRule& p : PlainRules(m)) {
        std::string text;
        for (auto [a, v] : p.descriptors) text += std::to_string(a) + "=" + std::to_string(v) + " ";
        out.push_back(text + "-> " + std::to_string(p.decision));
    }
    return out;
}

// The greedy shortening as written, on a rule's descriptors with an on/off list.
class LiteralShortening {
public:
    LiteralShortening(const TTable& t, float alfa) : t(t), alfa(alfa) {}

    static void Counts(const TTable& t, const PlainRule& r, const std::vector<bool>& on, int& same, int& other) {
        same = other = 0;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            bool all = true;
            for (size_t i = 0; i < on.size(); ++i) {
                if (on[i] && t.Value(o, r.descriptors[i].first) != r.descriptors[i].second) all = false;
            }
            if (all) ++(t.Value(o, t.GetNoAttr() - 1) == r.decision ? same : other);
        }
    }
    float Accuracy(const PlainRule& r, const std::vector<bool>& on) const {
        int same, other;
        Counts(t, r, on, same, other);
        return static_cast<float>(same + other == 0 ? 0.0 : static_cast<double>(same) / (same + other));
    }
    static double Ratio(const TTable& u, const PlainRule& r, const std::vector<bool>& on) {
        int same, other;
        Counts(u, r, on, same, other);
        if (same == 0 && other == 0) return 0.0;
        return other == 0 ? 1.0 : static_cast<double>(same) / other;
    }

    // Falls back to nothing for a dropped rule; with u the mask of the best ratio on u wins.
    bool Shorten(const PlainRule& r, PlainRule& out, const TTable* u = nullptr) const {
        const size_t n = r.descriptors.size();
        std::vector<bool> on(n, true);
        const float a0 = Accuracy(r, on);
        if (a0 < alfa) return false;
        std::vector<bool> kept = on;
        if (n > 1 && a0 != alfa) {
            double bestRatio = u != nullptr ? Ratio(*u, r, on) : 0.0;
            for (size_t m = n; m >= 2; --m) {
                float bestAcc = 0.0f;
                size_t chosen = n;
                for (size_t j = 0; j < n; ++j) {
                    if (!on[j]) continue;
                    on[j] = false;
                    const float acc = Accuracy(r, on);
                    on[j] = true;
                    if (acc > bestAcc) {
                        bestAcc = acc;
                        chosen = j;
                    }
                }
                if (bestAcc < alfa) break;
                on[chosen] = false;
                if (u != nullptr && Ratio(*u, r, on) > bestRatio) {
                    bestRatio = Ratio(*u, r, on);
                    kept = on;
                }
            }
            if (u == nullptr) kept = on;
        }
        out = Masked(r, kept);
        return true;
    }

    static PlainRule Masked(const PlainRule& r, const std::vector<bool>& on) {
        PlainRule out;
        out.decision = r.decision;
        for (size_t i = 0; i < on.size(); ++i) {
            if (on[i]) out.descriptors.push_back(r.descriptors[i]);
        }
        return out;
    }

    // Product over the switched-on descriptors of 1 - 2^-c, c counting the objects of other
    // decisions that only that descriptor keeps out.
    double Weight(const PlainRule& r, const std::vector<bool>& on) const {
        int m = 0;
        for (bool b : on) m += b;
        if (m == 1) return 1.0;
        std::vector<int> c(on.size(), 0);
        for (int o = 0; o < t.GetNoObj(); ++o) {
            if (t.Value(o, t.GetNoAttr() - 1) == r.decision) continue;
            int failing = -1, fails = 0;
            for (size_t i = 0; i < on.size(); ++i) {
                if (on[i] && t.Value(o, r.descriptors[i].first) != r.descriptors[i].second) {
                    ++fails;
                    failing = static_cast<int>(i);
                }
            }
            if (fails == 1 && m > 1) ++c[static_cast<size_t>(failing)];
        }
        double w = 1.0;
        for (size_t i = 0; i < on.size(); ++i) {
            if (on[i]) w *= 1.0 - std::pow(2.0, -c[i]);
        }
        return w;
    }

    // Shortening by weight; false when the rule stays out, moved when it goes over whole.
    bool ByWeight(const PlainRule& r, PlainRule& out, bool& moved) const {
        const size_t n = r.descriptors.size();
        std::vector<bool> on(n, true);
        const float a0 = Accuracy(r, on);
        moved = false;
        if (a0 < alfa) return false;
        if (n == 1 || a0 == alfa) {
            moved = true;
            out = r;
            return true;
        }
        double w = Weight(r, on);
        size_t removals = 0;
        for (size_t m = n; m >= 2; --m) {
            size_t chosen = n;
            double best = w;
            for (size_t j = 0; j < n; ++j) {
                if (!on[j]) continue;
                on[j] = false;
                if (Accuracy(r, on) >= alfa && Weight(r, on) > best) {
                    best = Weight(r, on);
                    chosen = j;
                }
                on[j] = true;
            }
            if (chosen == n) break;
            on[chosen] = false;
            w = best;
            ++removals;
        }
        if (removals == n - 1) {
            ++draws;
            on.assign(n, false);
            on[static_cast<size_t>(RandomInt(static_cast<int>(n)))] = true;
        }
        out = Masked(r, on);
        return true;
    }

    mutable int draws = 0;

private:
    const TTable& t;
    float alfa;
};

class RealTableShortening : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { split = LoadSplitRules(GetParam()); }
    std::unique_ptr<SplitRules> split;
};

TEST_P(RealTableShortening, ShortenedRulesAreTheLiteralGreedyOnesInWalkOrder) {
    SplitRules& s = *split;
    const std::vector<PlainRule> rules = PlainRules(s.memory);
    for (float alfa : {0.9f, 1.0f, 0.6f}) {
        SCOPED_TRACE(alfa);
        LiteralShortening literal(s.train, alfa);
        std::vector<PlainRule> expected, expectedEx;
        for (const PlainRule& r : rules) {
            PlainRule out;
            if (literal.Shorten(r, out)) expected.push_back(out);
            if (literal.Shorten(r, out, &s.test)) expectedEx.push_back(out);
        }
        TRulMemory target, targetEx;
        LogCapture log;
        s.memory.ShortenRules(s.train, alfa, target);
        s.memory.ShortenRulesEx(s.train, s.test, alfa, targetEx);
        EXPECT_EQ(Walk(target), Walk(*Inserted(expected)));
        EXPECT_EQ(Walk(targetEx), Walk(*Inserted(expectedEx)));
        EXPECT_EQ(target.GetDecisionAttr(), s.train.GetNoAttr() - 1);
        EXPECT_EQ(targetEx.GetDecisionAttr(), s.train.GetNoAttr() - 1);
        char alfaText[32];
        std::snprintf(alfaText, sizeof alfaText, "%f", static_cast<double>(alfa));
        EXPECT_EQ(log.Text(), "Number of rules before shorten rules: " + std::to_string(s.memory.GetNoRules()) +
                                  "\nShortening rules with alfa: " + alfaText +
                                  "\nNumber of rules after shorten rules: " + std::to_string(target.GetNoRules()) + "\n");
        // Rules were both dropped and shortened, and some shortened rules fell together.
        EXPECT_GT(target.GetNoRules(), 0);
        EXPECT_LT(target.GetNoRules(), static_cast<int>(expected.size()) + (alfa == 1.0f ? 1 : 0));
        if (alfa < 1.0f) {
            EXPECT_NE(Walk(targetEx), Walk(target));
        }
    }
}

TEST_P(RealTableShortening, ShorteningByWeightIsTheLiteralOneWithItsDraws) {
    SplitRules& s = *split;
    SetFixedClockSecond(77);
    const std::vector<PlainRule> rules = PlainRules(s.memory);
    const float alfa = 0.9f;
    LiteralShortening literal(s.train, alfa);
    ResetRandomForTests();
    std::vector<PlainRule> expected;
    int moves = 0;
    for (const PlainRule& r : rules) {
        PlainRule out;
        bool moved = false;
        if (literal.ByWeight(r, out, moved)) expected.push_back(out);
        moves += moved;
    }
    ResetRandomForTests();
    TRulMemory target;
    std::vector<int> mask, counts;
    s.memory.ShortenRuleByWeight(s.memory.GetRoot(), s.train, target, alfa, mask, counts);
    ResetRandomForTests();
    // Moved rules keep their evaluation: compare the conditions.
    EXPECT_EQ(Conditions(target), Conditions(*Inserted(expected)));
    // Both the rules that go over whole and those cut down to one drawn descriptor occur.
    EXPECT_GT(moves, 0);
    if (std::string(GetParam()) == "vote.tab") {
        EXPECT_GT(literal.draws, 0);
    }
    // Every moved rule left an empty node behind.
    int empty = 0;
    std::vector<TRuleComp*> all(static_cast<size_t>(s.memory.GetNoRules()));
    int index = 0;
    s.memory.GetRoot()->Flatten(all.data(), index);
    for (TRuleComp* r : all) empty += r == nullptr;
    EXPECT_EQ(empty, moves);
}

INSTANTIATE_TEST_SUITE_P(EvenRules, RealTableShortening, ::testing::Values("breast-cancer.tab", "vote.tab"),
                         [](const auto& info) { return std::string(info.param).substr(0, info.param[0] == 'b' ? 6 : 4); });


// ---- Hand-made rules

// Ten objects; attribute 0 = 1 for objects 0-4 (decisions 1, 1, 1, 1, 0), attribute 1 = 1
// for objects 0-3 and 5-6 (decisions 1, 1, 1, 1, 0, 0), attribute 2 = 1 for 0-2 and 7.
std::unique_ptr<TTable> TenObjects() {
    return MakeTable({{1, 1, 1, 1},
                      {1, 1, 1, 1},
                      {1, 1, 1, 1},
                      {1, 1, 0, 1},
                      {1, 0, 0, 0},
                      {0, 1, 0, 0},
                      {0, 1, 0, 0},
                      {0, 0, 1, 0},
                      {0, 0, 0, 0},
                      {0, 0, 0, 0}});
}

std::unique_ptr<TRulMemory> MemoryOf(std::vector<std::unique_ptr<TRuleComp>> rules) {
    auto m = std::make_unique<TRulMemory>();
    QuietModeGuard quiet;
    for (auto& r : rules) m->InsertRule(std::move(r));
    return m;
}

std::vector<std::unique_ptr<TRuleComp>> One(std::unique_ptr<TRuleComp> r) {
    std::vector<std::unique_ptr<TRuleComp>> v;
    v.push_back(std::move(r));
    return v;
}

TEST(RuleShortening, AlfaDecidesBetweenDroppedWholeAndShortened) {
    auto t = TenObjects();
    LogCapture log;
    // (0=1) & (1=1) -> 1 is consistent (objects 0-3): with alfa 1.0 it stays whole, and so
    // does a rule of one descriptor of accuracy 0.8 at alfa 0.8.
    {
        auto m = MemoryOf(One(RuleOf({{0, 1}, {1, 1}}, 1, 3)));
        TRulMemory target;
        m->ShortenRules(*t, 1.0f, target);
        EXPECT_EQ(Walk(target), std::vector<std::string>{"-1: 0=1 1=1 -> 1 0 0 0.000000"});
        TRulMemory single;
        MemoryOf(One(RuleOf({{0, 1}}, 1)))->ShortenRules(*t, 0.8f, single);
        EXPECT_EQ(Walk(single), std::vector<std::string>{"-1: 0=1 -> 1 0 0 0.000000"});
    }
    // (0=1) -> 1 & (2=1): accuracy 1.0; dropping 2=1 leaves 0.8, dropping 0=1 leaves 0.75.
    // At alfa 0.9 nothing can go; at 0.5 the first goes (0.8 is the best).
    {
        auto m = MemoryOf(One(RuleOf({{0, 1}, {2, 1}}, 1)));
        TRulMemory high, low;
        m->ShortenRules(*t, 0.9f, high);
        m->ShortenRules(*t, 0.5f, low);
        EXPECT_EQ(Conditions(high), std::vector<std::string>{"0=1 2=1 -> 1"});
        EXPECT_EQ(Conditions(low), std::vector<std::string>{"0=1 -> 1"});
    }
    // Nine of ten objects of decision 1: accuracy 0.9 is alfa 0.9 in single precision
    // (though not in double), so the rule stays whole although removals keep 0.9.
    {
        TTable nine;
        nine.CreateTable(12, 3);
        for (int o = 0; o < 12; ++o) {
            nine.SetTable(o, 0, o < 10 ? 1 : 0);
            nine.SetTable(o, 1, o < 10 ? 1 : 0);
            nine.SetTable(o, 2, o == 0 || o >= 10 ? 0 : 1);
        }
        TRulMemory target;
        MemoryOf(One(RuleOf({{0, 1}, {1, 1}}, 1)))->ShortenRules(nine, 0.9f, target);
        EXPECT_EQ(Conditions(target), std::vector<std::string>{"0=1 1=1 -> 1"});
    }
    // (0=1) -> 1 has accuracy 0.8: dropped at 0.9.
    {
        TRulMemory target;
        MemoryOf(One(RuleOf({{0, 1}}, 1)))->ShortenRules(*t, 0.9f, target);
        EXPECT_EQ(target.GetNoRules(), 0);
    }
    // (1=1) & (2=1) & (0=1) -> 1 matches objects 0-2 (1.0); each removal keeps 1.0 (0-2,
    // 0-3, 0-2): the lowest index, 1=1, goes. Then dropping 2=1 leaves 0.8 (0-4) and
    // dropping 0=1 0.75 (0-2, 7): at 0.9 that is all, at 0.6 2=1 goes too.
    {
        auto m = MemoryOf(One(RuleOf({{1, 1}, {2, 1}, {0, 1}}, 1)));
        TRulMemory strict, looser;
        m->ShortenRules(*t, 0.9f, strict);
        m->ShortenRules(*t, 0.6f, looser);
        EXPECT_EQ(Conditions(strict), std::vector<std::string>{"2=1 0=1 -> 1"});
        EXPECT_EQ(Conditions(looser), std::vector<std::string>{"0=1 -> 1"});
    }
}

TEST(RuleShortening, OutOfRangeAlfaDoesNothingAndAnEmptyMemoryWarns) {
    auto t = TenObjects();
    auto m = MemoryOf(One(RuleOf({{0, 1}, {1, 1}}, 1)));
    for (float alfa : {0.0f, -0.5f, 1.0001f, std::numeric_limits<float>::quiet_NaN()}) {
        LogCapture log;
        TRulMemory target;
        m->ShortenRules(*t, alfa, target);
        EXPECT_EQ(target.GetNoRules(), 0);
        EXPECT_EQ(target.GetDecisionAttr(), TRulMemory::NotSet);
        EXPECT_EQ(log.Text(), "");
    }
    TRulMemory empty, target;
    LogCapture log;
    empty.ShortenRules(*t, 0.5f, target);
    empty.ShortenRulesEx(*t, *t, 7.0f, target);
    EXPECT_EQ(log.Text(), "Warning: No rules in memory!\nWarning: No rules in memory!\n");
}

TEST(RuleShortening, ShortenRulesExKeepsTheMaskOfTheBestRatioOnTheSecondTable) {
    auto t = TenObjects();
    // (1=1) & (2=1) & (0=1) -> 1 at alfa 0.6 on t: 1=1 goes, then 2=1 (see above). On u
    // the full rule and 2=1 & 0=1 match one object of each decision (ratio 1), 0=1 alone
    // two of decision 1 and one of 0 (ratio 2): the last mask wins. On u2 the full rule
    // matches one object of decision 1 only (ratio 1.0 by definition), and nothing after
    // it does better.
    auto u = MakeTable({{1, 1, 1, 1}, {1, 1, 1, 0}, {1, 0, 0, 1}});
    auto u2 = MakeTable({{1, 1, 1, 1}, {1, 1, 0, 0}});
    auto m = MemoryOf(One(RuleOf({{1, 1}, {2, 1}, {0, 1}}, 1)));
    TRulMemory target, target2;
    LogCapture log;
    m->ShortenRulesEx(*t, *u, 0.6f, target);
    m->ShortenRulesEx(*t, *u2, 0.6f, target2);
    EXPECT_EQ(Conditions(target), std::vector<std::string>{"0=1 -> 1"});
    EXPECT_EQ(Conditions(target2), std::vector<std::string>{"1=1 2=1 0=1 -> 1"});
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(TRulMemory::Ratio(0, 0), 0.0);
    EXPECT_EQ(TRulMemory::Ratio(5, 0), 1.0);
    EXPECT_EQ(TRulMemory::Ratio(3, 2), 1.5);

    // Without the range test: alfa below 0 takes a rule that matches nothing on t through
    // the loop, where no removal raises the accuracy above 0; it comes out whole.
    auto none = MemoryOf(One(RuleOf({{0, 5}, {1, 5}}, 1)));
    TRulMemory whole;
    none->ShortenRulesEx(*t, *u, -1.0f, whole);
    EXPECT_EQ(Conditions(whole), std::vector<std::string>{"0=5 1=5 -> 1"});
}

TEST(RuleShortening, ResultsGoToTheTargetEvenOutsideQuietModeAndMasksFollowTheLongestRule) {
    auto t = TenObjects();
    ASSERT_EQ(QuietMode, 0);
    // Five descriptors on a table of four columns: the masks must not be sized by NoAttr.
    auto m = MemoryOf(One(RuleOf({{0, 1}, {0, 1}, {1, 1}, {1, 1}, {2, 1}}, 1)));
    TRulMemory target;
    LogCapture log;
    m->ShortenRules(*t, 1.0f, target);
    EXPECT_EQ(QuietMode, 0);
    EXPECT_EQ(Conditions(target), std::vector<std::string>{"0=1 0=1 1=1 1=1 2=1 -> 1"});
    // At 0.75 the repeated descriptors go one by one (each removal keeps 1.0), then 1=1
    // (leaving 2=1 at 0.75, against 1=1 alone at 4 of 6).
    TRulMemory shorter;
    m->ShortenRules(*t, 0.75f, shorter);
    EXPECT_EQ(Conditions(shorter), std::vector<std::string>{"2=1 -> 1"});
    EXPECT_EQ(QuietMode, 0);
}

TEST(RuleShortening, MaskedWeightIsTheProductOverTheSwitchedOnDescriptors) {
    auto t = TenObjects();
    const auto rule = RuleOf({{0, 1}, {1, 1}, {2, 1}}, 1);
    const TBlock& block = *rule->GetBlock();
    int counts[3] = {-1, -1, -1};
    const int all[3] = {1, 1, 1};
    // Objects of decision 0 failing one descriptor only: object 4 (1=1, 2=1 fail: two),
    // 5 and 6 fail 0=1 and 2=1; 7 fails 0=1 and 1=1; none alone. So every factor is 0.
    EXPECT_EQ(TRulMemory::MaskedWeight(*t, block, 3, 1, all, counts), 0.0);
    EXPECT_EQ(counts[0] + counts[1] + counts[2], 0);
    // 0=1 and 1=1: object 4 fails 1=1 alone, 5 and 6 fail 0=1 alone: (1 - 1/4)(1 - 1/2).
    const int two[3] = {1, 1, 0};
    EXPECT_EQ(TRulMemory::MaskedWeight(*t, block, 2, 1, two, counts), 0.75 * 0.5);
    EXPECT_EQ(counts[0], 2);
    EXPECT_EQ(counts[1], 1);
    EXPECT_EQ(counts[2], 0);
    const int one[3] = {0, 0, 1};
    EXPECT_EQ(TRulMemory::MaskedWeight(*t, block, 1, 1, one, counts), 1.0);

    // Counts far beyond what powers of two in a double hold: each factor is 1 - 2^-c.
    TTable many;
    many.CreateTable(3000, 3);
    for (int o = 0; o < 3000; ++o) {
        many.SetTable(o, 0, o < 2000 ? 0 : 1);  // 2000 objects fail 0=1 alone
        many.SetTable(o, 1, 1);
        many.SetTable(o, 2, o < 2000 ? 0 : 1);
    }
    many.SetTable(2999, 1, 0);  // one fails 1=1 alone
    many.SetTable(2999, 2, 0);
    const auto pair = RuleOf({{0, 1}, {1, 1}}, 1);
    const int both[2] = {1, 1};
    int c2[2] = {0, 0};
    EXPECT_EQ(TRulMemory::MaskedWeight(many, *pair->GetBlock(), 2, 1, both, c2), 0.5);
    EXPECT_EQ(c2[0], 2000);
    EXPECT_EQ(c2[1], 1);
}

TEST(RuleShortening, ShorteningByWeightMovesWholeRulesAndDrawsAfterTheLastRemoval) {
    SetFixedClockSecond(5);
    auto t = TenObjects();
    // (0=1) -> 1 (accuracy 0.8) at alfa 0.8 moves over with its evaluation; (1=1) & (0=1)
    // -> 1 (1.0, masked weight 0.375) loses a descriptor to weight 1.0 when the accuracy
    // stays: dropping 1=1 leaves 0.8, dropping 0=1 leaves 4 of 6. Alfa 0.8: 1=1 goes, the
    // loop has run to one descriptor, and the one kept is drawn.
    auto whole = RuleOf({{0, 1}}, 1, 4);
    whole->CalcInfo(*t, 2);
    std::vector<std::unique_ptr<TRuleComp>> rules;
    rules.push_back(std::move(whole));
    rules.push_back(RuleOf({{1, 1}, {0, 1}}, 1, 2));
    auto m = MemoryOf(std::move(rules));
    ResetRandomForTests();
    const int drawn = RandomInt(2);
    ResetRandomForTests();
    TRulMemory target;
    std::vector<int> mask, counts;
    m->ShortenRuleByWeight(m->GetRoot(), *t, target, 0.8f, mask, counts);
    ResetRandomForTests();
    ASSERT_EQ(target.GetNoRules(), drawn == 0 ? 2 : 1);
    EXPECT_EQ(Walk(target)[0], "4: 0=1 -> 1 4 1 0.500000");
    if (drawn == 0) {
        EXPECT_EQ(Conditions(target)[1], "1=1 -> 1");
    }
    // The moved rule's node is empty; walks pass it.
    EXPECT_EQ(m->GetRoot()->GetRule(), nullptr);
    EXPECT_NE(m->GetRoot()->GetRight()->GetRule(), nullptr);
    TDValInfo info;
    info.CalcFromTable(*t);
    int errors = 0;
    m->ClassifyTable(info, 3, *t, errors, -1, nullptr);
    EXPECT_EQ(info.GetCoverage(), 0.0);  // the rule left has no weight
}

}  // namespace
