// Sorting, replica removal, pair counting and splitting of large tables: all n log n with a
// flat stack, whatever the order and repetition of the rows; importing real data: linear.
#include <cstdio>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "core/quick_sort.h"
#include "core/random.h"
#include "core/table.h"

namespace {

enum class Shape { Random, Sorted, MostlyDuplicates };

void Fill(TTable& t, int noObj, int noAttr, Shape shape) {
    t.CreateTable(noObj, noAttr);
    SeedRand(1);
    for (int o = 0; o < noObj; ++o) {
        // Nine rows in ten repeat one of the first tenth of the rows.
        const int from = shape == Shape::MostlyDuplicates && o >= noObj / 10 ? (Rand() * 32768 + Rand()) % (noObj / 10) : -1;
        for (int a = 0; a < noAttr; ++a) {
            // The high bits of the generator: its low bits repeat after a few thousand draws.
            t.SetTable(o, a, from >= 0 ? t.GetTable(from, a) : Rand() / (a == noAttr - 1 ? 16384 : 8192));
        }
    }
    if (shape == Shape::Sorted) t.Sort();
}

const char* Name(Shape shape) {
    return shape == Shape::Random ? "random" : shape == Shape::Sorted ? "sorted" : "90% duplicates";
}

}  // namespace

int main() {
    for (Shape shape : {Shape::Random, Shape::Sorted, Shape::MostlyDuplicates}) {
        const std::string label = std::string(" 200000x20 ") + Name(shape);
        TTable t;
        Fill(t, 200000, 20, shape);
        BenchTimer pairs;
        const long long count = t.CountDiscernedPairs();
        BenchReport("TTable::CountDiscernedPairs" + label, pairs.Seconds(), std::to_string(count) + " pairs");
        BenchTimer sort;
        t.Sort();
        BenchReport("TTable::Sort" + label, sort.Seconds());
        Fill(t, 200000, 20, shape);
        BenchTimer replicas;
        t.RemoveReplicas();
        BenchReport("TTable::RemoveReplicas" + label, replicas.Seconds(), std::to_string(t.GetNoObj()) + " rows kept");
    }

    // Two decision classes: every partition after the first meets a run of equal keys.
    {
        TTable t;
        t.CreateTable(100000, 3);
        SeedRand(2);
        for (int o = 0; o < 100000; ++o) {
            t.SetTable(o, 0, o);
            t.SetTable(o, 1, Rand());
            t.SetTable(o, 2, Rand() % 2);
        }
        std::vector<int> keys(100000);
        for (int o = 0; o < 100000; ++o) keys[static_cast<size_t>(o)] = t.GetTable(o, 2);
        std::vector<int> index(100000);
        std::iota(index.begin(), index.end(), 0);
        auto keyAt = [&](int i) { return keys[static_cast<size_t>(index[static_cast<size_t>(i)])]; };
        auto exchange = [&](int i, int j) { std::swap(index[static_cast<size_t>(i)], index[static_cast<size_t>(j)]); };
        BenchTimer plain;
        PivotFirstQuickSort<PivotRun::Partition>(0, 99999, keyAt, exchange);
        BenchReport("pivot-first partition, 100000 keys of 2 classes", plain.Seconds(), "every pivot of a run scans it");
        std::iota(index.begin(), index.end(), 0);
        BenchTimer skip;
        PivotFirstQuickSort<PivotRun::Skip>(0, 99999, keyAt, exchange);
        BenchReport("pivot-first, equal runs passed over, same keys", skip.Seconds());
        BenchTimer byDec;
        t.SortByDec();
        BenchReport("TTable::SortByDec 100000 rows, 2 classes", byDec.Seconds());
    }

    {
        TTable t;
        t.CreateTable(1000000, 5);
        for (int o = 0; o < 1000000; ++o) {
            for (int a = 0; a < 5; ++a) t.SetTable(o, a, o + a);
        }
        for (double ratio : {0.5, 0.99}) {
            TTable first;
            TTable second;
            BenchTimer split;
            t.SplitTable(ratio, first, second);
            BenchReport("TTable::SplitTable 1e6 rows at " + std::to_string(ratio).substr(0, 4), split.Seconds(),
                        std::to_string(first.GetNoObj()) + " + " + std::to_string(second.GetNoObj()));
        }
    }

    {
        std::string name = "/tmp/varnel_bench_float_XXXXXX";
        const int fd = mkstemp(name.data());
        if (fd < 0) return 1;
        close(fd);
        std::string text;
        for (int o = 0; o < 200000; ++o) {
            for (int a = 0; a < 5; ++a) {
                AppendInt(text, Rand() - 16384);
                text += a == 4 ? "\n" : ".25 ";
            }
        }
        if (!WriteWholeFile(name.c_str(), text)) return 1;
        TTable t;
        BenchTimer import;
        t.ImportFloatData(name.c_str(), 2);
        BenchReport("TTable::ImportFloatData 1e6 values", import.Seconds(), std::to_string(t.GetNoObj()) + " rows");
        std::remove(name.c_str());
    }
    return 0;
}
