#pragma once

#include <cstdint>

#include "rough/reasoning/discernibility.h"

// The reducts straight from the clauses, without multiplying the clauses out: every minimal
// attribute set that meets each clause (a minimal transversal), found once by a depth-first
// search that keeps per chosen attribute the clauses it alone meets, so that a set that
// cannot stay minimal is given up at once (as in the MMCS method of Murakami and Uno). The
// search holds the clauses, the reducts and one path of choices; its memory never grows with
// the terms a multiplying out would make.

namespace discern {

// The minimal transversals of the clauses (bit sets, none empty, in the reasoner's order),
// each once, in the order in which the multiplying out of the clauses, taken in their order,
// first makes each of them. No clause gives no transversal.
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
// misses one add the smallest attribute of T in it. That sequence is T's key; in the order
// of their keys, the minimal transversals come in the order of their first terms. No key
// begins another: once s is all of T it meets every clause and nothing more is added, while
// two different minimal transversals never include one another.
//
// So the search is made to meet them in that order. At a set s it branches on the first
// clause s misses, on each of its attributes a in ascending order, and below a none of the
// clause's attributes smaller than a may be chosen: the transversals found below a are those
// whose smallest attribute in the clause is a, which is the next step of their keys. Every
// minimal transversal is found once, along its key, and the keys come out in lexicographic
// order; no sort follows. A set is given up when a chosen attribute no longer alone meets a
// clause (it cannot become minimal), or when a clause it misses has no attribute left that
// may still be chosen.
SetList MinimalTransversals(const SetList& clauses);

// Where the processor has them, the search uses instructions that work on eight clauses at
// once; for tests, false keeps it to its plain loops (the same results).
void AllowWideSteps(bool allowed);

}  // namespace discern
