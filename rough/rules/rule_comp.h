#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "core/int_tree.h"
#include "rough/rules/block.h"

class TRed;
class TTable;

// One decision rule: if an object satisfies every descriptor of the block, its decision is
// the rule's decision. Besides the conditions it carries what an evaluation on a table found:
// the matching objects of its own decision and of others, their counts and a weight, and the
// two scratch fields of the covering procedure.
class TRuleComp {
public:
    static constexpr int NoDecision = 2147483647;

    TRuleComp();
    // The rule owns the block from now on; object -1 stands for a rule without a generating
    // object (read from a file, or built by hand).
    TRuleComp(std::unique_ptr<TBlock> block, int object);
    ~TRuleComp();
    TRuleComp(const TRuleComp&) = delete;
    // Block, decision and generating object only: the evaluation is not carried over.
    TRuleComp& operator=(const TRuleComp& other);

    // Null only for a rule given no block; then a warning goes to the LOG.
    TBlock* GetBlock() const {
        if (block == nullptr) [[unlikely]] WarnNoBlock();
        return block.get();
    }
    // The same without the warning, for callers that only look whether there is one.
    const TBlock* BlockIfAny() const { return block.get(); }
    // Null until an evaluation found a matching object (a warning goes to the LOG).
    TIntTree* GetRecPosObjInfo() const;
    TIntTree* GetRecNegObjInfo() const;
    // The same without the warning, for writers that take a rule without object sets as it is.
    const TIntTree* PosObjInfoIfAny() const { return RecPosObjInfo.get(); }
    const TIntTree* NegObjInfoIfAny() const { return RecNegObjInfo.get(); }
    void SetRecPosObjInfo(std::unique_ptr<TIntTree> tree);
    void SetRecNegObjInfo(std::unique_ptr<TIntTree> tree);

    int GetDecision() const { return decision; }
    void SetDecision(int d) { decision = d; }
    int GetObject() const { return object; }
    double GetWeight() const { return weight; }
    void SetWeight(double w) { weight = w; }
    int GetPosSupport() const { return posSupport; }
    void SetPosSupport(int n) { posSupport = n; }
    int GetNegSupport() const { return negSupport; }
    void SetNegSupport(int n) { negSupport = n; }
    int IsSelected() const { return selected; }
    void SetSelected(int s) { selected = s; }
    float GetCoverShare() const { return coverShare; }
    void SetCoverShare(float share) { coverShare = share; }

    int TestObj(const TTable& t, int obj) const;
    int TestObjEx(const TTable& t, int obj) const;

    // mode 0: the matching objects; 1: the weight; 2: both; other modes nothing.
    void CalcInfo(const TTable& t, int mode);
    void CalcObjInfo(const TTable& t);
    void CalcWeight(const TTable& t);
    // CalcInfo of every rule of the list, in modes 0, 1 and 2, from one pass over the objects
    // with a RuleMatcher: the same supports, object trees (the same keys added in the same
    // order) and weights. False, with nothing done, where the matcher cannot stand in for the
    // rules' own tests (see RuleMatcher::Build) and for the other modes.
    static bool CalcInfoOfAll(const std::vector<TRuleComp*>& rules, const TTable& t, int mode);

    // covered holds one flag per row of t.
    int CountNewlyCovered(const TTable& t, const int* covered) const;
    int MarkCovered(const TTable& t, int dec, int* covered) const;
    int IsConsistent(const TTable& t) const;
    int IsConsistentWithout(const TTable& t, int d) const;
    void DropRedundantDescriptors(const TTable& t);

    int SameBlock(const TRuleComp& other) const;
    int ContainsAttr(int a) const;
    // Attribute a of every descriptor becomes the a-th attribute of map: back from a table
    // projected onto a reduct to the numbering of the full table.
    void RemapAttributes(const TRed& map);

    // Score of kind 0: positive support; 1: weight; 2: positive support x weight. Any other
    // kind ends the process (code 0).
    int CheckWeight(int kind, double threshold) const;
    // Widens [min, max] by the rule's score.
    void GetMinMaxWeight(int kind, double& min, double& max) const;

    void Print(std::ostream& out) const;
    // Lays the rule out in g_RuleBuf and has it written as one "RULE:" line.
    void Publish() const;

private:
    static void WarnNoBlock();
    // The block of a rule that needs one; a rule without a block is an inconsistency.
    TBlock& Conditions() const;

    std::unique_ptr<TBlock> block;
    int decision = NoDecision;
    int object = -1;
    std::unique_ptr<TIntTree> RecPosObjInfo;
    std::unique_ptr<TIntTree> RecNegObjInfo;
    int posSupport = 0;
    int negSupport = 0;
    double weight = 0.0;
    float coverShare = 0.0f;
    int selected = 0;
};
