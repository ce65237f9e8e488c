// The rule files of a rule memory: the rules file in three print modes, the file with object
// lists, the compact file, and the readers of the first two.

#include <iterator>
#include <sstream>
#include <string>
#include <utility>

#include "core/alloc_guard.h"
#include "core/dictio_set.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/int_tree.h"
#include "core/report.h"
#include "core/text_scan.h"
#include "rough/rules/rul_memory.h"

using tree_walk::DeleteTree;
using tree_walk::VisitPreOrder;

namespace {

// Every writer lists the rules in walk order and passes by a node without a rule (a tree put
// together by hand).
template <class Write>
void ForEachRule(const TLeaf* root, Write write) {
    VisitPreOrder(root, [&](const TLeaf& node) {
        if (node.GetRule() == nullptr) return;
        CheckBreak();
        write(*node.GetRule());
    });
}

int CountRules(const TLeaf* root) {
    int n = 0;
    VisitPreOrder(root, [&](const TLeaf& node) { n += node.GetRule() != nullptr ? 1 : 0; });
    return n;
}

// A rule given no block has no descriptors to show (GetBlock warns in the LOG).
void PrintBlock(std::ostream& out, const TRuleComp& rule, const TDictioSet* dict, int mode) {
    if (const TBlock* block = rule.GetBlock()) block->Print(out, dict, mode);
}

void WriteRuleLine(std::ostream& out, const TRuleComp& rule, int decisionAttr, const TDictioSet* dict, int mode) {
    PrintBlock(out, rule, dict, mode);
    PrintDecisionPart(out, decisionAttr, rule.GetDecision(), dict, mode);
    PrintRuleStatistics(out, rule, mode);
    out << '\n';
}

// The count is that of the numbers listed, so that the file reads back whatever the support
// field says: a rule whose supports were read without objects, or set by hand, has no tree
// and lists none.
void WriteObjects(std::ostream& out, const TIntTree* objects) {
    out << (objects != nullptr ? objects->GetNoNodes() : 0) << '\n';
    if (objects != nullptr) objects->PrintKeys(out);
    out << '\n';
}

void WriteRecordWithObjInfo(std::ostream& out, const TRuleComp& rule, int decisionAttr) {
    PrintBlock(out, rule, nullptr, 0);
    PrintDecisionPart(out, decisionAttr, rule.GetDecision(), nullptr, 0);
    out << '\n';
    WriteObjects(out, rule.PosObjInfoIfAny());
    WriteObjects(out, rule.NegObjInfoIfAny());
    out << rule.GetWeight() << ' ' << rule.GetDecision() << " \n";
}

[[noreturn]] void RulesNotSaved(const char* file) {
    LogFormat("Error: Can't save file with rules(%s)", file);
    throw CalcErrorText(7, file);
}

[[noreturn]] void FileNotSaved(const char* file) {
    LogMessage("Error: Can't save file with rules");
    throw CalcErrorText(7, file);
}

// The file is opened first, so that one that cannot be written is reported before anything
// else; the text is put in place only whole, and a failure while it is made (a name the
// dictionary lacks) leaves the old file as it was.
template <class Fill>
void WriteRulesFile(const char* file, void (*failed)(const char*), Fill fill) {
    ReplacingFile out;
    if (!out.Open(file)) failed(file);
    std::ostringstream text;
    OrOutOfMemory([&] { fill(text); });
    // A stream that could not grow drops what follows without throwing.
    if (!text) throw CalcError(2);
    const std::string bytes = OrOutOfMemory([&] { return std::move(text).str(); });
    if (!out.Write(bytes) || !out.Commit()) failed(file);
}

bool ReadNumber(TextScanner& in, int& value) { return in.ReadInt(value) != TextScanner::Read::Fail; }

// ">(" attribute "=" decision ")", after the "=" that ended the block; the separators are
// taken as they come.
bool ReadDecisionPart(TextScanner& in, int& decisionAttr, int& decision) {
    char c = 0;
    return in.ReadChar(c) && in.ReadChar(c) && ReadNumber(in, decisionAttr) && in.ReadChar(c) &&
           ReadNumber(in, decision) && in.ReadChar(c);
}

// A count, then that many object numbers into a tree, as adding each through the root would
// build it (none for a count below 1). Nothing is sized from the count: a count the text
// cannot hold fails where the numbers end.
bool ReadObjects(TextScanner& in, int& count, std::unique_ptr<TIntTree>& objects) {
    if (!ReadNumber(in, count)) return false;
    TIntTreeBuilder keys;
    for (int i = 0; i < count; ++i) {
        int key = 0;
        if (!ReadNumber(in, key)) return false;
        keys.Add(key);
    }
    objects = keys.Release();
    return true;
}

// A rule read from a file has no generating object.
std::unique_ptr<TRuleComp> NewRule(std::unique_ptr<TBlock> block, int decision, int positive, int negative,
                                   double weight) {
    auto rule = OrOutOfMemory([&] { return std::make_unique<TRuleComp>(std::move(block), -1); });
    rule->SetDecision(decision);
    rule->SetPosSupport(positive);
    rule->SetNegSupport(negative);
    rule->SetWeight(weight);
    return rule;
}

// block "=>(" attribute "=" decision ")" positive negative weight. Null when any of it
// cannot be read: a rule is never made up from what is missing.
std::unique_ptr<TRuleComp> ReadRuleLine(TextScanner& in, int& decisionAttr) {
    auto block = OrOutOfMemory([] { return std::make_unique<TBlock>(); });
    int decision = 0;
    int positive = 0;
    int negative = 0;
    double weight = 0.0;
    if (!block->Read(in) || !ReadDecisionPart(in, decisionAttr, decision) || !ReadNumber(in, positive) ||
        !ReadNumber(in, negative) || in.ReadDouble(weight) == TextScanner::Read::Fail) {
        return nullptr;
    }
    return NewRule(std::move(block), decision, positive, negative, weight);
}

// The record of the file with object lists; the decision is its second copy, after the
// weight.
std::unique_ptr<TRuleComp> ReadRecordWithObjInfo(TextScanner& in, int& decisionAttr) {
    auto block = OrOutOfMemory([] { return std::make_unique<TBlock>(); });
    int firstDecision = 0;
    int positive = 0;
    int negative = 0;
    std::unique_ptr<TIntTree> positiveObjects;
    std::unique_ptr<TIntTree> negativeObjects;
    double weight = 0.0;
    int decision = 0;
    if (!block->Read(in) || !ReadDecisionPart(in, decisionAttr, firstDecision) ||
        !ReadObjects(in, positive, positiveObjects) || !ReadObjects(in, negative, negativeObjects) ||
        in.ReadDouble(weight) == TextScanner::Read::Fail || !ReadNumber(in, decision)) {
        return nullptr;
    }
    auto rule = NewRule(std::move(block), decision, positive, negative, weight);
    rule->SetRecPosObjInfo(std::move(positiveObjects));
    rule->SetRecNegObjInfo(std::move(negativeObjects));
    return rule;
}

// Single precision, as the rules file has always shown it; both supports 0 show 0.
float Accuracy(int positive, int negative) {
    const long long total = static_cast<long long>(positive) + negative;
    if (total == 0) return 0.0f;
    return static_cast<float>(positive) / static_cast<float>(total);
}

void PrintAttrName(std::ostream& out, int a, const TDictioSet* dict) {
    if (dict != nullptr) {
        out << dict->GetAttrName(a);
    } else {
        out << a;
    }
}

}  // namespace

