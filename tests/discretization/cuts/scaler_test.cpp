#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/table.h"
#include "discretization/cuts/scal_error.h"
#include "discretization/cuts/scaler.h"
#include "tests/discretization/cuts/cut_tables.h"
#include "tests/support/reference_cuts.h"
#include "tests/support/test_files.h"

namespace {

int CodeOf(const std::function<void()>& f) { return FailureOf(f).code; }

TEST(ScaleTable, WritesTheCutsLogsTheStepsAndReturnsIntervalNumbers) {
    const Rows rows{{1, 5, 0}, {2, 5, 1}, {3, 6, 1}, {3, 7, 0}};
    const auto t = RowsTable(rows);
    ScratchDir dir;
    LogCapture log;
    const auto out = TScaler().ScaleTable(*t, dir.File("cuts").c_str(), 0, 1);
    EXPECT_EQ(log.Text(),
              "Searching for cuts...\n"
              "Found cut of attribute 0:\n"
              "Found cut of attribute 1:\n"
              "Scaling process... \n"
              "Scalling attribute:\n"
              "Scalling attribute:\n");
    EXPECT_EQ(ReadFileBytes(dir.File("cuts")), "0\t1.5\n1\t6.5\n");
    EXPECT_EQ(TableRows(*out), (Rows{{0, 0, 0}, {1, 0, 1}, {1, 0, 1}, {1, 1, 0}}));
    EXPECT_EQ(TableRows(*t), rows);

    const auto again = TScaler().ScaleTableWithoutSave(*t, 0, 1);
    EXPECT_EQ(TableRows(*again), TableRows(*out));
}

TEST(ScaleTable, OneDecisionGivesNoCutsAndZeroConditions) {
    const auto t = RowsTable({{4, -9, 2147483647}, {7, 3, 2147483647}});
    ScratchDir dir;
    LogCapture log;
    const auto out = TScaler().ScaleTable(*t, dir.File("cuts").c_str(), 0, 1);
    EXPECT_EQ(log.Text(), "Searching for cuts...\nScaling process... \nScalling attribute:\nScalling attribute:\n");
    EXPECT_EQ(ReadFileBytes(dir.File("cuts")), "");
    EXPECT_EQ(TableRows(*out), (Rows{{0, 0, 2147483647}, {0, 0, 2147483647}}));
}

TEST(ScaleTable, TheMissingValueIsAnOrdinaryLargeNumber) {
    const auto t = RowsTable({{1, 0}, {TTable::MissingValue, 1}});
    ScratchDir dir;
    const auto out = TScaler().ScaleTable(*t, dir.File("cuts").c_str(), 0, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("cuts")), "0\t1.07374e+09\n");
    EXPECT_EQ(TableRows(*out), (Rows{{0, 0}, {1, 1}}));
}

TEST(ScaleTable, ATableWithoutObjectsScalesToAnEmptyTable) {
    TTable empty;
    ScratchDir dir;
    LogCapture log;
    const auto out = TScaler().ScaleTable(empty, dir.File("cuts").c_str(), 0, 1);
    EXPECT_EQ(out->GetNoObj(), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("cuts")), "");
    EXPECT_EQ(log.Text(), "Searching for cuts...\nScaling process... \n");
}

// Objects without any column (a "3 0" table file loads so) have no values to read: nothing
// is read past their empty rows, no cut is found, and the result has no columns either.
TEST(ScaleTable, ObjectsWithoutColumnsAreNotReadPastTheirRows) {
    TTable t;
    for (int o = 0; o < 3; ++o) t.AddObject();
    ASSERT_EQ(t.GetNoObj(), 3);
    ASSERT_EQ(t.GetNoAttr(), 0);
    ScratchDir dir;
    LogCapture log;
    const auto out = TScaler().ScaleTable(t, dir.File("cuts").c_str(), 0, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("cuts")), "");
    EXPECT_EQ(out->GetNoAttr(), 0);
    EXPECT_EQ(log.Text(), "Searching for cuts...\nScaling process... \n");
}

TEST(ScaleTable, OnlyMethodZeroAndNothingTouchedBeforeTheCheck) {
    const auto t = RowsTable({{1, 0}, {2, 1}});
    ScratchDir dir;
    const std::string cuts = dir.File("cuts");
    EXPECT_EQ(CodeOf([&] { TScaler().ScaleTable(*t, cuts.c_str(), 1, 1); }), 11);
    EXPECT_FALSE(FileExists(cuts));
    EXPECT_EQ(CodeOf([&] { TScaler().ScaleTableWithoutSave(*t, -1, 1); }), 11);
    EXPECT_EQ(CodeOf([&] { TScaler().ScaleTableFromCuts(*t, cuts.c_str(), 2); }), 11);
}

