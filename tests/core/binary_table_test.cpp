#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/binary_int.h"
#include "core/binary_table.h"
#include "core/random.h"
#include "core/table.h"
#include "tests/support/failure_of.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/model_draw.h"
#include "tests/support/test_files.h"

namespace {

std::string Ints(const std::vector<int>& values) {
    std::string bytes;
    for (int v : values) AppendInt32LE(bytes, v);
    return bytes;
}

// A binary table whose rows are (r, r * r mod 7) for r = 0 .. rows - 1.
std::string NumberedTable(int rows) {
    std::vector<int> values = {rows, 2};
    for (int r = 0; r < rows; ++r) {
        values.push_back(r);
        values.push_back(r % 7 * r % 7);
    }
    return Ints(values);
}

class BinaryTable : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRandomForTests();
        SetFixedClockSecond(99);
    }
    void TearDown() override {
        ResetRandomForTests();
        SetFixedClockSecond(-1);
    }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = dir.File(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    ScratchDir dir;
};

TEST_F(BinaryTable, ImportsIntegerDataAsBinaryOrText) {
    const std::string data = File("data", "1 2 3\n4 5 6\n");
    const std::string binary = dir.File("t.bin");
    TBTable t;
    testing::internal::CaptureStdout();
    Failure f = FailureOf([&] { t.ImportIntData(data.c_str(), binary.c_str(), 0); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nRozmiary zaimportowanej tablicy: 2 3\n");
    EXPECT_EQ(f.log, "Importing integer data...\n");
    EXPECT_EQ(ReadFileBytes(binary), Ints({2, 3, 1, 2, 3, 4, 5, 6}));
    const std::string text = dir.File("t.tab");
    testing::internal::CaptureStdout();
    t.ImportIntData(data.c_str(), text.c_str(), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFileBytes(text), "2 3" + std::string(23, ' ') + "\n1 2 3 \n4 5 6 \n");

    // Each word's leading integer part; a row of another length than the first is refused.
    const std::string loose = File("loose", "7x -3 +2\n9.9 abc 99999999999\n");
    testing::internal::CaptureStdout();
    t.ImportIntData(loose.c_str(), binary.c_str(), 0);
    const std::string bad = File("bad", "1 2 3\n4 5\n");
    Failure length = FailureOf([&] { t.ImportIntData(bad.c_str(), binary.c_str(), 0); });
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFileBytes(binary), Ints({2, 3, 7, -3, 2, 9, 0, 2147483647}));
    EXPECT_EQ(length.code, 4);
    EXPECT_EQ(length.log, "Importing integer data...\nError: Bad number of values in row: " + bad + "\n");
}

TEST_F(BinaryTable, ReadsRowByRowAndWritesTheTableTextFile) {
    const std::string name = File("t.bin", NumberedTable(5));
    TBTable t;
    t.Assign(name.c_str());
    t.GetObjFromFile(0);
    EXPECT_EQ(t.GetNoObj(), 5);
    EXPECT_EQ(t.GetCurObjval(0), 0);
    t.GetObjFromFile(1);
    t.GetObjFromFile(1);
    EXPECT_EQ(t.GetCurObjval(0), 2);
    EXPECT_EQ(t.GetCurObjval(1), 4);
    t.GetObjFromFile(0);
    EXPECT_EQ(t.GetCurObjval(0), 0);
    for (int i : {-1, 2}) {
        Failure f = FailureOf([&] { t.GetCurObjval(i); });
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(f.log, "Bad element number in TBTable::GetCurObjval\n");
    }

    const std::string text = dir.File("t.tab");
    t.SaveTextTable(text.c_str());
    TTable loaded;
    loaded.Load(text.c_str());
    const std::string saved = dir.File("saved.tab");
    loaded.Save(saved.c_str());
    EXPECT_EQ(ReadFileBytes(text), ReadFileBytes(saved));
    EXPECT_EQ(ReadFileBytes(text).substr(0, 15), "5 2\n0 0 \n1 1 \n2");
}

TEST_F(BinaryTable, OpeningFailuresAndBadHeaders) {
    TBTable t;
    Failure unassigned = FailureOf([&] { t.Open(); });
    EXPECT_EQ(unassigned.code, 14);
    EXPECT_EQ(unassigned.log, "Binary table not assigned!\n");
    const std::string missing = dir.File("missing");
    t.Assign(missing.c_str());
    Failure open = FailureOf([&] { t.GetObjFromFile(0); });
    EXPECT_EQ(open.code, 14);
    EXPECT_EQ(open.log, "Error: Can't open binary table: " + missing + "\n");
    EXPECT_NE(open.message.find(missing), std::string::npos);

    for (const std::string& bytes : {Ints({3}), Ints({-1, 2}), Ints({1, -2}), Ints({2, 0}), Ints({1, 3, 5, 6}),
                                     Ints({1000000000, 1000000000, 1})}) {
        const std::string name = File("bad.bin", bytes);
        t.Assign(name.c_str());
        Failure f = FailureOf([&] { t.Open(); });
        EXPECT_EQ(f.code, 10);
        EXPECT_EQ(f.log, "Error: Bad header of binary table: " + name + "\n");
    }

    // No objects: the table opens, a split refuses it and a row read checks the row length.
    const std::string empty = File("empty.bin", Ints({0, 1000000000}));
    t.Assign(empty.c_str());
    t.Open();
    Failure split = FailureOf([&] { t.SplitTable(0.5, dir.File("a").c_str(), dir.File("b").c_str()); });
    EXPECT_EQ(split.code, 4);
    EXPECT_EQ(split.log, "Can't split empty binary table!\n");
    EXPECT_EQ(FailureOf([&] { t.GetObjFromFile(0); }).code, 10);
}

TEST_F(BinaryTable, AFileShorterThanItsHeaderFailsAtTheFirstMissingRow) {
    std::string bytes = NumberedTable(3);
    bytes.resize(bytes.size() - 2);
    const std::string name = File("short.bin", bytes);
    TBTable t;
    t.Assign(name.c_str());
    t.GetObjFromFile(0);
    t.GetObjFromFile(1);
    Failure row = FailureOf([&] { t.GetObjFromFile(1); });
    EXPECT_EQ(row.code, 6);
    EXPECT_EQ(row.log, "Error: Can't read file with data in TBTable::GetObjFromFile\n");
    const std::string text = dir.File("t.tab");
    EXPECT_EQ(FailureOf([&] { t.SaveTextTable(text.c_str()); }).code, 6);
    const std::string first = dir.File("a.bin");
    testing::internal::CaptureStdout();
    EXPECT_EQ(FailureOf([&] { t.SplitTable(0.5, first.c_str(), dir.File("b.bin").c_str()); }).code, 6);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(FileExists(text));
    EXPECT_FALSE(FileExists(first));
}

std::vector<int> Column0(const std::string& binary) {
    const std::string bytes = ReadFileBytes(binary);
    std::vector<int> ids;
    const int rows = Int32LEAt(bytes.data());
    EXPECT_EQ(bytes.size(), 8u + 8u * static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) ids.push_back(Int32LEAt(bytes.data() + 8 + 8 * r));
    return ids;
}

TEST_F(BinaryTable, SplitDrawsTheSmallerPartAndKeepsFileOrder) {
    const std::string first = dir.File("a.bin");
    const std::string second = dir.File("b.bin");
    for (int rows : {10, 2500, 50000}) {
        const std::string name = File("t.bin", NumberedTable(rows));
        for (double ratio : {0.3, 0.7, 0.5}) {
            const int k = static_cast<int>(rows * ratio);
            const bool drawFirst = k <= rows - k;
            ResetRandomForTests();
            const std::vector<bool> drawn = ModelDraw(rows, drawFirst ? k : rows - k);
            ResetRandomForTests();
            TBTable t;
            t.Assign(name.c_str());
            testing::internal::CaptureStdout();
            t.SplitTable(ratio, first.c_str(), second.c_str());
            EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(static_cast<size_t>((rows - 1) / 1000), '.') + "\n");
            std::vector<int> expected[2];
            for (int r = 0; r < rows; ++r) expected[drawn[static_cast<size_t>(r)] == drawFirst ? 0 : 1].push_back(r);
            EXPECT_EQ(Column0(first), expected[0]);
            EXPECT_EQ(Column0(second), expected[1]);
            EXPECT_EQ(expected[0].size(), static_cast<size_t>(k));
        }
    }
    // A part of no objects is a valid table of 8 bytes.
    TBTable one;
    one.Assign(File("one.bin", NumberedTable(1)).c_str());
    testing::internal::CaptureStdout();
    one.SplitTable(0.5, first.c_str(), second.c_str());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFileBytes(first), Ints({0, 2}));
    EXPECT_EQ(Column0(second), std::vector<int>{0});
}

