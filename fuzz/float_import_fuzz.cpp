// The import of real-valued text data: a file read at precisions 0 and 2 must give a table of
// the counted shape, or fail leaving it empty; the table saved and loaded back is the same.
#include <string>

#include "core/table.h"
#include "core/text_data.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    for (int precision : {0, 2}) {
        TTable table;
        if (!ReadsOrFailsByDesign([&] { table.ImportFloatData(input.Path(), precision); })) {
            Require(table.GetSize() == 0 && table.GetNoObj() == 0, "a failed import leaves the table empty");
            continue;
        }
        int rows = 0;
        int columns = 0;
        Require(ReadsOrFailsByDesign([&] { TDictio_VT::CountRowsAndColumns(input.Path(), rows, columns); }),
                "an imported file counts");
        Require(table.GetSize() == table.GetNoObj() * table.GetNoAttr(), "imported cell count");
        Require(table.GetSize() == 0 || (table.GetNoObj() == rows && table.GetNoAttr() == columns), "imported shape");
        TempFile saved;
        TTable reread;
        Require(ReadsOrFailsByDesign([&] {
                    table.Save(saved.Path());
                    reread.Load(saved.Path());
                }),
                "an imported table saves and loads");
        Require(SameTable(table, reread), "imported table cells");
    }
    return 0;
}
