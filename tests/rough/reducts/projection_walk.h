#pragma once

#include <utility>
#include <vector>

#include "core/table.h"
#include "rough/reducts/reduct_evaluator.h"

// The evaluator's tests done the plain way, for comparison: globally a search tree of row
// projections walked from the root for each object (a conflict is a new object equal on the
// subset to a node's object of another id), locally a scan; the same move-to-front
// bookkeeping on an order of its own.
struct WalkedTest {
    std::vector<int> order;
    int moveToFront = 0;

    int Fail(int p) {
        if (p > moveToFront) {
            std::swap(order[static_cast<size_t>(p)], order[static_cast<size_t>(moveToFront)]);
            if (++moveToFront > static_cast<int>(order.size()) / 2) moveToFront = 0;
        }
        return 0;
    }

    int Global(const TTable& t, const TObjClassTree& ids, const genetic_subsets::Subset& s) {
        struct Node {
            int object;
            int left = -1;
            int right = -1;
        };
        std::vector<Node> nodes{{order[0]}};
        for (int p = 1; p < static_cast<int>(order.size()); ++p) {
            const int o = order[static_cast<size_t>(p)];
            for (int at = 0;;) {
                const int c = CompareRows(t, t, nodes[static_cast<size_t>(at)].object, o, s);
                if (c == 0) {
                    if (ids.GetId(nodes[static_cast<size_t>(at)].object) != ids.GetId(o)) return Fail(p);
                    break;
                }
                int& next = c == 1 ? nodes[static_cast<size_t>(at)].left : nodes[static_cast<size_t>(at)].right;
                if (next < 0) {
                    next = static_cast<int>(nodes.size());
                    nodes.push_back({o});
                    break;
                }
                at = next;
            }
        }
        return static_cast<int>(nodes.size());
    }

    int Local(const TTable& t, const TObjClassTree& ids, const genetic_subsets::Subset& s, int o0) {
        for (int p = 0; p < static_cast<int>(order.size()); ++p) {
            const int o = order[static_cast<size_t>(p)];
            if (ids.GetId(o) != ids.GetId(o0) && CompareRows(t, t, o0, o, s) == 0) return Fail(p);
        }
        return 1;
    }
};
