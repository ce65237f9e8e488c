#pragma once

#include <utility>
#include <vector>

// The quicksort with the middle element as pivot and the two scans that meet (i from the left
// past elements before the pivot, j from the right past elements after it, exchange and step
// both while i <= j). It is not stable: the arrangement of equal elements is what this
// partitioning leaves, and callers rely on exactly that arrangement.
//
// `before(x, y)` tells whether element x comes before element y. Sub-ranges whose span
// (upper minus lower position) is below `smallSpan` go to `sortSmall(lo, hi)` instead of
// being partitioned again; the whole range is always partitioned first. The sub-ranges wait
// in an explicit list rather than on the call stack (a badly split range would otherwise
// recurse once per element); they are disjoint, so the order in which they are finished does
// not change the result; `pending` is that list, passed in so that hot callers reuse it.
// Returns whether two different positions were ever exchanged.
template <class T, class Before, class SortSmall>
bool MiddlePivotQuickSort(T* a, int lo, int hi, Before before, int smallSpan, SortSmall sortSmall,
                          std::vector<std::pair<int, int>>& pending) {
    bool exchanged = false;
    pending.clear();
    if (lo >= hi) return exchanged;
    pending.emplace_back(lo, hi);
    while (!pending.empty()) {
        const auto [l, h] = pending.back();
        pending.pop_back();
        const T pivot = a[l + (h - l) / 2];
        int i = l;
        int j = h;
        do {
            while (before(a[i], pivot)) ++i;
            while (before(pivot, a[j])) --j;
            if (i <= j) {
                if (i < j) {
                    std::swap(a[i], a[j]);
                    exchanged = true;
                }
                ++i;
                --j;
            }
        } while (i <= j);
        // The larger side waits below the smaller one, which keeps the list short.
        std::pair<int, int> sides[2] = {{l, j}, {i, h}};
        if (j - l < h - i) std::swap(sides[0], sides[1]);
        for (const auto& [from, to] : sides) {
            if (from >= to) continue;
            if (to - from >= smallSpan) {
                pending.emplace_back(from, to);
            } else {
                sortSmall(from, to);
            }
        }
    }
    return exchanged;
}

template <class T, class Before, class SortSmall>
bool MiddlePivotQuickSort(T* a, int lo, int hi, Before before, int smallSpan, SortSmall sortSmall) {
    std::vector<std::pair<int, int>> pending;
    return MiddlePivotQuickSort(a, lo, hi, before, smallSpan, sortSmall, pending);
}

// Without a separate pass for small ranges.
template <class T, class Before>
bool MiddlePivotQuickSort(T* a, int lo, int hi, Before before, std::vector<std::pair<int, int>>& pending) {
    return MiddlePivotQuickSort(a, lo, hi, before, 0, [](int, int) {}, pending);
}

template <class T, class Before>
bool MiddlePivotQuickSort(T* a, int lo, int hi, Before before) {
    std::vector<std::pair<int, int>> pending;
    return MiddlePivotQuickSort(a, lo, hi, before, pending);
}
