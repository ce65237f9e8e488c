#pragma once

// Checks of a loaded real-valued table against its own values, shared by the targets of the
// table file and of the types file: every sorted order a permutation in ascending order, the
// decision values the distinct decisions in ascending order, ranges, interval counts and
// weights as plain scans give them.
#include <vector>

#include "core/data_table.h"
#include "fuzz/fuzz_support.h"

inline void CheckDataTable(const TDataTable& t) {
    const int n = t.GetNoObj();
    const int attrs = t.GetNoAttr();
    for (int a = 0; a <= attrs; ++a) {
        const int* order = t.GetSortedIndex(a);
        std::vector<char> seen(static_cast<size_t>(n), 0);
        int distinct = 0;
        for (int k = 0; k < n; ++k) {
            Require(order[k] >= 0 && order[k] < n && !seen[order[k]], "a sorted order is a permutation");
            seen[order[k]] = 1;
            if (k > 0) Require(t.GetValue(order[k - 1], a) <= t.GetValue(order[k], a), "a sorted order ascends");
            if (k == 0 || t.GetValue(order[k - 1], a) != t.GetValue(order[k], a)) ++distinct;
        }
        if (n > 0) {
            const float lo = t.GetValue(order[0], a);
            const float hi = t.GetValue(order[n - 1], a);
            Require(t.CountObjInRange(lo, hi, a) == n, "every object lies between the extremes");
            Require(t.CountValuesInRange(lo, hi, a) == distinct, "distinct values between the extremes");
        }
        if (a == attrs) {
            Require(t.GetNoDec() == distinct, "one decision value per distinct decision");
        } else {
            const float range = n == 0                 ? 0.0f
                                : t.GetAttrType(a) != 0 ? t.GetValue(order[n - 1], a) - t.GetValue(order[0], a)
                                                        : static_cast<float>(distinct);
            Require(t.GetAttrRangeF(a) == range, "attribute range");
        }
    }
    for (int d = 0; d < t.GetNoDec(); ++d) {
        Require(t.GetDecIndex(t.GetDecValue(d)) == d, "decision index of a decision value");
        if (d > 0) Require(t.GetDecValue(d - 1) < t.GetDecValue(d), "decision values ascend");
    }
    const std::vector<int> shares = t.GetDecDistribution();
    Require(shares.size() == static_cast<size_t>(t.GetNoDec()) + 1 && shares.back() == -1, "distribution size");
    long long total = 0;
    for (int d = 0; d < t.GetNoDec(); ++d) total += shares[d];
    Require(total == n, "the distribution counts every object");
    // The pairwise count is quadratic; small tables only, so that a run stays fast.
    if (n <= 64) {
        const std::vector<float> weights = t.CountObjWeights();
        for (int i = 0; i < n; ++i) {
            long long sum = 0;
            for (int j = 0; j < n; ++j) sum += j == i ? 0 : t.CountEqualValues(i, j);
            Require(weights[i] == static_cast<float>(sum), "object weight");
        }
        Require(weights[n] == -1.0f, "weights end with -1");
    }
}