void PrintDecisionPart(std::ostream& out, int decisionAttr, int decision, const TDictioSet* dict, int mode) {
    out << "=>(";
    if (mode == 2) {
        PrintAttrName(out, decisionAttr, dict);
        out << "= " << decision << " )";
    } else if (mode == 1 && dict != nullptr) {
        out << dict->GetAttrName(decisionAttr) << '=' << dict->GetTextForCode(decisionAttr, decision) << ')';
    } else {
        out << decisionAttr << '=' << decision << ')';
    }
}

void PrintRuleStatistics(std::ostream& out, const TRuleComp& rule, int mode) {
    out << ' ' << rule.GetPosSupport() << ' ' << rule.GetNegSupport();
    if (mode == 2) out << "  " << Accuracy(rule.GetPosSupport(), rule.GetNegSupport());
    out << ' ' << rule.GetWeight();
}

// ---- TLeaf

void TLeaf::SaveRules(std::ostream& out, int decisionAttr, const TDictioSet* dict, int mode, int objInfo) const {
    ForEachRule(this, [&](const TRuleComp& rule) {
        if (objInfo != 0) {
            WriteRecordWithObjInfo(out, rule, decisionAttr);
        } else {
            WriteRuleLine(out, rule, decisionAttr, dict, mode);
        }
    });
}

void TLeaf::SaveRulesEx(std::ostream& out, int decisionAttr, const TDictioSet* dict, int mode, int d) const {
    ForEachRule(this, [&](const TRuleComp& rule) {
        if (rule.GetDecision() == d && rule.IsSelected() == 1) WriteRuleLine(out, rule, decisionAttr, dict, mode);
    });
}