TEST_F(BinaryTable, SplitRefusesBadRatiosAndReportsFailedOutputs) {
    TBTable t;
    t.Assign(File("t.bin", NumberedTable(10)).c_str());
    for (double ratio : {0.0, 1.0}) {
        Failure f = FailureOf([&] { t.SplitTable(ratio, dir.File("a").c_str(), dir.File("b").c_str()); });
        EXPECT_EQ(f.code, 4);
        EXPECT_EQ(f.log, "Critical error in: TBTable::SplitTable (second)\n");
    }
    const std::string noFolder = dir.File("none/b");
    Failure open = FailureOf([&] { t.SplitTable(0.5, dir.File("a").c_str(), noFolder.c_str()); });
    EXPECT_EQ(open.code, 6);
    EXPECT_EQ(open.log, "Error: Can't open binary table: " + noFolder + "\n");
    testing::internal::CaptureStdout();
    Failure full = FailureOf([&] { t.SplitTable(0.5, "/dev/full", dir.File("b").c_str()); });
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(full.code, 7);
    EXPECT_EQ(full.log, "Error: Can't write file with data in TBTable::SplitTable\n");
    Failure text = FailureOf([&] { t.SaveTextTable("/dev/full"); });
    EXPECT_EQ(text.code, 7);
    EXPECT_EQ(text.log, "Error: Can't write file with text table BTable::SaveTextTable\n");
    Failure textOpen = FailureOf([&] { t.SaveTextTable(noFolder.c_str()); });
    EXPECT_EQ(textOpen.code, 6);
    EXPECT_EQ(textOpen.log, "Error: Can't open text file: " + noFolder + "\n");
}

}  // namespace
