// Speed of the decomposition tree: building over 50,000 objects of 20 columns with parts of
// at most 500 objects (quick rules at every leaf), then classifying 10,000 objects one by
// one, with a rule cache holding every leaf's set and with one far smaller than the number
// of leaves (sets reloaded from their files as objects move between leaves); and the same
// with leaves that discretize, whose cuts files are read once each.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_util.h"
#include "core/decision_values.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "discretization/trees/rc_node.h"
#include "rough/rules/rul_cache.h"

namespace {

// The decision follows three attributes with some noise, so that rules decide most objects.
void RandomTable(TTable& table, int objects) {
    table.CreateTable(objects, 20);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < 19; ++a) table.SetTable(o, a, Rand() % (a % 5 + 2));
        const int d = (table.GetTable(o, 0) + table.GetTable(o, 3) + table.GetTable(o, 7)) % 3;
        table.SetTable(o, 19, Rand() % 10 == 0 ? Rand() % 3 : d);
    }
}

void Run(int discretize, int cacheSize) {
    char folder[] = "/tmp/varnel_rc_node_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr || chdir(folder) != 0) _exit(1);
    SeedRand(3);
    TTable train, test;
    RandomTable(train, 50000);
    RandomTable(test, 10000);
    TDValInfo info;
    info.CalcFromTable(train);
    TRulCache cache(cacheSize);
    TRCNode root;
    BenchTimer build;
    root.Build(cache, train, nullptr, info, nullptr, nullptr, 0, 0, discretize, 1.0f, 0, 0, 500);
    const double buildSeconds = build.Seconds();
    char extra[160];
    std::snprintf(extra, sizeof extra, "%d nodes, %d leaves", root.CountNodes(), root.CountLeaves());
    const std::string kind = discretize > 0 ? " discretizing leaves" : "";
    BenchReport("Build 50000 x 20 minSize 500" + kind, buildSeconds, extra);

    BenchTimer classify;
    TTable row;
    row.CreateTable(1, test.GetNoAttr());
    for (int o = 0; o < test.GetNoObj(); ++o) {
        for (int a = 0; a < test.GetNoAttr(); ++a) row.SetTable(0, a, test.GetTable(o, a));
        int result = 0;
        root.Classify(cache, row, result);
    }
    std::snprintf(extra, sizeof extra, "cache of %d sets; accuracy %.3f coverage %.3f", cache.GetMaxLoaded(),
                  root.GetAccuracy(), root.GetCoverage());
    BenchReport("Classify 10000 objects" + kind, classify.Seconds(), extra);
    std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    RunCasesApart({{"large cache", [] { Run(0, 1000); }},
                   {"small cache", [] { Run(0, 4); }},
                   {"discretizing small cache", [] { Run(1, 4); }}},
                  only, true);
    return 0;
}
