// Evaluating one rule against a large table: the object lists of a rule that matches many
// objects (its trees receive the objects in ascending order), the weight, and the descriptor
// dropping that tests the table once per descriptor.
#include <memory>
#include <string>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/rules/block.h"
#include "rough/rules/rule_comp.h"

namespace {

// Ten condition attributes of values 0..2 (attribute 0 is 0 for half the objects), decision 0..1.
std::unique_ptr<TTable> RandomTable(int rows) {
    SeedRand(7);
    auto table = std::make_unique<TTable>();
    table->CreateTable(rows, 11);
    for (int o = 0; o < rows; ++o) {
        table->SetTable(o, 0, o % 2);
        for (int a = 1; a < 10; ++a) table->SetTable(o, a, RandomInt(3));
        table->SetTable(o, 10, RandomInt(2));
    }
    return table;
}

std::unique_ptr<TRuleComp> Rule(std::initializer_list<std::pair<int, int>> descriptors) {
    auto block = std::make_unique<TBlock>();
    for (auto [a, v] : descriptors) block->AddDescriptor(a, v);
    auto rule = std::make_unique<TRuleComp>(std::move(block), 0);
    rule->SetDecision(0);
    return rule;
}

}  // namespace

int main() {
    const int rows = 400000;
    auto table = RandomTable(rows);
    {
        auto rule = Rule({{0, 0}});
        BenchTimer t;
        rule->CalcObjInfo(*table);
        BenchReport("CalcObjInfo, rule matching half of 4e5", t.Seconds(),
                    std::to_string(rule->GetPosSupport() + rule->GetNegSupport()) + " matched");
    }
    {
        auto rule = Rule({{0, 0}, {1, 1}, {2, 2}, {3, 0}});
        BenchTimer t;
        rule->CalcWeight(*table);
        BenchReport("CalcWeight, 4 descriptors over 4e5", t.Seconds(), "weight " + std::to_string(rule->GetWeight()));
    }
    {
        auto rule = Rule({{0, 0}, {1, 1}, {2, 2}, {3, 0}, {4, 1}, {5, 2}, {6, 0}, {7, 1}, {8, 2}, {9, 0}});
        BenchTimer t;
        rule->DropRedundantDescriptors(*table);
        BenchReport("DropRedundantDescriptors, 10 over 4e5", t.Seconds(),
                    std::to_string(rule->GetBlock()->GetNoDesc()) + " left");
    }
    return 0;
}
