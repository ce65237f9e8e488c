#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/int_sack.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/support/small_stack.h"

namespace {

constexpr int kMissing = TTable::MissingValue;

// "object  n  attributes" of a rule, the way TRuleComp::Print writes it, plus its values and
// decision, which Print leaves out.
std::string Describe(const TRuleComp& r) {
    std::ostringstream out;
    out << r.GetObject() << ":";
    for (int i = 0; i < r.GetBlock()->GetNoDesc(); ++i) out << " " << r.GetBlock()->GetAttr(i) << "=" << r.GetBlock()->GetValue(i);
    out << " -> " << r.GetDecision();
    return out.str();
}

std::vector<std::string> WalkOf(const TLeaf* root) {
    std::vector<std::string> out;
    for (int n = 0;; ++n) {
        int counter = 0;
        const TRuleComp* r = root == nullptr ? nullptr : root->GetNthRule(n, counter);
        if (r == nullptr) break;
        out.push_back(Describe(*r));
    }
    return out;
}

// Every test here switches quiet mode on or sets a rule buffer; both are put back.
class RulMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_RuleBuf = buffer;
        g_RuleBufSize = 8;
    }
    void TearDown() override {
        QuietMode = 0;
        g_RuleBuf = nullptr;
        g_RuleBufSize = 0;
    }
    int buffer[8] = {};
};

TEST(RuleOrder, AttributesThenLengthThenValuesThenDecision) {
    // Each pair: the first rule comes before the second.
    const std::vector<std::pair<std::unique_ptr<TRuleComp>, std::unique_ptr<TRuleComp>>> ordered = [] {
        std::vector<std::pair<std::unique_ptr<TRuleComp>, std::unique_ptr<TRuleComp>>> v;
        // The attribute lists decide before the length does...
        v.emplace_back(RuleOf({{0, 9}, {5, 9}}, 9), RuleOf({{1, 0}}, 0));
        // ...and before the values.
        v.emplace_back(RuleOf({{0, 9}, {1, 9}}, 9), RuleOf({{0, 0}, {2, 0}}, 0));
        // A list that begins the other comes first, whatever the values.
        v.emplace_back(RuleOf({{0, 9}}, 9), RuleOf({{0, 0}, {1, 0}}, 0));
        // Equal lists: the first differing value.
        v.emplace_back(RuleOf({{0, 1}, {1, 9}}, 9), RuleOf({{0, 2}, {1, 0}}, 0));
        v.emplace_back(RuleOf({{0, 1}, {1, 3}}, 9), RuleOf({{0, 1}, {1, kMissing}}, 0));
        // Equal blocks: the decision.
        v.emplace_back(RuleOf({{3, 4}}, -1), RuleOf({{3, 4}}, 2));
        return v;
    }();
    for (const auto& [x, y] : ordered) {
        SCOPED_TRACE(Describe(*x) + " / " + Describe(*y));
        EXPECT_EQ(TLeaf::Compare(x.get(), y.get()), -1);
        EXPECT_EQ(TLeaf::Compare(y.get(), x.get()), 1);
        EXPECT_EQ(TLeaf::Compare(x.get(), x.get()), 0);
    }
    // The generating object is no part of a rule's identity.
    EXPECT_EQ(TLeaf::Compare(RuleOf({{0, 1}, {2, 3}}, 1, 4).get(), RuleOf({{0, 1}, {2, 3}}, 1, 8).get()), 0);
}

