// Reducts and rules from listed distances between objects, on generated tables of 1,000 and
// 2,000 objects x 10 columns with 20,000 listed pairs: the global reducts (the matrix step
// timed apart from the expansion and clearing), the same matrix with a threshold of 0, where
// every unlisted pair counts too, and the rules of every object's local reducts; then the
// full expansion of mask clauses, which grows as the product of the clause sizes.
//
// Each case runs in a child process of its own, so that its peak memory is its own; standard
// output (the matrix, the RULE lines) goes to /dev/null. With an argument, only the cases
// whose names contain it run.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rul_memory.h"

namespace {

constexpr int kPairs = 20000;

// Values 0 .. 3 in every column; pairs of distinct objects with supports 0 .. 9 and distances
// up to 10.0.
void Generate(TTable& t, TTable& pairs, int objects) {
    SeedRand(7);
    t.CreateTable(objects, 10);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < 10; ++a) t.SetTable(o, a, Rand() % 4);
    }
    pairs.CreateTable(kPairs, 5);
    for (int r = 0; r < kPairs; ++r) {
        const int i = static_cast<int>((static_cast<long long>(Rand()) * 32768 + Rand()) % objects);
        const int j = static_cast<int>((static_cast<long long>(Rand()) * 32768 + Rand()) % objects);
        const int values[5] = {i, j, Rand() % 10, Rand() % 10, (Rand() % 10001) * 1000};
        for (int c = 0; c < 5; ++c) pairs.SetTable(r, c, values[c]);
    }
}

std::string Sized(const std::string& what, int objects) { return what + ", " + std::to_string(objects) + " x 10"; }

// The matrix alone, timed.
void Matrix(TBoole31& b, TTable& t, TTable& pairs, double threshold, const std::string& label) {
    BenchTimer timer;
    b.CreateDiscMatrixSelvaro(&t, &pairs, threshold, 2);
    BenchReport(Sized(label, t.GetNoObj()), timer.Seconds(), std::to_string(b.GetMatrix()->GetNoElem()) + " clauses");
}

void Reducts(int objects) {
    TTable t, pairs;
    Generate(t, pairs, objects);
    {
        TBoole31 b;
        Matrix(b, t, pairs, 5.0, "Selvaro matrix, threshold 5");
        BenchTimer expansion;
        b.Minimalization(objects);
        b.ClearRedundant(objects);
        BenchReport(Sized("  expansion and clearing", objects), expansion.Seconds(),
                    std::to_string(b.GetReducts()->GetNoElem()) + " reducts");
    }
    BenchTimer timer;
    TRedMemory m;
    m.CalculateGlobalReductsSelvaro(&t, &pairs, 5.0, 2);
    BenchReport(Sized("CalculateGlobalReductsSelvaro", objects), timer.Seconds(), std::to_string(m.GetNoRed()) + " reducts");
}

void EveryPair(int objects) {
    TTable t, pairs;
    Generate(t, pairs, objects);
    TBoole31 b;
    Matrix(b, t, pairs, 0.0, "Selvaro matrix, threshold 0 (every pair)");
}

void Rules(int objects) {
    TTable t, pairs;
    Generate(t, pairs, objects);
    std::vector<int> buffer(12);
    g_RuleBuf = buffer.data();
    g_RuleBufSize = static_cast<int>(buffer.size());
    BenchTimer timer;
    TRulMemory m;
    m.CalculateAllRulesSelvaro(&t, &pairs, 5.0, 2);
    BenchReport(Sized("CalculateAllRulesSelvaro", objects), timer.Seconds());
}

// n clauses of three attributes each: 3^n terms before the repeats go.
void Expansion(int n) {
    TIntSack clauses;
    for (int c = 0; c < n; ++c) clauses.AddElem((7 << (c % 8)) & 1023);
    BenchTimer timer;
    TBoole31 b;
    TIntSack out;
    b.MasksToSacks(&clauses, &out);
    BenchReport("MasksToSacks, " + std::to_string(n) + " clauses of 3", timer.Seconds(),
                std::to_string(out.GetNoElem()) + " masks");
}


}  // namespace

int main(int argc, char** argv) {
    QuietMode = 0;
    std::vector<BenchCase> cases;
    for (int objects : {1000, 2000}) {
        cases.push_back({"reducts " + std::to_string(objects), [objects] { Reducts(objects); }});
        cases.push_back({"every pair " + std::to_string(objects), [objects] { EveryPair(objects); }});
        cases.push_back({"rules " + std::to_string(objects), [objects] { Rules(objects); }});
    }
    for (int n : {8, 10, 12, 14}) cases.push_back({"expansion " + std::to_string(n), [n] { Expansion(n); }});
    RunCasesApart(cases, argc > 1 ? argv[1] : "", true);
    return 0;
}
