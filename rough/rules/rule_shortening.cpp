#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <numeric>
#include <optional>
#include <span>
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

// Among the objects a masked rule matches, the share of its decision (0.0 when none): both
// evaluations divide their counts by this one expression.
double ShareOfSame(int same, int other) {
    return same + other == 0 ? 0.0 : static_cast<double>(same) / (same + other);
}

// The weight of the switched-on descriptors below len from their separating counts, taken
// in descriptor order.
double SeparatingWeight(const int* mask, int len, const int* counts) {
    std::vector<int> separating;
    OrOutOfMemory([&] {
        for (int k = 0; k < len; ++k) {
            if (mask[k] == 1) separating.push_back(counts[k]);
        }
    });
    return PowerTwoRuleWeight(separating, 0);
}

bool evaluateByObjects = false;  // see TRulMemory::SetShorteningByObjects

// The masks of a rule evaluated object by object: the way for the rules that failure
// groups cannot hold.
class ObjectEvaluation {
public:
    ObjectEvaluation(const TTable& t, const TTable* u, const TBlock& block, int d) : t(t), u(u), block(block), d(d) {}

    // Accuracies are compared in single precision.
    float Accuracy(const std::vector<int>& mask) {
        return static_cast<float>(TRulMemory::Accuracy(t, block, d, mask.data()));
    }
    double RatioOnSecond(const std::vector<int>& mask) {
        int same = 0;
        int other = 0;
        TRulMemory::AccuracyCounts(*u, block, d, mask.data(), same, other);
        return TRulMemory::Ratio(same, other);
    }
    double Weight(int m, const std::vector<int>& mask, int* counts) {
        return TRulMemory::MaskedWeight(t, block, m, d, mask.data(), counts);
    }

private:
    const TTable& t;
    const TTable* u;
    const TBlock& block;
    int d;
};

// A table's objects ordered by their values, column by column, so that the objects a
// descriptor holds for are found without a pass over the table. A column is ordered the
// first time a rule asks for it.
class ColumnIndex {
public:
    explicit ColumnIndex(const TTable& t) : t(t) {}

    const TTable& Table() const { return t; }

    // The decision column apart: it is read for objects met in any order, which the rows'
    // strides would scatter.
    const std::vector<int>& Decisions() {
        if (decisions.size() != static_cast<size_t>(t.GetNoObj())) {
            OrOutOfMemory([&] { decisions.resize(static_cast<size_t>(t.GetNoObj())); });
            for (int o = 0; o < t.GetNoObj(); ++o) decisions[static_cast<size_t>(o)] = t.Value(o, t.GetNoAttr() - 1);
        }
        return decisions;
    }

    // The objects whose value in column a (one of the table's) is v, ascending.
    std::span<const int> Holding(int a, int v) {
        const Column& column = Ordered(a);
        const auto [from, to] = std::equal_range(column.values.begin(), column.values.end(), v);
        return {column.objects.data() + (from - column.values.begin()), static_cast<size_t>(to - from)};
    }

private:
    struct Column {
        bool ordered = false;
        std::vector<int> objects;  // ascending by value, then by number
        std::vector<int> values;   // the objects' values in that order
    };

    const Column& Ordered(int a) {
        if (columns.empty()) OrOutOfMemory([&] { columns.resize(static_cast<size_t>(t.GetNoAttr())); });
        Column& column = columns[static_cast<size_t>(a)];
        if (column.ordered) return column;
        const size_t objects = static_cast<size_t>(t.GetNoObj());
        OrOutOfMemory([&] {
            column.objects.resize(objects);
            column.values.resize(objects);
        });
        std::iota(column.objects.begin(), column.objects.end(), 0);
        std::sort(column.objects.begin(), column.objects.end(), [&](int x, int y) {
            const int vx = t.Value(x, a);
            const int vy = t.Value(y, a);
            return vx != vy ? vx < vy : x < y;
        });
        for (size_t k = 0; k < objects; ++k) column.values[k] = t.Value(column.objects[k], a);
        column.ordered = true;
        return column;
    }

    const TTable& t;
    std::vector<Column> columns;
    std::vector<int> decisions;
};

