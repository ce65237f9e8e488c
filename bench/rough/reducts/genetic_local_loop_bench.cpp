// The per-object loop of local genetic reducts on tables where no object leaves anything to
// search (no condition attributes): what remains is the loop itself, which must grow
// linearly with the object count (10^5 and 10^6 objects).
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/red_memory.h"

namespace {

// Loaded from its text, as the command does: a table without columns cannot be created
// any other way with its objects.
void TimeLocalSearch(int objects, int columns) {
    std::string text = std::to_string(objects) + " " + std::to_string(columns) + "\n";
    for (int o = 0; o < objects && columns > 0; ++o) text += std::to_string(o % 3) + "\n";
    char name[] = "/tmp/genetic_local_loop_XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || close(fd) != 0 || !WriteWholeFile(name, text)) std::exit(1);
    TTable t;
    t.Load(name);
    unlink(name);
    RandomInt(2);
    SeedRand(1);
    TRedMemory memory;
    BenchTimer timer;
    memory.CalculateGeneticReducts(&t, 1, 1, 10, 0);
    BenchReport("local, relative, level 0: " + std::to_string(t.GetNoObj()) + " x " +
                    std::to_string(t.GetNoAttr()),
                timer.Seconds(), std::to_string(memory.GetNoRed()) + " reducts");
}

}  // namespace

int main() {
    QuietMode = 1;
    for (int objects : {100000, 1000000}) {
        TimeLocalSearch(objects, 0);
        TimeLocalSearch(objects, 1);
    }
    return 0;
}
