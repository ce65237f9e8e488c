// Cost of the genetic engine itself: breeding, scaling, selection and the clones (each of which
// is drawn at random as it is built), with an evaluation too cheap to matter.
#include <memory>
#include <string>

#include "bench/bench_util.h"
#include "core/random.h"
#include "rough/genetic/ga_individuals.h"
#include "tests/support/fixed_points_individual.h"

namespace {

void Run(const char* name, int length, int members, int generations, int selection) {
    SeedRand(1);
    BenchTimer t;
    GA_population p;
    p.SetParams(0.3, 0.4, 0.02, 1, selection, 0);
    p.Init(std::make_unique<FixedPoints>(length, 0), members, 2);
    for (int g = 0; g < generations; ++g) p.Generation();
    BenchReport(name, t.Seconds(), "best " + std::to_string(p.GetBest(0)->GetFitness()));
}

}  // namespace

int main() {
    Run("GA 50 x perm(30), 10000 generations, roulette", 30, 50, 10000, 0);
    Run("GA 50 x perm(30), 10000 generations, rank", 30, 50, 10000, 1);
    Run("GA 50 x perm(1000), 1000 generations, roulette", 1000, 50, 1000, 0);
    return 0;
}
