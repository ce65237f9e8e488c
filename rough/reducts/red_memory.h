#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/int_sack.h"
#include "core/tree_walk.h"
#include "rough/reasoning/discernibility.h"
#include "rough/decision/dec_mem.h"

class TPosRegion;
class TRulMemory;
class TTable;

// One reduct: its attributes (ascending, as the reduct computations deliver them) and the
// counters of the stability sampling.
class TRed {
public:
    TRed();
    explicit TRed(std::unique_ptr<TIntSack> attributes);
    TRed(const TRed& other);
    TRed& operator=(const TRed& other);

    TIntSack* GetAttributes() const { return attributes.get(); }
    int GetAttr(int i) const { return attributes->GetElem(i); }
    int GetNoAttr() const { return attributes->GetNoElem(); }
    void AddAttr(int a) { attributes->AddUnique(a); }
    void Reset();

    int GetTotal() const { return total; }
    void SetTotal(int t) { total = t; }
    int GetOccurrences() const { return occurrences; }
    void SetOccurrences(int o) { occurrences = o; }
    void SetFound() { found = 1; }
    int GetFound() const { return found; }
    void ClearFound() { found = 0; }
    void IncTotal() { ++total; }
    void IncOccurrences() { ++occurrences; }

    int EqualAttributes(const TRed* other) const;
    // "{ ", each attribute and a blank, " }" and a line end, on standard output.
    void Print() const;

    // Of the samples the reduct was tested in, the share in which it held; 1.0 before any.
    double GetStability() const;
    int IsMoreStable(const TRed* other) const;
    // 1 when every two objects of t with different decisions differ on some attribute of
    // the reduct.
    int DiscernsAll(const TTable* t) const;
    // 1 when the positive region of t over the reduct holds at least target objects and
    // shrinks without any one of its attributes. work needs room for the reduct.
    int IsReductByPOS(const TTable* t, TPosRegion* p, int* work, int target) const;
    // The decision the training objects equal to test object o on the reduct agree on; def
    // when none matches or they disagree.
    int ClassifyObject(const TTable* train, const TTable* test, int o, int def) const;
    // A new table of t's values on the reduct's attributes and the decision.
    std::unique_ptr<TTable> GetReducedTable(const TTable* t) const;
    // One rule per object of t, its values on the reduct, into m (kept there: the rule
    // memory is held in quiet mode meanwhile). A reduct without attributes ends the process.
    // Defined with the rules.
    void GenerateRules(const TTable* t, TRulMemory* m) const;

private:
    int total = 0;
    int occurrences = 0;
    int found = 1;
    std::unique_ptr<TIntSack> attributes;
};

// Entries lo..hi of the array by decreasing stability: the quicksort whose pivot is the entry
// at lo and whose left part collects the entries more stable than it. It is not stable, so
// equal stabilities keep the arrangement it gives them (all equal: the array as it was).
void SortByStability(TRed** reducts, int lo, int hi);

// A node of the reduct tree: reducts that come before the node's one lie to the left, those
// after it to the right. The tree is not balanced (its shape is the insertion order's), so
// every walk is iterative and visits a node before its left and then its right subtree.
class TRedLeaf {
public:
    explicit TRedLeaf(std::unique_ptr<TRed> red);
    ~TRedLeaf();  // deletes the reduct and both subtrees
    TRedLeaf(const TRedLeaf&) = delete;
    TRedLeaf& operator=(const TRedLeaf&) = delete;

    // -1 when a comes first, 0 when both are the same reduct, 1 when b comes first:
    // element by element, and a sack that begins the other comes first.
    static int Compare(const TRed* a, const TRed* b);

    // Walks down from this node: a new reduct becomes a leaf (1); a stored equal one gets
    // its found flag set and r is deleted (0).
    int Insert(std::unique_ptr<TRed> r);
    TRed* Find(const TRed* r) const;
    // `to` receives a copy of this node's reduct and deep copies of both subtrees (its own
    // subtrees are replaced).
    void Copy(TRedLeaf* to) const;

    // Pre-order traversals.
    void SaveReducts(std::string& out) const;  // the lines of the "REDUCTS (" file
    void PrintWithCounts() const;              // the same lines on standard output
    void ToArray(TRed** array, int* n) const;  // appends at array[*n], counting *n up
    // The reduct numbered n when this node is numbered `counter` (which counts the nodes
    // visited); null when the subtree holds fewer.
    TIntSack* GetNthAttrs(int& counter, int n) const;
    TRed* GetNthRed(int& counter, int n) const;

    // The stability counting over the subtree's reducts (pre-order); see TRedMemory.
    void FoldFoundFlags();
    void SetCounters(int occurrences, int total);
    void SetTotal(int total);
    void CountDiscerning(const TTable* sub);
    void CountPosRegion(const TTable* sub, TPosRegion* p, int* work, int target);
    // The first reduct of the greatest stability in the subtree's in-order (left subtree,
    // node, right subtree), with that stability; none, and 0.0, when no stability is above 0.
    TRed* GetBestReduct(double* stability) const;
    void GenerateRules(const TTable* t, TRulMemory* m) const;  // defined with the rules

    TRed* GetRed() const { return red.get(); }
    TRedLeaf* GetLeft() const { return left; }
    TRedLeaf* GetRight() const { return right; }

private:
    template <class Node, class Visit>
    friend void tree_walk::VisitPreOrder(Node* root, Visit visit);
    template <class Node>
    friend void tree_walk::DeleteTree(Node* root);
    friend class TRedMemory;

