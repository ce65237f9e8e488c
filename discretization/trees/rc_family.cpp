// The stacked variant of the decomposition tree: each internal node splits by a family of
// strong templates instead of one.
#include <algorithm>
#include <string>
#include <utility>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "discretization/cuts/scaler.h"
#include "discretization/templates/templ_set.h"
#include "discretization/trees/rc_node.h"
#include "rough/decision/general_dec.h"

namespace {

// Parts of this size or more are split by a family; smaller ones make a leaf.
constexpr int kFamilyMinSize = 500;

void MapRow(const std::vector<int>& map, TTable& row) {
    row.CreateTable(1, static_cast<int>(map.size()));
    for (size_t a = 0; a < map.size(); ++a) row.SetTable(0, static_cast<int>(a), map[a]);
}

int ClassesOf(const TDValInfo* info) { return info != nullptr ? info->GetNoDecVal() : 0; }

// What a node that cannot decide returns.
std::vector<int> NoDecision(const TDValInfo* info, int& result) {
    result = -1;
    return OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(ClassesOf(info)), 0); });
}

}  // namespace

std::string TRCNode::CommonCutsFileName() const { return "CUTS_C" + std::to_string(id); }

TRCNode* TRCNode::GetFamilyChild(int j) const {
    if (j < 0 || j >= static_cast<int>(familyChildren.size())) return nullptr;
    return familyChildren[static_cast<size_t>(j)].get();
}

// ---- building

// A node's rest child is built whole before the node makes its stacking tables, as if the
// node called itself for it; the chain is as long as the table allows, so it is walked down
// first and the nodes waiting for their tables are finished on the way back up, deepest first.
void TRCNode::BuildWithFamily(TRulCache& ruleCache, const TTable& train, const TTable& stackTrain,
                              const TTable* stackTest, const TDValInfo& decisionInfoArg, const TTemplSet* parentPath,
                              const TTable* attributeMap, int withTest) {
    if (withTest == 1 && stackTest == nullptr) throw CalcError(9);
    QuietModeGuard quiet;  // the rule memories of the leaves keep their rules only in quiet mode

    std::vector<int> map;
    OrOutOfMemory([&] {
        if (attributeMap != nullptr) {
            for (int a = 0; a < attributeMap->GetNoAttr(); ++a) map.push_back(attributeMap->GetTable(0, a));
        } else {
            for (int a = 0; a < train.GetNoAttr(); ++a) map.push_back(a);
        }
    });

    struct Waiting {
        TRCNode* node;
        std::unique_ptr<TTemplSet> pathAndFamily;
    };
    std::vector<Waiting> waiting;
    TRCNode* node = this;
    const TTemplSet* path = parentPath;
    while (node != nullptr) {
        std::unique_ptr<TTemplSet> pathAndFamily;
        TRCNode* rest = node->BuildFamilyNode(ruleCache, train, stackTrain, decisionInfoArg, path, map, withTest,
                                              pathAndFamily);
        if (rest == nullptr) break;
        // The rest child's path is its parent's path and family, every family template negated.
        path = pathAndFamily.get();
        OrOutOfMemory([&] { waiting.push_back({node, std::move(pathAndFamily)}); });
        node = rest;
    }
    while (!waiting.empty()) {
        Waiting w = std::move(waiting.back());
        waiting.pop_back();
        w.node->FinishFamilyNode(ruleCache, stackTrain, stackTest, *w.pathAndFamily, withTest);
    }
}

