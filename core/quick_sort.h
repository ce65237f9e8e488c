#pragma once

#include <utility>
#include <vector>

// How a partition that finds no key below its pivot is finished.
enum class PivotRun {
    // The run of keys equal to the pivot at the front of the range is passed over at once.
    Skip,
    // Every key of that run is taken as a pivot in turn, as the plain algorithm does.
    Partition,
};

// The quicksort of the sacks: the pivot is the element at lo; a boundary b starts at lo and
// every later element whose key is smaller than the pivot's is exchanged with the element at
// ++b; then the pivot is exchanged with element b and both sides are sorted the same way.
// It is not stable, so the arrangement of equal keys is part of what it produces.
//
// keyAt(i) returns the key at position i; exchange(i, j) exchanges positions i and j
// (including the key, when the keys live apart from the elements); exchanging a position
// with itself must change nothing. The two sides are sorted from an explicit list rather
// than by recursion, always the smaller side first, so sorted input (the worst case of this
// pivot) does not exhaust the call stack. The sides are disjoint, so the order in which
// they are sorted does not change the result.
//
// A partition that finds no key below its pivot moves nothing and leaves the pivot where it
// is; the next range starts one place further on, and while it starts with a key equal to
// the pivot, nothing in it is below that key either, so that partition too moves nothing.
// The whole run of keys equal to the pivot at the front therefore stays put, and PivotRun::
// Skip passes over it in one step: the arrangement is the same, but ranges made of a few
// distinct keys no longer cost a scan per element.
template <PivotRun run = PivotRun::Skip, class KeyAt, class Exchange>
void PivotFirstQuickSort(int lo, int hi, KeyAt keyAt, Exchange exchange) {
    std::vector<std::pair<int, int>> pending;
    for (;;) {
        while (lo < hi) {
            const auto pivot = keyAt(lo);
            int b = lo;
            int runEnd = lo;  // last position of the run of keys equal to the pivot
            for (int i = lo + 1; i <= hi; ++i) {
                if (keyAt(i) < pivot) {
                    exchange(++b, i);
                } else if (run == PivotRun::Skip && runEnd == i - 1 && !(pivot < keyAt(i))) {
                    runEnd = i;
                }
            }
            if (run == PivotRun::Skip && b == lo) {
                lo = runEnd + 1;
                continue;
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
