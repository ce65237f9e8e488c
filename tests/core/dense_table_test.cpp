#include <gtest/gtest.h>

#include <string>

#include "core/dense_table.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_files.h"

namespace {

class DenseTableFile : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string Write(const std::string& bytes) {
        const std::string name = dir.File("t.tab");
        WriteFileBytes(name, bytes);
        return name;
    }
};

std::string Rows(const TDTable& t) {
    std::string out;
    for (int o = 0; o < t.GetObjCount(); ++o) {
        for (int a = 0; a < t.GetAttrCount(); ++a) {
            out += t.Get(o, a) == TDTable::kMissing ? "?" : std::to_string(t.Get(o, a));
            out += a + 1 < t.GetAttrCount() ? " " : ";";
        }
    }
    return out;
}

TEST(DenseTable, NewTableIsEmptyAndSizedTableHoldsItsCells) {
    TDTable empty;
    EXPECT_EQ(empty.GetObjCount(), 0);
    EXPECT_EQ(empty.GetAttrCount(), 0);
    TDTable t(2, 3);
    EXPECT_EQ(t.GetObjCount(), 2);
    EXPECT_EQ(t.GetAttrCount(), 3);
    t.Set(1, 2, 7);
    t.GetRow(0)[1] = -4;
    EXPECT_EQ(t.Get(1, 2), 7);
    EXPECT_EQ(t.Get(0, 1), -4);
    t.SetDecAttr(2);
    EXPECT_EQ(t.GetDecAttr(), 2);
}

TEST(DenseTable, CopyIsDeep) {
    TDTable t(1, 2);
    t.Set(0, 0, 1);
    t.Set(0, 1, 2);
    t.SetDecAttr(0);
    TDTable copy(t);
    t.Set(0, 0, 9);
    EXPECT_EQ(Rows(copy), "1 2;");
    EXPECT_EQ(copy.GetDecAttr(), 0);
}

TEST_F(DenseTableFile, RealsAreTruncatedTowardZeroAndQuestionMarksAreMissing) {
    TDTable t;
    ASSERT_EQ(t.Load(Write("2 2\n1.9 ? -2.5 4\n").c_str()), 0);
    EXPECT_EQ(Rows(t), "1 ?;-2 4;");
    EXPECT_EQ(t.GetDecAttr(), 1);
    EXPECT_EQ(TDTable::kMissing, -2147483639);
}

TEST_F(DenseTableFile, CellWordsAreReadWhole) {
    TDTable t;
    // "?x" is missing whatever follows; text without a leading number is 0; a number's tail of
    // letters is ignored; a word far longer than any buffer is still one cell.
    const std::string longWord = std::string(200, '0') + "42.5";
    ASSERT_EQ(t.Load(Write("1 5 ?x abc 3kg " + longWord + " -0.9").c_str()), 0);
    EXPECT_EQ(Rows(t), "? 0 3 42 0;");
    ASSERT_EQ(t.Load(Write("1 2\t2147483647.9\r\n-2147483648.5 \r\n\n").c_str()), 0);
    EXPECT_EQ(Rows(t), "2147483647 -2147483648;");
}

TEST_F(DenseTableFile, FailedLoadLeavesTheTableAsItWas) {
    TDTable t;
    ASSERT_EQ(t.Load(Write("1 2 5 6").c_str()), 0);
    const char* bad[] = {
        "0 2\n",                  // no rows
        "2 0\n",                  // no columns
        "2 2 1 2 3",              // fewer cells than announced
        "1 2 1 inf",              // not finite
        "1 2 nan 1",              //
        "1 2 1e400 1",            // overflows to infinity
        "1 2 3e9 1",              // outside int after truncation
        "1 2 -2147483649 1",      //
        "x 2 1 2",                // header not a number
        "1.5 2 1 2",              //
        "100000 100000 1 2 3 4",  // far more cells than the file could hold
        "2147483647 2147483647 1",
        "",
        "1 2 1 2 3",              // a cell more than announced
        "1 2 1 2\n? ?\n",         // a row more
        "1 2 1 2 end",            // text after the cells
    };
    for (const char* text : bad) {
        EXPECT_EQ(t.Load(Write(text).c_str()), 1) << text;
        EXPECT_EQ(Rows(t), "5 6;") << text;
        EXPECT_EQ(t.GetObjCount(), 1) << text;
        EXPECT_EQ(t.GetAttrCount(), 2) << text;
        EXPECT_EQ(t.GetDecAttr(), 1) << text;
    }
}

