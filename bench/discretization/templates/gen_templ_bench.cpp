// Speed of the template judgement: Quality / CalcFitness on M matching objects of A = 30
// attributes (counted: linear in M), the pair loops of the definition once for scale, and a
// whole covering search on iris.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/templates/templ_search.h"

namespace {

// Few values per attribute, so that equal-decision pairs share values and groups form.
void RandomTable(TTable& table, int objects, int attributes) {
    SeedRand(7);
    table.CreateTable(objects, attributes + 1);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < attributes; ++a) table.SetTable(o, a, Rand() % 4);
        table.SetTable(o, attributes, Rand() % 3);
    }
}

// The definition pair by pair, for comparison at one size.
double PairLoopQuality(const TTable& table, int skipAttr) {
    const int dec = table.GetNoAttr() - 1;
    long long d = 0, s = 0, e = 0, differing = 0;
    for (int i = 0; i < table.GetNoObj(); ++i) {
        for (int j = i + 1; j < table.GetNoObj(); ++j) {
            int diff = 0;
            for (int a = 0; a < dec; ++a) diff += a != skipAttr && table.Value(i, a) != table.Value(j, a);
            if (table.Value(i, dec) != table.Value(j, dec)) {
                ++d;
                s += diff > 0;
            } else {
                ++e;
                differing += diff;
            }
        }
    }
    if (d > 0 && 20 * s < 19 * d) return 0.0;
    return e == 0 ? 1.0 : static_cast<double>(differing) / static_cast<double>((dec - 1) * e);
}

void Quality(int objects, bool withPairLoops) {
    TTable table;
    RandomTable(table, objects, 30);
    TGenTempl t;  // one attribute, every value: all objects match, 29 others
    for (int v = 0; v < 4; ++v) t.AddDescriptor(0, v);
    const std::vector<int> covered(static_cast<size_t>(objects), 0);
    const int rounds = 20;
    double sum = 0.0;
    BenchTimer timer;
    for (int r = 0; r < rounds; ++r) sum += t.Quality(table);
    const double perCall = timer.Seconds() / rounds;
    int support = 0;
    BenchTimer fit;
    int f = 0;
    for (int r = 0; r < rounds; ++r) f += t.CalcFitness(table, covered, support, objects + 1);
    const double perFitness = fit.Seconds() / rounds;
    char extra[160];
    std::snprintf(extra, sizeof extra, "%.2f ms per Quality, %.2f ms per CalcFitness (q=%.6f f=%d)",
                  perCall * 1000, perFitness * 1000, sum / rounds, f / rounds);
    BenchReport("Quality M=" + std::to_string(objects) + " A=30", perCall * rounds + perFitness * rounds, extra);
    if (withPairLoops) {
        BenchTimer loops;
        const double q = PairLoopQuality(table, 0);
        std::snprintf(extra, sizeof extra, "pair loops once (q=%.6f)", q);
        BenchReport("Pair loops M=" + std::to_string(objects) + " A=30", loops.Seconds(), extra);
    }
}

void Search(const char* name) {
    TTable table;
    table.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
    RandomInt(1);  // its clock seeding spent, so that the seed below holds
    SeedRand(1);
    TGenTemplFamily family;
    std::FILE* saved = std::freopen("/dev/null", "w", stdout);  // the search reports every pass
    BenchTimer timer;
    SearchTemplates(family, table);
    const double seconds = timer.Seconds();
    (void)saved;
    BenchReport(std::string("SearchTemplates ") + name, seconds, std::to_string(family.GetNoElem()) + " templates");
}

}  // namespace

int main() {
    for (int objects : {1250, 2500, 5000, 10000, 20000}) Quality(objects, objects == 5000);
    Search("iris.tab");
    Search("vote.tab");
    return 0;
}
