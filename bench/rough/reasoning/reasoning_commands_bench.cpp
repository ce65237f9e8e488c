// CALCULATE_ALL_REDUCTS and CALCULATE_ALL_RULES as the front end runs them, one process per run
// (one core), on the public tables and on generated ones: global relative reducts of shuttle
// (58,000 x 10) and satellite (6,435 x 37, also not relative, and its local reducts), the local
// reducts and all rules of a synthetic 5,000 x 20 table, the small public tables, a table of 31
// binary conditions with 185,083 reducts (the mask reasoner) next to the same table with a 32nd,
// constant condition (the sack reasoner, whose search finds the same reducts), and two tables whose
// reducts are beyond counting: 3,000 x 180 of four values with 3 decisions, and 60 x 60 binary.
// Reported per run: wall time, the process's peak resident memory, the exit code and the reducts or
// RULE lines written.
//
// Usage: bench_reasoning_commands_bench [case filter] [seconds per run, default 120]. The
// public tables shuttle and satellite are read from $VARNEL_DATA, else ../shared/data beside
// the source tree; runs whose table is missing are skipped. $VARNEL_BENCH_BINARY runs another
// build of the program (an older one, for figures before a change).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/rough/bench_tables.h"
#include "core/file_io.h"
#include "core/random.h"
#include "core/table.h"

