#pragma once

#include <memory>
#include <ostream>

#include "core/tree_walk.h"

class TIntSack;
class TInt2Sack;

// Counting search trees. Every node is the root of its subtree and owns both subtrees; a
// user holds a pointer to the root (null while the tree is empty), makes the first node
// with the constructor and adds later keys through the root. The trees are not balanced:
// keys arriving in ascending order make a list, so every walk below is iterative, in the
// visit order of the recursive definition, and no depth of tree can exhaust the stack.

// Occurrences of integer keys.
class TIntTree {
public:
    explicit TIntTree(int key, int count = 1) : key(key), count(count) {}
    ~TIntTree();
    TIntTree(const TIntTree&) = delete;
    TIntTree& operator=(const TIntTree&) = delete;

    static int Compare(int a, int b) { return a < b ? -1 : a == b ? 0 : 1; }

    int Find(int k) const;
    // 1 when a node was made, 0 when the key's count grew.
    int Add(int k);
    // 0 only when this node holds the key and has no children: the caller must then delete
    // this node and clear its link to it. Otherwise 1, also when the key is absent.
    int Remove(int k);

    int GetNoNodes() const;
    void CountKeysWithCount(int c, int& counter) const;
    // The keys of the right subtree, then this node's key, then those of the left subtree,
    // each subtree in pre-order.
    void GetKeys(TIntSack& sack) const;
    void AddKeysTo(TIntSack& sack) const;
    void AddKeysToTree(TIntTree& other) const;
    void PrintKeys(std::ostream& out) const;
    void Print() const;
    void GetMaxKey(int& bestKey, int& bestCount) const;
    void GetMostFrequent(int& bestKey, int& bestCount) const;

    int GetKey() const { return key; }
    int GetCount() const { return count; }
    TIntTree* GetLeft() const { return left; }
    TIntTree* GetRight() const { return right; }
    // Unlinks a subtree without deleting it (its new holder deletes it).
    void ClearLeft() { left = nullptr; }
    void ClearRight() { right = nullptr; }

private:
    template <class Node, class Visit>
    friend void tree_walk::VisitPreOrder(Node* root, Visit visit);
    template <class Node>
    friend void tree_walk::DeleteTree(Node* root);

    TIntTree* left = nullptr;
    TIntTree* right = nullptr;
    int key;
    int count;
};

// Builds a counting tree key by key into the very tree that adding every key through the
// root gives (the first key makes the root), without the walk down for a key beyond the
// greatest or below the smallest so far: that one hangs straight below the node holding
// the greatest or smallest key. Keys that come sorted, as object numbers do, would otherwise
// walk the whole list-shaped tree each time. Allocation failures throw CalcError(2).
class TIntTreeBuilder {
public:
    void Add(int key);
    // The tree built (null when no key came); the builder starts afresh.
    std::unique_ptr<TIntTree> Release();

private:
    std::unique_ptr<TIntTree> root;
    TIntTree* smallest = nullptr;
    TIntTree* greatest = nullptr;
};

// Occurrences of (attribute, value) pairs, ordered by a, then b.
class TInt2Tree {
public:
    TInt2Tree(int a, int b) : a(a), b(b) {}
    ~TInt2Tree();
    TInt2Tree(const TInt2Tree&) = delete;
    TInt2Tree& operator=(const TInt2Tree&) = delete;

    // -1 when this node's pair is smaller than (a, b), 1 when greater, 0 when equal.
    int Compare(int a, int b) const;

    int Find(int a, int b) const;
    // The pair's count, 0 when absent.
    int GetCount(int a, int b) const;
    int Add(int a, int b);
    int GetNoNodes() const;
    int GetNoFrequent(int threshold) const;
    // Appends, in pre-order, every pair counted at least `threshold` times.
    void GetFrequentPairs(TInt2Sack& sack, int threshold) const;
    // Calls visit(a, b, count) for every node in pre-order (node, left, right), for searches
    // that judge pairs by what only a higher subsystem knows.
    template <class Visit>
    void VisitPairs(Visit visit) const {
        tree_walk::VisitPreOrder(this, [&](const TInt2Tree& node) { visit(node.a, node.b, node.count); });
    }
    // A node beats the best when its count is greater, or equal and its pair is less
    // frequent in `second` (null: an empty tree) than the best pair is there.
    void GetBestPair(int& bestA, int& bestB, int& bestCount, const TInt2Tree* second) const;
    // Numbers the nodes in pre-order from the counter's value at this node; 1 with the pair
    // of node n, else 0.
    int GetNthPair(int& counter, int n, int& outA, int& outB) const;

private:
    template <class Node, class Visit>
    friend void tree_walk::VisitPreOrder(Node* root, Visit visit);
    template <class Node>
    friend void tree_walk::DeleteTree(Node* root);
    const TInt2Tree* FindNode(int a, int b) const;

    TInt2Tree* left = nullptr;
    TInt2Tree* right = nullptr;
    int a;
    int b;
    int count = 1;
};
