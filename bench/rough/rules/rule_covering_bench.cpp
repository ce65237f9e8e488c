// The covering report over 1,520 rules of one class, the four of each of 380 pairs of random
// binary attributes, so that every object matches one rule in four: 35,000 objects give
// 13,300,000 (rule, object) matches and 45,000 give 17,100,000. Each table is
// reported twice, its counts held up to 16,777,216 matches (the fixed bound the report once
// had: past it every step recounts the remaining rules over the table) and up to what half of
// the physical memory holds; the two reports must be the same.
//
// On an 8-core machine with 23 GB (Release build), the report alone:
//   35,000 objects: 0.44 s with either bound;
//   45,000 objects: 25.2 s with the fixed bound, 0.56 s with the bound from memory.
//
// Usage: bench_rule_covering_bench [case filter].
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"

namespace {

constexpr int kConditions = 29;
constexpr int kRules = 1520;

void FillRandomBinary(TTable& t, int objects) {
    SeedRand(1);
    t.CreateTable(objects, kConditions + 1);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a <= kConditions; ++a) t.SetTable(o, a, (Rand() >> 7) & 1);
    }
}

// The first kRules rules (a_i = u) and (a_j = w), i < j, of decision 1.
void PairRules(TRulMemory& m) {
    QuietModeGuard quiet;
    int made = 0;
    for (int i = 0; i < kConditions && made < kRules; ++i) {
        for (int j = i + 1; j < kConditions && made < kRules; ++j) {
            for (int v = 0; v < 4 && made < kRules; ++v, ++made) {
                auto block = std::make_unique<TBlock>();
                block->AddDescriptor(i, v / 2);
                block->AddDescriptor(j, v % 2);
                auto rule = std::make_unique<TRuleComp>(std::move(block), made);
                rule->SetDecision(1);
                m.InsertRule(std::move(rule));
            }
        }
    }
}

long long Matches(const TRulMemory& m, const TTable& t) {
    std::vector<TRuleComp*> rules(static_cast<size_t>(m.GetNoRules()));
    int n = 0;
    m.GetRoot()->Flatten(rules.data(), n);
    long long matches = 0;
    for (const TRuleComp* r : rules) {
        for (int o = 0; o < t.GetNoObj(); ++o) matches += r->TestObj(t, o) ? 1 : 0;
    }
    return matches;
}

void Case(int objects) {
    TTable t;
    FillRandomBinary(t, objects);
    TRulMemory m;
    PairRules(m);
    m.CalcRulesInfo(&t, 2);
    int n = 0;
    for (int o = 0; o < objects; ++o) n += t.GetTable(o, kConditions) == 1 ? 1 : 0;
    const std::string shape = std::to_string(objects) + " objects, " + std::to_string(m.GetNoRules()) +
                              " rules, " + std::to_string(Matches(m, t)) + " matches";
    std::string reports[2];
    for (int k = 0; k < 2; ++k) {
        TRulMemory::SetCoveringMatchLimit(k == 0 ? 1LL << 24 : 0);
        std::ostringstream out;
        BenchTimer timer;
        m.SaveCoverings(out, t, 1, n, nullptr, 0);
        BenchReport(std::string("SaveCoverings, ") + (k == 0 ? "bound 2^24" : "bound from memory"),
                    timer.Seconds(), shape + ", " + std::to_string(out.str().size()) + " bytes");
        reports[k] = out.str();
    }
    std::fprintf(stderr, "same reports: %s\n", reports[0] == reports[1] ? "yes" : "NO");
    if (reports[0] != reports[1]) std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    std::vector<BenchCase> cases;
    for (int objects : {35000, 45000}) cases.push_back({std::to_string(objects), [objects] { Case(objects); }});
    RunCasesApart(cases, only, true);
    return 0;
}
