#pragma once

#include <vector>

class TIntSack;

// The decision table: one row per object, one column per attribute, the decision in the
// last column. Values are stored row by row.
class TTable {
public:
    // Stands for a missing value in the algorithms; stored and written like any number.
    static constexpr int MissingValue = 2147483647;
    // A file whose header announces no values (0 objects or 0 attributes) may announce at
    // most this many of the other: nothing in the file can confirm a larger count.
    static constexpr int kMaxCountWithoutValues = 1000000;

    TTable() = default;
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable& other);

    int GetSize() const { return size; }
    int GetNoObj() const { return NoObj; }
    int GetNoAttr() const { return NoAttr; }

    void CreateTable(int noObj, int noAttr);
    void Clear();

    int GetElem(int i) const;
    // Only the linear index o * NoAttr + a is checked.
    int GetTable(int o, int a) const;
    void SetTable(int o, int a, int v);

    void AddAttribute();
    void AddObject();
    void SetDecAttr(int a);

    void Load(const char* name);
    void Save(const char* name) const;
    // How Save reports a file it cannot write: its LOG line, then CalcErrorText 7.
    [[noreturn]] static void SaveFailed(const char* name);

    // Row comparisons, over all columns, the decision alone, or the attributes of a list in
    // list order: at the first column where the rows differ, -1 when r1 holds the larger
    // value and 1 when it holds the smaller one; 0 when they agree everywhere. Rows (and the
    // attributes of a list) must be in range.
    int CompareRows(int r1, int r2) const;
    int CompareDec(int r1, int r2) const;
    int CompareRowsOn(int r1, int r2, const TIntSack& attrs) const;
    // The rows named by entries i and j of an index array.
    int CompareIndexedRowsOn(const std::vector<int>& index, int i, int j, const TIntSack& attrs) const;
    void SwapRows(int r1, int r2);

    // Ascending sorts; the three whole-table sorts write "Sorting table..." when there are
    // two rows or more. Rows that compare equal on the decision or on the list keep the
    // arrangement the pivot-first quicksort gives them.
    void QuickSortRows(int lo, int hi);
    void Sort();
    void SortByDec();
    void SortOn(const TIntSack& attrs);
    // Sorts the row numbers of an index array instead of the rows.
    void SortIndexOn(std::vector<int>& index, const TIntSack& attrs) const;

    // 1 when the rows agree on all condition columns / all columns / the listed ones, else 0.
    int EqualCondRows(int r1, int r2) const;
    int EqualRows(int r1, int r2) const;
    int EqualRowsOn(int r1, int r2, const TIntSack& attrs) const;

    // Keeps one row of every group of equal rows, the rows ascending.
    void RemoveReplicas();
    // NoObj * ratio (truncated) objects drawn at random go to `first`, the others to
    // `second`, each part in table order; 0 < ratio < 1.
    void SplitTable(double ratio, TTable& first, TTable& second) const;
    // n objects drawn at random, in table order; 1 <= n < NoObj.
    void GetSubTable(int n, TTable& target) const;

    // Reads a text data file of real numbers, one object per row: every column but the last
    // is multiplied by 10 `precision` times, and every value is truncated toward zero.
    void ImportFloatData(const char* name, int precision);

    // Unordered pairs of objects with different decisions that differ on a condition column.
    long long CountDiscernedPairs() const;

    // Unchecked access for the engines' inner loops; o and a must be in range.
    const int* Row(int o) const { return values.data() + static_cast<long long>(o) * NoAttr; }
    int* Row(int o) { return values.data() + static_cast<long long>(o) * NoAttr; }
    int Value(int o, int a) const { return Row(o)[a]; }
    // A file may announce objects without any column: such a table has no decision, and the
    // engines that read one ask first, failing as the checked access does.
    void RequireDecisionColumn() const {
        if (NoObj > 0 && NoAttr < 1) GetTable(0, NoAttr - 1);
    }

private:
    void Reshape(int noObj, int noAttr);
    // Puts row order[i] at position i, for every i.
    void ReorderRows(const std::vector<int>& order);
    // Fills `first` with the marked objects and `second` with the others, in table order.
    void CopyParts(const std::vector<bool>& marked, int noMarked, TTable& first, TTable* second) const;
    void LoadFromText(const char* name, const char* begin, const char* end);

    int NoObj = 0;
    int NoAttr = 0;
    int size = 0;
    std::vector<int> values;
};

// Sorts the row numbers of a table in descending order of their condition columns (all but
// the last), so that rows equal on the conditions stand together. The order within such a
// group is not defined.
class TRowSorter {
public:
    explicit TRowSorter(const TTable& table);

    // 1 when row r1 holds the larger value at the first condition column where the rows
    // differ, -1 when the smaller, 0 when they agree on every condition column.
    int CompareCondRows(int r1, int r2) const;
    void SwapIndex(int i, int j);
    void QuickSortIndex(int lo, int hi);
    void SortIndex();

    const std::vector<int>& GetIndex() const { return index; }

private:
    const TTable& table;
    std::vector<int> index;
};
