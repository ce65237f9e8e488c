// The binary table: read row by row into a table text file, which must load as the same
// rows, and split in two, which must keep every row once with each part in file order.
#include <string>
#include <vector>

#include "core/binary_table.h"
#include "core/table.h"
#include "fuzz/fuzz_support.h"

namespace {

using Rows = std::vector<std::vector<int>>;

// Whether `part` is `all` with some rows left out.
bool InOrder(const Rows& part, const Rows& all) {
    size_t at = 0;
    for (const auto& row : all) {
        if (at < part.size() && part[at] == row) ++at;
    }
    return at == part.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SilentStdout quiet;
    TempFile input(InputBytes(data, size), ".bin");
    TBTable table;
    table.Assign(input.Path());
    TempFile text(".tab");
    if (!ReadsOrFailsByDesign([&] { table.SaveTextTable(text.Path()); })) return 0;
    TTable whole;
    // A table of no rows may announce more columns than a table text file without values may.
    const bool loads = ReadsOrFailsByDesign([&] { whole.Load(text.Path()); });
    if (!loads && table.GetNoObj() == 0 && table.GetNoAttr() > TTable::kMaxCountWithoutValues) return 0;
    Require(loads, "a binary table's text loads");
    Require(whole.GetNoObj() == table.GetNoObj(), "binary table rows");
    const Rows all = RowsOf(whole);
    Rows read;
    Require(ReadsOrFailsByDesign([&] {
                for (int o = 0; o < table.GetNoObj(); ++o) {
                    table.GetObjFromFile(o == 0 ? 0 : 1);
                    read.emplace_back();
                    for (int a = 0; a < table.GetNoAttr(); ++a) read.back().push_back(table.GetCurObjval(a));
                }
            }),
            "rows read one by one");
    Require(read.size() == all.size() && (all.empty() || read == all), "rows read one by one match the text");

    TempFile first(".bin");
    TempFile second(".bin");
    if (!ReadsOrFailsByDesign([&] { table.SplitTable(0.3, first.Path(), second.Path()); })) return 0;
    Rows parts[2];
    const TempFile* files[2] = {&first, &second};
    for (int p = 0; p < 2; ++p) {
        TBTable part;
        part.Assign(files[p]->Path());
        TempFile partText(".tab");
        TTable loaded;
        Require(ReadsOrFailsByDesign([&] {
                    part.SaveTextTable(partText.Path());
                    loaded.Load(partText.Path());
                }),
                "a split part loads");
        parts[p] = RowsOf(loaded);
        Require(InOrder(parts[p], all), "a split part keeps file order");
    }
    Require(parts[0].size() == static_cast<size_t>(static_cast<int>(all.size() * 0.3)), "first part size");
    Require(parts[0].size() + parts[1].size() == all.size(), "split parts cover the table");
    return 0;
}