TRCNode* TRCNode::BuildFamilyNode(TRulCache& ruleCache, const TTable& train, const TTable& stackTrain,
                                  const TDValInfo& decisionInfoArg, const TTemplSet* parentPath,
                                  const std::vector<int>& map, int withTest,
                                  std::unique_ptr<TTemplSet>& pathAndFamily) {
    WriteStdoutLine("************************> BUDUJE KLASYFIKATOR RC nr: " + std::to_string(id));
    decisionInfo = OrOutOfMemory([&] { return std::make_unique<TDValInfo>(decisionInfoArg); });
    path = CopyOfSet(parentPath);

    TTable part;
    path->SelectTable(train, part);
    objects = part.GetNoObj();
    WriteStdoutLine("ROZMIAR TABLICY:  " + std::to_string(objects));

    if (objects < kFamilyMinSize) {
        // A node that was internal before keeps what it held: nothing is deleted here.
        internal = 0;
        if (withTest == 1) {
            TTable testPart;
            path->SelectTable(stackTrain, testPart);
        }
        BuildLeaf(ruleCache, part, nullptr, discretize, shorteningRatio, voteMethod, 0);
        return nullptr;
    }

    TTable mapRow;
    MapRow(map, mapRow);
    auto found = MakeOrOutOfMemory<TTemplSet>();
    found->SearchFamilyOfTempl(part, mapRow, familySize);
    part.Clear();
    internal = 1;
    family = std::move(found);

    familyChildren.clear();
    familyCount = family->GetCount();
    OrOutOfMemory([&] {
        for (int j = 0; j < familyCount; ++j) {
            familyChildren.push_back(std::make_unique<TRCNode>());
            familyChildren.back()->SetDiscretize(discretize);
        }
    });
    // Each family child learns its part, the node's part that matches its template, as a
    // plain tree; the stacking tables below classify through them.
    for (int j = 0; j < familyCount; ++j) {
        const TTempl& templ = family->GetTEMPL(j);
        auto childPath = CopyOfSet(path.get());
        auto last = OrOutOfMemory([&] { return std::make_unique<TTempl>(templ); });
        last->ClearNegated();
        childPath->Add(std::move(last));
        std::vector<int> childMap;
        OrOutOfMemory([&] {
            for (int a : map) {
                if (a != templ.GetAttr()) childMap.push_back(a);
            }
        });
        TTable childMapRow;
        MapRow(childMap, childMapRow);
        familyChildren[static_cast<size_t>(j)]->Build(ruleCache, train, nullptr, *decisionInfo, childPath.get(),
                                                      &childMapRow, 0, 0, discretize, shorteningRatio, voteMethod, 0,
                                                      kFamilyMinSize);
    }

    pathAndFamily = CopyOfSet(path.get());
    for (int j = 0; j < familyCount; ++j) {
        auto negated = OrOutOfMemory([&] { return std::make_unique<TTempl>(family->GetTEMPL(j)); });
        negated->SetNegated();
        pathAndFamily->Add(std::move(negated));
    }
    restChild = MakeOrOutOfMemory<TRCNode>();
    restChild->SetDiscretize(discretize);
    return restChild.get();
}

void TRCNode::FinishFamilyNode(TRulCache& ruleCache, const TTable& stackTrain, const TTable* stackTest,
                               const TTemplSet& pathAndFamily, int withTest) {
    TTable a;
    MakeStackingTable(ruleCache, stackTrain, pathAndFamily, a);
    a.Save(("CommonTabNoScal" + std::to_string(id)).c_str());
    const int discretized = DiscretizeCommonTable(a);
    WriteStdoutLine("Size of common table A: " + std::to_string(a.GetNoObj()) + " " + std::to_string(a.GetNoAttr()));
    if (withTest == 1) {
        TTable b;
        MakeStackingTable(ruleCache, *stackTest, pathAndFamily, b);
        if (discretized == 1) ApplyCommonCuts(b);
        WriteStdoutLine("Size of common table B: " + std::to_string(b.GetNoObj()) + " " +
                        std::to_string(b.GetNoAttr()));
    }
    a.Save(("CommonTabScal" + std::to_string(id)).c_str());

    // The stacking child is one leaf over the whole of A, which it discretizes no further.
    stackingChild = MakeOrOutOfMemory<TRCNode>();
    stackingChild->SetDiscretize(0);
    stackingChild->Build(ruleCache, a, nullptr, *decisionInfo, nullptr, nullptr, 0, 0, 0, shorteningRatio, voteMethod,
                         0, a.GetNoObj() + 1);
}

void TRCNode::MakeStackingTable(TRulCache& ruleCache, const TTable& table, const TTemplSet& pathAndFamily,
                                TTable& target) {
    const int k = path != nullptr ? path->GetCount() : 0;
    std::vector<int> selected;
    std::vector<std::vector<int>> flagsOf;
    for (int o = 0; o < table.GetNoObj(); ++o) {
        std::vector<int> flags;
        if (pathAndFamily.TestObject(table, o, k, &flags) < 2) continue;
        OrOutOfMemory([&] {
            selected.push_back(o);
            flagsOf.push_back(std::move(flags));
        });
    }
    const int width = ClassesOf(decisionInfo.get()) * familyCount + 1;
    target.CreateTable(static_cast<int>(selected.size()), width);
    TTable one;
    one.CreateTable(1, table.GetNoAttr());
    for (size_t i = 0; i < selected.size(); ++i) {
        std::copy(table.Row(selected[i]), table.Row(selected[i]) + table.GetNoAttr(), one.Row(0));
        FillStackingRow(ruleCache, one, flagsOf[i], target.Row(static_cast<int>(i)));
    }
}

