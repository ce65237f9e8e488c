#pragma once

#include <memory>

#include "rough/genetic/ga_individuals.h"

class TTable;
class TDecMemory;
class ReductEvaluator;

// An order of the condition attributes of an evaluator (gene g = its g-th condition
// attribute, ascending). Decoding drops the attributes in gene order as long as what is
// left still passes the evaluator's test, so every decoded individual is a reduct; the
// fitness is the cost the evaluator's store gives it.
class GA_reduct : public GA_permutation {
public:
    // Random, like every new permutation (this draws n - 1 numbers).
    GA_reduct(int n, ReductEvaluator* evaluator) : GA_permutation(n, 0), evaluator(evaluator) {}

    std::unique_ptr<GA_individual> Clone() const override;
    void Evaluate() override;

private:
    ReductEvaluator* evaluator;  // not owned
};

// Reducts by the genetic algorithm, handed to a receiver through AddRed: global or local
// (of one object, or of every object in turn), of the information system or relative to
// the decision (the last column).
class TGenRed {
public:
    TGenRed() = default;

    // maxReducts: how many of the best reducts are handed over; the speed level sets the
    // generations and the population size, and rises (with a LOG warning per level) until
    // that many reducts can be found. local 0 ignores object; local 1 with object -1 runs
    // every object in turn. Returns 1.
    int Calculate(TTable* table, TDecMemory* receiver, int maxReducts, int speedLevel, int relative,
                  int local, int object);

    // Generations and population size of a speed level, the level raised (with a LOG
    // warning per level) until maxReducts <= generations x population size / 3.
    void SetSpeed(int level, int maxReducts);
    long long GetNoGenerations() const { return generations; }
    int GetPopulationSize() const { return populationSize; }

private:
    // Generations can exceed int at high levels; the level arithmetic is done in 64 bits.
    long long generations = 10;
    int populationSize = 10;
};

// One generation of the evaluator's search. A failure of the genetic engine or of the subset
// code is written to the LOG and the search goes on; other exceptions pass.
void GuardedGeneration(ReductEvaluator& evaluator, int populationSize);
