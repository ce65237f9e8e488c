#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/table.h"
#include "tests/support/failure_of.h"
#include "tests/support/test_files.h"

namespace {

std::unique_ptr<TTable> TableWithDecisions(const std::vector<int>& decisions) {
    auto t = std::make_unique<TTable>();
    t->CreateTable(static_cast<int>(decisions.size()), 2);
    for (size_t o = 0; o < decisions.size(); ++o) {
        t->SetTable(static_cast<int>(o), 0, static_cast<int>(o));
        t->SetTable(static_cast<int>(o), 1, decisions[o]);
    }
    return t;
}

TEST(DecValInfo, ValuesInOrderOfFirstAppearanceWithTheirCounts) {
    TTable vote;
    vote.Load(VARNEL_TABLES "/vote.tab");
    TDValInfo info;
    EXPECT_EQ(info.CalcFromTable(vote), 435);
    ASSERT_EQ(info.GetNoDecVal(), 2);
    EXPECT_EQ(info.GetDecVal(0), 1);
    EXPECT_EQ(info.GetDecVal(1), 0);
    EXPECT_EQ(info.GetDCNoObj(0), 168);
    EXPECT_EQ(info.GetDCNoObj(1), 267);
    EXPECT_EQ(info.GetDCForDecVal(0), 267);

}

TEST(DecValInfo, CountObjFromTableRecountsTheRecordedValuesOnly) {
    TDValInfo info;
    info.CalcFromTable(*TableWithDecisions({1, 0, 1}));
    EXPECT_EQ(info.GetDCNoObj(0), 2);
    EXPECT_EQ(info.GetDCNoObj(1), 1);
    info.CountObjFromTable(*TableWithDecisions({0, 0, 5, 0}));
    EXPECT_EQ(info.GetNoDecVal(), 2);
    EXPECT_EQ(info.GetDCNoObj(0), 0);
    EXPECT_EQ(info.GetDCNoObj(1), 3);
}

TEST(DecValInfo, AtMostOneHundredValues) {
    TDValInfo info;
    for (int v = 0; v < 100; ++v) info.AddDecVal(v * 7);
    info.AddDecVal(0);  // a known value is still counted
    EXPECT_EQ(info.GetDCNoObj(0), 2);
    Failure f = FailureOf([&] { info.AddDecVal(-1); });
    EXPECT_EQ(f.code, 8);
    EXPECT_EQ(f.log, "WARNING: Too many decision values in consider table!\n");
    EXPECT_EQ(info.GetNoDecVal(), 100);
}

TEST(DecValInfo, EveryIndexIsCheckedWithItsOwnMessage) {
    TDValInfo info;
    info.AddDecVal(3);
    const std::vector<std::pair<std::string, std::function<void()>>> calls = {
        {"Bad number of element in TDValInfo::GetDecVal \n", [&] { info.GetDecVal(1); }},
        {"Bad number of element in TDValInfo::GetDCNoObj \n", [&] { info.GetDCNoObj(-1); }},
        {"Bad number of element in TDValInfo::GetDistrib \n", [&] { info.GetDistrib(1); }},
        {"Bad number of element in TDValInfo::SetDecInfo \n", [&] { info.SetDecInfo(1, 0.5); }},
        {"Bad number of element in TDValInfo::GetDecValCov\n", [&] { info.GetDecValCov(1); }},
        {"Bad number of element in TDValInfo::SetDecValCov \n", [&] { info.SetDecValCov(-1, 0.5); }},
        {"Bad decision value in TDValInfo::GetDCForDecVal\n", [&] { info.GetDCForDecVal(4); }},
    };
    for (const auto& [log, call] : calls) {
        Failure f = FailureOf(call);
        EXPECT_EQ(f.code, 5) << log;
        EXPECT_EQ(f.log, log);
    }
    // Entry 0 is in range for all of them; the distribution starts at -1.
    EXPECT_EQ(info.GetDistrib(0), -1.0);
    info.SetDecInfo(0, 0.25);
    info.SetDecValCov(0, 0.75);
    EXPECT_EQ(info.GetDistrib(0), 0.25);
    EXPECT_EQ(info.GetDecValCov(0), 0.75);
}

TEST(DecValInfo, CopiesAreDeepAndAssignmentResetsTheRest) {
    TDValInfo a;
    for (int v : {4, 5, 6}) a.AddDecVal(v);
    a.SetDecInfo(1, 0.5);
    a.SetAccuracy(0.9);
    a.SetCoverage(0.8);
    TDValInfo copy(a);
    a.SetDecInfo(1, 0.1);
    a.AddDecVal(7);
    EXPECT_EQ(copy.GetNoDecVal(), 3);
    EXPECT_EQ(copy.GetDistrib(1), 0.5);
    EXPECT_EQ(copy.GetAccuracy(), 0.9);
    EXPECT_EQ(copy.GetCoverage(), 0.8);

    TDValInfo b;
    for (int v = 10; v < 20; ++v) b.AddDecVal(v);
    b = copy;
    EXPECT_EQ(b.GetNoDecVal(), 3);
    b.AddDecVal(99);  // the slot after the copied ones starts afresh
    EXPECT_EQ(b.GetDCNoObj(3), 1);
    EXPECT_EQ(b.GetDistrib(3), -1.0);
    b = b;
    EXPECT_EQ(b.GetNoDecVal(), 4);
}

TEST(DecValInfo, PrintsValuesAndDistribution) {
    TDValInfo info;
    for (int v : {2, -1}) info.AddDecVal(v);
    info.SetDecInfo(0, 0.5);
    testing::internal::CaptureStdout();
    info.Print();
    info.PrintDistrib();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Number of decision values: 2\nValues: 2 -1 \nDistribution: 0.5 -1 \n");
}

class DecValInfoFile : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string name = dir.File("info");
};

