// The ordered table view as the quick-rule generator drives it: codes for 50,000 x 20, then
// full sorts by lists that share their beginnings (mostly reused work) and by fresh ones.
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/decision/table_view.h"

int main() {
    const int objects = 50000;
    const int attributes = 20;
    SeedRand(1);
    TTable table;
    table.CreateTable(objects, attributes);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < attributes; ++a) table.SetTable(o, a, Rand() % (a + 2));
    }
    TTableView view(&table);
    BenchTimer codes;
    view.MakeGenDecisions();
    BenchReport("TTableView::MakeGenDecisions 50,000 x 20", codes.Seconds());

    BenchTimer sorts;
    int count = 0;
    for (int round = 0; round < 200; ++round) {
        std::vector<int> list;
        for (int k = 0; k < 6; ++k) list.push_back((round / 10 + k * 3) % (attributes - 1));
        for (int length = 1; length <= 6; ++length) {
            std::vector<int> prefix(list.begin(), list.begin() + length);
            prefix.push_back(-1);
            view.SortBy(prefix.data());
            ++count;
        }
    }
    BenchReport("TTableView::SortBy 50,000 x 20", sorts.Seconds(), std::to_string(count) + " sorts");
    return 0;
}