// A family child that a failed build left out gives zeros, as one that does not decide.
void TRCNode::FillStackingRow(TRulCache& ruleCache, const TTable& row, const std::vector<int>& flags, int* out) {
    const int classes = ClassesOf(decisionInfo.get());
    for (int j = 0; j < familyCount; ++j) {
        int* block = out + static_cast<long long>(j) * classes;
        std::fill(block, block + classes, 0);
        TRCNode* child = GetFamilyChild(j);
        if (j >= static_cast<int>(flags.size()) || flags[static_cast<size_t>(j)] != 1 || child == nullptr) continue;
        int result = 0;
        const std::vector<int> distribution = child->Classify(ruleCache, row, result);
        std::copy_n(distribution.begin(), std::min(classes, static_cast<int>(distribution.size())), block);
    }
    out[static_cast<long long>(familyCount) * classes] = row.Value(0, row.GetNoAttr() - 1);
}

// A stacking table without objects (no object matched two templates, as when the whole
// family tests one attribute) has no class to tell apart.
int TRCNode::DiscretizeCommonTable(TTable& table) {
    LogMessage("Discretization table...");
    if (!TakeGenDec(table)) return 0;
    LogMessage("Discretization common table...");
    {
        // The cuts separate the generalized-decision classes; the decisions come back after.
        ModifiedDecisionScope classes(*genDec, &table);
        const std::string name = CommonCutsFileName();
        commonCuts.Forget();
        TScaler().ScaleTable(table, name.c_str(), 0, 1);
        commonCuts.Apply(table, CommonCutsFileName());
        classes.Restore();
    }
    table.RemoveReplicas();
    genDec.reset();
    return 1;
}

void TRCNode::ApplyCommonCuts(TTable& table) {
    commonCuts.Apply(table, CommonCutsFileName());
    table.RemoveReplicas();
}

// ---- classifying

// The rest chain is followed in a loop: it is as long as the build made it. A node that a
// failed build left without the child an object needs gives no decision.
std::vector<int> TRCNode::ClassifyWithFamily(TRulCache& ruleCache, const TTable& row, std::string& trace,
                                             int& matchCount, int& result) {
    TRCNode* node = this;
    for (;;) {
        matchCount = 1;
        if (!node->internal) {
            if (node->family != nullptr) {
                WriteStdoutLine("UWAGA: TemplSetLoc!=NULL w lisciu RC!");
                EndProcess(-1);
            }
            trace += "<-2*>";
            return node->ClassifyAtLeaf(ruleCache, row, result);
        }
        if (node->family == nullptr) return NoDecision(node->decisionInfo.get(), result);
        std::vector<int> flags;
        const int n = node->family->TestObject(row, 0, 0, &flags);
        if (n < 1) {
            trace += "<-1$>";
            if (node->restChild == nullptr) return NoDecision(node->decisionInfo.get(), result);
            node = node->restChild.get();
            continue;
        }
        matchCount = n;
        if (n == 1) {
            const int j = static_cast<int>(std::find(flags.begin(), flags.end(), 1) - flags.begin());
            trace += "<" + std::to_string(j) + "#>";
            TRCNode* child = node->GetFamilyChild(j);
            if (child == nullptr) return NoDecision(node->decisionInfo.get(), result);
            return child->Classify(ruleCache, row, result);
        }
        const int classes = ClassesOf(node->decisionInfo.get());
        TTable stacking;
        stacking.CreateTable(1, classes * node->familyCount + 1);
        node->FillStackingRow(ruleCache, row, flags, stacking.Row(0));
        for (int a = 0; a + 1 < stacking.GetNoAttr(); ++a) trace += std::to_string(stacking.Value(0, a)) + " ";
        if (node->genDecClasses < 2 || node->stackingChild == nullptr) {
            return NoDecision(node->decisionInfo.get(), result);
        }
        node->commonCuts.Apply(stacking, node->CommonCutsFileName());
        return node->stackingChild->Classify(ruleCache, stacking, result);
    }
}
