#include "rough/rules/rule_comp.h"

#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "core/alloc_guard.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rule_matcher.h"
#include "rough/rules/rule_weight.h"

namespace {

int Decision(const TTable& t, int o) { return t.GetTable(o, t.GetNoAttr() - 1); }

[[noreturn]] void UnknownScoreKind(const char* operation) {
    WriteStdoutLine(std::string("NIEMILY BLAD w TRuleComp::") + operation);
    EndProcess(0);
}

}  // namespace

TRuleComp::TRuleComp() : block(MakeOrOutOfMemory<TBlock>()) {}

TRuleComp::TRuleComp(std::unique_ptr<TBlock> block, int object) : block(std::move(block)), object(object) {}

TRuleComp::~TRuleComp() = default;

TRuleComp& TRuleComp::operator=(const TRuleComp& other) {
    if (this == &other) return *this;
    if (other.block == nullptr) {
        block.reset();
    } else {
        if (block == nullptr) block = MakeOrOutOfMemory<TBlock>();
        *block = *other.block;
    }
    object = other.object;
    decision = other.decision;
    RecPosObjInfo.reset();
    RecNegObjInfo.reset();
    posSupport = 0;
    negSupport = 0;
    weight = 0.0;
    return *this;
}

void TRuleComp::WarnNoBlock() { LogMessage("Warning: Block is NULL! (TRuleComp::GetBlock())"); }

TIntTree* TRuleComp::GetRecPosObjInfo() const {
    if (RecPosObjInfo == nullptr) LogMessage("Warning: RecPosObjInfo is NULL! (TRuleComp::GetRecPosObjInfo())");
    return RecPosObjInfo.get();
}

TIntTree* TRuleComp::GetRecNegObjInfo() const {
    if (RecNegObjInfo == nullptr) LogMessage("Warning: RecNegObjInfo is NULL! (TRuleComp::GetRecNegObjInfo())");
    return RecNegObjInfo.get();
}

void TRuleComp::SetRecPosObjInfo(std::unique_ptr<TIntTree> tree) { RecPosObjInfo = std::move(tree); }

void TRuleComp::SetRecNegObjInfo(std::unique_ptr<TIntTree> tree) { RecNegObjInfo = std::move(tree); }

TBlock& TRuleComp::Conditions() const {
    if (block == nullptr) throw CalcError(4);
    return *block;
}

int TRuleComp::TestObj(const TTable& t, int obj) const { return Conditions().TestObj(t, obj); }

int TRuleComp::TestObjEx(const TTable& t, int obj) const { return Conditions().TestObjCount(t, obj); }

void TRuleComp::CalcInfo(const TTable& t, int mode) {
    if (mode == 0 || mode == 2) CalcObjInfo(t);
    if (mode == 1 || mode == 2) CalcWeight(t);
}

void TRuleComp::CalcObjInfo(const TTable& t) {
    RecPosObjInfo.reset();
    RecNegObjInfo.reset();
    posSupport = 0;
    negSupport = 0;
    TIntTreeBuilder positive;
    TIntTreeBuilder negative;
    for (int i = 0; i < t.GetNoObj(); ++i) {
        CheckBreak(1);
        if (!TestObj(t, i)) continue;
        if (Decision(t, i) == decision) {
            ++posSupport;
            positive.Add(i);
        } else {
            ++negSupport;
            negative.Add(i);
        }
    }
    RecPosObjInfo = positive.Release();
    RecNegObjInfo = negative.Release();
}

// c counts the objects of other decisions that the rule matches and f[k] those for which
// descriptor k alone keeps the rule from matching.
void TRuleComp::CalcWeight(const TTable& t) {
    const TBlock& conditions = Conditions();
    const int n = conditions.GetNoDesc();
    std::vector<int> separating;
    if (n > 1) OrOutOfMemory([&] { separating.assign(static_cast<size_t>(n), 0); });
    int contradicting = 0;
    for (int i = 0; i < t.GetNoObj(); ++i) {
        int fail = -1;
        const int all = conditions.CheckObj(t, i, decision, &fail);
        if (fail >= 0) ++separating[static_cast<size_t>(fail)];
        if (all && Decision(t, i) != decision) ++contradicting;
    }
    weight = PowerTwoRuleWeight(separating, contradicting);
}

