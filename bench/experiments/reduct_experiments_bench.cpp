// Random positive-region reducts of vote.tab and of a synthetic 20,000 x 16 table: the
// attribute weights and the single-discernment products come from counts of
// different-decision pairs equal on attribute sets, found by sorting, never from the pairs.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/reduct_experiments.h"

namespace {

void Random(TTable& t, int objects, int conditions) {
    SeedRand(7);
    t.CreateTable(objects, conditions + 1);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < conditions; ++a) t.SetTable(o, a, Rand() % 4);
        t.SetTable(o, conditions, (t.Value(o, 0) * t.Value(o, 5) + t.Value(o, 11)) % 3);
    }
}

void Run(const std::string& name, const TTable& t) {
    std::vector<int> selected(static_cast<size_t>(t.GetNoAttr() - 1));
    BenchTimer timer;
    RandomPosRegionReducts(&t, selected.data());
    int size = 0;
    for (int s : selected) size += s;
    BenchReport(name, timer.Seconds(), "last reduct of " + std::to_string(size) + " attributes");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    std::vector<BenchCase> cases;
    cases.push_back({"RandomPosRegionReducts vote.tab", [] {
                         TTable vote;
                         vote.Load(VARNEL_TABLES "/vote.tab");
                         Run("RandomPosRegionReducts vote.tab", vote);
                     }});
    cases.push_back({"RandomPosRegionReducts 20,000 x 16", [] {
                         TTable t;
                         Random(t, 20000, 16);
                         Run("RandomPosRegionReducts 20,000 x 16", t);
                     }});
    cases.push_back({"SingleDiscernProduct 20,000 x 16", [] {
                         TTable t;
                         Random(t, 20000, 16);
                         std::vector<int> all(16, 1);
                         std::vector<long long> counts(16);
                         BenchTimer timer;
                         const double q = SingleDiscernProduct(&t, all.data(), counts.data());
                         BenchReport("SingleDiscernProduct 20,000 x 16, all selected", timer.Seconds(),
                                     "product " + std::to_string(q));
                     }});
    RunCasesApart(cases, only, true);
    return 0;
}
