#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <set>
#include <vector>

#include "core/int_sack.h"
#include "core/tree_walk.h"
#include "rough/decision/dec_mem.h"
#include "rough/rules/rule_comp.h"

class TDValInfo;
class TDictioSet;
class TGeneralDec;
class TInt2Tree;
class TRed;
class TTable;

// A node of the rule tree. Rules that come before the node's rule lie to the left, those
// after it to the right, and no two rules of a tree are equal under Compare. The tree keeps
// the shape of the insertion order, so every walk is iterative and visits a node's rule,
// then its left subtree, then its right subtree. A rule that leaves a memory takes its node
// with it (see TRulMemory::MoveRules); the walks still pass by a node without a rule, which
// only a tree put together by hand can hold.
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

    // The covering of one decision class d. GetClassRules appends the rules of class d to
    // array[count++] in walk order; the array has room for them.
    void GetClassRules(TRuleComp** array, int d, int& count) const;
    // The other operations act on the rules of class d not selected yet (ClearSelected on
    // all of them). covered holds one flag per object of t; the share of a rule is the part
    // of the uncovered objects, of any decision, that it matches, 0 when none is uncovered.
    void ClearSelected(int d);
    void CalcCoverShares(const TTable& t, const int* covered, int d);
    // How many shares are at least h, and their sum.
    void CountAboveThreshold(double h, int& count, int d) const;
    void SumAboveThreshold(double h, double& sum, int d) const;
    // Adds the shares of at least h to sum in walk order; the rule at which sum reaches u is
    // selected, every uncovered object it matches becomes covered and is counted in
    // coveredCount, and the walk ends with 1. 0 when sum never reached u.
    int RoulettePick(double h, double u, double& sum, const TTable& t, int* covered, int& coveredCount,
                     int d);

    void CalcRulesInfo(const TTable& table, int mode);
    void PrintRules(std::ostream& out) const;
    void RemapAttributes(const TRed& map);

    // The rules of the subtree in walk order, one record each, against the decision
    // attribute given: the line of the rules file in the print mode (see TBlock::Print), or,
    // with objInfo 1, the six lines of the file with object lists (always numeric).
    void SaveRules(std::ostream& out, int decisionAttr, const TDictioSet* dict, int mode, int objInfo) const;
    // The rule lines of the rules of decision d that the covering selected.
    void SaveRulesEx(std::ostream& out, int decisionAttr, const TDictioSet* dict, int mode, int d) const;

    // The raw votes of the rules of decision d for object o of t, before any division by
    // the class size (TRulMemory's voting methods say which rules count and how). With
    // h > 0 only rules passing TRuleComp::CheckWeight(kind, h) vote.
    double VoteSumSupport(const TTable& t, int o, int d, double h, int kind) const;
    double VoteMaxSupport(const TTable& t, int o, int d, double h, int kind) const;
    // Appends the positive objects of every voting rule, repeats included.
    void CollectCoveredObjects(const TTable& t, int o, int d, double h, int kind, std::vector<int>& objects) const;
    double VoteMaxWeight(const TTable& t, int o, int d, double h, int kind) const;
    double VoteProbSum(const TTable& t, int o, int d, double h, int kind) const;
    double VoteMaxSupportWeight(const TTable& t, int o, int d, double h, int kind) const;
    double VoteSumSupportWeight(const TTable& t, int o, int d, double h, int kind) const;
    double VoteSupportLength(const TTable& t, int o, int d) const;
    // The rules passing the threshold of their own class: thresholds[k] for the class k of
    // info holding the rule's decision. A rule of no class of info ends the process (144).
    int GetNoRule(const TDValInfo& info, int kind, const double* thresholds) const;

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
    friend class TRulMemory;

    // The subtrees a and b (every rule of a before every rule of b) as one, the earlier
    // arrival on top at every step: so a tree that loses a node stays the one inserting the
    // rules left in their order would build.
    static TLeaf* Merge(TLeaf* a, TLeaf* b) noexcept;

    TLeaf* left = nullptr;      // owned
    TLeaf* right = nullptr;     // owned
    TRuleComp* rule = nullptr;  // owned; null only after SetRule(nullptr)
    // When the node was made, counted over the process (a copy keeps its original's): a node
    // arrives after every node above it.
    std::uint64_t arrival;
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
    // For a set gathered from the rules of several tables (MoveRules): the column their
    // decision stands in on the table the set is read against.
    void SetDecisionAttr(int a) { DecisionAttr = a; }
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
    // Rules of each class of `classes` in turn, grown greedily from the class's objects not
    // covered yet until no more than fraction of them is left; a class ends early when no
    // rule can be grown. The rules are stored (quiet mode is held meanwhile).
    void CalculateRulesLEM2(TTable* t, const TDValInfo& classes, double fraction);
    // Grows one rule of the objects G[0..g-1]: descriptors (attribute, value) most frequent
    // among the objects still matching, ties to the pair rarer in the whole table P, until
    // the rule is consistent or no attribute is left; then its redundant descriptors go.
    // W (g ints) and flags (one per condition attribute) are work arrays; P may be null
    // (an empty table).
    void FindRuleLEM2(const TTable& t, TRuleComp& rule, const int* G, int g, int* W, int* flags,
                      const TInt2Tree* P);

    // Five sequences of rules of class d, each covering more than 95 % of the class's n
    // objects where the rules allow, each written to out as "Parameter: " and the percentage
    // covered, a line per rule (the block in the print mode, then the decision part and the
    // statistics as the rules file's mode 2 writes them) and a line of dashes. Each sequence
    // takes the rule that covers most objects of t not covered yet (of any decision), then
    // the shorter, then the first; sequence s starts at entry s of the order the sequences
    // before it left, and ends early after five rules in a row matching one object each. The
    // decision attribute is named from the dictionary in every mode, by its number without
    // one. Standard output gets a dot per sequence. Without any rule the process ends
    // (code 0).
    void SaveCoverings(std::ostream& out, const TTable& t, int d, int n, const TDictioSet* dict, int mode);
    // How many (rule, object) matches SaveCoverings holds at most to keep its counts up to
    // date: as many as fit in half the physical memory; past them it recounts over the table.
    static long long CoveringMatchLimit();
    // For tests: that bound in matches; 0 puts the one from the memory back.
    static void SetCoveringMatchLimit(long long matches);

    // Entry i and j of both arrays change places.
    static void SwapRuleEntries(TRuleComp** rules, int* counts, int i, int j);
    // Entries lo..hi in ascending order of counts, each rule staying with its count.
    static void SortRuleEntries(TRuleComp** rules, int* counts, int lo, int hi);

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

    // The rule files. Each is written whole in place of the old one; a file that cannot be
    // written throws CalcErrorText 7 after its LOG line (SaveRules alone first logs "Saving
    // rules..."). The first line counts the rules listed.
    // "DECISION RULES (n)", then a rule line per rule in the print mode (0 numbers; 1 and 2
    // take names and texts from the dictionary, see TBlock::Print). Only mode 0 reads back.
    void SaveRules(const char* file, const TDictioSet* dict, int mode) const;
    // "DECISION RULES:", then per rule its line without statistics, the count and numbers of
    // its matching objects of its own decision, the same of other decisions, and a line of
    // weight and decision.
    void SaveRulesWithObjInfo(const char* file) const;
    // The count, then the line of TRuleComp::Print per rule.
    void SaveRulesCompact(const char* file) const;
    // Replace the rules by those of a file (CalcErrorText 6 when it cannot be read), each
    // with generating object -1 and stored in any quiet mode, duplicates once. The first line
    // is skipped. A rule that cannot be read whole ends the reading: the rules before it
    // stay. LoadRules takes the decision attribute from the first rule; the second keeps one
    // already set.
    void LoadRules(const char* file);
    void LoadRulesWithObjInfo(const char* file);
    // Hands every rule of the subtree of node, a node of this memory, in walk order, to the
    // target memory; their nodes go, and the memory is then the one its other rules would
    // have built alone. A node of no tree of this memory: LOG line and CalcError 5. Into the
    // memory itself nothing moves.
    void MoveRules(TLeaf* node, TRulMemory& target);

    // ---- Voting. The rules need their object trees, supports and weights (CalcRulesInfo or
    // a rules file with object lists). A class's score by method: 0 sum of supports, 1
    // maximal support, 2 covered objects, 3 maximal weight, 4 probabilistic sum, 5 support x
    // length x match, 7 maximal support x weight, 8 sum of support x weight; any other
    // number scores 0. The highest score above 0 wins; a tie goes to the later class always
    // for the first equal one, and then by a draw of RandomInt.

    // Raw scores of decision d for object o (0 without rules); see TLeaf.
    double VoteSumSupport(const TTable& t, int o, int d, double h, int kind) const;
    double VoteMaxSupport(const TTable& t, int o, int d, double h, int kind) const;
    double VoteCoveredObjects(const TTable& t, int o, int d, double h, int kind) const;
    double VoteMaxWeight(const TTable& t, int o, int d, double h, int kind) const;
    double VoteProbSum(const TTable& t, int o, int d, double h, int kind) const;
    double VoteMaxSupportWeight(const TTable& t, int o, int d, double h, int kind) const;
    double VoteSumSupportWeight(const TTable& t, int o, int d, double h, int kind) const;
    double VoteSupportLength(const TTable& t, int o, int d) const;

    // Object o by methods 0-4, 7 or 8 without thresholds; every class's score becomes its
    // distribution entry in info. 1 correct, 0 wrong, -1 not classified (predicted is then
    // NotSet, or left alone when the memory holds no rule).
    int ClassifyObject(TDValInfo& info, int method, const TTable& t, int o, int& predicted) const;
    // Every object of t. Per class of info: distribution = correct / classified, coverage =
    // classified / objects of the class in t; in total the accuracy over the classified
    // objects and the coverage. An object of a decision outside info counts as an error.
    // With kind != -1 class k's rules vote only when they pass CheckWeight(kind,
    // thresholds[k]) (method 5 takes no threshold).
    void ClassifyTable(TDValInfo& info, int method, const TTable& t, int& errors, int kind,
                       const double* thresholds) const;
    // The decision column of t gets each object's predicted decision (NotSet when none).
    void LabelTable(TDValInfo& info, int method, TTable& t, int kind, const double* thresholds) const;
    // Of methods 0-4, 7, 8 the first of the highest accuracy on t; 1 when none classifies
    // anything correctly.
    int EvaluateVoteMethods(const TTable& t, TDValInfo& info, double& bestAcc) const;
    int GetNoRule(const TDValInfo& info, int kind, const double* thresholds) const;
    // Widens [min, max] by the scores of the rules of decision d; 0.0 and 0.0 without rules.
    void GetMinMaxWeight(int kind, int d, double& min, double& max) const;

    // ---- Class thresholds. The score of class k for one object by methods 0-4, 7, 8
    // without thresholds (others 0); a class of no objects in info scores 0 by 1, 2, 7.
    double ClassScore(const TDValInfo& info, int k, const TTable& t, int o, int method) const;
    // The receiver-operating curve of class k over falling thresholds (steps points; 0 or 1
    // means 250): sensitivity, specificity and accuracy of the point nearest the ideal
    // corner, and the area under the curve.
    void CalcClassThresholds(const TDValInfo& info, int k, const TTable& t, int method, int steps,
                             double& sensitivity, double& specificity, double& accuracy, double& area) const;

    // ---- Shortening. Each rule loses, greedily, the descriptor whose removal leaves the
    // best accuracy on t while that stays at alfa or above; rules below alfa are dropped.
    // The results (generating object -1, no evaluation) go to the target in walk order.
    // alfa outside (0, 1] does nothing.
    void ShortenRules(const TTable& t, float alfa, TRulMemory& target) const;
    // As ShortenRules, but of the masks met on the way the one of the best Ratio on u is
    // kept; alfa is not checked and nothing but the warning is logged.
    void ShortenRulesEx(const TTable& t, const TTable& u, float alfa, TRulMemory& target) const;
    // The steps for every rule of a subtree; the masks grow to the longest rule.
    void ShortenRule(const TLeaf* node, const TTable& t, float alfa, TRulMemory& target, std::vector<int>& mask) const;
    void ShortenRuleEx(const TLeaf* node, const TTable& t, const TTable& u, float alfa, TRulMemory& target,
                       std::vector<int>& mask, std::vector<int>& bestMask) const;
    // Descriptors go while the masked weight rises and the accuracy stays at alfa or above;
    // a rule that needs no shortening moves into the target itself, as MoveRules moves it
    // (node as there). A rule cut down to one descriptor keeps one drawn by RandomInt
    // instead, whatever its accuracy.
    void ShortenRuleByWeight(TLeaf* node, const TTable& t, TRulMemory& target, float alfa, std::vector<int>& mask,
                             std::vector<int>& counts);
    // For tests: true evaluates every mask of the shortenings object by object, as is done
    // for the rules that the grouped evaluation cannot hold (no descriptor, more than 64, or
    // one outside a table's columns); false puts the default back.
    static void SetShorteningByObjects(bool byObjects);

    // mask holds one flag per descriptor of the block (1 = switched on). Accuracy: among
    // the objects the masked block matches, the share of decision d (0.0 when none).
    static double Accuracy(const TTable& t, const TBlock& block, int d, const int* mask);
    static void AccuracyCounts(const TTable& t, const TBlock& block, int d, const int* mask, int& same, int& other);
    // a / b; 0.0 when both are 0 and 1.0 when only b is.
    static double Ratio(int a, int b);
    // A rule of the switched-on descriptors among the first n, decision d, into the target.
    static void AddMaskedRule(const TBlock& block, int n, int d, TRulMemory& target, const int* mask);
    // CalcWeight's product over the n switched-on descriptors, without the factor of the
    // matching objects of other decisions; counts[k] gets how often descriptor k alone
    // keeps the masked block from an object of another decision.
    static double MaskedWeight(const TTable& t, const TBlock& block, int n, int d, const int* mask, int* counts);

