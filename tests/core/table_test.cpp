#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/table.h"
#include "tests/support/test_files.h"

namespace {

std::vector<int> Values(const TTable& t) {
    std::vector<int> v;
    for (int i = 0; i < t.GetSize(); ++i) v.push_back(t.GetElem(i));
    return v;
}

void ExpectShape(const TTable& t, int noObj, int noAttr, int size) {
    EXPECT_EQ(t.GetNoObj(), noObj);
    EXPECT_EQ(t.GetNoAttr(), noAttr);
    EXPECT_EQ(t.GetSize(), size);
}

void ExpectEmpty(const TTable& t) { ExpectShape(t, 0, 0, 0); }

// Loads `bytes` as a table file; returns the error code (0 when it loaded) and the LOG.
struct LoadResult {
    int code = 0;
    std::string message;
    std::string log;
    std::string name;
};

LoadResult LoadBytes(TTable& t, const std::string& bytes) {
    ScratchDir dir;
    LoadResult r;
    r.name = dir.File("t.tab");
    WriteFileBytes(r.name, bytes);
    LogCapture log;
    try {
        t.Load(r.name.c_str());
    } catch (const Error& e) {
        r.code = e.GetCode();
        r.message = e.GetMessage();
    }
    r.log = log.Text();
    return r;
}

void FillTable(TTable& t, int noObj, int noAttr) {
    t.CreateTable(noObj, noAttr);
    for (int i = 0; i < noObj * noAttr; ++i) t.SetTable(0, i, i + 1);
}

TEST(TableLoad, ValuesMayStandOnAnyLinesAndAnyWhiteSpace) {
    TTable t;
    LoadResult r = LoadBytes(t, "2\t3\n1 2\n\n3\r\n4 \v 5\f6\n");
    ASSERT_EQ(r.code, 0);
    ExpectShape(t, 2, 3, 6);
    EXPECT_EQ(Values(t), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(r.log, "2 objects loaded from \"" + r.name + "\"\n");
}

TEST(TableLoad, NumbersAreReadAsAStreamReadsThem) {
    TTable t;
    ASSERT_EQ(LoadBytes(t, "1 5\n+7 -0 -2147483648 2147483647 0012").code, 0);
    EXPECT_EQ(Values(t), (std::vector<int>{7, 0, -2147483648, 2147483647, 12}));
    // Only white space may follow the announced values.
    ASSERT_EQ(LoadBytes(t, "1 2\n3 4 \n\n\t\r\n\v\f ").code, 0);
    EXPECT_EQ(Values(t), (std::vector<int>{3, 4}));
}

TEST(TableLoad, LastValueMayEndTheFile) {
    TTable t;
    ASSERT_EQ(LoadBytes(t, "1 2\n8 9").code, 0);
    EXPECT_EQ(Values(t), (std::vector<int>{8, 9}));
}

TEST(TableLoad, BadValuesFailAndLeaveTheTableEmpty) {
    const char* files[] = {
        "2 2\n1 2\n3\n",           // one value missing
        "2 2\n1 2\n3 ",            // the same, ending in a blank
        "2 2\n1 x 3 4\n",          // not a number
        "2 2\n1 2x 3 4\n",         // a stray character after a value
        "1 2\n2147483648 1\n",     // beyond the int range
        "1 2\n-2147483649 1\n",
        "1 2\n- 1 2\n",            // a sign alone
        "1 2\n3 4x and 5 6 more",   // text directly behind the last value
        "1 2\n3 4\n5 6\n",          // a row more than announced
        "1 2\n3 4 # note\n",       // a remark after the values
        "0 2\n\n7\n",              // a value where none is announced
    };
    for (const char* bytes : files) {
        SCOPED_TRACE(bytes);
        TTable t;
        FillTable(t, 2, 2);
        LoadResult r = LoadBytes(t, bytes);
        EXPECT_EQ(r.code, 6);
        EXPECT_EQ(r.message, "Error: Can not load the file: " + r.name);
        EXPECT_EQ(r.log, "Error: Bad format of file with table: " + r.name + "\n");
        ExpectEmpty(t);
    }
}

// A damaged header never passes for an empty table: the reducts command saves the loaded
// table back over its input.
TEST(TableLoad, BadHeadersFail) {
    const char* files[] = {
        "",
        "\n  \n",
        "objects 3\n1 2 3\n",
        "2\n",
        "2 x\n",
        "-1 3\n",
        "3 -1\n",
        "70000 70000\n1\n",       // more cells than an int counts
        "2147483648 1\n",
        "40000 50000\n1 2 3\n",   // fits an int, but the values are not there
        "0 2000000000\n",          // nothing confirms the attributes the engines would size
        "1000001 0\n",
    };
    for (const char* bytes : files) {
        SCOPED_TRACE(bytes);
        TTable t;
        LoadResult r = LoadBytes(t, bytes);
        EXPECT_EQ(r.code, 6);
        EXPECT_EQ(r.log, "Error: Bad format of file with table: " + r.name + "\n");
        ExpectEmpty(t);
    }
}

TEST(TableLoad, HeaderWithoutObjectsLoadsNoValues) {
    TTable t;
    LoadResult r = LoadBytes(t, "0 5\n");
    ASSERT_EQ(r.code, 0);
    ExpectShape(t, 0, 5, 0);
    EXPECT_EQ(r.log, "0 objects loaded from \"" + r.name + "\"\n");
    ASSERT_EQ(LoadBytes(t, "4 0").code, 0);
    ExpectShape(t, 4, 0, 0);
    ASSERT_EQ(LoadBytes(t, "0 1000000").code, 0);
    ExpectShape(t, 0, TTable::kMaxCountWithoutValues, 0);
}

TEST(TableLoad, UnreadableFiles) {
    ScratchDir dir;
    for (const std::string& name : {dir.File("missing.tab"), dir.Path()}) {
        TTable t;
        FillTable(t, 1, 1);
        LogCapture log;
        try {
            t.Load(name.c_str());
            ADD_FAILURE() << "loaded " << name;
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 6);
            EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not load the file: " + name);
        }
        EXPECT_EQ(log.Text(), "Error: Can't open file with table: " + name + "\n");
        ExpectEmpty(t);
    }
}

TEST(TableSave, WritesOneRowPerLineEachValueFollowedByABlank) {
    ScratchDir dir;
    const std::string name = dir.File("out.tab");
    TTable t;
    FillTable(t, 2, 2);
    LogCapture log;
    t.Save(name.c_str());
    EXPECT_EQ(ReadFileBytes(name), "2 2\n1 2 \n3 4 \n");
    EXPECT_EQ(log.Text(), "Table saved to \"" + name + "\"\n");
}

TEST(TableSave, TablesWithoutCellsWriteTheHeaderOnly) {
    ScratchDir dir;
    const std::string name = dir.File("out.tab");
    TTable t;
    t.AddObject();
    t.AddObject();
    t.Save(name.c_str());
    EXPECT_EQ(ReadFileBytes(name), "2 0\n");
    TTable none;
    none.Save(name.c_str());
    EXPECT_EQ(ReadFileBytes(name), "0 0\n");
}

TEST(TableSave, FailedSaveIsCodeSeven) {
    ScratchDir dir;
    TTable t;
    FillTable(t, 1, 1);
    const std::string missing = dir.File("no/such/folder.tab");
    LogCapture log;
    try {
        t.Save(missing.c_str());
        ADD_FAILURE() << "saved";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 7);
        EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not save the file: " + missing);
    }
    EXPECT_EQ(log.Text(), "Error: Can't save file with table: " + missing + "\n");
}

