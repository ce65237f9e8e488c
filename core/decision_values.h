#pragma once

#include <cstddef>
#include <vector>

class TTable;

// The decision values of one table in order of first appearance, with the number of objects
// of each, a distribution entry and a coverage per value, and a total accuracy and coverage.
// The distribution and coverage entries are filled by the classifiers that use the object.
class TDValInfo {
public:
    static constexpr int kMaxValues = 100;

    TDValInfo();
    TDValInfo(const TDValInfo& other);
    TDValInfo& operator=(const TDValInfo& other);

    void Reset();

    int GetNoDecVal() const { return noDecVal; }
    double GetAccuracy() const { return accuracy; }
    double GetCoverage() const { return coverage; }
    void SetAccuracy(double value) { accuracy = value; }
    void SetCoverage(double value) { coverage = value; }

    // Entry i, 0 <= i < GetNoDecVal().
    int GetDecVal(int i) const;
    int GetDCNoObj(int i) const;
    double GetDistrib(int i) const;
    void SetDecInfo(int i, double value);
    double GetDecValCov(int i) const;
    void SetDecValCov(int i, double value);

    // The number of objects of a recorded decision value.
    int GetDCForDecVal(int value) const;

    void AddDecVal(int value);
    // Records the decision column of every object; returns the number of objects.
    int CalcFromTable(const TTable& table);
    void CountObjFromTable(const TTable& table);

    void Print() const;
    void PrintDistrib() const;

    void Save(const char* name) const;
    void Load(const char* name);

private:
    // i as an index of the recorded values; otherwise the message goes to the LOG and the
    // index error is raised.
    std::size_t Checked(int i, const char* message) const;

    int max = kMaxValues;
    int noDecVal = 0;
    std::vector<int> decVal;
    std::vector<int> noObj;
    double accuracy = 0.0;
    std::vector<double> distrib;
    double coverage = 0.0;
    std::vector<double> decValCov;
};
