#include "core/dictio_tree.h"

#include <cassert>
#include <iterator>
#include <new>
#include <set>
#include <utility>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"

using tree_walk::DeleteTree;
using tree_walk::VisitInOrder;
using tree_walk::VisitPreOrder;

// The nodes in text order and in code order, each kept only while the tree is a search tree
// in that order (its in-order walk strictly ascends). Texts never change, so a tree that
// stops being ordered by text stays so; codes change when they are assigned anew, after
// which the code order is rebuilt at its next use. While an order is not kept, its searches
// walk the tree as the plain algorithm does and so find exactly what it finds.
struct TDictioBTree::Index {
    struct ByText {
        using is_transparent = void;
        bool operator()(const TDictioBTree* a, const TDictioBTree* b) const { return CompareText(a->text, b->text) < 0; }
        bool operator()(const TDictioBTree* a, std::string_view b) const { return CompareText(a->text, b) < 0; }
        bool operator()(std::string_view a, const TDictioBTree* b) const { return CompareText(a, b->text) < 0; }
    };
    struct ByCode {
        using is_transparent = void;
        bool operator()(const TDictioBTree* a, const TDictioBTree* b) const { return a->code < b->code; }
        bool operator()(const TDictioBTree* a, int b) const { return a->code < b; }
        bool operator()(int a, const TDictioBTree* b) const { return a < b->code; }
    };
    enum class State { Kept, Unordered, Stale };

    std::set<TDictioBTree*, ByText> byText;
    std::set<TDictioBTree*, ByCode> byCode;
    State textState = State::Kept;
    State codeState = State::Kept;
    int nodes = 0;

    // An order as it stands, from an in-order walk of the tree.
    template <class Set>
    static void Build(TDictioBTree* root, Set& set, State& state) {
        set.clear();
        state = State::Kept;
        const TDictioBTree* previous = nullptr;
        const typename Set::key_compare less;
        VisitInOrder(root, [&](TDictioBTree& node) {
            if (state != State::Kept) return;
            if (previous != nullptr && !less(previous, &node)) {
                Drop(set, state);
                return;
            }
            set.insert(set.end(), &node);
            previous = &node;
        });
    }

    template <class Set>
    static void Drop(Set& set, State& state) {
        Set().swap(set);
        state = State::Unordered;
    }

    // A new node, whose neighbours in the tree's in-order are `before` and `after`, keeps the
    // order of a set only when it lies between them in that order too.
    template <class Set, class Less>
    static void Place(Set& set, State& state, TDictioBTree* node, const TDictioBTree* before,
                      const TDictioBTree* after, Less less) {
        if (state != State::Kept) return;
        if ((before != nullptr && !less(before, node)) || (after != nullptr && !less(node, after))) {
            Drop(set, state);
            return;
        }
        set.insert(after != nullptr ? set.find(const_cast<TDictioBTree*>(after)) : set.end(), node);
    }
    // Descends from the root as a search in one order does; `compare(node)` is the sign of
    // the key against the node's. Returns the node holding the key, or null at a missing
    // link, having noted the nearest nodes passed on either side: the neighbours of that
    // place in the tree's in-order.
    template <class Node, class Compare>
    static Node* Descend(Node* root, Compare compare, Node*& before, Node*& after) {
        before = nullptr;
        after = nullptr;
        for (Node* node = root; node != nullptr;) {
            const int c = compare(*node);
            if (c == 0) return node;
            if (c < 0) {
                after = node;
                node = node->left;
            } else {
                before = node;
                node = node->right;
            }
        }
        return nullptr;
    }

    // The node holding the key, found in the order's set while the set is kept, else by a
    // descent; either way `before` and `after` are the neighbours of the key's place.
    // sign(key, node) compares the key with the node's in that order.
    template <class Set, class Key, class Sign>
    static TDictioBTree* Find(TDictioBTree* root, const Set& set, State state, const Key& key, Sign sign,
                              TDictioBTree*& before, TDictioBTree*& after) {
        if (state != State::Kept) {
            return Descend(root, [&](const TDictioBTree& node) { return sign(key, node); }, before, after);
        }
        auto it = set.lower_bound(key);
        after = it != set.end() ? *it : nullptr;
        before = it != set.begin() ? *std::prev(it) : nullptr;
        return after != nullptr && sign(key, *after) == 0 ? after : nullptr;
    }
    // The node holding a key that must be present; otherwise the message and the index error.
    template <class Set, class Key, class Sign>
    static const TDictioBTree& Existing(const TDictioBTree* root, const Set& set, State state, const Key& key,
                                        Sign sign, const char* message) {
        TDictioBTree* before;
        TDictioBTree* after;
        const TDictioBTree* found = Find(const_cast<TDictioBTree*>(root), set, state, key, sign, before, after);
        if (found == nullptr) {
            LogMessage(message);
            throw CalcError(5);
        }
        return *found;
    }
    static int TextSign(std::string_view key, const TDictioBTree& node) { return CompareText(key, node.text); }
    static int CodeSign(int key, const TDictioBTree& node) { return Compare(key, node.code); }

