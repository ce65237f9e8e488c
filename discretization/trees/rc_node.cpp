#include "discretization/trees/rc_node.h"

#include <unordered_map>
#include <utility>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "discretization/cuts/scaler.h"
#include "discretization/templates/templ_set.h"
#include "rough/decision/general_dec.h"
#include "rough/rules/rul_cache.h"
#include "rough/rules/rul_memory.h"

namespace {

// Taken by every node construction, in the whole process.
int nodeCounter = 0;

}  // namespace

// What every node of one build is given alike.
struct TRCNode::BuildArgs {
    TRulCache& ruleCache;
    const TTable& train;
    const TTable* test;
    int excludeBad;
    int badValue;
    int discretize;
    float shorteningRatio;
    int voteMethod;
    int adaptation;
    int minSize;
};

// One node to build. A child is made only when its turn comes, so that ids follow the
// order of the builds. The rows are those of train (and of test with adaptation) that
// satisfy the path: a child's are its parent's split by the parent's template, which
// selects the same objects as the whole path would from the whole table.
struct TRCNode::BuildStep {
    TRCNode* node = nullptr;  // the node itself, or, when null, a new child of parent
    TRCNode* parent = nullptr;
    bool matchingSide = false;
    const TDValInfo* decisionInfo = nullptr;
    std::unique_ptr<TTemplSet> parentPath;  // null: none
    std::vector<int> attributeMap;          // empty: identity
    bool identityMap = false;
    std::vector<int> trainRows;
    std::vector<int> testRows;
};

TRCNode::TRCNode() : id(nodeCounter++) {}

// Children are taken out of each node before it goes, so no destructor reaches further
// than one level.
TRCNode::~TRCNode() {
    std::vector<std::unique_ptr<TRCNode>> pending;
    ReleaseChildren(pending);
    while (!pending.empty()) {
        std::unique_ptr<TRCNode> node = std::move(pending.back());
        pending.pop_back();
        node->ReleaseChildren(pending);
    }
}

void TRCNode::ReleaseChildren(std::vector<std::unique_ptr<TRCNode>>& out) {
    auto take = [&](std::unique_ptr<TRCNode>& child) {
        if (child != nullptr) out.push_back(std::move(child));
    };
    take(nonMatching);
    take(matching);
    for (auto& child : familyChildren) take(child);
    familyChildren.clear();
    take(restChild);
    take(stackingChild);
}

std::string TRCNode::CutsFileName() const { return "CUTS" + std::to_string(id); }

std::unique_ptr<TTemplSet> TRCNode::CopyOfSet(const TTemplSet* from) {
    auto set = MakeOrOutOfMemory<TTemplSet>();
    if (from == nullptr) return set;
    for (int i = 0; i < from->GetCount(); ++i) {
        set->Add(OrOutOfMemory([&] { return std::make_unique<TTempl>(from->GetTEMPL(i)); }));
    }
    return set;
}

// ---- building

void TRCNode::Build(TRulCache& ruleCache, const TTable& train, const TTable* test, const TDValInfo& decisionInfo,
                    const TTemplSet* parentPath, const TTable* attributeMap, int excludeBad, int badValue,
                    int discretize, float shorteningRatio, int voteMethod, int adaptation, int minSize) {
    if (adaptation == 1 && test == nullptr) throw CalcError(9);
    const BuildArgs args{ruleCache, train,       test,       excludeBad, badValue,
                         discretize, shorteningRatio, voteMethod, adaptation, minSize};
    std::vector<BuildStep> pending;
    {
        BuildStep first;
        first.node = this;
        first.decisionInfo = &decisionInfo;
        first.parentPath = CopyOfSet(parentPath);
        if (attributeMap != nullptr) {
            OrOutOfMemory([&] {
                for (int a = 0; a < attributeMap->GetNoAttr(); ++a) first.attributeMap.push_back(attributeMap->GetTable(0, a));
            });
        } else {
            first.identityMap = true;
        }
        first.trainRows = first.parentPath->SatisfyingRows(train);
        if (adaptation == 1) first.testRows = first.parentPath->SatisfyingRows(*test);
        OrOutOfMemory([&] { pending.push_back(std::move(first)); });
    }
    while (!pending.empty()) {
        BuildStep step = std::move(pending.back());
        pending.pop_back();
        TRCNode* node = step.node;
        if (node == nullptr) {
            std::unique_ptr<TRCNode>& link = step.matchingSide ? step.parent->matching : step.parent->nonMatching;
            link = MakeOrOutOfMemory<TRCNode>();
            link->SetDiscretize(step.parent->discretize);
            node = link.get();
        }
        if (!CheckBreak()) {
            LogMessage("Terminated.");
            continue;
        }
        node->BuildNode(args, step, pending);
    }
}

