#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/int_sack.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/cuts/cuts_set.h"
#include "discretization/cuts/scaler.h"
#include "experiments/test_maker.h"
#include "rough/reducts/dynamic_reducts.h"
#include "tests/support/cut_groups_reference.h"
#include "tests/support/exit_child.h"
#include "tests/support/failure_of.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/table_rows.h"
#include "tests/support/test_files.h"
#include "tests/support/working_dir.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::unique_ptr<TTable> Copy(const TTable& t) {
    auto c = std::make_unique<TTable>();
    *c = t;
    return c;
}

std::unique_ptr<TTable> Tab(const char* name) {
    auto t = std::make_unique<TTable>();
    t->Load((std::string(VARNEL_TABLES "/") + name).c_str());
    return t;
}

TIntSack Sack(std::initializer_list<int> values) {
    TIntSack s;
    for (int v : values) s.AddElem(v);
    return s;
}

// The generator back at its start and the clock pinned, so that a run can be replayed.
void Pin() {
    ResetRandomForTests();
    SetFixedClockSecond(1700000000);
}

class TestMakerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Pin();
        FoldNumber = 0;
    }
    void TearDown() override {
        ResetRandomForTests();
        SetFixedClockSecond(-1);
        SetFixedClockMillisecond(-1);
        FoldNumber = 0;
    }
    ScratchDir dir;
};

TEST_F(TestMakerTest, TheTimeStampComesFromTheMillisecondClock) {
    SetFixedClockMillisecond(1234567890123LL);
    TTestMaker maker;
    EXPECT_EQ(maker.GetStartSeconds(), 1234567890);
    EXPECT_EQ(maker.GetStartMilliseconds(), 123);
    SetFixedClockMillisecond(-1);
    SetFixedClockSecond(1700000001);
    TTestMaker second;
    EXPECT_EQ(second.GetStartSeconds(), 1700000001);
    EXPECT_EQ(second.GetStartMilliseconds(), 0);
}

TEST_F(TestMakerTest, LoadingPrintsTheNameAndAFailureLeavesNoTable) {
    const std::string name = dir.File("t.tab");
    WriteFileBytes(name, "2 2\n1 0\n3 1\n");
    TTestMaker maker;
    CaptureStdout();
    maker.LoadTrainTable(name.c_str());
    maker.LoadTestTable(name.c_str());
    EXPECT_EQ(GetCapturedStdout(), name + "\n" + name + "\n");
    ASSERT_NE(maker.GetTrain(), nullptr);
    EXPECT_EQ(TableRows(*maker.GetTest()), (Rows{{1, 0}, {3, 1}}));

    const std::string missing = dir.File("missing");
    CaptureStdout();
    EXPECT_EQ(FailureOf([&] { maker.LoadTrainTable(missing.c_str()); }).code, 6);
    EXPECT_EQ(FailureOf([&] { maker.LoadTestTable(missing.c_str()); }).code, 6);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(maker.GetTrain(), nullptr);
    EXPECT_EQ(maker.GetTest(), nullptr);
}

