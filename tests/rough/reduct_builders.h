#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "rough/reduct_evaluator.h"
#include "rough/subset.h"

// Attribute subsets of the genetic-reduct code written out, and read back as lists; the
// evaluator of either kind of reduct.
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
