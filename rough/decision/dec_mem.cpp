#include "rough/decision/dec_mem.h"

#include <vector>

#include "core/report.h"

namespace {

constexpr int kPowers = 10001;

// Filled by doubling, so the entries past the double range are infinite rather than an
// overflow of the exponent.
const std::vector<double>& PowerTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(kPowers);
        t[0] = 1.0;
        for (int i = 1; i < kPowers; ++i) t[static_cast<size_t>(i)] = t[static_cast<size_t>(i) - 1] * 2.0;
        return t;
    }();
    return table;
}

}  // namespace

double POWER_2(int i) {
    if (i < 0 || i > 9999) {
        WriteStdoutLine("CRITICAL ERROR: Index out of range in dec_mem->POWER_2!");
        EndProcess(0);
    }
    if (i == 0) return 1.0;
    return PowerTable()[static_cast<size_t>(i)];
}
