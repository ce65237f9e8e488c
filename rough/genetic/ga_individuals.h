#pragma once

#include <vector>

#include "rough/genetic/ga_engine.h"

// A permutation of 0..n-1: the individual under every genetic search of the program. A
// problem derives from it and supplies Clone and Evaluate (and may widen CopyFrom/Compare).
// Only crossover mode 0 (one-point order crossover) is implemented; modes 1 (OX) and 2 (PMX)
// say so on standard output and leave the genes alone.
class GA_permutation : public GA_individual {
public:
    // Already a random permutation when constructed (this draws n-1 numbers).
    GA_permutation(int n, int crossoverMode);

    void CopyFrom(const GA_individual& other) override;
    void Mutate() override;
    void Randomize() override;
    void Crossover(GA_individual& partner) override;
    int IsInvalid() const override;
    int Compare(const GA_individual& other) const override;

    int Length() const { return n; }
    const std::vector<int>& Genes() const { return genes; }

protected:
    std::vector<int> genes;
    int n;
    int crossoverMode;
};

// A vector of positive counts. Crossover swaps the tails after one cut, whose position is drawn
// with a square-root law (cut limit -1) or evenly below the cut limit (0 = below n).
class GA_counts : public GA_individual {
public:
    GA_counts(int n, int cutLimit, double incrementProbability);

    void CopyFrom(const GA_individual& other) override;
    void Mutate() override;
    void Randomize() override;
    void Crossover(GA_individual& partner) override;
    int IsInvalid() const override { return 0; }
    int Compare(const GA_individual& other) const override;

    int Length() const { return n; }
    const std::vector<int>& Genes() const { return genes; }

protected:
    std::vector<int> genes;
    int n;
    double incrementProbability;
    int cutLimit;
};

// A vector of bits with one-point crossover.
class GA_bits : public GA_individual {
public:
    explicit GA_bits(int n);

    void CopyFrom(const GA_individual& other) override;
    void Mutate() override;
    void Randomize() override;
    void Crossover(GA_individual& partner) override;
    int IsInvalid() const override { return 0; }
    int Compare(const GA_individual& other) const override;

    int Length() const { return n; }
    const std::vector<int>& Genes() const { return genes; }

protected:
    int n;
    std::vector<int> genes;
};
