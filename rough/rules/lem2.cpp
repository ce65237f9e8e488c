#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/int_tree.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"

namespace {

// Counts a pair in a tree that may still be empty (the first pair makes the root).
void CountPair(std::unique_ptr<TInt2Tree>& tree, int a, int v) {
    if (tree == nullptr) {
        tree = OrOutOfMemory([&] { return std::make_unique<TInt2Tree>(a, v); });
    } else {
        tree->Add(a, v);
    }
}

}  // namespace

void TRulMemory::CalculateRulesLEM2(TTable* t, const TDValInfo& classes, double fraction) {
    t->RequireDecisionColumn();
    QuietModeGuard keepRules;
    DecisionAttr = t->GetNoAttr() - 1;
    LogMessage("Calculating decision rules using LEM2");
    LogMessage("0%");
    WriteStdoutLine("");

    const int noObj = t->GetNoObj();
    const int conditions = t->GetNoAttr() - 1;
    std::vector<int> G;
    std::vector<int> W;
    std::vector<int> flags;
    OrOutOfMemory([&] {
        G.resize(static_cast<size_t>(noObj));
        W.resize(static_cast<size_t>(noObj));
        flags.resize(static_cast<size_t>(std::max(conditions, 0)));  // a table without columns has no conditions
    });
    // The whole table's pairs, missing values included, break ties between pairs equally
    // frequent among the objects a rule is grown for.
    std::unique_ptr<TInt2Tree> P;
    for (int o = 0; o < noObj; ++o) {
        for (int a = 0; a < conditions; ++a) CountPair(P, a, t->Value(o, a));
    }

    for (int k = 0; k < classes.GetNoDecVal(); ++k) {
        const int d = classes.GetDecVal(k);
        WriteStdoutLine("DLA KLASY: " + std::to_string(d));
        int g = 0;
        for (int o = 0; o < noObj; ++o) {
            if (t->Value(o, conditions) == d) G[static_cast<size_t>(g++)] = o;
        }
        const int n = g;
        const int limit = static_cast<int>((1.0 - fraction) * n);
        WriteStdoutLine("Limit i do pokrycia:    " + std::to_string(limit) + " " + std::to_string(n));
        while (n - g < limit) {
            auto rule = OrOutOfMemory([] { return std::make_unique<TRuleComp>(); });
            rule->SetDecision(d);
            FindRuleLEM2(*t, *rule, G.data(), g, W.data(), flags.data(), P.get());
            if (rule->GetBlock()->GetNoDesc() == 0) break;
            int kept = 0;
            for (int i = 0; i < g; ++i) {
                const int o = G[static_cast<size_t>(i)];
                if (!rule->TestObj(*t, o)) G[static_cast<size_t>(kept++)] = o;
            }
            g = kept;
            InsertRule(std::move(rule));
        }
    }
    LogMessage("100%");
}

void TRulMemory::FindRuleLEM2(const TTable& t, TRuleComp& rule, const int* G, int g, int* W, int* flags,
                              const TInt2Tree* P) {
    const int conditions = t.GetNoAttr() - 1;
    TBlock& block = *rule.GetBlock();
    int w = g;
    for (int i = 0; i < g; ++i) W[i] = G[i];
    for (int a = 0; a < conditions; ++a) flags[a] = 1;
    int used = 0;
    while (w > 0) {
        // The pairs of W are counted in W's order, attributes ascending: among pairs equal on
        // both counts the first one the tree's walk meets wins, so the order makes the rule.
        std::unique_ptr<TInt2Tree> T;
        for (int i = 0; i < w; ++i) {
            const int* row = t.Row(W[i]);
            for (int a = 0; a < conditions; ++a) {
                if (flags[a] != 0 && row[a] != TTable::MissingValue) CountPair(T, a, row[a]);
            }
        }
        if (T == nullptr) break;
        int a = -1;
        int v = 0;
        int count = 0;
        T->GetBestPair(a, v, count, P);
        if (a == -1) break;
        OrOutOfMemory([&] { block.AddDescriptor(a, v); });
        if (rule.IsConsistent(t)) break;
        flags[a] = 0;
        if (++used == t.GetNoAttr()) break;
        int kept = 0;
        for (int i = 0; i < w; ++i) {
            if (t.Value(W[i], a) == v) W[kept++] = W[i];
        }
        w = kept;
    }
    if (block.GetNoDesc() > 0) rule.DropRedundantDescriptors(t);
}
