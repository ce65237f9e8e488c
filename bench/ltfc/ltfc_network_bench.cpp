// CREATE_LTFC in automatic mode on a ".dat" of 5,000 samples x 16 inputs in 3 classes
// (100,000 training steps), then TEST_TABLE_LTFC on the same file; the program runs as the
// front end starts it, with standard output thrown away.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "core/random.h"
#include "tests/support/network_data.h"

namespace {

constexpr int kSamples = 5000;
constexpr int kInputs = 16;
constexpr int kClasses = 3;

// Noise in [-1, 1).
float Noise() { return static_cast<float>(Rand() - 16384) / 16384.0f; }

// Three overlapping clouds: class c is centred at c on every input.
std::vector<NetSample> DataSet(int n) {
    std::vector<NetSample> set;
    for (int s = 0; s < n; ++s) {
        NetSample sample{{}, Rand() % kClasses};
        for (int i = 0; i < kInputs; ++i) sample.inputs.push_back(sample.cls + 1.0f * Noise());
        set.push_back(std::move(sample));
    }
    return set;
}

// The value after `label` in a text, or "?".
std::string After(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    if (at == std::string::npos) return "?";
    const size_t from = at + label.size();
    return text.substr(from, text.find_first_of("\n ", from) - from);
}

double RunProgram(const std::string& folder, const std::string& config) {
    if (!WriteWholeFile((folder + "/config").c_str(), config)) std::exit(1);
    const std::string command = "cd '" + folder + "' && '" VARNEL_BINARY "' config > /dev/null";
    BenchTimer t;
    const int status = std::system(command.c_str());
    const double seconds = t.Seconds();
    if (status != 0) {
        std::fprintf(stderr, "run failed (%d): %s", status, config.c_str());
        std::exit(1);
    }
    return seconds;
}

}  // namespace

int main() {
    char folder[] = "/tmp/varnel_ltfc_net_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string dir = folder;

    SeedRand(1);
    const std::vector<NetSample> first = DataSet(kSamples);
    const std::string data = DatBytes(first, DataSet(kSamples / 10));
    if (!WriteWholeFile((dir + "/train.dat").c_str(), data)) return 1;

    std::string text;
    const double create = RunProgram(dir, "CREATE_LTFC\ntrain.dat\n1\n0\n0\nnet.net\nLOG\n");
    ReadWholeFile((dir + "/net.net").c_str(), text);
    BenchReport("CREATE_LTFC auto 5000 x 16, 3 classes", create,
                After(text, "@SumCycles\t") + " steps, " + After(text, "@Neurons\t") + " neurons");

    // A tiny usefulness threshold keeps almost every neuron: the cost per step grows with them.
    const double keep = RunProgram(dir, "CREATE_LTFC\ntrain.dat\n0\n100000\n0.000001\nkeep.net\nLOG\n");
    ReadWholeFile((dir + "/keep.net").c_str(), text);
    BenchReport("CREATE_LTFC manual x=1e-6, 100000 steps", keep,
                After(text, "@SumCycles\t") + " steps, " + After(text, "@Neurons\t") + " neurons");

    const double test = RunProgram(dir, "TEST_TABLE_LTFC\ntrain.dat\nnet.net\nresults.tab\nLOG\n");
    ReadWholeFile((dir + "/LOG").c_str(), text);
    BenchReport("TEST_TABLE_LTFC 5000 x 16", test, After(text, "Acc="));

    for (const char* name : {"train.dat", "net.net", "keep.net", "results.tab", "LOG", "config"}) {
        std::remove((dir + "/" + name).c_str());
    }
    rmdir(folder);
    return 0;
}
