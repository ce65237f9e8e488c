// Cross-validation folds one by one (time and memory per fold: the rule sets of a fold must
// not outlive it), and the class-threshold grid, which classifies the test table 13^D times
// for D decision values.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/decision_values.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/rule_classifier.h"
#include "experiments/test_maker.h"
#include "rough/rules/rul_memory.h"

namespace {

long CurrentRssKb() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The folds of a 10-fold cross-validation of the table, each timed apart.
void Folds(const char* table, const char* rules) {
    TTestMaker maker;
    maker.LoadTrainTable((std::string(VARNEL_TABLES "/") + table).c_str());
    const auto source = maker.MakeCrossValidationTable(*maker.GetTrain(), nullptr);
    TDValInfo info;
    info.CalcFromTable(*source);
    TTestMethods methods;
    methods.rules = rules;
    methods.alfa = 0.9f;
    const int s = source->GetNoObj() / 10;
    for (int f = 0; f < 10; ++f) {
        BenchTimer timer;
        maker.MakeFold(f, *source, nullptr, nullptr, s);
        TTestResult result;
        maker.TrainAndTest(info, methods, "NO", result, nullptr);
        BenchReport(std::string(table) + " " + rules + " fold " + std::to_string(f), timer.Seconds(),
                    "rss " + std::to_string(CurrentRssKb()) + " KB, rules " + std::to_string(result.rules) +
                        ", test error " + std::to_string(result.testError));
    }
}

// A random table of d decision values.
std::unique_ptr<TTable> RandomTable(int rows, int conditions, int d) {
    auto t = std::make_unique<TTable>();
    t->CreateTable(rows, conditions + 1);
    for (int o = 0; o < rows; ++o) {
        for (int a = 0; a < conditions; ++a) t->SetTable(o, a, RandomInt(3));
        t->SetTable(o, conditions, RandomInt(d));
    }
    return t;
}

void Grid(int d) {
    SeedRand(7);
    auto train = RandomTable(80, 6, d);
    auto test = RandomTable(20, 6, d);
    train->Save("bench_grid_train");
    test->Save("bench_grid_test");
    TTestMaker maker;
    maker.LoadTrainTable("bench_grid_train");
    maker.LoadTestTable("bench_grid_test");
    TRuleClassifier classifier;
    classifier.GenerateRules(*train, "A");
    classifier.CalcRulesInfo(*train, 3, 1);
    TDValInfo info;
    info.CalcFromTable(*train);
    std::vector<double> thresholds(static_cast<size_t>(info.GetNoDecVal()), 0.0);
    std::vector<double> best = thresholds;
    // As a run with thresholds starts: the error without them, and no more objects rejected.
    TDValInfo start = info;
    int errors = 0;
    double error = classifier.ClassifyTable(start, 3, *test, errors, 1, thresholds.data());
    const int rejected = test->GetNoObj() - static_cast<int>(start.GetCoverage() * test->GetNoObj() + 0.5);
    const double startError = error;
    BenchTimer timer;
    maker.OptimizeThresholds(classifier, 0, thresholds, rejected, error, best, info, 3, 1);
    long long classifications = 1;
    for (int i = 0; i < info.GetNoDecVal(); ++i) classifications *= 13;
    BenchReport("threshold grid, D = " + std::to_string(d), timer.Seconds(),
                std::to_string(classifications) + " classifications of 20 objects, " +
                    std::to_string(classifier.GetRules()->GetNoRules()) + " rules, error " +
                    std::to_string(startError) + " -> " + std::to_string(error));
    std::remove("bench_grid_train");
    std::remove("bench_grid_test");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    // The first draw seeds from the clock: taken before the fixed seeds, so that runs repeat.
    RandomInt(1);
    SeedRand(1);
    RunCasesApart({{"vote all rules", [] { Folds("vote.tab", "A"); }},
                   {"soybean genetic rules", [] { Folds("soybean.tab", "G"); }},
                   {"grid 2", [] { Grid(2); }},
                   {"grid 3", [] { Grid(3); }},
                   {"grid 4", [] { Grid(4); }}},
                  only, true);
    return 0;
}