// The objects are taken in ascending order, as each rule's own pass takes them, so that
// every rule's trees get the same keys in the same order; the other counts are sums of ones.
// The old trees go before the pass, as each rule's own pass frees them before it counts.
bool TRuleComp::CalcInfoOfAll(const std::vector<TRuleComp*>& rules, const TTable& t, int mode) {
    if (mode < 0 || mode > 2 || rules.empty()) return false;
    std::vector<const TBlock*> blocks;
    OrOutOfMemory([&] {
        blocks.reserve(rules.size());
        for (const TRuleComp* r : rules) blocks.push_back(r->block.get());
    });
    const std::unique_ptr<RuleMatcher> matcher = RuleMatcher::Build(blocks, t);
    if (matcher == nullptr) return false;
    const bool objects = mode != 1;
    const bool weights = mode != 0;
    const size_t n = rules.size();
    OrOutOfMemory([&] {
        std::vector<TIntTreeBuilder> positive(objects ? n : 0);
        std::vector<TIntTreeBuilder> negative(objects ? n : 0);
        std::vector<int> contradicting(weights ? n : 0);
        // Rule p's separating counts from separatingStart[p], one per descriptor for a rule of
        // two or more (CalcWeight's list), none for a rule of one.
        std::vector<size_t> separatingStart(n + 1, 0);
        for (size_t p = 0; p < n; ++p) {
            const int d = blocks[p]->GetNoDesc();
            separatingStart[p + 1] = separatingStart[p] + (weights && d > 1 ? static_cast<size_t>(d) : 0);
        }
        std::vector<int> separating(separatingStart[n], 0);
        if (objects) {
            for (TRuleComp* r : rules) {
                r->RecPosObjInfo.reset();
                r->RecNegObjInfo.reset();
                r->posSupport = 0;
                r->negSupport = 0;
            }
        }
        for (int o = 0; o < t.GetNoObj(); ++o) {
            const int d = Decision(t, o);
            for (int p : matcher->Match(t, o, weights)) {
                TRuleComp& r = *rules[static_cast<size_t>(p)];
                if (d == r.decision) {
                    if (!objects) continue;
                    ++r.posSupport;
                    positive[static_cast<size_t>(p)].Add(o);
                } else {
                    if (weights) ++contradicting[static_cast<size_t>(p)];
                    if (!objects) continue;
                    ++r.negSupport;
                    negative[static_cast<size_t>(p)].Add(o);
                }
            }
            if (!weights) continue;
            for (int p : matcher->NearMisses()) {
                if (d == rules[static_cast<size_t>(p)]->decision) continue;
                ++separating[separatingStart[static_cast<size_t>(p)] +
                             static_cast<size_t>(matcher->FailingDescriptor(t, o, p))];
            }
        }
        for (size_t p = 0; p < n; ++p) {
            TRuleComp& r = *rules[p];
            if (objects) {
                r.RecPosObjInfo = positive[p].Release();
                r.RecNegObjInfo = negative[p].Release();
            }
            if (weights) {
                const std::vector<int> counts(separating.begin() + static_cast<std::ptrdiff_t>(separatingStart[p]),
                                              separating.begin() + static_cast<std::ptrdiff_t>(separatingStart[p + 1]));
                r.weight = PowerTwoRuleWeight(counts, contradicting[p]);
            }
        }
    });
    return true;
}

int TRuleComp::CountNewlyCovered(const TTable& t, const int* covered) const {
    int count = 0;
    for (int i = 0; i < t.GetNoObj(); ++i) {
        if (covered[i] == 0 && TestObj(t, i)) ++count;
    }
    return count;
}

int TRuleComp::MarkCovered(const TTable& t, int dec, int* covered) const {
    int marked = 0;
    for (int i = 0; i < t.GetNoObj(); ++i) {
        if (covered[i] == 0 && Decision(t, i) == dec && TestObj(t, i)) {
            covered[i] = 1;
            ++marked;
        }
    }
    return marked;
}

int TRuleComp::IsConsistent(const TTable& t) const {
    for (int i = 0; i < t.GetNoObj(); ++i) {
        if (Decision(t, i) != decision && TestObj(t, i)) return 0;
    }
    return 1;
}

int TRuleComp::IsConsistentWithout(const TTable& t, int d) const {
    const TBlock& conditions = Conditions();
    for (int i = 0; i < t.GetNoObj(); ++i) {
        if (Decision(t, i) != decision && conditions.TestObjExcept(t, i, d)) return 0;
    }
    return 1;
}

void TRuleComp::DropRedundantDescriptors(const TTable& t) {
    for (int d = Conditions().GetNoDesc() - 1; d >= 0; --d) {
        if (IsConsistentWithout(t, d)) block->RemoveDescriptor(d);
    }
}

int TRuleComp::SameBlock(const TRuleComp& other) const { return Conditions() == other.Conditions(); }

int TRuleComp::ContainsAttr(int a) const { return Conditions().ContainsAttr(a); }

void TRuleComp::RemapAttributes(const TRed& map) {
    TBlock& conditions = Conditions();
    for (int i = 0; i < conditions.GetNoDesc(); ++i) conditions.SetAttr(i, map.GetAttr(conditions.GetAttr(i)));
}

// The support is compared with the threshold cut to a whole number; the cut is taken in
// floating point, so that no threshold is out of range for it.
int TRuleComp::CheckWeight(int kind, double threshold) const {
    switch (kind) {
        case 0:
            return posSupport >= std::trunc(threshold) ? 1 : 0;
        case 1:
            return weight >= threshold ? 1 : 0;
        case 2:
            return posSupport * weight >= threshold ? 1 : 0;
        default:
            UnknownScoreKind("CheckWeight");
    }
}

void TRuleComp::GetMinMaxWeight(int kind, double& min, double& max) const {
    double score = 0.0;
    double low = min;
    double high = max;
    switch (kind) {
        case 0:
            score = posSupport;
            low = std::trunc(min);
            high = std::trunc(max);
            break;
        case 1:
            score = weight;
            break;
        case 2:
            score = posSupport * weight;
            break;
        default:
            UnknownScoreKind("GetMinMaxWeight");
    }
    if (score < low) min = score;
    if (score > high) max = score;
}

void TRuleComp::Print(std::ostream& out) const {
    out << object << "  ";
    Conditions().PrintAttrs(out);
    out << '\n';
}

void TRuleComp::Publish() const {
    const TBlock& conditions = Conditions();
    const int n = conditions.GetNoDesc();
    int* attrs = StartRule(object, n);
    for (int i = 0; i < n; ++i) attrs[i] = conditions.GetAttr(i);
    SendRule();
}
