#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/int_sack.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rule_comp.h"
#include "tests/rough/rough_test_util.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/test_files.h"

namespace {

std::vector<int> Keys(const TIntTree* tree) {
    TIntSack keys;
    if (tree != nullptr) tree->AddKeysTo(keys);  // pre-order: ascending for these trees
    return std::vector<int>(keys.begin(), keys.end());
}

std::string Printed(const TRuleComp& rule) {
    std::ostringstream out;
    rule.Print(out);
    return out.str();
}

// A table of `rows` objects all equal to `row`.
std::unique_ptr<TTable> Repeated(int rows, const std::vector<int>& row) {
    auto table = std::make_unique<TTable>();
    table->CreateTable(rows, static_cast<int>(row.size()));
    for (int o = 0; o < rows; ++o) {
        for (int a = 0; a < static_cast<int>(row.size()); ++a) table->SetTable(o, a, row[static_cast<size_t>(a)]);
    }
    return table;
}

TEST(RuleComp, StartsWithoutDecisionObjectOrEvaluation) {
    LogCapture log;
    TRuleComp rule;
    EXPECT_EQ(rule.GetDecision(), 2147483647);
    EXPECT_EQ(rule.GetObject(), -1);
    EXPECT_EQ(rule.GetPosSupport(), 0);
    EXPECT_EQ(rule.GetNegSupport(), 0);
    EXPECT_EQ(rule.GetWeight(), 0.0);
    EXPECT_EQ(rule.GetCoverShare(), 0.0f);
    EXPECT_EQ(rule.IsSelected(), 0);
    ASSERT_NE(rule.GetBlock(), nullptr);
    EXPECT_EQ(rule.GetBlock()->GetNoDesc(), 0);
    EXPECT_EQ(rule.GetRecPosObjInfo(), nullptr);
    EXPECT_EQ(rule.GetRecNegObjInfo(), nullptr);
    EXPECT_EQ(log.Text(),
              "Warning: RecPosObjInfo is NULL! (TRuleComp::GetRecPosObjInfo())\n"
              "Warning: RecNegObjInfo is NULL! (TRuleComp::GetRecNegObjInfo())\n");

    TRuleComp fromObject(std::make_unique<TBlock>(), 4);
    EXPECT_EQ(fromObject.GetObject(), 4);
    EXPECT_EQ(fromObject.GetDecision(), 2147483647);
}

TEST(RuleComp, NewBlockThatCannotBeHadIsCodeTwo) {
    FailingAllocation failing;
    try {
        TRuleComp rule;
        FAIL() << "the block was allocated";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.GetCode(), 2);
    }
}

TEST(RuleComp, RuleWithoutBlockWarnsAndRefusesToWork) {
    LogCapture log;
    TRuleComp rule(nullptr, 1);
    EXPECT_EQ(rule.GetBlock(), nullptr);
    EXPECT_EQ(log.Text(), "Warning: Block is NULL! (TRuleComp::GetBlock())\n");
    auto table = MakeTable({{1, 0}});
    EXPECT_THROW(rule.TestObj(*table, 0), CalcError);
    EXPECT_THROW(rule.Publish(), CalcError);
    TRuleComp other;
    other = rule;
    EXPECT_EQ(other.GetObject(), 1);
    EXPECT_THROW(other.ContainsAttr(0), CalcError);
}

