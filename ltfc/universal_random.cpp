#include "ltfc/universal_random.h"

#include "core/clock.h"
#include "core/random.h"

namespace {

constexpr double kInitialC = 362436.0 / 16777216.0;
constexpr double kCd = 7654321.0 / 16777216.0;
constexpr double kCm = 16777213.0 / 16777216.0;

double u[98];  // entries 1..97
int i97 = 97;
int j97 = 33;
double c = kInitialC;

}  // namespace

void RanmarInit(int i, int j, int k, int l) {
    // Wide arithmetic: only the first products can leave the small seed ranges.
    long long a = i, b = j, d = k, e = l;
    for (int entry = 1; entry <= 97; ++entry) {
        double s = 0.0, t = 0.5;
        for (int bit = 0; bit < 24; ++bit) {
            const long long m = ((a * b) % 179) * d % 179;
            a = b;
            b = d;
            d = m;
            e = (53 * e + 1) % 169;
            if ((e * m) % 64 >= 32) s += t;
            t *= 0.5;
        }
        u[entry] = s;
    }
}

double RanmarUniform() {
    double uni = u[i97] - u[j97];
    if (uni < 0.0) uni += 1.0;
    u[i97] = uni;
    if (--i97 == 0) i97 = 97;
    if (--j97 == 0) j97 = 97;
    c -= kCd;
    if (c < 0.0) c += kCm;
    uni -= c;
    if (uni < 0.0) uni += 1.0;
    return uni;
}

int RanmarInt(int n) {
    const int r = static_cast<int>(RanmarUniform() * 16777216.0);
    return n < 1 ? 0 : r % n;
}

int RandMod(int n) { return n == 0 ? 0 : Rand() % n; }

void RanmarRandomize() {
    SeedRand(static_cast<unsigned>(ClockSeconds()));
    const int l = RandMod(169);
    const int k = RandMod(177) + 2;
    const int j = RandMod(178) + 1;
    const int i = RandMod(178) + 1;
    RanmarInit(i, j, k, l);
}

void ResetRanmarForTests() {
    for (double& v : u) v = 0.0;
    i97 = 97;
    j97 = 33;
    c = kInitialC;
}
