// Counting trees are unbalanced by design: ascending keys make a list and adding them is
// quadratic. Measured so that the cost is known; it must not crash.
#include <memory>
#include <string>

#include "bench/bench_util.h"
#include "core/int_sack.h"
#include "core/int_tree.h"
#include "core/random.h"

int main() {
    {
        const int n = 100000;
        BenchTimer t;
        auto root = std::make_unique<TIntTree>(0);
        for (int i = 1; i < n; ++i) root->Add(i);
        BenchReport("TIntTree::Add 1e5 ascending keys", t.Seconds());
        BenchTimer keys;
        TIntSack s;
        root->GetKeys(s);
        BenchReport("TIntTree::GetKeys on the 1e5 list", keys.Seconds());
        BenchTimer gone;
        root.reset();
        BenchReport("TIntTree destructor on the 1e5 list", gone.Seconds());
    }
    {
        SeedRand(1);
        const int n = 1000000;
        BenchTimer t;
        auto root = std::make_unique<TIntTree>(Rand() * 32768 + Rand());
        for (int i = 1; i < n; ++i) root->Add(Rand() * 32768 + Rand());
        BenchReport("TIntTree::Add 1e6 random keys", t.Seconds(),
                    std::to_string(root->GetNoNodes()) + " nodes");
    }
    return 0;
}