TEST(RuleComp, AssignmentCopiesTheRuleButNotItsEvaluation) {
    auto table = MakeTable({{1, 0}, {1, 1}});
    auto source = RuleOf({{0, 1}}, 0, 3);
    auto copy = RuleOf({{0, 1}}, 1, 9);
    copy->CalcInfo(*table, 2);
    copy->SetCoverShare(0.5f);
    copy->SetSelected(1);
    *copy = *source;
    EXPECT_EQ(copy->SameBlock(*source), 1);
    EXPECT_EQ(copy->GetObject(), 3);
    EXPECT_EQ(copy->GetDecision(), 0);
    EXPECT_EQ(copy->GetPosSupport(), 0);
    EXPECT_EQ(copy->GetNegSupport(), 0);
    EXPECT_EQ(copy->GetWeight(), 0.0);
    {
        LogCapture log;
        EXPECT_EQ(copy->GetRecPosObjInfo(), nullptr);
        EXPECT_EQ(copy->GetRecNegObjInfo(), nullptr);
    }
    EXPECT_EQ(copy->GetCoverShare(), 0.5f);
    EXPECT_EQ(copy->IsSelected(), 1);

    source->CalcInfo(*table, 2);
    *source = *source;
    EXPECT_EQ(source->GetPosSupport(), 1);
    EXPECT_EQ(source->GetWeight(), 0.5);

    source->GetBlock()->AddDescriptor(2, 2);  // the copy has a block of its own
    EXPECT_EQ(copy->GetBlock()->GetNoDesc(), 1);
}

TEST(RuleComp, SettingAnObjectTreeReplacesTheOneHeld) {
    TRuleComp rule;
    rule.SetRecPosObjInfo(std::make_unique<TIntTree>(4));
    rule.SetRecPosObjInfo(std::make_unique<TIntTree>(6));
    rule.SetRecNegObjInfo(std::make_unique<TIntTree>(1));
    EXPECT_EQ(Keys(rule.GetRecPosObjInfo()), std::vector<int>{6});
    EXPECT_EQ(Keys(rule.GetRecNegObjInfo()), std::vector<int>{1});
}

class RuleTest : public ::testing::Test {
protected:
    // The rule a0 = 1 & a1 = 1 => 0 against:
    //   0: 1 1 | 0  matched, own decision
    //   1: 1 0 | 1  only descriptor 1 fails
    //   2: 0 1 | 1  only descriptor 0 fails
    //   3: 0 1 | 1  only descriptor 0 fails
    //   4: 1 1 | 1  matched, another decision
    //   5: 0 0 | 1  both fail
    //   6: 1 1 | 0  matched, own decision
    //   7: 1 0 | 0  only descriptor 1 fails, own decision
    std::unique_ptr<TTable> table = MakeTable(
        {{1, 1, 0}, {1, 0, 1}, {0, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 0, 1}, {1, 1, 0}, {1, 0, 0}});
    std::unique_ptr<TRuleComp> rule = RuleOf({{0, 1}, {1, 1}}, 0);
};

TEST_F(RuleTest, ObjectInfoSplitsTheMatchedObjectsByDecision) {
    rule->CalcObjInfo(*table);
    EXPECT_EQ(rule->GetPosSupport(), 2);
    EXPECT_EQ(rule->GetNegSupport(), 1);
    EXPECT_EQ(Keys(rule->GetRecPosObjInfo()), (std::vector<int>{0, 6}));
    EXPECT_EQ(Keys(rule->GetRecNegObjInfo()), std::vector<int>{4});
    EXPECT_EQ(rule->GetRecPosObjInfo()->GetNoNodes(), 2);
    EXPECT_EQ(rule->GetWeight(), 0.0);

    // A second evaluation starts afresh: with decision 1 the sides swap.
    rule->SetDecision(1);
    rule->CalcObjInfo(*table);
    EXPECT_EQ(rule->GetPosSupport(), 1);
    EXPECT_EQ(rule->GetNegSupport(), 2);
    EXPECT_EQ(Keys(rule->GetRecPosObjInfo()), std::vector<int>{4});
    EXPECT_EQ(Keys(rule->GetRecNegObjInfo()), (std::vector<int>{0, 6}));
}

