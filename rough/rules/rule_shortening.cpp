#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "core/tree_walk.h"
#include "rough/rules/rul_memory.h"
#include "rough/rules/rule_weight.h"

using tree_walk::VisitPreOrder;

namespace {

int Decision(const TTable& t, int o) { return t.GetTable(o, t.GetNoAttr() - 1); }

const TBlock& BlockOf(const TRuleComp& rule) {
    const TBlock* block = rule.GetBlock();
    if (block == nullptr) throw CalcError(4);
    return *block;
}

// Every descriptor of an n-descriptor rule switched on; the mask grows to hold them.
void SwitchAllOn(std::vector<int>& mask, int n) {
    if (static_cast<int>(mask.size()) < n) OrOutOfMemory([&] { mask.resize(static_cast<size_t>(n)); });
    std::fill(mask.begin(), mask.begin() + n, 1);
}

// Accuracies are compared in single precision.
float MaskedAccuracy(const TTable& t, const TBlock& block, int d, const std::vector<int>& mask) {
    return static_cast<float>(TRulMemory::Accuracy(t, block, d, mask.data()));
}

double RatioOn(const TTable& u, const TBlock& block, int d, const std::vector<int>& mask) {
    int same = 0;
    int other = 0;
    TRulMemory::AccuracyCounts(u, block, d, mask.data(), same, other);
    return TRulMemory::Ratio(same, other);
}

// The greedy shortening of one rule into the target. With u, the mask that had the best
// ratio on u is the one kept.
void ShortenOne(const TRuleComp& rule, const TTable& t, const TTable* u, float alfa, TRulMemory& target,
                std::vector<int>& mask, std::vector<int>& bestMask) {
    const TBlock& block = BlockOf(rule);
    const int n = block.GetNoDesc();
    const int d = rule.GetDecision();
    SwitchAllOn(mask, n);
    const float a0 = MaskedAccuracy(t, block, d, mask);
    if (a0 < alfa) return;
    if (n == 1 || a0 == alfa) {
        TRulMemory::AddMaskedRule(block, n, d, target, mask.data());
        return;
    }
    double bestRatio = 0.0;
    if (u != nullptr) {
        bestRatio = RatioOn(*u, block, d, mask);
        OrOutOfMemory([&] { bestMask = mask; });
    }
    for (int m = n; m >= 2; --m) {
        float bestAcc = 0.0f;
        int chosen = -1;
        for (int j = 0; j < n; ++j) {
            if (mask[static_cast<size_t>(j)] != 1) continue;
            mask[static_cast<size_t>(j)] = 0;
            const float acc = MaskedAccuracy(t, block, d, mask);
            mask[static_cast<size_t>(j)] = 1;
            if (acc > bestAcc) {
                bestAcc = acc;
                chosen = j;
            }
        }
        // With alfa at 0 or below no removal may have been found at all.
        if (bestAcc < alfa || chosen < 0) break;
        mask[static_cast<size_t>(chosen)] = 0;
        if (u != nullptr) {
            const double ratio = RatioOn(*u, block, d, mask);
            if (ratio > bestRatio) {
                bestRatio = ratio;
                OrOutOfMemory([&] { bestMask = mask; });
            }
        }
    }
    TRulMemory::AddMaskedRule(block, n, d, target, u != nullptr ? bestMask.data() : mask.data());
}

}  // namespace

double TRulMemory::Accuracy(const TTable& t, const TBlock& block, int d, const int* mask) {
    int same = 0;
    int other = 0;
    AccuracyCounts(t, block, d, mask, same, other);
    return same + other == 0 ? 0.0 : static_cast<double>(same) / (same + other);
}

void TRulMemory::AccuracyCounts(const TTable& t, const TBlock& block, int d, const int* mask, int& same, int& other) {
    same = 0;
    other = 0;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        if (!block.TestObjMASK(t, o, mask)) continue;
        ++(Decision(t, o) == d ? same : other);
    }
}

double TRulMemory::Ratio(int a, int b) {
    if (a == 0 && b == 0) return 0.0;
    if (b == 0) return 1.0;
    return static_cast<double>(a) / b;
}

// The target may be a memory of the commands' mode: the rules are kept all the same.
void TRulMemory::AddMaskedRule(const TBlock& block, int n, int d, TRulMemory& target, const int* mask) {
    auto masked = OrOutOfMemory([] { return std::make_unique<TBlock>(); });
    for (int i = 0; i < n; ++i) {
        if (mask[i] == 1) OrOutOfMemory([&] { masked->AddDescriptor(block.GetAttr(i), block.GetValue(i)); });
    }
    auto rule = OrOutOfMemory([&] { return std::make_unique<TRuleComp>(std::move(masked), -1); });
    rule->SetDecision(d);
    QuietModeGuard quiet;
    target.InsertRule(std::move(rule));
}

