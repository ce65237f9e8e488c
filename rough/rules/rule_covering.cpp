#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <ostream>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/alloc_guard.h"
#include "core/quick_sort.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/discernibility.h"
#include "rough/rules/rul_memory.h"
#include "rough/rules/rule_matcher.h"

using tree_walk::VisitPreOrder;

namespace {

// Calls visit(rule) for the rules of class d in walk order (a node without a rule passed
// by); visit may answer false to end the walk.
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

namespace {

// Which objects a rule matches never changes, only which of them are covered: the matches
// are found once, and a newly covered object takes itself off the counts of the rules that
// match it. The counts are then those a recount over the table would give at every step.
// Where the matches cannot be held, the table is recounted instead.
//
// What a match costs at the lists' peak: the list the matches are found in grows by doubling,
// so it takes up to two ints per match once found and three while it moves to a larger
// buffer; the same matches listed the other way take one int each beside it.
constexpr long long kBytesPerMatch = 3 * sizeof(int);
long long matchLimit = 0;  // set by a test; 0: from the memory

// The same pairs listed from the other side: list k is items[starts[k] .. starts[k + 1]),
// and each item i in it puts k in list i of `lists` lists, the k ascending in every list.
void Transpose(const std::vector<int>& starts, const std::vector<int>& items, int lists, std::vector<int>& toStarts,
               std::vector<int>& toItems) {
    toStarts.assign(static_cast<size_t>(lists) + 1, 0);
    for (int i : items) ++toStarts[static_cast<size_t>(i) + 1];
    for (size_t k = 1; k < toStarts.size(); ++k) toStarts[k] += toStarts[k - 1];
    toItems.resize(items.size());
    std::vector<int> at(toStarts.begin(), toStarts.end() - 1);
    for (size_t k = 0; k + 1 < starts.size(); ++k) {
        for (int j = starts[k]; j < starts[k + 1]; ++j) {
            toItems[static_cast<size_t>(at[static_cast<size_t>(items[static_cast<size_t>(j)])]++)] = static_cast<int>(k);
        }
    }
}

class CoverCounts {
public:
    // False (and nothing held) when the rules match more objects than `limit`, or when the
    // lists cannot be had. The matches come from a RuleMatcher object by object where it
    // takes the rules, else rule by rule; either way the same lists, and the bound is passed
    // or not by the same total.
    bool Build(const TTable& t, const std::vector<TRuleComp*>& rules, int m, long long limit) {
        std::vector<const TBlock*> blocks;
        OrOutOfMemory([&] {
            for (int r = 0; r < m; ++r) blocks.push_back(rules[static_cast<size_t>(r)]->BlockIfAny());
        });
        const std::unique_ptr<RuleMatcher> matcher = RuleMatcher::Build(blocks, t);
        try {
            if (matcher != nullptr ? ByObjects(t, *matcher, limit) : ByRules(t, rules, m, limit)) {
                if (matcher != nullptr) {
                    Transpose(objectStart, rulesOf, m, ruleStart, objectsOf);
                } else {
                    Transpose(ruleStart, objectsOf, t.GetNoObj(), objectStart, rulesOf);
                }
                count.resize(static_cast<size_t>(m));
                return true;
            }
        } catch (const std::bad_alloc&) {
            // The recount needs no more than it has already.
        }
        std::vector<int>().swap(objectsOf);
        std::vector<int>().swap(ruleStart);
        std::vector<int>().swap(rulesOf);
        std::vector<int>().swap(objectStart);
        return false;
    }

    // Every object uncovered again.
    void Reset() {
        for (size_t r = 0; r < count.size(); ++r) count[r] = ruleStart[r + 1] - ruleStart[r];
    }

    int Count(int rule) const { return count[static_cast<size_t>(rule)]; }

    // MarkCovered of rule `rule` over its matches: its objects of decision d not covered yet.
    int MarkCovered(const TTable& t, int rule, int d, int* covered) {
        int marked = 0;
        for (int k = ruleStart[static_cast<size_t>(rule)]; k < ruleStart[static_cast<size_t>(rule) + 1]; ++k) {
            const int o = objectsOf[static_cast<size_t>(k)];
            if (covered[o] != 0 || t.GetTable(o, t.GetNoAttr() - 1) != d) continue;
            covered[o] = 1;
            ++marked;
            for (int j = objectStart[static_cast<size_t>(o)]; j < objectStart[static_cast<size_t>(o) + 1]; ++j) {
                --count[static_cast<size_t>(rulesOf[static_cast<size_t>(j)])];
            }
        }
        return marked;
    }

private:
    bool ByRules(const TTable& t, const std::vector<TRuleComp*>& rules, int m, long long limit) {
        long long total = 0;
        ruleStart.assign(static_cast<size_t>(m) + 1, 0);
        for (int r = 0; r < m; ++r) {
            for (int o = 0; o < t.GetNoObj(); ++o) {
                if (!rules[static_cast<size_t>(r)]->TestObj(t, o)) continue;
                if (++total > limit) return false;
                objectsOf.push_back(o);
            }
            ruleStart[static_cast<size_t>(r) + 1] = static_cast<int>(objectsOf.size());
        }
        return true;
    }

