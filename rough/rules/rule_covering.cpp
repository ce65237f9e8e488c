#include <type_traits>
#include <utility>

#include "core/quick_sort.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"

using tree_walk::VisitPreOrder;

namespace {

// Calls visit(rule) for the rules of class d in walk order (nodes emptied of their rule
// passed by); visit may answer false to end the walk.
template <class Node, class Visit>
void VisitClassRules(Node* root, int d, Visit visit) {
    VisitPreOrder(root, [&](Node& node) {
        TRuleComp* rule = node.GetRule();
        if (rule == nullptr || rule->GetDecision() != d) return true;
        if constexpr (std::is_same_v<decltype(visit(rule)), bool>) {
            return visit(rule);
        } else {
            visit(rule);
            return true;
        }
    });
}

// The rules of class d the covering may still choose.
template <class Node, class Visit>
void VisitOpenRules(Node* root, int d, Visit visit) {
    VisitClassRules(root, d, [&](TRuleComp* rule) { return rule->IsSelected() != 0 || visit(rule); });
}

int CountUncovered(const TTable& t, const int* covered) {
    int n = 0;
    for (int i = 0; i < t.GetNoObj(); ++i) n += covered[i] == 0 ? 1 : 0;
    return n;
}

}  // namespace

void TLeaf::GetClassRules(TRuleComp** array, int d, int& count) const {
    VisitClassRules(this, d, [&](TRuleComp* rule) { array[count++] = rule; });
}

void TLeaf::ClearSelected(int d) {
    VisitClassRules(this, d, [](TRuleComp* rule) { rule->SetSelected(0); });
}

void TLeaf::CalcCoverShares(const TTable& t, const int* covered, int d) {
    const float uncovered = static_cast<float>(CountUncovered(t, covered));
    VisitOpenRules(this, d, [&](TRuleComp* rule) {
        const float matched = static_cast<float>(rule->CountNewlyCovered(t, covered));
        rule->SetCoverShare(uncovered > 0.0f ? matched / uncovered : 0.0f);
        return true;
    });
}

void TLeaf::CountAboveThreshold(double h, int& count, int d) const {
    VisitOpenRules(this, d, [&](const TRuleComp* rule) {
        if (rule->GetCoverShare() >= h) ++count;
        return true;
    });
}

void TLeaf::SumAboveThreshold(double h, double& sum, int d) const {
    VisitOpenRules(this, d, [&](const TRuleComp* rule) {
        if (rule->GetCoverShare() >= h) sum += rule->GetCoverShare();
        return true;
    });
}

int TLeaf::RoulettePick(double h, double u, double& sum, const TTable& t, int* covered, int& coveredCount,
                        int d) {
    int picked = 0;
    VisitOpenRules(this, d, [&](TRuleComp* rule) {
        if (rule->GetCoverShare() < h) return true;
        sum += rule->GetCoverShare();
        if (sum < u) return true;
        rule->SetSelected(1);
        for (int i = 0; i < t.GetNoObj(); ++i) {
            if (covered[i] == 0 && rule->TestObj(t, i)) {
                covered[i] = 1;
                ++coveredCount;
            }
        }
        picked = 1;
        return false;
    });
    return picked;
}

void TRulMemory::SwapRuleEntries(TRuleComp** rules, int* counts, int i, int j) {
    std::swap(rules[i], rules[j]);
    std::swap(counts[i], counts[j]);
}

void TRulMemory::SortRuleEntries(TRuleComp** rules, int* counts, int lo, int hi) {
    PivotFirstQuickSort(
        lo, hi, [&](int i) { return counts[i]; }, [&](int i, int j) { SwapRuleEntries(rules, counts, i, j); });
}
