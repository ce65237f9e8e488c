#pragma once

#include <memory>
#include <ostream>
#include <vector>

class TTable;

// Growable array of integers: attribute lists, object lists, reducts, bit-mask clauses.
// Several operations expect the sack to be ascending (membership, inclusion, insertion);
// others treat the elements as bit masks of attributes.
//
// The step and capacity are the sack's visible arithmetic: capacity grows by step when
// count + 1 reaches it. The storage behind it grows geometrically, so that a large sack
// with a small step stays linear to fill.
class TIntSack {
public:
    TIntSack() = default;
    explicit TIntSack(int n);
    TIntSack(const TIntSack& other) { *this = other; }
    TIntSack& operator=(const TIntSack& other);
    int operator==(const TIntSack& other) const;

    void Clear();

    int GetNoElem() const { return static_cast<int>(data.size()); }
    int GetStep() const { return step; }
    int GetCapacity() const { return capacity; }

    // Room behind the sack for n elements, so that adding that many allocates once; the
    // visible capacity is not touched.
    void ReserveStorage(int n);
    void AddElem(int value);
    void AddUnique(int value);
    void InsertSorted(int value);
    void AddAbsorb(int mask);

    // Read in the inner loops of rule and reduct comparisons: the check stays, its failure
    // path is out of line.
    int GetElem(int i) const {
        if (i < 0 || i >= GetNoElem()) [[unlikely]] BadGetElem();
        return data[static_cast<size_t>(i)];
    }
    void SetElem(int i, int value);
    void RemoveElem(int i);
    void RemoveValue(int value);
    void Swap(int i, int j);

    void Sort();
    void QuickSort(int lo, int hi);
    void SortByBitCount(int n);

    int IsIn(int value) const;
    int IsInSorted(int value) const;
    int Included(const TIntSack& sorted) const;
    int Meets(const TIntSack& sorted) const;
    int SingleCommonElem(const TIntSack& sorted) const;
    void CopyWithInserted(const TIntSack& sorted, int x);

    // mode 0: rows of this sack, all columns; mode 1: all rows, columns of this sack;
    // any other mode: rows of this sack, columns of `other`.
    std::unique_ptr<TTable> MakeSubTable(const TTable& table, const TIntSack* other, int mode) const;

    void Print(std::ostream& out) const;
    void Save(const char* name) const;
    void Load(const char* name);

    // Unchecked access for inner loops; i must be in 0 .. count - 1.
    int operator[](int i) const { return data[static_cast<size_t>(i)]; }
    int& operator[](int i) { return data[static_cast<size_t>(i)]; }
    const int* begin() const { return data.data(); }
    const int* end() const { return data.data() + data.size(); }

private:
    void GrowForOneMore();
    void QuickSortByKeys(std::vector<int>& keys, int lo, int hi);
    void SwapWithKeys(std::vector<int>& keys, int i, int j);

    int step = 10;
    int capacity = 10;
    [[noreturn]] static void BadGetElem();
    std::vector<int> data;  // the count is its size
};

// Owning growable array of sacks (clause and term sets). A slot may be null after ClearElem
// or the removals, until Compact drops the null slots.
class TIntSackSet {
public:
    explicit TIntSackSet(int n);
    TIntSackSet(const TIntSackSet&) = delete;
    TIntSackSet& operator=(const TIntSackSet& other);

    int GetNoElem() const { return static_cast<int>(data.size()); }
    int GetStep() const { return step; }
    int GetCapacity() const { return capacity; }

    void AddElem(std::unique_ptr<TIntSack> sack);
    // i must be in 0 .. count - 1.
    TIntSack* GetElem(int i) const { return data[static_cast<size_t>(i)].get(); }
    // Empties slot i and hands its sack to the caller.
    std::unique_ptr<TIntSack> ClearElem(int i);
    void Swap(int i, int j);

    void SortBySize();
    void QuickSortBySize(int lo, int hi);
    void Compact();
    void RemoveDuplicates();
    void RemoveSupersets(int minLen, int maxLen);

private:
    int step;
    int capacity;
    std::vector<std::unique_ptr<TIntSack>> data;  // the count is its size
};