TEST_F(RulMemoryTest, QuietModeKeepsEachRuleOnceInTheTree) {
    QuietMode = 1;
    testing::internal::CaptureStdout();
    TRulMemory memory;
    memory.InsertRule(RuleOf({{1, 0}}, 0, 0));
    memory.InsertRule(RuleOf({{0, 5}, {2, 1}}, 1, 1));  // left of the root
    memory.InsertRule(RuleOf({{2, 0}}, 0, 2));          // right
    memory.InsertRule(RuleOf({{0, 5}, {2, 0}}, 0, 3));  // left, then its left
    memory.InsertRule(RuleOf({{1, 0}, {2, 0}}, 0, 4));  // right, then its left
    memory.InsertRule(RuleOf({{0, 5}, {2, 1}}, 1, 9));  // a repeat: deleted, not counted
    memory.InsertRule(RuleOf({{2, 0}}, 1, 5));          // differs in the decision only
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(memory.GetNoRules(), 6);
    EXPECT_EQ(memory.GetNoElem(), 0);

    const TLeaf* root = memory.GetRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Describe(*root->GetRule()), "0: 1=0 -> 0");
    ASSERT_NE(root->GetLeft(), nullptr);
    EXPECT_EQ(Describe(*root->GetLeft()->GetRule()), "1: 0=5 2=1 -> 1");
    // Node, left subtree, right subtree.
    EXPECT_EQ(WalkOf(root), (std::vector<std::string>{"0: 1=0 -> 0", "1: 0=5 2=1 -> 1", "3: 0=5 2=0 -> 0",
                                                      "2: 2=0 -> 0", "4: 1=0 2=0 -> 0", "5: 2=0 -> 1"}));
    EXPECT_EQ(Describe(*root->Find(RuleOf({{1, 0}, {2, 0}}, 0, 77).get())), "4: 1=0 2=0 -> 0");
    EXPECT_EQ(root->Find(RuleOf({{1, 0}, {2, 0}}, 1).get()), nullptr);

    std::vector<TRuleComp*> flat(6, nullptr);
    int index = 0;
    root->Flatten(flat.data(), index);
    EXPECT_EQ(index, 6);
    for (int i = 0; i < 6; ++i) {
        int counter = 0;
        EXPECT_EQ(flat[static_cast<size_t>(i)], root->GetNthRule(i, counter));
    }
    // The counter starts where the caller says: numbered from 10, the root is rule 10.
    int counter = 10;
    EXPECT_EQ(root->GetNthRule(11, counter), flat[1]);
    counter = 10;
    EXPECT_EQ(root->GetNthRule(9, counter), nullptr);
}

TEST_F(RulMemoryTest, OutsideQuietModeEachRuleIsOneRuleLineAndNothingIsKept) {
    testing::internal::CaptureStdout();
    TRulMemory memory;
    memory.InsertRule(RuleOf({{3, 1}, {0, 2}}, 1, 4));
    memory.InsertRule(RuleOf({{3, 1}, {0, 2}}, 1, 4));  // repeats are published again
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RULE:4 4 3 0 \nRULE:4 4 3 0 \n");
    EXPECT_EQ(memory.GetNoRules(), 0);
    EXPECT_EQ(memory.GetRoot(), nullptr);
}

TEST_F(RulMemoryTest, RuleThatDoesNotFitTheBufferIsCodeFive) {
    g_RuleBufSize = 3;
    TRulMemory memory;
    try {
        memory.InsertRule(RuleOf({{0, 1}, {1, 1}}, 1));
        FAIL() << "published past the buffer";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.GetCode(), 5);
    }
}

TEST(RulMemory, OptionsStartAtTheirDefaultsAndAreClamped) {
    TRulMemory memory;
    EXPECT_EQ(memory.GetReductLimit(), 100);
    EXPECT_EQ(memory.GetSpeedLevel(), 1);
    EXPECT_EQ(memory.GetDecisionAttr(), 2147483647);
    EXPECT_EQ(memory.GetTable(), nullptr);
    EXPECT_EQ(memory.GetNoRules(), 0);
    for (auto [given, kept] : std::vector<std::pair<int, int>>{{0, 1}, {-5, 1}, {1, 1}, {7, 7}}) {
        memory.SetReductLimit(given);
        EXPECT_EQ(memory.GetReductLimit(), kept) << given;
    }
    for (auto [given, kept] : std::vector<std::pair<int, int>>{{-1, 0}, {0, 0}, {2, 2}, {7, 2}}) {
        memory.SetSpeedLevel(given);
        EXPECT_EQ(memory.GetSpeedLevel(), kept) << given;
    }
}

