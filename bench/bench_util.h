#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>

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
