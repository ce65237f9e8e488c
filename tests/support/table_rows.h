#pragma once

#include <memory>
#include <vector>

#include "core/table.h"

using Rows = std::vector<std::vector<int>>;

// A decision table from its rows; the decision is the last column.
inline std::unique_ptr<TTable> RowsTable(const Rows& rows) {
    auto t = std::make_unique<TTable>();
    const int columns = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    t->CreateTable(static_cast<int>(rows.size()), columns);
    for (size_t o = 0; o < rows.size(); ++o) {
        for (int a = 0; a < columns; ++a) t->SetTable(static_cast<int>(o), a, rows[o][static_cast<size_t>(a)]);
    }
    return t;
}

inline Rows TableRows(const TTable& t) {
    Rows rows(static_cast<size_t>(t.GetNoObj()));
    for (int o = 0; o < t.GetNoObj(); ++o) rows[static_cast<size_t>(o)].assign(t.Row(o), t.Row(o) + t.GetNoAttr());
    return rows;
}
