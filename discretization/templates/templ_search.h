#pragma once

#include <vector>

#include "discretization/templates/gen_templ.h"

class TTable;
class TInt2Sack;
class TInt2Tree;

// Genetic search of one generalized template around a seed object. A generation mutates
// (every mutation removes one admissible value) and then selects.
class TTemplGA {
public:
    TTemplGA() = default;
    TTemplGA(const TTemplGA&) = delete;
    TTemplGA& operator=(const TTemplGA&) = delete;

    // Support bound: a template matching `bound` or more uncovered objects has fitness 0.
    void Run(const TTable& table, const std::vector<int>& covered, int seedObject, const TInt2Sack& frequentPairs,
             TGenTempl& result, int bound);
    // The full template of the seed (every conditional attribute with the seed's value) and,
    // when it has a descriptor, the template the hill climb's first step builds, each with its
    // fitness. Every member matches the seed, and so does every mutant.
    void InitPopulation(const TTable& table, const std::vector<int>& covered, int seedObject, int bound);
    void Mutate(const TTable& table, const std::vector<int>& covered, const TInt2Sack& frequentPairs, int bound);
    void Select();

    TGenTemplFamily& GetPopulation() { return population; }
    int GetGenerations() const { return generations; }
    int GetElite() const { return elite; }
    double GetMutationProbability() const { return probabilities[0]; }

private:
    int generations = 200;
    double probabilities[3] = {0.2, 0.2, 0.2};
    int elite = 50;
    TGenTemplFamily population;
};

// The count a pair needs to be frequent: the least t that fewer than 100 pairs reach, written
// as "MinTune=" with the number of pairs reaching it, and one less when fewer than 10 do.
int FrequencyThreshold(const TInt2Tree& pairs);

// Covers at least 90% of the table's objects with templates, one template per pass, and
// reports the passes on standard output. Ends early when the table has no conditional
// attribute or a pass covers no new object.
void SearchTemplates(TGenTemplFamily& family, const TTable& table);
