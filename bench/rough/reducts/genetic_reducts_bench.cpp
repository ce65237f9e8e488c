// Genetic reducts at speed level 2: every object's relative local reducts of vote.tab and
// soybean.tab, and relative global reducts of a generated 20,000 x 30 table, unsorted and
// with its rows sorted (on which a search tree of row projections turns into a list). Then
// the global discernibility test alone on the sorted table, against the tree walk.
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/genetic_reducts.h"
#include "rough/reducts/red_memory.h"
#include "rough/reducts/reduct_evaluator.h"
#include "tests/rough/reducts/projection_walk.h"
#include "tests/rough/reducts/reduct_builders.h"

namespace {

// The search seeds the generator on its first call only: seeded here, runs repeat.
void SeedSearch() {
    RandomInt(2);
    SeedRand(1);
}

void TimeSearch(const std::string& name, TTable& t, int local) {
    SeedSearch();
    TRedMemory memory;
    BenchTimer timer;
    TGenRed().Calculate(&t, &memory, 100, 2, 1, local, -1);
    BenchReport(name, timer.Seconds(), std::to_string(memory.GetNoRed()) + " reducts");
}

// Four values per condition, three decisions: small reducts exist but take some finding.
void Generate(TTable& t, int objects, int attributes) {
    SeedRand(7);
    t.CreateTable(objects, attributes);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a + 1 < attributes; ++a) t.SetTable(o, a, Rand() % 4);
        t.SetTable(o, attributes - 1, (t.Value(o, 0) + t.Value(o, 1) * t.Value(o, 2)) % 3);
    }
}

void CompareTests(TTable& t, int rounds) {
    DecReductEvaluator ev(&t);
    std::vector<genetic_subsets::Subset> subsets;
    SeedRand(3);
    for (int i = 0; i < rounds; ++i) {
        genetic_subsets::Subset s(t.GetNoAttr());
        for (int a = 0; a + 1 < t.GetNoAttr(); ++a)
            if (Rand() % 2 == 0) s.Set(a);
        subsets.push_back(s);
    }
    std::vector<int> order(static_cast<size_t>(t.GetNoObj()));
    for (int o = 0; o < t.GetNoObj(); ++o) order[static_cast<size_t>(o)] = o;
    WalkedTest walk{order};
    long long hashed = 0;
    long long walked = 0;
    BenchTimer hashTimer;
    for (const auto& s : subsets) hashed += ev.Test(s);
    const double hashSeconds = hashTimer.Seconds();
    BenchTimer walkTimer;
    for (const auto& s : subsets) walked += walk.Global(t, ev.GetClassTree(), s);
    const double walkSeconds = walkTimer.Seconds();
    const std::string same = hashed == walked ? "same answers" : "ANSWERS DIFFER";
    BenchReport(std::to_string(rounds) + " global tests, sorted 20,000 x 30", hashSeconds, same);
    BenchReport(std::to_string(rounds) + " tree-walk tests, sorted 20,000 x 30", walkSeconds, same);
}

}  // namespace

int main() {
    QuietMode = 1;
    TTable vote;
    vote.Load(VARNEL_TABLES "/vote.tab");
    TimeSearch("every object, relative, level 2: vote.tab", vote, 1);
    TTable soybean;
    soybean.Load(VARNEL_TABLES "/soybean.tab");
    TimeSearch("every object, relative, level 2: soybean.tab", soybean, 1);

    TTable generated;
    Generate(generated, 20000, 30);
    TimeSearch("global, relative, level 2: 20,000 x 30", generated, 0);
    SortRows(generated);
    TimeSearch("global, relative, level 2: 20,000 x 30 sorted", generated, 0);
    CompareTests(generated, 200);
    return 0;
}
