#pragma once

#include <vector>

class TDValInfo;

// Growable array of distinct integers, each with the number of times it was added (its
// weight) and a real weight derived from it. Capacity grows by step as in TIntSack.
class TWIntSack {
public:
    TWIntSack() = default;
    explicit TWIntSack(int n);

    void Reset();

    void Add(int value);
    void Add(int value, int weight);

    int GetSize() const { return static_cast<int>(entries.size()); }
    int GetStep() const { return step; }
    int GetCapacity() const { return capacity; }
    int GetElem(int i) const;
    int GetWeight(int i) const;
    float GetFWeight(int i) const;

    // Largest real weight first; the arrangement of equal weights is the quicksort's.
    void Sort();
    // Each element codes two decision values as 10 * d1 + d2; its real weight becomes its
    // weight divided by the number of objects of d1 and d2 together (0 when there are none).
    void CalcFWeights(const TDValInfo& info);

private:
    struct Entry {
        int element;
        int weight;
        float fweight;
    };

    int step = 10;
    int capacity = 10;
    std::vector<Entry> entries;  // the count is its size
};
