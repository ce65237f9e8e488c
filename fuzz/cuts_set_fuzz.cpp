// The cuts-set file: read as the three-field file of Save and as the scaler's two-field cuts
// file, applied to a small table, then written, read back and written again. Values are
// single precision written with 6 significant digits, so the first write may change them;
// from the first written file on, writing and reading must agree byte for byte.
#include <memory>
#include <string>

#include "core/table.h"
#include "discretization/cuts/cuts_set.h"
#include "fuzz/fuzz_support.h"

namespace {

// Three condition columns and a decision.
const TTable& SmallTable() {
    static TTable table;
    if (table.GetNoObj() == 0) {
        const int values[5][4] = {{0, 1, 2, 0}, {1, 0, 5, 1}, {2, 2, -2, 0}, {3, 7, 9, 1}, {2147483647, 0, 0, 1}};
        table.CreateTable(5, 4);
        for (int o = 0; o < 5; ++o) {
            for (int a = 0; a < 4; ++a) table.SetTable(o, a, values[o][a]);
        }
    }
    return table;
}

void ApplyAndRoundTrip(TCutsSet& read) {
    ReadsOrFailsByDesign([&] {
        TTable copy;
        copy = SmallTable();
        read.Discretize(copy);
        Require(copy.GetNoObj() == SmallTable().GetNoObj() && copy.GetNoAttr() == SmallTable().GetNoAttr(),
                "a discretized table keeps its sizes");
        for (int o = 0; o < copy.GetNoObj(); ++o) {
            Require(copy.GetTable(o, 3) == SmallTable().GetTable(o, 3), "the decision is not touched");
            for (int a = 0; a < 3; ++a) {
                Require(copy.GetTable(o, a) >= 0 && copy.GetTable(o, a) <= read.GetNoCuts(), "an interval number");
            }
        }
    });
    TempFile first, second, third;
    TCutsSet reread, again;
    Require(ReadsOrFailsByDesign([&] {
                read.Save(first.Path());
                reread.Load(first.Path());
                reread.Save(second.Path());
                again.Load(second.Path());
                again.Save(third.Path());
            }),
            "written cuts read back");
    Require(reread.GetNoCuts() == read.GetNoCuts(), "every written cut is read back");
    Require(second.Bytes() == third.Bytes(), "cuts-set file bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TCutsSet withQuality, qmv;
    if (ReadsOrFailsByDesign([&] { withQuality.Load(input.Path()); })) ApplyAndRoundTrip(withQuality);
    if (ReadsOrFailsByDesign([&] { qmv.LoadQMV(input.Path()); })) ApplyAndRoundTrip(qmv);
    return 0;
}
