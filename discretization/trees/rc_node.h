#pragma once

#include <memory>
#include <string>
#include <vector>

#include "discretization/cuts/cut_groups.h"

class TDValInfo;
class TGeneralDec;
class TRulCache;
class TRulMemory;
class TTable;
class TTempl;
class TTemplSet;

// A node of the decomposition tree: a classifier that splits a decision table too large for
// rule induction into parts small enough. An internal node splits the objects reaching it
// by one template attribute = value (the matching child takes the objects with the value,
// the non-matching child the others); a node whose part is smaller than the minimum size is
// a leaf that induces, shortens and parks its rules in a rule cache, discretizing its part
// first with cuts of its own (the file "CUTS" + id) when asked. Every node counts the
// objects classified through it.
//
// Ids come from a process-wide counter, taken by every construction: a node is built before
// its matching subtree, and that before its non-matching subtree, so the ids of a build run
// in that order. Chains of nodes can be as deep as the table, so nothing here recurses.
class TRCNode {
public:
    TRCNode();
    ~TRCNode();
    TRCNode(const TRCNode&) = delete;
    TRCNode& operator=(const TRCNode&) = delete;

    // Builds the subtree rooted here over the part of train that parentPath selects (the
    // whole table when absent). train and test are the root's full tables; attributeMap
    // (one row) names train's column of each column of the part (identity when absent).
    // test is needed only with adaptation 1 (CalcError 9 when it is missing), for the
    // validation parts. A node whose part cannot be split ends the build with CalcError 4.
    void Build(TRulCache& ruleCache, const TTable& train, const TTable* test, const TDValInfo& decisionInfo,
               const TTemplSet* parentPath, const TTable* attributeMap, int excludeBad, int badValue,
               int discretize, float shorteningRatio, int voteMethod, int adaptation, int minSize);
    // Makes this node a trained leaf over train, its part of the table, which is changed in
    // place (discretized, repeated rows removed). validation is the leaf's part of the test
    // table, used (and changed likewise) only with adaptation 1, when it must be given
    // (CalcError 9 otherwise).
    void BuildLeaf(TRulCache& ruleCache, TTable& train, TTable* validation, int discretize, float shorteningRatio,
                   int voteMethod, int adaptation);

    // Classifies the object of a one-row table laid out as the root's training table:
    // result 1 correct, 0 wrong, -1 no decision, counted at every node on the way; returns
    // one integer per decision value, each class score truncated toward zero.
    std::vector<int> Classify(TRulCache& ruleCache, const TTable& row, int& result);
    // The leaf's part of Classify, without the counting.
    std::vector<int> ClassifyAtLeaf(TRulCache& ruleCache, const TTable& row, int& result);

    // correct / classified; -1.0 when nothing was tested here, 0.0 when nothing classified.
    double GetAccuracy() const;
    // classified / tested; -1.0 when nothing was tested here.
    double GetCoverage() const;

    int CountNodes() const;
    int CountLeaves() const;
    // The node at which a pre-order walk (node, non-matching subtree, matching subtree)
    // that numbers the nodes from counter's value reaches n; counter ends at n then, or
    // past the last number when the walk ends first (null).
    TRCNode* FindNode(int& counter, int n);
    // Drawing positions, 14 units per leaf across and 20 per level down.
    void Layout(int x, int y, int isMatchingChild);

    void SetDiscretize(int value) { discretize = value; }
    // 1 genetic rules, 2 quick rules (the default), any other value all rules.
    void SetRuleMethod(int value) { ruleMethod = value; }
    void SetReductLimit(int value) { reductLimit = value; }
    void SetSpeedLevel(int value) { speedLevel = value; }
    void SetQuickThreshold(double value) { quickThreshold = value; }

    int GetInternal() const { return internal; }
    int GetId() const { return id; }
    const TTemplSet* GetPath() const { return path.get(); }
    int GetObjects() const { return objects; }
    const TTempl* GetSplit() const { return split.get(); }
    TRCNode* GetNonMatching() const { return nonMatching.get(); }
    TRCNode* GetMatching() const { return matching.get(); }
    int GetGenDecClasses() const { return genDecClasses; }
    int GetRuleSlot() const { return ruleSlot; }
    const TDValInfo* GetDecisionInfo() const { return decisionInfo.get(); }
    int GetRuleMethod() const { return ruleMethod; }
    int GetRuleCount() const { return ruleCount; }
    int GetReductLimit() const { return reductLimit; }
    int GetSpeedLevel() const { return speedLevel; }
    double GetQuickThreshold() const { return quickThreshold; }
    float GetShorteningRatio() const { return shorteningRatio; }
    int GetDiscretize() const { return discretize; }
    int GetVoteMethod() const { return voteMethod; }
    int GetAdaptation() const { return adaptation; }
    int GetTested() const { return tested; }
    int GetUnclassified() const { return unclassified; }
    int GetCorrect() const { return correct; }
    int GetX() const { return x; }
    int GetY() const { return y; }
    int GetChildX() const { return childX; }
    int GetChildY() const { return childY; }

    // The cuts file of this node's leaf discretization.
    std::string CutsFileName() const;

private:
    struct BuildArgs;
    struct BuildStep;

