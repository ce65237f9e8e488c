// The shuffle of a 200,000-row table (the r-th unpicked row found in a Fenwick tree), and for
// scale the same draws answered by walking the row flags on 20,000 rows.
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/test_maker.h"

namespace {


long long FlagWalk(int rows) {
    std::vector<bool> used(static_cast<size_t>(rows), false);
    long long sum = 0;
    for (int left = rows; left > 0; --left) {
        int r = RandomInt(left) + 1;
        int row = -1;
        while (r > 0) r -= used[size_t(++row)] ? 0 : 1;
        used[size_t(row)] = true;
        sum += row;
    }
    return sum;
}

}  // namespace

int main() {
    TTestMaker maker;
    for (int n : {20000, 200000}) {
        TTable source;
        source.CreateTable(n, 10);
        for (int o = 0; o < n; ++o) {
            for (int a = 0; a < 10; ++a) source.SetTable(o, a, o + a);
        }
        std::vector<int> order(static_cast<size_t>(n));
        SeedRand(1);
        BenchTimer timer;
        const auto shuffled = maker.MakeCrossValidationTable(source, order.data());
        BenchReport("MakeCrossValidationTable, " + std::to_string(n) + " rows", timer.Seconds(),
                    "first row " + std::to_string(order[0]));
    }
    SeedRand(1);
    BenchTimer walk;
    const long long sum = FlagWalk(20000);
    BenchReport("flag walk, 20,000 rows", walk.Seconds(), "checksum " + std::to_string(sum));
    return 0;
}
