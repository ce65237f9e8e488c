// Speed of the direction search: quality evaluations per second (one projection, one sort,
// one pass each) and the wall time of one new attribute, for the three measures.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench/bench_util.h"
#include "core/dense_table.h"
#include "core/report.h"
#include "discretization/directions/lin_comb.h"
#include "discretization/directions/lin_comb_maker.h"

namespace {

void Evaluations(const char* name, const TDTable& table, int type) {
    const TClassDistr distr(table, table.GetAttrCount() - 1);
    TLinComb comb(type);
    const int attrs[] = {0, 1, 2};
    const double angles[] = {35.0, -20.0};
    comb.SetAngles(3, attrs, angles);
    const int rounds = 20000;
    double sink = 0.0;
    BenchTimer timer;
    for (int i = 0; i < rounds; ++i) sink += comb.Quality(table, distr);
    const double seconds = timer.Seconds();
    char extra[96];
    std::snprintf(extra, sizeof extra, "%.0f evaluations/s (checksum %g)", rounds / seconds, sink);
    BenchReport(std::string(name) + " evaluation, measure " + std::to_string(type), seconds, extra);
}

void Digits(const char* name, const std::string& path, const char* pattern, int type) {
    char out[] = "/tmp/varnel-lin-comb-bench-XXXXXX";
    const int fd = mkstemp(out);
    if (fd >= 0) close(fd);
    QuietMode = 1;  // no progress lines on the terminal
    BenchTimer timer;
    TLinCombMaker().GenerateLinComb(path.c_str(), pattern, type, out);
    const double seconds = timer.Seconds();
    QuietMode = 0;
    unlink(out);
    const double perDigit = seconds / static_cast<double>(std::string(pattern).size());
    char extra[64];
    std::snprintf(extra, sizeof extra, "%.3f s per digit", perDigit);
    BenchReport(std::string(name) + " pattern " + pattern + ", measure " + std::to_string(type),
                seconds, extra);
}

}  // namespace

int main() {
    const std::string iris = VARNEL_TABLES "/iris.dense.tab";
    const std::string soybean = VARNEL_TABLES "/soybean.tab";
    TDTable irisTable;
    TDTable soybeanTable;
    if (irisTable.Load(iris.c_str()) != 0 || soybeanTable.Load(soybean.c_str()) != 0) {
        std::fprintf(stderr, "cannot load the benchmark tables\n");
        return 1;
    }
    for (int type : {1, 2, 3}) {
        Evaluations("iris", irisTable, type);
        Evaluations("soybean", soybeanTable, type);
    }
    for (int type : {1, 2, 3}) {
        for (const char* pattern : {"2", "3", "4"}) Digits("iris", iris, pattern, type);
        for (const char* pattern : {"2", "3", "5"}) Digits("soybean", soybean, pattern, type);
    }
    return 0;
}
