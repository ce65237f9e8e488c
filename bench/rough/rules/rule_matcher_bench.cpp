// Every rule against every object of a large table: all rules of shuttle's even rows (58,000
// x 10; tens of thousands of rules), evaluated on them (CalcRulesInfo) and voting on the odd
// rows (ClassifyTable by several methods, with and without thresholds, the class thresholds
// and the choice of the best method), and the covering report of the largest class; then
// the worst case of the rule matcher, long rules that almost hold. The result figures are
// printed with the times, so that runs of two builds can be compared.
//
// Usage: bench_rule_matcher_bench [case filter] [row step, default 2: every other row]. The
// table is read from $VARNEL_DATA, else ../shared/data beside the source tree.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/decision_values.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"

namespace {

void Rows(const TTable& from, int first, int step, TTable& to) {
    const int rows = (from.GetNoObj() - first + step - 1) / step;
    to.CreateTable(rows, from.GetNoAttr());
    for (int r = 0; r < rows; ++r) {
        for (int a = 0; a < from.GetNoAttr(); ++a) to.SetTable(r, a, from.GetTable(step * r + first, a));
    }
}

std::string Figures(const TDValInfo& info, int errors) {
    char text[160];
    std::snprintf(text, sizeof text, "accuracy %.6f coverage %.6f errors %d, draw after %d", info.GetAccuracy(),
                  info.GetCoverage(), errors, Rand());
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const int step = argc > 2 ? std::max(2, std::atoi(argv[2])) : 2;
    const char* env = std::getenv("VARNEL_DATA");
    const std::string table = (env != nullptr ? env : std::string(VARNEL_SOURCE) + "/../shared/data") + "/shuttle.tab";
    if (!std::ifstream(table)) {
        std::fprintf(stderr, "%s not found\n", table.c_str());
        return 0;
    }
    TTable whole, train, test;
    whole.Load(table.c_str());
    Rows(whole, 0, step, train);
    Rows(whole, 1, step, test);
    TRulMemory memory;
    TDValInfo info;
    {
        QuietModeGuard quiet;
        BenchTimer t;
        memory.CalculateAllRules(&train, 1);
        info.CalcFromTable(train);
        BenchReport("all rules of the training rows", t.Seconds(),
                    std::to_string(memory.GetNoRules()) + " rules, " + std::to_string(train.GetNoObj()) + " objects");
    }
    // Mode 2 is the setup of the voting; modes 0 and 1 are cases of their own.
    auto evaluate = [&](int mode) {
        BenchTimer t;
        memory.CalcRulesInfo(&train, mode);
        const TRuleComp* r = memory.GetRoot()->GetRule();
        BenchReport("CalcRulesInfo mode " + std::to_string(mode), t.Seconds(),
                    "first rule " + std::to_string(r->GetPosSupport()) + " " + std::to_string(r->GetNegSupport()) +
                        " " + std::to_string(r->GetWeight()));
    };
    evaluate(2);
    std::vector<BenchCase> cases;
    for (int mode : {0, 1}) {
        cases.push_back({"CalcRulesInfo mode " + std::to_string(mode), [&, mode] { evaluate(mode); }});
    }
    struct Voting {
        int method;
        int kind;
    };
    for (Voting v : {Voting{0, -1}, Voting{3, -1}, Voting{8, -1}, Voting{1, 0}, Voting{7, 2}}) {
        const std::string name = "ClassifyTable method " + std::to_string(v.method) +
                                 (v.kind < 0 ? "" : ", thresholds of kind " + std::to_string(v.kind));
        cases.push_back({name, [&, v, name] {
                             // Thresholds that some rules of every class pass and some do not.
                             std::vector<double> h;
                             for (int k = 0; k < info.GetNoDecVal(); ++k) {
                                 double low = 1e300, high = -1e300;
                                 memory.GetMinMaxWeight(v.kind < 0 ? 0 : v.kind, info.GetDecVal(k), low, high);
                                 h.push_back((low + high) / 2);
                             }
                             RandomInt(1);
                             SeedRand(1);
                             int errors = 0;
                             BenchTimer t;
                             memory.ClassifyTable(info, v.method, test, errors, v.kind, h.data());
                             BenchReport(name, t.Seconds(), Figures(info, errors));
                         }});
    }
    cases.push_back({"CalcClassThresholds", [&] {
                         double sens = 0, spec = 0, acc = 0, area = 0;
                         BenchTimer t;
                         memory.CalcClassThresholds(info, 0, test, 0, 250, sens, spec, acc, area);
                         BenchReport("CalcClassThresholds of class 0, method 0", t.Seconds(),
                                     "area " + std::to_string(area) + ", accuracy " + std::to_string(acc));
                     }});
    cases.push_back({"EvaluateVoteMethods", [&] {
                         RandomInt(1);
                         SeedRand(1);
                         double best = 0;
                         BenchTimer t;
                         const int method = memory.EvaluateVoteMethods(test, info, best);
                         BenchReport("EvaluateVoteMethods (7 methods)", t.Seconds(),
                                     "method " + std::to_string(method) + ", accuracy " + std::to_string(best));
                     }});
    cases.push_back({"SaveCoverings", [&] {
                         int largest = 0;
                         for (int k = 1; k < info.GetNoDecVal(); ++k) {
                             if (info.GetDCNoObj(k) > info.GetDCNoObj(largest)) largest = k;
                         }
                         const int d = info.GetDecVal(largest);
                         std::ostringstream out;
                         BenchTimer t;
                         memory.SaveCoverings(out, train, d, info.GetDCNoObj(largest), nullptr, 0);
                         BenchReport("SaveCoverings of the largest class", t.Seconds(),
                                     "decision " + std::to_string(d) + ", " + std::to_string(info.GetDCNoObj(largest)) +
                                         " objects, report of " + std::to_string(out.str().size()) + " bytes");
                     }});
    // The worst case of counting: blocks of 20 descriptors that, but for one block per object,
    // fail on their first one and hold on the other 19; such objects are tested rule by rule.
    cases.push_back({"long rules", [&] {
                         TTable wide;
                         wide.CreateTable(5000, 21);
                         for (int o = 0; o < wide.GetNoObj(); ++o) {
                             for (int a = 0; a < 21; ++a) wide.SetTable(o, a, a == 0 ? o : a == 20 ? o % 2 : 0);
                         }
                         TRulMemory longRules;
                         {
                             QuietModeGuard quiet;
                             for (int r = 0; r < 5000; ++r) {
                                 auto block = std::make_unique<TBlock>();
                                 block->AddDescriptor(0, r);
                                 for (int a = 1; a < 20; ++a) block->AddDescriptor(a, 0);
                                 auto rule = std::make_unique<TRuleComp>(std::move(block), r);
                                 rule->SetDecision(r % 2);
                                 longRules.InsertRule(std::move(rule));
                             }
                         }
                         BenchTimer t;
                         longRules.CalcRulesInfo(&wide, 0);
                         TDValInfo classes;
                         classes.CalcFromTable(wide);
                         int errors = 0;
                         longRules.ClassifyTable(classes, 1, wide, errors, -1, nullptr);
                         BenchReport("long rules: CalcRulesInfo mode 0 and ClassifyTable", t.Seconds(),
                                     std::to_string(longRules.GetNoRules()) + " rules x 5000 objects, " +
                                         Figures(classes, errors));
                     }});
    RunCasesApart(cases, only, true);
    return 0;
}
