#pragma once

#include <cstdint>
#include <vector>

#include "core/alloc_guard.h"
#include "experiments/lazy_classifier.h"

// 1 when the set `outer` contains the set `inner`.
inline bool ContainsSet(const std::uint64_t* outer, const std::uint64_t* inner, int words) {
    for (int w = 0; w < words; ++w) {
        if ((inner[w] & ~outer[w]) != 0) return false;
    }
    return true;
}

// What a scan of the positions whose agreement set contains a given one found.
struct ContainingScan {
    long long all = 0;   // objects behind the positions scanned
    long long same = 0;  // of them, those of the decision asked about
    bool contradicted = false;

    // Enough of the scanned objects hold the decision (a threshold of 1: all of them).
    bool Confident(double threshold) const {
        return all > 0 && static_cast<double>(same) / static_cast<double>(all) >= threshold;
    }
};

// The rule read from the agreement set of position i: scans, in order, the positions j that
// `admit` lets in and whose set contains that of i (i itself included when admitted),
// collecting those of decision d. With stopAtOther the first one of another decision ends
// the scan as a contradiction; otherwise all are scanned and counted.
template <class Admit, class DecisionOf, class CountOf>
ContainingScan ScanContaining(const TAgreementMasks& masks, int i, int d, bool stopAtOther, Admit admit,
                              DecisionOf decisionOf, CountOf countOf, std::vector<int>& collected) {
    ContainingScan scan;
    collected.clear();
    const int words = masks.GetWords();
    const std::uint64_t* own = masks.Mask(i);
    for (int j = 0; j < masks.GetSize(); ++j) {
        if (!admit(j) || !ContainsSet(masks.Mask(j), own, words)) continue;
        const long long count = countOf(j);
        scan.all += count;
        if (decisionOf(j) != d) {
            if (stopAtOther) {
                scan.contradicted = true;
                return scan;
            }
            continue;
        }
        scan.same += count;
        OrOutOfMemory([&] { collected.push_back(j); });
    }
    return scan;
}

// When a rule read from an agreement set is trusted: Consistent when no containing position
// holds another decision, ConfidentAt when the share of its own decision among them reaches
// the threshold. Either way the trusted rule covers the collected positions.
struct Consistent {
    static constexpr bool kStopsAtOther = true;
    bool operator()(const ContainingScan& scan) const { return !scan.contradicted; }
};

struct ConfidentAt {
    static constexpr bool kStopsAtOther = false;
    double threshold;
    bool operator()(const ContainingScan& scan) const { return scan.Confident(threshold); }
};
