// The test maker's two-class table: the input read as the training table and written as the
// table of its columns from 12 on and a class column (1 where one of the first 12 columns
// holds 1, else 2). A table the table reader refuses, or one of fewer than 12 columns, must
// be refused and leave no file; otherwise the training table is the one the reader gives,
// and the file written loads as that table's two-class form and saves back to its own bytes.
#include <filesystem>

#include "core/table.h"
#include "experiments/test_maker.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr int kClassColumns = 12;

void TwoClassForm(const TTable& t, TTable& form) {
    const int width = t.GetNoAttr() - kClassColumns + 1;
    form.CreateTable(t.GetNoObj(), width);
    for (int o = 0; o < t.GetNoObj(); ++o) {
        bool one = false;
        for (int a = 0; a < kClassColumns; ++a) one = one || t.GetTable(o, a) == 1;
        for (int a = kClassColumns; a < t.GetNoAttr(); ++a) form.SetTable(o, a - kClassColumns, t.GetTable(o, a));
        form.SetTable(o, width - 1, one ? 1 : 2);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TTable plain;
    const bool loads = ReadsOrFailsByDesign([&] { plain.Load(input.Path()); });
    TTestMaker maker;
    TempFile out;
    const bool made = ReadsOrFailsByDesign([&] {
        SilentStdout quiet;
        maker.MakeTwoClassTable(input.Path(), out.Path());
    });
    Require(made == (loads && plain.GetNoAttr() >= kClassColumns), "a two-class table is made where it can be");
    if (!made) {
        Require(!std::filesystem::exists(out.Path()), "a refused table writes nothing");
        return 0;
    }
    Require(SameTable(*maker.GetTrain(), plain), "the training table as read");
    TTable expected;
    TwoClassForm(plain, expected);
    TTable written;
    TempFile again;
    Require(ReadsOrFailsByDesign([&] {
                written.Load(out.Path());
                written.Save(again.Path());
            }),
            "a two-class table loads");
    Require(SameTable(written, expected), "the two-class table's cells");
    Require(again.Bytes() == out.Bytes(), "a two-class table saves back to its bytes");
    return 0;
}
