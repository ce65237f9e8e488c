#pragma once

#include <chrono>
#include <cstdio>
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
