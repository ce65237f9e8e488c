// Loading and saving a large table text file: both must stay linear in the file's size.
#include <cstdio>
#include <string>
#include <unistd.h>
#include <cstdlib>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "core/random.h"
#include "core/table.h"

int main() {
    const int objects = 900000;
    const int attributes = 10;
    std::string name = "/tmp/varnel_bench_table_XXXXXX";
    int fd = mkstemp(name.data());
    if (fd < 0) return 1;
    close(fd);

    SeedRand(1);
    std::string text;
    AppendInt(text, objects);
    text += ' ';
    AppendInt(text, attributes);
    text += '\n';
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < attributes; ++a) {
            AppendInt(text, Rand() * 3);
            text += ' ';
        }
        text += '\n';
    }
    if (!WriteWholeFile(name.c_str(), text)) return 1;
    const std::string size = std::to_string(text.size() / 1000000) + " MB";
    text.clear();
    text.shrink_to_fit();

    TTable table;
    BenchTimer load;
    table.Load(name.c_str());
    BenchReport("TTable::Load " + size, load.Seconds(),
                std::to_string(table.GetNoObj()) + " objects");
    BenchTimer save;
    table.Save(name.c_str());
    BenchReport("TTable::Save " + size, save.Seconds());
    std::remove(name.c_str());
    return 0;
}