// A table's objects as one rule sees them. Whatever a mask of the rule asks of an object
// (whether the masked block matches it, how many masked descriptors hold, the last of those
// that fail) follows from the set of descriptors the object fails and from whether its
// decision is the rule's. Objects alike in both are counted together, once per rule, and
// every mask is then evaluated over these groups instead of over the table: the sums are
// the same integers whatever the order they are added in. Only the objects that hold for
// some descriptor are grouped, found through the column index. The others count for
// nothing: every mask the shortenings evaluate keeps a descriptor on, which they fail, so
// none is matched; and an object failing one masked descriptor alone holds for m - 1 > 0.
class FailureGroups {
public:
    explicit FailureGroups(const TTable& t) : index(t) {}

    // A bit per descriptor, so at most 64; and every descriptor must read a column of the
    // table, as the checked reads of the objects fail (at a moment of their own) otherwise.
    static bool Fit(const TBlock& block, const TTable& t) {
        const int n = block.GetNoDesc();
        if (n < 1 || n > 64) return false;
        for (int i = 0; i < n; ++i) {
            if (block.GetAttr(i) < 0 || block.GetAttr(i) >= t.GetNoAttr()) return false;
        }
        return true;
    }

    // A bit for each descriptor i < n whose mask flag is 1, as the per-object tests take it.
    static uint64_t Bits(const std::vector<int>& mask, int n) {
        uint64_t bits = 0;
        for (int i = 0; i < n; ++i) {
            if (mask[static_cast<size_t>(i)] == 1) bits |= uint64_t{1} << i;
        }
        return bits;
    }

    // The groups of a rule that fits the table.
    void Build(const TBlock& block, int d) {
        const TTable& t = index.Table();
        n = block.GetNoDesc();
        groups.clear();
        touched.clear();
        OrOutOfMemory([&] {
            if (held.size() < static_cast<size_t>(t.GetNoObj())) held.resize(static_cast<size_t>(t.GetNoObj()));
            for (int i = 0; i < n; ++i) {
                for (int o : index.Holding(block.GetAttr(i), block.GetValue(i))) {
                    uint64_t& bits = held[static_cast<size_t>(o)];
                    if (bits == 0) touched.push_back(o);
                    bits |= uint64_t{1} << i;
                }
            }
            if (n <= kDirectBits) {
                direct.assign(size_t{2} << n, 0);
            } else {
                // Room for a failing set per touched object, in at most half the slots.
                slots.assign(std::bit_ceil(2 * touched.size() + 2), 0);
            }
            const uint64_t every = n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
            const std::vector<int>& decisions = index.Decisions();
            for (int o : touched) {
                Add(every & ~held[static_cast<size_t>(o)], decisions[static_cast<size_t>(o)] == d);
                held[static_cast<size_t>(o)] = 0;
            }
            if (n > kDirectBits) return;
            for (uint64_t f = 0; f < (uint64_t{1} << n); ++f) {
                const int other = direct[f << 1];
                const int same = direct[(f << 1) | 1];
                if (same != 0 || other != 0) groups.push_back({f, same, other});
            }
        });
    }

    // The objects the masked rule matches, of its decision and of others.
    void Matching(uint64_t mask, int& same, int& other) const {
        same = 0;
        other = 0;
        for (const Group& g : groups) {
            if ((g.failing & mask) != 0) continue;
            same += g.same;
            other += g.other;
        }
    }

    // TBlock::CheckObjMASK's failing descriptor over the objects of other decisions: counts[k]
    // (k < n, every one set) gets the objects that fail the masked descriptor k alone when m
    // are taken to be switched on.
    void Separating(uint64_t mask, int m, int* counts) const {
        std::fill(counts, counts + n, 0);
        const int switchedOn = std::popcount(mask);
        for (const Group& g : groups) {
            const uint64_t failing = g.failing & mask;
            const int holding = switchedOn - std::popcount(failing);
            if (g.other == 0 || failing == 0 || !(m > 1 && holding == m - 1)) continue;
            counts[63 - std::countl_zero(failing)] += g.other;
        }
    }

private:
    // Up to this many descriptors the groups are counted in an array indexed by the failing
    // set; beyond, in a hash table.
    static constexpr int kDirectBits = 8;

    struct Group {
        uint64_t failing;
        int same;
        int other;
    };

    // One object into the count of its failing set; in the hash table the set's group is
    // found in an open-addressed table of slots (a group's position + 1, 0 for a free slot).
    void Add(uint64_t failing, bool same) {
        if (n <= kDirectBits) {
            ++direct[(failing << 1) | (same ? 1 : 0)];
            return;
        }
        const size_t wrap = slots.size() - 1;
        size_t at = static_cast<size_t>((failing * 0x9E3779B97F4A7C15u) >> 32) & wrap;
        while (slots[at] != 0 && groups[slots[at] - 1].failing != failing) at = (at + 1) & wrap;
        if (slots[at] == 0) {
            groups.push_back({failing, 0, 0});
            slots[at] = groups.size();
        }
        Group& group = groups[slots[at] - 1];
        ++(same ? group.same : group.other);
    }

