#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/table.h"
#include "discretization/cuts/cut_groups.h"
#include "discretization/cuts/cuts_set.h"
#include "discretization/cuts/scaler.h"
#include "rough/decision/general_dec.h"
#include "tests/support/cut_groups_reference.h"
#include "tests/support/failure_of.h"
#include "tests/support/table_rows.h"
#include "tests/support/test_files.h"
#include "tests/support/working_dir.h"

namespace {

using Cuts = std::vector<std::pair<int, double>>;

std::unique_ptr<TCutsSet> SetOf(const Cuts& cuts) {
    auto set = std::make_unique<TCutsSet>();
    for (auto [a, v] : cuts) set->AddCut(std::make_unique<TCut>(a, static_cast<float>(v)));
    return set;
}

using Held = std::tuple<int, float, long long>;  // attribute, value, quality

std::vector<Held> Contents(const TCutsSet& set) {
    std::vector<Held> out;
    for (int i = 0; i < set.GetNoCuts(); ++i) out.emplace_back(set.GetCut(i)->GetAttr(), set.GetCut(i)->GetValue(), set.GetCut(i)->GetQuality());
    return out;
}

// Unordered pairs of different decisions with one value strictly below and one strictly
// above the cut.
long long BruteQuality(const Rows& rows, int a, float cut) {
    const double c = cut;
    long long q = 0;
    for (size_t x = 0; x < rows.size(); ++x) {
        for (size_t y = x + 1; y < rows.size(); ++y) {
            const double vx = rows[x][size_t(a)], vy = rows[y][size_t(a)];
            q += rows[x].back() != rows[y].back() && ((vx < c && vy > c) || (vx > c && vy < c));
        }
    }
    return q;
}

TEST(CutQuality, EqualsABruteForcePairCountOnRandomColumns) {
    std::mt19937 gen(7);
    for (int round = 0; round < 60; ++round) {
        const int n = 1 + round;
        Rows rows = RandomRows(gen, n, 3, 12, 1 + round % 5);
        if (round % 7 == 0) rows[0][0] = TTable::MissingValue;
        if (round % 5 == 0) rows[n / 2][2] = -4;  // a negative decision value
        for (int a = 0; a < 2; ++a) {
            for (float cut : {static_cast<float>(rows[0][size_t(a)]), 5.5f, -1.0f, 100.0f, 3.0f}) {
                TCut c(a, cut);
                c.ComputeQuality(*RowsTable(rows));
                EXPECT_EQ(c.GetQuality(), BruteQuality(rows, a, cut)) << round << " " << a << " " << cut;
            }
        }
    }
    // An attribute outside the conditions is refused.
    const auto t = RowsTable({{1, 2, 0}, {3, 4, 1}});
    for (int a : {-1, 2}) {
        TCut c(a, 0.5f);
        const Failure f = FailureOf([&] { c.ComputeQuality(*t); });
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(f.log, "Bad number of attribute in TCut::ComputeQuality \n");
    }
}

TEST(CutQuality, ManyDecisionValuesAndCountsPastTheIntRange) {
    // Every decision distinct: every pair across the cut counts, 50,000 x 50,000 of them.
    Rows rows;
    for (int o = 0; o < 100000; ++o) rows.push_back({o, 7, o * 3});
    TCut c(0, 49999.5f);
    c.ComputeQuality(*RowsTable(rows));
    EXPECT_EQ(c.GetQuality(), 2500000000LL);
    // A cut equal to an object's value leaves that object out of every pair.
    TCut at(0, 50000.0f);
    at.ComputeQuality(*RowsTable(rows));
    EXPECT_EQ(at.GetQuality(), 50000LL * 49999);
}

TEST(CutsSetArray, GrowsByTenKeepingOneSlotFree) {
    TCutsSet set;
    EXPECT_EQ(set.GetCapacity(), 10);
    for (int i = 0; i < 9; ++i) set.AddCut(std::make_unique<TCut>(i, 0.5f));
    EXPECT_EQ(set.GetCapacity(), 10);
    set.AddCut(std::make_unique<TCut>(9, 0.5f));
    EXPECT_EQ(set.GetCapacity(), 20);
    for (int i = 10; i < 20; ++i) set.AddCut(std::make_unique<TCut>(i, 0.5f));
    EXPECT_EQ(set.GetCapacity(), 30);
    EXPECT_EQ(set.GetCut(19)->GetAttr(), 19);
    for (int i : {-1, 20}) {
        const Failure f = FailureOf([&] { set.GetCut(i); });
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(f.log, "Bad number of element in TCutsSet::GetCut \n");
    }
    set.Clear();
    EXPECT_EQ(set.GetNoCuts(), 0);
    EXPECT_EQ(set.GetCapacity(), 10);
}

TEST(CutsSetArray, AssignmentCopiesCutsWithoutQualities) {
    const auto t = RowsTable({{1, 0}, {3, 1}, {5, 1}});
    const auto owner = SetOf({{0, 2.0}, {0, 4.0}});
    TCutsSet& from = *owner;
    for (int i = 0; i < 2; ++i) from.GetCut(i)->ComputeQuality(*t);
    for (int i = 2; i < 12; ++i) from.AddCut(std::make_unique<TCut>(0, static_cast<float>(i)));
    ASSERT_EQ(from.GetCut(0)->GetQuality(), 2);
    TCutsSet to;
    to.AddCut(std::make_unique<TCut>(0, 9.0f));
    to = from;
    EXPECT_EQ(to.GetNoCuts(), 12);
    EXPECT_EQ(to.GetCapacity(), 20);
    EXPECT_NE(to.GetCut(0), from.GetCut(0));
    EXPECT_EQ(Contents(to)[1], Held(0, 4.0f, 0));
    EXPECT_EQ(from.GetCut(0)->GetQuality(), 2);

    TCutsSet& same = from;
    from = same;
    EXPECT_EQ(Contents(from), Contents(to));
}

TEST(CutsSetFile, SaveWritesThreeFieldsAndReadsBackByteForByte) {
    ScratchDir dir;
    const std::string in = dir.File("in"), first = dir.File("first"), second = dir.File("second");
    WriteFileBytes(in, "0 2.5 7\n3   1e1 0\n\n1 1234567 3000000000\n2 -0.000012 -4");
    TCutsSet set;
    set.Load(in.c_str());
    EXPECT_EQ(Contents(set), (std::vector<Held>{{0, 2.5f, 7}, {3, 10.0f, 0}, {1, 1234567.0f, 3000000000LL},
                                                 {2, -0.000012f, -4}}));
    set.Save(first.c_str());
    EXPECT_EQ(ReadFileBytes(first), "0 2.5 7\n3 10 0\n1 1.23457e+06 3000000000\n2 -1.2e-05 -4\n");
    TCutsSet again;
    again.Load(first.c_str());
    again.Save(second.c_str());
    EXPECT_EQ(ReadFileBytes(second), ReadFileBytes(first));
}

TEST(CutsSetFile, ReadingStopsAtTheFirstIncompleteRecord) {
    ScratchDir dir;
    const std::string name = dir.File("cuts");
    TCutsSet set;
    for (const auto& [text, count] : std::vector<std::pair<std::string, int>>{
             {"0 1.5 3\n2 4 5", 2}, {"0 1.5 3\n2 4", 1}, {"0 1.5 3 x 2 4 5\n", 1}, {"", 0}, {"  \n", 0}}) {
        WriteFileBytes(name, text);
        set.Load(name.c_str());
        EXPECT_EQ(set.GetNoCuts(), count) << text;
    }
    // The cuts file of the scaler: two fields, file order kept, quality 0.
    WriteFileBytes(name, "2\t7\n0\t1.5\n0\t3.5");
    set.LoadQMV(name.c_str());
    EXPECT_EQ(Contents(set), (std::vector<Held>{{2, 7.0f, 0}, {0, 1.5f, 0}, {0, 3.5f, 0}}));
}

TEST(CutsSetFile, FailuresNameTheFileAndKeepTheSet) {
    ScratchDir dir;
    const auto set = SetOf({{1, 2.0}});
    const std::string missing = dir.File("missing");
    const Failure load = FailureOf([&] { set->Load(missing.c_str()); });
    EXPECT_EQ(load.message + "|" + load.log, "Error: Can not load the file: " + missing + "|Error: Can't open file with CutsSet\n");
    const Failure qmv = FailureOf([&] { set->LoadQMV(missing.c_str()); });
    EXPECT_EQ(load.code, 6);
    EXPECT_EQ(qmv.code, 6);
    EXPECT_EQ(qmv.log, "Error: Can't open file with CutsSet from QMV\n");
    EXPECT_EQ(set->GetNoCuts(), 1);
    const Failure save = FailureOf([&] { set->Save(dir.Path().c_str()); });
    EXPECT_EQ(save.code, 7);
    EXPECT_EQ(save.message + "|" + save.log, "Error: Can not save the file: " + dir.Path() + "|Error: Can't save file with CutsSet\n");
    EXPECT_EQ(FailureOf([&] { set->Save("/dev/full"); }).code, 7);
}

TEST(CutsSetDiscretize, GroupsApplyInSetOrder) {
    const Rows rows{{3, 9, 1, 5}, {7, 1, 2, 6}, {5, 2, 4, 7}, {0, 5, 3, 8}};
    // Attribute 2: 1, 2, 4 fall into 0, 1, 2 of the cuts 1.5 and 3.5; 3 into 1.
    auto t = RowsTable(rows);
    SetOf({{2, 1.5}, {2, 3.5}})->Discretize(*t);
    EXPECT_EQ(TableRows(*t), (Rows{{0, 0, 0, 5}, {0, 0, 1, 6}, {0, 0, 2, 7}, {0, 0, 1, 8}}));
    // A value equal to a cut goes above it; attribute 0 cut twice is scaled twice: 3 -> 0 -> 0,
    // 7 -> 1 -> 1, 5 -> 1 -> 1, 0 -> 0 -> 0 (merged cuts 0.5 and 5 would give 1, 2, 2, 0).
    t = RowsTable(rows);
    SetOf({{0, 5.0}, {1, 2.0}, {0, 0.5}})->Discretize(*t);
    EXPECT_EQ(TableRows(*t), (Rows{{0, 1, 0, 5}, {1, 0, 0, 6}, {1, 1, 0, 7}, {0, 1, 0, 8}}));
}

TEST(CutsSetDiscretize, ValuesAndCutsCompareExactlyAndBadAttributesAreRefused) {
    // In single precision 16777219 rounds up to the cut 16777220 and would fall above it.
    auto t = RowsTable({{16777219, 0}, {16777220, 1}, {TTable::MissingValue, 1}});
    SetOf({{0, 16777220.0}})->Discretize(*t);
    EXPECT_EQ(TableRows(*t), (Rows{{0, 0}, {1, 1}, {1, 1}}));
    for (int a : {1, -1}) {  // the decision column, a column before the first
        const auto set = SetOf({{0, 0.5}, {a, 0.5}});
        const Failure f = FailureOf([&] { set->Discretize(*t); });
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(f.log, "Bad number of element in TCutsSet::Discretize \n");
        EXPECT_EQ(TableRows(*t), (Rows{{0, 0}, {1, 1}, {1, 1}}));
    }
}

TEST(CutsSetDiscretize, AgreesWithTheGroupDefinitionOnRandomCutsInAnyOrder) {
    std::mt19937 gen(11);
    for (int round = 0; round < 80; ++round) {
        const Rows rows = RandomRows(gen, 1 + round % 23, 5, 30, 3);
        Cuts cuts;
        const int n = static_cast<int>(gen() % 12);
        for (int i = 0; i < n; ++i) {
            const int a = static_cast<int>(gen() % 4);
            const double v = static_cast<int>(gen() % 64) / 2.0 - 2;  // halves and integers
            if (round % 2 == 0 && !cuts.empty() && gen() % 2 == 0) {
                cuts.emplace_back(cuts.back().first, cuts.back().second + (gen() % 3));  // an ascending run
            } else {
                cuts.emplace_back(a, v);
            }
        }
        auto t = RowsTable(rows);
        SetOf(cuts)->Discretize(*t);
        EXPECT_EQ(TableRows(*t), ReferenceCutGroups(rows, cuts)) << round;
    }
}

TEST(CutsFile, AppliesPairsAsRunsOfOneAttribute) {
    ScratchDir dir;
    const std::string name = dir.File("cuts");
    WriteFileBytes(name, "2 1.5\n2\t3.5");  // the last pair has no line end and still counts
    auto t = RowsTable({{4, 4, 1, 0}, {5, 5, 2, 1}, {6, 6, 4, 1}, {7, 7, TTable::MissingValue, 2}});
    ApplyCutsFile(*t, name.c_str());
    EXPECT_EQ(TableRows(*t), (Rows{{0, 0, 0, 0}, {0, 0, 1, 1}, {0, 0, 2, 1}, {0, 0, 2, 2}}));

    // Reading stops at a word that is not a number; there is no limit on the pairs.
    std::string many;
    for (int i = 0; i < 1000; ++i) many += "0 " + std::to_string(i) + ".5\n";
    WriteFileBytes(name, many + "x 1 0.5\n");
    t = RowsTable({{0, 3, 0}, {999, 3, 1}, {1000, 3, 1}, {-7, 3, 0}});
    ApplyCutsFile(*t, name.c_str());
    EXPECT_EQ(TableRows(*t), (Rows{{0, 0, 0}, {999, 0, 1}, {1000, 0, 1}, {0, 0, 0}}));
    EXPECT_EQ(ReadCutsFile(name.c_str(), 3).size(), 1000u);
}

TEST(CutsFile, FailuresLeaveTheTableAlone) {
    ScratchDir dir;
    const Rows rows{{1, 2, 0}, {3, 4, 1}};
    auto t = RowsTable(rows);
    const std::string name = dir.File("cuts");
    const Failure missing = FailureOf([&] { ApplyCutsFile(*t, name.c_str()); });
    EXPECT_EQ(missing.code, 6);
    EXPECT_EQ(missing.message + "|" + missing.log, "Error: Can not load the file: " + name + "|Error: Can't load file with cuts\n");
    for (const char* text : {"0 1.5\n2 0.5\n", "0 1.5\n-1 0.5\n"}) {
        WriteFileBytes(name, text);
        const Failure f = FailureOf([&] { ApplyCutsFile(*t, name.c_str()); });
        EXPECT_EQ(f.code, 10);
        EXPECT_EQ(f.log, "Error: Bad attribute number in file with cuts\n");
        EXPECT_EQ(TableRows(*t), rows);
    }
}

TEST(CutsSetDiscretizeDecision, OneClassMakesNoCuts) {
    ScratchDir dir;
    WorkingDirScope here(dir.Path());
    // One decision; then conditions that cannot tell two decisions apart: both one class.
    for (const Rows& rows : {Rows{{1, 2, 5}, {3, 4, 5}}, Rows{{1, 2, 0}, {1, 2, 1}}}) {
        auto t = RowsTable(rows);
        const auto set = SetOf({{0, 1.5}});
        int result = -1;
        const Failure f = FailureOf([&] { result = set->DiscretizeDecision(*t); });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(set->GetNoCuts(), 0);
        // After the generalized decision's own progress lines.
        EXPECT_EQ(TextLines(f.log).back(), "No discretization!");
        EXPECT_EQ(TableRows(*t), rows);
        EXPECT_FALSE(FileExists(dir.File("TMP_CUTS")));
    }
}

TEST(CutsSetDiscretizeDecision, LoadsTheCutsOfTheGeneralizedDecision) {
    ScratchDir dir;
    WorkingDirScope here(dir.Path());
    // Objects 0 and 1 agree on the conditions, so their classes are {0, 1}.
    const Rows rows{{1, 5, 0}, {1, 5, 1}, {2, 5, 1}, {3, 6, 0}, {4, 7, 2}, {4, 8, 2}};
    auto t = RowsTable(rows);
    TCutsSet set;
    int result = -1;
    const Failure f = FailureOf([&] { result = set.DiscretizeDecision(*t); });
    EXPECT_EQ(result, 1);
    const std::vector<std::string> log = TextLines(f.log);
    const auto modifying = std::find(log.begin(), log.end(), "Modyfing decision...");
    ASSERT_TRUE(modifying != log.end() && modifying + 1 != log.end());
    EXPECT_EQ(modifying[1], "Searching for cuts...");
    EXPECT_EQ(log.back(), "Reconstructing decision...");
    EXPECT_EQ(TableRows(*t), rows);

    // The same search on the table with its classes as decision, by hand.
    TGeneralDec dec;
    dec.CalcGenDec(t.get());
    dec.CreateGenDec(t.get());
    dec.ModifyGenDec(t.get());
    TScaler().ScaleTable(*t, dir.File("by_hand").c_str(), 0, 1);
    dec.ReconstructOrigDec(t.get());
    ASSERT_EQ(ReadFileBytes(dir.File("TMP_CUTS")), ReadFileBytes(dir.File("by_hand")));
    TCutsSet loaded;
    loaded.LoadQMV("TMP_CUTS");
    EXPECT_GT(loaded.GetNoCuts(), 0);
    EXPECT_EQ(Contents(set), Contents(loaded));
}

TEST(CutsSetDiscretizeDecision, AFailingScalerLeavesTheDecisionAsItWas) {
    ScratchDir dir;
    WorkingDirScope here(dir.Path());
    ASSERT_EQ(mkdir("TMP_CUTS", 0755), 0);  // the cuts file cannot be written
    const Rows rows{{1, 0}, {2, 1}, {3, 5}};
    auto t = RowsTable(rows);
    const auto set = SetOf({{0, 9.0}});
    const Failure f = FailureOf([&] { set->DiscretizeDecision(*t); });
    EXPECT_EQ(f.code, 7);
    EXPECT_EQ(f.message, "Error: Can't save file... TMP_CUTS");
    EXPECT_EQ(TableRows(*t), rows);
    EXPECT_EQ(set->GetNoCuts(), 1);
}

}  // namespace
