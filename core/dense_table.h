#pragma once

#include <vector>

// The integer table of the linear-combination search. Its text form admits real numbers
// (truncated toward zero) and '?' for a missing value, and it remembers its decision column.
// Out-of-range accesses are the caller's programming errors: they stop the process through
// assertions instead of raising coded errors.
class TDTable {
public:
    static constexpr int kMissing = static_cast<int>(0x80000009u);

    TDTable() = default;
    TDTable(int l_obj, int l_attr);
    TDTable(const TDTable& other) = default;
    TDTable& operator=(const TDTable& other) = default;
    ~TDTable() = default;

    int GetObjCount() const { return l_obj; }
    int GetAttrCount() const { return l_attr; }
    int Get(int o, int a) const;
    void Set(int o, int a, int value);
    int GetDecAttr() const;
    void SetDecAttr(int a) { attr_dec = a; }
    int* GetRow(int o);
    const int* GetRow(int o) const;

    // 0 on success; 1 when nothing was loaded, and then the table is exactly as before.
    int Load(const char* name);
    // 0 when everything was written; 1 otherwise (an empty table writes its header only).
    int Save(const char* name) const;

private:
    int l_obj = 0;
    int l_attr = 0;
    std::vector<int> data;  // row-major: object o, attribute a at o * l_attr + a
    int attr_dec = -1;
};
