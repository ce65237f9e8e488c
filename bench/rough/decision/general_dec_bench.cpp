// The generalized decision and its classes: the grouped computation on 50,000 x 20 against
// the pairwise loop on 2,000 objects (the pairwise loop is quadratic; on 50,000 objects it
// would take some 600 times as long as on 2,000).
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/decision/general_dec.h"
#include "tests/support/literal_gen_dec.h"

namespace {

// Objects drawn from a pool of condition vectors, so that groups of about five objects
// share their conditions and often disagree on the decision.
void FillTable(TTable& t, int objects, int attributes) {
    SeedRand(1);
    const int prototypes = objects / 5;
    std::vector<int> pool(static_cast<size_t>(prototypes) * (attributes - 1));
    for (int& v : pool) v = Rand() % 10;
    t.CreateTable(objects, attributes);
    for (int o = 0; o < objects; ++o) {
        const int* proto = pool.data() + static_cast<size_t>(Rand() % prototypes) * (attributes - 1);
        for (int a = 0; a + 1 < attributes; ++a) t.SetTable(o, a, proto[a]);
        t.SetTable(o, attributes - 1, Rand() % 5);
    }
}

double TimeGrouped(TTable& t, TGeneralDec& g) {
    BenchTimer timer;
    g.CalcGenDec(&t);
    g.CreateGenDec(&t);
    return timer.Seconds();
}

// Same sacks and classes as the pairwise computation (the classes read through the table).
bool SameAsPairwise(TTable& t, TGeneralDec& g, const LiteralGenDec& expected) {
    if (g.GetNoClasses() != expected.noClasses) return false;
    g.ModifyGenDec(&t);
    bool same = true;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        same = same && SameSack(*g.GetGenDec(o), expected.genDec[static_cast<size_t>(o)]) &&
               t.GetTable(o, t.GetNoAttr() - 1) == expected.classes[static_cast<size_t>(o)];
    }
    g.ReconstructOrigDec(&t);
    return same;
}

}  // namespace

int main() {
    TTable small;
    FillTable(small, 2000, 20);
    BenchTimer literal;
    LiteralGenDec expected = ComputeLiteralGenDec(small);
    BenchReport("pairwise generalized decision 2,000 x 20", literal.Seconds(),
                std::to_string(expected.noClasses) + " classes");
    TGeneralDec smallDec;
    double seconds = TimeGrouped(small, smallDec);
    BenchReport("CalcGenDec + CreateGenDec 2,000 x 20", seconds,
                SameAsPairwise(small, smallDec, expected) ? "same as pairwise" : "DIFFERS FROM PAIRWISE");

    TTable large;
    FillTable(large, 50000, 20);
    TGeneralDec largeDec;
    seconds = TimeGrouped(large, largeDec);
    BenchReport("CalcGenDec + CreateGenDec 50,000 x 20", seconds,
                std::to_string(largeDec.GetNoClasses()) + " classes");
    return 0;
}
