// The dense table of the direction search: loaded, saved and loaded back, which must give the
// same sizes and cells (missing ones included) and, saved again, the same bytes.
#include "core/dense_table.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TDTable table;
    bool loaded = false;
    if (!ReadsOrFailsByDesign([&] { loaded = table.Load(input.Path()) == 0; }) || !loaded) {
        Require(table.GetObjCount() == 0 && table.GetAttrCount() == 0, "a failed load leaves the table empty");
        return 0;
    }
    Require(table.GetDecAttr() == table.GetAttrCount() - 1, "decision column of a loaded table");
    TempFile first;
    TempFile second;
    TDTable reread;
    Require(table.Save(first.Path()) == 0, "a loaded table saves");
    Require(reread.Load(first.Path()) == 0, "a saved table loads");
    Require(reread.Save(second.Path()) == 0, "a reread table saves");
    Require(reread.GetObjCount() == table.GetObjCount() && reread.GetAttrCount() == table.GetAttrCount(),
            "table sizes");
    for (int o = 0; o < table.GetObjCount(); ++o) {
        for (int a = 0; a < table.GetAttrCount(); ++a) Require(reread.Get(o, a) == table.Get(o, a), "table cells");
    }
    Require(first.Bytes() == second.Bytes(), "table file bytes");
    return 0;
}
