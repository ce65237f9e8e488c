// LEM2 at fraction 0 on soybean (35 conditions, missing values) and on ten copies of it one
// after another, which give the same rules: each descriptor costs a pair tree over the
// objects still matching and a scan of the table, so ten times the objects should cost
// about ten times the time, not a hundred.
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

std::vector<std::string> Lem2(const std::string& name, TTable& t) {
    TDValInfo classes;
    classes.CalcFromTable(t);
    TRulMemory m;
    BenchTimer timer;
    m.CalculateRulesLEM2(&t, classes, 0.0);
    BenchReport("CalculateRulesLEM2(0) " + name, timer.Seconds(),
                std::to_string(t.GetNoObj()) + " objects, " + std::to_string(m.GetNoRules()) + " rules");
    return RuleTexts(m);
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
    // LEM2 writes its class lines on standard output.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    const std::vector<std::string> once = Lem2("soybean", soybean);
    const std::vector<std::string> ten = Lem2("soybean x 10", tenfold);
    std::fprintf(stderr, "same rules: %s\n", once == ten ? "yes" : "NO");
    return once == ten ? 0 : 1;
}
