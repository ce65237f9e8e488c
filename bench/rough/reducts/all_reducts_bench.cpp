// All reducts by Boolean reasoning: global relative reducts of soybean (36 columns, the sack
// reasoner), vote and a synthetic 5,000 x 20 table (the mask reasoner), local relative
// reducts of labor and breast-cancer; and the discernibility matrix of the synthetic table
// next to a plain loop that only builds the clause mask of every pair.
//
// Each case runs in a child process of its own, so that its peak memory is its own. With an
// argument, only the cases whose names contain it run.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/rough/bench_tables.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "rough/reducts/red_memory.h"

namespace {

void Load(TTable& t, const char* name) { t.Load((std::string(VARNEL_TABLES) + "/" + name).c_str()); }

std::string Reducts(const TRedMemory& m) { return std::to_string(m.GetNoRed()) + " reducts"; }

void GlobalRelative(const std::string& label, TTable& t) {
    BenchTimer timer;
    TRedMemory m;
    m.CalculateGlobalReducts(&t, 1, 0);
    BenchReport(label, timer.Seconds(), Reducts(m));
}

void LocalRelative(const std::string& label, TTable& t) {
    BenchTimer timer;
    TRedMemory m;
    m.CalculateLocalReducts(&t, 1, 0);
    BenchReport(label, timer.Seconds(), Reducts(m));
}

// What the matrix of n objects cannot cost less than: every pair's clause mask, built
// attribute by attribute from the rows, folded into a checksum.
void PairLoop(const TTable& t) {
    const int n = t.GetNoObj();
    const int k = t.GetNoAttr() - 1;
    BenchTimer timer;
    uint32_t fold = 0;
    for (int i = 0; i < n; ++i) {
        const int* x = t.Row(i);
        for (int j = 0; j < i; ++j) {
            const int* y = t.Row(j);
            uint32_t mask = 0;
            for (int a = 0; a < k; ++a) mask |= static_cast<uint32_t>(x[a] != y[a]) << a;
            fold = (fold ^ mask) * 16777619u;
        }
    }
    BenchReport("pair loop, 5000 x 20 (12.5 M pairs)", timer.Seconds(), "checksum " + std::to_string(fold));
}

void Matrix(TTable& t) {
    BenchTimer timer;
    TBoole31 b;
    b.CreateDiscMatrix(&t, 1, 0);
    BenchReport("TBoole31::CreateDiscMatrix, 5000 x 20", timer.Seconds(),
                std::to_string(b.GetMatrix()->GetNoElem()) + " clauses");
}

struct Case {
    std::string name;
    std::function<void()> run;
};

}  // namespace

int main(int argc, char** argv) {
    QuietMode = 1;
    const std::vector<Case> cases = {
        {"global relative soybean (sack reasoner)", [] { TTable t; Load(t, "soybean.tab"); GlobalRelative("global relative soybean (sack reasoner)", t); }},
        {"global relative vote", [] { TTable t; Load(t, "vote.tab"); GlobalRelative("global relative vote", t); }},
        {"global relative synthetic 5000 x 20", [] { TTable t; Synthetic(t, 5000); GlobalRelative("global relative synthetic 5000 x 20", t); }},
        {"local relative labor", [] { TTable t; Load(t, "labor.tab"); LocalRelative("local relative labor", t); }},
        {"local relative breast-cancer", [] { TTable t; Load(t, "breast-cancer.tab"); LocalRelative("local relative breast-cancer", t); }},
        {"local relative vote", [] { TTable t; Load(t, "vote.tab"); LocalRelative("local relative vote", t); }},
        {"local relative soybean (sack reasoner)", [] { TTable t; Load(t, "soybean.tab"); LocalRelative("local relative soybean (sack reasoner)", t); }},
        {"pair loop", [] { TTable t; Synthetic(t, 5000); PairLoop(t); }},
        {"matrix", [] { TTable t; Synthetic(t, 5000); Matrix(t); }},
    };
    const std::string only = argc > 1 ? argv[1] : "";
    for (const Case& c : cases) {
        if (!only.empty() && c.name.find(only) == std::string::npos) continue;
        const pid_t child = fork();
        if (child == 0) {
            c.run();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "%s failed\n", c.name.c_str());
    }
    return 0;
}
