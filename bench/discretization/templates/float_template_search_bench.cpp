// The template search over real-valued tables. A growth step walks, for every free
// attribute, the objects still in play in that attribute's kept order (no sort), so a pass
// costs about attributes x objects; doubling the objects should about double the time per
// pass. Standard output (the progress) goes to a file, where the passes are counted.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/bench_util.h"
#include "core/data_table.h"
#include "core/file_io.h"
#include "core/random.h"
#include "discretization/templates/float_template_search.h"

namespace {

// Distributions of about a hundred objects over four decisions lie some 0.1 apart by chance
// alone; a smaller threshold keeps unrelated values from being grouped into one list that
// matches every object.
const float kThreshold = std::getenv("BENCH_THRESHOLD") ? static_cast<float>(std::atof(std::getenv("BENCH_THRESHOLD"))) : 0.05f;

// Every attribute holds a few hundred distinct values (one per hundred objects, so that
// each value is shared by about as many objects at every size and the searches meet the
// same structure); the decision follows the first two attributes with some noise, so that
// sets of several descriptors exist. Odd attributes are typed numeric.
std::string TableText(int objects, int attributes) {
    std::string text = std::to_string(objects) + " " + std::to_string(attributes + 1) + "\n";
    const int distinct = objects / 100;
    char word[32];
    for (int o = 0; o < objects; ++o) {
        int first = 0;
        int second = 0;
        for (int a = 0; a < attributes; ++a) {
            const int v = (Rand() * 32768 + Rand()) % distinct;
            if (a == 0) first = v;
            if (a == 1) second = v;
            std::snprintf(word, sizeof word, "%.1f ", v / 10.0);
            text += word;
        }
        const int decision = Rand() % 10 == 0 ? Rand() % 4 : (first * 2 / distinct) * 2 + second * 2 / distinct;
        AppendInt(text, decision);
        text += '\n';
    }
    return text;
}

std::string TypesText(int attributes) {
    std::string text = std::to_string(attributes);
    for (int a = 0; a < attributes; ++a) text += a % 2 ? " 1" : " 0";
    return text + "\n";
}

// Passes, counted from the progress the driver wrote: one mark per pass.
int CountPasses(const std::string& outName, char mark) {
    std::fflush(stdout);
    std::string text;
    if (!ReadWholeFile(outName.c_str(), text)) return -1;
    int passes = 0;
    for (const char c : text) passes += c == mark ? 1 : 0;
    return passes;
}

std::string TempName() {
    std::string name = "/tmp/varnel_bench_float_templates_XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) return "";
    close(fd);
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const std::string data = TempName();
    const std::string types = TempName();
    const std::string out = TempName();
    if (data.empty() || types.empty() || out.empty()) return 1;
    const int attributes = 40;
    std::vector<BenchCase> cases;
    for (const int objects : {20000, 40000}) {
        const std::string size = std::to_string(objects) + " x " + std::to_string(attributes);
        auto prepare = [=] {
            SeedRand(1);
            if (std::freopen(out.c_str(), "w", stdout) == nullptr) std::_Exit(1);
            if (!WriteWholeFile(data.c_str(), TableText(objects, attributes)) ||
                !WriteWholeFile(types.c_str(), TypesText(attributes))) {
                std::_Exit(1);
            }
        };
        auto report = [](const std::string& name, double seconds, int passes, int kept) {
            char extra[128];
            std::snprintf(extra, sizeof extra, "%d passes, %.2f ms per pass, %d sets kept", passes,
                          passes > 0 ? seconds * 1000.0 / passes : 0.0, kept);
            BenchReport(name, seconds, extra);
        };
        // A whole driver; a pass is counted by its mark in the progress ('R' of "Rest of
        // objects", or the carriage return after the pass number).
        auto driver = [=](const std::string& name, int target, char mark, TFTemplSetList (TFTemplSearch::*run)()) {
            const std::string title = name + " target " + std::to_string(target) + " " + size;
            return BenchCase{title, [=] {
                                 prepare();
                                 TDataTable table(data.c_str(), types.c_str());
                                 TFTemplSearch search(table, target, kThreshold);
                                 const int before = CountPasses(out, mark);
                                 BenchTimer timer;
                                 const TFTemplSetList list = (search.*run)();
                                 const double seconds = timer.Seconds();
                                 report(title, seconds, CountPasses(out, mark) - before, list.GetNoElem());
                             }};
        };
        // Without a target the templates shrink to one or two objects each, so the cover
        // takes a pass per object or two. With a target (a hundredth of the objects, so that
        // both sizes grow alike) a template set whose first descriptor falls below it is
        // refused and the driver stops at once; the seeded search then shows the cost of
        // the phase with a target.
        cases.push_back(driver("CoverWithTemplates", 0, 'R', &TFTemplSearch::CoverWithTemplates));
        cases.push_back(driver("CoverByDistance", 0, '\r', &TFTemplSearch::CoverByDistance));
        cases.push_back(driver("CoverByDistance", objects / 100, '\r', &TFTemplSearch::CoverByDistance));
    }
    RunCasesApart(cases, only);
    std::remove(out.c_str());
    std::remove(data.c_str());
    std::remove(types.c_str());
    return 0;
}
