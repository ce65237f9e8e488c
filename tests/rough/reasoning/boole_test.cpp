#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "rough/reasoning/discernibility.h"
#include "tests/rough/reasoning/boole_reference.h"
#include "tests/support/test_files.h"

namespace {

using namespace boole_reference;

constexpr int M = TTable::MissingValue;

void Fill(TTable& t, std::initializer_list<std::initializer_list<int>> rows) {
    t.CreateTable(static_cast<int>(rows.size()), static_cast<int>(rows.begin()->size()));
    int o = 0;
    for (const auto& row : rows) {
        int a = 0;
        for (int v : row) t.SetTable(o, a++, v);
        ++o;
    }
}

struct Outcome {
    Sets matrix;
    Sets result;
};

Outcome RunMask(TTable& t, int object, int relative, int missing) {
    TBoole31 b;
    if (object < 0) {
        b.CalcAllGlobReducts(&t, relative, missing);
    } else {
        b.CalcAllLocalReducts(&t, object, relative, missing);
    }
    return {SetsOfMasks(*b.GetMatrix()), SetsOfMasks(*b.GetReducts())};
}

Outcome RunSack(TTable& t, int object, int relative, int missing) {
    TBoole b;
    if (object < 0) {
        b.CalcAllGlobReducts(&t, relative, missing);
    } else {
        b.CalcAllLocalReducts(&t, object, relative, missing);
    }
    return {SetsOf(*b.GetMatrix()), SetsOf(*b.GetReducts())};
}

std::set<std::vector<int>> AsSet(const Sets& s) { return std::set<std::vector<int>>(s.begin(), s.end()); }

// Progress lines are not what these tests look at.
class Quiet : public ::testing::Test {
protected:
    void SetUp() override { QuietMode = 1; }
    void TearDown() override { QuietMode = 0; }
};

// Both reasoners, against the slow versions step by step (matrix order and result order) and
// against the brute-force minimal hitting sets, global and for every object.
void CheckAgainstReferences(TTable& t, int relative, int missing, const std::string& what) {
    const int k = Conditions(t, relative);
    for (int object = -1; object < t.GetNoObj(); ++object) {
        SCOPED_TRACE(what + " object " + std::to_string(object));
        const auto expected = MinimalHittingSets(t, object, relative, missing);

        const Outcome mask = RunMask(t, object, relative, missing);
        const std::vector<int> clauses = MaskMatrix(t, object, relative, missing);
        ASSERT_EQ(mask.matrix, SetsOfMasks([&] {
                      TIntSack s;
                      for (int c : clauses) s.AddElem(c);
                      return s;
                  }()));
        const std::vector<int> cleared = MaskClear(clauses, MaskExpand(clauses, k), k);
        std::vector<std::vector<int>> clearedSets;
        for (int m : cleared) clearedSets.push_back(AttrsOf(static_cast<uint32_t>(m)));
        ASSERT_EQ(mask.result, clearedSets);
        ASSERT_EQ(AsSet(mask.result), expected);
        ASSERT_EQ(mask.result.size(), expected.size());

        const Outcome sack = RunSack(t, object, relative, missing);
        const Sets matrix = SackMatrix(t, object, relative, missing);
        ASSERT_EQ(sack.matrix, matrix);
        ASSERT_EQ(sack.result, SackClear(matrix, SackExpand(matrix)));
        ASSERT_EQ(AsSet(sack.result), expected);
        ASSERT_EQ(sack.result.size(), expected.size());
    }
}

using BooleProperty = Quiet;

TEST_F(BooleProperty, SmallRandomTables) {
    SeedRand(11);
    for (int round = 0; round < 400; ++round) {
        TTable t;
        const int n = 1 + Draw(9);
        const int columns = 1 + Draw(7);
        const int relative = Draw(2);
        const int missing = Draw(3);
        RandomTable(t, n, columns, 2 + Draw(3), Draw(3) == 0 ? 0 : 15);
        CheckAgainstReferences(t, relative, missing, "round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

// Enough objects for the mask reasoner's dense work sack (pairs against 2^k), and few for
// its sparse one; more clauses for the sack reasoner's superset removal.
TEST_F(BooleProperty, LargerRandomTables) {
    SeedRand(5);
    for (int round = 0; round < 40; ++round) {
        TTable t;
        const int n = 10 + Draw(50);
        const int columns = 4 + Draw(8);
        const int relative = Draw(2);
        const int missing = Draw(3);
        RandomTable(t, n, columns, 2 + Draw(2), Draw(2) == 0 ? 0 : 10);
        CheckAgainstReferences(t, relative, missing, "round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

// Many attributes and few objects: long expansions whose terms share most of their
// clearing, where both reasoners' orders are most easily disturbed.
TEST_F(BooleProperty, ManyTermsPerTable) {
    SeedRand(17);
    for (int round = 0; round < 12; ++round) {
        TTable t;
        RandomTable(t, 8 + Draw(6), 15 + Draw(6), 2, 0);
        CheckAgainstReferences(t, 1, 0, "round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

// The mask reasoner up to its 31 attributes, where no bitmap of masks is kept.
TEST_F(BooleProperty, ManyAttributesFewVarying) {
    SeedRand(3);
    for (int round = 0; round < 20; ++round) {
        TTable t;
        const int n = 4 + Draw(20);
        const int relative = Draw(2);
        const int columns = relative ? 32 : 31;
        RandomTable(t, n, columns, 1, 0);
        for (int o = 0; o < n; ++o) {
            for (int a : {0, 13, 27, 29, 30}) t.SetTable(o, a, Draw(3));
            t.SetTable(o, columns - 1, Draw(2));
        }
        const int missing = Draw(3);
        for (int object = -1; object < n; ++object) {
            const Outcome mask = RunMask(t, object, relative, missing);
            const std::vector<int> clauses = MaskMatrix(t, object, relative, missing);
            const int k = Conditions(t, relative);
            std::vector<std::vector<int>> expected;
            for (int m : MaskClear(clauses, MaskExpand(clauses, k), k)) expected.push_back(AttrsOf(static_cast<uint32_t>(m)));
            ASSERT_EQ(mask.result, expected);
            const Outcome sack = RunSack(t, object, relative, missing);
            ASSERT_EQ(AsSet(sack.result), AsSet(mask.result));
        }
    }
}

// Attribute numbers past one 64-bit word: the sack reasoner against its slow version, and
// the reducts against the brute force over the varying columns alone.
TEST_F(BooleProperty, SackReasonerBeyondOneWord) {
    const std::vector<int> varying = {3, 63, 64, 100, 127, 128, 140};
    SeedRand(9);
    for (int round = 0; round < 30; ++round) {
        const int n = 2 + Draw(12);
        TTable wide;
        RandomTable(wide, n, 142, 1, 0);
        TTable narrow;
        narrow.CreateTable(n, static_cast<int>(varying.size()) + 1);
        for (int o = 0; o < n; ++o) {
            for (size_t i = 0; i < varying.size(); ++i) {
                const int v = Draw(5) == 0 ? M : Draw(3);
                wide.SetTable(o, varying[i], v);
                narrow.SetTable(o, static_cast<int>(i), v);
            }
            const int d = Draw(2);
            wide.SetTable(o, 141, d);
            narrow.SetTable(o, static_cast<int>(varying.size()), d);
        }
        const int relative = Draw(2);
        const int missing = Draw(3);
        for (int object = -1; object < n; ++object) {
            const Outcome sack = RunSack(wide, object, relative, missing);
            const Sets matrix = SackMatrix(wide, object, relative, missing);
            ASSERT_EQ(sack.matrix, matrix);
            ASSERT_EQ(sack.result, SackClear(matrix, SackExpand(matrix)));
            std::set<std::vector<int>> expected;
            for (const auto& r : MinimalHittingSets(narrow, object, relative, missing)) {
                std::vector<int> mapped;
                for (int a : r) mapped.push_back(a < static_cast<int>(varying.size()) ? varying[static_cast<size_t>(a)] : 141);
                expected.insert(mapped);
            }
            ASSERT_EQ(AsSet(sack.result), expected);
        }
    }
}

// The steps called one by one: Minimalization's terms are the whole expansion, and the
// clearing goes on from them once they are handed out.
TEST_F(BooleProperty, SackStepsOneByOne) {
    SeedRand(23);
    for (int round = 0; round < 60; ++round) {
        TTable t;
        const int n = 2 + Draw(10);
        RandomTable(t, n, 3 + Draw(12), 2 + Draw(2), Draw(2) == 0 ? 0 : 10);
        const int relative = Draw(2);
        const int missing = Draw(3);
        for (int object = -1; object < n; ++object) {
            TBoole b;
            if (object < 0) {
                b.CreateDiscMatrix(&t, relative, missing);
            } else {
                b.CreateDiscMatrixForObject(&t, object, relative, missing);
            }
            const Sets matrix = SackMatrix(t, object, relative, missing);
            ASSERT_EQ(SetsOf(*b.GetMatrix()), matrix);
            b.Minimalization(n);
            const Sets expansion = SackExpand(matrix);
            ASSERT_EQ(SetsOf(*b.GetReducts()), expansion);
            b.ClearRedundant(n);
            ASSERT_EQ(SetsOf(*b.GetReducts()), SackClear(matrix, expansion));
        }
    }
}

// Terms left by one table are cleared against the matrix of another, of another width: the
// terms are carried over whole, whichever step left them.
TEST_F(BooleProperty, SackTermsClearedAgainstAnotherMatrix) {
    SeedRand(29);
    for (int round = 0; round < 20; ++round) {
        const int n = 3 + Draw(8);
        TTable narrow;
        RandomTable(narrow, n, 4 + Draw(4), 2, 0);
        TTable wide;
        RandomTable(wide, n, 150, 1, 0);
        for (int o = 0; o < n; ++o) {
            for (int a : {1, 70, 130, 148}) wide.SetTable(o, a, Draw(3));
            wide.SetTable(o, 149, Draw(2));
        }
        for (int order = 0; order < 2; ++order) {
            TTable& first = order == 0 ? narrow : wide;
            TTable& second = order == 0 ? wide : narrow;
            const Sets secondMatrix = SackMatrix(second, -1, 1, 0);
            const Sets firstMatrix = SackMatrix(first, -1, 1, 0);
            const Sets firstReducts = SackClear(firstMatrix, SackExpand(firstMatrix));
            {
                TBoole b;  // the reducts kept by the reasoner
                b.CalcAllGlobReducts(&first, 1, 0);
                b.CreateDiscMatrix(&second, 1, 0);
                b.ClearRedundant(n);
                ASSERT_EQ(SetsOf(*b.GetReducts()), SackClear(secondMatrix, firstReducts));
            }
            {
                TBoole b;  // the reducts handed out
                b.CalcAllGlobReducts(&first, 1, 0);
                ASSERT_EQ(SetsOf(*b.GetReducts()), firstReducts);
                b.CreateDiscMatrix(&second, 1, 0);
                b.ClearRedundant(n);
                ASSERT_EQ(SetsOf(*b.GetReducts()), SackClear(secondMatrix, firstReducts));
            }
            {
                TBoole b;  // the expansion, not cleared yet
                b.CreateDiscMatrix(&first, 1, 0);
                b.Minimalization(n);
                b.CreateDiscMatrix(&second, 1, 0);
                b.ClearRedundant(n);
                ASSERT_EQ(SetsOf(*b.GetReducts()), SackClear(secondMatrix, SackExpand(firstMatrix)));
            }
        }
    }
}

// Object 0 against objects that each differ from it in one attribute of their own and in a
// common set F: the clauses {x_i} + F cut the term x_1 .. x_i into |F| + 1 terms at every
// clause, many more times than the order of a one-word expansion can be halved without
// starting its labels afresh. The reducts are x_1 .. x_n and each attribute of F alone.
TEST_F(BooleProperty, LongChainsOfOneWordTerms) {
    const int chain = 30;
    const int fillers = 30;
    TTable t;
    t.CreateTable(chain + 1, chain + fillers + 1);
    for (int j = 1; j <= chain; ++j) {
        t.SetTable(j, j - 1, 1);
        for (int f = 0; f < fillers; ++f) t.SetTable(j, chain + f, 1);
        t.SetTable(j, chain + fillers, 1);
    }
    const Sets matrix = SackMatrix(t, 0, 1, 0);
    TBoole steps;
    steps.CreateDiscMatrixForObject(&t, 0, 1, 0);
    steps.Minimalization(t.GetNoObj());
    ASSERT_EQ(SetsOf(*steps.GetReducts()), SackExpand(matrix));

    Sets expected(1);
    for (int a = 0; a < chain; ++a) expected[0].push_back(a);
    for (int f = 0; f < fillers; ++f) expected.push_back({chain + f});
    TBoole b;
    b.CalcAllLocalReducts(&t, 0, 1, 0);
    EXPECT_EQ(SetsOf(*b.GetReducts()), expected);
}

using Boole = Quiet;

TEST_F(Boole, TwoObjectsOneClause) {
    TTable t;
    Fill(t, {{0, 5, 1, 0}, {1, 5, 2, 1}});
    EXPECT_EQ(RunMask(t, -1, 1, 0).result, (Sets{{0}, {2}}));
    EXPECT_EQ(RunSack(t, -1, 1, 0).result, (Sets{{0}, {2}}));
    EXPECT_EQ(RunSack(t, -1, 1, 0).matrix, (Sets{{0, 2}}));
}

// Clauses {0, 1} and {1, 2}: the expansion gives {0, 1}, {0, 2}, {1}; clearing makes {0, 1}
// into {1}. The sack reasoner clears pass by pass, the mask reasoner term by term, so the
// same two reducts come out in opposite orders.
TEST_F(Boole, ClearingOrdersDiffer) {
    TTable t;
    Fill(t, {{0, 0, 0, 0}, {1, 1, 0, 1}, {0, 1, 1, 1}});
    const Outcome sack = RunSack(t, -1, 1, 0);
    EXPECT_EQ(sack.matrix, (Sets{{0, 1}, {1, 2}}));
    EXPECT_EQ(sack.result, (Sets{{0, 2}, {1}}));
    const Outcome mask = RunMask(t, -1, 1, 0);
    EXPECT_EQ(mask.matrix, (Sets{{0, 1}, {1, 2}}));
    EXPECT_EQ(mask.result, (Sets{{1}, {0, 2}}));
}

TEST_F(Boole, MissingValueDiscernsOnlyWithOtherOptions) {
    TTable t;
    Fill(t, {{1, M, 0}, {1, 4, 1}});
    for (int missing : {0, 2, 7}) {
        EXPECT_EQ(RunMask(t, -1, 1, missing).result, (Sets{{1}})) << missing;
        EXPECT_EQ(RunSack(t, -1, 1, missing).result, (Sets{{1}})) << missing;
    }
    EXPECT_TRUE(RunMask(t, -1, 1, 1).result.empty());
    EXPECT_TRUE(RunSack(t, -1, 1, 1).result.empty());
    EXPECT_TRUE(RunMask(t, 0, 1, 1).result.empty());
    EXPECT_TRUE(RunSack(t, 1, 1, 1).result.empty());
}

TEST_F(Boole, NoClauseMeansNoReduct) {
    TTable same;
    Fill(same, {{1, 2, 3}, {4, 5, 3}, {6, 7, 3}});
    TTable one;
    Fill(one, {{1, 2, 3}});
    for (TTable* t : {&same, &one}) {
        for (int object = -1; object < t->GetNoObj(); ++object) {
            EXPECT_TRUE(RunMask(*t, object, 1, 0).result.empty());
            EXPECT_TRUE(RunSack(*t, object, 1, 0).result.empty());
            EXPECT_TRUE(RunSack(*t, object, 1, 0).matrix.empty());
        }
    }
    // Without the decision, the last column tells the objects apart.
    EXPECT_EQ(RunSack(same, -1, 0, 0).result, (Sets{{0}, {1}}));
}

TEST(BooleLimits, MaskReasonerTakesAtMost31Conditions) {
    TTable t;
    RandomTable(t, 3, 32, 2, 0);
    QuietMode = 1;
    EXPECT_NO_THROW(RunMask(t, -1, 1, 0));
    EXPECT_NO_THROW(RunMask(t, 1, 1, 0));
    QuietMode = 0;
    for (int object : {-1, 0}) {
        LogCapture log;
        testing::internal::CaptureStdout();
        try {
            RunMask(t, object, 0, 0);
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(log.Text(), "Bad number of atributes in TBoole31::CalcAllGlobReducts \n");
    }
}

// Term lists that would outgrow the memory they may take end the calculation as a failed
// allocation does, for every path of both reasoners; within it the same table goes through.
TEST(BooleLimits, TermListsBeyondTheirMemoryFailAsAllocations) {
    SeedRand(31);
    TTable narrow;
    RandomTable(narrow, 14, 21, 2, 0);
    TTable wide;  // the same columns spread over three words
    wide.CreateTable(14, 150);
    for (int o = 0; o < 14; ++o) {
        for (int a = 0; a < 20; ++a) wide.SetTable(o, a * 7, narrow.GetTable(o, a));
        wide.SetTable(o, 149, narrow.GetTable(o, 20));
    }
    QuietMode = 1;
    struct Run {
        const char* what;
        std::function<void()> run;
    };
    const std::vector<Run> runs = {
        {"mask", [&] { TBoole31().CalcAllGlobReducts(&narrow, 1, 0); }},
        {"sack", [&] { TBoole().CalcAllGlobReducts(&narrow, 1, 0); }},
        {"sack, several words", [&] { TBoole().CalcAllGlobReducts(&wide, 1, 0); }},
        {"sack steps", [&] {
             TBoole b;
             b.CreateDiscMatrix(&narrow, 1, 0);
             b.Minimalization(14);
             b.GetReducts();
             b.ClearRedundant(14);
         }},
    };
    for (const Run& r : runs) {
        discern::SetTermMemoryLimit(16 * 1024);
        try {
            r.run();
            ADD_FAILURE() << r.what;
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 2) << r.what;
        }
        discern::SetTermMemoryLimit(0);
        EXPECT_NO_THROW(r.run()) << r.what;
    }
    QuietMode = 0;
}

TEST(BooleLimits, ObjectOutsideTheTable) {
    TTable t;
    Fill(t, {{1, 2}, {3, 4}});
    for (int object : {-1, 2}) {
        LogCapture log;
        try {
            TBoole b;
            b.CalcAllLocalReducts(&t, object, 1, 0);
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
        try {
            TBoole31 b;
            b.CalcAllLocalReducts(&t, object, 1, 0);
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
        EXPECT_EQ(log.Text(), "Bad element number in TTable::GetTable\nBad element number in TTable::GetTable\n");
    }
}

// A global run shows 5, 30 and 70 and logs its steps (the sack reasoner also the share of
// pairs done); a local run shows and logs nothing.
TEST(BooleReporting, GlobalRunsReportLocalRunsDoNot) {
    TTable t;
    Fill(t, {{0, 1, 0}, {1, 1, 1}, {1, 0, 0}});
    {
        LogCapture log;
        testing::internal::CaptureStdout();
        TBoole b;
        b.CalcAllGlobReducts(&t, 1, 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:5\nPROGRESS:30\nPROGRESS:70\n");
        EXPECT_EQ(log.Text(), "Calculating all reducts\nCreating disc. matrix\n33%\n66%\n100%\n"
                              "Minimalization...\nClearing redundant elements...\n");
    }
    {
        LogCapture log;
        testing::internal::CaptureStdout();
        TBoole31 b;
        b.CalcAllGlobReducts(&t, 1, 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:5\nPROGRESS:30\nPROGRESS:70\n");
        EXPECT_EQ(log.Text(), "Calculating all reducts\nCreating disc. matrix\n"
                              "Minimalization...\nClearing redundant elements...\n");
    }
    {
        LogCapture log;
        testing::internal::CaptureStdout();
        TBoole b;
        TBoole31 b31;
        for (int o = 0; o < 3; ++o) {
            b.CalcAllLocalReducts(&t, o, 1, 0);
            b31.CalcAllLocalReducts(&t, o, 0, 1);
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(log.Text(), "");
    }
}

// With fewer than 100 pairs several percentages are passed over; with more, each appears.
TEST(BooleReporting, PairPercentagesOfTheSackReasoner) {
    TTable t;
    RandomTable(t, 2, 3, 2, 0);
    {
        LogCapture log;
        QuietMode = 1;
        TBoole().CalcAllGlobReducts(&t, 0, 0);
        QuietMode = 0;
        EXPECT_EQ(log.Text(), "Calculating all reducts\nCreating disc. matrix\n100%\n"
                              "Minimalization...\nClearing redundant elements...\n");
    }
    RandomTable(t, 20, 3, 2, 0);  // 190 pairs; the LOG counts pairs done after each object
    LogCapture log;
    QuietMode = 1;
    TBoole().CalcAllGlobReducts(&t, 0, 0);
    QuietMode = 0;
    std::string expected = "Calculating all reducts\nCreating disc. matrix\n";
    int last = 0;
    long long done = 0;
    for (int i = 0; i < 20; ++i) {
        for (int j = 0; j < i; ++j) {
            ++done;
            const int p = static_cast<int>(done * 100 / 190);
            if (p > last) {
                expected += std::to_string(p) + "%\n";
                last = p;
            }
        }
    }
    expected += "Minimalization...\nClearing redundant elements...\n";
    EXPECT_EQ(log.Text(), expected);
}

TEST(BooleSteps, MaskClearingStepOnSacks) {
    TTable t;
    Fill(t, {{0, 0, 0, 0}, {1, 1, 0, 1}, {0, 1, 1, 1}});
    TBoole31 b;
    QuietMode = 1;
    b.CalcAllGlobReducts(&t, 1, 0);
    QuietMode = 0;
    TIntSack current;
    TIntSack next;
    TIntSack final;
    current.AddElem(3);
    current.AddElem(5);
    current.AddElem(7);
    b.ClearRedundantStep(&current, &next, &final);
    EXPECT_EQ(std::vector<int>(final.begin(), final.end()), (std::vector<int>{5}));
    EXPECT_EQ(std::vector<int>(next.begin(), next.end()), (std::vector<int>{2, 6, 5, 3}));
    EXPECT_EQ(TBoole31::BitCount(0x7FFFFFFF, 3), 3);
    EXPECT_EQ(TBoole31::BitCount(-1, 40), 32);
    EXPECT_EQ(TBoole31::BitCount(12, 0), 0);
}

// The reducts handed over as bit sets are the result's sacks, in order, whether or not the
// sacks were made before; the result is empty afterwards.
TEST(BooleSteps, ReductsHandedOverAsSets) {
    SeedRand(59);
    TTable t;
    RandomTable(t, 12, 70, 2, 0);
    QuietMode = 1;
    for (const bool sacksFirst : {false, true}) {
        TBoole b;
        b.CalcAllGlobReducts(&t, 1, 0);
        Sets expected;
        if (sacksFirst) expected = SetsOf(*b.GetReducts());
        const Sets taken = SetsOfList(b.TakeReductSets());
        if (!sacksFirst) {
            TBoole again;
            again.CalcAllGlobReducts(&t, 1, 0);
            expected = SetsOf(*again.GetReducts());
        }
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(taken, expected);
        EXPECT_EQ(b.GetReducts()->GetNoElem(), 0);
    }
    QuietMode = 0;
}

}  // namespace

namespace {

std::vector<int> MasksOf(const TIntSack& s) { return std::vector<int>(s.begin(), s.end()); }

}  // namespace

// The mask reasoner's steps one by one: the terms Minimalization leaves are the whole
// expansion when asked for, and ClearRedundant clears whichever terms stand: those of the
// matrix (asked for or not), or those of an earlier matrix against the one that replaced it.
TEST(BooleSteps, MaskStepsOneByOne) {
    SeedRand(61);
    QuietMode = 1;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TTable t;
        RandomTable(t, 5 + Draw(8), 8 + Draw(10), 2 + Draw(2), 0);
        TTable other;
        RandomTable(other, 5 + Draw(8), t.GetNoAttr(), 2, 0);
        const int k = Conditions(t, 1);
        const int object = Draw(t.GetNoObj());
        const std::vector<int> clauses = MaskMatrix(t, object, 1, 0);
        const std::vector<int> terms = MaskExpand(clauses, k);
        const std::vector<int> primes = MaskClear(clauses, terms, k);

        TBoole31 untouched;
        untouched.CreateDiscMatrixForObject(&t, object, 1, 0);
        untouched.Minimalization(t.GetNoObj());
        untouched.ClearRedundant(t.GetNoObj());
        ASSERT_EQ(MasksOf(*untouched.GetReducts()), primes);

        TBoole31 asked;
        asked.CreateDiscMatrixForObject(&t, object, 1, 0);
        asked.Minimalization(t.GetNoObj());
        ASSERT_EQ(MasksOf(*asked.GetReducts()), terms);
        asked.ClearRedundant(t.GetNoObj());
        ASSERT_EQ(MasksOf(*asked.GetReducts()), primes);
        asked.ClearRedundant(t.GetNoObj());  // prime terms stay what they are
        ASSERT_EQ(MasksOf(*asked.GetReducts()), primes);

        TBoole31 replaced;
        replaced.CreateDiscMatrixForObject(&t, object, 1, 0);
        replaced.Minimalization(t.GetNoObj());
        replaced.CreateDiscMatrix(&other, 1, 0);
        replaced.ClearRedundant(t.GetNoObj());
        ASSERT_EQ(MasksOf(*replaced.GetReducts()), MaskClear(MaskMatrix(other, -1, 1, 0), terms, k));
    }
    QuietMode = 0;
}

// Expansions whose walk and clearing meet more sets than the record of met sets keeps in a
// hash before it turns into a bitmap (a 512th of the masks there can be), over 21 or 22
// conditions: the result against the slow expansion and clearing, global and for a few
// objects.
TEST(BooleSteps, MaskExpansionsBeyondTheHashOfMetSets) {
    SeedRand(67);
    QuietMode = 1;
    int large = 0;
    for (int round = 0; round < 3; ++round) {
        TTable t;
        const int k = 21 + Draw(2);
        RandomTable(t, 11, k + 1, 2, 0);
        for (int object = -1; object < 2; ++object) {
            SCOPED_TRACE("round " + std::to_string(round) + " object " + std::to_string(object));
            const std::vector<int> clauses = MaskMatrix(t, object, 1, 0);
            const std::vector<int> terms = MaskExpand(clauses, k);
            if (static_cast<long long>(terms.size()) * 512 >= (1LL << k)) ++large;
            TBoole31 b;
            if (object < 0) {
                b.CalcAllGlobReducts(&t, 1, 0);
            } else {
                b.CalcAllLocalReducts(&t, object, 1, 0);
            }
            ASSERT_EQ(MasksOf(*b.GetReducts()), MaskClear(clauses, terms, k));
        }
    }
    EXPECT_GT(large, 0);
    QuietMode = 0;
}

// One clearing step over matrices of one to many words of clauses (the clause columns are
// read a word at a time, and up to eight words are held apart from any longer matrix), over
// few and up to 31 conditions: every term, whether it meets all clauses or not, against the
// essential attributes found clause by clause.
TEST(BooleSteps, MaskClearingStepOverManyWordsOfClauses) {
    SeedRand(71);
    QuietMode = 1;
    std::set<int> wordCounts;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TTable t;
        const int k = round % 2 == 0 ? 31 : 8 + Draw(20);
        RandomTable(t, 3 + Draw(70), k + 1, 2, 0);
        TBoole31 b;
        b.CreateDiscMatrix(&t, 1, 0);
        const std::vector<int> clauses = MasksOf(*b.GetMatrix());
        wordCounts.insert((static_cast<int>(clauses.size()) + 63) / 64);
        const int low = k >= 31 ? 0x7FFFFFFF : (1 << k) - 1;
        // Prime terms with a few attributes more, where clauses anywhere in the matrix
        // make attributes essential, and small terms that miss clauses.
        auto meetsAll = [&](int term) {
            for (int c : clauses) {
                if ((term & c) == 0) return false;
            }
            return true;
        };
        TIntSack current;
        for (int i = 0; i < 60; ++i) {
            int term = 0;
            if (i % 2 == 0) {
                term = low;
                for (int tries = 0; tries < 4 * k; ++tries) {
                    const int less = term & ~(1 << Draw(k));
                    if (meetsAll(less)) term = less;
                }
                for (int more = Draw(4); more > 0; --more) term |= 1 << Draw(k);
            } else {
                for (int more = 1 + Draw(6); more > 0; --more) term |= 1 << Draw(k);
            }
            current.AddElem(term);
        }
        TIntSack next;
        TIntSack final;
        b.ClearRedundantStep(&current, &next, &final);

        TIntSack expectedNext;
        TIntSack expectedFinal;
        for (int term : current) {
            int essential = 0;
            for (int c : clauses) {
                const int x = term & c;
                if (std::popcount(static_cast<unsigned>(x)) == 1) essential |= x;
            }
            const int droppable = term & ~essential;
            if (droppable == 0) expectedFinal.AddUnique(term);
            for (int a = 0; a < k; ++a) {
                if ((droppable >> a & 1) != 0) expectedNext.AddUnique(term & ~(1 << a));
            }
        }
        ASSERT_EQ(MasksOf(next), MasksOf(expectedNext));
        ASSERT_EQ(MasksOf(final), MasksOf(expectedFinal));
    }
    for (int words : {1, 2, 4, 8, 9}) EXPECT_EQ(wordCounts.count(words), 1u) << words;
    QuietMode = 0;
}
