// Loading the network commands' data files (a ".dst" description and the matching ".dat" of
// 100,000 samples x 20 inputs) and drawing the presentation order.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "core/random.h"
#include "ltfc/dataset.h"
#include "ltfc/sampler.h"

namespace {

constexpr int kSamples = 100000;
constexpr int kInputs = 20;
constexpr int kClasses = 5;

void AppendWord(std::string& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int s = 0; s < 32; s += 8) out.push_back(static_cast<char>((u >> s) & 0xFF));
}

}  // namespace

int main() {
    char folder[] = "/tmp/varnel_ltfc_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string dst = std::string(folder) + "/train.dst";
    const std::string dat = std::string(folder) + "/train.dat";

    SeedRand(1);
    std::vector<float> values(static_cast<size_t>(kSamples) * kInputs);
    std::vector<int> classes(kSamples);
    for (float& v : values) v = static_cast<float>(Rand() - 16384) / 1024.0f;
    for (int& c : classes) c = Rand() % kClasses;

    std::string text = "$ benchmark data\n@FileType data\n@DataType classification\n";
    text += "@NumInputs " + std::to_string(kInputs) + "\n@NumClasses " + std::to_string(kClasses) +
            "\n@NumDatasets 2\n";
    std::string binary;
    for (int d = 0; d < 2; ++d) {
        const int n = d == 0 ? kSamples : kSamples / 10;
        text += "@<Dataset" + std::to_string(d) + "\n@NumSamples " + std::to_string(n) + "\n@Data\n";
        AppendWord(binary, n);
        AppendWord(binary, 0);
        AppendWord(binary, 0);
        char buf[32];
        for (int s = 0; s < n; ++s) {
            AppendWord(binary, kInputs);
            AppendWord(binary, classes[static_cast<size_t>(s)]);
            for (int i = 0; i < kInputs; ++i) {
                const float v = values[static_cast<size_t>(s) * kInputs + i];
                std::snprintf(buf, sizeof buf, "%g ", v);
                text += buf;
                AppendWord(binary, std::bit_cast<std::int32_t>(v));
            }
            text += std::to_string(classes[static_cast<size_t>(s)]) + "\n";
        }
        text += "@>\n";
    }
    if (!WriteWholeFile(dst.c_str(), text) || !WriteWholeFile(dat.c_str(), binary)) return 1;

    {
        BenchTimer t;
        CDatabase db(dst.c_str(), "dst");
        std::vector<int> counts;
        db.GetSampleCounts(counts);
        BenchReport("load .dst 100000 x 20 (+10000)", t.Seconds(),
                    std::to_string(text.size() / 1024) + " KB, " + std::to_string(counts[0]) + " samples");
    }
    {
        BenchTimer t;
        CDatabase db(dat.c_str(), "dat");
        std::vector<int> counts;
        db.GetSampleCounts(counts);
        BenchReport("load .dat 100000 x 20 (+10000)", t.Seconds(),
                    std::to_string(binary.size() / 1024) + " KB, " + std::to_string(counts[0]) + " samples");

        const int draws = 20 * kSamples;
        BenchTimer s;
        CObjSampler sampler(db, draws);
        CObjSampler::Item item;
        long long sum = 0;
        while (sampler.NextRandom(item)) sum += item.second;
        BenchReport("2,000,000 random draws (20 passes)", s.Seconds(), "checksum " + std::to_string(sum));
    }
    std::remove(dst.c_str());
    std::remove(dat.c_str());
    rmdir(folder);
    return 0;
}
