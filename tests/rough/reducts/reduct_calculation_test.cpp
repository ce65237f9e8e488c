#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "rough/reducts/red_memory.h"
#include "tests/rough/reasoning/boole_reference.h"
#include "tests/support/test_files.h"

namespace {

using namespace boole_reference;

std::vector<int> Column(const TTable& t, int a) {
    std::vector<int> v;
    for (int o = 0; o < t.GetNoObj(); ++o) v.push_back(t.GetTable(o, a));
    return v;
}

Sets Stored(const TRedMemory& m) {
    Sets out;
    for (int i = 0; i < m.GetNoRed(); ++i) out.emplace_back(m.GetReduct(i)->begin(), m.GetReduct(i)->end());
    return out;
}

// Two groups of objects equal on the conditions, each with decisions 0 and 1: every object
// has the generalized decision {0, 1}, so nothing needs telling apart, while the raw
// decisions would ask for the groups to be told apart.
void InconsistentTable(TTable& t) {
    t.CreateTable(4, 3);
    const int rows[4][3] = {{0, 0, 0}, {0, 0, 1}, {1, 1, 0}, {1, 1, 1}};
    for (int o = 0; o < 4; ++o) {
        for (int a = 0; a < 3; ++a) t.SetTable(o, a, rows[o][a]);
    }
}

TEST(ReductCalculation, RelativeRunsUseGeneralizedDecisionClassesAndRestoreTheDecisions) {
    TTable t;
    InconsistentTable(t);
    const std::vector<int> decisions = Column(t, 2);
    QuietMode = 1;
    TBoole raw;
    raw.CalcAllGlobReducts(&t, 1, 0);
    EXPECT_EQ(SetsOf(*raw.GetReducts()), (Sets{{0}, {1}}));

    TRedMemory global;
    global.CalculateGlobalReducts(&t, 1, 0);
    EXPECT_EQ(global.GetNoRed(), 0);
    EXPECT_EQ(Column(t, 2), decisions);

    TRedMemory local;
    local.CalculateLocalReducts(&t, 7, 0);  // any non-zero flag is relative
    EXPECT_EQ(local.GetNoRed(), 0);
    EXPECT_EQ(Column(t, 2), decisions);
    QuietMode = 0;
}

// 31 condition attributes take the mask reasoner, 32 the sack reasoner (which logs the
// share of pairs); both find the same reducts.
TEST(ReductCalculation, MaskReasonerUpTo31Conditions) {
    SeedRand(21);
    TTable narrow;
    RandomTable(narrow, 9, 32, 2, 0);
    TTable wide;
    wide.CreateTable(9, 33);
    for (int o = 0; o < 9; ++o) {
        for (int a = 0; a < 31; ++a) wide.SetTable(o, a, narrow.GetTable(o, a));
        wide.SetTable(o, 31, 5);
        wide.SetTable(o, 32, narrow.GetTable(o, 31));
    }
    Sets reducts[2];
    std::string logs[2];
    int which = 0;
    for (TTable* t : {&narrow, &wide}) {
        LogCapture log;
        QuietMode = 1;
        TRedMemory m;
        m.CalculateGlobalReducts(t, 1, 0);
        QuietMode = 0;
        reducts[which] = Stored(m);
        logs[which] = log.Text();
        ++which;
    }
    EXPECT_EQ(std::set<std::vector<int>>(reducts[0].begin(), reducts[0].end()),
              std::set<std::vector<int>>(reducts[1].begin(), reducts[1].end()));
    EXPECT_FALSE(reducts[0].empty());
    EXPECT_EQ(logs[0].find('%', logs[0].find("Creating disc. matrix")), std::string::npos);
    EXPECT_NE(logs[1].find("Creating disc. matrix\n2%\n"), std::string::npos);  // 1 pair of 36
}

TEST(ReductCalculation, ProgressOfGlobalAndLocalRuns) {
    TTable t;
    RandomTable(t, 4, 3, 3, 0);
    testing::internal::CaptureStdout();
    TRedMemory m;
    m.CalculateGlobalReducts(&t, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "PROGRESS:0\nPROGRESS:5\nPROGRESS:30\nPROGRESS:70\nPROGRESS:100\n");
    testing::internal::CaptureStdout();
    m.CalculateLocalReducts(&t, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "PROGRESS:25\nPROGRESS:50\nPROGRESS:75\nPROGRESS:100\nPROGRESS:100\n");
    TTable three;
    RandomTable(three, 3, 40, 2, 0);
    testing::internal::CaptureStdout();
    m.CalculateLocalReducts(&three, 1, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:33\nPROGRESS:66\nPROGRESS:100\nPROGRESS:100\n");
}

// A local run stores every object's local reducts, each once.
TEST(ReductCalculation, LocalRunStoresTheUnionOfEveryObjectsReducts) {
    SeedRand(4);
    QuietMode = 1;
    for (int round = 0; round < 30; ++round) {
        TTable t;
        RandomTable(t, 3 + Draw(10), 2 + Draw(6), 3, Draw(2) * 10);
        const int relative = Draw(2);
        const int missing = Draw(3);
        TRedMemory m;
        m.CalculateLocalReducts(&t, relative, missing);
        std::set<std::vector<int>> expected;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            // The reasoners see the classes of the generalized decision; without
            // inconsistencies those tell apart exactly the objects the decisions do.
            const auto local = MinimalHittingSets(t, o, relative, missing);
            expected.insert(local.begin(), local.end());
        }
        bool consistent = true;
        for (int i = 0; i < t.GetNoObj(); ++i) {
            for (int j = 0; j < i; ++j) {
                bool same = true;
                for (int a = 0; a + 1 < t.GetNoAttr(); ++a) same = same && t.GetTable(i, a) == t.GetTable(j, a);
                consistent = consistent && !(same && t.GetTable(i, t.GetNoAttr() - 1) != t.GetTable(j, t.GetNoAttr() - 1));
            }
        }
        if (!consistent && relative) continue;
        const Sets stored = Stored(m);
        EXPECT_EQ(std::set<std::vector<int>>(stored.begin(), stored.end()), expected) << round;
        EXPECT_EQ(stored.size(), expected.size());
    }
    QuietMode = 0;
}

// Local reducts that agree on their first word of attributes and differ beyond it are
// different reducts: random tables whose live columns are 0 and 64-71 of 73, against the
// brute-force reducts of the same table without the constant columns between.
TEST(ReductCalculation, LocalReductsThatDifferOnlyPastTheFirstWordAreAllKept) {
    SeedRand(11);
    QuietMode = 1;
    for (int round = 0; round < 20; ++round) {
        TTable narrow;
        RandomTable(narrow, 4 + Draw(8), 10, 2, 0);
        const auto wideColumn = [](int a) { return a == 0 ? 0 : a == 9 ? 72 : 63 + a; };
        TTable wide;
        wide.CreateTable(narrow.GetNoObj(), 73);
        for (int o = 0; o < narrow.GetNoObj(); ++o) {
            for (int a = 0; a < 73; ++a) wide.SetTable(o, a, 0);
            for (int a = 0; a < 10; ++a) wide.SetTable(o, wideColumn(a), narrow.GetTable(o, a));
        }
        std::set<std::vector<int>> expected;
        for (int o = 0; o < narrow.GetNoObj(); ++o) {
            for (const auto& r : MinimalHittingSets(narrow, o, 0, 0)) {
                std::vector<int> mapped;
                for (int a : r) mapped.push_back(wideColumn(a));
                expected.insert(mapped);
            }
        }
        TRedMemory m;
        m.CalculateLocalReducts(&wide, 0, 0);
        const Sets stored = Stored(m);
        EXPECT_EQ(std::set<std::vector<int>>(stored.begin(), stored.end()), expected) << round;
        EXPECT_EQ(stored.size(), expected.size()) << round;
    }
    QuietMode = 0;
}

// Compact reduct files written from a memory's bare sets and from its tree, quietly.
class ReductFiles : public ::testing::Test {
protected:
    void SetUp() override { QuietMode = 1; }
    void TearDown() override { QuietMode = 0; }
    ScratchDir dir;
    const std::string fromSets = dir.File("sets");
    const std::string fromTree = dir.File("tree");
};

// The reducts of a calculation are kept as bare sets and the compact file is written from
// them; once the tree is built (any tree operation builds it), the file comes from the tree.
// Both files must be the same, and a calculation into a memory that has a tree inserts into
// it: global and local runs, one word and several, both reasoners.
TEST_F(ReductFiles, FileFromBareSetsEqualsFileFromTree) {
    SeedRand(47);
    for (int round = 0; round < 60; ++round) {
        TTable t;
        const bool wide = round % 3 == 0;
        const int columns = wide ? 66 + Draw(80) : 3 + Draw(14);
        RandomTable(t, 3 + Draw(12), columns, 2 + Draw(2), Draw(2) * 10);
        for (int a = 0; wide && a < columns; ++a) {
            if (a % 13 == 0 || a == columns - 1) continue;  // a few varying columns across the words
            for (int o = 0; o < t.GetNoObj(); ++o) t.SetTable(o, a, 0);
        }
        const int relative = Draw(2);
        const int missing = Draw(3);
        const bool local = Draw(2) == 0;
        TRedMemory m;
        if (local) {
            m.CalculateLocalReducts(&t, relative, missing);
        } else {
            m.CalculateGlobalReducts(&t, relative, missing);
        }
        m.SaveReductsCompact(fromSets.c_str());
        const int count = m.GetNoRed();
        m.GetRoot();
        ASSERT_EQ(m.GetNoRed(), count);
        m.SaveReductsCompact(fromTree.c_str());
        ASSERT_EQ(ReadFileBytes(fromSets), ReadFileBytes(fromTree)) << "round " << round;

        // The same calculation again, into the tree: nothing new.
        if (local) {
            m.CalculateLocalReducts(&t, relative, missing);
        } else {
            m.CalculateGlobalReducts(&t, relative, missing);
        }
        m.SaveReductsCompact(fromTree.c_str());
        ASSERT_EQ(ReadFileBytes(fromSets), ReadFileBytes(fromTree)) << "round " << round;
    }
}

// Calculations of different tables into one memory, kept as bare sets, against the same
// calculations each inserted into the tree at once: the same reducts in the same order. Two
// small random tables are each padded with constant columns to widths for the mask reasoner
// (within its bitmap of held sets and beyond) and for the sack reasoner, so that the same
// reducts arrive from calculations of every width, in any order of widths.
TEST_F(ReductFiles, MixedCalculationsIntoOneMemoryKeepEveryReductOnce) {
    SeedRand(53);
    const int widths[] = {6, 21, 25, 27, 40, 70};
    for (int round = 0; round < 60; ++round) {
        TTable base[2];
        for (TTable& b : base) RandomTable(b, 4 + Draw(6), 6, 2, Draw(2) * 10);
        TRedMemory bare;
        TRedMemory tree;
        for (int calc = 0; calc < 6; ++calc) {
            const TTable& b = base[Draw(2)];
            const int columns = widths[Draw(6)];
            TTable t;
            t.CreateTable(b.GetNoObj(), columns);
            for (int o = 0; o < b.GetNoObj(); ++o) {
                for (int a = 0; a < columns; ++a) t.SetTable(o, a, a < 5 ? b.GetTable(o, a) : 0);
                t.SetTable(o, columns - 1, b.GetTable(o, 5));
            }
            const bool local = Draw(3) != 0;
            for (TRedMemory* m : {&bare, &tree}) {
                if (local) {
                    m->CalculateLocalReducts(&t, 1, 0);
                } else {
                    m->CalculateGlobalReducts(&t, 1, 0);
                }
            }
            tree.GetRoot();  // the first calculation's sets make the tree the next ones go into
            ASSERT_EQ(bare.GetNoRed(), tree.GetNoRed()) << round << " " << calc;
        }
        bare.SaveReductsCompact(fromSets.c_str());
        tree.SaveReductsCompact(fromTree.c_str());
        ASSERT_EQ(ReadFileBytes(fromSets), ReadFileBytes(fromTree)) << "round " << round;
    }
}

// One-word sets of the sack reasoner (33 to 64 condition columns), their live columns spread
// up to the last: the compact file from the bare sets is the tree's, whether the sets' order
// is found from their numbers (few attributes, few sets) or by comparing them.
TEST_F(ReductFiles, OneWordSetsOfEveryWidthGiveTheTreesFile) {
    SeedRand(59);
    for (int round = 0; round < 60; ++round) {
        const int conditions = 33 + Draw(32);
        TTable t;
        RandomTable(t, 4 + Draw(14), conditions + 1, 2 + Draw(2), Draw(2) * 10);
        std::vector<bool> live(static_cast<size_t>(conditions), false);
        for (int i = 0; i < 6 + Draw(6); ++i) live[static_cast<size_t>(Draw(conditions))] = true;
        live[static_cast<size_t>(conditions - 1 - Draw(3))] = true;
        for (int a = 0; a < conditions; ++a) {
            if (live[static_cast<size_t>(a)]) continue;
            for (int o = 0; o < t.GetNoObj(); ++o) t.SetTable(o, a, 0);
        }
        const int relative = Draw(2);
        const bool local = Draw(2) == 0;
        TRedMemory bare;
        if (local) {
            bare.CalculateLocalReducts(&t, relative, 0);
        } else {
            bare.CalculateGlobalReducts(&t, relative, 0);
        }
        bare.SaveReductsCompact(fromSets.c_str());
        bare.GetRoot();
        bare.SaveReductsCompact(fromTree.c_str());
        ASSERT_EQ(ReadFileBytes(fromSets), ReadFileBytes(fromTree)) << "round " << round;
    }
}

}  // namespace