    ColumnIndex index;
    int n = 0;
    std::vector<Group> groups;
    std::vector<uint64_t> held;  // per object, the descriptors it holds for; all 0 between builds
    std::vector<int> touched;    // the objects of a nonzero entry in held
    std::vector<int> direct;
    std::vector<size_t> slots;
};

// The groups of one shortening's tables, kept from rule to rule.
struct GroupStore {
    GroupStore(const TTable& t, const TTable* u) : onT(t) {
        if (u != nullptr) onU.emplace(*u);
    }
    FailureGroups onT;
    std::optional<FailureGroups> onU;
};

// The masks of a rule evaluated over its failure groups on t, and on u once a ratio is asked.
class GroupEvaluation {
public:
    GroupEvaluation(GroupStore& store, const TBlock& block, int d)
        : store(store), block(block), d(d), n(block.GetNoDesc()) {
        store.onT.Build(block, d);
    }

    float Accuracy(const std::vector<int>& mask) {
        int same = 0;
        int other = 0;
        store.onT.Matching(FailureGroups::Bits(mask, n), same, other);
        return static_cast<float>(ShareOfSame(same, other));
    }
    double RatioOnSecond(const std::vector<int>& mask) {
        if (!builtOnU) {
            store.onU->Build(block, d);
            builtOnU = true;
        }
        int same = 0;
        int other = 0;
        store.onU->Matching(FailureGroups::Bits(mask, n), same, other);
        return TRulMemory::Ratio(same, other);
    }
    double Weight(int m, const std::vector<int>& mask, int* counts) {
        if (m == 1) return 1.0;
        store.onT.Separating(FailureGroups::Bits(mask, n), m, counts);
        return SeparatingWeight(mask.data(), n, counts);
    }

private:
    GroupStore& store;
    const TBlock& block;
    int d;
    int n;
    bool builtOnU = false;
};

// Runs shorten with the evaluation that gives the rule's results: over failure groups where
// they hold the rule on both tables, object by object otherwise.
template <class Shorten>
void WithEvaluation(GroupStore& store, const TTable& t, const TTable* u, const TBlock& block, int d,
                    Shorten shorten) {
    if (!evaluateByObjects && FailureGroups::Fit(block, t) && (u == nullptr || FailureGroups::Fit(block, *u))) {
        GroupEvaluation evaluation(store, block, d);
        shorten(evaluation);
    } else {
        ObjectEvaluation evaluation(t, u, block, d);
        shorten(evaluation);
    }
}

// The greedy shortening of one rule into the target. With u, the mask that had the best
// ratio on u is the one kept.
template <class Evaluation>
void ShortenGreedily(Evaluation& evaluation, const TBlock& block, int n, int d, bool withU, float alfa,
                     TRulMemory& target, std::vector<int>& mask, std::vector<int>& bestMask) {
    const float a0 = evaluation.Accuracy(mask);
    if (a0 < alfa) return;
    if (n == 1 || a0 == alfa) {
        TRulMemory::AddMaskedRule(block, n, d, target, mask.data());
        return;
    }
    double bestRatio = 0.0;
    if (withU) {
        bestRatio = evaluation.RatioOnSecond(mask);
        OrOutOfMemory([&] { bestMask = mask; });
    }
    for (int m = n; m >= 2; --m) {
        float bestAcc = 0.0f;
        int chosen = -1;
        for (int j = 0; j < n; ++j) {
            if (mask[static_cast<size_t>(j)] != 1) continue;
            mask[static_cast<size_t>(j)] = 0;
            const float acc = evaluation.Accuracy(mask);
            mask[static_cast<size_t>(j)] = 1;
            if (acc > bestAcc) {
                bestAcc = acc;
                chosen = j;
            }
        }
        // With alfa at 0 or below no removal may have been found at all.
        if (bestAcc < alfa || chosen < 0) break;
        mask[static_cast<size_t>(chosen)] = 0;
        if (withU) {
            const double ratio = evaluation.RatioOnSecond(mask);
            if (ratio > bestRatio) {
                bestRatio = ratio;
                OrOutOfMemory([&] { bestMask = mask; });
            }
        }
    }
    TRulMemory::AddMaskedRule(block, n, d, target, withU ? bestMask.data() : mask.data());
}

