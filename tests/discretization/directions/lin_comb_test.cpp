#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <utility>
#include <vector>

#include "core/error.h"
#include "discretization/directions/lin_comb.h"
#include "tests/discretization/directions/dense_tables.h"

namespace {

// A table of one condition attribute (column 0) and the decision (column 1).
TDTable ValueTable(const std::vector<std::pair<int, int>>& rows) {
    std::vector<std::vector<int>> full;
    for (const auto& [value, decision] : rows) full.push_back({value, decision});
    return DenseTable(full);
}

std::string Text(const TLinComb& c) {
    std::ostringstream out;
    out << c;
    return out.str();
}

// The coefficient of one attribute, read through the combination's value on a unit row.
double Coef(const TLinComb& c, int attribute) {
    std::vector<int> row(10, 0);
    row[static_cast<size_t>(attribute)] = 1;
    return c.GetValue(row.data(), 10);
}

double Measure(int type, const TDTable& t, double coefficient = 1.0) {
    TLinComb c(type);
    c.SetCoef(0, coefficient);
    TClassDistr distr(t, 1);
    return c.Quality(t, distr);
}

double ScaleAfter(int type, const TDTable& t, double coefficient) {
    TLinComb c(type);
    c.SetCoef(0, coefficient);
    TClassDistr distr(t, 1);
    c.Quality(t, distr);
    return c.GetScale();
}

double LogTerm(double maxAbs) { return std::log(1.0 / (maxAbs / 1000000000)); }

// Ten objects at 0 (nine of class 0, one of class 1), then 1:0, 2:0, 3:1, 4:1.
TDTable TableWithImpureBlock(int class0 = 0, int class1 = 1) {
    std::vector<std::pair<int, int>> rows;
    for (int i = 0; i < 10; ++i) rows.emplace_back(0, i == 4 ? class1 : class0);
    rows.insert(rows.end(), {{1, class0}, {2, class0}, {3, class1}, {4, class1}});
    return ValueTable(rows);
}

// ---------------------------------------------------------------------------------------

TEST(LinComb, OneAngleLessThanAttributesGivesAUnitVectorInReverseAttributeOrder) {
    TLinComb single;
    const int one[] = {4};
    single.SetAngles(1, one, nullptr);
    EXPECT_EQ(Text(single), "1 4 1 ");
    EXPECT_EQ(single.IsAxisParallel(), 1);

    const int attrs[] = {2, 5, 7};
    const double zeros[] = {0.0, 0.0};
    TLinComb flat;
    flat.SetAngles(3, attrs, zeros);
    EXPECT_EQ(Text(flat), "3 7 1 5 0 2 0 ");

    const double angles[] = {30.0, 60.0};
    TLinComb c;
    c.SetAngles(3, attrs, angles);
    EXPECT_EQ(Text(c), "3 7 0.5 5 0.75 2 0.4330127 ");
    const double length = Coef(c, 2) * Coef(c, 2) + Coef(c, 5) * Coef(c, 5) + Coef(c, 7) * Coef(c, 7);
    EXPECT_NEAR(length, 1.0, 1e-12);
    EXPECT_EQ(c.IsAxisParallel(), 0);

    // Setting angles again keeps the pairs in place and replaces the coefficients.
    const double other[] = {-45.0, 90.0};
    c.SetAngles(3, attrs, other);
    EXPECT_EQ(c.GetCount(), 3);
    EXPECT_EQ(c.GetAttr(0), 7);
    EXPECT_NEAR(Coef(c, 7), 0.0, 1e-12);
    EXPECT_NEAR(Coef(c, 5), std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(Coef(c, 2), -std::sqrt(0.5), 1e-12);
}

TEST(LinComb, TwoAndThreeAttributeAngles) {
    TLinComb c;
    c.SetAngle2(1, 3, 30.0);
    EXPECT_EQ(Text(c), "2 1 0.8660254 3 0.5 ");
    TLinComb d;
    d.SetAngles3(0, 1, 2, 30.0, 60.0);
    EXPECT_EQ(Text(d), "3 0 0.4330127 1 0.25 2 0.8660254 ");
}

TEST(LinComb, SetCoefReplacesOrAppendsAndClearEmpties) {
    TLinComb c;
    EXPECT_EQ(Text(c), "0 ");
    c.SetCoef(3, 2.0);
    c.SetCoef(1, -1.5);
    c.SetCoef(3, 4.0);
    EXPECT_EQ(Text(c), "2 3 4 1 -1.5 ");
    const int row[] = {10, 100, 1000, 2};
    EXPECT_DOUBLE_EQ(c.GetValue(row, 4), 4.0 * 2 - 1.5 * 100);
    EXPECT_DOUBLE_EQ(c.GetValue(row, 3), -1.5 * 100);  // attribute 3 lies beyond 3 columns
    c.Clear();
    EXPECT_EQ(c.GetCount(), 0);
    EXPECT_EQ(Text(c), "0 ");
}

TEST(LinComb, NormalizeGivesUnitLengthAndLeavesALengthlessCombination) {
    TLinComb c;
    c.SetCoef(0, 3.0);
    c.SetCoef(1, -4.0);
    c.Normalize();
    EXPECT_EQ(Text(c), "2 0 0.6 1 -0.8 ");
    TLinComb zero;
    zero.SetCoef(2, 0.0);
    zero.Normalize();
    EXPECT_EQ(Text(zero), "1 2 0 ");
}

TEST(LinComb, AxisParallelMeansACoefficientWithinATenThousandthOfPlusOrMinusOne) {
    auto parallel = [](double coefficient) {
        TLinComb c;
        c.SetCoef(0, 0.01);
        c.SetCoef(1, coefficient);
        return c.IsAxisParallel();
    };
    EXPECT_EQ(parallel(1.0), 1);
    EXPECT_EQ(parallel(0.99991), 1);
    EXPECT_EQ(parallel(1.00009), 1);
    EXPECT_EQ(parallel(-0.99995), 1);
    EXPECT_EQ(parallel(0.9998), 0);
    EXPECT_EQ(parallel(1.0002), 0);
    EXPECT_EQ(parallel(-1.0002), 0);
    EXPECT_EQ(parallel(0.0), 0);
}

TEST(LinComb, EqualityIsPairByPairWithinAHundredThousandth) {
    TLinComb a;
    a.SetCoef(1, 0.6);
    a.SetCoef(2, 0.8);
    TLinComb b;
    b.SetCoef(1, 0.600009);
    b.SetCoef(2, 0.799991);
    EXPECT_TRUE(a == b);
    b.SetCoef(2, 0.80002);
    EXPECT_FALSE(a == b);
    TLinComb swapped;
    swapped.SetCoef(2, 0.8);
    swapped.SetCoef(1, 0.6);
    EXPECT_FALSE(a == swapped);
    TLinComb shorter;
    shorter.SetCoef(1, 0.6);
    EXPECT_FALSE(a == shorter);
    EXPECT_TRUE(TLinComb() == TLinComb(3));
}

TEST(LinComb, OutputUsesSevenSignificantDigits) {
    TLinComb c;
    c.SetCoef(0, 1.0 / 3);
    c.SetCoef(12, 6.123233995736766e-17);
    c.SetCoef(5, 123456789.0);
    EXPECT_EQ(Text(c), "3 0 0.3333333 12 6.123234e-17 5 1.234568e+08 ");
}

TEST(LinComb, CopiesAndAssignmentsAreDeepAndCarryTheMeasure) {
    TLinComb original(1);
    original.SetCoef(0, 0.5);
    TLinComb copy(original);
    original.SetCoef(0, 0.25);
    original.SetCoef(1, 0.75);
    EXPECT_EQ(Text(copy), "1 0 0.5 ");
    EXPECT_EQ(copy.GetMeasureType(), 1);

    const TDTable t = ValueTable({{0, 0}, {1, 0}, {3, 1}});
    TLinComb judged(3);
    judged.SetCoef(0, 0.5);
    judged.Quality(t, TClassDistr(t, 1));
    TLinComb target;
    target = judged;
    EXPECT_EQ(target.GetMeasureType(), 3);
    EXPECT_EQ(target.GetScale(), judged.GetScale());
    EXPECT_EQ(Text(target), "1 0 0.5 ");
}

TEST(LinComb, IntegerValuesAreScaledByTheLastMeasureAndTruncated) {
    TLinComb c;
    c.SetCoef(0, 0.5);
    const int row[] = {7, 0};
    const int negative[] = {-7, 0};
    EXPECT_EQ(c.GetIntValue(row, 2), 3);  // scale 1 before any measure
    EXPECT_EQ(c.GetIntValue(negative, 2), -3);

    // Gaps of 0.5 between classes: scale 1 / 0.5 + 1 = 3.
    const TDTable t = ValueTable({{0, 0}, {1, 1}, {3, 0}});
    c.Quality(t, TClassDistr(t, 1));
    EXPECT_EQ(c.GetScale(), 3.0);
    EXPECT_EQ(c.GetIntValue(row, 2), 10);  // 3.5 x 3 = 10.5
    EXPECT_EQ(c.GetIntValue(negative, 2), -10);

    TDTable target(3, 3);
    for (int o = 0; o < 3; ++o) target.Set(o, 2, 99);
    c.FillColumn(t, target, 1);
    EXPECT_EQ(target.Get(0, 1), 0);
    EXPECT_EQ(target.Get(1, 1), 1);  // 0.5 x 3
    EXPECT_EQ(target.Get(2, 1), 4);  // 1.5 x 3
    EXPECT_EQ(target.Get(2, 2), 99);
}

TEST(LinComb, AnInfiniteScaleClampsIntegerValues) {
    // The merge measure of a lone tie at the end has a smallest gap of 0.
    const TDTable t = ValueTable({{0, 0}, {5, 0}, {5, 1}});
    TLinComb c(3);
    c.SetCoef(0, 1.0);
    c.Quality(t, TClassDistr(t, 1));
    ASSERT_TRUE(std::isinf(c.GetScale()));
    const int positive[] = {5, 0};
    const int negative[] = {-5, 0};
    const int zero[] = {0, 0};
    EXPECT_EQ(c.GetIntValue(positive, 2), std::numeric_limits<int>::max());
    EXPECT_EQ(c.GetIntValue(negative, 2), std::numeric_limits<int>::min());
    EXPECT_EQ(c.GetIntValue(zero, 2), 0);
}

// ---------------------------------------------------------------------------------------

TEST(ProjectionSort, EqualProjectionsComeOutAsTheMiddlePivotQuicksortLeavesThem) {
    // Keys 1 0 1 0 1. Partition around 1: exchange 0<->4, then 2<->3; left part 4 1 3 is
    // partitioned around 0 (exchange 4<->3), right part 2 0 around 1 (exchange). A stable
    // sort would give 1 3 0 2 4.
    const TDTable t = ValueTable({{1, 0}, {0, 0}, {1, 0}, {0, 0}, {1, 0}});
    TLinComb c;
    c.SetCoef(0, 1.0);
    int perm[] = {0, 1, 2, 3, 4};
    EXPECT_EQ(c.SortObjects(t, perm), 1);
    EXPECT_EQ(std::vector<int>(perm, perm + 5), (std::vector<int>{3, 1, 4, 0, 2}));

    // Already in order: the pivot only meets itself, nothing is exchanged.
    const TDTable sorted = ValueTable({{0, 0}, {1, 0}, {2, 0}});
    int identity[] = {0, 1, 2};
    EXPECT_EQ(c.SortObjects(sorted, identity), 0);
    EXPECT_EQ(std::vector<int>(identity, identity + 3), (std::vector<int>{0, 1, 2}));

    // The projection decides, not the raw value: a negative coefficient reverses the order.
    TLinComb reverse;
    reverse.SetCoef(0, -1.0);
    int order[] = {0, 1, 2};
    EXPECT_EQ(reverse.SortObjects(sorted, order), 1);
    EXPECT_EQ(std::vector<int>(order, order + 3), (std::vector<int>{2, 1, 0}));
}

TEST(ProjectionSort, LargeInputsSortWithoutDeepRecursion) {
    // Many equal keys and a descending run: the worst shapes for a naive quicksort.
    const int n = 200000;
    TDTable t(n, 2);
    for (int o = 0; o < n; ++o) {
        t.Set(o, 0, o % 2 == 0 ? 7 : n - o);
        t.Set(o, 1, 0);
    }
    TLinComb c;
    c.SetCoef(0, 1.0);
    std::vector<int> perm(static_cast<size_t>(n));
    for (int o = 0; o < n; ++o) perm[static_cast<size_t>(o)] = o;
    c.SortObjects(t, perm.data());
    for (int i = 1; i < n; ++i) {
        ASSERT_LE(t.Get(perm[static_cast<size_t>(i) - 1], 0), t.Get(perm[static_cast<size_t>(i)], 0));
    }
}

TEST(Purity, ShareOfTheFirstLargestClassWhenItReachesTheThreshold) {
    int cls = 7;
    const double none[] = {0, 0};
    EXPECT_EQ(TProjection::Purity(none, 2, cls, 0.9), 0.0);
    EXPECT_EQ(cls, -1);
    const double half[] = {3, 3};
    EXPECT_EQ(TProjection::Purity(half, 2, cls, 0.9), 0.0);
    EXPECT_EQ(cls, -1);
    EXPECT_EQ(TProjection::Purity(half, 2, cls, 0.5), 0.5);
    EXPECT_EQ(cls, 0);
    const double ninety[] = {1, 9, 0};
    EXPECT_EQ(TProjection::Purity(ninety, 3, cls, 0.9), 0.9);
    EXPECT_EQ(cls, 1);
    const double pure[] = {0, 0, 4};
    EXPECT_EQ(TProjection::Purity(pure, 3, cls, 0.9), 1.0);
    EXPECT_EQ(cls, 2);
}

// ---------------------------------------------------------------------------------------
// The measures on hand-computed projections.

TEST(GapMeasure, MeanNumberOfSeparatedPairsOverTheRange) {
    // 0:0 1:1 3:0. A cut in [0,1] separates one pair of different classes, a cut in [1,3] one.
    const TDTable t = ValueTable({{0, 0}, {1, 1}, {3, 0}});
    EXPECT_DOUBLE_EQ(Measure(1, t), 1.0);
    EXPECT_EQ(ScaleAfter(1, t, 1.0), 2.0);
    // Halved projections: the same mean; the smallest gap between classes, 0.5, sets the scale.
    EXPECT_DOUBLE_EQ(Measure(1, t, 0.5), 1.0);
    EXPECT_EQ(ScaleAfter(1, t, 0.5), 3.0);
    // A narrower gap inside one class does not set the scale: 0:0 0.25:0 0.75:1.
    EXPECT_EQ(ScaleAfter(1, ValueTable({{0, 0}, {1, 0}, {3, 1}}), 0.25), 3.0);
}

TEST(GapMeasure, TiesOfDifferentClassesAddNoLength) {
    // Sorted 0:0 1:1 1:0 2:1; both cuts separate two pairs.
    const TDTable t = ValueTable({{0, 0}, {1, 0}, {1, 1}, {2, 1}});
    EXPECT_DOUBLE_EQ(Measure(1, t), 2.0);
    // Pairs across the four cuts of the impure-block table: 20, 21, 22, 11 over a range of 4.
    EXPECT_DOUBLE_EQ(Measure(1, TableWithImpureBlock()), 18.5);
    EXPECT_DOUBLE_EQ(Measure(1, TableWithImpureBlock(), 0.5), 18.5);
    EXPECT_EQ(ScaleAfter(1, TableWithImpureBlock(), 0.5), 3.0);
}

TEST(RunsMeasure, SquaredSizesOfSingleClassRuns) {
    // Runs 0 0 | 1 1: 2^2 + 2^2, smallest boundary gap 1.
    const TDTable t = ValueTable({{0, 0}, {1, 0}, {2, 1}, {3, 1}});
    EXPECT_DOUBLE_EQ(Measure(2, t), (LogTerm(3) + 50) * 8);
    EXPECT_EQ(ScaleAfter(2, t, 1.0), 2.0);
    // Halved: the boundary gap 0.5 enters the logarithm and the scale.
    EXPECT_DOUBLE_EQ(Measure(2, t, 0.5), (std::log(0.5 / (1.5 / 1000000000)) + 50) * 8);
    EXPECT_EQ(ScaleAfter(2, t, 0.5), 3.0);
    // Every measure type other than 1 and 3 is this one.
    EXPECT_DOUBLE_EQ(Measure(0, t), Measure(2, t));
    EXPECT_DOUBLE_EQ(Measure(7, t), Measure(2, t));
}

TEST(RunsMeasure, AnImpureTieEndsTheRunBeforeIt) {
    // Sorted 0:0 1:1 1:0 2:1: the run 0:0 counts 1; the tie is impure; 2:1 counts 1.
    const TDTable t = ValueTable({{0, 0}, {1, 0}, {1, 1}, {2, 1}});
    EXPECT_DOUBLE_EQ(Measure(2, t), (LogTerm(2) + 50) * 2);
    // The impure block of ten ties counts nothing; 1:0 2:0 counts 2^2, 3:1 4:1 counts 2^2.
    EXPECT_DOUBLE_EQ(Measure(2, TableWithImpureBlock()), (LogTerm(4) + 50) * 8);
}

TEST(MergeMeasure, PureBlocksJudgedByAccuracyAndSize) {
    // Runs 0:0 1:0 | 2:1 | 3:1, the last merged into the block before it. Two blocks of two:
    // penalty (1 - 1/3)^2, accuracy 1 in both classes.
    const TDTable t = ValueTable({{0, 0}, {1, 0}, {2, 1}, {3, 1}});
    EXPECT_NEAR(Measure(3, t), 1000 * (1 - 4.0 / 9) + LogTerm(3) / 10, 1e-9);
    EXPECT_EQ(ScaleAfter(3, t, 1.0), 2.0);
}

TEST(MergeMeasure, AnImpureBlockCountsItsErrors) {
    // The first run (the ten ties and 1:0) holds 10 of class 0 and 1 of class 1, purity 10/11:
    // finished as class 0 with one error. Then 2:0 alone, and 3:1 4:1 merged.
    const double expected = 1000 * std::sqrt(0.75) * (1 - 48.0 / 169) + LogTerm(4) / 10;
    EXPECT_NEAR(Measure(3, TableWithImpureBlock()), expected, 1e-9);
    // Decisions are labels: other values in the same order judge the same.
    EXPECT_NEAR(Measure(3, TableWithImpureBlock(8, 3)), expected, 1e-9);
    EXPECT_DOUBLE_EQ(Measure(2, TableWithImpureBlock(8, 3)), Measure(2, TableWithImpureBlock()));
    EXPECT_DOUBLE_EQ(Measure(1, TableWithImpureBlock(8, 3)), 18.5);
}

TEST(MergeMeasure, TheOrderOfTiesDecidesWhichRunTheirFirstObjectEnds) {
    // 0:0, then 1:0 1:1 1:1, then 2:1. The quicksort puts a class-1 tie first, so the runs are
    // 0:0 1:1 (impure) and 1:1 1:0 2:1 (impure), which merge into one block of purity 0: no
    // accuracy term is left. (Had 1:0 come first, two pure blocks would score over 600.)
    const TDTable t = ValueTable({{0, 0}, {1, 0}, {1, 1}, {1, 1}, {2, 1}});
    EXPECT_NEAR(Measure(3, t), LogTerm(2) / 10, 1e-12);
}

TEST(MergeMeasure, ALoneTieAtTheEndGivesMinusInfinity) {
    const TDTable t = ValueTable({{0, 0}, {5, 0}, {5, 1}});
    const double q = Measure(3, t);
    EXPECT_TRUE(std::isinf(q) && q < 0);
}

TEST(Measures, NothingToSeparateJudgesZero) {
    const TDTable zeros = ValueTable({{0, 0}, {0, 1}, {0, 0}});
    const TDTable one = ValueTable({{4, 1}});
    for (int type : {1, 2, 3}) {
        EXPECT_EQ(Measure(type, zeros), 0.0) << type;
        EXPECT_EQ(Measure(type, ValueTable({{3, 0}, {5, 1}}), 0.0), 0.0) << type;
        EXPECT_EQ(Measure(type, one), 0.0) << type;
        EXPECT_EQ(ScaleAfter(type, zeros, 1.0), 2.0) << type;
    }
    // One class: no pair to separate for the gap measure.
    EXPECT_EQ(Measure(1, ValueTable({{1, 2}, {2, 2}, {4, 2}})), 0.0);
}

TEST(Measures, EveryEvaluationSortsFromTheIdentity) {
    const TDTable iris = Iris();
    ASSERT_EQ(iris.GetObjCount(), 150);
    const TClassDistr distr(iris, 4);
    for (int type : {1, 2, 3}) {
        TLinComb a(type);
        a.SetCoef(0, 0.6);
        a.SetCoef(1, -0.8);
        TLinComb fresh(a);
        const double first = a.Quality(iris, distr);
        TLinComb b(type);
        b.SetCoef(2, 1.0);
        b.Quality(iris, distr);
        a.SetCoef(3, 0.0);  // same projections, after another order was sorted
        EXPECT_EQ(a.Quality(iris, distr), first) << type;
        EXPECT_EQ(fresh.Quality(iris, distr), first) << type;
    }
}

TEST(ClassDistr, CountsTheDistinctDecisionsInAscendingOrder) {
    const TDTable t = ValueTable({{0, 7}, {0, 3}, {0, 7}, {0, 9}});
    const TClassDistr d(t, 1);
    EXPECT_EQ(d.GetDecAttr(), 1);
    ASSERT_EQ(d.GetSlotCount(), 3);
    EXPECT_EQ(d.GetSlotValue(0), 3);
    EXPECT_EQ(d.GetSlotObjects(0), 1);
    EXPECT_EQ(d.GetSlotValue(1), 7);
    EXPECT_EQ(d.GetSlotObjects(1), 2);
    EXPECT_EQ(d.SlotOf(9), 2);
    try {
        d.SlotOf(5);
        ADD_FAILURE() << "a value the table does not hold has no slot";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 10);
    }
}

TEST(ClassDistr, RefusesNegativeAndMissingDecisions) {
    for (int bad : {-1, TDTable::kMissing}) {
        const TDTable t = ValueTable({{0, 1}, {0, bad}});
        try {
            TClassDistr d(t, 1);
            ADD_FAILURE() << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 10);
        }
    }
}

}  // namespace