TEST(TableSave, SavingALoadedTableGivesBackTheFile) {
    const std::string source = std::string(VARNEL_TABLES) + "/iris.tab";
    ScratchDir dir;
    const std::string copy = dir.File("iris.tab");
    TTable t;
    t.Load(source.c_str());
    EXPECT_EQ(t.GetNoObj(), 150);
    t.Save(copy.c_str());
    EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(source));
}

TEST(TableAccess, OnlyTheLinearIndexIsChecked) {
    TTable t;
    FillTable(t, 2, 3);
    EXPECT_EQ(t.GetTable(0, 3), 4);  // first value of row 1
    EXPECT_EQ(t.GetTable(1, -1), 3);
    EXPECT_EQ(t.GetElem(5), 6);
    t.SetTable(0, 5, 60);
    EXPECT_EQ(t.GetTable(1, 2), 60);
    EXPECT_EQ(t.Value(1, 2), 60);
    EXPECT_EQ(t.Row(1)[0], 4);
}

TEST(TableAccess, BadIndexesLogAndRaiseCodeFive) {
    TTable t;
    FillTable(t, 2, 3);
    struct Case {
        std::function<void()> call;
        const char* log;
    };
    const Case cases[] = {
        {[&] { t.GetTable(2, 0); }, "Bad element number in TTable::GetTable\n"},
        {[&] { t.GetTable(0, -1); }, "Bad element number in TTable::GetTable\n"},
        {[&] { t.GetTable(1000000, 1000000); }, "Bad element number in TTable::GetTable\n"},
        {[&] { t.SetTable(1, 3, 0); }, "Bad element number in TTable::SetTable\n"},
        {[&] { t.GetElem(6); }, "Bad element number in TTable::GetElem\n"},
        {[&] { t.GetElem(-1); }, "Bad element number in TTable::GetElem\n"},
        {[&] { t.SetDecAttr(3); }, "Bad attribute number in TTable::SetDecAttr\n"},
        {[&] { t.SetDecAttr(-1); }, "Bad attribute number in TTable::SetDecAttr\n"},
        {[&] { t.CreateTable(-1, 1); }, "Bad element number in TTable::CreateTable\n"},
        {[&] { t.CreateTable(1, -1); }, "Bad element number in TTable::CreateTable\n"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        try {
            c.call();
            ADD_FAILURE() << c.log;
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
        EXPECT_EQ(log.Text(), c.log);
    }
    EXPECT_EQ(Values(t), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(TableShape, CreateTable) {
    TTable t;
    t.CreateTable(3, 2);
    EXPECT_EQ(t.GetSize(), 6);
    t.CreateTable(0, 1);
    ExpectEmpty(t);
    t.CreateTable(4, 0);
    ExpectEmpty(t);
    try {
        t.CreateTable(70000, 70000);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 2);
    }
}

TEST(TableShape, AddAttributeAndAddObjectKeepTheValues) {
    TTable t;
    FillTable(t, 2, 2);
    t.AddAttribute();
    ASSERT_EQ(t.GetNoAttr(), 3);
    ASSERT_EQ(t.GetSize(), 6);
    EXPECT_EQ(t.GetTable(0, 0), 1);
    EXPECT_EQ(t.GetTable(0, 1), 2);
    EXPECT_EQ(t.GetTable(1, 0), 3);
    EXPECT_EQ(t.GetTable(1, 1), 4);
    t.AddObject();
    ASSERT_EQ(t.GetNoObj(), 3);
    ASSERT_EQ(t.GetSize(), 9);
    EXPECT_EQ(t.GetTable(1, 1), 4);
}

TEST(TableShape, AddingToAnEmptyDimensionOnlyCounts) {
    TTable t;
    t.AddAttribute();
    t.AddAttribute();
    EXPECT_EQ(t.GetNoAttr(), 2);
    EXPECT_EQ(t.GetSize(), 0);
    t.AddObject();
    EXPECT_EQ(t.GetNoObj(), 1);
    EXPECT_EQ(t.GetSize(), 2);

    TTable u;
    u.AddObject();
    u.AddObject();
    EXPECT_EQ(u.GetNoObj(), 2);
    EXPECT_EQ(u.GetSize(), 0);
    u.AddAttribute();
    EXPECT_EQ(u.GetSize(), 2);
}

TEST(TableShape, SetDecAttrSwapsWithTheLastColumnInEveryRow) {
    TTable t;
    FillTable(t, 2, 3);
    t.SetDecAttr(0);
    EXPECT_EQ(Values(t), (std::vector<int>{3, 2, 1, 6, 5, 4}));
    t.SetDecAttr(2);
    EXPECT_EQ(Values(t), (std::vector<int>{3, 2, 1, 6, 5, 4}));
}

TEST(TableShape, AssignmentCopiesDeeply) {
    TTable a;
    FillTable(a, 2, 2);
    TTable b;
    b = a;
    a.SetTable(0, 0, 100);
    EXPECT_EQ(b.GetNoObj(), 2);
    EXPECT_EQ(Values(b), (std::vector<int>{1, 2, 3, 4}));
    b = b;
    EXPECT_EQ(Values(b), (std::vector<int>{1, 2, 3, 4}));
    TTable rows;
    rows.AddObject();
    b = rows;
    EXPECT_EQ(b.GetNoObj(), 1);
    EXPECT_EQ(b.GetSize(), 0);
}

}  // namespace