void ShortenOne(const TRuleComp& rule, const TTable& t, const TTable* u, float alfa, TRulMemory& target,
                std::vector<int>& mask, std::vector<int>& bestMask, GroupStore& store) {
    const TBlock& block = BlockOf(rule);
    const int n = block.GetNoDesc();
    const int d = rule.GetDecision();
    SwitchAllOn(mask, n);
    WithEvaluation(store, t, u, block, d, [&](auto& evaluation) {
        ShortenGreedily(evaluation, block, n, d, u != nullptr, alfa, target, mask, bestMask);
    });
}

// The shortening by weight of one rule (its block, n descriptors, decision d); moveWhole()
// hands the rule itself to the target.
template <class Evaluation, class MoveWhole>
void ShortenByWeight(Evaluation& evaluation, const TBlock& block, int n, int d, float alfa, TRulMemory& target,
                     std::vector<int>& mask, std::vector<int>& counts, MoveWhole moveWhole) {
    const float a0 = evaluation.Accuracy(mask);
    if (a0 < alfa) return;
    if (n == 1 || a0 == alfa) {
        moveWhole();
        return;
    }
    double w = evaluation.Weight(n, mask, counts.data());
    int m = n;
    for (; m >= 2; --m) {
        double bestWeight = w;
        int chosen = -1;
        for (int j = 0; j < n; ++j) {
            if (mask[static_cast<size_t>(j)] != 1) continue;
            mask[static_cast<size_t>(j)] = 0;
            if (evaluation.Accuracy(mask) >= alfa) {
                const double weight = evaluation.Weight(m - 1, mask, counts.data());
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
        // A rule without descriptors (reached only over a table without objects) still
        // draws, and the draw of 0 must not land outside a caller's empty mask.
        const auto kept = static_cast<size_t>(RandomInt(n));
        if (kept >= mask.size()) OrOutOfMemory([&] { mask.resize(kept + 1); });
        mask[kept] = 1;
    }
    TRulMemory::AddMaskedRule(block, n, d, target, mask.data());
}

}  // namespace

void TRulMemory::SetShorteningByObjects(bool byObjects) { evaluateByObjects = byObjects; }

double TRulMemory::Accuracy(const TTable& t, const TBlock& block, int d, const int* mask) {
    int same = 0;
    int other = 0;
    AccuracyCounts(t, block, d, mask, same, other);
    return ShareOfSame(same, other);
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
    return SeparatingWeight(mask, len, counts);
}

void TRulMemory::ShortenRule(const TLeaf* node, const TTable& t, float alfa, TRulMemory& target,
                             std::vector<int>& mask) const {
    std::vector<int> unused;
    GroupStore store(t, nullptr);
    VisitPreOrder(node, [&](const TLeaf& leaf) {
        if (leaf.GetRule() != nullptr) ShortenOne(*leaf.GetRule(), t, nullptr, alfa, target, mask, unused, store);
        CheckBreak();
    });
}

void TRulMemory::ShortenRuleEx(const TLeaf* node, const TTable& t, const TTable& u, float alfa, TRulMemory& target,
                               std::vector<int>& mask, std::vector<int>& bestMask) const {
    GroupStore store(t, &u);
    VisitPreOrder(node, [&](const TLeaf& leaf) {
        if (leaf.GetRule() != nullptr) ShortenOne(*leaf.GetRule(), t, &u, alfa, target, mask, bestMask, store);
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
    GroupStore store(t, nullptr);
    Departures walk(*this, node, "TRulMemory::ShortenRuleByWeight");
    while (const TLeaf* leaf = walk.Next()) {
        if (leaf->GetRule() == nullptr) continue;
        const TRuleComp& rule = *leaf->GetRule();
        const TBlock& block = BlockOf(rule);
        const int n = block.GetNoDesc();
        const int d = rule.GetDecision();
        SwitchAllOn(mask, n);
        if (static_cast<int>(counts.size()) < n) OrOutOfMemory([&] { counts.resize(static_cast<size_t>(n)); });
        WithEvaluation(store, t, nullptr, block, d, [&](auto& evaluation) {
            ShortenByWeight(evaluation, block, n, d, alfa, target, mask, counts, [&] {
                // A rule of the target itself is there already.
                if (&target == this) return;
                QuietModeGuard quiet;
                walk.Move(target);
            });
        });
    }
}
