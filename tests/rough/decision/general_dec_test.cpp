#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/table.h"
#include "rough/decision/general_dec.h"
#include "tests/rough/table_builders.h"
#include "tests/support/literal_gen_dec.h"
#include "tests/support/test_files.h"

namespace {

std::vector<int> Elements(const TIntSack* sack) { return std::vector<int>(sack->begin(), sack->end()); }

// Runs `work` with the LOG captured; returns the error code (0 when none), message and LOG.
struct Outcome {
    int code = 0;
    std::string message;
    std::string log;
};

Outcome Capture(const std::function<void()>& work) {
    Outcome r;
    LogCapture log;
    try {
        work();
    } catch (const Error& e) {
        r.code = e.GetCode();
        r.message = e.GetMessage();
    }
    r.log = log.Text();
    return r;
}

void ExpectCheckFailure(const Outcome& r, const std::string& line) {
    EXPECT_EQ(r.code, 5);
    EXPECT_STREQ(r.message.c_str(), "Error: Index out of range!");
    EXPECT_EQ(r.log, line + "\n");
}

// The classes as ModifyGenDec writes them, the table given back afterwards.
std::vector<int> Classes(TGeneralDec& g, TTable& t) {
    g.ModifyGenDec(&t);
    std::vector<int> classes = Column(t, t.GetNoAttr() - 1);
    g.ReconstructOrigDec(&t);
    return classes;
}

TEST(GeneralDec, SingleObjectIsItsOwnClass) {
    TTable t;
    FillTable(t, {{4, 7, 3}});
    TGeneralDec g;
    Outcome r = Capture([&] {
        g.CalcGenDec(&t);
        g.CreateGenDec(&t);
    });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(Elements(g.GetGenDec(0)), std::vector<int>({3}));
    EXPECT_EQ(g.GetOrigDec(0), 3);
    EXPECT_EQ(g.GetNoClasses(), 1);
    EXPECT_DOUBLE_EQ(g.CalcPositiveRegion(), 1.0);
    EXPECT_EQ(Classes(g, t), std::vector<int>({0}));
}

TEST(GeneralDec, ObjectsEqualOnConditionsShareTheirDecisions) {
    TTable t;
    FillTable(t, {{1, 1, 5}, {0, 1, 4}, {1, 1, 2}});
    TGeneralDec g;
    Capture([&] {
        g.CalcGenDec(&t);
        g.CreateGenDec(&t);
    });
    EXPECT_EQ(Elements(g.GetGenDec(0)), std::vector<int>({2, 5}));
    EXPECT_EQ(Elements(g.GetGenDec(2)), std::vector<int>({2, 5}));
    EXPECT_EQ(Elements(g.GetGenDec(1)), std::vector<int>({4}));
    EXPECT_EQ(g.GetGenDec(0)->GetStep(), 3);
    EXPECT_EQ(g.SameGenDec(0, 2), 1);
    EXPECT_EQ(g.SameGenDec(0, 1), 0);
    EXPECT_EQ(g.GetNoClasses(), 2);
    EXPECT_EQ(Classes(g, t), std::vector<int>({0, 1, 0}));
    EXPECT_DOUBLE_EQ(g.CalcPositiveRegion(), 1.0 / 3.0);
}

TEST(GeneralDec, LogsEveryNewPercentageThenOneHundredOnceMore) {
    TTable t;
    FillTable(t, {{0, 1}, {1, 1}, {2, 0}});
    TGeneralDec g;
    EXPECT_EQ(Capture([&] { g.CalcGenDec(&t); }).log,
              "Calculating generalized decision\n33%\n66%\n100%\n100%\n");

    // With more objects than percent, a percentage reached again is not repeated.
    TTable big;
    FillRandomTable(big, 3, 250, 3, 2, 2);
    std::string log = Capture([&] { g.CalcGenDec(&big); }).log;
    EXPECT_EQ(log, ComputeLiteralGenDec(big).log);
    EXPECT_EQ(log.rfind("Calculating generalized decision\n1%\n2%\n3%\n", 0), 0u);
}

// Objects 0 and 3 differ on nothing but their decisions; objects 1 and 4 differ on the
// condition yet have the same generalized decision {2}, so they are one class.
TEST(GeneralDec, ClassesAreEqualGeneralizedDecisionsNumberedByFirstObject) {
    TTable t;
    FillTable(t, {{0, 1}, {1, 2}, {2, 1}, {0, 2}, {3, 2}, {4, 1}});
    TGeneralDec g;
    Capture([&] {
        g.CalcGenDec(&t);
        g.CreateGenDec(&t);
    });
    EXPECT_EQ(g.GetNoClasses(), 3);
    EXPECT_EQ(Classes(g, t), std::vector<int>({0, 1, 2, 0, 1, 2}));
}

TEST(GeneralDec, ModifyThenReconstructLeavesTheTableAsItWas) {
    TTable t;
    FillRandomTable(t, 11, 60, 4, 2, 5);
    const std::vector<int> before = AllValues(t);
    TGeneralDec g;
    Capture([&] {
        g.CalcGenDec(&t);
        g.CreateGenDec(&t);
        g.ModifyGenDec(&t);
    });
    EXPECT_NE(AllValues(t), before);
    for (int o = 0; o < t.GetNoObj(); ++o) {
        for (int a = 0; a + 1 < t.GetNoAttr(); ++a) EXPECT_EQ(t.GetTable(o, a), before[o * 4 + a]);
    }
    Capture([&] { g.ReconstructOrigDec(&t); });
    EXPECT_EQ(AllValues(t), before);
}

TEST(GeneralDec, ChecksRefuseUninitializedOrMismatchedUse) {
    TTable t;
    FillTable(t, {{0, 1}, {1, 2}});
    TTable other;
    FillTable(other, {{0, 1}, {1, 2}, {2, 3}});
    const std::vector<int> before = AllValues(t);
    const std::string create = "Bad argument or generalized decision not initialized - TGeneralDec::CreateGenDec()";
    const std::string modify = "Bad argument or generalized decision not initialized - TGeneralDec::ModifyGenDec()";
    const std::string reconstruct = "Bad argument or generalized decision not initialized - TGeneralDec::ReconstructOrigDec";

    TGeneralDec g;
    ExpectCheckFailure(Capture([&] { g.CreateGenDec(&t); }), create);
    ExpectCheckFailure(Capture([&] { g.ModifyGenDec(&t); }), modify);
    ExpectCheckFailure(Capture([&] { g.ReconstructOrigDec(&t); }), reconstruct);
    ExpectCheckFailure(Capture([&] { g.CalcPositiveRegion(); }),
                       "Generalized decision not initialized - TGeneralDec::CalcPositiveRegion");

    Capture([&] { g.CalcGenDec(&t); });
    ExpectCheckFailure(Capture([&] { g.ModifyGenDec(&t); }), modify);  // no classes yet
    ExpectCheckFailure(Capture([&] { g.CreateGenDec(&other); }), create);
    Capture([&] { g.CreateGenDec(&t); });
    ExpectCheckFailure(Capture([&] { g.ModifyGenDec(&other); }), modify);
    ExpectCheckFailure(Capture([&] { g.ReconstructOrigDec(&other); }), reconstruct);
    EXPECT_EQ(AllValues(t), before);

    // Classes numbered for a table of another size are not written into a new one.
    Capture([&] { g.CalcGenDec(&other); });
    ExpectCheckFailure(Capture([&] { g.ModifyGenDec(&other); }), modify);
}

TEST(GeneralDec, EmptyTableComputesNothingAndCannotBeNumbered) {
    TTable t;
    TGeneralDec g;
    EXPECT_EQ(Capture([&] { g.CalcGenDec(&t); }).log, "Calculating generalized decision\n100%\n");
    ExpectCheckFailure(Capture([&] { g.CreateGenDec(&t); }),
                       "Bad argument or generalized decision not initialized - TGeneralDec::CreateGenDec()");
}

TEST(GeneralDec, TableWithoutColumnsFailsInTheTableAndLeavesNothingComputed) {
    TTable t;
    t.AddObject();
    TGeneralDec g;
    Outcome r = Capture([&] { g.CalcGenDec(&t); });
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.log, "Calculating generalized decision\nBad element number in TTable::GetTable\n");
    EXPECT_EQ(Capture([&] { g.CalcPositiveRegion(); }).code, 5);
}

