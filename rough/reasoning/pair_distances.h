#pragma once

#include <string>
#include <vector>

class TTable;

// Distances between objects given as a list of pairs rather than as a full object-by-object
// matrix: a matrix of 10^4 objects would take 800 MB for a few thousand listed pairs. Every
// pair not listed reads 0.0, as the cells of a zeroed matrix do, and a pair listed twice
// keeps the later distance, as a matrix cell written twice does.
class PairDistances {
public:
    struct Entry {
        int to;
        double distance;
    };

    // The pair table's rows (object i, object j, support a, support b, distance x 1,000,000,
    // further columns ignored): when a and b both exceed minSupport, the distance is stored
    // from i to j only. A table of fewer than 5 columns, or one naming an object outside
    // 0 .. noObj - 1 in any row, is refused before anything is stored: the LOG line "Bad
    // number of element in " with `operation` and a blank, then CalcError 5.
    PairDistances(const TTable& pairs, int noObj, int minSupport, const char* operation);

    double At(int i, int j) const;
    // The listed distances from object i, ascending by the other object.
    const Entry* RowBegin(int i) const { return entries.data() + rowStart[static_cast<size_t>(i)]; }
    const Entry* RowEnd(int i) const { return entries.data() + rowStart[static_cast<size_t>(i) + 1]; }
    long long Listed() const { return static_cast<long long>(entries.size()); }

    // Over the stored rows as they were read, overwritten ones included: the smallest
    // positive distance (1e6 when there is none) and the largest (at least 0).
    double MinDist() const { return minDist; }
    double MaxDist() const { return maxDist; }
    // "MinDist=" and "MaxDist=" with those values, a line each, on standard output.
    void PrintRange() const;

private:
    std::vector<long long> rowStart;  // noObj + 1 offsets into entries
    std::vector<Entry> entries;
    double minDist = 1000000.0;
    double maxDist = 0.0;
};

// A double as the standard output shows it: six significant digits, the shorter of the fixed
// and the exponent form.
std::string ShortDouble(double value);