TEST_F(RulMemoryTest, AssignmentTakesTheOptionsButNotTheRules) {
    QuietMode = 1;
    TRulMemory source;
    source.SetReductLimit(3);
    source.SetSpeedLevel(0);
    source.InsertRule(RuleOf({{0, 1}}, 1));
    TRulMemory target;
    target.InsertRule(RuleOf({{1, 1}}, 1));
    target = source;
    EXPECT_EQ(target.GetReductLimit(), 3);
    EXPECT_EQ(target.GetSpeedLevel(), 0);
    EXPECT_EQ(target.GetNoRules(), 1);
    EXPECT_EQ(WalkOf(target.GetRoot()), (std::vector<std::string>{"0: 1=1 -> 1"}));
    target = target;
    EXPECT_EQ(target.GetReductLimit(), 3);
}

TEST_F(RulMemoryTest, CopyIsDeepAndLeavesTheEvaluationBehind) {
    QuietMode = 1;
    TRulMemory memory;
    memory.InsertRule(RuleOf({{1, 1}}, 0, 0));
    memory.InsertRule(RuleOf({{0, 1}}, 1, 1));
    memory.InsertRule(RuleOf({{2, 0}}, 0, 2));
    memory.InsertRule(RuleOf({{2, 1}}, 1, 3));
    memory.GetRoot()->GetRule()->SetWeight(0.5);
    memory.GetRoot()->GetRule()->SetPosSupport(3);

    // The target's own rule and subtree are replaced.
    TLeaf target(RuleOf({{9, 9}}, 9).release());
    target.SetLeft(new TLeaf(RuleOf({{8, 8}}, 8).release()));
    memory.GetRoot()->Copy(&target);
    EXPECT_EQ(WalkOf(&target), WalkOf(memory.GetRoot()));
    EXPECT_NE(target.GetRule(), memory.GetRoot()->GetRule());
    EXPECT_NE(target.GetRule()->GetBlock(), memory.GetRoot()->GetRule()->GetBlock());
    EXPECT_EQ(target.GetRule()->GetWeight(), 0.0);
    EXPECT_EQ(target.GetRule()->GetPosSupport(), 0);
    EXPECT_EQ(Describe(*target.GetRight()->GetRight()->GetRule()), "3: 2=1 -> 1");
    EXPECT_EQ(target.GetLeft()->GetLeft(), nullptr);
}

TEST_F(RulMemoryTest, RulesChangeOwnerInWalkOrder) {
    QuietMode = 1;
    TRulMemory source;
    source.InsertRule(RuleOf({{1, 1}}, 0, 0));
    source.InsertRule(RuleOf({{0, 1}}, 1, 1));
    source.InsertRule(RuleOf({{2, 0}}, 0, 2));
    source.InsertRule(RuleOf({{0, 0}}, 1, 3));
    const std::vector<TRuleComp*> moved = {source.GetRoot()->GetRule(), source.GetRoot()->GetLeft()->GetRule(),
                                           source.GetRoot()->GetLeft()->GetLeft()->GetRule(),
                                           source.GetRoot()->GetRight()->GetRule()};
    TRulMemory target;
    source.MoveRules(source.GetRoot(), target);
    EXPECT_EQ(target.GetNoRules(), 4);
    // Inserted in walk order, they rebuild the source's very tree in the target, and the
    // same rule objects sit there.
    EXPECT_EQ(target.GetRoot()->GetRule(), moved[0]);
    EXPECT_EQ(target.GetRoot()->GetLeft()->GetRule(), moved[1]);
    EXPECT_EQ(target.GetRoot()->GetLeft()->GetLeft()->GetRule(), moved[2]);
    EXPECT_EQ(target.GetRoot()->GetRight()->GetRule(), moved[3]);
    // The nodes leave with their rules.
    EXPECT_EQ(source.GetRoot(), nullptr);
    EXPECT_EQ(source.GetNoRules(), 0);

    // Outside quiet mode the target publishes each rule instead.
    QuietMode = 0;
    testing::internal::CaptureStdout();
    TRulMemory publisher;
    target.MoveRules(target.GetRoot()->GetLeft(), publisher);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RULE:3 1 0 \nRULE:3 3 0 \n");
    EXPECT_EQ(target.GetRoot()->GetRule(), moved[0]);
}