    // Steps 2 onwards of one node's build; the children still to build go onto the stack.
    void BuildNode(const BuildArgs& args, BuildStep& step, std::vector<BuildStep>& pending);
    // The node's leaf, built over the rows of its part.
    void BuildAsLeaf(const BuildArgs& args, TTable& part, const std::vector<int>& testRows);
    void StoreRules(TRulCache& ruleCache, TRulMemory& rules);
    // The generalized decision of a table with objects, kept in genDec when it has two
    // classes or more; genDecClasses is its class count (0 without objects). False when
    // there is nothing to tell apart.
    bool TakeGenDec(TTable& table);
    // Tested, unclassified and correct after one object with this result passed here.
    void Count(int result);
    // Every child node this node owns, moved out (for destruction without recursion).
    void ReleaseChildren(std::vector<std::unique_ptr<TRCNode>>& out);
    // Copies of every template of a set, in a new set (an empty one for none).
    static std::unique_ptr<TTemplSet> CopyOfSet(const TTemplSet* from);

    int internal = 0;
    int id;
    std::unique_ptr<TTemplSet> path;
    int objects = 0;
    std::unique_ptr<TTempl> split;
    std::unique_ptr<TRCNode> nonMatching;
    std::unique_ptr<TRCNode> matching;
    std::unique_ptr<TTemplSet> family;
    int familySize = 5;
    std::vector<std::unique_ptr<TRCNode>> familyChildren;  // familyCount entries
    int familyCount = 0;
    std::unique_ptr<TRCNode> restChild;
    std::unique_ptr<TRCNode> stackingChild;
    int genDecClasses = 0;
    std::unique_ptr<TGeneralDec> genDec;
    int ruleSlot = -1;
    std::unique_ptr<TDValInfo> decisionInfo;
    int ruleMethod = 2;
    int ruleCount = 0;
    int reductLimit = 100;
    int speedLevel = 1;
    double quickThreshold = 0.0001;
    float shorteningRatio = 1.0f;
    int discretize = 0;
    int voteMethod = 0;
    int adaptation = 0;
    int tested = 0;
    int unclassified = 0;
    int correct = 0;
    int x = 0;
    int y = 0;
    int childX = 0;
    int childY = 0;

    // The leaf's cuts, read at the first classification that needs them: objects alternate
    // between leaves.
    TCutsFileCache cuts;

    // ---- the stacked variant: a family of templates per node (rc_family.cpp)
public:
    // Builds this node of the stacked variant and, without recursion, its chain of rest
    // children. An internal node holds a family of 2 to familySize templates, a trained
    // child per template (its part: the node's path plus the template), a rest child for the
    // objects matching none of them and a stacking child trained on the stacking table A of
    // the stackTrain objects matching two or more; a part under 500 objects makes a trained
    // leaf. withTest 1 also builds and reports table B of stackTest (CalcError 9 when it is
    // missing). Progress goes to standard output, the tables A to "CommonTabNoScal" and
    // "CommonTabScal" + id, their cuts to "CUTS_C" + id.
    void BuildWithFamily(TRulCache& ruleCache, const TTable& train, const TTable& stackTrain, const TTable* stackTest,
                         const TDValInfo& decisionInfo, const TTemplSet* parentPath, const TTable* attributeMap,
                         int withTest);
    // target := one stacking row per object of table that satisfies the node's path (the
    // first templates of pathAndFamily) and matches two or more family templates (the rest),
    // in table order: per family template the distribution its child gives the object, zeros
    // where the object does not match it, and the object's decision last.
    void MakeStackingTable(TRulCache& ruleCache, const TTable& table, const TTemplSet& pathAndFamily, TTable& target);
    // Counts the generalized-decision classes of table and, with two or more, discretizes it
    // in place by cuts of this node ("CUTS_C" + id) and removes repeated rows: 1, else 0.
    int DiscretizeCommonTable(TTable& table);
    // Scales table by this node's "CUTS_C" cuts and removes repeated rows.
    void ApplyCommonCuts(TTable& table);
    // Classifies the object of a one-row table laid out as the root's training table through
    // the stacked variant, appending the route to trace; matchCount gets the number of family
    // templates the object matched at the last node (1 when none or at a leaf). result 1
    // correct, 0 wrong, -1 no decision. A leaf holding a family ends the process (code -1).
    std::vector<int> ClassifyWithFamily(TRulCache& ruleCache, const TTable& row, std::string& trace, int& matchCount,
                                        int& result);

    const TTemplSet* GetFamily() const { return family.get(); }
    int GetFamilySize() const { return familySize; }
    int GetFamilyCount() const { return familyCount; }
    TRCNode* GetFamilyChild(int j) const;  // null outside 0 .. familyCount - 1
    TRCNode* GetRestChild() const { return restChild.get(); }
    TRCNode* GetStackingChild() const { return stackingChild.get(); }
    // The cuts file of the stacking table's discretization.
    std::string CommonCutsFileName() const;

private:
    // Steps of one node down the rest chain: the node's part, and for an internal node its
    // family, family children and pathAndFamily; returns the rest child to build next, or
    // null when the node became a leaf.
    TRCNode* BuildFamilyNode(TRulCache& ruleCache, const TTable& train, const TTable& stackTrain,
                             const TDValInfo& decisionInfoArg, const TTemplSet* parentPath, const std::vector<int>& map,
                             int withTest, std::unique_ptr<TTemplSet>& pathAndFamily);
    // What an internal node does once its rest chain is built: tables A and B, the stacking child.
    void FinishFamilyNode(TRulCache& ruleCache, const TTable& stackTrain, const TTable* stackTest,
                          const TTemplSet& pathAndFamily, int withTest);
    // Writes the stacking row of the object of a one-row table into out (every column but
    // the decision, which goes last): flags tells which family templates it matches.
    void FillStackingRow(TRulCache& ruleCache, const TTable& row, const std::vector<int>& flags, int* out);

    // The "CUTS_C" cuts, read once per node as `cuts` is.
    TCutsFileCache commonCuts;
};
