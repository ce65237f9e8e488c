#include "rough/reducts/subset_size.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/random.h"
#include "rough/decision/dec_mem.h"

namespace {

// The first s of 1..top at which the running sum of term(s) reaches u; top when none does
// before it.
template <class Term>
int FirstReaching(double u, int top, Term term) {
    double sum = 0.0;
    for (int s = 1; s < top; ++s) {
        sum += term(s);
        if (sum >= u) return s;
    }
    return top;
}

// B(n, s) for s = 1, 2, ... in turn, each from the one before.
class Coefficients {
public:
    explicit Coefficients(int n) : n(n) {}
    double operator()(int s) {
        c = c * (n - s + 1) / s;
        return c;
    }

private:
    int n;
    double c = 1.0;
};

}  // namespace

int RandomSubsetSize(int n, int k) {
    const bool all = k >= n;
    const int top = all ? n : k;
    // With every size allowed the total is 2^n - 1, and only the sums below the top are
    // needed; with a bound the total is the sum up to it.
    double total = 0.0;
    {
        Coefficients c(n);
        for (int s = 1; s < top && std::isfinite(total); ++s) total += c(s);
        if (!all && top >= 1) total += c(top);
    }
    if (std::isfinite(total)) {
        if (all) total = POWER_2(n) - 1.0;
        if (std::isfinite(total)) {
            const double u = RandomUnit() * total;
            Coefficients c(n);
            return FirstReaching(u, top, [&](int s) { return c(s); });
        }
    }
    // Relative to the largest coefficient of the range, the one nearest n / 2, walking out
    // from it by the ratio of neighbours until the terms fall below 1e-30 of it: all that
    // lie further out together weigh less than one part in 10^20, far below what one draw
    // resolves, and count as 0.
    const int mode = std::min(top, std::max(1, n / 2));
    std::vector<double> terms{1.0};
    int first = mode;
    for (double r = 1.0; first > 1;) {
        r = r * first / (n - first + 1);
        if (r < 1e-30) break;
        terms.push_back(r);
        --first;
    }
    std::reverse(terms.begin(), terms.end());
    for (double r = 1.0; first + static_cast<int>(terms.size()) - 1 < top;) {
        const int s = first + static_cast<int>(terms.size()) - 1;
        r = r * (n - s) / (s + 1);
        if (r < 1e-30) break;
        terms.push_back(r);
    }
    double scaled = 0.0;
    for (double t : terms) scaled += t;
    const double u = RandomUnit() * scaled;
    // Below the window the running sum is 0, which reaches only a draw of 0.
    if (u <= 0.0) return 1;
    double sum = 0.0;
    for (int s = first; s < top && s - first < static_cast<int>(terms.size()); ++s) {
        sum += terms[static_cast<size_t>(s - first)];
        if (sum >= u) return s;
    }
    return top;
}
