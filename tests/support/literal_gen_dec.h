#pragma once

#include <string>
#include <vector>

#include "core/int_sack.h"
#include "core/table.h"

// The generalized decision computed pair by pair, as its definition reads, with the LOG text
// that computation writes. The grouped computation of the library must give the same sacks,
// classes and LOG; the benchmark times it as the baseline.
struct LiteralGenDec {
    std::vector<TIntSack> genDec;
    std::vector<int> classes;
    int noClasses = 0;
    std::string log;
};

inline bool SameSack(const TIntSack& a, const TIntSack& b) {
    if (a.GetNoElem() != b.GetNoElem()) return false;
    for (int k = 0; k < a.GetNoElem(); ++k) {
        if (a[k] != b[k]) return false;
    }
    return true;
}

inline LiteralGenDec ComputeLiteralGenDec(const TTable& t) {
    LiteralGenDec r;
    const int n = t.GetNoObj();
    const int dec = t.GetNoAttr() - 1;
    r.log = "Calculating generalized decision\n";
    int logged = 0;
    for (int i = 0; i < n; ++i) {
        TIntSack& sack = r.genDec.emplace_back(3);
        sack.InsertSorted(t.Value(i, dec));
        for (int j = 0; j < n; ++j) {
            if (j == i) continue;
            int a = 0;
            while (a < dec && t.Value(i, a) == t.Value(j, a)) ++a;
            if (a == dec) sack.InsertSorted(t.Value(j, dec));
        }
        int p = (i + 1) * 100 / n;
        if (p > logged) {
            r.log += std::to_string(p) + "%\n";
            logged = p;
        }
    }
    r.log += "100%\n";

    r.classes.assign(static_cast<size_t>(n), 0);
    std::vector<char> marked(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        if (marked[static_cast<size_t>(i)]) continue;
        marked[static_cast<size_t>(i)] = 1;
        r.classes[static_cast<size_t>(i)] = r.noClasses;
        for (int j = i + 1; j < n; ++j) {
            if (!marked[static_cast<size_t>(j)] && SameSack(r.genDec[static_cast<size_t>(i)], r.genDec[static_cast<size_t>(j)])) {
                marked[static_cast<size_t>(j)] = 1;
                r.classes[static_cast<size_t>(j)] = r.noClasses;
            }
        }
        ++r.noClasses;
    }
    return r;
}
