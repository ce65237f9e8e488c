#pragma once

#include <cstdint>
#include <vector>

#include "rough/discernibility.h"

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

// Minimalization, the multiplying out of the clauses shared by both reasoners: one term per
// attribute of `first` (the first clause's, in order); then, clause by clause, a term that
// meets the clause stays, any other one is replaced by itself extended with each attribute
// of the clause in turn; of equal terms the first stays.
SetList MultiplyOut(const ClauseSets& clauses, const std::vector<int>& first);

}  // namespace discern
