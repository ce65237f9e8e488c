// SCALL_TABLE as the front end runs it, each table in a process of its own so that the peak
// memory is that run's: soybean, vote and a synthetic 100,000 x 20 table (20 conditions of
// 10 values each and a decision that depends on three of them, with one object in ten
// flipped). Prints the steps of the search, the cuts, wall time and peak memory.
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "core/random.h"
#include "core/table.h"

namespace {

std::string WriteSynthetic(const std::string& dir) {
    SeedRand(7);
    const int objects = 100000;
    const int conditions = 20;
    std::string text = std::to_string(objects) + " " + std::to_string(conditions + 1) + "\n";
    int row[conditions];
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < conditions; ++a) {
            row[a] = Rand() % 10;
            AppendInt(text, row[a]);
            text += ' ';
        }
        int decision = (row[0] + row[1] * row[2]) % 3;
        if (Rand() % 10 == 0) decision = Rand() % 3;
        AppendInt(text, decision);
        text += " \n";
    }
    const std::string name = dir + "/synthetic.tab";
    WriteWholeFile(name.c_str(), text);
    return name;
}

// Lines of the text that begin with start (every line when start is empty).
int CountLines(const std::string& text, const std::string& start) {
    int n = 0;
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        if (text.compare(at, start.size(), start) == 0) ++n;
        if (text.find('\n', at) == std::string::npos) break;
    }
    return n;
}

void Run(const std::string& dir, const std::string& label, const std::string& table) {
    const std::string config = dir + "/config";
    WriteWholeFile(config.c_str(), "SCALL_TABLE\n" + table + "\n" + dir + "/cuts\n" + dir + "/LOG\n");
    BenchTimer timer;
    const pid_t child = fork();
    if (child == 0) {
        if (freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        execl(VARNEL_BINARY, VARNEL_BINARY, config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    const double seconds = timer.Seconds();
    std::string log, cuts;
    ReadWholeFile((dir + "/LOG").c_str(), log);
    ReadWholeFile((dir + "/cuts").c_str(), cuts);
    char extra[160];
    std::snprintf(extra, sizeof extra, "exit %d, %d steps, %d cuts, run's peak %ld KB",
                  WIFEXITED(status) ? WEXITSTATUS(status) : -1, CountLines(log, "Found cut"),
                  CountLines(cuts, ""), usage.ru_maxrss);
    BenchReport("SCALL_TABLE " + label, seconds, extra);
}

}  // namespace

int main() {
    char dir[] = "/tmp/varnel-scale-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    Run(dir, "soybean 683 x 36", VARNEL_TABLES "/soybean.tab");
    Run(dir, "vote 435 x 17", VARNEL_TABLES "/vote.tab");
    Run(dir, "synthetic 100,000 x 21", WriteSynthetic(dir));
    for (const char* name : {"/config", "/cuts", "/LOG", "/synthetic.tab"}) unlink((std::string(dir) + name).c_str());
    rmdir(dir);
    return 0;
}