void TRCNode::BuildNode(const BuildArgs& args, BuildStep& step, std::vector<BuildStep>& pending) {
    discretize = args.discretize;
    shorteningRatio = args.shorteningRatio;
    voteMethod = args.voteMethod;
    adaptation = args.adaptation;
    decisionInfo = OrOutOfMemory([&] { return std::make_unique<TDValInfo>(*step.decisionInfo); });
    path = std::move(step.parentPath);
    std::vector<int> map = std::move(step.attributeMap);
    if (step.identityMap) {
        OrOutOfMemory([&] {
            for (int a = 0; a < args.train.GetNoAttr(); ++a) map.push_back(a);
        });
    }

    TTable part;
    path->SelectRows(args.train, step.trainRows, part);
    objects = part.GetNoObj();
    if (objects < args.minSize) {
        internal = 0;
        split.reset();
        std::vector<std::unique_ptr<TRCNode>> old;
        ReleaseChildren(old);
        BuildAsLeaf(args, part, step.testRows);
        return;
    }

    TTable mapRow;
    mapRow.CreateTable(1, static_cast<int>(map.size()));
    for (size_t a = 0; a < map.size(); ++a) mapRow.SetTable(0, static_cast<int>(a), map[a]);
    auto found = MakeOrOutOfMemory<TTempl>();
    found->SearchTemplate(part, mapRow, args.excludeBad, args.badValue);
    internal = 1;
    split = std::move(found);
    part.Clear();

    const int attr = split->GetAttr();
    // Match checks the column: a test table narrower than train must not be read past its rows.
    auto divide = [&](const TTable& table, const std::vector<int>& rows, std::vector<int>& match,
                      std::vector<int>& other) {
        for (int r : rows) {
            std::vector<int>& side = split->Match(table, r) == 1 ? match : other;
            OrOutOfMemory([&] { side.push_back(r); });
        }
    };
    BuildStep toMatching;
    BuildStep toOther;
    divide(args.train, step.trainRows, toMatching.trainRows, toOther.trainRows);
    if (args.adaptation == 1) divide(*args.test, step.testRows, toMatching.testRows, toOther.testRows);
    std::vector<int>().swap(step.trainRows);
    std::vector<int>().swap(step.testRows);

    for (BuildStep* child : {&toMatching, &toOther}) {
        child->parent = this;
        child->matchingSide = child == &toMatching;
        child->decisionInfo = decisionInfo.get();
        child->parentPath = CopyOfSet(path.get());
        auto last = OrOutOfMemory([&] { return std::make_unique<TTempl>(*split); });
        if (child->matchingSide) {
            last->ClearNegated();
        } else {
            last->SetNegated();
        }
        child->parentPath->Add(std::move(last));
    }
    // The matching child no longer has the split's column; the non-matching one keeps it.
    OrOutOfMemory([&] {
        for (int a : map) {
            if (a != attr) toMatching.attributeMap.push_back(a);
        }
        toOther.attributeMap = std::move(map);
        pending.push_back(std::move(toOther));
        pending.push_back(std::move(toMatching));
    });
}

void TRCNode::BuildAsLeaf(const BuildArgs& args, TTable& part, const std::vector<int>& testRows) {
    if (args.adaptation != 1) {
        BuildLeaf(args.ruleCache, part, nullptr, args.discretize, args.shorteningRatio, args.voteMethod,
                  args.adaptation);
        return;
    }
    TTable validation;
    path->SelectRows(*args.test, testRows, validation);
    BuildLeaf(args.ruleCache, part, &validation, args.discretize, args.shorteningRatio, args.voteMethod,
              args.adaptation);
}

void TRCNode::StoreRules(TRulCache& ruleCache, TRulMemory& rules) { ruleSlot = ruleCache.AddRulMemory(rules); }

bool TRCNode::TakeGenDec(TTable& table) {
    genDecClasses = 0;
    if (table.GetNoObj() == 0) return false;
    genDec = MakeOrOutOfMemory<TGeneralDec>();
    genDec->CalcGenDec(&table);
    genDec->CreateGenDec(&table);
    genDecClasses = genDec->GetNoClasses();
    if (genDecClasses >= 2) return true;
    genDec.reset();
    return false;
}