    bool ByObjects(const TTable& t, RuleMatcher& matcher, long long limit) {
        long long total = 0;
        objectStart.assign(static_cast<size_t>(t.GetNoObj()) + 1, 0);
        for (int o = 0; o < t.GetNoObj(); ++o) {
            const std::vector<int>& matches = matcher.Match(t, o);
            total += static_cast<long long>(matches.size());
            if (total > limit) return false;
            rulesOf.insert(rulesOf.end(), matches.begin(), matches.end());
            objectStart[static_cast<size_t>(o) + 1] = static_cast<int>(rulesOf.size());
        }
        return true;
    }

    std::vector<int> ruleStart;    // rule r's matches: objectsOf[ruleStart[r] .. ruleStart[r + 1])
    std::vector<int> objectsOf;
    std::vector<int> objectStart;  // object o's rules: rulesOf[objectStart[o] .. objectStart[o + 1])
    std::vector<int> rulesOf;
    std::vector<int> count;        // per rule, its matches not covered yet
};

}  // namespace

void TRulMemory::SetCoveringMatchLimit(long long matches) { matchLimit = std::max(matches, 0LL); }

// Within the memory working lists may take, and within an int: the lists are indexed by one.
long long TRulMemory::CoveringMatchLimit() {
    if (matchLimit > 0) return matchLimit;
    return std::min<long long>(discern::TermMemoryLimit() / kBytesPerMatch, INT_MAX);
}

// Sequences of rules of class d that cover the class, written to out. Each of five passes
// starts one rule further into the array and takes the array as the passes before left it.
void TRulMemory::SaveCoverings(std::ostream& out, const TTable& t, int d, int n, const TDictioSet* dict,
                               int mode) {
    if (root == nullptr) {
        WriteStdoutLine("BLAD KRYTYCZNY w TRulMemory::SaveCoverings: BRAK REGUL");
        EndProcess(0);
    }
    const int noObj = t.GetNoObj();
    std::vector<TRuleComp*> R;
    std::vector<int> covered;
    OrOutOfMemory([&] {
        R.resize(static_cast<size_t>(NoRules));
        covered.resize(static_cast<size_t>(noObj));
    });
    int m = 0;
    root->GetClassRules(R.data(), d, m);
    std::vector<int> K;
    OrOutOfMemory([&] { K.resize(static_cast<size_t>(m)); });
    // The rules by their place in R before any swap, swapped along with R.
    std::vector<int> id;
    OrOutOfMemory([&] { id.resize(static_cast<size_t>(m)); });
    for (int j = 0; j < m; ++j) id[static_cast<size_t>(j)] = j;
    CoverCounts counts;
    const bool counted = counts.Build(t, R, m, CoveringMatchLimit());
    const int enough = static_cast<int>(n * 0.95);
    const int tableEnough = static_cast<int>(noObj * 0.95);
    // The decision column of the table the rules are measured on.
    const int decisionAttr = t.GetNoAttr() - 1;
    for (int s = 0; s < 5; ++s) {
        WriteStdoutLine(".");
        std::fill(covered.begin(), covered.end(), 0);
        if (counted) counts.Reset();
        int c = 0;
        int i = s;
        int run = 0;
        while (c <= enough && i < m && run < 5) {
            int best = i;
            int bestCount = 0;
            int bestLength = 1000;
            for (int j = i; j < m; ++j) {
                const auto at = static_cast<size_t>(j);
                K[at] = counted ? counts.Count(id[at]) : R[at]->CountNewlyCovered(t, covered.data());
                const int length = R[at]->GetBlock()->GetNoDesc();
                if (K[at] > bestCount || (K[at] == bestCount && length < bestLength)) {
                    best = j;
                    bestCount = K[at];
                    bestLength = length;
                }
            }
            SwapRuleEntries(R.data(), K.data(), i, best);
            std::swap(id[static_cast<size_t>(i)], id[static_cast<size_t>(best)]);
            const TRuleComp& chosen = *R[static_cast<size_t>(i)];
            c += counted ? counts.MarkCovered(t, id[static_cast<size_t>(i)], d, covered.data())
                         : chosen.MarkCovered(t, d, covered.data());
            run = chosen.GetPosSupport() + chosen.GetNegSupport() == 1 ? run + 1 : 0;
            ++i;
            if (i >= m && c < tableEnough) WriteStdoutLine("UWAGA: Cos nie tak!(cur_rul_num>=NoDVRule)");
        }
        // An empty class covers nothing: 0 %.
        out << "Parameter: " << (n == 0 ? 0LL : static_cast<long long>(c) * 100 / n) << "%\n";
        for (int j = s; j < i; ++j) {
            const TRuleComp& rule = *R[static_cast<size_t>(j)];
            rule.GetBlock()->Print(out, dict, mode);
            PrintDecisionPart(out, decisionAttr, d, dict, 2);
            PrintRuleStatistics(out, rule, 2);
            out << '\n';
        }
        out << "-----------------------\n";
    }
    out << '\n';
}
