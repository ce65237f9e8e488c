#pragma once

#include <random>
#include <utility>
#include <vector>

#include "tests/support/table_rows.h"

// Cuts applied group by group as their definition reads: every group scans its cuts from the
// first for one greater than the value, over the whole column, before the next group starts;
// condition columns that no group names become 0.
inline Rows ReferenceCutGroups(Rows rows, const std::vector<std::pair<int, double>>& cuts) {
    const size_t columns = rows.empty() ? 0 : rows[0].size();
    std::vector<bool> used(columns, false);
    for (size_t i = 0; i < cuts.size();) {
        size_t j = i;
        while (j < cuts.size() && cuts[j].first == cuts[i].first) ++j;
        const size_t a = static_cast<size_t>(cuts[i].first);
        used[a] = true;
        for (auto& row : rows) {
            const double v = row[a];
            int position = static_cast<int>(j - i);
            for (size_t k = i; k < j; ++k) {
                if (cuts[k].second > v) {
                    position = static_cast<int>(k - i);
                    break;
                }
            }
            row[a] = position;
        }
        i = j;
    }
    for (auto& row : rows) {
        for (size_t a = 0; a + 1 < columns; ++a) {
            if (!used[a]) row[a] = 0;
        }
    }
    return rows;
}

// Random rows: condition values below `range` (some columns with few values, so that ties
// and values equal to cuts come up), decisions below `decisions`.
inline Rows RandomRows(std::mt19937& gen, int objects, int columns, int range, int decisions) {
    Rows rows(static_cast<size_t>(objects), std::vector<int>(static_cast<size_t>(columns)));
    for (int a = 0; a < columns; ++a) {
        const int top = a == columns - 1 ? decisions : (a % 2 == 0 ? range : 6);
        std::uniform_int_distribution<int> value(0, top - 1);
        for (auto& row : rows) row[static_cast<size_t>(a)] = value(gen);
    }
    return rows;
}
