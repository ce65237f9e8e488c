#pragma once

#include <memory>

#include "rough/genetic/ga_individuals.h"

// A small real problem for the genetic engine: permutations scored by their fixed points.
// Its evaluation costs next to nothing, so runs measure and exercise the engine itself.
class FixedPoints : public GA_permutation {
public:
    using GA_permutation::GA_permutation;
    std::unique_ptr<GA_individual> Clone() const override {
        auto copy = NewIndividual<FixedPoints>(n, crossoverMode);
        copy->CopyFrom(*this);
        return copy;
    }
    void Evaluate() override {
        fitness = 0.0;
        for (int i = 0; i < n; ++i)
            if (genes[i] == i) fitness += 1.0;
    }
};
