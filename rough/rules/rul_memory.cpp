#include "rough/rules/rul_memory.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "core/alloc_guard.h"
#include "rough/reasoning/boole.h"
#include "rough/decision/general_dec.h"
#include "rough/reducts/genetic_reducts.h"

using tree_walk::DeleteTree;
using tree_walk::VisitPreOrder;

namespace {

// A sack reduct lists its attributes; the object's values go in as they are, a missing one
// included.
std::unique_ptr<TBlock> BlockOfSack(const TTable& t, int object, const TIntSack& reduct) {
    auto block = OrOutOfMemory([] { return std::make_unique<TBlock>(); });
    block->ReserveDescriptors(reduct.GetNoElem());
    for (int a : reduct) OrOutOfMemory([&] { block->AddDescriptor(a, t.GetTable(object, a)); });
    return block;
}

int CompareInts(int x, int y) {
    if (x == y) return 0;
    return x < y ? -1 : 1;
}

}  // namespace

// A rule without descriptors would match every object; asking for one means the generator
// went wrong, and the process stops before such a rule reaches anyone.
void RuleWithoutDescriptors(const char* where) {
    WriteStdoutLine(std::string("BLAD KRYTYCZNY: ") + where);
    WriteStdout("Wstawiam regule bez deskryptorow!");
    EndProcess(0);
}

namespace {

// The attributes below `conditions` whose values the object misses: such an attribute
// makes no rule.
uint32_t MissingAttrs(const TTable& t, int object, int conditions) {
    uint32_t missing = 0;
    for (int k = 0; k < std::min(conditions, 32); ++k) {
        if (t.GetTable(object, k) == TTable::MissingValue) missing |= uint32_t{1} << k;
    }
    return missing;
}

// The "RULE:" line of the object's rule over the attributes of a bit set, which is what
// publishing the rule would send.
void SendSetRule(int object, const uint64_t* set, int words) {
    int* at = StartRule(object, discern::AttributeCount(set, words));
    discern::ForEachAttribute(set, words, [&](int a) { *at++ = a; });
    SendRule();
}

}  // namespace

// An attribute whose value the object misses makes no rule. Outside quiet mode a rule is
// published and dropped as soon as it is inserted, so there the rule of a mask reduct goes
// straight to its line: the same line and the same checks, without a block and a rule made
// and freed for each of the millions of rules of a large table.
void TRulMemory::InsertMaskRules(const TTable& t, int object, const TIntSack* reducts, int conditions, int decision) {
    if (reducts == nullptr) return;
    const uint32_t missing = MissingAttrs(t, object, conditions);
    for (int r = 0; r < reducts->GetNoElem(); ++r) {
        const uint32_t attrs = static_cast<uint32_t>((*reducts)[r]) & discern::LowBits(conditions);
        if ((attrs & missing) != 0) continue;
        const uint64_t set = attrs;
        if (QuietMode == 0) {
            SendSetRule(object, &set, 1);
            continue;
        }
        auto block = OrOutOfMemory([] { return std::make_unique<TBlock>(); });
        block->ReserveDescriptors(std::popcount(attrs));
        discern::ForEachAttribute(&set, 1, [&](int k) { OrOutOfMemory([&] { block->AddDescriptor(k, t.GetTable(object, k)); }); });
        InsertRuleOf(std::move(block), object, decision);
    }
}

// ---- TLeaf