TEST_F(TestMakerTest, ExtractTableSelectsRowsColumnsOrBoth) {
    const Rows rows{{0, 1, 2}, {10, 11, 12}, {20, 21, 22}, {30, 31, 32}};
    const auto s = RowsTable(rows);
    TTestMaker maker;
    const TIntSack objects = Sack({2, 0, 2});
    const TIntSack attributes = Sack({2, 0});
    auto d = RowsTable(Rows(10, std::vector<int>(10, 7)));  // larger than any result
    maker.ExtractTable(*s, &objects, nullptr, *d);
    EXPECT_EQ(TableRows(*d), (Rows{{20, 21, 22}, {0, 1, 2}, {20, 21, 22}}));
    maker.ExtractTable(*s, nullptr, &attributes, *d);
    EXPECT_EQ(TableRows(*d), (Rows{{2, 0}, {12, 10}, {22, 20}, {32, 30}}));
    maker.ExtractTable(*s, &objects, &attributes, *d);
    EXPECT_EQ(TableRows(*d), (Rows{{22, 20}, {2, 0}, {22, 20}}));
    EXPECT_EQ(d->GetNoAttr(), 2);

    const Rows before = TableRows(*d);
    Failure f = FailureOf([&] { maker.ExtractTable(*s, nullptr, nullptr, *d); });
    EXPECT_EQ(f.code, 5);
    EXPECT_EQ(f.log, "Bad parameters in TTestMaker::ExtractTable\n");
    const TIntSack pastRows = Sack({0, 4});
    const TIntSack negative = Sack({-1});
    EXPECT_EQ(FailureOf([&] { maker.ExtractTable(*s, &pastRows, nullptr, *d); }).code, 5);
    EXPECT_EQ(FailureOf([&] { maker.ExtractTable(*s, nullptr, &negative, *d); }).code, 5);
    EXPECT_EQ(TableRows(*d), before);

    // A source without objects gives a table without objects, whatever the attributes.
    TTable none;
    const TIntSack far = Sack({5, 7});
    maker.ExtractTable(none, nullptr, &far, *d);
    EXPECT_EQ(d->GetNoObj(), 0);
    EXPECT_EQ(FailureOf([&] { maker.ExtractTable(none, &objects, &far, *d); }).code, 5);

    // The source itself as destination is read whole before it changes.
    maker.ExtractTable(*s, &objects, nullptr, *s);
    EXPECT_EQ(TableRows(*s), (Rows{{20, 21, 22}, {0, 1, 2}, {20, 21, 22}}));
}

// The scaler's own result, the cuts file it wrote applied to a copy, and that file loaded as a
// cut set and applied to another copy: the same table, when every cut is exact in 6 digits.
void ExpectThreeWaysAgree(const TTable& t, const std::string& cuts) {
    const auto scaled = TScaler().ScaleTable(t, cuts.c_str(), 0, 1);
    const auto byFile = Copy(t);
    TTestMaker().ApplyCutsFile(*byFile, cuts.c_str());
    EXPECT_EQ(TableRows(*byFile), TableRows(*scaled));
    TCutsSet set;
    set.LoadQMV(cuts.c_str());
    const auto bySet = Copy(t);
    set.Discretize(*bySet);
    EXPECT_EQ(TableRows(*bySet), TableRows(*scaled));
}

TEST_F(TestMakerTest, CutsFileAndCutSetScaleAsTheScalerDoes) {
    const std::string cuts = dir.File("C");
    for (const char* name : {"iris.tab", "weather.nominal.tab", "contact-lenses.tab"}) {
        SCOPED_TRACE(name);
        ExpectThreeWaysAgree(*Tab(name), cuts);
    }
    std::mt19937 gen(5);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        ExpectThreeWaysAgree(*RowsTable(RandomRows(gen, 40 + 30 * round, 5, 100000, 2 + round % 4)), cuts);
    }
}

// The table recoded by the cuts as the reduction must see it: 1 only above the cut.
std::unique_ptr<TTable> Recoded(const TTable& t, const std::vector<std::pair<int, double>>& cuts) {
    Rows rows;
    for (const auto& row : TableRows(t)) {
        std::vector<int> r;
        for (auto [a, v] : cuts) r.push_back(row[size_t(a)] > v ? 1 : 0);
        r.push_back(row.back());
        rows.push_back(r);
    }
    return RowsTable(rows);
}

TEST_F(TestMakerTest, CutsReducedDynamicallyReplayTheReductsOfTheRecodedTable) {
    // Cut 0 separates the decisions only when a value equal to it counts below: then both
    // cuts are reducts of the recoded table, else cut 1 alone.
    const auto t = RowsTable({{1, 4, 0}, {2, 4, 0}, {3, 6, 1}, {1, 4, 0}, {2, 4, 0}, {3, 6, 1}, {3, 6, 1}});
    const std::vector<std::pair<int, double>> cuts{{0, 2.0}, {1, 5.0}};
    const std::string in = dir.File("in"), out = dir.File("out");
    WriteFileBytes(in, "0 2\n1 5\n");
    TTestMaker maker;
    CaptureStdout();
    maker.ReduceCutsDynamically(*t, in.c_str(), out.c_str());
    const std::string printed = GetCapturedStdout();

    Pin();
    const auto recoded = Recoded(*t, cuts);
    std::vector<int> list(3, -1);
    int k = -1;
    CaptureStdout();
    TDynamicReducts().CalcDynamicReducts(recoded.get(), list.data(), &k);
    const std::string replay = GetCapturedStdout();
    EXPECT_NE(replay.find("Ilosc reduktow tablicy redukowanej dynamicznie: 2\n"), std::string::npos);
    ASSERT_EQ(k, 1);
    EXPECT_EQ(printed, "Number of cuts before reduction: 2\nDynamic reduction of cuts...\n" + replay +
                           "Number of cuts after reduction: 1\n");
    EXPECT_EQ(ReadFileBytes(out), list[0] == 0 ? "0    2\n" : "1    5\n");
}

