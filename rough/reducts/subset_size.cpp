#include "rough/reducts/subset_size.h"

#include <algorithm>
#include <cmath>

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

double LogBinomial(int n, int s) {
    return std::lgamma(n + 1.0) - std::lgamma(s + 1.0) - std::lgamma(n - s + 1.0);
}

}  // namespace

int RandomSubsetSize(int n, int k) {
    const bool all = k >= n;
    const int top = all ? n : k;
    // With every size allowed the total is 2^n - 1, and only the sums below the top are
    // needed; with a bound the total is the sum up to it.
    double total = 0.0;
    {
        Coefficients c(n);
        for (int s = 1; s < top; ++s) total += c(s);
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
    // Relative to the largest coefficient of the range, the one nearest n / 2; the far tails
    // vanish below the double range, as they weigh nothing beside it.
    const int mode = std::min(top, std::max(1, n / 2));
    const double logPeak = LogBinomial(n, mode);
    auto relative = [&](int s) { return std::exp(LogBinomial(n, s) - logPeak); };
    double scaled = 0.0;
    for (int s = 1; s <= top; ++s) scaled += relative(s);
    const double u = RandomUnit() * scaled;
    return FirstReaching(u, top, relative);
}