TEST(ScaleTable, AnUnwritableCutsFileIsCodeSeven) {
    const auto t = RowsTable({{1, 0}, {2, 1}});
    ScratchDir dir;
    const std::string cuts = dir.File("none/cuts");
    const ScalFailure failure = FailureOf([&] { TScaler().ScaleTable(*t, cuts.c_str(), 0, 1); });
    EXPECT_EQ(failure.code, 7);
    EXPECT_EQ(failure.message, "Error: Can't save file... " + cuts);
}

TEST(ScaleTableFromCuts, EqualValuesGoAboveTheCutAndTheLogSkipsCutlessAttributesBetween) {
    const auto t = RowsTable({{9, 1, 9, 5, 9, 3}, {9, 2, 9, 6, 9, 4}, {9, 3, 9, 7, 9, 3}});
    ScratchDir dir;
    WriteFileBytes(dir.File("cuts"), "1 2\n1 2.5\n3 7\n");
    LogCapture log;
    const auto out = TScaler().ScaleTableFromCuts(*t, dir.File("cuts").c_str(), 0);
    // One line for attribute 1, one for 3, one for 4 after the last cut; none for 0 and 2.
    EXPECT_EQ(log.Text(), "Scaling process... \nScalling attribute:\nScalling attribute:\nScalling attribute:\n");
    EXPECT_EQ(TableRows(*out), (Rows{{0, 0, 0, 0, 0, 3}, {0, 1, 0, 0, 0, 4}, {0, 2, 0, 1, 0, 3}}));
}

TEST(ScaleTableFromCuts, ACutOfTheDecisionColumnScalesIt) {
    const auto t = RowsTable({{1, 3}, {2, 40}, {3, 3}});
    ScratchDir dir;
    WriteFileBytes(dir.File("cuts"), "1 10\n");
    LogCapture log;
    const auto out = TScaler().ScaleTableFromCuts(*t, dir.File("cuts").c_str(), 0);
    EXPECT_EQ(log.Text(), "Scaling process... \nScalling attribute:\n");
    EXPECT_EQ(TableRows(*out), (Rows{{0, 0}, {0, 1}, {0, 0}}));
}

TEST(ScaleTableFromCuts, CutsFileFailuresKeepTheirCodes) {
    const auto t = RowsTable({{1, 3}, {2, 40}});
    ScratchDir dir;
    WriteFileBytes(dir.File("beyond"), "0 1\n2 1\n");
    EXPECT_EQ(CodeOf([&] { TScaler().ScaleTableFromCuts(*t, dir.File("beyond").c_str(), 0); }), 10);
    EXPECT_EQ(CodeOf([&] { TScaler().ScaleTableFromCuts(*t, dir.File("absent").c_str(), 0); }), 6);
    WriteFileBytes(dir.File("empty"), "");
    const auto out = TScaler().ScaleTableFromCuts(*t, dir.File("empty").c_str(), 0);
    EXPECT_EQ(TableRows(*out), (Rows{{0, 3}, {0, 40}}));
}

// The public tables with their own decisions, one cut per step and one per attribute: the
// cuts and the step slots against the search counted from class counts, and the scaled
// table against scaling by those cuts.
TEST(ScaleTable, PublicTablesMatchTheReferenceSearch) {
    for (const char* name : {"weather.nominal.tab", "contact-lenses.tab", "iris.tab", "labor.tab",
                             "breast-cancer.tab", "vote.tab", "soybean.tab"}) {
        TTable t;
        {
            LogCapture quiet;
            t.Load((std::string(VARNEL_TABLES "/") + name).c_str());
        }
        for (int perStep : {1, t.GetNoAttr() - 1}) {
            SCOPED_TRACE(std::string(name) + " per step " + std::to_string(perStep));
            ScratchDir dir;
            LogCapture log;
            const auto out = TScaler().ScaleTable(t, dir.File("cuts").c_str(), 0, perStep);
            const std::string text = log.Text();

            ReferenceCutSearch ref(t, ReferenceCutSearch::Count::ByClassCounts);
            std::vector<std::pair<int, float>> cuts;
            std::vector<int> slots;
            ref.Run(perStep, cuts, slots);
            std::string expected = "Searching for cuts...\n";
            for (int a : slots) expected += "Found cut of attribute " + std::to_string(a) + ":\n";
            EXPECT_EQ(text.substr(0, text.find("Scaling process")), expected);
            EXPECT_EQ(TableRows(*out), ReferenceCutSearch::Scaled(t, cuts));

            std::string file;
            for (const auto& [a, v] : cuts) {
                char line[64];
                std::snprintf(line, sizeof line, "%d\t%g\n", a, static_cast<double>(v));
                file += line;
            }
            EXPECT_EQ(ReadFileBytes(dir.File("cuts")), file);
        }
    }
}

}  // namespace
