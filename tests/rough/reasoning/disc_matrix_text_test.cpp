#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "tests/rough/reasoning/boole_reference.h"
#include "tests/rough/rough_test_util.h"

namespace {

TIntSack SackOf(std::initializer_list<int> values) {
    TIntSack s;
    for (int v : values) s.AddElem(v);
    return s;
}

std::vector<int> Elements(const TIntSack& s) { return {s.begin(), s.end()}; }

TEST(MasksToSacks, EveryTermOfTheProductWithoutPruningInOrder) {
    TBoole31 b;
    TIntSack out;
    const TIntSack clauses = SackOf({3, 6});
    b.MasksToSacks(&clauses, &out);
    EXPECT_EQ(Elements(out), (std::vector<int>{3, 2, 5, 6}));
    // Masks already there stay first; bits from 10 on are no attributes.
    TIntSack kept = SackOf({5});
    const TIntSack wide = SackOf({3, 6 | (1 << 12)});
    b.MasksToSacks(&wide, &kept);
    EXPECT_EQ(Elements(kept), (std::vector<int>{5, 3, 2, 6}));

}

TEST(CountEqualRows, EveryColumnCountsTheObjectItself) {
    auto t = MakeTable({{1, 2, 0}, {1, 2, 1}, {1, 2, 0}, {0, 2, 0}, {1, 2, 0}});
    EXPECT_EQ(TBoole31::CountEqualRows(t.get(), 0), 3);
    EXPECT_EQ(TBoole31::CountEqualRows(t.get(), 1), 1);
    EXPECT_EQ(TBoole31::CountEqualRows(t.get(), 4), 3);
}

TEST(MatrixText, PrintersAndTheSavedFile) {
    auto t = MakeTable({{0, 0, 0, 0}, {1, 0, 1, 0}, {1, 1, 0, 1}});
    QuietModeGuard quiet;
    TBoole31 masks;
    masks.CalcAllGlobReducts(t.get(), 0, 0);
    TBoole sacks;
    sacks.CalcAllGlobReducts(t.get(), 0, 0);
    const std::string matrix = "Discernibilty matrix:\n[ 0 2 ]\n[ 0 1 3 ]\n[ 1 2 3 ]\n";
    ASSERT_EQ(boole_reference::SetsOfMasks(*masks.GetMatrix()), (boole_reference::Sets{{0, 2}, {0, 1, 3}, {1, 2, 3}}));
    testing::internal::CaptureStdout();
    masks.PrintDiscMatrix(t.get());
    sacks.PrintDiscMatrix();
    // Bit 31 is the last a mask holds; a narrower table shows only its own columns.
    TTable wide;
    wide.CreateTable(1, 40);
    const TIntSack printed = SackOf({static_cast<int>(0x80000001u), 0});
    TBoole31::PrintMasks(&printed, &wide);
    TBoole31::PrintMasks(&printed, t.get());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), matrix + matrix + "Discernibilty matrix:\n[ 0 31 ]\n[ ]\n" +
                                                          "Discernibilty matrix:\n[ 0 ]\n[ ]\n");

    ScratchDir dir;
    const std::string file = dir.File("matrix.txt");
    masks.SaveDiscMatrix(t.get(), file.c_str());
    EXPECT_EQ(ReadFileBytes(file), "Size=3\n0 2 \n0 1 3 \n1 2 3 \n");
    const std::string unwritable = dir.File("no/such/folder");
    LogCapture log;
    try {
        masks.SaveDiscMatrix(t.get(), unwritable.c_str());
        ADD_FAILURE() << "saved";
    } catch (const CalcErrorText& e) {
        EXPECT_EQ(e.GetCode(), 7);
        EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not save the file: " + unwritable);
    }
    EXPECT_EQ(log.Text(), "Error: Can't save file with matrix\n");
}

}  // namespace