TEST_F(RuleTest, ObjectTreesHoldEveryMatchedObjectInAscendingChain) {
    auto many = Repeated(2000, {3, 0});
    for (int o = 0; o < 2000; o += 2) many->SetTable(o, 1, 1);
    auto wide = RuleOf({{0, 3}}, 1);
    wide->CalcObjInfo(*many);
    EXPECT_EQ(wide->GetPosSupport(), 1000);
    EXPECT_EQ(wide->GetNegSupport(), 1000);
    const TIntTree* pos = wide->GetRecPosObjInfo();
    EXPECT_EQ(pos->GetNoNodes(), 1000);
    // Ascending keys: each one the right child of the one before, as adding at the root makes.
    int expected = 0;
    for (const TIntTree* node = pos; node != nullptr; node = node->GetRight()) {
        EXPECT_EQ(node->GetKey(), expected);
        EXPECT_EQ(node->GetLeft(), nullptr);
        expected += 2;
    }
    EXPECT_EQ(expected, 2000);
    EXPECT_EQ(wide->GetRecNegObjInfo()->Find(1999), 1);
}

TEST_F(RuleTest, NoMatchLeavesBothTreesEmpty) {
    LogCapture log;
    auto never = RuleOf({{0, 5}}, 0);
    never->SetRecPosObjInfo(std::make_unique<TIntTree>(3));
    never->SetPosSupport(4);
    never->CalcObjInfo(*table);
    EXPECT_EQ(never->GetPosSupport(), 0);
    EXPECT_EQ(never->GetNegSupport(), 0);
    EXPECT_EQ(never->GetRecPosObjInfo(), nullptr);
    EXPECT_EQ(never->GetRecNegObjInfo(), nullptr);
    EXPECT_EQ(log.Text(),
              "Warning: RecPosObjInfo is NULL! (TRuleComp::GetRecPosObjInfo())\n"
              "Warning: RecNegObjInfo is NULL! (TRuleComp::GetRecNegObjInfo())\n");
}

TEST_F(RuleTest, WeightHalvesPerContradictionAndShrinksPerSeparatingDescriptor) {
    // c = 1 (object 4); f[0] = 2 (objects 2, 3); f[1] = 1 (object 1; object 7 has the rule's
    // decision): 2^-1 * (1 - 2^-2) * (1 - 2^-1).
    rule->CalcWeight(*table);
    EXPECT_DOUBLE_EQ(rule->GetWeight(), 0.5 * 0.75 * 0.5);

    // Without object 2 and 3 no object is told apart by descriptor 0 alone: weight 0.
    auto noSeparation = MakeTable({{1, 1, 0}, {1, 0, 1}, {0, 0, 1}});
    rule->CalcWeight(*noSeparation);
    EXPECT_EQ(rule->GetWeight(), 0.0);
}

TEST_F(RuleTest, WeightOfASingleDescriptorCountsOnlyContradictions) {
    auto consistent = RuleOf({{0, 0}}, 1);
    consistent->CalcWeight(*table);
    EXPECT_EQ(consistent->GetWeight(), 1.0);

    auto twice = RuleOf({{1, 1}}, 0);  // objects 2, 3 and 4 contradict it
    twice->CalcWeight(*table);
    EXPECT_EQ(twice->GetWeight(), 0.125);

    auto twoAgainst = MakeTable({{1, 0}, {1, 1}, {1, 1}});
    auto half = RuleOf({{0, 1}}, 0);
    half->CalcWeight(*twoAgainst);
    EXPECT_EQ(half->GetWeight(), 0.25);
}

TEST(RuleWeight, LargeCountsGiveTheTrueValue) {
    // 600 objects separated by each of the two descriptors: about 1, not 0 or NaN.
    auto table = Repeated(1200, {1, 0, 1});
    for (int o = 600; o < 1200; ++o) {
        table->SetTable(o, 0, 0);
        table->SetTable(o, 1, 1);
    }
    auto rule = RuleOf({{0, 1}, {1, 1}}, 0);
    rule->CalcWeight(*table);
    EXPECT_EQ(rule->GetWeight(), 1.0);

    // 1000 contradictions, one separation by descriptor 0 and 30 by descriptor 1: tiny but
    // not zero.
    auto tiny = Repeated(1031, {1, 1, 1});
    for (int o = 1000; o < 1030; ++o) tiny->SetTable(o, 1, 0);
    tiny->SetTable(1030, 0, 0);
    rule->CalcWeight(*tiny);
    EXPECT_DOUBLE_EQ(rule->GetWeight(), std::pow(2.0, -1000) * 0.5 * (1.0 - std::pow(2.0, -30)));
    EXPECT_GT(rule->GetWeight(), 0.0);

    // Ten thousand contradictions: the weight is simply 0, the process goes on.
    auto huge = Repeated(10001, {1, 1});
    auto single = RuleOf({{0, 1}}, 0);
    single->CalcWeight(*huge);
    EXPECT_EQ(single->GetWeight(), 0.0);
}

