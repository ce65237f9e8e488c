// Speed of the decomposition tree with template families (five templates a node): building
// over n objects of 10 columns, the stacking tables made of another n objects (every object
// matching two or more templates classified by each matched child), table B of n more, and
// then classifying those n test objects one by one through the rest chain, the family
// children and the stacking children. The leaves discretize, so each object that a child
// classifies needs that leaf's cuts, and each stacked one its node's common cuts: every cuts
// file is read once per node. Run for n = 5,000, 10,000 and 20,000 to see the growth, with a
// rule cache holding every rule set, and for 20,000 with one holding 8 (sets reloaded from
// their files as objects move between leaves).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_util.h"
#include "core/decision_values.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/templates/templ_set.h"
#include "discretization/trees/rc_node.h"
#include "rough/rules/rul_cache.h"

namespace {

// Nine attributes of twelve values, the decision following two of them with some noise.
void RandomTable(TTable& table, int objects) {
    table.CreateTable(objects, 10);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < 9; ++a) table.SetTable(o, a, Rand() % 12);
        const int d = (table.GetTable(o, 0) + table.GetTable(o, 1)) / 8;
        table.SetTable(o, 9, Rand() % 10 == 0 ? Rand() % 3 : d);
    }
}

void Run(int n, int cacheSize) {
    char folder[] = "/tmp/varnel_rc_family_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr || chdir(folder) != 0) _exit(1);
    SeedRand(3);
    TTable train, stackTrain, stackTest;
    RandomTable(train, n);
    RandomTable(stackTrain, n);
    RandomTable(stackTest, n);
    TDValInfo info;
    info.CalcFromTable(train);
    TRulCache cache(cacheSize);
    TRCNode root;
    root.SetDiscretize(1);
    BenchTimer build;
    root.BuildWithFamily(cache, train, stackTrain, &stackTest, info, nullptr, nullptr, 1);
    const double buildSeconds = build.Seconds();

    int chain = 0;
    int children = 0;
    int childNodes = 0;
    for (TRCNode* node = &root; node != nullptr; node = node->GetRestChild()) {
        ++chain;
        if (!node->GetInternal()) break;
        children += node->GetFamilyCount();
        for (int j = 0; j < node->GetFamilyCount(); ++j) childNodes += node->GetFamilyChild(j)->CountNodes();
    }
    char extra[200];
    std::snprintf(extra, sizeof extra, "%d nodes on the rest chain, %d family children (%d nodes), %d rule sets", chain,
                  children, childNodes, cache.GetCount());
    BenchReport("BuildWithFamily " + std::to_string(n) + " x 10, A and B of " + std::to_string(n), buildSeconds, extra);

    BenchTimer classify;
    TTable row;
    row.CreateTable(1, stackTest.GetNoAttr());
    int decided = 0;
    int correct = 0;
    int stacked = 0;
    for (int o = 0; o < stackTest.GetNoObj(); ++o) {
        for (int a = 0; a < stackTest.GetNoAttr(); ++a) row.SetTable(0, a, stackTest.GetTable(o, a));
        std::string trace;
        int matchCount = 0;
        int result = 0;
        root.ClassifyWithFamily(cache, row, trace, matchCount, result);
        decided += result != -1;
        correct += result == 1;
        stacked += matchCount >= 2;
    }
    const double seconds = classify.Seconds();
    std::snprintf(extra, sizeof extra, "%.1f us each; %d stacked, %d decided, %d correct; cache of %d sets",
                  seconds / n * 1e6, stacked, decided, correct, cacheSize);
    BenchReport("ClassifyWithFamily " + std::to_string(n) + " objects", seconds, extra);
    std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    RunCasesApart({{"5000", [] { Run(5000, 1000); }},
                   {"10000", [] { Run(10000, 1000); }},
                   {"20000", [] { Run(20000, 1000); }},
                   {"20000 small cache", [] { Run(20000, 8); }}},
                  only, true);
    return 0;
}
