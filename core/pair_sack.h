#pragma once

#include <istream>
#include <ostream>
#include <utility>
#include <vector>

// Growable array of integer pairs (attribute and value, or a candidate and its score). The
// step and capacity are the visible arithmetic of TIntSack: capacity grows by step when
// count + 1 reaches it.
class TInt2Sack {
public:
    TInt2Sack() = default;

    void Clear();

    int GetNoElem() const { return static_cast<int>(data.size()); }
    int GetStep() const { return step; }
    int GetCapacity() const { return capacity; }

    void AddElem(int a, int b);
    void AddUnique(int a, int b);
    // Keeps at most five pairs, those with the largest second values.
    void AddKeepBest(int a, int b);
    void GetElem(int i, int& a, int& b) const;
    void RemoveElem(int a, int b);

    // Text: the count on a line, then every pair as "a b  " on one line. Binary: the count
    // and then the pairs as little-endian 32-bit integers.
    void Write(std::ostream& out, int binary) const;
    void Read(std::istream& in, int binary);

private:
    void Append(int a, int b);

    int step = 10;
    int capacity = 10;
    std::vector<std::pair<int, int>> data;  // the count is its size
};
