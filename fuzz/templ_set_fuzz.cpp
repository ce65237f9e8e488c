// The templates file: read, then written, read back and written again, which must give the
// same bytes; what was read is also used on a small table as a tree path would be.
#include <string>
#include <vector>

#include "core/table.h"
#include "discretization/templates/templ_set.h"
#include "fuzz/fuzz_support.h"

namespace {

// Three condition columns and a decision.
const TTable& SmallTable() {
    static TTable table;
    if (table.GetNoObj() == 0) {
        const int values[4][4] = {{0, 1, 2, 0}, {1, 0, 5, 1}, {2, 2, -2, 0}, {-2147483647 - 1, 0, 0, 1}};
        table.CreateTable(4, 4);
        for (int o = 0; o < 4; ++o) {
            for (int a = 0; a < 4; ++a) table.SetTable(o, a, values[o][a]);
        }
    }
    return table;
}

void UseOnTable(const TTemplSet& set) {
    ReadsOrFailsByDesign([&] {
        TTable part;
        set.SelectTable(SmallTable(), part);
        Require(part.GetNoObj() <= SmallTable().GetNoObj() && part.GetNoAttr() <= SmallTable().GetNoAttr(),
                "a selected part is no larger than its table");
    });
    ReadsOrFailsByDesign([&] {
        std::vector<int> flags;
        for (int o = 0; o < SmallTable().GetNoObj(); ++o) {
            const int matched = set.TestObject(SmallTable(), o, 1, &flags);
            Require(matched >= 0 && matched <= set.GetCount(), "a count of matched candidates");
        }
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TTemplSet read;
    if (!ReadsOrFailsByDesign([&] { read.Load(input.Path()); })) {
        Require(read.GetCount() == 0 && read.GetCapacity() == 3, "a refused file leaves an empty set");
        return 0;
    }
    Require(read.GetCount() <= read.GetCapacity(), "the capacity holds the count");
    UseOnTable(read);
    TempFile first, second;
    TTemplSet reread, again;
    Require(ReadsOrFailsByDesign([&] {
                read.Save(first.Path());
                reread.Load(first.Path());
                reread.Save(second.Path());
            }),
            "written templates read back");
    Require(reread.GetCount() == read.GetCount() && reread.GetCapacity() == read.GetCapacity(),
            "count and capacity read back");
    for (int i = 0; i < read.GetCount(); ++i) {
        const TTempl& a = read.GetTEMPL(i);
        const TTempl& b = reread.GetTEMPL(i);
        Require(a.GetAttr() == b.GetAttr() && a.GetValue() == b.GetValue() && a.GetSupport() == b.GetSupport() &&
                    a.GetNegated() == b.GetNegated(),
                "every template read back");
    }
    Require(first.Bytes() == second.Bytes(), "templates file bytes");
    return 0;
}