    TRedLeaf* left = nullptr;   // owned
    TRedLeaf* right = nullptr;  // owned
    std::unique_ptr<TRed> red;
};

// The reducts found, each once, in a search tree; the reduct commands' results file is
// written from here.
//
// Beside the tree the memory keeps its nodes in order, so that an insertion finds the leaf
// a walk from the root would reach without walking: a new reduct hangs below its
// predecessor or its successor among the stored ones, whichever has the free side. The
// tree's shape, and so every file, is that of the walk. The stored reducts' attributes are
// the keys: they must not be changed while the memory holds them, and the tree grows only
// through the memory.
//
// The calculations by Boolean reasoning can find millions of reducts. Into a memory without
// a tree they are taken as bare attribute sets, each once, in the order they arrive; the
// tree inserting them in that order would build is what they stand for. The compact file is
// written from them directly; anything that needs the tree itself builds it first.
class TRedMemory : public TDecMemory {
public:
    TRedMemory();
    ~TRedMemory() override;
    TRedMemory(const TRedMemory&) = delete;
    TRedMemory& operator=(const TRedMemory& other);

    void AddRed(std::unique_ptr<TIntSack> reduct, int local, int object) override;
    void AddRule(const int* attrList, int object) override;
    int GetNoElem() const override { return count; }
    int GetNoRed() const { return count; }

    // Stores a reduct; when an equal one is stored already, that one is marked found and
    // the new one is deleted.
    void Insert(std::unique_ptr<TRed> reduct);

    // All reducts of the table, or the union of every object's local reducts, by Boolean
    // reasoning (the mask reasoner up to 31 condition attributes). Relative calculations see
    // generalized-decision classes in the decision column, which gets its values back after.
    void CalculateGlobalReducts(TTable* table, int relative, int missing);
    void CalculateLocalReducts(TTable* table, int relative, int missing);
    // All reducts over the matrix of the object pairs whose listed distance reaches the
    // threshold (TBoole31::CalcAllReductsSelvaro), every column a condition; a table of 32
    // columns or more is not calculated.
    void CalculateGlobalReductsSelvaro(TTable* table, TTable* pairs, double threshold, int minSupport);
    // Reducts found by the genetic search (defined with it), added to the memory.
    void CalculateGeneticReducts(TTable* table, int local, int relative, int limit, int speed);

    void SaveReductsCompact(const char* file) const;
    void SaveReducts(const char* file) const;
    // How both savers report a file they cannot write: the LOG line, then CalcErrorText 7.
    [[noreturn]] static void SaveFailed(const char* file);
    void LoadReducts(const char* file);

    // The i-th reduct in pre-order: its attributes, or the reduct itself.
    TIntSack* GetReduct(int i) const;
    TRed* GetRed(int i) const;
    TRedLeaf* GetRoot() const {
        Settle();
        return root;
    }
    // Pre-order into the caller's array from array[*n] on, counting *n up.
    void GetRedArray(TRed** array, int* n) const;
    void Clear();

    // Stability counting over samples of a table, reduct by reduct. A found flag (the reduct
    // was found again) counts as an occurrence where noted, and is cleared.
    void FoldFoundFlags();  // found: an occurrence; a test in any case
    void SetCounters(int occurrences, int total);  // and found flags cleared
    void SetTotal(int total);
    void CountDiscerning(const TTable* sub);  // an occurrence when it discerns all of sub
    // An occurrence when found, else when a reduct of sub by the positive region of target
    // objects; a test in any case. work needs room for the longest reduct.
    void CountPosRegion(const TTable* sub, TPosRegion* p, int* work, int target);
    // The first most stable reduct in in-order and its stability; none (and 0.0) when the
    // memory is empty or every stability is 0.
    TRed* GetBestReduct(double* stability) const;
    // The rules of every reduct in pre-order (defined with the rules).
    void GenerateRules(const TTable* t, TRulMemory* m) const;

    // Sets every reduct's counters to 1 of 1 and then counts, for subtables of half to 95%
    // of t's objects, in how many the reduct still discerns all objects.
    void SampleSubtables(TTable* t);
    // count randomised greedy reducts of table (TPosRegion::RandomReduct with the caller's
    // work arrays and the positive region threshold), each printed and stored. Returns count.
    int JohnsonReduct(TTable* table, TPosRegion* p, int* avail, int* work, int* chosen, long long* score, int count,
                      int threshold);

private:
    struct LeafOrder {
        using is_transparent = void;
        bool operator()(const TRedLeaf* a, const TRedLeaf* b) const;
        bool operator()(const TRedLeaf* a, const TRed* b) const;
        bool operator()(const TRed* a, const TRedLeaf* b) const;
    };
    TRedLeaf* NthInPreOrder(int i) const;
    struct Pending;
    template <class Reasoner>
    void InsertResult(Reasoner& reasoner, int k);
    void InsertAll(TIntSackSet& reducts);
    void InsertAll(const TIntSack& masks, int k);
    void Reindex();
    // Builds the tree of the reducts held as bare sets, if any.
    void Settle() const;
    void SaveCompactFromSets(const char* file) const;

    mutable int count = 0;
    // The tree is built from `pending` when it is first needed, also by const operations.
    mutable TRedLeaf* root = nullptr;  // owned
    mutable std::set<TRedLeaf*, LeafOrder> index;
    mutable std::unique_ptr<Pending> pending;
    // The nodes in pre-order, built on demand and dropped by every change of the tree.
    mutable std::vector<TRedLeaf*> preOrder;
};
