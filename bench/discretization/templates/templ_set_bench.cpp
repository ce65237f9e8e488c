// Speed of the single-value template search: a column of 50,000 distinct values in
// ascending order (two objects each), on which the counting tree degenerates into a chain,
// and a table of 100,000 objects and 20 attributes of few values; then the family search
// on the same tables.
#include <cstdio>
#include <string>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/templates/templ_set.h"

namespace {

void SortedColumn(TTable& table) {
    table.CreateTable(100000, 2);
    for (int o = 0; o < 100000; ++o) {
        table.SetTable(o, 0, o / 2);
        table.SetTable(o, 1, o % 2);
    }
}

void FewValues(TTable& table) {
    SeedRand(5);
    table.CreateTable(100000, 21);
    for (int o = 0; o < 100000; ++o) {
        for (int a = 0; a < 20; ++a) table.SetTable(o, a, Rand() % (a + 2));
        table.SetTable(o, 20, Rand() % 3);
    }
}

void IdentityMap(const TTable& table, TTable& map) {
    map.CreateTable(1, table.GetNoAttr());
    for (int a = 0; a < table.GetNoAttr(); ++a) map.SetTable(0, a, a);
}

void Search(const std::string& name, void (*fill)(TTable&)) {
    TTable table;
    fill(table);
    TTable map;
    IdentityMap(table, map);
    BenchTimer timer;
    TTempl t;
    t.SearchTemplate(table, map, 0, 0);
    char extra[128];
    std::snprintf(extra, sizeof extra, "template %d=%d support %d", t.GetAttr(), t.GetValue(), t.GetSupport());
    BenchReport("SearchTemplate " + name, timer.Seconds(), extra);
}

void Family(const std::string& name, void (*fill)(TTable&)) {
    TTable table;
    fill(table);
    TTable map;
    IdentityMap(table, map);
    BenchTimer timer;
    TTemplSet set;
    set.SearchFamilyOfTempl(table, map, 5);
    char extra[128];
    std::snprintf(extra, sizeof extra, "%d templates, strongest support %d", set.GetCount(),
                  set.GetTEMPL(0).GetSupport());
    BenchReport("SearchFamilyOfTempl(5) " + name, timer.Seconds(), extra);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    RunCasesApart({{"search sorted", [] { Search("100000 objects, 50000 sorted values", SortedColumn); }},
                   {"search few", [] { Search("100000 x 20, few values", FewValues); }},
                   {"family sorted", [] { Family("100000 objects, 50000 sorted values", SortedColumn); }},
                   {"family few", [] { Family("100000 x 20, few values", FewValues); }}},
                  only);
    return 0;
}
