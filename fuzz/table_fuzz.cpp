// The decision table file: loaded as every command loads it, saved in the canonical layout
// and loaded back, which must give the same table and, saved again, the same bytes.
#include "core/table.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TTable table;
    if (!ReadsOrFailsByDesign([&] { table.Load(input.Path()); })) return 0;
    Require(table.GetSize() == table.GetNoObj() * table.GetNoAttr(), "cell count of a loaded table");
    TempFile first;
    TempFile second;
    TTable reread;
    Require(ReadsOrFailsByDesign([&] {
                table.Save(first.Path());
                reread.Load(first.Path());
                reread.Save(second.Path());
            }),
            "a saved table loads");
    Require(SameTable(table, reread), "table cells");
    Require(first.Bytes() == second.Bytes(), "table file bytes");
    return 0;
}
