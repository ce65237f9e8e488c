#pragma once

#include <algorithm>
#include <set>
#include <vector>

#include "core/table.h"

// Reducts by their definition, pair by pair, for checking what the genetic search reports.
// Objects that must be told apart: for reducts relative to the decision, objects of
// different generalized decisions (the set of decisions among the objects equal to it on
// every condition attribute); otherwise objects whose whole rows differ. A reduct uses the
// condition attributes only (all columns but the last when relative, all columns otherwise).
namespace brute_force {

inline bool SameOn(const TTable& t, int a, int b, const std::vector<int>& attrs) {
    for (int at : attrs)
        if (t.Value(a, at) != t.Value(b, at)) return false;
    return true;
}

inline std::vector<int> Conditions(const TTable& t, bool relative) {
    std::vector<int> attrs;
    const int count = relative ? t.GetNoAttr() - 1 : t.GetNoAttr();
    for (int a = 0; a < count; ++a) attrs.push_back(a);
    return attrs;
}

// Objects of equal class number need not be told apart.
inline std::vector<int> Classes(const TTable& t, bool relative) {
    const int n = t.GetNoObj();
    const std::vector<int> conditions = Conditions(t, relative);
    std::vector<std::set<int>> key(static_cast<size_t>(n));  // generalized decisions
    for (int i = 0; relative && i < n; ++i) {
        for (int j = 0; j < n; ++j)
            if (SameOn(t, i, j, conditions)) key[static_cast<size_t>(i)].insert(t.Value(j, t.GetNoAttr() - 1));
    }
    std::vector<int> cls(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        cls[static_cast<size_t>(i)] = i;
        for (int j = 0; j < i; ++j) {
            const bool same = relative ? key[static_cast<size_t>(i)] == key[static_cast<size_t>(j)]
                                       : SameOn(t, i, j, conditions);
            if (same) {
                cls[static_cast<size_t>(i)] = cls[static_cast<size_t>(j)];
                break;
            }
        }
    }
    return cls;
}

inline bool DiscernsObject(const TTable& t, const std::vector<int>& cls, const std::vector<int>& attrs, int o) {
    for (int j = 0; j < t.GetNoObj(); ++j)
        if (cls[static_cast<size_t>(j)] != cls[static_cast<size_t>(o)] && SameOn(t, o, j, attrs)) return false;
    return true;
}

inline bool DiscernsAll(const TTable& t, const std::vector<int>& cls, const std::vector<int>& attrs) {
    for (int i = 0; i < t.GetNoObj(); ++i)
        if (!DiscernsObject(t, cls, attrs, i)) return false;
    return true;
}

inline std::vector<int> Without(const std::vector<int>& attrs, size_t k) {
    std::vector<int> rest = attrs;
    rest.erase(rest.begin() + static_cast<long>(k));
    return rest;
}

inline bool UsesConditionsOnly(const TTable& t, bool relative, const std::vector<int>& attrs) {
    const std::vector<int> conditions = Conditions(t, relative);
    if (!std::is_sorted(attrs.begin(), attrs.end())) return false;
    if (std::adjacent_find(attrs.begin(), attrs.end()) != attrs.end()) return false;
    for (int a : attrs)
        if (std::find(conditions.begin(), conditions.end(), a) == conditions.end()) return false;
    return true;
}

// A global reduct: discerns every pair it must, and no attribute can go (discernibility only
// grows with the attribute set, so single removals settle minimality).
inline bool IsGlobalReduct(const TTable& t, bool relative, const std::vector<int>& attrs) {
    if (!UsesConditionsOnly(t, relative, attrs)) return false;
    const std::vector<int> cls = Classes(t, relative);
    if (!DiscernsAll(t, cls, attrs)) return false;
    for (size_t k = 0; k < attrs.size(); ++k)
        if (DiscernsAll(t, cls, Without(attrs, k))) return false;
    return true;
}

// A local reduct of at least one object.
inline bool IsLocalReduct(const TTable& t, bool relative, const std::vector<int>& attrs) {
    if (!UsesConditionsOnly(t, relative, attrs)) return false;
    const std::vector<int> cls = Classes(t, relative);
    for (int o = 0; o < t.GetNoObj(); ++o) {
        if (!DiscernsObject(t, cls, attrs, o)) continue;
        bool minimal = true;
        for (size_t k = 0; k < attrs.size() && minimal; ++k)
            if (DiscernsObject(t, cls, Without(attrs, k), o)) minimal = false;
        if (minimal) return true;
    }
    return false;
}

}  // namespace brute_force
