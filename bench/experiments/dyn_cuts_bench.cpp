// The dynamic-cuts procedure on synthetic 5,000 x 36 tables whose attributes take 256 or
// 5,000 distinct values: the cut phase (candidates, their qualities, the countdown, the
// candidates file) and the reduct phase (genetic reducts of the 0/1 table and their
// sampling) timed apart; for scale, the same qualities counted one cut at a time.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/cuts/cuts_set.h"
#include "experiments/dyn_cuts.h"

namespace {

constexpr int kObjects = 5000;
constexpr int kConditions = 36;
constexpr int kMinCuts = 2;

// Attribute values are a shuffled spread of `distinct` values over the objects; the decision
// (3 classes, from the seeded generator alone) follows the first three attributes with some noise, so that some cuts are
// clearly better than others.
void Synthetic(TTable& t, int distinct) {
    SeedRand(3);
    t.CreateTable(kObjects, kConditions + 1);
    for (int a = 0; a < kConditions; ++a) {
        std::vector<int> column(kObjects);
        for (int o = 0; o < kObjects; ++o) column[static_cast<size_t>(o)] = (o % distinct) * 7 - 1000;
        for (int o = kObjects - 1; o > 0; --o) std::swap(column[static_cast<size_t>(o)], column[static_cast<size_t>(Rand() % (o + 1))]);
        for (int o = 0; o < kObjects; ++o) t.SetTable(o, a, column[static_cast<size_t>(o)]);
    }
    const long long middle = (distinct / 2) * 7 - 1000;
    for (int o = 0; o < kObjects; ++o) {
        const int votes = (t.Value(o, 0) > middle) + (t.Value(o, 1) > middle) + (t.Value(o, 2) > middle);
        t.SetTable(o, kConditions, Rand() % 10 == 0 ? Rand() % 3 : votes / 2 + (votes == 3));
    }
}

std::string TempDir() {
    char name[] = "/tmp/dyn_cuts_bench_XXXXXX";
    if (mkdtemp(name) == nullptr) std::exit(1);
    return name;
}

void RemoveDir(const std::string& dir) {
    for (const char* f : {"ALL_CUTS.txt", "DYN_CUTS.txt", "DYN_CUTS_A_DYN_SEL.txt", "DYNAMICZNE.tab"})
        std::remove((dir + "/" + f).c_str());
    rmdir(dir.c_str());
}

// The steps of FindDynamicCuts, timed per phase.
void Phases(int distinct) {
    TTable t;
    Synthetic(t, distinct);
    const std::string dir = TempDir();
    TDynCuts dc(dir);
    const std::string label = "5,000 x 36, " + std::to_string(distinct) + " values";
    BenchTimer cutTimer;
    dc.GetDynCuts().Clear();
    long long candidates = 0;
    double writing = 0.0;  // the files are replaced through a synced temporary file
    for (int a = 0; a < kConditions; ++a) {
        dc.AllMidpointCuts(t, a);
        dc.ComputeQualities(t);
        candidates += dc.GetAllCuts().GetNoCuts();
        BenchTimer save;
        dc.GetAllCuts().Save(dc.DataFile("ALL_CUTS.txt").c_str());
        writing += save.Seconds();
        dc.SelectBestCuts(kMinCuts);
    }
    BenchTimer save;
    dc.GetDynCuts().Save(dc.DataFile("DYN_CUTS.txt").c_str());
    writing += save.Seconds();
    BenchReport("cut phase " + label, cutTimer.Seconds(),
                std::to_string(candidates) + " candidates, " + std::to_string(dc.GetDynCuts().GetNoCuts()) +
                    " kept; files " + std::to_string(writing) + " s of it");
    const int kept = dc.GetDynCuts().GetNoCuts();
    BenchTimer reductTimer;
    dc.SelectByDynamicReducts(t);
    dc.GetDynCuts().Save(dc.DataFile("DYN_CUTS_A_DYN_SEL.txt").c_str());
    BenchReport("reduct phase " + label, reductTimer.Seconds(),
                "0/1 table of " + std::to_string(kept) + " cuts, " + std::to_string(dc.GetDynCuts().GetNoCuts()) +
                    " chosen");
    RemoveDir(dir);
}

void OneCutAtATime(int distinct) {
    TTable t;
    Synthetic(t, distinct);
    TDynCuts dc("/tmp");
    BenchTimer timer;
    long long total = 0;
    for (int a = 0; a < kConditions; ++a) {
        dc.AllMidpointCuts(t, a);
        for (int i = 0; i < dc.GetAllCuts().GetNoCuts(); ++i) {
            dc.GetAllCuts().GetCut(i)->ComputeQuality(t);
            total += dc.GetAllCuts().GetCut(i)->GetQuality();
        }
    }
    BenchReport("qualities one cut at a time, 5,000 x 36, " + std::to_string(distinct) + " values", timer.Seconds(),
                "quality sum " + std::to_string(total));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    std::vector<BenchCase> cases;
    for (int distinct : {256, 5000}) {
        cases.push_back({"phases " + std::to_string(distinct), [distinct] { Phases(distinct); }});
        cases.push_back({"one cut at a time " + std::to_string(distinct), [distinct] { OneCutAtATime(distinct); }});
    }
    RunCasesApart(cases, only, true);
    return 0;
}
