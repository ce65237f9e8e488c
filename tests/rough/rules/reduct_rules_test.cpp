#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"

namespace {

std::unique_ptr<TRed> Red(std::initializer_list<int> attrs) {
    auto red = std::make_unique<TRed>();
    for (int a : attrs) red->AddAttr(a);
    return red;
}

// "object: a=v ... -> decision" for every stored rule in walk order.
std::vector<std::string> Rules(const TRulMemory& m) {
    std::vector<std::string> out;
    for (int n = 0;; ++n) {
        int counter = 0;
        const TRuleComp* r = m.GetRoot() == nullptr ? nullptr : m.GetRoot()->GetNthRule(n, counter);
        if (r == nullptr) break;
        std::string line = std::to_string(r->GetObject()) + ":";
        for (int i = 0; i < r->GetBlock()->GetNoDesc(); ++i)
            line += " " + std::to_string(r->GetBlock()->GetAttr(i)) + "=" + std::to_string(r->GetBlock()->GetValue(i));
        out.push_back(line + " -> " + std::to_string(r->GetDecision()));
    }
    return out;
}

// The rules are kept although the process is not in quiet mode, and it stays out of it.
TEST(ReductRules, OneRulePerObjectKept) {
    auto t = MakeTable({{1, 5, 7, 0}, {1, 6, 7, 1}, {1, 5, 7, 0}, {2, 5, 8, 1}});
    ASSERT_EQ(QuietMode, 0);
    TRulMemory m;
    Red({2, 0})->GenerateRules(t.get(), &m);
    EXPECT_EQ(QuietMode, 0);
    EXPECT_EQ(Rules(m), (std::vector<std::string>{"0: 2=7 0=1 -> 0", "1: 2=7 0=1 -> 1", "3: 2=8 0=2 -> 1"}));
    TRedMemory reducts;
    reducts.Insert(Red({1}));
    reducts.Insert(Red({0}));
    TRulMemory all;
    reducts.GenerateRules(t.get(), &all);
    EXPECT_EQ(all.GetNoRules(), 3 + 3);  // {1}: 5 -> 0, 6 -> 1, 5 -> 1; {0}: 1 -> 0, 1 -> 1, 2 -> 1
    EXPECT_EQ(Rules(all).front(), "0: 1=5 -> 0");
}

TEST(ReductRules, EmptyReductEndsTheProcess) {
    auto t = MakeTable({{1, 0}, {2, 1}});
    EXPECT_EQ(StdoutOfExitZero([&] {
                  TRulMemory m;
                  Red({})->GenerateRules(t.get(), &m);
              }),
              "BLAD KRYTYCZNY: TRed::GenerateRules\nWstawiam regule bez deskryptorow!");
}

}  // namespace
