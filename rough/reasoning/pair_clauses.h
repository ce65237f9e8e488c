#pragma once

#include <cstdint>
#include <vector>

#include "rough/reasoning/discernibility.h"

class TTable;

// The distinct clauses of the pairs of objects a matrix has to tell apart, each once, in the
// order of the first pair that gives it. Both reasoners build their matrices from these: a
// pair whose clause was given by an earlier pair changes nothing in either matrix.
//
// The pairs are not visited in their own order. The condition values are recoded per
// attribute into small numbers, one lane of a row each, so that one vector comparison
// covers many attributes of a pair; objects equal to an earlier one on the conditions (and,
// relative to the decision, on the decision) are left out, since every pair of theirs gives
// its clause again at an earlier pair of that object; relative to the decision, an object
// is compared only with the objects of other decisions. The first pair of each clause is
// recorded as its position in the full order (i ascending, then j < i ascending) and the
// clauses are ordered by it at the end.

namespace discern {

// Pairs (i, j), j < i, of the whole table; relative: only those whose decisions (the last
// column) differ. missing = 1: a missing value on either side never discerns.
SetList DistinctPairClauses(const TTable& table, int k, int relative, int missing);

// Pairs (j, object), j != object, in ascending j, as the per-object matrices visit them.
SetList DistinctObjectClauses(const TTable& table, int object, int k, int relative, int missing);

}  // namespace discern
