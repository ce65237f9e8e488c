// LEM2 at fraction 0 on soybean (35 conditions, missing values) and on ten copies of it one
// after another, which give the same rules: each descriptor costs a pair tree over the
// objects still matching and a scan of the table, so ten times the objects should cost
// about ten times the time, not a hundred. Then the coverings report for soybean's largest
// class over soybean's rules, on both tables: the rules' matches are found once and kept
// counted as objects are covered, so it too should grow about tenfold.
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/decision_values.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"

namespace {

std::vector<std::string> RuleTexts(const TRulMemory& m) {
    std::vector<TRuleComp*> rules(static_cast<size_t>(m.GetNoRules()));
    int n = 0;
    if (m.GetRoot() != nullptr) m.GetRoot()->Flatten(rules.data(), n);
    std::vector<std::string> out;
    for (const TRuleComp* r : rules) {
        std::ostringstream s;
        const TBlock& b = *r->GetBlock();
        for (int i = 0; i < b.GetNoDesc(); ++i) s << "(" << b.GetAttr(i) << "=" << b.GetValue(i) << ")";
        s << r->GetDecision();
        out.push_back(s.str());
    }
    return out;
}

std::unique_ptr<TRulMemory> Lem2(const std::string& name, TTable& t) {
    TDValInfo classes;
    classes.CalcFromTable(t);
    auto m = std::make_unique<TRulMemory>();
    BenchTimer timer;
    m->CalculateRulesLEM2(&t, classes, 0.0);
    BenchReport("CalculateRulesLEM2(0) " + name, timer.Seconds(),
                std::to_string(t.GetNoObj()) + " objects, " + std::to_string(m->GetNoRules()) + " rules");
    return m;
}

void Coverings(const std::string& name, TRulMemory& m, const TTable& t, int d, int n) {
    std::ostringstream out;
    BenchTimer timer;
    m.SaveCoverings(out, t, d, n, nullptr, 0);
    BenchReport("SaveCoverings " + name, timer.Seconds(),
                std::to_string(t.GetNoObj()) + " objects, class of " + std::to_string(n) + ", " +
                    std::to_string(out.str().size()) + " bytes");
}

}  // namespace

int main() {
    TTable soybean;
    soybean.Load(VARNEL_TABLES "/soybean.tab");
    const int noObj = soybean.GetNoObj();
    const int noAttr = soybean.GetNoAttr();
    TTable tenfold;
    tenfold.CreateTable(noObj * 10, noAttr);
    for (int k = 0; k < 10; ++k) {
        for (int o = 0; o < noObj; ++o) {
            for (int a = 0; a < noAttr; ++a) tenfold.SetTable(k * noObj + o, a, soybean.Value(o, a));
        }
    }
    // LEM2 and the report write their progress on standard output.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    std::unique_ptr<TRulMemory> once = Lem2("soybean", soybean);
    const bool same = RuleTexts(*once) == RuleTexts(*Lem2("soybean x 10", tenfold));
    std::fprintf(stderr, "same rules: %s\n", same ? "yes" : "NO");

    TDValInfo classes;
    classes.CalcFromTable(soybean);
    int largest = 0;
    for (int k = 1; k < classes.GetNoDecVal(); ++k) {
        if (classes.GetDCNoObj(k) > classes.GetDCNoObj(largest)) largest = k;
    }
    once->CalcRulesInfo(&soybean, 2);
    const int d = classes.GetDecVal(largest);
    const int n = classes.GetDCNoObj(largest);
    Coverings("soybean", *once, soybean, d, n);
    Coverings("soybean x 10", *once, tenfold, d, n * 10);
    return same ? 0 : 1;
}