TEST_F(RuleTest, CalcInfoModesChooseWhatIsComputed) {
    rule->CalcInfo(*table, 1);
    EXPECT_EQ(rule->GetPosSupport(), 0);
    {
        LogCapture log;
        EXPECT_EQ(rule->GetRecPosObjInfo(), nullptr);
    }
    EXPECT_DOUBLE_EQ(rule->GetWeight(), 0.1875);

    rule->SetWeight(0.0);
    rule->CalcInfo(*table, 0);
    EXPECT_EQ(rule->GetPosSupport(), 2);
    EXPECT_EQ(rule->GetWeight(), 0.0);

    rule->SetPosSupport(9);
    rule->CalcInfo(*table, 1);  // the supports stay as they were
    EXPECT_EQ(rule->GetPosSupport(), 9);
    EXPECT_EQ(Keys(rule->GetRecPosObjInfo()), (std::vector<int>{0, 6}));

    auto both = RuleOf({{0, 1}, {1, 1}}, 0);
    both->CalcInfo(*table, 2);
    EXPECT_EQ(both->GetNegSupport(), 1);
    EXPECT_DOUBLE_EQ(both->GetWeight(), 0.1875);

    auto none = RuleOf({{0, 1}, {1, 1}}, 0);
    none->CalcInfo(*table, 3);
    EXPECT_EQ(none->GetPosSupport(), 0);
    EXPECT_EQ(none->GetWeight(), 0.0);
}

