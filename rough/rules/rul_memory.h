#pragma once

#include <memory>
#include <ostream>

#include "core/int_sack.h"
#include "core/tree_walk.h"
#include "rough/decision/dec_mem.h"
#include "rough/rules/rule_comp.h"

class TGeneralDec;
class TRed;
class TTable;

// A node of the rule tree. Rules that come before the node's rule lie to the left, those
// after it to the right, and no two rules of a tree are equal under Compare. The tree keeps
// the shape of the insertion order, so every walk is iterative and visits a node's rule,
// then its left subtree, then its right subtree. A node emptied by TRulMemory::MoveRules
// keeps its place without a rule: the walks that apply an operation pass it by, and only
// its destruction is left to do.
class TLeaf {
public:
    // The node owns the rule from now on.
    explicit TLeaf(TRuleComp* rule);
    ~TLeaf();  // deletes the rule and both subtrees
    TLeaf(const TLeaf&) = delete;
    TLeaf& operator=(const TLeaf&) = delete;

    // -1 when x comes first, 0 when the two are the same rule, 1 when y comes first: the
    // attribute lists, then the shorter block, then the values, then the decision.
    static int Compare(const TRuleComp* x, const TRuleComp* y);

    // Walks down from this node: a new rule becomes a leaf (1); a rule equal to a stored one
    // is deleted (0).
    int Insert(std::unique_ptr<TRuleComp> rule);
    TRuleComp* Find(const TRuleComp* rule) const;
    // The target becomes a deep copy of this subtree (its own subtrees are replaced); each
    // rule is copied by TRuleComp::operator=, so the copies carry no evaluation.
    void Copy(TLeaf* target) const;
    // array[index++] := each rule, in walk order.
    void Flatten(TRuleComp** array, int& index) const;
    // The rule at walk position n when this node is numbered `counter` (which counts the
    // nodes visited); null when the subtree holds fewer.
    TRuleComp* GetNthRule(int n, int& counter) const;

    void CalcRulesInfo(const TTable& table, int mode);
    void PrintRules(std::ostream& out) const;
    void RemapAttributes(const TRed& map);

    // Setting does not free what was there: the caller decides who owns it.
    TRuleComp* GetRule() const { return rule; }
    void SetRule(TRuleComp* r) { rule = r; }
    TLeaf* GetLeft() const { return left; }
    void SetLeft(TLeaf* l) { left = l; }
    TLeaf* GetRight() const { return right; }
    void SetRight(TLeaf* r) { right = r; }

private:
    template <class Node, class Visit>
    friend void tree_walk::VisitPreOrder(Node* root, Visit visit);
    template <class Node>
    friend void tree_walk::DeleteTree(Node* root);

    TLeaf* left = nullptr;      // owned
    TLeaf* right = nullptr;     // owned
    TRuleComp* rule = nullptr;  // owned; null only after SetRule(nullptr)
};

// The decision rules and their generators. The rule commands publish every rule as a
// "RULE:" line the moment it is built and keep nothing; only in quiet mode are the rules
// stored, each once, in a tree of TLeaf nodes for the rule files, voting and shortening.
class TRulMemory : public TDecMemory {
public:
    static constexpr int NotSet = 2147483647;

    TRulMemory() = default;
    ~TRulMemory() override;
    TRulMemory(const TRulMemory&) = delete;
    // The options, decision attribute and table; the rules stay where they are.
    TRulMemory& operator=(const TRulMemory& other);

    // The memory owns the rule from now on.
    void InsertRule(std::unique_ptr<TRuleComp> rule);
    // A rule of the object's values on the reduct's attributes, missing values included.
    void AddRed(std::unique_ptr<TIntSack> reduct, int local, int object) override;
    // A rule of the object's values on the listed attributes (ended by a negative number);
    // none when one of the values is missing.
    void AddRule(const int* attrList, int object) override;
    int GetNoElem() const override { return 0; }
    int GetNoRules() const { return NoRules; }

    TTable* GetTable() const { return table; }
    int GetDecisionAttr() const { return DecisionAttr; }
    TLeaf* GetRoot() const { return root; }

    void SetReductLimit(int n) { ReductLimit = n < 1 ? 1 : n; }
    int GetReductLimit() const { return ReductLimit; }
    void SetSpeedLevel(int s) { SpeedLevel = s < 0 ? 0 : (s > 2 ? 2 : s); }
    int GetSpeedLevel() const { return SpeedLevel; }

    // Every rule of every object's local reducts relative to the generalized decision;
    // option is the missing-value option of the reasoner (1: a missing value never discerns).
    void CalculateAllRules(TTable* t, int option);
    // Rules of the local reducts that the genetic search finds for every object.
    void CalculateGeneticRules(TTable* t);
    // Rules of a covering of the objects by local reducts, until at most objects x fraction
    // of them are left uncovered; any failure of the generation becomes CalcError 1.
    void CalculateQuickRules(TTable* t, double fraction);

    // Rules for tables whose decision holds real values scaled by 1000: every object's local
    // reducts come from a variant of the mask reasoner (so at most 31 conditions), and
    // every rule carries the decision 1. Reference values per object are the means of
    // decision / 1000 over the objects with its condition values: split by the class
    // table's last column (1 or 2; any other value ends the process) for the first, whole
    // for the second. The third reads listed distances between objects (see PairDistances).
    void CalculateAllRulesQuandor(TTable* t, TTable* c);
    void CalculateAllRulesQuandor2(TTable* t);
    void CalculateAllRulesSelvaro(TTable* t, TTable* g, double threshold, int n);

    void CalcRulesInfo(TTable* t, int mode);
    void RemapAttributes(const TRed& map);
    // Hands every rule of the subtree, in walk order, to the target memory, leaving the
    // nodes without rules.
    void MoveRules(TLeaf* node, TRulMemory& target);

private:
    // The descriptors (k, the object's value) of the mask's bits k < conditions; null when one
    // of those values is missing.
    static std::unique_ptr<TBlock> BlockOfMask(const TTable& t, int object, int mask, int conditions);
    // The rules of every object of the table, of decision 1, from the local reducts that
    // `reducts(reasoner, object)` leaves in the mask reasoner.
    template <class Reducts>
    void ScaledDecisionRules(TTable& t, Reducts reducts);
    // A rule of `object` over a block; its decision is the object's last column.
    void InsertRuleOf(std::unique_ptr<TBlock> block, const TTable& t, int object);
    // The rules of every object with one reasoner; false when the poll said stop.
    template <class Reasoner>
    bool AllRulesOfObjects(TTable& t, TGeneralDec& genDec, int option);

    int DecisionAttr = NotSet;
    int NoRules = 0;
    TLeaf* root = nullptr;    // owned
    TTable* table = nullptr;  // not owned
    int ReductLimit = 100;
    int SpeedLevel = 1;
};

// "BLAD KRYTYCZNY: " and the name of the operation that was asked for a rule without
// descriptors, then "Wstawiam regule bez deskryptorow!" without a line end; the process ends
// with code 0.
[[noreturn]] void RuleWithoutDescriptors(const char* where);