void TRCNode::BuildLeaf(TRulCache& ruleCache, TTable& train, TTable* validation, int discretizeArg,
                        float shorteningRatioArg, int voteMethodArg, int adaptationArg) {
    if (adaptationArg == 1 && validation == nullptr) throw CalcError(9);
    discretize = discretizeArg;
    shorteningRatio = shorteningRatioArg;
    voteMethod = voteMethodArg;
    adaptation = adaptationArg;
    cuts.Forget();
    if (decisionInfo == nullptr) decisionInfo = MakeOrOutOfMemory<TDValInfo>();
    QuietModeGuard quiet;  // the rule memories keep their rules only in quiet mode

    if (!TakeGenDec(train)) {
        TRulMemory none;
        StoreRules(ruleCache, none);
        ruleCount = 0;
        return;
    }

    const bool validating = adaptation == 1;
    if (discretize > 0) {
        // The cuts separate the generalized-decision classes; the decisions come back after.
        ModifiedDecisionScope classes(*genDec, &train);
        LogMessage("Discretization...");
        const std::string name = CutsFileName();
        TScaler().ScaleTable(train, name.c_str(), 0, 1);
        ApplyCutsFile(train, name.c_str());
        // An empty part has nothing to scale, and no width the cuts could be checked against.
        if (validating && validation->GetNoObj() > 0) ApplyCutsFile(*validation, name.c_str());
        classes.Restore();
        train.RemoveReplicas();
        if (validating) validation->RemoveReplicas();
    }
    genDec.reset();
    decisionInfo->CountObjFromTable(train);

    TRulMemory rules;
    if (ruleMethod == 1) {
        rules.SetReductLimit(reductLimit);
        rules.SetSpeedLevel(speedLevel);
        rules.CalculateGeneticRules(&train);
    } else if (ruleMethod == 2) {
        rules.CalculateQuickRules(&train, quickThreshold);
    } else {
        rules.CalculateAllRules(&train, 0);
    }

    auto shortened = MakeOrOutOfMemory<TRulMemory>();
    if (!validating) {
        rules.ShortenRules(train, shorteningRatio, *shortened);
    } else {
        LogMessage("Making adaptation of rules and weights...");
        double bestQuality = 0.0;
        float bestRatio = 1.0f;
        int bestMethod = 0;
        for (int k = 0; k < 20; ++k) {
            const double r = 1.0 - 0.05 * k;
            LogFormat("    for shortening ratio: %3.2f (1.00..0.05)", r);
            auto trial = MakeOrOutOfMemory<TRulMemory>();
            rules.ShortenRulesEx(train, *validation, static_cast<float>(r), *trial);
            trial->CalcRulesInfo(&train, 2);
            double quality = 0.0;
            const int method = trial->EvaluateVoteMethods(*validation, *decisionInfo, quality);
            if (quality > bestQuality) {
                bestQuality = quality;
                bestRatio = static_cast<float>(r);
                bestMethod = method;
            }
        }
        shorteningRatio = bestRatio;
        voteMethod = bestMethod;
        rules.ShortenRulesEx(train, *validation, shorteningRatio, *shortened);
    }
    LogMessage("Calculating quality of rules...");
    shortened->CalcRulesInfo(&train, 2);
    ruleCount = shortened->GetNoRules();
    StoreRules(ruleCache, *shortened);
}

// ---- classifying

void TRCNode::Count(int result) {
    ++tested;
    if (result == -1) {
        ++unclassified;
    } else if (result == 1) {
        ++correct;
    }
}

// A node left without a child by a build that failed half-way gives no decision.
std::vector<int> TRCNode::Classify(TRulCache& ruleCache, const TTable& row, int& result) {
    CheckBreak();
    std::vector<TRCNode*> way;
    TRCNode* node = this;
    std::vector<int> distribution;
    for (;;) {
        OrOutOfMemory([&] { way.push_back(node); });
        if (!node->internal) {
            distribution = node->ClassifyAtLeaf(ruleCache, row, result);
            break;
        }
        TRCNode* next = node->split->Match(row, 0) == 1 ? node->matching.get() : node->nonMatching.get();
        if (next == nullptr) {
            result = -1;
            distribution.assign(node->decisionInfo != nullptr ? node->decisionInfo->GetNoDecVal() : 0, 0);
            break;
        }
        node = next;
    }
    for (TRCNode* n : way) n->Count(result);
    return distribution;
}

