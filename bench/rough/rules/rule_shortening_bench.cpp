// Rule shortening as a train-and-test run meets it: the genetic rules of shuttle's even rows
// (29,000 x 10, some 55,000 rules of 2 to 5 descriptors) shortened on those rows at alfa 0.9,
// by ratio on the odd rows, and by weight; then the 233,000 rules of soybean's even rows (342
// objects, rules of 4 to 7 descriptors), where the per-rule work outweighs the objects. Each
// case runs with the masks evaluated over failure groups and again object by object, the way
// every mask was evaluated before and still is for the rules the groups cannot hold.
//
// Usage: bench_rule_shortening_bench [case filter]. shuttle is read from $VARNEL_DATA, else
// ../shared/data beside the source tree; without it its cases are skipped.
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rules/split_rules.h"

namespace {

struct RuleSet {
    std::string name;
    TTable train;
    TTable test;
    TRulMemory rules;
};

void LoadHalves(const std::string& file, RuleSet& set) {
    TTable whole;
    whole.Load(file.c_str());
    CopyRows(whole, 0, set.train);
    CopyRows(whole, 1, set.test);
}

void AddCases(std::vector<BenchCase>& cases, RuleSet& set) {
    for (bool byObjects : {false, true}) {
        const std::string way = byObjects ? ", object by object" : ", failure groups";
        const std::string size = std::to_string(set.rules.GetNoRules()) + " rules over " +
                                 std::to_string(set.train.GetNoObj()) + " objects -> ";
        cases.push_back({set.name + " ShortenRules" + way, [&, byObjects, way, size] {
                             TRulMemory::SetShorteningByObjects(byObjects);
                             TRulMemory target;
                             BenchTimer t;
                             set.rules.ShortenRules(set.train, 0.9f, target);
                             BenchReport(set.name + " ShortenRules alfa 0.9" + way, t.Seconds(),
                                         size + std::to_string(target.GetNoRules()));
                         }});
        cases.push_back({set.name + " ShortenRulesEx" + way, [&, byObjects, way, size] {
                             TRulMemory::SetShorteningByObjects(byObjects);
                             TRulMemory target;
                             BenchTimer t;
                             set.rules.ShortenRulesEx(set.train, set.test, 0.9f, target);
                             BenchReport(set.name + " ShortenRulesEx alfa 0.9" + way, t.Seconds(),
                                         size + std::to_string(target.GetNoRules()));
                         }});
        cases.push_back({set.name + " ShortenRuleByWeight" + way, [&, byObjects, way, size] {
                             TRulMemory::SetShorteningByObjects(byObjects);
                             TRulMemory target;
                             std::vector<int> mask;
                             std::vector<int> counts;
                             BenchTimer t;
                             set.rules.ShortenRuleByWeight(set.rules.GetRoot(), set.train, target, 0.9f, mask, counts);
                             BenchReport(set.name + " ShortenRuleByWeight alfa 0.9" + way, t.Seconds(),
                                         size + std::to_string(target.GetNoRules()));
                         }});
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const char* env = std::getenv("VARNEL_DATA");
    const std::string data = env != nullptr ? env : std::string(VARNEL_SOURCE) + "/../shared/data";
    const std::string shuttle = data + "/shuttle.tab";
    struct stat st;
    std::vector<BenchCase> cases;

    // A filter naming one table spares the other's rule generation.
    RuleSet genetic;
    genetic.name = "shuttle genetic";
    if (only.find("soybean") == std::string::npos && ::stat(shuttle.c_str(), &st) == 0) {
        LoadHalves(shuttle, genetic);
        QuietModeGuard quiet;
        BenchTimer t;
        genetic.rules.CalculateGeneticRules(&genetic.train);
        BenchReport("genetic rules of shuttle's even rows", t.Seconds(),
                    std::to_string(genetic.rules.GetNoRules()) + " rules");
        AddCases(cases, genetic);
    }
    RuleSet all;
    all.name = "soybean all";
    if (only.find("shuttle") == std::string::npos) {
        LoadHalves(std::string(VARNEL_TABLES) + "/soybean.tab", all);
        QuietModeGuard quiet;
        BenchTimer t;
        all.rules.CalculateAllRules(&all.train, 0);
        BenchReport("all rules of soybean's even rows", t.Seconds(), std::to_string(all.rules.GetNoRules()) + " rules");
        AddCases(cases, all);
    }
    RunCasesApart(cases, only, true);
    return 0;
}
