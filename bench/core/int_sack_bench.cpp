// Filling and sorting integer sacks; appends must stay linear whatever the growth step.
#include <memory>
#include <string>

#include "bench/bench_util.h"
#include "core/int_sack.h"
#include "core/random.h"

int main() {
    const int n = 1000000;
    {
        TIntSack s;
        BenchTimer t;
        for (int i = 0; i < n; ++i) s.AddElem(i);
        BenchReport("TIntSack::AddElem x 1e6 (step 10)", t.Seconds(),
                    "capacity " + std::to_string(s.GetCapacity()));
    }
    {
        TIntSack s(1);
        BenchTimer t;
        for (int i = 0; i < n; ++i) s.AddElem(i);
        BenchReport("TIntSack::AddElem x 1e6 (step 1)", t.Seconds());
        BenchTimer sorted;
        s.Sort();
        BenchReport("TIntSack::Sort 1e6 already ascending", sorted.Seconds());
    }
    SeedRand(1);
    {
        TIntSack s;
        for (int i = 0; i < n; ++i) s.AddElem(Rand() * 32768 + Rand());
        BenchTimer t;
        s.QuickSort(0, s.GetNoElem() - 1);
        BenchReport("TIntSack::QuickSort 1e6 random", t.Seconds());
    }
    {
        // Few distinct keys: the first-element pivot is quadratic within each run of equal
        // keys, and the order it leaves them in is part of the result.
        TIntSack s;
        for (int i = 0; i < n / 10; ++i) s.AddElem(Rand() * 32768 + Rand());
        BenchTimer t;
        s.SortByBitCount(30);
        BenchReport("TIntSack::SortByBitCount(30) 1e5 random masks", t.Seconds());
    }
    {
        TIntSackSet set(10);
        for (int i = 0; i < 200000; ++i) {
            auto sack = std::make_unique<TIntSack>(4);
            for (int k = 0; k < 4; ++k) sack->AddElem(Rand() % 12);
            set.AddElem(std::move(sack));
        }
        BenchTimer t;
        set.RemoveDuplicates();
        BenchReport("TIntSackSet::RemoveDuplicates 2e5 sacks", t.Seconds(),
                    std::to_string(set.GetNoElem()) + " kept");
    }
    return 0;
}
