#pragma once

#include <functional>
#include <vector>

#include "core/dense_table.h"
#include "discretization/directions/lin_comb.h"

// Told the fraction of the work done; a result other than 0 asks the search to stop.
using TDirectionCallback = std::function<int(double fraction)>;

// Prints the fraction as a percentage progress line; never asks to stop.
int DirectionProgress(double fraction);

// The search for good directions over small subsets of the condition attributes of a table
// whose decision is its last column.
class TDirSearch {
public:
    int n = 0;  // size of the current subset: the problem size of the evolution strategy

    TDirSearch(const TDTable& table, const TClassDistr& classDistr);

    // The best combination of `size` attributes over up to 25 random subsets, into result;
    // each of its attributes has its weight lowered by one. lo and hi bound the fractions
    // reported to the callback. Returns the callback's last stop request.
    int FindBestDirection(TLinComb& result, int size, std::vector<int>& weights,
                          const TDirectionCallback& callback, double lo, double hi);
    // Optimises the direction over subset[0 .. size-1]; the best one is left in combination.
    void Optimize(TLinComb& combination, const int* subset, int size);
    // Makes combination, size and a copy of the subset the problem that Evaluate solves;
    // Optimize starts with it.
    void Prepare(TLinComb& combination, const int* subset, int size);
    // The quality of the direction that the angles give over the current subset.
    double Evaluate(const double* angles);

    int GetSize() const { return n; }

private:
    std::vector<int> attributes;
    TLinComb* combination = nullptr;
    const TDTable& table;
    const TClassDistr& classDistr;
};

// The GENERATE_DIRECTIONS engine: one line per pattern digit in the output file.
class TLinCombMaker {
public:
    void GenerateLinComb(const char* tableFileName, const char* pattern, int measureType,
                         const char* outputFileName);
};