namespace {

std::uint64_t NextArrival() {
    static std::atomic<std::uint64_t> next{0};
    return next.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

TLeaf::TLeaf(TRuleComp* rule) : rule(rule), arrival(NextArrival()) {}

TLeaf::~TLeaf() {
    delete rule;
    DeleteTree(left);
    DeleteTree(right);
}

int TLeaf::Compare(const TRuleComp* x, const TRuleComp* y) {
    const TBlock& bx = *x->GetBlock();
    const TBlock& by = *y->GetBlock();
    const int nx = bx.GetNoDesc();
    const int ny = by.GetNoDesc();
    const int n = std::min(nx, ny);
    for (int i = 0; i < n; ++i) {
        if (const int c = CompareInts(bx.GetAttr(i), by.GetAttr(i))) return c;
    }
    if (const int c = CompareInts(nx, ny)) return c;
    for (int i = 0; i < n; ++i) {
        if (const int c = CompareInts(bx.GetValue(i), by.GetValue(i))) return c;
    }
    return CompareInts(x->GetDecision(), y->GetDecision());
}

int TLeaf::Insert(std::unique_ptr<TRuleComp> newRule) {
    TLeaf* node = this;
    for (;;) {
        CheckBreak();
        const int c = Compare(newRule.get(), node->rule);
        if (c == 0) return 0;  // newRule goes with the unique_ptr
        TLeaf*& next = c < 0 ? node->left : node->right;
        if (next == nullptr) {
            next = OrOutOfMemory([&] { return new TLeaf(newRule.get()); });
            newRule.release();
            return 1;
        }
        node = next;
    }
}

TRuleComp* TLeaf::Find(const TRuleComp* wanted) const {
    const TLeaf* node = this;
    while (node != nullptr) {
        CheckBreak();
        const int c = Compare(wanted, node->rule);
        if (c == 0) return node->rule;
        node = c < 0 ? node->left : node->right;
    }
    return nullptr;
}

void TLeaf::Copy(TLeaf* target) const {
    OrOutOfMemory([&] {
        std::vector<std::pair<const TLeaf*, TLeaf*>> pending{{this, target}};
        while (!pending.empty()) {
            auto [from, into] = pending.back();
            pending.pop_back();
            CheckBreak();
            TRuleComp* copy = nullptr;
            if (from->rule != nullptr) {
                auto made = std::make_unique<TRuleComp>();
                *made = *from->rule;
                copy = made.release();
            }
            delete into->rule;
            into->rule = copy;
            into->arrival = from->arrival;
            DeleteTree(into->left);
            DeleteTree(into->right);
            into->left = nullptr;
            into->right = nullptr;
            if (from->left != nullptr) {
                into->left = new TLeaf(nullptr);
                pending.emplace_back(from->left, into->left);
            }
            if (from->right != nullptr) {
                into->right = new TLeaf(nullptr);
                pending.emplace_back(from->right, into->right);
            }
        }
    });
}

void TLeaf::Flatten(TRuleComp** array, int& index) const {
    VisitPreOrder(this, [&](const TLeaf& node) {
        CheckBreak();
        if (node.rule != nullptr) array[index++] = node.rule;
    });
}

TRuleComp* TLeaf::GetNthRule(int n, int& counter) const {
    TRuleComp* found = nullptr;
    VisitPreOrder(this, [&](const TLeaf& node) {
        if (node.rule == nullptr) return true;
        if (counter == n) {
            found = node.rule;
            return false;
        }
        ++counter;
        return true;
    });
    return found;
}

// Both are heap-ordered by arrival, and so is the result: it is the one tree of its rules
// with that order.
TLeaf* TLeaf::Merge(TLeaf* a, TLeaf* b) noexcept {
    TLeaf* merged = nullptr;
    TLeaf** at = &merged;
    while (a != nullptr && b != nullptr) {
        if (a->arrival < b->arrival) {
            *at = a;
            at = &a->right;
            a = a->right;
        } else {
            *at = b;
            at = &b->left;
            b = b->left;
        }
    }
    *at = a != nullptr ? a : b;
    return merged;
}

void TLeaf::CalcRulesInfo(const TTable& t, int mode) {
    std::vector<TRuleComp*> rules;
    OrOutOfMemory([&] {
        VisitPreOrder(this, [&](TLeaf& node) {
            if (node.rule != nullptr) rules.push_back(node.rule);
        });
    });
    if (TRuleComp::CalcInfoOfAll(rules, t, mode)) return;
    VisitPreOrder(this, [&](TLeaf& node) {
        CheckBreak();
        if (node.rule != nullptr) node.rule->CalcInfo(t, mode);
    });
}

void TLeaf::PrintRules(std::ostream& out) const {
    VisitPreOrder(this, [&](const TLeaf& node) {
        if (node.rule != nullptr) node.rule->Print(out);
    });
}

void TLeaf::RemapAttributes(const TRed& map) {
    VisitPreOrder(this, [&](TLeaf& node) {
        if (node.rule != nullptr) node.rule->RemapAttributes(map);
    });
}

// ---- TRulMemory

TRulMemory::~TRulMemory() { DeleteTree(root); }

TRulMemory& TRulMemory::operator=(const TRulMemory& other) {
    if (this == &other) return *this;
    ReductLimit = other.ReductLimit;
    SpeedLevel = other.SpeedLevel;
    DecisionAttr = other.DecisionAttr;
    table = other.table;
    return *this;
}

void TRulMemory::InsertRule(std::unique_ptr<TRuleComp> rule) {
    if (QuietMode == 0) {
        rule->Publish();
        return;
    }
    if (indexing) {
        InsertIndexed(std::move(rule));
        return;
    }
    if (root == nullptr) {
        root = OrOutOfMemory([&] { return new TLeaf(rule.get()); });
        rule.release();
        ++NoRules;
        return;
    }
    NoRules += root->Insert(std::move(rule));
}

void TRulMemory::InsertRuleOf(std::unique_ptr<TBlock> block, const TTable& t, int object) {
    InsertRuleOf(std::move(block), object, t.GetTable(object, t.GetNoAttr() - 1));
}

void TRulMemory::InsertRuleOf(std::unique_ptr<TBlock> block, int object, int decision) {
    auto rule = OrOutOfMemory([&] { return std::make_unique<TRuleComp>(std::move(block), object); });
    rule->SetDecision(decision);
    InsertRule(std::move(rule));
}

void TRulMemory::AddRule(const int* attrList, int object) {
    auto block = OrOutOfMemory([] { return std::make_unique<TBlock>(); });
    for (int i = 0; attrList[i] >= 0; ++i) {
        const int v = table->GetTable(object, attrList[i]);
        if (v == TTable::MissingValue) return;
        OrOutOfMemory([&] { block->AddDescriptor(attrList[i], v); });
    }
    if (block->GetNoDesc() == 0) RuleWithoutDescriptors("TRulMemory::AddRule");
    InsertRuleOf(std::move(block), *table, object);
}

// The genetic search hands the same reduct over again after every generation; each
// hand-over becomes a rule of its own.
void TRulMemory::AddRed(std::unique_ptr<TIntSack> reduct, int /*local*/, int object) {
    auto block = OrOutOfMemory([] { return std::make_unique<TBlock>(); });
    if (reduct == nullptr || reduct->GetNoElem() == 0) RuleWithoutDescriptors("TRulMemory::AddRed");
    for (int a : *reduct) OrOutOfMemory([&] { block->AddDescriptor(a, table->GetTable(object, a)); });
    reduct.reset();
    InsertRuleOf(std::move(block), *table, object);
}

// The local reducts of each object are computed with the generalized-decision classes in the
// decision column, which is back to the objects' decisions before any rule is built: the
// rules carry the decisions. Each rule leaves as soon as it is made.
template <class Reasoner>
bool TRulMemory::AllRulesOfObjects(TTable& t, TGeneralDec& genDec, int option) {
    constexpr bool masks = std::is_same_v<Reasoner, TBoole31>;
    const int conditions = t.GetNoAttr() - 1;
    const int noObj = t.GetNoObj();
    auto reasoner = OrOutOfMemory([] { return std::make_unique<Reasoner>(); });
    int shown = 0;
    for (int i = 0; i < noObj; ++i) {
        if (!masks && !CheckBreak()) return false;
        {
            ModifiedDecisionScope classes(genDec, &t);
            reasoner->CalcAllLocalReducts(&t, i, 1, option);
            classes.Restore();
        }
        if constexpr (masks) {
            InsertMaskRules(t, i, reasoner->GetReducts(), conditions, t.GetTable(i, t.GetNoAttr() - 1));
            if (!CheckBreak()) return false;
        } else if (QuietMode == 0) {
            // Straight to their lines, as for masks (InsertMaskRules), from the reducts as
            // bit sets: no sack is made for each.
            const discern::SetList reducts = reasoner->TakeReductSets();
            for (int r = 0; r < reducts.Size(); ++r) SendSetRule(i, reducts.At(r), reducts.Words());
        } else {
            const TIntSackSet* reducts = reasoner->GetReducts();
            for (int r = 0; reducts != nullptr && r < reducts->GetNoElem(); ++r) {
                InsertRuleOf(BlockOfSack(t, i, *reducts->GetElem(r)), t, i);
            }
        }
        const int percent = static_cast<int>((static_cast<long long>(i) + 1) * 100 / noObj);
        if (percent > shown) {
            ShowProgress(percent);
            shown = percent;
        }
    }
    return true;
}

void TRulMemory::CalculateAllRules(TTable* t, int option) {
    DecisionAttr = t->GetNoAttr() - 1;
    const int conditions = t->GetNoAttr() - 1;
    auto genDec = OrOutOfMemory([] { return std::make_unique<TGeneralDec>(); });
    genDec->CalcGenDec(t);
    genDec->CreateGenDec(t);
    LogMessage("Calculating all decision rules");
    ShowProgress(0);
    // A 32-bit mask holds 31 attributes beside its sign bit.
    const bool finished = conditions < 32 ? AllRulesOfObjects<TBoole31>(*t, *genDec, option)
                                          : AllRulesOfObjects<TBoole>(*t, *genDec, option);
    if (finished) ShowProgress(100);
}

void TRulMemory::CalculateGeneticRules(TTable* t) {
    table = t;
    DecisionAttr = t->GetNoAttr() - 1;
    auto search = OrOutOfMemory([] { return std::make_unique<TGenRed>(); });
    search->Calculate(t, this, ReductLimit, SpeedLevel, 1, 1, -1);
}

void TRulMemory::CalcRulesInfo(TTable* t, int mode) {
    if (root != nullptr) root->CalcRulesInfo(*t, mode);
}

void TRulMemory::RemapAttributes(const TRed& map) {
    if (root != nullptr) root->RemapAttributes(map);
}

void TRulMemory::MoveRules(TLeaf* node, TRulMemory& target) {
    if (&target == this) return;
    Departures leaving(*this, node, "TRulMemory::MoveRules");
    while (leaving.Next() != nullptr) leaving.Move(target);
}

// ---- TRulMemory::Departures

TRulMemory::Departures::Departures(TRulMemory& memory, TLeaf* node, const char* where) : memory(memory) {
    if (node == nullptr) {
        started = true;
        return;
    }
    if (node == memory.root) {
        at = &memory.root;
    } else {
        OrOutOfMemory([&] {
            VisitPreOrder(memory.root, [&](TLeaf& leaf) {
                if (leaf.left == node) at = &leaf.left;
                if (leaf.right == node) at = &leaf.right;
                return at == nullptr;
            });
        });
    }
    if (at == nullptr) {
        LogFormat("Bad node in %s", where);
        throw CalcError(5);
    }
}

// Walk order puts every node after those above it, so from the last one back each node
// still hangs where the walk found it when its turn comes, and its subtrees hold only rules.
TRulMemory::Departures::~Departures() {
    for (auto link = emptied.rbegin(); link != emptied.rend(); ++link) {
        TLeaf* node = **link;
        **link = TLeaf::Merge(node->left, node->right);
        node->left = nullptr;
        node->right = nullptr;
        delete node;
    }
}

TLeaf* TRulMemory::Departures::Next() {
    if (!started) {
        started = true;
        return *at;
    }
    if (at == nullptr) return nullptr;
    TLeaf* node = *at;
    if (node->left != nullptr) {
        if (node->right != nullptr) OrOutOfMemory([&] { pending.push_back(&node->right); });
        at = &node->left;
    } else if (node->right != nullptr) {
        at = &node->right;
    } else if (pending.empty()) {
        at = nullptr;
        return nullptr;
    } else {
        at = pending.back();
        pending.pop_back();
    }
    return *at;
}

void TRulMemory::Departures::Move(TRulMemory& target) {
    OrOutOfMemory([&] { emptied.push_back(at); });
    std::unique_ptr<TRuleComp> rule((*at)->rule);
    (*at)->rule = nullptr;
    if (rule == nullptr) return;
    --memory.NoRules;
    target.InsertRule(std::move(rule));
}
