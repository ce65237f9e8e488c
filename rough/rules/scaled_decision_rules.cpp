#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "rough/reasoning/pair_distances.h"
#include "rough/rules/rul_memory.h"

// The decision column of these tables holds real values times 1000; what tells objects apart
// is how far their values (or the distances given between them) lie, so the rules say only
// that an object's values on a reduct go with it: decision 1.

namespace {

// For every object, the number of its group of objects with equal condition values, the
// groups numbered in the order of their first object.
std::vector<int> ConditionGroups(const TTable& t, int& groups) {
    return OrOutOfMemory([&] {
        const int conditions = std::max(t.GetNoAttr() - 1, 0);
        std::map<std::vector<int>, int> number;
        std::vector<int> group(static_cast<size_t>(t.GetNoObj()));
        for (int o = 0; o < t.GetNoObj(); ++o) {
            const int* row = t.Row(o);
            auto [at, added] = number.emplace(std::vector<int>(row, row + conditions), static_cast<int>(number.size()));
            group[static_cast<size_t>(o)] = at->second;
        }
        groups = static_cast<int>(number.size());
        return group;
    });
}

// Decision / 1000 summed, object by object in table order, over each group of objects with
// equal conditions; per group as many sums as classes. class_of(o) says which sum object o
// goes to. The mean of every object's group and class, 0.0 for a class without objects.
template <class ClassOf>
std::vector<std::vector<double>> GroupMeans(const TTable& t, int classes, ClassOf classOf) {
    int groups = 0;
    const std::vector<int> group = ConditionGroups(t, groups);
    return OrOutOfMemory([&] {
        std::vector<double> sum(static_cast<size_t>(groups) * classes, 0.0);
        std::vector<int> count(sum.size(), 0);
        const int decision = t.GetNoAttr() - 1;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            const size_t at = static_cast<size_t>(group[static_cast<size_t>(o)]) * classes + classOf(o);
            sum[at] += t.GetTable(o, decision) / 1000.0;
            ++count[at];
        }
        std::vector<std::vector<double>> means(static_cast<size_t>(classes), std::vector<double>(static_cast<size_t>(t.GetNoObj())));
        for (int o = 0; o < t.GetNoObj(); ++o) {
            for (int c = 0; c < classes; ++c) {
                const size_t at = static_cast<size_t>(group[static_cast<size_t>(o)]) * classes + c;
                means[static_cast<size_t>(c)][static_cast<size_t>(o)] = count[at] > 0 ? sum[at] / count[at] : 0.0;
            }
        }
        return means;
    });
}

}  // namespace

template <class Reducts>
void TRulMemory::ScaledDecisionRules(TTable& t, Reducts reducts) {
    DecisionAttr = t.GetNoAttr() - 1;
    const int conditions = t.GetNoAttr() - 1;
    auto reasoner = OrOutOfMemory([] { return std::make_unique<TBoole31>(); });
    LogMessage("Calculating all decision rules (Quandor-C++)");
    ShowProgress(0);
    for (int i = 0; i < t.GetNoObj(); ++i) {
        reducts(*reasoner, i);
        InsertMaskRules(t, i, reasoner->GetReducts(), conditions, 1);
    }
    reasoner.reset();
    ShowProgress(100);
}

// The object's class is the class table's last column; a class table shorter than the table
// would be read past its end and is refused.
void TRulMemory::CalculateAllRulesQuandor(TTable* t, TTable* c) {
    if (c->GetNoAttr() < 1 || c->GetNoObj() < t->GetNoObj()) {
        LogMessage("Bad number of element in TRulMemory::CalculateAllRulesQuandor ");
        throw CalcError(5);
    }
    WriteStdoutLine("CalculateAllRulesQuandor");
    const int classColumn = c->GetNoAttr() - 1;
    for (int o = 0; o < t->GetNoObj(); ++o) {
        const int v = c->Value(o, classColumn);
        if (v != 1 && v != 2) {
            WriteStdoutLine("BLAD KRYTYCZNY 10");
            EndProcess(0);
        }
    }
    const auto means = GroupMeans(*t, 2, [&](int o) { return c->Value(o, classColumn) - 1; });
    ScaledDecisionRules(*t, [&](TBoole31& r, int i) { r.CalcAllLocalReductsQuandor(t, i, means[0].data(), means[1].data()); });
}

void TRulMemory::CalculateAllRulesQuandor2(TTable* t) {
    WriteStdoutLine("CalculateAllRulesQuandor");
    const auto means = GroupMeans(*t, 1, [](int) { return 0; });
    ScaledDecisionRules(*t, [&](TBoole31& r, int i) { r.CalcAllLocalReductsQuandor2(t, i, means[0].data()); });
}

void TRulMemory::CalculateAllRulesSelvaro(TTable* t, TTable* g, double threshold, int n) {
    const PairDistances dist(*g, t->GetNoObj(), n, "TRulMemory::CalculateAllRulesSelvaro");
    WriteStdoutLine("CalculateAllRulesSelvaro dla progu: " + ShortDouble(threshold));
    dist.PrintRange();
    ScaledDecisionRules(*t, [&](TBoole31& r, int i) { r.CalcAllLocalReductsQuandor3(t, i, dist, threshold); });
}
