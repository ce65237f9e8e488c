// Cut sets at size: the quality of every midpoint cut of a 20,000-object column (one pass
// per cut; a few cuts counted pair by pair for scale), and a 200,000 x 50 table with 100
// ascending cuts per attribute applied through the cuts file and through a cut set (binary
// search per group), and once more with every group out of order (the scan); a cuts file of
// 1,000,000 cuts read into a set.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "core/table.h"
#include "discretization/cuts/cut_groups.h"
#include "discretization/cuts/cuts_set.h"

namespace {

void QualityOfEveryMidpoint() {
    const int n = 20000;
    std::mt19937 gen(3);
    std::vector<int> values(n);
    for (int i = 0; i < n; ++i) values[size_t(i)] = i;
    std::shuffle(values.begin(), values.end(), gen);
    TTable t;
    t.CreateTable(n, 2);
    for (int o = 0; o < n; ++o) {
        t.SetTable(o, 0, values[size_t(o)]);
        t.SetTable(o, 1, static_cast<int>(gen() % 5));
    }
    BenchTimer timer;
    long long sum = 0;
    for (int v = 0; v + 1 < n; ++v) {
        TCut cut(0, static_cast<float>(v) + 0.5f);
        cut.ComputeQuality(t);
        sum += cut.GetQuality();
    }
    const double seconds = timer.Seconds();
    BenchReport("ComputeQuality, 19,999 cuts of 20,000 objects", seconds,
                "per cut " + std::to_string(seconds / (n - 1) * 1e6) + " us, checksum " + std::to_string(sum));

    BenchTimer pairTimer;
    long long pairs = 0;
    for (int v : {4999, 9999}) {
        const double c = v + 0.5;
        for (int x = 0; x < n; ++x) {
            for (int y = x + 1; y < n; ++y) {
                const double vx = t.Value(x, 0), vy = t.Value(y, 0);
                if (t.Value(x, 1) != t.Value(y, 1) && ((vx < c && vy > c) || (vx > c && vy < c))) ++pairs;
            }
        }
    }
    BenchReport("pair by pair, 2 cuts of 20,000 objects", pairTimer.Seconds(), "checksum " + std::to_string(pairs));
}

void ApplyLargeTable() {
    const int objects = 200000, conditions = 50, perAttribute = 100;
    std::mt19937 gen(5);
    TTable source;
    source.CreateTable(objects, conditions + 1);
    for (int o = 0; o < objects; ++o) {
        int* row = source.Row(o);
        for (int a = 0; a <= conditions; ++a) row[a] = static_cast<int>(gen() % 100000);
    }
    // The unordered groups are the ascending ones with their last two cuts swapped: the scan
    // then walks about half of each group for a value, as it would for any unordered group.
    std::string ascending, unordered;
    for (int a = 0; a < conditions; ++a) {
        for (int k = 0; k < perAttribute; ++k) {
            const std::string head = std::to_string(a) + "\t";
            ascending += head + std::to_string(k * 1000 + 500) + "\n";
            const int swapped = k == perAttribute - 2 ? k + 1 : (k == perAttribute - 1 ? k - 1 : k);
            unordered += head + std::to_string(swapped * 1000 + 500) + "\n";
        }
    }
    const char* upName = "/tmp/varnel_bench_cuts_up";
    const char* downName = "/tmp/varnel_bench_cuts_unordered";
    WriteWholeFile(upName, ascending);
    WriteWholeFile(downName, unordered);

    TTable t;
    t = source;
    BenchTimer fileTimer;
    ApplyCutsFile(t, upName);
    BenchReport("ApplyCutsFile, 200,000 x 50, 100 cuts each", fileTimer.Seconds());

    TCutsSet set;
    set.LoadQMV(upName);
    t = source;
    BenchTimer setTimer;
    set.Discretize(t);
    BenchReport("TCutsSet::Discretize, same cuts", setTimer.Seconds());

    t = source;
    BenchTimer scanTimer;
    ApplyCutsFile(t, downName);
    BenchReport("ApplyCutsFile, groups unordered (scan)", scanTimer.Seconds());
    std::remove(upName);
    std::remove(downName);
}

void LoadManyCuts() {
    const int attributes = 10, perAttribute = 100000;
    std::string text;
    for (int a = 0; a < attributes; ++a) {
        for (int k = 0; k < perAttribute; ++k) text += std::to_string(a) + "\t" + std::to_string(k) + ".5\n";
    }
    const char* name = "/tmp/varnel_bench_cuts_many";
    WriteWholeFile(name, text);
    TCutsSet set;
    BenchTimer timer;
    set.LoadQMV(name);
    BenchReport("TCutsSet::LoadQMV, 1,000,000 cuts", timer.Seconds(), std::to_string(set.GetNoCuts()) + " cuts");
    std::remove(name);
}

}  // namespace

int main() {
    QualityOfEveryMidpoint();
    ApplyLargeTable();
    LoadManyCuts();
    return 0;
}
