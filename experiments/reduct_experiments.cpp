#include "experiments/reduct_experiments.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/pos_region.h"

namespace {

template <class T>
std::vector<T> WorkArray(int n) {
    return OrOutOfMemory([n] { return std::vector<T>(static_cast<size_t>(n < 1 ? 1 : n)); });
}

// Unordered pairs of objects with different decisions that agree on every listed attribute:
// over each class K of the list, (|K|^2 - the sum of |K_d|^2 over its decisions d) / 2. The
// classes and their decision runs are found by sorting object numbers; pairs are counted,
// never visited. index is working storage.
long long DifferentDecisionPairsEqualOn(const TTable* t, const std::vector<int>& attrs, std::vector<int>& index) {
    const int n = t->GetNoObj();
    const int d = t->GetNoAttr() - 1;
    OrOutOfMemory([&] { index.resize(static_cast<size_t>(n)); });
    std::iota(index.begin(), index.end(), 0);
    const auto sameClass = [&](int x, int y) {
        for (int a : attrs)
            if (t->Value(x, a) != t->Value(y, a)) return false;
        return true;
    };
    std::sort(index.begin(), index.end(), [&](int x, int y) {
        for (int a : attrs)
            if (t->Value(x, a) != t->Value(y, a)) return t->Value(x, a) < t->Value(y, a);
        return t->Value(x, d) < t->Value(y, d);
    });
    long long pairs = 0;
    for (int lo = 0; lo < n;) {
        int hi = lo + 1;
        while (hi < n && sameClass(index[static_cast<size_t>(lo)], index[static_cast<size_t>(hi)])) ++hi;
        long long squares = 0;
        for (int r = lo; r < hi;) {
            const int decision = t->Value(index[static_cast<size_t>(r)], d);
            int e = r + 1;
            while (e < hi && t->Value(index[static_cast<size_t>(e)], d) == decision) ++e;
            squares += static_cast<long long>(e - r) * (e - r);
            r = e;
        }
        const long long size = hi - lo;
        pairs += (size * size - squares) / 2;
        lo = hi;
    }
    return pairs;
}

std::string Listed(const int* values, int n) {
    std::string line;
    for (int i = 0; i < n; ++i) line += std::to_string(values[i]) + " ";
    return line;
}

}  // namespace

int RoundNearest(double x) {
    if (std::isnan(x)) return 0;
    const double f = std::floor(x);
    const double r = x - f > 0.5 ? f + 1.0 : f;
    if (r >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (r <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(r);
}

// A pair that differs on the selected attribute k alone agrees on the other selected ones
// and not on k: the different-decision pairs equal on the others, less those equal on all.
double SingleDiscernProduct(const TTable* table, const int* selected, long long* counts) {
    const int m = table->GetNoAttr() - 1;
    std::vector<int> chosen;
    for (int a = 0; a < m; ++a) {
        counts[a] = 0;
        if (selected[a]) OrOutOfMemory([&] { chosen.push_back(a); });
    }
    double product = 1.0;
    if (chosen.empty()) return product;
    std::vector<int> index;
    const long long equalOnAll = DifferentDecisionPairsEqualOn(table, chosen, index);
    std::vector<int> others = WorkArray<int>(static_cast<int>(chosen.size()) - 1);
    for (size_t i = 0; i < chosen.size(); ++i) {
        others.clear();
        for (size_t j = 0; j < chosen.size(); ++j)
            if (j != i) others.push_back(chosen[j]);
        const int k = chosen[i];
        counts[k] = DifferentDecisionPairsEqualOn(table, others, index) - equalOnAll;
        product *= static_cast<double>(counts[k]);
    }
    return product;
}

// The weights are the pairs each attribute tells apart, counted by sorting; the draw covers
// the whole 64-bit sum (RandomInt alone reaches 32,768 values, and a needed attribute of
// small weight might never be drawn). With no pair to tell apart nothing is drawn.
void RandomPosRegionReducts(const TTable* table, int* selected) {
    if (table->GetNoAttr() < 1) throw CalcError(9);
    const int m = table->GetNoAttr() - 1;
    TPosRegion region(table, 1);
    std::vector<int> list = WorkArray<int>(m);
    std::vector<int> keep = WorkArray<int>(m);
    std::vector<int> work = WorkArray<int>(m);
    std::vector<long long> weight = WorkArray<long long>(m);
    std::vector<long long> counts = WorkArray<long long>(m);

    WriteStdoutLine("Licze obszar pozytywny calej tablicy...");
    for (int a = 0; a < m; ++a) list[static_cast<size_t>(a)] = a;
    const int posAll = region.CountPosRegion(table, list.data(), m, 0);
    WriteStdoutLine("POS_REG_G=" + std::to_string(posAll));

    region.SortByDecision(table, list.data());
    long long sum = 0;
    std::string line;
    for (int a = 0; a < m; ++a) {
        weight[static_cast<size_t>(a)] = region.CountDiscernedPairs(table, a, list.data());
        sum += weight[static_cast<size_t>(a)];
        line += std::to_string(weight[static_cast<size_t>(a)]) + " ";
    }
    WriteStdoutLine(line);
    WriteStdoutLine("SumWAGI=" + std::to_string(sum));

    double best = 0.0;
    for (int trial = 0; trial < 100; ++trial) {
        int len = 0;
        std::vector<char> chosen = WorkArray<char>(m);
        if (sum > 0) {
            do {
                int a = 0;
                do {
                    const long long r = RandomIntWide(sum);
                    long long running = 0;
                    for (a = 0; a < m; ++a) {
                        running += weight[static_cast<size_t>(a)];
                        if (running > r) break;
                    }
                } while (chosen[static_cast<size_t>(a)]);
                chosen[static_cast<size_t>(a)] = true;
                list[static_cast<size_t>(len++)] = a;
            } while (region.CountPosRegion(table, list.data(), len, 0) != posAll);
        }
        region.RemoveRedundantAttrs(table, list.data(), &len, posAll, keep.data(), work.data());
        for (int a = 0; a < m; ++a) selected[a] = 0;
        for (int i = 0; i < len; ++i) selected[list[static_cast<size_t>(i)]] = 1;
        const double q = SingleDiscernProduct(table, selected, counts.data());
        if (q > best) {
            best = q;
            WriteStdoutLine(Listed(list.data(), len));
        }
    }
}