private:
    struct LeafOrder {
        using is_transparent = void;
        bool operator()(const TLeaf* a, const TLeaf* b) const;
        bool operator()(const TLeaf* a, const TRuleComp* b) const;
        bool operator()(const TRuleComp* a, const TLeaf* b) const;
    };
    class IndexedLoad;
    class Departures;

    void Load(const char* file, bool objInfo);
    // InsertRule while a load rebuilds the tree: the nodes in rule order find where a walk
    // from the root would end.
    void InsertIndexed(std::unique_ptr<TRuleComp> rule);

    // The rules of an object's mask reducts, in their order, each with `decision` and the
    // descriptors (k, the object's value) of the mask's bits k < conditions; none for a
    // reduct holding an attribute whose value the object misses. Outside quiet mode each
    // goes straight to its line.
    void InsertMaskRules(const TTable& t, int object, const TIntSack* reducts, int conditions, int decision);
    // The rules of every object of the table, of decision 1, from the local reducts that
    // `reducts(reasoner, object)` leaves in the mask reasoner.
    template <class Reducts>
    void ScaledDecisionRules(TTable& t, Reducts reducts);
    // A rule of `object` over a block; its decision is the object's last column, or the one
    // given.
    void InsertRuleOf(std::unique_ptr<TBlock> block, const TTable& t, int object);
    void InsertRuleOf(std::unique_ptr<TBlock> block, int object, int decision);
    // The rules of every object with one reasoner; false when the poll said stop.
    template <class Reasoner>
    bool AllRulesOfObjects(TTable& t, TGeneralDec& genDec, int option);

    int DecisionAttr = NotSet;
    int NoRules = 0;
    TLeaf* root = nullptr;    // owned
    TTable* table = nullptr;  // not owned
    int ReductLimit = 100;
    int SpeedLevel = 1;
    // The tree's nodes in rule order, kept only while a load fills the emptied tree: a file
    // reproduces the shape of its tree, and a sorted file's list-shaped tree would cost a
    // walk down the whole list per rule. Outside a load the tree may be changed through its
    // nodes (rules emptied, attributes remapped), which no index could follow.
    std::set<TLeaf*, LeafOrder> loadIndex;
    bool indexing = false;
};

