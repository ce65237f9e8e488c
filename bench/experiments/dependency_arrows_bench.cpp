// One arrow evaluation over all attributes (|Y| - 1 inner genetic reduct searches of 10
// generations of 10) on weather.nominal.tab and vote.tab, and one generation of the search
// over orders on weather.nominal.tab.
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/dependency_arrows.h"

namespace {

void Evaluation(const std::string& name, const char* file) {
    TTable t;
    t.Load(file);
    SeedRand(1);
    ArrowEvaluator evaluator(&t);
    std::vector<int> order(static_cast<size_t>(evaluator.GetLength()));
    std::iota(order.begin(), order.end(), 0);
    ArrowList list(&t);
    BenchTimer timer;
    FindArrows(list, evaluator.GetX(), evaluator.GetY(), order);
    BenchReport(name, timer.Seconds(),
                std::to_string(evaluator.GetLength() - 1) + " searches, " + std::to_string(list.GetCount()) + " arrows");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    std::vector<BenchCase> cases;
    cases.push_back({"FindArrows weather", [] { Evaluation("FindArrows weather.nominal.tab", VARNEL_TABLES "/weather.nominal.tab"); }});
    cases.push_back({"FindArrows vote", [] { Evaluation("FindArrows vote.tab", VARNEL_TABLES "/vote.tab"); }});
    cases.push_back({"NextGeneration weather", [] {
                         TTable t;
                         t.Load(VARNEL_TABLES "/weather.nominal.tab");
                         SeedRand(1);
                         ArrowEvaluator evaluator(&t);
                         BenchTimer timer;
                         evaluator.NextGeneration(10);
                         BenchReport("ArrowEvaluator::NextGeneration(10) weather.nominal.tab", timer.Seconds(),
                                     std::to_string(evaluator.GetArrows()->GetCount()) + " arrows");
                     }});
    RunCasesApart(cases, only, true);
    return 0;
}
