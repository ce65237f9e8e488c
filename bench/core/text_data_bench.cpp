// Coding a data file whose first column ascends (its dictionary tree is a list as long as
// the file) and splitting a large binary table: both must stay near linear.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench/bench_util.h"
#include "core/binary_table.h"
#include "core/file_io.h"
#include "core/random.h"
#include "core/text_data.h"

namespace {

std::string TempName(const char* tag) {
    std::string name = std::string("/tmp/varnel_bench_") + tag + "_XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd >= 0) close(fd);
    return name;
}

}  // namespace

int main() {
    const std::string data = TempName("data");
    const std::string table = TempName("table");
    // 10^6 rows of 10 values; the split holds no more than a mark per object.
    const int rows = 1000000;
    const int attrs = 10;
    {
        std::string text;
        for (int r = 0; r < rows; ++r) {
            for (int a = 0; a < attrs; ++a) {
                AppendInt(text, (r + a) % 97);
                text += ' ';
            }
            text += '\n';
        }
        if (!WriteWholeFile(data.c_str(), text)) return 1;
    }
    std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
    (void)quiet;
    TBTable importer;
    importer.ImportIntData(data.c_str(), table.c_str(), 0);
    const std::string first = TempName("first");
    const std::string second = TempName("second");
    for (double ratio : {0.5, 0.99}) {
        TBTable t;
        t.Assign(table.c_str());
        BenchTimer split;
        t.SplitTable(ratio, first.c_str(), second.c_str());
        BenchReport("TBTable::SplitTable 1e6 x 10 at " + std::to_string(ratio).substr(0, 4), split.Seconds());
    }
    TBTable t;
    t.Assign(table.c_str());
    BenchTimer save;
    t.SaveTextTable(data.c_str());
    BenchReport("TBTable::SaveTextTable 1e6 x 10", save.Seconds());

    SeedRand(3);
    for (int rows : {500000, 1000000}) {
        std::string text;
        for (int r = 1; r <= rows; ++r) {
            AppendInt(text, r);
            text += ' ';
            AppendInt(text, Rand() % 50);
            text += " c";
            AppendInt(text, Rand() % 3);
            text += '\n';
        }
        if (!WriteWholeFile(data.c_str(), text)) return 1;
        TDictio_VT d;
        BenchTimer create;
        d.CreateDictionary(data.c_str(), 0);
        const double createSeconds = create.Seconds();
        BenchTimer import;
        d.ImportData(data.c_str(), table.c_str(), 0, 0);
        const double importSeconds = import.Seconds();
        const std::string label = std::to_string(rows) + " rows, first column ascending";
        BenchReport("TDictio_VT::CreateDictionary " + label, createSeconds);
        BenchReport("TDictio_VT::ImportData (binary) " + label, importSeconds);
    }

    for (const std::string& name : {data, table, first, second}) std::remove(name.c_str());
    return 0;
}
