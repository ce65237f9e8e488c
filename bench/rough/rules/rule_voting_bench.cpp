// Voting, class thresholds and shortening over every rule of vote.tab's even rows (evaluated
// on them), classifying the odd rows: ClassifyTable per method (one pass over the rules per
// object), the same table four times over (linear in the objects; method 2 counts the objects
// covered by a list of voting rules once), the class scores of
// single objects through the tree walks for comparison, CalcClassThresholds at 250 steps
// (one scoring pass and a sweep of the stored scores) against 250 scoring passes, and
// ShortenRules at alfa 0.9.
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/decision_values.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"

namespace {

void Rows(const TTable& from, int first, int times, TTable& to) {
    const int rows = (from.GetNoObj() - first + 1) / 2;
    to.CreateTable(rows * times, from.GetNoAttr());
    for (int r = 0; r < rows * times; ++r) {
        for (int a = 0; a < from.GetNoAttr(); ++a) to.SetTable(r, a, from.GetTable(2 * (r % rows) + first, a));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    TTable whole, train, test, test4;
    whole.Load(VARNEL_TABLES "/vote.tab");
    Rows(whole, 0, 1, train);
    Rows(whole, 1, 1, test);
    Rows(whole, 1, 4, test4);
    TRulMemory memory;
    TDValInfo info;
    {
        QuietModeGuard quiet;
        BenchTimer t;
        memory.CalculateAllRules(&train, 1);
        memory.CalcRulesInfo(&train, 2);
        info.CalcFromTable(train);
        BenchReport("all rules of the even rows, evaluated", t.Seconds(), std::to_string(memory.GetNoRules()) + " rules");
    }
    const std::string size = std::to_string(memory.GetNoRules()) + " rules x ";

    std::vector<BenchCase> cases;
    for (int method : {0, 1, 2, 3, 4, 5, 7, 8}) {
        cases.push_back({"ClassifyTable method " + std::to_string(method), [&, method] {
                             int errors = 0;
                             BenchTimer t;
                             memory.ClassifyTable(info, method, test, errors, -1, nullptr);
                             BenchReport("ClassifyTable method " + std::to_string(method), t.Seconds(),
                                         size + std::to_string(test.GetNoObj()) + " objects, accuracy " +
                                             std::to_string(info.GetAccuracy()));
                         }});
    }
    for (int method : {0, 2}) {
        const std::string name = "ClassifyTable method " + std::to_string(method) + ", objects x 4";
        cases.push_back({name, [&, method, name] {
                             int errors = 0;
                             BenchTimer t;
                             memory.ClassifyTable(info, method, test4, errors, -1, nullptr);
                             BenchReport(name, t.Seconds(), size + std::to_string(test4.GetNoObj()) + " objects");
                         }});
    }
    cases.push_back({"ClassScore tree walks, method 0", [&] {
                         BenchTimer t;
                         double sum = 0;
                         for (int o = 0; o < test.GetNoObj(); ++o) {
                             for (int k = 0; k < info.GetNoDecVal(); ++k) sum += memory.ClassScore(info, k, test, o, 0);
                         }
                         BenchReport("ClassScore tree walks, method 0, every class", t.Seconds(),
                                     size + std::to_string(test.GetNoObj()) + " objects, sum " + std::to_string(sum));
                     }});
    for (int method : {0, 3}) {
        cases.push_back({"CalcClassThresholds method " + std::to_string(method), [&, method] {
                             double sens = 0, spec = 0, acc = 0, area = 0;
                             BenchTimer t;
                             memory.CalcClassThresholds(info, 0, test, method, 250, sens, spec, acc, area);
                             BenchReport("CalcClassThresholds 250 steps, method " + std::to_string(method), t.Seconds(),
                                         "area " + std::to_string(area) + ", accuracy " + std::to_string(acc));
                         }});
    }
    // What scoring every object again at each threshold would cost: 250 passes of the
    // per-class tree walks (the sweep itself left out).
    cases.push_back({"250 scoring passes, method 0", [&] {
                         BenchTimer t;
                         double sum = 0;
                         for (int step = 0; step < 250; ++step) {
                             for (int o = 0; o < test.GetNoObj(); ++o) sum += memory.ClassScore(info, 0, test, o, 0);
                         }
                         BenchReport("250 scoring passes of class 0, method 0", t.Seconds(), "sum " + std::to_string(sum));
                     }});
    cases.push_back({"ShortenRules", [&] {
                         TRulMemory target;
                         BenchTimer t;
                         memory.ShortenRules(train, 0.9f, target);
                         BenchReport("ShortenRules alfa 0.9", t.Seconds(),
                                     std::to_string(memory.GetNoRules()) + " -> " + std::to_string(target.GetNoRules()) +
                                         " rules over " + std::to_string(train.GetNoObj()) + " objects");
                     }});
    RunCasesApart(cases, only);
    return 0;
}
