// CALCULATE_ALL_RULES as the front end runs it, on the public tables vote (16 conditions,
// both missing-value options), breast-cancer (9) and soybean (35, the sack reasoner), with
// standard output going to a file, as every line is flushed on its own. Reported per run:
// wall time, the program's peak resident memory, and the RULE lines written.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "bench/bench_util.h"
#include "core/file_io.h"

namespace {

struct Run {
    ProgramRun program;
    long rules = 0;
};

// The program in `folder` on its configuration, standard output into the file "stdout".
Run RunAllRules(const std::string& folder, const std::string& table, int option) {
    const std::string config = "CALCULATE_ALL_RULES\n" + std::string(VARNEL_TABLES) + "/" + table + "\n" +
                               std::to_string(option) + "\nrules.txt\nLOG\n";
    if (!WriteWholeFile((folder + "/config").c_str(), config)) std::exit(1);
    const ProgramRun program = RunProgramIn(folder, VARNEL_BINARY);
    if (program.exit != 0) {
        std::fprintf(stderr, "run failed on %s\n", table.c_str());
        std::exit(1);
    }
    return Run{program, CountRuleLines(folder + "/stdout")};
}

}  // namespace

int main() {
    char folder[] = "/tmp/varnel_all_rules_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string dir = folder;

    struct Case {
        const char* table;
        int option;
    };
    for (const Case& c : {Case{"vote.tab", 0}, Case{"vote.tab", 1}, Case{"breast-cancer.tab", 0},
                          Case{"breast-cancer.tab", 1}, Case{"soybean.tab", 0}}) {
        const Run run = RunAllRules(dir, c.table, c.option);
        std::fprintf(stderr, "CALCULATE_ALL_RULES %-20s NOT_DISCERN_NULL %d %10.3f s  peak %8ld KB  %ld RULE lines\n",
                     c.table, c.option, run.program.seconds, run.program.peakKb, run.rules);
    }

    for (const char* name : {"config", "stdout", "LOG"}) std::remove((dir + "/" + name).c_str());
    rmdir(folder);
    return 0;
}
