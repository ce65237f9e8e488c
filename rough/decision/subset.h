#pragma once

#include <cstdint>
#include <memory>
#include <ostream>

#include "core/tree_walk.h"

// Sets of attribute numbers as bit sets, a search tree of subsets already seen, and the
// store of reducts found with their costs. The genetic reducts (and the arrows experiment)
// and the quick rules each use their own instance of this code: they differ only in how a
// failed allocation is reported and in the texts of the diagnostics, which is the Policy.

// Thrown by value when the subset or genetic-reduct code cannot allocate. It is no `Error`:
// a command that meets it ends as an unexpected failure.
struct MemError {};

struct GeneticSubsetPolicy {
    [[noreturn]] static void OutOfMemory();
    static constexpr const char* EqualError = "subset: Operator== error";
    static constexpr const char* LessError = "subset: Operator< error";
    static constexpr const char* IncludedError = "subset: Operator<= error";
    static constexpr const char* ItemOutOfRange = "reduct_store: item out of range: ";
    static constexpr const char* ItemNull = "reduct_store: item returns NULL";
    static constexpr const char* CostOutOfRange = "reduct_store::cost out of range";
    static constexpr const char* CostNotFound = "reduct_store::cost returns -1";
};

struct QuickRulesSubsetPolicy {
    [[noreturn]] static void OutOfMemory();  // CalcError 2
    static constexpr const char* EqualError = "Subset: Operator== error";
    static constexpr const char* LessError = "Subset: Operator< error";
    static constexpr const char* IncludedError = "Subset: Operator<= error";
    static constexpr const char* ItemOutOfRange = "ReductStore: item out of range: ";
    static constexpr const char* ItemNull = "ReductStore: Item returns NULL";
    static constexpr const char* CostOutOfRange = "ReductStore::cost out of range";
    static constexpr const char* CostNotFound = "ReductStore::cost returns -1";
};

// Elements 0 .. bit count - 1; element i is bit i % 32 of word i / 32. Diagnostics are lines
// on standard error, after which the operation goes on.
template <class Policy>
class BasicSubset {
public:
    BasicSubset() = default;
    explicit BasicSubset(int n);
    BasicSubset(const BasicSubset& other);
    BasicSubset& operator=(const BasicSubset& other);

    void Clear();
    void SetAll();
    void Set(int i);
    void Reset(int i);
    // i must be in 0 .. bit count - 1.
    int IsSet(int i) const;
    int GetSize() const { return bitCount; }
    int Count() const;
    // Sets the listed elements up to the first entry that is negative or not below the bit
    // count (the lists end with -1).
    void SetList(const int* list);

    // Equal bit counts are expected. Otherwise a diagnostic is printed and this subset's
    // words are compared, a word the other does not have reading as 0.
    int operator==(const BasicSubset& other) const;
    // Word by word from word 0, as unsigned numbers: the order of the search tree.
    int operator<(const BasicSubset& other) const;
    // Inclusion: every element of this subset is in the other.
    int operator<=(const BasicSubset& other) const;

    void Print(std::ostream& out) const;

    const uint32_t* GetWords() const { return words.get(); }
    int GetWordCount() const { return wordCount; }

private:
    void CheckSize(const BasicSubset& other, const char* diagnostic) const;
    static uint32_t WordOf(const BasicSubset& other, int w);

    std::unique_ptr<uint32_t[]> words;
    int wordCount = 0;
    int bitCount = 0;
};

// A node of the unbalanced search tree of distinct subsets; smaller subsets to the left.
template <class Policy>
class BasicSubsetTree {
public:
    explicit BasicSubsetTree(const BasicSubset<Policy>& s) : subset(s) {}
    ~BasicSubsetTree();
    BasicSubsetTree(const BasicSubsetTree&) = delete;
    BasicSubsetTree& operator=(const BasicSubsetTree&) = delete;

    // 1 when an equal subset is in the tree already; otherwise hangs a new node, 0.
    int Insert(const BasicSubset<Policy>& s);
    int Find(const BasicSubset<Policy>& s) const;

private:
    template <class Node>
    friend void tree_walk::DeleteTree(Node* root);

    BasicSubset<Policy> subset;
    BasicSubsetTree* left = nullptr;
    BasicSubsetTree* right = nullptr;
};

// The subsets already seen (for instance those known to fail a test).
template <class Policy>
class BasicSubsetSet {
public:
    BasicSubsetSet() = default;
    ~BasicSubsetSet() { Clear(); }
    BasicSubsetSet(const BasicSubsetSet&) = delete;
    BasicSubsetSet& operator=(const BasicSubsetSet&) = delete;

    void Clear();
    int Find(const BasicSubset<Policy>& s) const { return root != nullptr ? root->Find(s) : 0; }
    void Insert(const BasicSubset<Policy>& s);
    // The distinct subsets held.
    long long GetCount() const { return count; }

private:
    BasicSubsetTree<Policy>* root = nullptr;
    long long count = 0;
};

// Subsets with a cost, in non-increasing cost order from the head; a new subset evicts every
// stored superset of itself (equal ones included) and goes after the entries of equal cost.
template <class Policy>
class BasicReductStore {
public:
    BasicReductStore() = default;
    ~BasicReductStore() { Clear(); }
    BasicReductStore(const BasicReductStore&) = delete;
    BasicReductStore& operator=(const BasicReductStore&) = delete;

    void Clear();
    void Insert(const BasicSubset<Policy>& s, double cost);
    // The cost of the first stored subset contained in s; 0.0 when there is none.
    double GetCost(const BasicSubset<Policy>& s) const;
    int GetCount() const { return count; }
    // Entry i (0 = head); null, after diagnostics, when there is none.
    const BasicSubset<Policy>* Item(int i) const;
    // The cost of entry i; -1.0, after diagnostics, when there is none.
    double cost(int i) const;

private:
    struct Node {
        Node(const BasicSubset<Policy>& s, double c) : subset(s), cost(c) {}
        BasicSubset<Policy> subset;
        double cost;
        Node* next = nullptr;
    };
    const Node* NodeAt(int i) const;

    Node* head = nullptr;
    int count = 0;
};

extern template class BasicSubset<GeneticSubsetPolicy>;
extern template class BasicSubsetTree<GeneticSubsetPolicy>;
extern template class BasicSubsetSet<GeneticSubsetPolicy>;
extern template class BasicReductStore<GeneticSubsetPolicy>;
extern template class BasicSubset<QuickRulesSubsetPolicy>;
extern template class BasicSubsetTree<QuickRulesSubsetPolicy>;
extern template class BasicSubsetSet<QuickRulesSubsetPolicy>;
extern template class BasicReductStore<QuickRulesSubsetPolicy>;

// The instance of the genetic reducts and the arrows experiment: allocation failures throw
// MemError.
namespace genetic_subsets {
using Subset = BasicSubset<GeneticSubsetPolicy>;
using SubsetTree = BasicSubsetTree<GeneticSubsetPolicy>;
using SubsetSet = BasicSubsetSet<GeneticSubsetPolicy>;
using ReductStore = BasicReductStore<GeneticSubsetPolicy>;
}  // namespace genetic_subsets

// The instance of the quick rules: allocation failures throw CalcError 2.
namespace quick_subsets {
using Subset = BasicSubset<QuickRulesSubsetPolicy>;
using SubsetTree = BasicSubsetTree<QuickRulesSubsetPolicy>;
using SubsetSet = BasicSubsetSet<QuickRulesSubsetPolicy>;
using ReductStore = BasicReductStore<QuickRulesSubsetPolicy>;
}  // namespace quick_subsets
