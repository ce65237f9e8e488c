#pragma once

#include <cstdint>

#include "rough/reasoning/discernibility.h"

// The reducts straight from the clauses, without multiplying the clauses out: every minimal
// attribute set that meets each clause (a minimal transversal) is found once by a depth-first
// search that always branches on the clause with the fewest attributes left to choose from,
// and keeps per chosen attribute the clauses it alone meets, so that a set that cannot stay
// minimal is given up at once (the MMCS method of Murakami and Uno). The search holds the
// clauses, the reducts and one path of choices; its memory never grows with the terms a
// multiplying out would make.

namespace discern {

// The minimal transversals of the clauses (bit sets, none empty), each once, in the order
// the search meets them. No clause gives no transversal.
SetList MinimalTransversals(const SetList& clauses);

// The order in which the multiplying out of the clauses, taken in their order, first makes
// each minimal transversal.
//
// The multiplying out starts with one term per attribute of clause 0; at every further clause
// a term that meets it stays, any other one is replaced by itself extended with each of the
// clause's attributes in ascending order; of equal terms the first stays. A term is therefore
// the result of a sequence of choices, one attribute at each clause the term missed when it
// was reached, and the terms stand in the lexicographic order of those sequences (two
// sequences part at the same clause, where the smaller attribute comes first).
//
// A minimal transversal T is made by exactly the sequences that choose from T alone: every
// clause a partial set s of T misses holds an attribute of T, and once s meets every clause
// it is T, which is minimal. The first of those sequences, the one the term T keeps, is
// therefore found from T alone: start with s empty, go through the clauses, and each time s
// misses one add the smallest attribute of T in it. That sequence is T's key; sorted by key,
// the minimal transversals come in the order of their first terms. No key begins another:
// once s is all of T it meets every clause and nothing more is added, while two different
// minimal transversals never include one another.
//
// The keys are not written out: the transversals are split by the first attribute of their
// keys, each part by the next one, and so on, keeping for each part the clauses its common
// beginning s still misses (the first of them is where its next attribute is chosen). A part
// of one transversal is in place.
void OrderByExpansionKey(SetList& transversals, const SetList& clauses);

}  // namespace discern
