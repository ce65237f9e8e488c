// The rule cache: 1,000 rule sets on file, at most 5 loaded, fetched in a skewed pattern
// (four hot slots take three fetches in four). The cost should follow the number of loads, not the number
// of slots: twice the fetches with the same share of loads take about twice the time.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_cache.h"
#include "rough/rules/rul_memory.h"

namespace {

constexpr int kSets = 1000;

// A set of about 40 rules of one or two descriptors over a table of 200 objects.
std::unique_ptr<TRulMemory> SetOf(TTable& t, int k) {
    auto m = std::make_unique<TRulMemory>();
    QuietModeGuard quiet;
    for (int r = 0; r < 40; ++r) {
        auto block = std::make_unique<TBlock>();
        block->AddDescriptor(r % 4, (k + r) % 7);
        if (r % 3 == 0) block->AddDescriptor(4, r % 5);
        auto rule = std::make_unique<TRuleComp>(std::move(block), -1);
        rule->SetDecision((k + r) % 2);
        m->InsertRule(std::move(rule));
    }
    m->CalcRulesInfo(&t, 2);
    return m;
}

void Fetch(TRulCache& cache, int fetches) {
    SeedRand(7);
    int loads = 0;
    BenchTimer timer;
    for (int f = 0; f < fetches; ++f) {
        // Three fetches in four go to four hot slots, the rest anywhere: the hot sets, used
        // most, stay loaded, and the fifth place takes the loads.
        const int i = Rand() % 4 != 0 ? Rand() % 4 * 97 : Rand() % kSets;
        loads += cache.IsLoaded(i) ? 0 : 1;
        cache.GetRulMemory(i);
    }
    const double s = timer.Seconds();
    BenchReport("TRulCache " + std::to_string(fetches) + " fetches", s,
                std::to_string(loads) + " loads, " + std::to_string(loads > 0 ? s / loads * 1e6 : 0.0) + " us/load");
}

}  // namespace

int main() {
    char folder[] = "/tmp/varnel_rul_cache_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr || chdir(folder) != 0) return 1;
    TTable t;
    SeedRand(1);
    t.CreateTable(200, 6);
    for (int o = 0; o < 200; ++o) {
        for (int a = 0; a < 6; ++a) t.SetTable(o, a, Rand() % (a == 5 ? 2 : 7));
    }
    {
        BenchTimer timer;
        TRulCache cache(5);
        for (int k = 0; k < kSets; ++k) cache.AddRulMemory(*SetOf(t, k));
        BenchReport("TRulCache::AddRulMemory x 1000", timer.Seconds());
        Fetch(cache, 20000);
    }
    {
        TRulCache cache(5);
        for (int k = 0; k < kSets; ++k) cache.AddRulMemory(*SetOf(t, k));
        Fetch(cache, 40000);
    }
    for (int k = 0; k < kSets; ++k) std::remove(("RUL" + std::to_string(k)).c_str());
    if (chdir("/") != 0) return 1;
    rmdir(folder);
    return 0;
}