TEST_F(RulMemoryTest, OperationsReachEveryStoredRule) {
    QuietMode = 1;
    auto table = MakeTable({{0, 1, 0, 0}, {1, 1, 1, 1}, {0, 0, 1, 1}});
    TRulMemory memory;
    memory.CalcRulesInfo(table.get(), 2);  // nothing to do without a tree
    memory.InsertRule(RuleOf({{1, 1}}, 0, 0));
    memory.InsertRule(RuleOf({{0, 0}}, 1, 2));
    memory.InsertRule(RuleOf({{2, 1}}, 1, 1));
    memory.CalcRulesInfo(table.get(), 0);
    EXPECT_EQ(memory.GetRoot()->GetRule()->GetPosSupport(), 1);  // 1=1 -> 0: object 0
    EXPECT_EQ(memory.GetRoot()->GetRule()->GetNegSupport(), 1);  // and object 1
    EXPECT_EQ(memory.GetRoot()->GetLeft()->GetRule()->GetPosSupport(), 1);
    EXPECT_EQ(memory.GetRoot()->GetRight()->GetRule()->GetPosSupport(), 2);
    EXPECT_EQ(memory.GetRoot()->GetRule()->GetWeight(), 0.0);
    memory.CalcRulesInfo(table.get(), 1);
    EXPECT_EQ(memory.GetRoot()->GetRight()->GetRule()->GetWeight(), 1.0);

    TRed map(std::make_unique<TIntSack>());
    for (int a : {4, 6, 9}) map.AddAttr(a);
    memory.RemapAttributes(map);
    std::ostringstream printed;
    memory.GetRoot()->PrintRules(printed);
    EXPECT_EQ(printed.str(), "0  1  6 \n2  1  4 \n1  1  9 \n");
}

TEST_F(RulMemoryTest, DeepTreesAreWalkedCopiedAndDeletedWithoutRecursion) {
    // A list-shaped search tree, as rules arriving in order build it, zigzagging between the
    // smallest and the greatest value left; built by hand, since inserting costs time
    // quadratic in the depth.
    constexpr int kDepth = 200000;
    auto root = std::make_unique<TLeaf>(RuleOf({{0, 0}}, 0, 0).release());
    TLeaf* last = root.get();
    int low = 1;
    int high = kDepth - 1;
    for (int i = 1; i < kDepth; ++i) {
        const bool right = i % 2 == 1;
        auto* next = new TLeaf(RuleOf({{0, right ? high-- : low++}}, 0, i).release());
        if (right) {
            last->SetRight(next);
        } else {
            last->SetLeft(next);
        }
        last = next;
    }
    RunOnSmallStack(128 * 1024, [&] {
        std::vector<TRuleComp*> flat(kDepth, nullptr);
        int index = 0;
        root->Flatten(flat.data(), index);
        EXPECT_EQ(index, kDepth);
        EXPECT_EQ(flat.back()->GetObject(), kDepth - 1);
        int counter = 0;
        EXPECT_EQ(root->GetNthRule(kDepth - 1, counter), flat.back());
        TLeaf copy(nullptr);
        root->Copy(&copy);
        counter = 0;
        EXPECT_EQ(copy.GetNthRule(kDepth - 1, counter)->GetObject(), kDepth - 1);
        EXPECT_NE(root->Find(flat.back()), nullptr);
        root.reset();
    });
}

TEST(RulMemoryDeath, EmptyAttributeListOrReductEndsTheProcess) {
    const int none[] = {-1};
    EXPECT_EQ(StdoutOfExitZero([&] {
                  TRulMemory memory;
                  memory.AddRule(none, 0);
              }),
              "BLAD KRYTYCZNY: TRulMemory::AddRule\nWstawiam regule bez deskryptorow!");
    EXPECT_EQ(StdoutOfExitZero([] {
                  TRulMemory memory;
                  memory.AddRed(std::make_unique<TIntSack>(), 1, 0);
              }),
              "BLAD KRYTYCZNY: TRulMemory::AddRed\nWstawiam regule bez deskryptorow!");
}

}  // namespace