TEST_F(RuleTest, MatchingCoverageAndConsistency) {
    EXPECT_EQ(rule->TestObj(*table, 4), 1);
    EXPECT_EQ(rule->TestObj(*table, 1), 0);
    EXPECT_EQ(rule->TestObjEx(*table, 1), 1);
    EXPECT_EQ(rule->TestObjEx(*table, 5), 0);

    int covered[8] = {0, 0, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(rule->CountNewlyCovered(*table, covered), 2);  // 0 and 4, whatever the decision
    EXPECT_EQ(rule->MarkCovered(*table, 0, covered), 1);    // 0 only: 6 was covered, 4 is of 1
    EXPECT_EQ(std::vector<int>(covered, covered + 8), (std::vector<int>{1, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(rule->CountNewlyCovered(*table, covered), 1);
    EXPECT_EQ(rule->MarkCovered(*table, 1, covered), 1);
    EXPECT_EQ(covered[4], 1);

    EXPECT_EQ(rule->IsConsistent(*table), 0);  // object 4
    auto narrow = RuleOf({{0, 1}, {1, 0}}, 1);  // objects 1 (decision 1) and 7 (decision 0)
    EXPECT_EQ(narrow->IsConsistent(*table), 0);
    narrow->SetDecision(0);
    EXPECT_EQ(narrow->IsConsistent(*table), 0);
    auto exact = RuleOf({{0, 0}, {1, 0}}, 1);
    EXPECT_EQ(exact->IsConsistent(*table), 1);
    EXPECT_EQ(exact->IsConsistentWithout(*table, 1), 1);  // a0 = 0 alone: objects 2, 3, 5
    EXPECT_EQ(exact->IsConsistentWithout(*table, 0), 0);  // a1 = 0 alone: object 7
}

TEST(RuleDrop, DescriptorsAreDroppedFromTheLastOneDown) {
    // Going down: a2 goes ({a0, a1} is consistent), a1 stays ({a0} matches object 1), a0 goes
    // ({a1} is consistent). Going up would have kept a2 instead.
    auto table = MakeTable({{1, 1, 1, 0}, {1, 0, 0, 1}});
    auto rule = RuleOf({{0, 1}, {1, 1}, {2, 1}}, 0);
    rule->DropRedundantDescriptors(*table);
    EXPECT_EQ(Printed(*rule), "0  1  1 \n");
    EXPECT_EQ(rule->GetBlock()->GetValue(0), 1);

    // Nothing is dropped from a rule that needs every descriptor.
    auto needed = MakeTable({{1, 1, 0}, {1, 0, 1}, {0, 1, 1}});
    auto tight = RuleOf({{0, 1}, {1, 1}}, 0);
    tight->DropRedundantDescriptors(*needed);
    EXPECT_EQ(Printed(*tight), "0  2  0 1 \n");

    // On a table of one decision even the last descriptor goes.
    auto oneDecision = MakeTable({{1, 1, 0}, {2, 2, 0}});
    auto loose = RuleOf({{0, 1}, {1, 1}}, 0);
    loose->DropRedundantDescriptors(*oneDecision);
    EXPECT_EQ(loose->GetBlock()->GetNoDesc(), 0);
}

TEST(RuleComp, BlocksAndAttributes) {
    auto a = RuleOf({{2, 1}, {0, 4}}, 0, 1);
    auto b = RuleOf({{2, 1}, {0, 4}}, 1, 5);
    auto c = RuleOf({{0, 4}, {2, 1}}, 0, 1);
    EXPECT_EQ(a->SameBlock(*b), 1);  // decision and object do not count
    EXPECT_EQ(a->SameBlock(*c), 0);
    EXPECT_EQ(a->ContainsAttr(0), 1);
    EXPECT_EQ(a->ContainsAttr(4), 0);
}

TEST(RuleComp, RemappingCarriesAttributesBackToTheFullTable) {
    auto sack = std::make_unique<TIntSack>();
    for (int a : {2, 5, 7}) sack->AddElem(a);
    TRed reduct(std::move(sack));
    auto rule = RuleOf({{2, 30}, {0, 10}}, 1, 4);
    rule->RemapAttributes(reduct);
    EXPECT_EQ(Printed(*rule), "4  2  7 2 \n");
    EXPECT_EQ(rule->GetBlock()->GetValue(0), 30);
    EXPECT_EQ(rule->GetBlock()->GetValue(1), 10);

    LogCapture log;
    auto outside = RuleOf({{3, 0}}, 1, 4);
    EXPECT_THROW(outside->RemapAttributes(reduct), CalcError);
    EXPECT_EQ(log.Text(), "Bad number of element in TIntSack::GetElem \n");
}

TEST(RuleComp, ScoreThresholds) {
    auto rule = RuleOf({{0, 1}}, 0);
    rule->SetPosSupport(2);
    rule->SetWeight(0.5);
    EXPECT_EQ(rule->CheckWeight(0, 2.9), 1);  // the threshold is cut to 2
    EXPECT_EQ(rule->CheckWeight(0, 3.0), 0);
    EXPECT_EQ(rule->CheckWeight(0, 1e300), 0);
    EXPECT_EQ(rule->CheckWeight(0, -1e300), 1);
    EXPECT_EQ(rule->CheckWeight(1, 0.5), 1);
    EXPECT_EQ(rule->CheckWeight(1, 0.51), 0);
    EXPECT_EQ(rule->CheckWeight(2, 1.0), 1);
    EXPECT_EQ(rule->CheckWeight(2, 1.01), 0);
}

TEST(RuleComp, ScoreRangeWidensOnEitherSide) {
    auto rule = RuleOf({{0, 1}}, 0);
    rule->SetPosSupport(2);
    rule->SetWeight(0.25);

    double min = 2.5;  // cut to 2: the support is not below it
    double max = 1.5;  // cut to 1: the support is above it
    rule->GetMinMaxWeight(0, min, max);
    EXPECT_EQ(min, 2.5);
    EXPECT_EQ(max, 2.0);

    min = 1e300;  // one rule sets both ends of an empty range
    max = -1e300;
    rule->GetMinMaxWeight(0, min, max);
    EXPECT_EQ(min, 2.0);
    EXPECT_EQ(max, 2.0);

    min = 0.3;
    max = 0.3;
    rule->GetMinMaxWeight(1, min, max);
    EXPECT_EQ(min, 0.25);
    EXPECT_EQ(max, 0.3);
    rule->GetMinMaxWeight(2, min, max);
    EXPECT_EQ(min, 0.25);
    EXPECT_EQ(max, 0.5);
}

TEST(RuleCompDeathTest, UnknownScoreKindEndsTheProcess) {
    auto rule = RuleOf({{0, 1}}, 0);
    EXPECT_EQ(StdoutOfExitZero([&] { rule->CheckWeight(3, 0.0); }), "NIEMILY BLAD w TRuleComp::CheckWeight\n");
    EXPECT_EQ(StdoutOfExitZero([&] {
                  double min = 0.0;
                  double max = 1.0;
                  rule->GetMinMaxWeight(-1, min, max);
              }),
              "NIEMILY BLAD w TRuleComp::GetMinMaxWeight\n");
}

TEST(RuleCompDeathTest, EvaluatingARuleWithoutConditionsEndsTheProcess) {
    auto table = MakeTable({{1, 0}});
    TRuleComp empty;
    EXPECT_EQ(StdoutOfExitZero([&] { empty.CalcObjInfo(*table); }),
              "BLAD KRYTYCZNY: TBlock::TestObj\nIlosc deskryptorow w regule wynosi: 0\n");
}

TEST(RuleComp, PrintShowsObjectCountAndAttributesInBlockOrder) {
    EXPECT_EQ(Printed(*RuleOf({{0, 5}, {3, 6}}, 1, 7)), "7  2  0 3 \n");
    EXPECT_EQ(Printed(TRuleComp()), "-1  0  \n");
}

class PublishTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_RuleBuf = buffer;
        g_RuleBufSize = 4;
    }
    void TearDown() override {
        g_RuleBuf = nullptr;
        g_RuleBufSize = 0;
        QuietMode = 0;
    }
    int buffer[4] = {-1, -1, -1, -1};
};

TEST_F(PublishTest, BufferHoldsCountObjectAndAttributesInBlockOrder) {
    testing::internal::CaptureStdout();
    RuleOf({{5, 50}, {1, 10}}, 1, 0)->Publish();
    EXPECT_EQ(std::vector<int>(buffer, buffer + 4), (std::vector<int>{4, 0, 5, 1}));
    TRuleComp(std::make_unique<TBlock>(), 4).Publish();
    EXPECT_EQ(buffer[0], 2);
    EXPECT_EQ(buffer[1], 4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RULE:4 0 5 1 \nRULE:2 4 \n");
}

TEST_F(PublishTest, QuietModeFillsTheBufferOnly) {
    QuietMode = 1;
    testing::internal::CaptureStdout();
    RuleOf({{2, 0}}, 1, 6)->Publish();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(std::vector<int>(buffer, buffer + 3), (std::vector<int>{3, 6, 2}));
}

TEST_F(PublishTest, RuleLongerThanTheBufferIsRefusedUntouched) {
    auto rule = RuleOf({{0, 0}, {1, 1}, {2, 2}}, 1, 6);
    try {
        rule->Publish();
        FAIL() << "the rule does not fit";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.GetCode(), 5);
    }
    EXPECT_EQ(std::vector<int>(buffer, buffer + 4), (std::vector<int>{-1, -1, -1, -1}));
    g_RuleBuf = nullptr;
    EXPECT_THROW(RuleOf({}, 1, 6)->Publish(), CalcError);
}

}  // namespace
