// The real-valued table: construction sorts every column (n log n) and the object weights
// come from the sorted orders (linear), so doubling the objects should about double both.
// Standard output (the loading counters) goes to a file, as a front end would take it.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench/bench_util.h"
#include "core/data_table.h"
#include "core/file_io.h"
#include "core/random.h"

namespace {

// Half the attributes symbolic with a few values, half reals on a coarse grid: ties in
// every column, as in the tables the template search reads.
std::string TableText(int objects, int attributes) {
    std::string text = std::to_string(objects) + " " + std::to_string(attributes + 1) + "\n";
    char word[32];
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < attributes; ++a) {
            if (a % 2 == 0) {
                AppendInt(text, Rand() % (3 + a));
            } else {
                std::snprintf(word, sizeof word, "%.2f", (Rand() % 20000) / 100.0 - 50.0);
                text += word;
            }
            text += ' ';
        }
        AppendInt(text, Rand() % 4);
        text += '\n';
    }
    return text;
}

std::string TempName() {
    std::string name = "/tmp/varnel_bench_data_table_XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) return "";
    close(fd);
    return name;
}

}  // namespace

int main() {
    const std::string data = TempName();
    const std::string out = TempName();
    if (data.empty() || out.empty() || std::freopen(out.c_str(), "w", stdout) == nullptr) return 1;
    SeedRand(1);
    for (const int objects : {50000, 100000}) {
        const int attributes = 30;
        if (!WriteWholeFile(data.c_str(), TableText(objects, attributes))) return 1;
        const std::string size = std::to_string(objects) + " x " + std::to_string(attributes);
        BenchTimer load;
        TDataTable table(data.c_str());
        BenchReport("TDataTable construction " + size, load.Seconds());
        BenchTimer weights;
        const std::vector<float> w = table.CountObjWeights();
        BenchReport("TDataTable::CountObjWeights " + size, weights.Seconds(),
                    "first weight " + std::to_string(static_cast<long long>(w[0])));
    }
    std::remove(data.c_str());
    std::remove(out.c_str());
    return 0;
}
