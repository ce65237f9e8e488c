#include "core/int_tree.h"

#include <climits>
#include <new>
#include <string>
#include <utility>

#include "core/error.h"
#include "core/int_sack.h"
#include "core/pair_sack.h"
#include "core/report.h"

using tree_walk::DeleteTree;
using tree_walk::VisitPreOrder;

namespace {

template <class Node, class... Args>
Node* NewLeaf(Args... args) {
    Node* node = new (std::nothrow) Node(args...);
    if (node == nullptr) throw CalcError(2);
    return node;
}

}  // namespace

// ---- TIntTree

TIntTree::~TIntTree() {
    DeleteTree(left);
    DeleteTree(right);
}

int TIntTree::Find(int k) const {
    const TIntTree* node = this;
    while (node != nullptr) {
        int c = Compare(k, node->key);
        if (c == 0) return 1;
        node = c < 0 ? node->left : node->right;
    }
    return 0;
}

int TIntTree::Add(int k) {
    TIntTree* node = this;
    for (;;) {
        int c = Compare(k, node->key);
        if (c == 0) {
            ++node->count;
            return 0;
        }
        TIntTree*& link = c < 0 ? node->left : node->right;
        if (link == nullptr) {
            link = NewLeaf<TIntTree>(k);
            return 1;
        }
        node = link;
    }
}

// A node with one child takes over the child's key, count and links. A node with two
// children takes the largest key of its left subtree with its count, and that node is
// removed in turn; it has no right child, so it is either deleted or takes over its left
// child. The largest key is the rightmost node: the same node a search of the whole left
// subtree for the greatest key finds, since keys are unique.
int TIntTree::Remove(int k) {
    TIntTree* node = this;
    TIntTree** link = nullptr;  // the parent's link to node; none for this node
    for (;;) {
        int c = Compare(k, node->key);
        if (c == 0) break;
        TIntTree** next = c < 0 ? &node->left : &node->right;
        if (*next == nullptr) return 1;
        link = next;
        node = *next;
    }
    if (node->left != nullptr && node->right != nullptr) {
        link = &node->left;
        TIntTree* max = node->left;
        while (max->right != nullptr) {
            link = &max->right;
            max = max->right;
        }
        node->key = max->key;
        node->count = max->count;
        node = max;
    }
    TIntTree* child = node->left != nullptr ? node->left : node->right;
    if (child == nullptr) {
        if (link == nullptr) return 0;
        *link = nullptr;
        delete node;
        return 1;
    }
    node->key = child->key;
    node->count = child->count;
    node->left = child->left;
    node->right = child->right;
    child->left = nullptr;
    child->right = nullptr;
    delete child;
    return 1;
}

int TIntTree::GetNoNodes() const {
    int n = 0;
    VisitPreOrder(this, [&](const TIntTree&) { ++n; });
    return n;
}

void TIntTree::CountKeysWithCount(int c, int& counter) const {
    VisitPreOrder(this, [&](const TIntTree& node) {
        if (node.count == c) ++counter;
    });
}

void TIntTree::GetKeys(TIntSack& sack) const {
    auto add = [&](const TIntTree& node) { sack.AddElem(node.key); };
    VisitPreOrder(static_cast<const TIntTree*>(right), add);
    sack.AddElem(key);
    VisitPreOrder(static_cast<const TIntTree*>(left), add);
}

void TIntTree::AddKeysTo(TIntSack& sack) const {
    VisitPreOrder(this, [&](const TIntTree& node) { sack.AddUnique(node.key); });
}

void TIntTree::AddKeysToTree(TIntTree& other) const {
    VisitPreOrder(this, [&](const TIntTree& node) { other.Add(node.key); });
}

void TIntTree::PrintKeys(std::ostream& out) const {
    VisitPreOrder(this, [&](const TIntTree& node) { out << node.key << ' '; });
}

void TIntTree::Print() const {
    std::string text;
    VisitPreOrder(this, [&](const TIntTree& node) {
        text += '(';
        text += std::to_string(node.key);
        text += ',';
        text += std::to_string(node.count);
        text += ") ";
    });
    WriteStdout(text);
}

void TIntTree::GetMaxKey(int& bestKey, int& bestCount) const {
    VisitPreOrder(this, [&](const TIntTree& node) {
        if (node.key > bestKey) {
            bestKey = node.key;
            bestCount = node.count;
        }
    });
}

