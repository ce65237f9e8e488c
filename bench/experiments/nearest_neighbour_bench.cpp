// The nearest-neighbour procedures on a synthetic 10,000-object training table and a
// 1,000-object test table of 8 condition attributes: k = n, where every test object ranks
// the whole training table, against k = 1 and k = 5, and the radius procedure.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/decision_values.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/nearest_neighbour.h"

namespace {

void Random(TTable& t, int objects, int conditions, unsigned seed) {
    SeedRand(seed);
    t.CreateTable(objects, conditions + 1);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < conditions; ++a) t.SetTable(o, a, Rand() % 10);
        t.SetTable(o, conditions, (t.Value(o, 0) + t.Value(o, 1) > 9) + (Rand() % 10 == 0));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    TTable train;
    TTable test;
    Random(train, 10000, 8, 1);
    Random(test, 1000, 8, 2);
    TDValInfo values;
    values.CalcFromTable(train);
    const std::vector<int> w{1, 1, 1, 1, 1, 1, 1, 1};
    std::vector<BenchCase> cases;
    for (int k : {1, 5, 10000}) {
        cases.push_back({"Accuracy k=" + std::to_string(k) + " 10,000 / 1,000", [&, k] {
                             BenchTimer timer;
                             const double accuracy = TKnnClassifier().Accuracy(&train, &values, &test, k, w.data());
                             BenchReport("Accuracy k=" + std::to_string(k) + " 10,000 / 1,000", timer.Seconds(),
                                         "accuracy " + std::to_string(accuracy));
                         }});
    }
    cases.push_back({"WeightedVoteAccuracy k=10000", [&] {
                         BenchTimer timer;
                         const double accuracy =
                             TKnnClassifier().WeightedVoteAccuracy(&train, &values, &test, 10000, w.data());
                         BenchReport("WeightedVoteAccuracy k=10000 10,000 / 1,000", timer.Seconds(),
                                     "accuracy " + std::to_string(accuracy));
                     }});
    cases.push_back({"RadiusClassify", [&] {
                         double accuracy = 0.0;
                         double coverage = 0.0;
                         BenchTimer timer;
                         TKnnClassifier().RadiusClassify(&train, &values, &test, &accuracy, &coverage);
                         BenchReport("RadiusClassify 10,000 / 1,000", timer.Seconds(),
                                     "accuracy " + std::to_string(accuracy) + " coverage " + std::to_string(coverage));
                     }});
    RunCasesApart(cases, only, true);
    return 0;
}
