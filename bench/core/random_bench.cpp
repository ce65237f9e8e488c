// Throughput of the one random generator (every genetic and evolutionary search draws from it).
#include "bench/bench_util.h"
#include "core/random.h"

int main() {
    SeedRand(1);
    BenchTimer t;
    long long sum = 0;
    const int n = 100000000;
    for (int i = 0; i < n; ++i) sum += Rand();
    BenchReport("Rand() x 1e8", t.Seconds(), "checksum " + std::to_string(sum));
    return 0;
}