TEST_F(DenseTableFile, MissingFileOrZeroRowsLeavesAnEmptyTableEmpty) {
    TDTable t;
    EXPECT_EQ(t.Load(dir.File("absent.tab").c_str()), 1);
    EXPECT_EQ(t.Load(dir.Path().c_str()), 1);  // a folder
    EXPECT_EQ(t.Load(Write("0 3\n").c_str()), 1);
    EXPECT_EQ(t.GetObjCount(), 0);
    EXPECT_EQ(t.GetAttrCount(), 0);
}

TEST_F(DenseTableFile, SaveWritesIntegersAndMissingValuesEachFollowedByABlank) {
    TDTable t;
    ASSERT_EQ(t.Load(Write("2 2\n1.9 ? -2.5 4\n").c_str()), 0);
    const std::string out = dir.File("out.tab");
    EXPECT_EQ(t.Save(out.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(out), "2 2\n1 ? \n-2 4 \n");
    TDTable back;
    ASSERT_EQ(back.Load(out.c_str()), 0);
    EXPECT_EQ(Rows(back), Rows(t));
}

TEST_F(DenseTableFile, SaveOfAnEmptyTableOrToAnUnwritablePlaceIsAFailure) {
    TDTable empty;
    const std::string out = dir.File("empty.tab");
    EXPECT_EQ(empty.Save(out.c_str()), 1);
    EXPECT_EQ(ReadFileBytes(out), "0 0\n");
    TDTable t(1, 1);
    t.Set(0, 0, 3);
    EXPECT_EQ(t.Save(dir.File("no/such/folder/t.tab").c_str()), 1);
    EXPECT_EQ(t.Save(dir.Path().c_str()), 1);
}

// A save that the disk cannot take to the end fails and keeps the file that was there.
TEST_F(DenseTableFile, ASaveCutShortLeavesThePreviousFile) {
    const std::string out = Write("1 1\n7 \n");
    TDTable t(30, 3);
    EXPECT_EXIT(
        {
            LimitFileSizeOfThisProcess(16);
            std::_Exit(t.Save(out.c_str()));
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(ReadFileBytes(out), "1 1\n7 \n");
}

TEST(DenseTable, LoadsTheRealValuedIrisTable) {
    TDTable t;
    ASSERT_EQ(t.Load(VARNEL_TABLES "/iris.dense.tab"), 0);
    EXPECT_EQ(t.GetObjCount(), 150);
    EXPECT_EQ(t.GetAttrCount(), 5);
    EXPECT_EQ(t.GetDecAttr(), 4);
    // "5.1 3.5 1.4 0.2 0" and the last row "5.9 3.0 5.1 1.8 2"
    EXPECT_EQ(t.Get(0, 0), 5);
    EXPECT_EQ(t.Get(0, 1), 3);
    EXPECT_EQ(t.Get(0, 2), 1);
    EXPECT_EQ(t.Get(0, 3), 0);
    EXPECT_EQ(t.Get(149, 2), 5);
    EXPECT_EQ(t.Get(149, 4), 2);
}

TEST(DenseTableDeathTest, AccessOutsideTheTableStopsWithTheCondition) {
    TDTable t(2, 2);
    EXPECT_DEATH(t.Get(2, 0), "o>=0 && o<l_obj && a>=0 && a<l_attr");
    EXPECT_DEATH(t.Set(0, -1, 1), "o>=0 && o<l_obj && a>=0 && a<l_attr");
    EXPECT_DEATH(t.GetDecAttr(), "attr_dec>=0");
}

}  // namespace