namespace {

bool Exists(const std::string& file) {
    struct stat st;
    return ::stat(file.c_str(), &st) == 0;
}

std::string FirstLine(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The program on `config` in `folder` (the table copied there first, as the reduct command
// rewrites it), standard output into "stdout"; killed after `limit` seconds.
ProgramRun RunProgram(const std::string& folder, const std::string& table, const std::string& config, int limit) {
    std::string text;
    if (!ReadWholeFile(table.c_str(), text) || !WriteWholeFile((folder + "/t.tab").c_str(), text) ||
        !WriteWholeFile((folder + "/config").c_str(), config)) {
        std::exit(1);
    }
    const char* other = std::getenv("VARNEL_BENCH_BINARY");
    return RunProgramIn(folder, other != nullptr ? other : VARNEL_BINARY, limit);
}

struct Case {
    std::string name;
    std::function<std::string(const std::string&)> table;  // writes or finds the table; "" = skip
    std::string command;                                    // "reducts G|L REL" or "rules"
};

void Write(const std::string& file, const TTable& t) {
    std::string text = std::to_string(t.GetNoObj()) + " " + std::to_string(t.GetNoAttr()) + "\n";
    for (int o = 0; o < t.GetNoObj(); ++o) {
        for (int a = 0; a < t.GetNoAttr(); ++a) {
            AppendInt(text, t.GetTable(o, a));
            text += ' ';
        }
        text += '\n';
    }
    if (!WriteWholeFile(file.c_str(), text)) std::exit(1);
}

// n objects, `conditions` random columns of `values` values, and one more column of zeros
// when `constant`; decision column random (2 values) unless `threeClasses`, where it depends
// on three conditions.
void RandomConditions(TTable& t, int n, int conditions, int values, bool constant, bool threeClasses) {
    SeedRand(31);
    const int columns = conditions + (constant ? 1 : 0) + 1;
    t.CreateTable(n, columns);
    for (int o = 0; o < n; ++o) {
        for (int a = 0; a < conditions; ++a) t.SetTable(o, a, Rand() % values);
        if (constant) t.SetTable(o, conditions, 0);
        const int d = threeClasses ? (t.GetTable(o, 88 % conditions) * 4 + t.GetTable(o, 89 % conditions) +
                                      t.GetTable(o, 90 % conditions)) % 3
                                   : Rand() % 2;
        t.SetTable(o, columns - 1, d);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const int limit = argc > 2 ? std::atoi(argv[2]) : 120;
    const char* env = std::getenv("VARNEL_DATA");
    const std::string data = env != nullptr ? env : std::string(VARNEL_SOURCE) + "/../shared/data";
    char folder[] = "/tmp/varnel_reasoning_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string dir = folder;

    auto shared = [&](const char* name) {
        return [&, name](const std::string&) { return Exists(data + "/" + name) ? data + "/" + name : std::string(); };
    };
    auto mine = [](const char* name) {
        return [name](const std::string&) { return std::string(VARNEL_TABLES) + "/" + name; };
    };
    auto made = [&](const char* name, std::function<void(TTable&)> make) {
        return [&, name, make](const std::string&) {
            const std::string file = dir + "/" + name;
            if (!Exists(file)) {
                TTable t;
                make(t);
                Write(file, t);
            }
            return file;
        };
    };
    auto synthetic = made("synthetic.tab", [](TTable& t) { Synthetic(t, 5000); });
    auto binary31 = made("binary31.tab", [](TTable& t) { RandomConditions(t, 30, 31, 2, false, false); });
    auto binary32 = made("binary32.tab", [](TTable& t) { RandomConditions(t, 30, 31, 2, true, false); });
    auto dna = made("four_values.tab", [](TTable& t) { RandomConditions(t, 3000, 180, 4, false, true); });
    auto square = made("binary60.tab", [](TTable& t) { RandomConditions(t, 60, 60, 2, false, false); });

    const std::vector<Case> cases = {
        {"shuttle global relative", shared("shuttle.tab"), "reducts 0 1"},
        {"satellite global relative", shared("satellite.tab"), "reducts 0 1"},
        {"satellite global not relative", shared("satellite.tab"), "reducts 0 0"},
        {"satellite local relative", shared("satellite.tab"), "reducts 1 1"},
        {"synthetic 5000 x 20 local relative", synthetic, "reducts 1 1"},
        {"synthetic 5000 x 20 all rules", synthetic, "rules"},
        {"vote global relative", mine("vote.tab"), "reducts 0 1"},
        {"vote local relative", mine("vote.tab"), "reducts 1 1"},
        {"vote all rules", mine("vote.tab"), "rules"},
        {"soybean global relative", mine("soybean.tab"), "reducts 0 1"},
        {"soybean local relative", mine("soybean.tab"), "reducts 1 1"},
        {"soybean all rules", mine("soybean.tab"), "rules"},
        {"labor local relative", mine("labor.tab"), "reducts 1 1"},
        {"breast-cancer local relative", mine("breast-cancer.tab"), "reducts 1 1"},
        {"breast-cancer all rules", mine("breast-cancer.tab"), "rules"},
        {"31 binary conditions global relative (mask reasoner)", binary31, "reducts 0 1"},
        {"31 binary + 1 constant condition global relative (search)", binary32, "reducts 0 1"},
        {"3000 x 180 four values global relative", dna, "reducts 0 1"},
        {"3000 x 180 four values local relative", dna, "reducts 1 1"},
        {"3000 x 180 four values all rules", dna, "rules"},
        {"60 x 60 binary global relative", square, "reducts 0 1"},
    };
    for (const Case& c : cases) {
        if (!only.empty() && c.name.find(only) == std::string::npos) continue;
        const std::string table = c.table(dir);
        if (table.empty()) {
            std::fprintf(stderr, "%-58s skipped: table not found\n", c.name.c_str());
            continue;
        }
        std::string config;
        if (c.command == "rules") {
            config = "CALCULATE_ALL_RULES\nt.tab\n0\nrules.txt\nLOG\n";
        } else {
            config = "CALCULATE_ALL_REDUCTS\nt.tab\n" + c.command.substr(8, 1) + "\n" + c.command.substr(10, 1) +
                     "\n0\nout.red\nLOG\n";
        }
        std::remove((dir + "/out.red").c_str());
        const ProgramRun o = RunProgram(dir, table, config, limit);
        const std::string result = c.command == "rules" ? std::to_string(CountRuleLines(dir + "/stdout")) + " RULE lines"
                                                        : FirstLine(dir + "/out.red") + " reducts";
        std::fprintf(stderr, "%-58s %9.3f s  peak %9ld KB  exit %3d  %s\n", c.name.c_str(), o.seconds, o.peakKb, o.exit,
                     o.exit == 0 ? result.c_str() : "");
    }
    for (const char* name : {"config", "stdout", "LOG", "out.red", "t.tab", "synthetic.tab", "binary31.tab",
                             "binary32.tab", "four_values.tab", "binary60.tab"}) {
        std::remove((dir + "/" + name).c_str());
    }
    rmdir(folder);
    return 0;
}