std::vector<int> TRCNode::ClassifyAtLeaf(TRulCache& ruleCache, const TTable& row, int& result) {
    TTable local;
    if (path != nullptr) {
        path->SelectTable(row, local);
    } else {
        local = row;
    }
    const int classes = decisionInfo != nullptr ? decisionInfo->GetNoDecVal() : 0;
    std::vector<int> distribution = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(classes), 0); });
    if (local.GetNoObj() == 0 || genDecClasses < 2) {
        result = -1;
        return distribution;
    }
    const TRulMemory* rules = ruleCache.GetRulMemory(ruleSlot);
    if (discretize > 0) {
        cuts.Apply(local, CutsFileName());
    }
    int predicted = 0;
    result = rules->ClassifyObject(*decisionInfo, voteMethod, local, 0, predicted);
    for (int i = 0; i < classes; ++i) distribution[static_cast<size_t>(i)] = static_cast<int>(decisionInfo->GetDistrib(i));
    return distribution;
}

double TRCNode::GetAccuracy() const {
    if (tested == 0) return -1.0;
    if (tested == unclassified) return 0.0;
    return static_cast<double>(correct) / static_cast<double>(tested - unclassified);
}

double TRCNode::GetCoverage() const {
    if (tested == 0) return -1.0;
    return static_cast<double>(tested - unclassified) / static_cast<double>(tested);
}

// ---- walks

int TRCNode::CountNodes() const {
    int n = 0;
    std::vector<const TRCNode*> stack{this};
    while (!stack.empty()) {
        const TRCNode* node = stack.back();
        stack.pop_back();
        ++n;
        if (!node->internal) continue;
        for (const TRCNode* child : {node->matching.get(), node->nonMatching.get()}) {
            if (child != nullptr) OrOutOfMemory([&] { stack.push_back(child); });
        }
    }
    return n;
}

int TRCNode::CountLeaves() const {
    int n = 0;
    std::vector<const TRCNode*> stack{this};
    while (!stack.empty()) {
        const TRCNode* node = stack.back();
        stack.pop_back();
        if (!node->internal) {
            ++n;
            continue;
        }
        for (const TRCNode* child : {node->matching.get(), node->nonMatching.get()}) {
            if (child != nullptr) OrOutOfMemory([&] { stack.push_back(child); });
        }
    }
    return n;
}

TRCNode* TRCNode::FindNode(int& counter, int n) {
    std::vector<TRCNode*> stack{this};
    while (!stack.empty()) {
        TRCNode* node = stack.back();
        stack.pop_back();
        if (counter == n) return node;
        ++counter;
        if (!node->internal) continue;
        // The non-matching subtree is walked first: it goes on the stack last.
        for (TRCNode* child : {node->matching.get(), node->nonMatching.get()}) {
            if (child != nullptr) OrOutOfMemory([&] { stack.push_back(child); });
        }
    }
    return nullptr;
}

// Each node's position depends only on its parent's and on the leaf counts of its own
// subtrees, which one pass from the bottom up gives for all nodes at once.
void TRCNode::Layout(int xArg, int yArg, int isMatchingChild) {
    std::vector<TRCNode*> order{this};
    for (size_t i = 0; i < order.size(); ++i) {
        TRCNode* node = order[i];
        if (!node->internal) continue;
        for (TRCNode* child : {node->nonMatching.get(), node->matching.get()}) {
            if (child != nullptr) OrOutOfMemory([&] { order.push_back(child); });
        }
    }
    std::unordered_map<const TRCNode*, int> leaves;
    for (size_t i = order.size(); i-- > 0;) {
        const TRCNode* node = order[i];
        int n = 1;
        if (node->internal) {
            n = 0;
            for (const TRCNode* child : {node->nonMatching.get(), node->matching.get()}) {
                if (child != nullptr) n += leaves[child];
            }
        }
        OrOutOfMemory([&] { leaves[node] = n; });
    }
    auto leavesOf = [&](const TRCNode* node) { return node != nullptr ? leaves[node] : 0; };

    struct Place {
        TRCNode* node;
        int x;
        int y;
        int isMatchingChild;
    };
    std::vector<Place> stack{{this, xArg, yArg, isMatchingChild}};
    while (!stack.empty()) {
        const Place p = stack.back();
        stack.pop_back();
        TRCNode* node = p.node;
        node->x = p.x;
        node->y = p.y;
        node->childY = p.y + 20;
        if (!node->internal) {
            node->childX = p.isMatchingChild == 1 ? p.x + 14 : p.x - 14;
            continue;
        }
        node->childX = p.isMatchingChild == 1 ? p.x + 14 * leavesOf(node->nonMatching.get())
                                              : p.x - 14 * leavesOf(node->matching.get());
        OrOutOfMemory([&] {
            if (node->nonMatching != nullptr) stack.push_back({node->nonMatching.get(), node->childX, node->childY, 0});
            if (node->matching != nullptr) stack.push_back({node->matching.get(), node->childX, node->childY, 1});
        });
    }
}
