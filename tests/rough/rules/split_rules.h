#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"

// A real table split into its even rows (training) and odd rows (test), with every rule of
// the training half evaluated on it and the classes of the training half: the rule set the
// classification and shortening procedures are written for.
struct SplitRules {
    TTable train;
    TTable test;
    TRulMemory memory;
    TDValInfo info;
};

inline void CopyRows(const TTable& from, int first, TTable& to) {
    const int rows = (from.GetNoObj() - first + 1) / 2;
    to.CreateTable(rows, from.GetNoAttr());
    for (int r = 0; r < rows; ++r) {
        for (int a = 0; a < from.GetNoAttr(); ++a) to.SetTable(r, a, from.GetTable(2 * r + first, a));
    }
}

inline std::unique_ptr<SplitRules> LoadSplitRules(const std::string& name) {
    TTable whole;
    whole.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
    auto split = std::make_unique<SplitRules>();
    CopyRows(whole, 0, split->train);
    CopyRows(whole, 1, split->test);
    QuietModeGuard quiet;
    split->memory.CalculateAllRules(&split->train, 1);
    split->memory.CalcRulesInfo(&split->train, 2);
    split->info.CalcFromTable(split->train);
    return split;
}

// The stored rules in walk order (node, left subtree, right subtree).
inline std::vector<const TRuleComp*> RulesInWalkOrder(const TRulMemory& memory) {
    std::vector<TRuleComp*> rules(static_cast<size_t>(memory.GetNoRules()));
    int index = 0;
    if (memory.GetRoot() != nullptr) memory.GetRoot()->Flatten(rules.data(), index);
    return std::vector<const TRuleComp*>(rules.begin(), rules.begin() + index);
}
