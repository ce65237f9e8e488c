#include "rough/decision/subset.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdio>
#include <new>
#include <string>

#include "core/error.h"

namespace {

void Diagnostic(const std::string& line) {
    std::fputs(line.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

template <class Policy>
std::unique_ptr<uint32_t[]> NewWords(int n) {
    uint32_t* words = new (std::nothrow) uint32_t[static_cast<size_t>(n)]();
    if (words == nullptr) Policy::OutOfMemory();
    return std::unique_ptr<uint32_t[]>(words);
}

template <class T, class Policy, class... Args>
T* NewOrPolicy(const Args&... args) {
    T* made = new (std::nothrow) T(args...);
    if (made == nullptr) Policy::OutOfMemory();
    return made;
}

}  // namespace

void GeneticSubsetPolicy::OutOfMemory() { throw MemError(); }

void QuickRulesSubsetPolicy::OutOfMemory() { throw CalcError(2); }

// ---- Subset

template <class Policy>
BasicSubset<Policy>::BasicSubset(int n) : bitCount(n) {
    if (n < 1) {
        Diagnostic("Subset 0 or less");
        return;
    }
    wordCount = (n - 1) / 32 + 1;
    words = NewWords<Policy>(wordCount);
}

template <class Policy>
BasicSubset<Policy>::BasicSubset(const BasicSubset& other) {
    *this = other;
}

template <class Policy>
BasicSubset<Policy>& BasicSubset<Policy>::operator=(const BasicSubset& other) {
    if (this == &other) return *this;
    std::unique_ptr<uint32_t[]> copy;
    if (other.wordCount > 0) {
        copy = NewWords<Policy>(other.wordCount);
        std::copy(other.words.get(), other.words.get() + other.wordCount, copy.get());
    }
    words = std::move(copy);
    wordCount = other.wordCount;
    bitCount = other.bitCount;
    return *this;
}

template <class Policy>
void BasicSubset<Policy>::Clear() {
    for (int w = 0; w < wordCount; ++w) words[w] = 0;
}

template <class Policy>
void BasicSubset<Policy>::SetAll() {
    for (int w = 0; w < wordCount; ++w) {
        int bits = bitCount - 32 * w;
        words[w] |= bits >= 32 ? ~uint32_t{0} : (uint32_t{1} << bits) - 1;
    }
}

template <class Policy>
void BasicSubset<Policy>::Set(int i) {
    if (i < 0 || i >= bitCount) {
        Diagnostic("Subset: set " + std::to_string(i));
        return;
    }
    words[i / 32] |= uint32_t{1} << (i % 32);
}

template <class Policy>
void BasicSubset<Policy>::Reset(int i) {
    if (i < 0 || i >= bitCount) {
        Diagnostic("Subset: reset " + std::to_string(i));
        return;
    }
    words[i / 32] &= ~(uint32_t{1} << (i % 32));
}

template <class Policy>
int BasicSubset<Policy>::IsSet(int i) const {
    assert(i >= 0 && i < bitCount);
    return (words[i / 32] >> (i % 32)) & 1;
}

template <class Policy>
int BasicSubset<Policy>::Count() const {
    int n = 0;
    for (int w = 0; w < wordCount; ++w) n += std::popcount(words[w]);
    return n;
}

template <class Policy>
void BasicSubset<Policy>::SetList(const int* list) {
    for (; *list >= 0 && *list < bitCount; ++list) Set(*list);
}

// Different bit counts are reported; the comparison then reads this subset's words, a word
// the other subset does not have counting as 0.
template <class Policy>
void BasicSubset<Policy>::CheckSize(const BasicSubset& other, const char* diagnostic) const {
    if (other.bitCount != bitCount) Diagnostic(diagnostic);
}

template <class Policy>
uint32_t BasicSubset<Policy>::WordOf(const BasicSubset& other, int w) {
    return w < other.wordCount ? other.words[w] : 0;
}

template <class Policy>
int BasicSubset<Policy>::operator==(const BasicSubset& other) const {
    CheckSize(other, Policy::EqualError);
    for (int w = 0; w < wordCount; ++w) {
        if (words[w] != WordOf(other, w)) return 0;
    }
    return 1;
}

template <class Policy>
int BasicSubset<Policy>::operator<(const BasicSubset& other) const {
    CheckSize(other, Policy::LessError);
    for (int w = 0; w < wordCount; ++w) {
        uint32_t o = WordOf(other, w);
        if (words[w] != o) return words[w] < o ? 1 : 0;
    }
    return 0;
}

template <class Policy>
int BasicSubset<Policy>::operator<=(const BasicSubset& other) const {
    CheckSize(other, Policy::IncludedError);
    for (int w = 0; w < wordCount; ++w) {
        if ((words[w] & ~WordOf(other, w)) != 0) return 0;
    }
    return 1;
}

template <class Policy>
void BasicSubset<Policy>::Print(std::ostream& out) const {
    for (int i = 0; i < bitCount; ++i) out << IsSet(i);
}

// ---- SubsetTree and SubsetSet

template <class Policy>
BasicSubsetTree<Policy>::~BasicSubsetTree() {
    tree_walk::DeleteTree(left);
    tree_walk::DeleteTree(right);
}

template <class Policy>
int BasicSubsetTree<Policy>::Insert(const BasicSubset<Policy>& s) {
    BasicSubsetTree* node = this;
    for (;;) {
        if (node->subset == s) return 1;
        BasicSubsetTree*& link = s < node->subset ? node->left : node->right;
        if (link == nullptr) {
            link = NewOrPolicy<BasicSubsetTree, Policy>(s);
            return 0;
        }
        node = link;
    }
}

template <class Policy>
int BasicSubsetTree<Policy>::Find(const BasicSubset<Policy>& s) const {
    const BasicSubsetTree* node = this;
    while (node != nullptr) {
        if (node->subset == s) return 1;
        node = s < node->subset ? node->left : node->right;
    }
    return 0;
}

template <class Policy>
void BasicSubsetSet<Policy>::Clear() {
    delete root;
    root = nullptr;
    count = 0;
}

template <class Policy>
void BasicSubsetSet<Policy>::Insert(const BasicSubset<Policy>& s) {
    if (root == nullptr) {
        root = NewOrPolicy<BasicSubsetTree<Policy>, Policy>(s);
        count = 1;
    } else if (root->Insert(s) == 0) {
        ++count;
    }
}

// ---- ReductStore

template <class Policy>
void BasicReductStore<Policy>::Clear() {
    while (head != nullptr) {
        Node* next = head->next;
        delete head;
        head = next;
    }
    count = 0;
}

// The new entry is made first, so that a failed allocation leaves the store as it was.
template <class Policy>
void BasicReductStore<Policy>::Insert(const BasicSubset<Policy>& s, double c) {
    Node* fresh = NewOrPolicy<Node, Policy>(s, c);
    for (Node** link = &head; *link != nullptr;) {
        if (s <= (*link)->subset) {
            Node* evicted = *link;
            *link = evicted->next;
            delete evicted;
            --count;
        } else {
            link = &(*link)->next;
        }
    }
    if (head == nullptr || head->cost < c) {
        fresh->next = head;
        head = fresh;
    } else {
        Node* last = head;
        while (last->next != nullptr && last->next->cost >= c) last = last->next;
        fresh->next = last->next;
        last->next = fresh;
    }
    ++count;
}

template <class Policy>
double BasicReductStore<Policy>::GetCost(const BasicSubset<Policy>& s) const {
    for (const Node* node = head; node != nullptr; node = node->next) {
        if (node->subset <= s) return node->cost;
    }
    return 0.0;
}

// A negative index has no entry: it walks to none rather than to the head.
template <class Policy>
const typename BasicReductStore<Policy>::Node* BasicReductStore<Policy>::NodeAt(int i) const {
    if (i < 0) return nullptr;
    const Node* node = head;
    for (; node != nullptr && i > 0; --i) node = node->next;
    return node;
}

template <class Policy>
const BasicSubset<Policy>* BasicReductStore<Policy>::Item(int i) const {
    if (i < 0 || i >= count) Diagnostic(Policy::ItemOutOfRange + std::to_string(i));
    const Node* node = NodeAt(i);
    if (node == nullptr) {
        Diagnostic(Policy::ItemNull);
        return nullptr;
    }
    return &node->subset;
}

template <class Policy>
double BasicReductStore<Policy>::cost(int i) const {
    if (i < 0 || i >= count) Diagnostic(Policy::CostOutOfRange);
    const Node* node = NodeAt(i);
    if (node == nullptr) {
        Diagnostic(Policy::CostNotFound);
        return -1.0;
    }
    return node->cost;
}

template class BasicSubset<GeneticSubsetPolicy>;
template class BasicSubsetTree<GeneticSubsetPolicy>;
template class BasicSubsetSet<GeneticSubsetPolicy>;
template class BasicReductStore<GeneticSubsetPolicy>;
template class BasicSubset<QuickRulesSubsetPolicy>;
template class BasicSubsetTree<QuickRulesSubsetPolicy>;
template class BasicSubsetSet<QuickRulesSubsetPolicy>;
template class BasicReductStore<QuickRulesSubsetPolicy>;
