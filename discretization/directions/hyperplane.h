#pragma once

#include <memory>
#include <vector>

#include "core/int_sack.h"

class TTable;

// An oblique cut: one integer coefficient per conditional attribute, then the constant term.
// An object lies on the positive side when the weighted sum of its values plus the constant
// is at least 0. The fitness is a count of object pairs, so it is kept in 64 bits.
class THyper {
public:
    void CopyFrom(const THyper& other);
    void AddCoef(int value) { coefficients.AddElem(value); }
    int GetCoef(int i) const { return coefficients.GetElem(i); }
    int GetNoCoef() const { return coefficients.GetNoElem(); }
    void SetCoef(int i, int value) { coefficients.SetElem(i, value); }
    long long GetFitness() const { return fitness; }
    void SetFitness(long long value) { fitness = value; }

    // 1 on the positive side, else 0; the table needs 2 columns or more, the hyperplane one
    // coefficient per column.
    int CheckHyperplane(const TTable& table, int object) const;
    // The sides of every object, checked once for the whole table.
    void Sides(const TTable& table, std::vector<char>& side) const;
    void Print() const;

private:
    void CheckShape(const TTable& table) const;

    TIntSack coefficients;
    long long fitness = 0;
};

// Owning list of hyperplanes; capacity 10, growing by 10 when count + 1 reaches it before an
// append.
class THyperSet {
public:
    THyperSet() = default;
    THyperSet(const THyperSet&) = delete;
    THyperSet& operator=(const THyperSet&) = delete;

    void Clear();
    void Add(std::unique_ptr<THyper> hyper);
    THyper& GetHyper(int i) const;
    long long GetFitness(int i) const;
    int GetNoElem() const { return static_cast<int>(hypers.size()); }
    int GetCapacity() const { return capacity; }

    // Pairs of objects of different decisions that a hyperplane of `chosen` or, failing that,
    // the candidate puts on different sides; stored as the candidate's fitness.
    long long Fitness(const TTable& table, THyper& candidate, const THyperSet& chosen) const;
    // The same with the chosen set already grouped by SideGroups: many candidates against one
    // chosen set group it once.
    long long FitnessInGroups(const TTable& table, THyper& candidate, const std::vector<int>& chosenGroups) const;
    void EvaluateFrom(const TTable& table, int start, const THyperSet& chosen);
    void EvaluateFrom(const TTable& table, int start, const std::vector<int>& chosenGroups);
    // The largest fitness, the first of equals.
    THyper& GetMaximalHyper() const;
    // Objects that every object of another decision is separated from by some hyperplane.
    int CountPositiveRegion(const TTable& table) const;
    // Pairs of objects of different decisions separated by some hyperplane of the set.
    long long CountSeparatedPairs(const TTable& table) const;
    // One 0/1 column per hyperplane (then the extra one's, when given), the decision last.
    void MakeTable(const TTable& table, TTable& target, const THyper* extra) const;
    // Keeps the `keep` fittest hyperplanes (the earlier of equals) in their order.
    void KeepFittest(int keep);
    // Group numbers of the objects by their sides of every hyperplane of the set, refined
    // hyperplane by hyperplane in set order.
    std::vector<int> SideGroups(const TTable& table) const;

private:
    int capacity = 10;
    std::vector<std::unique_ptr<THyper>> hypers;
};

// Finds hyperplanes one at a time by a random search until the positive region of the chosen
// ones is large enough.
class THyperGA {
public:
    THyperGA() = default;
    THyperGA(const THyperGA&) = delete;
    THyperGA& operator=(const THyperGA&) = delete;

    // Throws CalcError 4 when kMaxTries random hyperplanes in a row separate no pair.
    void Run(const TTable& table, THyper& result);
    void Mutate(const TTable& table);
    void Select();
    // Stops at a positive region of 300 objects, or of every object that no object of another
    // decision equals on the conditions when there are fewer; short of that only after
    // kMaxTries random hyperplanes in a row separate no new pair, with a line that says so.
    void FindHyperplanes(const TTable& table);
    void MakeTable(const TTable& table, TTable& target) const;

    const THyperSet& GetChosen() const { return chosen; }
    THyperSet& GetPopulation() { return population; }
    void SetMutationRate(int rate) { mutationRate = rate; }

    static constexpr int kRegionGoal = 300;
    static constexpr int kMaxTries = 10000;

private:
    // Run against the chosen set grouped as `chosenGroups`; false when step 2 gave up after
    // kMaxTries draws. `draws` counts the random hyperplanes drawn.
    bool Round(const TTable& table, const std::vector<int>& chosenGroups, THyper& result, int& draws);

    THyperSet chosen;
    THyperSet population;
    int generations = 1;
    int mutationRate = 80;
    int populationSize = 5;
};