// The rules leaving the subtree of a node of a memory's tree, node by node in walk order. A
// node whose rule left keeps its place, without the rule, while the walk goes on, so that
// the walk is not disturbed; when the walk is over, or an exception ends it, every such node
// goes and its subtrees take its place merged (TLeaf::Merge).
class TRulMemory::Departures {
public:
    // A node of no tree of the memory: LOG line "Bad node in " and `where`, CalcError 5. A
    // null node has nothing to walk.
    Departures(TRulMemory& memory, TLeaf* node, const char* where);
    ~Departures();
    Departures(const Departures&) = delete;
    Departures& operator=(const Departures&) = delete;

    // The next node of the walk; null after the last.
    TLeaf* Next();
    // The rule of the node Next gave last goes to the target's InsertRule.
    void Move(TRulMemory& target);

private:
    TRulMemory& memory;
    TLeaf** at = nullptr;  // the link holding the node Next gave last, or the subtree's at first
    bool started = false;
    std::vector<TLeaf**> pending;  // links to right subtrees still to walk
    std::vector<TLeaf**> emptied;  // links to the nodes whose rules left, in walk order
};

// The decision part of a rule line, "=>(" attribute "=" decision ")": in mode 1 the name and
// the decision's text, in mode 2 "=>(" name "= " decision " )"; numbers in place of names and
// texts without a dictionary. Then the statistics: " " positive " " negative " " weight, in
// mode 2 with "  " and the accuracy (single precision, 0 without supports) before the weight.
void PrintDecisionPart(std::ostream& out, int decisionAttr, int decision, const TDictioSet* dict, int mode);
void PrintRuleStatistics(std::ostream& out, const TRuleComp& rule, int mode);

// "BLAD KRYTYCZNY: " and the name of the operation that was asked for a rule without
// descriptors, then "Wstawiam regule bez deskryptorow!" without a line end; the process ends
// with code 0.
[[noreturn]] void RuleWithoutDescriptors(const char* where);
