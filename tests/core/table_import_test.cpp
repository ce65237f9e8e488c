#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/table.h"
#include "tests/support/failure_of.h"
#include "tests/support/test_files.h"

namespace {

std::vector<int> Values(const TTable& t) {
    std::vector<int> v;
    for (int i = 0; i < t.GetSize(); ++i) v.push_back(t.GetElem(i));
    return v;
}

class FloatImport : public ::testing::Test {
protected:
    Failure Import(TTable& t, const std::string& bytes, int precision) {
        WriteFileBytes(name, bytes);
        return FailureOf([&] { t.ImportFloatData(name.c_str(), precision); });
    }
    ScratchDir dir;
    std::string name = dir.File("data");
};

TEST_F(FloatImport, ScalesAllButTheLastColumnAndTruncatesTowardZero) {
    TTable t;
    EXPECT_EQ(Import(t, "0.47 -2.55 3.9\n5.1 -0.01 7\n", 2).log, "Importing floating point data...\n");
    EXPECT_EQ(t.GetNoObj(), 2);
    EXPECT_EQ(t.GetNoAttr(), 3);
    // 0.47 is a little below itself in binary: ten times ten times it is 46.99...
    EXPECT_EQ(Values(t), (std::vector<int>{46, -255, 3, 510, -1, 7}));
    Import(t, "-2.55 0.9\n", 1);
    EXPECT_EQ(Values(t), (std::vector<int>{-25, 0}));
    Import(t, "2147483647.9 -2147483648.9 1e-300\n", 0);
    EXPECT_EQ(Values(t), (std::vector<int>{2147483647, -2147483648, 0}));
    Import(t, "0 4\n", 2000000000);
    EXPECT_EQ(Values(t), (std::vector<int>{0, 4}));
}

TEST_F(FloatImport, DenseIrisAtPrecisionOneIsIris) {
    const std::string dense = ReadFileBytes(VARNEL_TABLES "/iris.dense.tab");
    TTable t;
    ASSERT_EQ(Import(t, dense.substr(dense.find('\n') + 1), 1).code, 0);
    TTable iris;
    iris.Load(VARNEL_TABLES "/iris.tab");
    EXPECT_EQ(t.GetNoObj(), 150);
    EXPECT_EQ(Values(t), Values(iris));
}

TEST_F(FloatImport, FailuresLeaveTheTableEmpty) {
    TTable t;
    Failure empty = Import(t, "\n \n", 1);
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(empty.log, "Importing floating point data...\nWARNING:Imported file is empty! (" + name + ")\n");
    EXPECT_EQ(t.GetSize(), 0);

    for (const char* bytes : {"1 x\n", "1,5 2\n", "1 2\n3\n", "3e9 1\n", "1e300 1\n", "0.5 1\n", "1e 2\n"}) {
        Import(t, "9 9\n", 0);
        Failure f = Import(t, bytes, 1000);
        EXPECT_EQ(f.code, 10) << bytes;
        EXPECT_EQ(f.log, "Importing floating point data...\nError: Bad format of file with data: " + name + "\n");
        EXPECT_EQ(t.GetNoObj(), 0);
        EXPECT_EQ(t.GetSize(), 0);
    }
    const std::string missing = dir.File("missing");
    Failure open = FailureOf([&] { t.ImportFloatData(missing.c_str(), 1); });
    EXPECT_EQ(open.code, 6);
    EXPECT_EQ(open.log, "Importing floating point data...\nError: Can't open file with data: " + missing + "\n");
}

}  // namespace
