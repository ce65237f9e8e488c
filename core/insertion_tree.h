#pragma once

#include <algorithm>
#include <numeric>
#include <vector>

// The shape of an unbalanced search tree into which items 0, 1, 2, ... are inserted in turn
// (an item whose key is already in the tree joins that node) depends only on the order of
// the keys and on which item of each key came first: a node is the ancestor of another
// exactly when it came first among all keys between the two. That is the Cartesian tree of
// the distinct keys in ascending order, heap-ordered by their first item, and building it
// from a sort costs O(n log n) comparisons where walking the tree costs O(n) per item on
// sorted input. The result is the same tree, so the same pre-order.
struct InsertionTree {
    // The first item of every distinct key, in pre-order (node, smaller subtree, greater).
    std::vector<int> preOrder;
    // For every item, the position of its key's node in preOrder.
    std::vector<int> node;
};

// compare(a, b) < 0 when item a's key is smaller than item b's, 0 when equal, > 0 when
// greater; it must be a total order of the keys. Throws std::bad_alloc.
template <class Compare>
InsertionTree BuildInsertionTree(int count, Compare compare) {
    InsertionTree tree;
    if (count <= 0) return tree;
    std::vector<int> sorted(static_cast<size_t>(count));
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
        const int c = compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });

    // Distinct keys in ascending order; each group's first item is its smallest.
    std::vector<int> first;
    std::vector<int> keyOf(static_cast<size_t>(count));
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (i == 0 || compare(sorted[i - 1], sorted[i]) != 0) first.push_back(sorted[i]);
        keyOf[static_cast<size_t>(sorted[i])] = static_cast<int>(first.size()) - 1;
    }

    // Cartesian tree over the keys: the key inserted first is the root.
    const int keys = static_cast<int>(first.size());
    std::vector<int> left(static_cast<size_t>(keys), -1);
    std::vector<int> right(static_cast<size_t>(keys), -1);
    std::vector<int> spine;
    for (int k = 0; k < keys; ++k) {
        int last = -1;
        while (!spine.empty() && first[static_cast<size_t>(spine.back())] > first[static_cast<size_t>(k)]) {
            last = spine.back();
            spine.pop_back();
        }
        left[static_cast<size_t>(k)] = last;
        if (!spine.empty()) right[static_cast<size_t>(spine.back())] = k;
        spine.push_back(k);
    }

    std::vector<int> position(static_cast<size_t>(keys));
    tree.preOrder.reserve(static_cast<size_t>(keys));
    std::vector<int> pending{spine.front()};
    while (!pending.empty()) {
        const int k = pending.back();
        pending.pop_back();
        position[static_cast<size_t>(k)] = static_cast<int>(tree.preOrder.size());
        tree.preOrder.push_back(first[static_cast<size_t>(k)]);
        if (right[static_cast<size_t>(k)] >= 0) pending.push_back(right[static_cast<size_t>(k)]);
        if (left[static_cast<size_t>(k)] >= 0) pending.push_back(left[static_cast<size_t>(k)]);
    }

    tree.node.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        tree.node[static_cast<size_t>(i)] = position[static_cast<size_t>(keyOf[static_cast<size_t>(i)])];
    return tree;
}
