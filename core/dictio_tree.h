#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/tree_walk.h"

// The dictionary of one column of a text data file: an unbalanced search tree of the
// column's words, each with its number of occurrences and the integer code it stands for.
// Two orders apply: by text (a shorter text is smaller; texts of equal length compare byte by
// byte as signed characters) and by code. Words are added in text order and then numbered in
// that order (AssignCodes); a tree loaded from a dictionary file is built in code order. In
// every tree built either way the two orders coincide.
//
// Every node is the root of its subtree; a user holds the root (the links below it are not
// exposed) and works through it. The tree keeps the shape its insertions give it, which is
// the order of the dictionary file, and a column of sorted words makes it a list; so every
// walk is iterative, and the root keeps an ordered index of the nodes beside the tree, which
// finds a word, a code or the place of a new node in logarithmic time. A new node hangs
// below whichever of its two neighbours in the order came later, which is exactly where a
// search down the tree would put it.
class TDictioBTree {
public:
    // A leaf with code 0 and count 1; the node takes over the text. An empty text stands
    // for a node without text.
    explicit TDictioBTree(std::string text);
    TDictioBTree(int code, int count, std::string text);
    ~TDictioBTree();
    TDictioBTree(const TDictioBTree&) = delete;
    TDictioBTree& operator=(const TDictioBTree&) = delete;

    static int Compare(int a, int b) { return a < b ? -1 : a == b ? 0 : 1; }
    static int CompareText(std::string_view a, std::string_view b);

    // A present text counts once more (result 0); another becomes a new leaf (result 1).
    int AddElem(std::string text);
    // A new leaf in code order (result 1); a code already present is a critical error.
    int AddElem(int code, int count, std::string text);
    int GetElemInt(std::string_view text) const;
    const std::string& GetElemText(int code) const;
    // Numbers the nodes in text order from the counter's value on.
    void AssignCodes(int& counter);
    int GetNoNodes() const;

    // The node lines of the dictionary file, in pre-order: "   code count text".
    void Save(std::string& out) const;
    // "code count text" per node in pre-order on standard output.
    void Print() const;
    // This node's line: `indent`, code, count and text ("NoName" when it has none).
    void AppendLine(const char* indent, std::string& out) const;

private:
    template <class Node, class Visit>
    friend void tree_walk::VisitPreOrder(Node* root, Visit visit);
    template <class Node, class Visit>
    friend void tree_walk::VisitInOrder(Node* root, Visit visit);
    template <class Node>
    friend void tree_walk::DeleteTree(Node* root);

    struct Index;
    friend struct Index;
    Index& Indexed() const;
    void Attach(TDictioBTree* node, TDictioBTree* before, TDictioBTree* after);

    TDictioBTree* left = nullptr;
    TDictioBTree* right = nullptr;
    int code;
    int count;
    std::string text;
    mutable std::unique_ptr<Index> index;  // the root's, made at its first use
};