    void Placed(TDictioBTree* node, const TDictioBTree* before, const TDictioBTree* after) {
        Place(byText, textState, node, before, after, ByText());
        Place(byCode, codeState, node, before, after, ByCode());
        ++nodes;
    }
};

namespace {

template <class... Args>
TDictioBTree* NewNode(Args&&... args) {
    TDictioBTree* node = new (std::nothrow) TDictioBTree(std::forward<Args>(args)...);
    if (node == nullptr) throw CalcError(2);
    return node;
}

}  // namespace

TDictioBTree::TDictioBTree(std::string text) : TDictioBTree(0, 1, std::move(text)) {}

TDictioBTree::TDictioBTree(int code, int count, std::string text) : code(code), count(count), text(std::move(text)) {}

TDictioBTree::~TDictioBTree() {
    DeleteTree(left);
    DeleteTree(right);
}

int TDictioBTree::CompareText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<signed char>(a[i]);
        const auto y = static_cast<signed char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

TDictioBTree::Index& TDictioBTree::Indexed() const {
    if (!index) {
        OrOutOfMemory([&] {
            auto made = std::make_unique<Index>();
            auto* self = const_cast<TDictioBTree*>(this);
            Index::Build(self, made->byText, made->textState);
            Index::Build(self, made->byCode, made->codeState);
            VisitPreOrder(this, [&](const TDictioBTree&) { ++made->nodes; });
            index = std::move(made);
        });
    }
    if (index->codeState == Index::State::Stale) {
        OrOutOfMemory([&] { Index::Build(const_cast<TDictioBTree*>(this), index->byCode, index->codeState); });
    }
    return *index;
}

// `before` and `after` are the in-order neighbours of the place where the node belongs; of
// the two, the one without a child on the node's side is the deeper, and the node hangs there.
void TDictioBTree::Attach(TDictioBTree* node, TDictioBTree* before, TDictioBTree* after) {
    if (before != nullptr && before->right == nullptr) {
        before->right = node;
    } else {
        assert(after != nullptr && after->left == nullptr);
        after->left = node;
    }
    OrOutOfMemory([&] { index->Placed(node, before, after); });
}

int TDictioBTree::AddElem(std::string word) {
    Index& ix = Indexed();
    TDictioBTree* before;
    TDictioBTree* after;
    TDictioBTree* found = Index::Find(this, ix.byText, ix.textState, std::string_view(word), Index::TextSign, before, after);
    if (found != nullptr) {
        ++found->count;
        return 0;
    }
    Attach(NewNode(std::move(word)), before, after);
    return 1;
}

int TDictioBTree::AddElem(int newCode, int newCount, std::string word) {
    Index& ix = Indexed();
    TDictioBTree* before;
    TDictioBTree* after;
    if (Index::Find(this, ix.byCode, ix.codeState, newCode, Index::CodeSign, before, after) != nullptr) {
        LogMessage("Critical error in: TDictioBTree::AddElem(int,int,char *)");
        throw CalcError(4);
    }
    Attach(NewNode(newCode, newCount, std::move(word)), before, after);
    return 1;
}

int TDictioBTree::GetElemInt(std::string_view word) const {
    Index& ix = Indexed();
    return Index::Existing(this, ix.byText, ix.textState, word, Index::TextSign,
                           "Bad text value  in TDictioBTree::GetElemInt").code;
}

const std::string& TDictioBTree::GetElemText(int wanted) const {
    Index& ix = Indexed();
    return Index::Existing(this, ix.byCode, ix.codeState, wanted, Index::CodeSign,
                           "Bad integer value  in TDictioBTree::GetElemText").text;
}

void TDictioBTree::AssignCodes(int& counter) {
    VisitInOrder(this, [&](TDictioBTree& node) { node.code = counter++; });
    if (index) index->codeState = Index::State::Stale;
}

int TDictioBTree::GetNoNodes() const { return Indexed().nodes; }

namespace {

// "code count text" for every node in pre-order, each line after `indent`.
void AppendNodeLines(const TDictioBTree& root, const char* indent, std::string& out) {
    VisitPreOrder(&root, [&](const TDictioBTree& node) { node.AppendLine(indent, out); });
}

}  // namespace

void TDictioBTree::AppendLine(const char* indent, std::string& out) const {
    out += indent;
    AppendInt(out, code);
    out += ' ';
    AppendInt(out, count);
    out += ' ';
    out += text.empty() ? "NoName" : text;
    out += '\n';
}

void TDictioBTree::Save(std::string& out) const { AppendNodeLines(*this, "   ", out); }

void TDictioBTree::Print() const {
    std::string out;
    AppendNodeLines(*this, "", out);
    WriteStdout(out);
}
