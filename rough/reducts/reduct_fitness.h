#pragma once

#include "rough/decision/subset.h"

class TTable;

// What the genetic reduct search asks of a candidate attribute set: does it still discern
// what it must (Test, supplied by a subclass), and how good is it (Fitness). Evaluate learns
// as it goes: every subset that passed is kept in the store with its fitness, best first,
// and every subset that failed in the failure set, so that no subset is tested twice and a
// superset of a known reduct passes without a test.
class ReductFitness {
public:
    using Subset = genetic_subsets::Subset;

    explicit ReductFitness(const TTable* table) : table(table) {}
    virtual ~ReductFitness() = default;
    ReductFitness(const ReductFitness&) = delete;
    ReductFitness& operator=(const ReductFitness&) = delete;

    // -1: every reduct weighs 1.0; 0: fewer classes first, then fewer attributes; any other
    // mode: fewer attributes only.
    void SetMode(int m) { mode = m; }
    int GetMode() const { return mode; }

    // k is the number of classes the subset induces (1 for a local test).
    virtual double Fitness(const Subset& subset, int k) const;
    // k > 0 when the subset passes (the number of classes, or 1), 0 when it fails.
    virtual int Test(const Subset& subset) = 0;

    // 1 or 0; remembers the answer (store or failure set).
    int Evaluate(const Subset& subset);

    // The cost of the best stored reduct contained in the subset; 0.0 when there is none.
    double GetCost(const Subset& subset) const { return store.GetCost(subset); }
    int GetNoReducts() const { return store.GetCount(); }
    const Subset* GetReduct(int i) const { return store.Item(i); }

protected:
    const TTable* table;  // not owned
    int mode = 1;
    genetic_subsets::ReductStore store;
    genetic_subsets::SubsetSet failures;
};
