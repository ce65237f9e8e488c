#pragma once

#include <string>
#include <vector>

#include "core/dense_table.h"

// A dense table from its rows; the decision is the last column.
inline TDTable DenseTable(const std::vector<std::vector<int>>& rows) {
    const int columns = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    TDTable t(static_cast<int>(rows.size()), columns);
    for (size_t o = 0; o < rows.size(); ++o) {
        for (int a = 0; a < columns; ++a) t.Set(static_cast<int>(o), a, rows[o][static_cast<size_t>(a)]);
    }
    t.SetDecAttr(columns - 1);
    return t;
}

inline TDTable Iris() {
    TDTable t;
    t.Load(VARNEL_TABLES "/iris.dense.tab");
    return t;
}