double TRulMemory::MaskedWeight(const TTable& t, const TBlock& block, int n, int d, const int* mask, int* counts) {
    if (n == 1) return 1.0;
    const int len = block.GetNoDesc();
    std::fill(counts, counts + len, 0);
    for (int o = 0; o < t.GetNoObj(); ++o) {
        int fail = -1;
        block.CheckObjMASK(t, o, d, &fail, mask, n, len);
        if (fail >= 0) ++counts[fail];
    }
    std::vector<int> separating;
    OrOutOfMemory([&] {
        for (int k = 0; k < len; ++k) {
            if (mask[k] == 1) separating.push_back(counts[k]);
        }
    });
    return PowerTwoRuleWeight(separating, 0);
}

void TRulMemory::ShortenRule(const TLeaf* node, const TTable& t, float alfa, TRulMemory& target,
                             std::vector<int>& mask) const {
    std::vector<int> unused;
    VisitPreOrder(node, [&](const TLeaf& leaf) {
        if (leaf.GetRule() != nullptr) ShortenOne(*leaf.GetRule(), t, nullptr, alfa, target, mask, unused);
        CheckBreak();
    });
}

void TRulMemory::ShortenRuleEx(const TLeaf* node, const TTable& t, const TTable& u, float alfa, TRulMemory& target,
                               std::vector<int>& mask, std::vector<int>& bestMask) const {
    VisitPreOrder(node, [&](const TLeaf& leaf) {
        if (leaf.GetRule() != nullptr) ShortenOne(*leaf.GetRule(), t, &u, alfa, target, mask, bestMask);
    });
}

void TRulMemory::ShortenRules(const TTable& t, float alfa, TRulMemory& target) const {
    if (!(alfa > 0.0f && alfa <= 1.0f)) return;
    if (GetNoRules() == 0) {
        LogMessage("Warning: No rules in memory!");
        return;
    }
    std::vector<int> mask;
    LogFormat("Number of rules before shorten rules: %d", GetNoRules());
    LogFormat("Shortening rules with alfa: %f", static_cast<double>(alfa));
    ShortenRule(root, t, alfa, target, mask);
    target.DecisionAttr = DecisionAttr;
    LogFormat("Number of rules after shorten rules: %d", target.GetNoRules());
}

void TRulMemory::ShortenRulesEx(const TTable& t, const TTable& u, float alfa, TRulMemory& target) const {
    if (GetNoRules() == 0) {
        LogMessage("Warning: No rules in memory!");
        return;
    }
    std::vector<int> mask;
    std::vector<int> bestMask;
    ShortenRuleEx(root, t, u, alfa, target, mask, bestMask);
    target.DecisionAttr = DecisionAttr;
}

void TRulMemory::ShortenRuleByWeight(TLeaf* node, const TTable& t, TRulMemory& target, float alfa,
                                     std::vector<int>& mask, std::vector<int>& counts) {
    VisitPreOrder(node, [&](TLeaf& leaf) {
        if (leaf.GetRule() == nullptr) return;
        const TRuleComp& rule = *leaf.GetRule();
        const TBlock& block = BlockOf(rule);
        const int n = block.GetNoDesc();
        const int d = rule.GetDecision();
        SwitchAllOn(mask, n);
        if (static_cast<int>(counts.size()) < n) OrOutOfMemory([&] { counts.resize(static_cast<size_t>(n)); });
        const float a0 = MaskedAccuracy(t, block, d, mask);
        if (a0 < alfa) return;
        if (n == 1 || a0 == alfa) {
            std::unique_ptr<TRuleComp> moved(leaf.GetRule());
            leaf.SetRule(nullptr);
            QuietModeGuard quiet;
            target.InsertRule(std::move(moved));
            return;
        }
        double w = MaskedWeight(t, block, n, d, mask.data(), counts.data());
        int m = n;
        for (; m >= 2; --m) {
            double bestWeight = w;
            int chosen = -1;
            for (int j = 0; j < n; ++j) {
                if (mask[static_cast<size_t>(j)] != 1) continue;
                mask[static_cast<size_t>(j)] = 0;
                if (MaskedAccuracy(t, block, d, mask) >= alfa) {
                    const double weight = MaskedWeight(t, block, m - 1, d, mask.data(), counts.data());
                    if (weight > bestWeight) {
                        bestWeight = weight;
                        chosen = j;
                    }
                }
                mask[static_cast<size_t>(j)] = 1;
            }
            if (chosen < 0) break;
            mask[static_cast<size_t>(chosen)] = 0;
            w = bestWeight;
        }
        if (m < 2) {
            std::fill(mask.begin(), mask.begin() + n, 0);
            mask[static_cast<size_t>(RandomInt(n))] = 1;
        }
        AddMaskedRule(block, n, d, target, mask.data());
    });
}
