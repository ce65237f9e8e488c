#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Wall-clock timing and peak resident memory for the benchmark programs.
class BenchTimer {
public:
    BenchTimer() : start(std::chrono::steady_clock::now()) {}
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

private:
    std::chrono::steady_clock::time_point start;
};

inline long PeakRssKb() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

inline void BenchReport(const std::string& name, double seconds, const std::string& extra = "") {
    std::fprintf(stderr, "%-48s %10.3f s  peak %8ld KB  %s\n", name.c_str(), seconds, PeakRssKb(),
                 extra.c_str());
}

struct BenchCase {
    std::string name;
    std::function<void()> run;
};

// Each case in a child process of its own, so that its peak memory is its own; only the cases
// whose names contain `only` (all when it is empty). quietStdout: the cases' standard output
// goes to /dev/null.
inline void RunCasesApart(const std::vector<BenchCase>& cases, const std::string& only, bool quietStdout = false) {
    for (const BenchCase& c : cases) {
        if (!only.empty() && c.name.find(only) == std::string::npos) continue;
        const pid_t child = fork();
        if (child == 0) {
            if (quietStdout && std::freopen("/dev/null", "w", stdout) == nullptr) _exit(1);
            c.run();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "%s failed\n", c.name.c_str());
    }
}

struct ProgramRun {
    double seconds = 0.0;
    long peakKb = 0;  // the program's own peak resident memory
    int exit = -1;    // its exit code, or 128 + the signal that ended it
};

// The program `binary` run as the front end starts it, on the configuration file "config"
// in `folder` (its working folder), standard output into the file "stdout" there; killed
// after limitSeconds when that is above 0.
inline ProgramRun RunProgramIn(const std::string& folder, const char* binary, int limitSeconds = 0) {
    BenchTimer timer;
    const pid_t pid = fork();
    if (pid < 0) std::exit(1);
    if (pid == 0) {
        const int out = open((folder + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || dup2(out, 1) < 0 || chdir(folder.c_str()) != 0) _exit(127);
        if (limitSeconds > 0) alarm(static_cast<unsigned>(limitSeconds));
        execl(binary, binary, "config", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ProgramRun run;
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = timer.Seconds();
    run.peakKb = usage.ru_maxrss;
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// The "RULE:" lines of a captured standard output.
inline long CountRuleLines(const std::string& file) {
    std::ifstream in(file);
    long rules = 0;
    std::string line;
    while (std::getline(in, line)) rules += line.rfind("RULE:", 0) == 0 ? 1 : 0;
    return rules;
}
