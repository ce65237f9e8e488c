#pragma once

#include <type_traits>
#include <vector>

// Walks of the unbalanced binary trees of the program (counting trees, subset trees). A node
// type has `left` and `right` pointers to its subtrees and owns them; a class whose links
// are private befriends these templates. Trees fed with sorted keys become lists as deep as
// the data, so nothing here recurses.

namespace tree_walk {

// Visits node, left subtree, right subtree, as the recursive walk does. The list of right
// subtrees still to visit is never longer than the depth, and a list-shaped tree needs none.
// A visit that returns false ends the walk.
template <class Node, class Visit>
void VisitPreOrder(Node* root, Visit visit) {
    std::vector<Node*> pending;
    Node* node = root;
    while (node != nullptr) {
        if constexpr (std::is_same_v<decltype(visit(*node)), bool>) {
            if (!visit(*node)) return;
        } else {
            visit(*node);
        }
        if (node->left != nullptr) {
            if (node->right != nullptr) pending.push_back(node->right);
            node = node->left;
        } else if (node->right != nullptr) {
            node = node->right;
        } else if (pending.empty()) {
            node = nullptr;
        } else {
            node = pending.back();
            pending.pop_back();
        }
    }
}

// Visits left subtree, node, right subtree, as the recursive walk does. The list of nodes
// whose right side is still to come holds the left spine of the current subtree: a tree
// that grew to the left is walked from a list as long as that chain, never from the stack.
template <class Node, class Visit>
void VisitInOrder(Node* root, Visit visit) {
    std::vector<Node*> pending;
    Node* node = root;
    while (node != nullptr || !pending.empty()) {
        while (node != nullptr) {
            pending.push_back(node);
            node = node->left;
        }
        node = pending.back();
        pending.pop_back();
        visit(*node);
        node = node->right;
    }
}

// Deletes a whole tree without recursion and without memory of its own: a node with a left
// child is rotated right until the leftmost node has none, which is then deleted with its
// links cleared. Nothing observes the order in which nodes go.
template <class Node>
void DeleteTree(Node* root) {
    Node* node = root;
    while (node != nullptr) {
        if (node->left != nullptr) {
            Node* up = node->left;
            node->left = up->right;
            up->right = node;
            node = up;
        } else {
            Node* next = node->right;
            node->right = nullptr;
            delete node;
            node = next;
        }
    }
}

}  // namespace tree_walk