// Each cut alone leaves two objects of different decisions together: both are kept.
TEST_F(TestMakerTest, CutsOfASingleReductAreAllKept) {
    const auto t = RowsTable({{1, 4, 0}, {3, 4, 1}, {1, 6, 1}, {3, 6, 0}});
    const std::string in = dir.File("in"), out = dir.File("out");
    WriteFileBytes(in, "0 2\n1 5\n");
    CaptureStdout();
    TTestMaker().ReduceCutsDynamically(*t, in.c_str(), out.c_str());
    EXPECT_NE(GetCapturedStdout().find("Number of cuts after reduction: 2\n"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(out), "0    2\n1    5\n");
}

TEST_F(TestMakerTest, CutsThatCannotBeWrittenAreReported) {
    const auto t = RowsTable({{1, 0}, {2, 1}});
    const std::string in = dir.File("in");
    WriteFileBytes(in, "0 1.5\n");
    TTestMaker maker;
    CaptureStdout();
    const Failure f = FailureOf([&] { maker.ReduceCutsDynamically(*t, in.c_str(), dir.Path().c_str()); });
    GetCapturedStdout();
    EXPECT_EQ(f.code, 7);
    EXPECT_EQ(f.message, "Error: Can not save the file: " + dir.Path());
    EXPECT_EQ(TextLines(f.log).back(), "Error: Can't save file with cuts");
    const Failure missing = FailureOf([&] { maker.ReduceCutsDynamically(*t, dir.File("none").c_str(), in.c_str()); });
    EXPECT_EQ(missing.code, 6);
    EXPECT_EQ(missing.log, "Error: Can't load file with cuts\n");
}

// Train: the first 100 objects of iris; test: the last 50.
void IrisFold(TTestMaker& maker) { maker.MakeFold(2, *Tab("iris.tab"), nullptr, nullptr, 50); }

TEST_F(TestMakerTest, DiscretizeByTheScalerUsesTheFoldsFile) {
    WorkingDirScope here(dir.Path());
    TTestMaker maker;
    IrisFold(maker);
    const auto train = Copy(*maker.GetTrain()), test = Copy(*maker.GetTest());
    auto extra = RowsTable({{5, 5, 5, 5, 1}});
    maker.SetExtra(extra.get());
    FoldNumber = 3;
    CaptureStdout();
    maker.Discretize("SCAL");
    EXPECT_EQ(GetCapturedStdout(), "Discretization...\n");
    TScaler().ScaleTable(*train, "expected", 0, 1);
    ASSERT_EQ(ReadFileBytes("CIECIA3"), ReadFileBytes("expected"));
    maker.ApplyCutsFile(*train, "expected");
    maker.ApplyCutsFile(*test, "expected");
    EXPECT_EQ(TableRows(*maker.GetTrain()), TableRows(*train));
    EXPECT_EQ(TableRows(*maker.GetTest()), TableRows(*test));
    EXPECT_EQ(TableRows(*extra), (Rows{{5, 5, 5, 5, 1}}));
    EXPECT_FALSE(FileExists("CUTS1"));
}

TEST_F(TestMakerTest, DiscretizeWithDynamicReductionScalesAllThreeTables) {
    WorkingDirScope here(dir.Path());
    // The scaler's cuts of soybean, as many per step as there are attributes, leave the
    // reduction a choice (most tables' cuts form a single reduct, which it keeps whole).
    const auto soybean = Tab("soybean.tab");
    TTestMaker maker;
    maker.MakeFold(0, *soybean, nullptr, nullptr, 200);
    const auto train = Copy(*maker.GetTrain()), test = Copy(*maker.GetTest());
    auto extra = Copy(*soybean);
    const auto extraBefore = Copy(*extra);
    maker.SetExtra(extra.get());
    CaptureStdout();
    maker.Discretize("D");
    const std::vector<std::string> printed = TextLines(GetCapturedStdout());
    TScaler().ScaleTable(*train, "expected", 0, 35);
    ASSERT_EQ(ReadFileBytes("CUTS1"), ReadFileBytes("expected"));
    const std::vector<std::string> kept = TextLines(ReadFileBytes("CIECIA0"));
    std::vector<std::string> all = TextLines(ReadFileBytes("CUTS1"));
    ASSERT_FALSE(kept.empty());
    EXPECT_LT(kept.size(), all.size());
    EXPECT_EQ(printed[0], "Discretization...");
    EXPECT_EQ(printed[1], "Number of cuts before reduction: " + std::to_string(all.size()));
    EXPECT_EQ(printed.back(), "Number of cuts after reduction: " + std::to_string(kept.size()));
    // The kept cuts in the order of the scaler's file, as "attribute    value".
    for (std::string& line : all) line.replace(line.find('\t'), 1, "    ");
    auto at = all.begin();
    for (const std::string& line : kept) {
        at = std::find(at, all.end(), line);
        ASSERT_TRUE(at != all.end()) << line << " is not a cut of the input in its order";
        ++at;
    }
    for (TTable* t : {train.get(), test.get(), extraBefore.get()}) maker.ApplyCutsFile(*t, "CIECIA0");
    EXPECT_EQ(TableRows(*maker.GetTrain()), TableRows(*train));
    EXPECT_EQ(TableRows(*maker.GetTest()), TableRows(*test));
    EXPECT_EQ(TableRows(*extra), TableRows(*extraBefore));

    // Extra standing for the training table is not scaled a second time.
    maker.MakeFold(0, *soybean, nullptr, nullptr, 200);
    maker.SetExtra(maker.GetTrain());
    const auto once = Copy(*maker.GetTrain());
    CaptureStdout();
    maker.Discretize("D");
    GetCapturedStdout();
    maker.ApplyCutsFile(*once, "CIECIA0");
    EXPECT_EQ(TableRows(*maker.GetTrain()), TableRows(*once));
}

// A fold of size 0 leaves the test part without objects (and so without columns): the cuts
// have nothing to scale there, but the file must still be readable.
TEST_F(TestMakerTest, CutsApplyToATableWithoutObjects) {
    WorkingDirScope here(dir.Path());
    TTestMaker maker;
    maker.MakeFold(0, *Tab("iris.tab"), nullptr, nullptr, 0);
    ASSERT_EQ(maker.GetTest()->GetNoObj(), 0);
    const auto train = Copy(*maker.GetTrain());
    CaptureStdout();
    maker.Discretize("S");
    EXPECT_EQ(GetCapturedStdout(), "Discretization...\n");
    maker.ApplyCutsFile(*train, "CIECIA0");
    EXPECT_EQ(TableRows(*maker.GetTrain()), TableRows(*train));
    EXPECT_EQ(maker.GetTest()->GetNoObj(), 0);
    TTable empty;
    const Failure missing = FailureOf([&] { maker.ApplyCutsFile(empty, "missing"); });
    EXPECT_EQ(missing.code, 6);
    EXPECT_EQ(missing.log, "Error: Can't load file with cuts\n");
}

TEST_F(TestMakerTest, AnotherMethodWritesTheCutsAndEndsTheProcess) {
    WorkingDirScope here(dir.Path());
    TTestMaker maker;
    IrisFold(maker);
    EXPECT_EQ(StdoutOfExitZero([&] { maker.Discretize("X"); }),
              "Discretization...\nNOT IMLEMENTED scal method:X\n");
    EXPECT_TRUE(FileExists("CUTS1"));
    EXPECT_FALSE(FileExists("CIECIA0"));
    TTestMaker empty;
    const Failure f = FailureOf([&] { empty.Discretize("S"); });
    EXPECT_EQ(f.code, 5);
    EXPECT_EQ(f.log, "Bad parameters in TTestMaker::Discretize\n");
}

// The shuffle as its definition reads: the r-th row whose flag is clear, found by walking
// the flags from the first row.
std::vector<int> ReferenceShuffle(int rows) {
    std::vector<bool> used(size_t(rows), false);
    std::vector<int> order;
    for (int left = rows; left > 0; --left) {
        int r = RandomInt(left) + 1;
        int row = -1;
        while (r > 0) r -= used[size_t(++row)] ? 0 : 1;
        used[size_t(row)] = true;
        order.push_back(row);
    }
    return order;
}

TEST_F(TestMakerTest, CrossValidationTablePicksTheDrawnUnpickedRows) {
    TTestMaker maker;
    for (int rows : {1, 2, 7, 3000}) {
        SCOPED_TRACE(rows);
        Rows source;
        for (int o = 0; o < rows; ++o) source.push_back({o, o * 7 % 13, o % 3});
        const auto s = RowsTable(source);
        std::vector<int> order(size_t(rows), -1);
        Pin();
        const auto shuffled = maker.MakeCrossValidationTable(*s, order.data());
        Pin();
        EXPECT_EQ(order, ReferenceShuffle(rows));
        ASSERT_EQ(shuffled->GetNoObj(), rows);
        for (int i = 0; i < rows; ++i) EXPECT_EQ(TableRows(*shuffled)[size_t(i)], source[size_t(order[size_t(i)])]);
    }
    Pin();
    const auto again = maker.MakeCrossValidationTable(*RowsTable({{1, 0}, {2, 0}, {3, 1}}), nullptr);
    EXPECT_EQ(again->GetNoObj(), 3);
}

TEST_F(TestMakerTest, MakeFoldSplitsInSourceOrderAndAppendsTheObjectLists) {
    Rows source;
    for (int o = 0; o < 10; ++o) source.push_back({o, o % 2});
    const auto s = RowsTable(source);
    std::vector<int> ids;
    for (int o = 0; o < 10; ++o) ids.push_back(100 + o);
    const std::string file = dir.File("folds");
    TTestMaker maker;
    maker.MakeFold(1, *s, ids.data(), file.c_str(), 3);
    EXPECT_EQ(TableRows(*maker.GetTest()), (Rows{{3, 1}, {4, 0}, {5, 1}}));
    EXPECT_EQ(TableRows(*maker.GetTrain()), (Rows{{0, 0}, {1, 1}, {2, 0}, {6, 0}, {7, 1}, {8, 0}, {9, 1}}));
    maker.MakeFold(0, *s, ids.data(), file.c_str(), 3);
    EXPECT_EQ(ReadFileBytes(file),
              "Fold: 2\nTrain: 100 101 102 106 107 108 109 \nTest: 103 104 105 \n"
              "Fold: 1\nTrain: 103 104 105 106 107 108 109 \nTest: 100 101 102 \n");
    // Without ids nothing is written; the source may be the training table itself.
    maker.MakeFold(1, *maker.GetTrain(), nullptr, file.c_str(), 2);
    EXPECT_EQ(TableRows(*maker.GetTest()), (Rows{{5, 1}, {6, 0}}));
    EXPECT_EQ(maker.GetTrain()->GetNoObj(), 5);
    EXPECT_EQ(TextLines(ReadFileBytes(file)).size(), 6u);
}

TEST_F(TestMakerTest, MakeFoldRefusesFoldsOutsideTheSource) {
    Rows source;
    for (int o = 0; o < 10; ++o) source.push_back({o, o % 2});
    const auto s = RowsTable(source);
    TTestMaker maker;
    maker.MakeFold(2, *s, nullptr, nullptr, 3);  // rows 6 .. 8: in range
    TTable* train = maker.GetTrain();
    const Rows trainRows = TableRows(*train);
    for (auto [f, size] : {std::pair{-1, 3}, {0, -1}, {3, 3}, {0, 11}, {1073741824, 2}}) {
        const Failure failure = FailureOf([&] { maker.MakeFold(f, *s, nullptr, nullptr, size); });
        EXPECT_EQ(failure.code, 5) << f << " " << size;
        EXPECT_EQ(failure.log, "Bad parameters in TTestMaker::MakeFold\n");
    }
    EXPECT_EQ(maker.GetTrain(), train);
    EXPECT_EQ(TableRows(*train), trainRows);

    std::vector<int> ids(10, 1);
    const Failure f = FailureOf([&] { maker.MakeFold(0, *s, ids.data(), dir.Path().c_str(), 5); });
    EXPECT_EQ(f.code, 7);
    EXPECT_EQ(f.log, "Error: Can't save file with objects!\n");
}

}  // namespace
