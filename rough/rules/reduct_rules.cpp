// Rules of a reduct: one per object, its values on the reduct's attributes. They are built
// to be kept, so the rule memory is held in quiet mode while they go in (outside it, it
// would publish and drop each one).
#include <memory>

#include "core/alloc_guard.h"
#include "core/report.h"
#include "core/table.h"
#include "core/tree_walk.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/block.h"
#include "rough/rules/rul_memory.h"
#include "rough/rules/rule_comp.h"

void TRed::GenerateRules(const TTable* t, TRulMemory* m) const {
    QuietModeGuard quiet;
    const int decision = t->GetNoAttr() - 1;
    for (int o = 0; o < t->GetNoObj(); ++o) {
        auto block = OrOutOfMemory([] { return std::make_unique<TBlock>(); });
        if (GetNoAttr() == 0) RuleWithoutDescriptors("TRed::GenerateRules");
        for (int a : *attributes) OrOutOfMemory([&] { block->AddDescriptor(a, t->GetTable(o, a)); });
        auto rule = OrOutOfMemory([&] { return std::make_unique<TRuleComp>(std::move(block), o); });
        rule->SetDecision(t->GetTable(o, decision));
        m->InsertRule(std::move(rule));
    }
}

void TRedLeaf::GenerateRules(const TTable* t, TRulMemory* m) const {
    tree_walk::VisitPreOrder(this, [&](const TRedLeaf& node) { node.red->GenerateRules(t, m); });
}

void TRedMemory::GenerateRules(const TTable* t, TRulMemory* m) const {
    Settle();
    if (root != nullptr) root->GenerateRules(t, m);
}
