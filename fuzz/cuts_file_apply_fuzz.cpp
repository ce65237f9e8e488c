// The cuts file as the test procedures and the decomposition trees read and apply it: pairs
// of an attribute and a value, applied group by group to a small table. The result is checked
// against the groups applied by a plain scan, whatever their order.
#include <string>
#include <vector>

#include "core/table.h"
#include "discretization/cuts/cut_groups.h"
#include "fuzz/fuzz_support.h"

namespace {

// Three condition columns and a decision; values around the seeds' cuts and the int range's ends.
const TTable& SmallTable() {
    static TTable table;
    if (table.GetNoObj() == 0) {
        const int values[6][4] = {{0, 1, 2, 0},  {1, 0, 5, 1},           {2, 2, -2, 0},
                                  {3, 7, 9, 1}, {2147483647, 0, 0, 1}, {-2147483647 - 1, 16777219, 4, 2}};
        table.CreateTable(6, 4);
        for (int o = 0; o < 6; ++o) {
            for (int a = 0; a < 4; ++a) table.SetTable(o, a, values[o][a]);
        }
    }
    return table;
}

// Each group scans its cuts for the first above the value; uncut condition columns 0.
std::vector<int> Scanned(const std::vector<TCutPair>& cuts) {
    const TTable& t = SmallTable();
    std::vector<int> cells(t.Row(0), t.Row(0) + t.GetSize());
    std::vector<bool> used(3, false);
    for (size_t i = 0; i < cuts.size();) {
        size_t j = i;
        while (j < cuts.size() && cuts[j].attribute == cuts[i].attribute) ++j;
        const int a = cuts[i].attribute;
        used[static_cast<size_t>(a)] = true;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            int& cell = cells[static_cast<size_t>(o * 4 + a)];
            size_t k = i;
            while (k < j && !(cuts[k].value > cell)) ++k;
            cell = static_cast<int>(k - i);
        }
        i = j;
    }
    for (int o = 0; o < t.GetNoObj(); ++o) {
        for (int a = 0; a < 3; ++a) {
            if (!used[static_cast<size_t>(a)]) cells[static_cast<size_t>(o * 4 + a)] = 0;
        }
    }
    return cells;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    std::vector<TCutPair> cuts;
    if (!ReadsOrFailsByDesign([&] { cuts = ReadCutsFile(input.Path(), SmallTable().GetNoAttr()); })) {
        // A refused file leaves the table as it was.
        TTable copy;
        copy = SmallTable();
        ReadsOrFailsByDesign([&] { ApplyCutsFile(copy, input.Path()); });
        for (int i = 0; i < copy.GetSize(); ++i) Require(copy.GetElem(i) == SmallTable().GetElem(i), "a refused file changes nothing");
        return 0;
    }
    TTable copy;
    copy = SmallTable();
    Require(ReadsOrFailsByDesign([&] { ApplyCutsFile(copy, input.Path()); }), "cuts that were read apply");
    const std::vector<int> expected = Scanned(cuts);
    for (int i = 0; i < copy.GetSize(); ++i) Require(copy.GetElem(i) == expected[static_cast<size_t>(i)], "cells as the scan gives them");
    return 0;
}
