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

TBlock* TRuleComp::GetBlock() const {
    if (block == nullptr) LogMessage("Warning: Block is NULL! (TRuleComp::GetBlock())");
    return block.get();
}

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