// ---- TRulMemory: writers

void TRulMemory::SaveRules(const char* file, const TDictioSet* dict, int mode) const {
    LogMessage("Saving rules...");
    WriteRulesFile(file, RulesNotSaved, [&](std::ostream& out) {
        out << "DECISION RULES (" << CountRules(root) << ")\n";
        if (root != nullptr) root->SaveRules(out, DecisionAttr, dict, mode, 0);
    });
}

void TRulMemory::SaveRulesWithObjInfo(const char* file) const {
    WriteRulesFile(file, FileNotSaved, [&](std::ostream& out) {
        out << "DECISION RULES:\n";
        if (root != nullptr) root->SaveRules(out, DecisionAttr, nullptr, 0, 1);
    });
}

void TRulMemory::SaveRulesCompact(const char* file) const {
    WriteRulesFile(file, FileNotSaved, [&](std::ostream& out) {
        out << CountRules(root) << '\n';
        ForEachRule(root, [&](const TRuleComp& rule) { rule.Print(out); });
    });
}

// ---- TRulMemory: readers

bool TRulMemory::LeafOrder::operator()(const TLeaf* a, const TLeaf* b) const {
    return TLeaf::Compare(a->GetRule(), b->GetRule()) < 0;
}

bool TRulMemory::LeafOrder::operator()(const TLeaf* a, const TRuleComp* b) const {
    return TLeaf::Compare(a->GetRule(), b) < 0;
}

bool TRulMemory::LeafOrder::operator()(const TRuleComp* a, const TLeaf* b) const {
    return TLeaf::Compare(a, b->GetRule()) < 0;
}

// The index lives as long as the load and no longer, also when the load fails.
class TRulMemory::IndexedLoad {
public:
    explicit IndexedLoad(TRulMemory& memory) : memory(memory) {
        memory.loadIndex.clear();
        memory.indexing = true;
    }
    ~IndexedLoad() {
        memory.indexing = false;
        memory.loadIndex.clear();
    }
    IndexedLoad(const IndexedLoad&) = delete;
    IndexedLoad& operator=(const IndexedLoad&) = delete;

private:
    TRulMemory& memory;
};

// The predecessor and the successor of a new rule are next to each other in the order, so
// one lies below the other, and the lower one has its side towards the new rule free: the
// leaf a walk from the root reaches.
void TRulMemory::InsertIndexed(std::unique_ptr<TRuleComp> rule) {
    CheckBreak();
    auto next = loadIndex.lower_bound(rule.get());
    if (next != loadIndex.end() && TLeaf::Compare((*next)->GetRule(), rule.get()) == 0) return;
    OrOutOfMemory([&] {
        auto node = std::make_unique<TLeaf>(rule.get());
        rule.release();
        TLeaf* before = next != loadIndex.begin() ? *std::prev(next) : nullptr;
        TLeaf* after = next != loadIndex.end() ? *next : nullptr;
        loadIndex.insert(next, node.get());
        if (root == nullptr) {
            root = node.release();
        } else if (before != nullptr && before->GetRight() == nullptr) {
            before->SetRight(node.release());
        } else {
            after->SetLeft(node.release());
        }
    });
    ++NoRules;
}

void TRulMemory::LoadRules(const char* file) { Load(file, false); }

void TRulMemory::LoadRulesWithObjInfo(const char* file) { Load(file, true); }

// The first line is skipped (at most 199 characters: a longer one leaves nothing
// readable), and so is the rest of every rule's last line; a rule whose rest of line is
// longer is kept and ends the reading.
void TRulMemory::Load(const char* file, bool objInfo) {
    std::string text;
    if (!ReadWholeFile(file, text)) {
        LogMessage("Error: Can't open file with rules");
        throw CalcErrorText(6, file);
    }
    TextScanner in(text.data(), text.data() + text.size());
    const bool headerSkipped = in.SkipLine(199);
    DeleteTree(root);
    root = nullptr;
    NoRules = 0;
    table = nullptr;
    if (!objInfo) DecisionAttr = NotSet;
    if (!headerSkipped) return;
    QuietModeGuard quiet;
    IndexedLoad indexed(*this);
    for (;;) {
        CheckBreak();
        int decisionAttr = 0;
        auto rule = objInfo ? ReadRecordWithObjInfo(in, decisionAttr) : ReadRuleLine(in, decisionAttr);
        if (rule == nullptr) return;
        const bool more = in.SkipLine(199);
        if (DecisionAttr == NotSet) DecisionAttr = decisionAttr;
        InsertRule(std::move(rule));
        if (!more) return;
    }
}
