#pragma once

#include <vector>

// A decision table of 32-bit reals, loaded once from a text file and then only read: the
// searches over real-valued tables walk its per-attribute sorted orders to count objects and
// values inside intervals. Loading reports its stages on standard output.
//
// Data file: the number of objects, the number of columns, then the values object by object,
// the decision last. Types file: a count, then that many ints; 0 marks a symbolic attribute,
// anything else a numeric one.
//
// An index outside the table (object, attribute, position, decision index) is refused with
// CalcError(5), except where an operation answers -1 for it.
class TDataTable {
public:
    // Every attribute symbolic.
    explicit TDataTable(const char* dataFile);
    TDataTable(const char* dataFile, const char* typesFile);

    int GetNoObj() const { return NoObj; }
    int GetNoAttr() const { return NoAttr; }
    int GetNoDec() const { return NoDec; }

    // Value of attribute a of object o; a == NoAttr is the decision.
    float GetValue(int o, int a) const;
    float GetDecision(int o) const { return GetValue(o, NoAttr); }
    // 0 symbolic, anything else numeric; -1 for a number that is no attribute.
    int GetAttrType(int a) const;
    // NoObj object numbers in ascending order of attribute a (a == NoAttr: of the decision).
    const int* GetSortedIndex(int a) const;
    // The decision value with decision index d (decision values ascend with the index).
    float GetDecValue(int d) const;

    // -1 / -1.0 for a number that is no attribute; the int form truncates.
    int GetAttrRange(int a) const;
    float GetAttrRangeF(int a) const;
    // Position of the value among the decision values, -1 when it is none of them.
    int GetDecIndex(float value) const;

    int CountEqualValues(int i, int j) const;
    // Entry i: CountEqualValues(i, j) summed over all other objects j; then -1.0.
    std::vector<float> CountObjWeights() const;
    // Objects, and distinct values, of attribute a (a == NoAttr: the decision) in [lo, hi].
    int CountObjInRange(float lo, float hi, int a) const;
    int CountValuesInRange(float lo, float hi, int a) const;
    // count := length of the run of equal decisions that starts at position p of the
    // decision order; returns the position after it.
    int GetDecRun(int p, int& count) const;
    // Objects per decision value in ascending order, then -1; prints the shares.
    std::vector<int> GetDecDistribution() const;

private:
    void Load(const char* dataFile, const char* typesFile);
    void ReadValues(const char* name);
    void ReadTypes(const char* name);
    void SortAndMeasure();
    void CodeDecisions();
    void CheckAttr(int a) const;
    // The stretch [first, last) of attribute a's sorted order whose values lie in [lo, hi].
    void RangeInOrder(float lo, float hi, int a, int& first, int& last) const;

    int NoObj = 0;
    int NoAttr = 0;
    int NoDec = 0;
    std::vector<float> values;      // object o, column c at o * (NoAttr + 1) + c
    std::vector<int> sortedIndex;   // attribute a's order at a * NoObj
    std::vector<int> types;         // NoAttr
    std::vector<float> ranges;      // NoAttr
    std::vector<float> decValues;   // NoDec, ascending
};