// The grouped computation against the pairwise one: sacks (values, step and capacity),
// saved decisions, classes and LOG, on tables with many repeated condition vectors, with
// missing values, and with the decision as the only column.
TEST(GeneralDec, MatchesThePairwiseComputation) {
    struct Shape {
        unsigned seed;
        int objects, attributes, conditionValues, decisionValues;
    };
    for (Shape s : {Shape{1, 300, 4, 2, 3}, Shape{2, 500, 6, 3, 4}, Shape{3, 200, 3, 10, 2},
                    Shape{4, 150, 1, 1, 6}, Shape{5, 97, 8, 2, 50}, Shape{6, 1, 2, 2, 2}}) {
        SCOPED_TRACE(s.seed);
        TTable t;
        FillRandomTable(t, s.seed, s.objects, s.attributes, s.conditionValues, s.decisionValues);
        const std::vector<int> decisions = Column(t, s.attributes - 1);
        LiteralGenDec expected = ComputeLiteralGenDec(t);
        TGeneralDec g;
        Outcome r = Capture([&] {
            g.CalcGenDec(&t);
            g.CreateGenDec(&t);
        });
        ASSERT_EQ(r.code, 0);
        EXPECT_EQ(r.log, expected.log);
        for (int o = 0; o < s.objects; ++o) {
            const TIntSack& want = expected.genDec[static_cast<size_t>(o)];
            EXPECT_EQ(Elements(g.GetGenDec(o)), std::vector<int>(want.begin(), want.end()));
            EXPECT_EQ(g.GetGenDec(o)->GetCapacity(), want.GetCapacity());
            EXPECT_EQ(g.GetOrigDec(o), decisions[static_cast<size_t>(o)]);
        }
        EXPECT_EQ(g.GetNoClasses(), expected.noClasses);
        EXPECT_EQ(Classes(g, t), expected.classes);
    }
}

