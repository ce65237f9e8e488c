#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "core/error.h"
#include "core/random.h"
#include "core/tree_walk.h"
#include "rough/rules/rul_cache.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rules/split_rules.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/small_stack.h"
#include "tests/support/working_dir.h"

namespace {

using Strings = std::vector<std::string>;

std::string Key(const TRuleComp& r) {
    std::ostringstream out;
    r.GetBlock()->Print(out, nullptr, 0);
    return out.str() + "->" + std::to_string(r.GetDecision());
}

Strings Lines(const TRulMemory& m) {
    Strings out;
    for (const TRuleComp* r : RulesInWalkOrder(m)) out.push_back(Key(*r));
    return out;
}

void ShortenByWeight(TRulMemory& m, TLeaf* node, const TTable& t, TRulMemory& target, float alfa) {
    std::vector<int> mask, counts;
    m.ShortenRuleByWeight(node, t, target, alfa, mask, counts);
}

TEST(RuleMoves, AMemoryWhoseRulesLeftTakesNewRules) {
    auto t = MakeTable({{0, 0}, {1, 1}});
    for (bool byWeight : {false, true}) {
        QuietModeGuard quiet;
        TRulMemory source, target;
        source.InsertRule(RuleOf({{0, 0}}, 0));
        TLeaf* root = source.GetRoot();
        byWeight ? ShortenByWeight(source, root, *t, target, 1.0f) : source.MoveRules(root, target);
        EXPECT_EQ(source.GetNoRules(), 0);
        source.InsertRule(RuleOf({{0, 1}}, 1));
        EXPECT_EQ(Lines(source), Strings{"(0=1)->1"});
        EXPECT_EQ(Lines(target), Strings{"(0=0)->0"});
        // A node of another memory is refused; into the memory itself nothing moves.
        LogCapture log;
        EXPECT_THROW(source.MoveRules(target.GetRoot(), target), CalcError);
        EXPECT_EQ(log.Text(), "Bad node in TRulMemory::MoveRules\n");
        source.MoveRules(source.GetRoot(), source);
        EXPECT_EQ(Lines(source), Strings{"(0=1)->1"});
    }
}

// Rules read in order make a list as deep as the file is long.
TEST(RuleMoves, ListShapedMemoriesLoseRulesWithoutRecursion) {
    ScratchDir dir;
    std::string text = "DECISION RULES\n";
    for (int v = 0; v < 5000; ++v) text += "(0=" + std::to_string(v) + ")=>(1=1) 0 0 0\n";
    WriteFileBytes(dir.File("deep"), text);
    QuietModeGuard quiet;
    TRulMemory m, target;
    m.LoadRules(dir.File("deep").c_str());
    RunOnSmallStack(64 * 1024, [&] { m.MoveRules(m.GetRoot()->GetRight(), target); });
    EXPECT_EQ(Lines(m), Strings{"(0=0)->1"});
    EXPECT_EQ(target.GetNoRules(), 4999);
}

// Everything a memory answers, its rules evaluated on t: walk, finds, copy, files, the
// cache, votes, shortening and coverings.
std::string Answers(TRulMemory& m, TTable& t, TDValInfo& info, const std::vector<std::unique_ptr<TRuleComp>>& probes) {
    std::ostringstream out;
    out << std::hexfloat << m.GetNoRules();
    for (const TRuleComp* r : RulesInWalkOrder(m)) out << Key(*r) << r->GetObject() << ' ';
    for (const auto& r : probes) out << (m.GetRoot() != nullptr && m.GetRoot()->Find(r.get()) != nullptr);
    TLeaf copy(nullptr);
    if (m.GetRoot() != nullptr) m.GetRoot()->Copy(&copy);
    for (int n = 0, counter = 0; const TRuleComp* r = copy.GetNthRule(n, counter); ++n, counter = 0) out << Key(*r);
    m.CalcRulesInfo(&t, 2);
    m.SaveRules("rules", nullptr, 0);
    m.SaveRulesWithObjInfo("listed");
    m.SaveRulesCompact("compact");
    TRulCache cache(2);
    out << ReadFileBytes("rules") << ReadFileBytes("listed") << ReadFileBytes("compact")
        << (Lines(*cache.GetRulMemory(cache.AddRulMemory(m))) == Lines(m));
    for (int method : {0, 1, 2, 3, 4, 5, 7, 8}) {
        ResetRandomForTests();
        int errors = 0, predicted = 0;
        m.ClassifyTable(info, method, t, errors, -1, nullptr);
        out << '\n' << errors << ' ' << info.GetAccuracy() << ' ' << info.GetCoverage();
        for (int k = 0; k < info.GetNoDecVal(); ++k) out << ' ' << info.GetDistrib(k) << ' ' << info.GetDecValCov(k);
        for (int o = 0; o < t.GetNoObj(); ++o) out << m.ClassifyObject(info, method, t, o, predicted) << predicted;
    }
    double low = 9.0, high = -9.0, thresholds[] = {1.0, 1.0, 1.0};
    m.GetMinMaxWeight(1, 0, low, high);
    out << m.GetNoRule(info, 0, thresholds) << ' ' << low << ' ' << high;
    TRulMemory shortened;
    m.ShortenRules(t, 0.7f, shortened);
    for (const std::string& line : Lines(shortened)) out << line;
    if (m.GetNoRules() == 0) return out.str();  // a covering needs rules
    testing::internal::CaptureStdout();
    m.SaveCoverings(out, t, info.GetDecVal(0), info.GetDCNoObj(0), nullptr, 0);
    return out.str() + testing::internal::GetCapturedStdout();
}

std::unique_ptr<TRuleComp> RandomRule(int object) {
    std::vector<int> attrs{0, 1, 2, 3};
    auto rule = RuleOf({}, RandomInt(3), object);
    for (int n = 1 + RandomInt(3); n > 0; --n) {
        auto at = attrs.begin() + RandomInt(static_cast<int>(attrs.size()));
        rule->GetBlock()->AddDescriptor(*at, RandomInt(3));
        attrs.erase(at);
    }
    return rule;
}

std::unique_ptr<TRuleComp> CopyOf(const TRuleComp& r) {
    auto copy = RuleOf({}, 0);
    *copy = r;
    return copy;
}

// Rules moved out of the whole tree or a subtree, all or by the shortening by weight at alfa
// 1.0, 0.75 or 0.5; then more rules, some equal to rules moved or kept. The rules left keep
// the order they came in, which the tree's shape alone does not tell (2, 3, 1 and 2, 1, 3
// build one tree; 3, 1 and 1, 3 do not).
TEST(RuleMoves, AMemoryThatLostRulesAnswersAsOneBuiltFromTheRestAloneInTheirOrder) {
    ScratchDir dir;
    WorkingDirScope inside{dir.Path()};
    int moves = 0;
    for (int round = 0; round < 48; ++round) {
        SetFixedClockSecond(11 + round);  // the votes draw from the start of the round's seed
        ResetRandomForTests();
        TTable t;
        t.CreateTable(8 + RandomInt(8), 5);
        for (int o = 0; o < t.GetNoObj(); ++o) {
            for (int a = 0; a < 4; ++a) t.SetTable(o, a, RandomInt(3));
            // Mostly attribute 0's value, or few rules would be accurate enough to move.
            t.SetTable(o, 4, o < 3 ? o : (RandomInt(4) == 0 ? RandomInt(3) : t.GetTable(o, 0)));
        }
        TDValInfo info;
        info.CalcFromTable(t);
        std::vector<std::unique_ptr<TRuleComp>> rules;
        TRulMemory source, rebuilt, target;
        QuietModeGuard quiet;
        for (int i = 0; i < 30; ++i) rules.push_back(RandomRule(i));
        for (const auto& r : rules) source.InsertRule(CopyOf(*r));
        std::vector<TLeaf*> nodes;
        tree_walk::VisitPreOrder(source.GetRoot(), [&](TLeaf& n) { nodes.push_back(&n); });
        TLeaf* node = nodes[round % 3 != 1 ? 0 : static_cast<size_t>(RandomInt(static_cast<int>(nodes.size())))];
        const float alfa = std::vector<float>{0.0f, 1.0f, 0.75f, 0.5f}[static_cast<size_t>(round % 4)];
        const int before = source.GetNoRules();
        alfa == 0.0f ? source.MoveRules(node, target) : ShortenByWeight(source, node, t, target, alfa);
        moves += source.GetNoRules() < before ? 1 : 0;
        // Which rules leave is checked against the shortening written out plainly elsewhere.
        std::set<std::string> moved;
        for (const TRuleComp* r : RulesInWalkOrder(target)) moved.insert(Key(*r));
        for (const auto& r : rules) {
            if (moved.count(Key(*r)) == 0 || (source.GetRoot() != nullptr && source.GetRoot()->Find(r.get()))) {
                rebuilt.InsertRule(CopyOf(*r));
            }
        }
        EXPECT_EQ(Answers(source, t, info, rules), Answers(rebuilt, t, info, rules)) << round;
        for (int i = 0; i < 10; ++i) {
            const size_t again = static_cast<size_t>(RandomInt(30));
            rules.push_back(RandomInt(2) == 0 ? RandomRule(100 + i) : CopyOf(*rules[again]));
            source.InsertRule(CopyOf(*rules.back()));
            rebuilt.InsertRule(CopyOf(*rules.back()));
        }
        EXPECT_EQ(Answers(source, t, info, rules), Answers(rebuilt, t, info, rules)) << round;
        rebuilt.SaveRulesWithObjInfo("again");
        source.LoadRulesWithObjInfo("again");
        EXPECT_EQ(Lines(source), Lines(rebuilt));
    }
    EXPECT_GT(moves, 24);
    SetFixedClockSecond(-1);
}

}  // namespace