// The first node in pre-order wins a tie; the caller sets the starting best count.
void TIntTree::GetMostFrequent(int& bestKey, int& bestCount) const {
    VisitPreOrder(this, [&](const TIntTree& node) {
        if (node.count > bestCount) {
            bestKey = node.key;
            bestCount = node.count;
        }
    });
}

// ---- TIntTreeBuilder

// The greatest node has no right child and a greater key goes nowhere else from the root;
// likewise on the left for the smallest. An equal key counts at that node.
void TIntTreeBuilder::Add(int key) {
    if (root == nullptr) {
        root.reset(NewLeaf<TIntTree>(key));
        smallest = greatest = root.get();
        return;
    }
    if (key >= greatest->GetKey()) {
        greatest->Add(key);
        if (greatest->GetRight() != nullptr) greatest = greatest->GetRight();
    } else if (key <= smallest->GetKey()) {
        smallest->Add(key);
        if (smallest->GetLeft() != nullptr) smallest = smallest->GetLeft();
    } else {
        root->Add(key);
    }
}

std::unique_ptr<TIntTree> TIntTreeBuilder::Release() {
    smallest = greatest = nullptr;
    return std::move(root);
}

// ---- TInt2Tree

TInt2Tree::~TInt2Tree() {
    DeleteTree(left);
    DeleteTree(right);
}

int TInt2Tree::Compare(int otherA, int otherB) const {
    if (a != otherA) return a < otherA ? -1 : 1;
    if (b != otherB) return b < otherB ? -1 : 1;
    return 0;
}

const TInt2Tree* TInt2Tree::FindNode(int pa, int pb) const {
    const TInt2Tree* node = this;
    while (node != nullptr) {
        int c = node->Compare(pa, pb);
        if (c == 0) return node;
        node = c > 0 ? node->left : node->right;
    }
    return nullptr;
}

int TInt2Tree::Find(int pa, int pb) const { return FindNode(pa, pb) != nullptr ? 1 : 0; }

int TInt2Tree::GetCount(int pa, int pb) const {
    const TInt2Tree* node = FindNode(pa, pb);
    return node != nullptr ? node->count : 0;
}

int TInt2Tree::Add(int pa, int pb) {
    TInt2Tree* node = this;
    for (;;) {
        int c = node->Compare(pa, pb);
        if (c == 0) {
            ++node->count;
            return 0;
        }
        TInt2Tree*& link = c > 0 ? node->left : node->right;
        if (link == nullptr) {
            link = NewLeaf<TInt2Tree>(pa, pb);
            return 1;
        }
        node = link;
    }
}

int TInt2Tree::GetNoNodes() const {
    int n = 0;
    VisitPreOrder(this, [&](const TInt2Tree&) { ++n; });
    return n;
}

int TInt2Tree::GetNoFrequent(int threshold) const {
    int n = 0;
    VisitPreOrder(this, [&](const TInt2Tree& node) {
        if (node.count >= threshold) ++n;
    });
    return n;
}

void TInt2Tree::GetFrequentPairs(TInt2Sack& sack, int threshold) const {
    VisitPreOrder(this, [&](const TInt2Tree& node) {
        if (node.count >= threshold) sack.AddElem(node.a, node.b);
    });
}

void TInt2Tree::GetBestPair(int& bestA, int& bestB, int& bestCount, const TInt2Tree* second) const {
    auto countIn = [second](int pa, int pb) { return second != nullptr ? second->GetCount(pa, pb) : 0; };
    VisitPreOrder(this, [&](const TInt2Tree& node) {
        if (node.count > bestCount ||
            (node.count == bestCount && countIn(node.a, node.b) < countIn(bestA, bestB))) {
            bestA = node.a;
            bestB = node.b;
            bestCount = node.count;
        }
    });
}

int TInt2Tree::GetNthPair(int& counter, int n, int& outA, int& outB) const {
    bool atRoot = true;
    int found = 0;
    VisitPreOrder(this, [&](const TInt2Tree& node) {
        if (!atRoot) ++counter;
        atRoot = false;
        if (counter != n) return true;
        outA = node.a;
        outB = node.b;
        found = 1;
        return false;
    });
    return found;
}
