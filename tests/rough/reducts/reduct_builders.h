#pragma once

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "core/table.h"
#include "rough/reducts/reduct_evaluator.h"
#include "rough/decision/subset.h"

// Attribute subsets of the genetic-reduct code written out, and read back as lists; the
// evaluator of either kind of reduct; tables with sorted rows.
inline genetic_subsets::Subset Of(int bits, std::initializer_list<int> attrs) {
    genetic_subsets::Subset s(bits);
    for (int a : attrs) s.Set(a);
    return s;
}

inline std::vector<int> Members(const genetic_subsets::Subset& s) {
    std::vector<int> out;
    for (int a = 0; a < s.GetSize(); ++a)
        if (s.IsSet(a)) out.push_back(a);
    return out;
}

inline std::unique_ptr<ReductEvaluator> NewEvaluator(const TTable* table, bool relative) {
    if (relative) return std::make_unique<DecReductEvaluator>(table);
    return std::make_unique<PlainReductEvaluator>(table);
}

// Rows in ascending lexicographic order: the input on which search trees turn into lists.
inline void SortRows(TTable& t) {
    std::vector<std::vector<int>> rows;
    for (int o = 0; o < t.GetNoObj(); ++o) rows.emplace_back(t.Row(o), t.Row(o) + t.GetNoAttr());
    std::sort(rows.begin(), rows.end());
    for (int o = 0; o < t.GetNoObj(); ++o)
        for (int a = 0; a < t.GetNoAttr(); ++a) t.SetTable(o, a, rows[static_cast<size_t>(o)][static_cast<size_t>(a)]);
}

