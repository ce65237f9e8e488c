#pragma once

#include <vector>

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

    // Unchecked access for the engines' inner loops; o and a must be in range.
    const int* Row(int o) const { return values.data() + static_cast<long long>(o) * NoAttr; }
    int* Row(int o) { return values.data() + static_cast<long long>(o) * NoAttr; }
    int Value(int o, int a) const { return Row(o)[a]; }

private:
    void Reshape(int noObj, int noAttr);
    void LoadFromText(const char* name, const char* begin, const char* end);

    int NoObj = 0;
    int NoAttr = 0;
    int size = 0;
    std::vector<int> values;
};
