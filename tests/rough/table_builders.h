#pragma once

#include <initializer_list>
#include <vector>

#include "core/random.h"
#include "core/table.h"

// Tables for the tests of the rough-set engines: written out row by row, or drawn from the
// program's generator with few distinct values so that objects repeat on their conditions.
inline void FillTable(TTable& t, std::initializer_list<std::initializer_list<int>> rows) {
    const int noAttr = rows.size() > 0 ? static_cast<int>(rows.begin()->size()) : 0;
    t.CreateTable(static_cast<int>(rows.size()), noAttr);
    int o = 0;
    for (const auto& row : rows) {
        int a = 0;
        for (int v : row) t.SetTable(o, a++, v);
        ++o;
    }
}

inline void FillRandomTable(TTable& t, unsigned seed, int noObj, int noAttr, int conditionValues,
                            int decisionValues) {
    SeedRand(seed);
    t.CreateTable(noObj, noAttr);
    for (int o = 0; o < noObj; ++o) {
        for (int a = 0; a < noAttr; ++a) {
            int range = a == noAttr - 1 ? decisionValues : conditionValues;
            int v = Rand() % range;
            // Now and then the missing-value code, which is compared like any other value.
            if (Rand() % 50 == 0) v = TTable::MissingValue;
            t.SetTable(o, a, v);
        }
    }
}

inline std::vector<int> Column(const TTable& t, int a) {
    std::vector<int> out;
    for (int o = 0; o < t.GetNoObj(); ++o) out.push_back(t.GetTable(o, a));
    return out;
}

inline std::vector<int> AllValues(const TTable& t) {
    std::vector<int> out;
    for (int i = 0; i < t.GetSize(); ++i) out.push_back(t.GetElem(i));
    return out;
}
