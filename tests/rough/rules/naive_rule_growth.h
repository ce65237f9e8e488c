#pragma once

#include <algorithm>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "rough/rules/significance_rules.h"

// A rule grown along a permutation the slow way: every prefix a fresh rule evaluated over the
// whole table, the first strictly best prefix kept, the growth stopped after a later prefix
// scoring 0.0. The library keeps running counts instead; both must agree to the bit.
struct NaiveGrowth {
    std::vector<int> values;
    double score = -1.0;
    int support = -1;
};

inline NaiveGrowth GrowNaively(const TTable& t, int o, const std::vector<int>& p) {
    const int n = t.GetNoAttr();
    auto prefix = [&](int last) {
        std::vector<int> v(n, TGARules::kAnyValue);
        for (int i = 0; i <= last; ++i) v[p[i]] = t.Value(o, p[i]);
        v[n - 1] = t.Value(o, n - 1);
        return v;
    };
    NaiveGrowth out;
    int best = 0;
    for (int i = 0; i < n - 1; ++i) {
        const std::vector<int> v = prefix(i);
        TGARules rule(v.data(), n);
        const double s = rule.Evaluate(t, 0);
        if (i == 0 || s > out.score) {
            out.score = s;
            out.support = rule.GetSupport();
            best = i;
        }
        if (i > 0 && s == 0.0) break;
    }
    out.values = prefix(best);
    return out;
}

inline std::string PrintedRule(const TGARules& rule) {
    std::ostringstream out;
    out << rule;
    return out.str();
}

// The best score of object o over every permutation of the conditions, grown by the library,
// and the distinct rules (printed) that reach it, in the order first met.
struct PermutationOracle {
    double best = -1.0;
    std::vector<std::string> bestRules;
};

inline std::vector<std::vector<int>> AllPermutations(int n) {
    std::vector<int> p(n);
    std::iota(p.begin(), p.end(), 0);
    std::vector<std::vector<int>> out;
    do out.push_back(p);
    while (std::next_permutation(p.begin(), p.end()));
    return out;
}

inline PermutationOracle BestOverPermutations(const TTable& t, int o) {
    PermutationOracle oracle;
    for (const auto& p : AllPermutations(t.GetNoAttr() - 1)) {
        TGARules rule(t, o, p);
        const std::string text = PrintedRule(rule);
        if (rule.GetScore() > oracle.best) {
            oracle.best = rule.GetScore();
            oracle.bestRules = {text};
        } else if (rule.GetScore() == oracle.best &&
                   std::find(oracle.bestRules.begin(), oracle.bestRules.end(), text) == oracle.bestRules.end()) {
            oracle.bestRules.push_back(text);
        }
    }
    return oracle;
}

// count permutations of 0..n-1 shuffled from the program's generator.
inline std::vector<std::vector<int>> RandomPermutations(int n, int count) {
    std::vector<std::vector<int>> out;
    for (int k = 0; k < count; ++k) {
        std::vector<int> p(n);
        std::iota(p.begin(), p.end(), 0);
        for (int i = n - 1; i >= 1; --i) std::swap(p[i], p[Rand() % (i + 1)]);
        out.push_back(p);
    }
    return out;
}
