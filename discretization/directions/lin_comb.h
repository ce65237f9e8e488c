#pragma once

#include <cstdint>
#include <ostream>
#include <utility>
#include <vector>

#include "core/dense_table.h"

// The decision distribution of a table: the distinct decision values in ascending order (one
// slot each) and how many objects carry each. Only the order of the values matters to the
// measures, so values far apart cost no empty slots.
class TClassDistr {
public:
    // CalcError(10) when a decision is negative or missing: such a table has no classes the
    // measures can count.
    TClassDistr(const TDTable& table, int decAttr);

    int GetDecAttr() const { return decAttr; }
    int GetSlotCount() const { return static_cast<int>(values.size()); }
    int GetSlotValue(int k) const;
    int GetSlotObjects(int k) const;
    // The slot of a decision value; CalcError(10) for a value the table did not hold.
    int SlotOf(int value) const;

private:
    int decAttr;
    std::vector<int> values;
    std::vector<int> counts;
};

// A projected attribute: one real value per object, judged by how well it separates the
// decision classes. The measure type chosen at construction picks the judgement: 1 the gap
// measure, 3 the merge measure, anything else the runs measure.
class TProjection {
public:
    explicit TProjection(int measureType);
    virtual ~TProjection() = default;

    virtual double GetValue(const int* row, int columns) const = 0;

    // Projects every object of the table (all columns) into the cache.
    void Compute(const TDTable& table);
    // GetValue scaled by the last measure's scale, truncated toward zero.
    int GetIntValue(const int* row, int columns) const;
    // Writes GetIntValue of every source row into `column` of the row with the same number.
    void FillColumn(const TDTable& source, TDTable& target, int column) const;
    // Sorts permutation[0 .. objects-1] ascending by projection; 1 when two objects changed
    // places.
    int SortObjects(const TDTable& table, int* permutation);
    double Quality(const TDTable& table, const TClassDistr& classDistr);
    // Share of the largest class (the first of equals) when it reaches the threshold, else 0;
    // cls receives that class, or -1.
    static double Purity(const double* counts, int n, int& cls, double threshold);

    int GetMeasureType() const { return measureType; }
    double GetScale() const { return scale; }

protected:
    TProjection(const TProjection&) = default;
    TProjection& operator=(const TProjection&) = default;
    // The cache holds for one evaluation only; a changed combination must not reuse it.
    void ForgetProjections();

private:
    double QualityGap(const TClassDistr& classDistr);
    double QualityRuns();
    double QualityMerge(int slots);
    void SetScale(double minGap);

    std::vector<double> projections;
    int projectionCount = 0;  // valid entries of projections; 0 outside one evaluation
    double scale = 1.0;
    int measureType;

    // Work buffers of one evaluation, kept so that an evaluation allocates nothing.
    std::vector<int> order;
    std::vector<double> sortedValues;
    std::vector<int> sortedSlots;
    std::vector<std::pair<int, int>> pending;
    std::vector<long long> remaining;
    std::vector<double> blockP, blockQ, blockR, blockT, correct, errors;
    double epsilon = 0.0;
};

// A linear combination of attributes: the sum of coefficient x value over its pairs.
class TLinComb : public TProjection {
public:
    explicit TLinComb(int measureType = 2);
    TLinComb(const TLinComb&) = default;
    TLinComb& operator=(const TLinComb&) = default;

    double GetValue(const int* row, int columns) const override;

    void SetCoef(int attribute, double value);
    void Clear();
    // Spherical coordinates: n attributes, n-1 angles in degrees; the result has unit length.
    void SetAngles(int n, const int* attributes, const double* angles);
    void SetAngle2(int a1, int a2, double angle);
    void SetAngles3(int a1, int a2, int a3, double alpha, double beta);
    void Normalize();
    int IsAxisParallel() const;
    bool operator==(const TLinComb& other) const;
    int GetAttr(int j) const;
    int GetCount() const { return count; }

    // "count attribute coefficient ... " with 7 significant digits; the caller ends the line.
    friend std::ostream& operator<<(std::ostream& out, const TLinComb& comb);

private:
    void Grow();

    std::vector<double> coefficients;
    std::vector<int32_t> attributes;
    int count = 0;
};
