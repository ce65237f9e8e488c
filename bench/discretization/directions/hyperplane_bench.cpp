// Speed of the hyperplane judgement: Fitness and CountPositiveRegion over N objects and a
// chosen set (grouped by sides: linear in N x |chosen|), the pair loops of the definition
// once for scale, and whole searches on vote and on tables of the credit and vehicle shapes.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/directions/hyperplane.h"
#include "tests/discretization/directions/wide_tables.h"

namespace {

void RandomTable(TTable& table, int objects, int attributes) {
    SeedRand(3);
    table.CreateTable(objects, attributes + 1);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < attributes; ++a) table.SetTable(o, a, Rand() % 100);
        table.SetTable(o, attributes, Rand() % 3);
    }
}

std::unique_ptr<THyper> RandomHyper(int coefficients) {
    auto h = std::make_unique<THyper>();
    for (int i = 0; i < coefficients; ++i) h->AddCoef(Rand() % 2000 - 1000);
    return h;
}

long long PairLoops(const TTable& table, const THyper& candidate, const THyperSet& chosen) {
    const int dec = table.GetNoAttr() - 1;
    long long n = 0;
    for (int i = 0; i < table.GetNoObj(); ++i) {
        for (int j = 0; j < i; ++j) {
            if (table.Value(i, dec) == table.Value(j, dec)) continue;
            bool apart = candidate.CheckHyperplane(table, i) != candidate.CheckHyperplane(table, j);
            for (int k = 0; k < chosen.GetNoElem() && !apart; ++k)
                apart = chosen.GetHyper(k).CheckHyperplane(table, i) != chosen.GetHyper(k).CheckHyperplane(table, j);
            n += apart;
        }
    }
    return n;
}

void Evaluate(int objects, int hyperplanes, bool withPairLoops) {
    TTable table;
    RandomTable(table, objects, 10);
    THyperSet chosen;
    for (int k = 0; k < hyperplanes; ++k) chosen.Add(RandomHyper(11));
    auto candidate = RandomHyper(11);
    const int rounds = 10;
    long long fitness = 0;
    BenchTimer timer;
    for (int r = 0; r < rounds; ++r) fitness = chosen.Fitness(table, *candidate, chosen);
    const double perFitness = timer.Seconds() / rounds;
    BenchTimer region;
    int inside = 0;
    for (int r = 0; r < rounds; ++r) inside = chosen.CountPositiveRegion(table);
    const double perRegion = region.Seconds() / rounds;
    char extra[160];
    const std::vector<int> groups = chosen.SideGroups(table);
    BenchTimer grouped;
    long long sameFitness = 0;
    for (int r = 0; r < rounds; ++r) sameFitness = chosen.FitnessInGroups(table, *candidate, groups);
    const double perGrouped = grouped.Seconds() / rounds;
    std::snprintf(extra, sizeof extra, "%.2f ms per Fitness (%lld), %.2f ms grouped before (%lld), %.2f ms per region (%d)",
                  perFitness * 1000, fitness, perGrouped * 1000, sameFitness, perRegion * 1000, inside);
    BenchReport("N=" + std::to_string(objects) + " chosen=" + std::to_string(hyperplanes),
                (perFitness + perRegion) * rounds, extra);
    if (withPairLoops) {
        BenchTimer loops;
        const long long n = PairLoops(table, *candidate, chosen);
        std::snprintf(extra, sizeof extra, "pair loops once (%lld)", n);
        BenchReport("Pair loops N=" + std::to_string(objects) + " chosen=" + std::to_string(hyperplanes),
                    loops.Seconds(), extra);
    }
}

void Search(const TTable& table, const std::string& name, unsigned seed) {
    RandomInt(1);  // its clock seeding spent, so that the seed below holds
    SeedRand(seed);
    THyperGA ga;
    BenchTimer timer;
    ga.FindHyperplanes(table);
    BenchReport("FindHyperplanes " + name + " seed " + std::to_string(seed), timer.Seconds(),
                std::to_string(ga.GetChosen().GetNoElem()) + " hyperplanes, region " +
                    std::to_string(ga.GetChosen().CountPositiveRegion(table)));
}

}  // namespace

int main() {
    for (int objects : {2500, 5000, 10000, 20000}) Evaluate(objects, 20, objects == 5000);
    for (int hyperplanes : {10, 40, 80}) Evaluate(5000, hyperplanes, false);

    // The searches write their rounds on standard output.
    std::FILE* saved = std::freopen("/dev/null", "w", stdout);
    (void)saved;
    TTable vote;
    vote.Load(VARNEL_TABLES "/vote.tab");
    Search(vote, "vote.tab", 1);
    for (unsigned seed = 1; seed <= 6; ++seed) {
        TTable table;
        CreditShaped(table, seed);
        Search(table, "credit shape (1000 x 20)", seed);
    }
    for (unsigned seed = 1; seed <= 6; ++seed) {
        TTable table;
        VehicleShaped(table, seed);
        Search(table, "vehicle shape (846 x 18)", seed);
    }
    return 0;
}
