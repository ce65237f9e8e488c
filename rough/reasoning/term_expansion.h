#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "rough/reasoning/discernibility.h"

namespace discern {

// The clauses of a matrix as bit sets, in matrix order, each with its attributes in the
// order in which it extends a term (each attribute once).
struct ClauseSets {
    explicit ClauseSets(int words) : sets(words) {}
    int Size() const { return sets.Size(); }
    int Words() const { return sets.Words(); }
    const uint64_t* At(int i) const { return sets.At(i); }
    void Add(const uint64_t* set, std::vector<int> order) {
        sets.Append(set);
        attrs.push_back(std::move(order));
    }

    SetList sets;
    std::vector<std::vector<int>> attrs;
};

// The attributes of a set that are the only one it shares with some clause, into `alone`
// (as many words as the clauses have); true when that is every attribute of the set. Once it
// is, no further clause can change that. FixedWords: the clauses' word count when it is known
// at compile time, else 0.
template <int FixedWords = 0>
bool AloneAttributes(const uint64_t* set, const ClauseSets& clauses, uint64_t* alone) {
    const int words = FixedWords != 0 ? FixedWords : clauses.Words();
    int size = 0;
    for (int w = 0; w < words; ++w) size += std::popcount(set[w]);
    std::fill(alone, alone + words, 0);
    int found = 0;
    for (int ci = 0; ci < clauses.Size() && found < size; ++ci) {
        const uint64_t* c = clauses.At(ci);
        int common = 0;
        int at = 0;
        for (int w = 0; w < words && common < 2; ++w) {
            const uint64_t x = set[w] & c[w];
            if (x == 0) continue;
            common += (x & (x - 1)) == 0 ? 1 : 2;
            at = w;
        }
        if (common != 1) continue;
        const uint64_t bit = set[at] & c[at];
        if ((alone[at] & bit) == 0) {
            alone[at] |= bit;
            ++found;
        }
    }
    return found == size;
}

// Minimalization, the multiplying out of the clauses shared by both reasoners: one term per
// attribute of `first` (the first clause's, in order); then, clause by clause, a term that
// meets the clause stays, any other one is replaced by itself extended with each attribute
// of the clause in turn; of equal terms the first stays.
SetList MultiplyOut(const ClauseSets& clauses, const std::vector<int>& first);

}  // namespace discern