TEST_F(DecValInfoFile, ANewObjectSavesItsEightLines) {
    TDValInfo().Save(name.c_str());
    EXPECT_EQ(ReadFileBytes(name), "DecValInfo:\n0\n\n\n0\n\n0\n\n");
}

TEST_F(DecValInfoFile, SaveLoadSaveIsByteExactUpToOneHundredValues) {
    for (int count : {1, 37, 100}) {
        TDValInfo info;
        for (int v = 0; v < count; ++v) {
            info.AddDecVal(v * v - 50);
            for (int k = 0; k < v % 4; ++k) info.AddDecVal(v * v - 50);
        }
        for (int i = 0; i < count; ++i) {
            info.SetDecInfo(i, i / 7.0 - 3.0);
            info.SetDecValCov(i, i % 3 == 0 ? 1e-9 * i : 123456.789 * i);
        }
        info.SetAccuracy(0.8125);
        info.SetCoverage(1.0 / 3.0);
        info.Save(name.c_str());
        const std::string first = ReadFileBytes(name);
        TDValInfo loaded;
        loaded.Load(name.c_str());
        ASSERT_EQ(loaded.GetNoDecVal(), count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(loaded.GetDecVal(i), info.GetDecVal(i));
            EXPECT_EQ(loaded.GetDCNoObj(i), info.GetDCNoObj(i));
        }
        loaded.Save(name.c_str());
        EXPECT_EQ(ReadFileBytes(name), first) << count;
    }
    EXPECT_NE(ReadFileBytes(name).find("\n0.8125\n"), std::string::npos);
    EXPECT_NE(ReadFileBytes(name).find("\n0.333333\n"), std::string::npos);
}

TEST_F(DecValInfoFile, LoadKeepsTheCountAndStopsAtTheFirstValueItCannotRead) {
    TDValInfo info;
    WriteFileBytes(name, "anything at all\n3\n5 6");
    info.Load(name.c_str());
    EXPECT_EQ(info.GetNoDecVal(), 3);
    EXPECT_EQ(info.GetDecVal(0), 5);
    EXPECT_EQ(info.GetDecVal(1), 2147483647);  // the 6 ran into the end of the file
    EXPECT_EQ(info.GetDCNoObj(0), 0);

    WriteFileBytes(name, "DecValInfo:\n2\n1 2 \n3 x\n");
    info.Load(name.c_str());
    EXPECT_EQ(info.GetDCNoObj(0), 3);
    EXPECT_EQ(info.GetDCNoObj(1), 0);
    EXPECT_EQ(info.GetDistrib(0), -1.0);

    WriteFileBytes(name, "DecValInfo:\n-4\n1 2\n");
    info.Load(name.c_str());
    EXPECT_EQ(info.GetNoDecVal(), 0);

    WriteFileBytes(name, "DecValInfo:\n2");
    info.Load(name.c_str());
    EXPECT_EQ(info.GetNoDecVal(), 2);
    EXPECT_EQ(info.GetDecVal(1), 2147483647);
}

TEST_F(DecValInfoFile, FailuresAreLoggedWithTheirCodes) {
    TDValInfo info;
    WriteFileBytes(name, "DecValInfo:\n101\n");
    Failure tooMany = FailureOf([&] { info.Load(name.c_str()); });
    EXPECT_EQ(tooMany.code, 8);
    EXPECT_EQ(tooMany.log, "WARNING: Too many decision values!\n");

    const std::string missing = dir.File("missing");
    Failure open = FailureOf([&] { info.Load(missing.c_str()); });
    EXPECT_EQ(open.code, 6);
    EXPECT_EQ(open.message, "Error: Can not load the file: " + missing);
    EXPECT_EQ(open.log, "Error: Can't open file with DecValInfo\n");

    Failure save = FailureOf([&] { info.Save(dir.Path().c_str()); });
    EXPECT_EQ(save.code, 7);
    EXPECT_EQ(save.message, "Error: Can not save the file: " + dir.Path());
    EXPECT_EQ(save.log, "Error: Can't save file with DecValInfo\n");
}

}  // namespace
