// The positive region by sorting on 100,000 objects (one binary attribute, where a
// first-record pivot would go quadratic, and 20 random attributes), the greedy random
// reduct on 10,000 x 20, random subtables of 100,000 objects (subset sizes beyond the
// double range of the binomial sums), and the dynamic reducts of vote.tab.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/dynamic_reducts.h"
#include "rough/reducts/pos_region.h"
#include "rough/reducts/red_memory.h"

namespace {

void Random(TTable& t, int objects, int conditions, int values) {
    SeedRand(11);
    t.CreateTable(objects, conditions + 1);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < conditions; ++a) t.SetTable(o, a, Rand() % values);
        t.SetTable(o, conditions, (t.Value(o, 0) + t.Value(o, conditions / 2) * t.Value(o, conditions - 1)) % 3);
    }
}

std::vector<int> All(const TTable& t) {
    std::vector<int> list;
    for (int a = 0; a + 1 < t.GetNoAttr(); ++a) list.push_back(a);
    return list;
}

void PosRegion(const std::string& name, const TTable& t) {
    TPosRegion p(&t, 0);
    const std::vector<int> list = All(t);
    BenchTimer timer;
    const int pos = p.CountPosRegion(&t, list.data(), static_cast<int>(list.size()), 0);
    BenchReport(name, timer.Seconds(), "positive region " + std::to_string(pos));
}

}  // namespace

int main() {
    // The searches print their progress; it is not what is measured.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    TTable binary;
    Random(binary, 100000, 1, 2);
    PosRegion("CountPosRegion 100,000 x 1 binary", binary);
    TTable wide;
    Random(wide, 100000, 20, 4);
    PosRegion("CountPosRegion 100,000 x 20", wide);

    TTable greedy;
    Random(greedy, 10000, 20, 4);
    {
        TPosRegion p(&greedy, 1);
        std::vector<int> list = All(greedy), avail(20), work(20), chosen(20);
        std::vector<long long> score(20);
        const int target = p.CountPosRegion(&greedy, list.data(), 20, 0);
        RandomUnit();
        SeedRand(5);
        int len = 0;
        BenchTimer timer;
        p.RandomReduct(&greedy, avail.data(), work.data(), score.data(), chosen.data(), &len, target);
        BenchReport("RandomReduct 10,000 x 20", timer.Seconds(), std::to_string(len) + " attributes");
    }
    {
        TDynamicReducts d;
        long long rows = 0;
        BenchTimer timer;
        for (int i = 0; i < 20; ++i) {
            d.RandomSubtable(&wide, 100000);
            rows += d.GetSubtable()->GetNoObj();
        }
        BenchReport("20 RandomSubtable of 100,000 x 20", timer.Seconds(), "mean size " + std::to_string(rows / 20));
    }
    TTable vote;
    vote.Load(VARNEL_TABLES "/vote.tab");
    {
        TDynamicReducts d;
        TRedMemory m;
        BenchTimer timer;
        d.CalcDynamicReductsAll(&vote, &m);
        BenchReport("CalcDynamicReductsAll vote.tab", timer.Seconds(), std::to_string(m.GetNoRed()) + " reducts");
    }
    {
        TDynamicReducts d;
        std::vector<int> list(17);
        int len = 0;
        BenchTimer timer;
        d.CalcDynamicReducts(&vote, list.data(), &len);
        BenchReport("CalcDynamicReducts vote.tab", timer.Seconds(), std::to_string(len) + " attributes in the best");
    }
    return 0;
}
