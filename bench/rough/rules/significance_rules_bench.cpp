// Rules by significance on soybean.tab (683 objects, 35 conditions): the speed-3 search for
// objects 0 to 9; the four speed levels on object 0, per generation x member; the search on
// the table repeated 2 and 4 times over; and growths kept by running counts against growths
// that evaluate every prefix afresh.
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/rules/significance_rules.h"
#include "tests/rough/rules/naive_rule_growth.h"

namespace {

void Repeat(const TTable& from, int times, TTable& to) {
    to.CreateTable(from.GetNoObj() * times, from.GetNoAttr());
    for (int k = 0; k < times; ++k)
        for (int o = 0; o < from.GetNoObj(); ++o)
            for (int a = 0; a < from.GetNoAttr(); ++a) to.SetTable(k * from.GetNoObj() + o, a, from.Value(o, a));
}

}  // namespace

int main() {
    TTable soybean;
    soybean.Load(VARNEL_TABLES "/soybean.tab");

    SeedRand(1);
    BenchTimer all;
    for (int o = 0; o < 10; ++o) {
        BenchTimer one;
        const TGARules rule(soybean, o, 3);
        BenchReport("speed 3, soybean object " + std::to_string(o), one.Seconds(),
                    "score " + std::to_string(rule.GetScore()) + " support " + std::to_string(rule.GetSupport()));
    }
    BenchReport("speed 3, soybean objects 0-9", all.Seconds());

    const int work[] = {5 * 5, 10 * 15, 25 * 30, 40 * 60};
    for (int level = 0; level < 4; ++level) {
        SeedRand(1);
        BenchTimer t;
        TGARules(soybean, 0, level);
        const double s = t.Seconds();
        BenchReport("speed " + std::to_string(level) + ", object 0", s,
                    std::to_string(s / work[level] * 1e6) + " us per generation x member");
    }

    for (int times : {2, 4}) {
        TTable bigger;
        Repeat(soybean, times, bigger);
        SeedRand(1);
        BenchTimer t;
        TGARules(bigger, 0, 3);
        BenchReport("speed 3, object 0, soybean x" + std::to_string(times), t.Seconds());
    }

    SeedRand(5);
    const auto perms = RandomPermutations(soybean.GetNoAttr() - 1, 100);
    for (int naive = 0; naive < 2; ++naive) {
        BenchTimer t;
        double sum = 0.0;
        for (int o = 0; o < 10; ++o)
            for (const auto& p : perms) sum += naive ? GrowNaively(soybean, o, p).score : TGARules(soybean, o, p).GetScore();
        BenchReport(naive ? "1000 growths, every prefix evaluated" : "1000 growths, running counts", t.Seconds(),
                    "score sum " + std::to_string(sum));
    }
    return 0;
}
