// Template-set list files at size: 200,000 sets read from the readable layout, written in the
// full layout and read back from it. The full layout stores no object counts, so every set
// read goes in right behind the head of the list.
#include <cstdio>
#include <string>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "discretization/templates/float_templates.h"

int main() {
    const int sets = 200000;
    std::string text = std::to_string(sets) + "\n";
    for (int i = 0; i < sets; ++i) {
        text += "2\n" + std::to_string(i % 40) + " [0.5 " + std::to_string(i % 1000) + ".25]\n";
        text += std::to_string(40 + i % 7) + " {1 2.5 }\n";
        text += std::to_string(i % 3) + " " + std::to_string(i % 500) + " 0.75\n";
    }
    const char* readable = "/tmp/varnel_bench_templ_readable";
    const char* full = "/tmp/varnel_bench_templ_full";
    if (!WriteWholeFile(readable, text)) return 1;

    TFTemplSetList list;
    BenchTimer readTimer;
    list.LoadReadable(readable);
    BenchReport("TFTemplSetList::LoadReadable, 200,000 sets", readTimer.Seconds(),
                std::to_string(list.GetNoElem()) + " sets");

    // The savers announce themselves on standard output.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    BenchTimer saveTimer;
    list.SaveFull(full);
    const double saved = saveTimer.Seconds();
    TFTemplSetList again;
    BenchTimer loadTimer;
    again.LoadFull(full);
    const double loaded = loadTimer.Seconds();
    BenchReport("TFTemplSetList::SaveFull, same sets", saved);
    BenchReport("TFTemplSetList::LoadFull, same sets", loaded, std::to_string(again.GetNoElem()) + " sets");
    std::remove(readable);
    std::remove(full);
    return again.GetNoElem() == sets ? 0 : 1;
}