TEST(GeneralDec, ComputingAgainReplacesTheEarlierResult) {
    TTable a;
    FillTable(a, {{0, 1}, {0, 2}, {1, 3}});
    TTable b;
    FillTable(b, {{5, 9}, {6, 9}});
    TGeneralDec g;
    Capture([&] {
        g.CalcGenDec(&a);
        g.CreateGenDec(&a);
        g.CalcGenDec(&b);
        g.CreateGenDec(&b);
    });
    EXPECT_EQ(Elements(g.GetGenDec(0)), std::vector<int>({9}));
    EXPECT_EQ(g.GetOrigDec(1), 9);
    EXPECT_EQ(g.GetNoClasses(), 1);
    EXPECT_DOUBLE_EQ(g.CalcPositiveRegion(), 1.0);
}

TEST(ModifiedDecisionScope, GivesTheDecisionsBackWhenLeftByAnError) {
    TTable t;
    FillTable(t, {{0, 7}, {0, 8}, {1, 9}});
    const std::vector<int> before = AllValues(t);
    TGeneralDec g;
    Capture([&] {
        g.CalcGenDec(&t);
        g.CreateGenDec(&t);
    });
    int code = 0;
    try {
        ModifiedDecisionScope scope(g, &t);
        EXPECT_EQ(Column(t, 1), std::vector<int>({0, 0, 1}));
        throw CalcError(3);
    } catch (const Error& e) {
        code = e.GetCode();
    }
    EXPECT_EQ(code, 3);
    EXPECT_EQ(AllValues(t), before);

    {
        ModifiedDecisionScope scope(g, &t);
        scope.Restore();
        EXPECT_EQ(AllValues(t), before);
        t.SetTable(0, 1, 42);  // a restored scope does not write again when it ends
    }
    EXPECT_EQ(t.GetTable(0, 1), 42);
}

TEST(ModifiedDecisionScope, RefusesATableItCannotModify) {
    TTable t;
    FillTable(t, {{0, 7}});
    TGeneralDec g;
    Outcome r = Capture([&] { ModifiedDecisionScope scope(g, &t); });
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(Column(t, 1), std::vector<int>({7}));
}

}  // namespace
