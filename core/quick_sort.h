#pragma once

#include <utility>
#include <vector>

// The quicksort of the sacks: the pivot is the element at lo; a boundary b starts at lo and
// every later element whose key is smaller than the pivot's is exchanged with the element at
// ++b; then the pivot is exchanged with element b and both sides are sorted the same way.
// It is not stable, so the arrangement of equal keys is part of what it produces.
//
// keyAt(i) returns the key at position i; exchange(i, j) exchanges positions i and j
// (including the key, when the keys live apart from the elements). The two sides are sorted
// from an explicit list rather than by recursion, always the smaller side first, so sorted
// input (the worst case of this pivot) does not exhaust the call stack. The sides are
// disjoint, so the order in which they are sorted does not change the result.
template <class KeyAt, class Exchange>
void PivotFirstQuickSort(int lo, int hi, KeyAt keyAt, Exchange exchange) {
    std::vector<std::pair<int, int>> pending;
    for (;;) {
        while (lo < hi) {
            const auto pivot = keyAt(lo);
            int b = lo;
            for (int i = lo + 1; i <= hi; ++i) {
                if (keyAt(i) < pivot) exchange(++b, i);
            }
            exchange(lo, b);
            if (b - lo < hi - b) {
                pending.emplace_back(b + 1, hi);
                hi = b - 1;
            } else {
                pending.emplace_back(lo, b - 1);
                lo = b + 1;
            }
        }
        if (pending.empty()) return;
        lo = pending.back().first;
        hi = pending.back().second;
        pending.pop_back();
    }
}
