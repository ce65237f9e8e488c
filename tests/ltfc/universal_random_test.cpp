#include <gtest/gtest.h>

#include "core/random.h"
#include "ltfc/universal_random.h"
#include "tests/ltfc/fresh_generators.h"
#include "tests/support/fixed_clock.h"

namespace {

using UniversalRandomTest = FreshGeneratorsTest;

TEST_F(UniversalRandomTest, ReproducesThePublishedTestVector) {
    RanmarInit(12, 34, 56, 78);
    for (int i = 0; i < 20000; ++i) RanmarUniform();
    const double expected[] = {6533892, 14220222, 7275067, 6172232, 8354498, 10633180};
    for (double v : expected) EXPECT_EQ(RanmarUniform() * 16777216.0, v);
}

TEST_F(UniversalRandomTest, DrawsAreTwentyFourBitFractionsBelowOne) {
    RanmarInit(1, 2, 3, 4);
    for (int i = 0; i < 100000; ++i) {
        const double x = RanmarUniform();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
        const double scaled = x * 16777216.0;
        ASSERT_EQ(scaled, static_cast<double>(static_cast<long long>(scaled)));
    }
}

// A second initialisation refills the table only: the lag indices and the carry go on from
// where the first run left them, so the same seeds give another sequence.
TEST_F(UniversalRandomTest, SecondInitialisationKeepsLagIndicesAndCarry) {
    RanmarInit(12, 34, 56, 78);
    const double first = RanmarUniform();
    RanmarInit(12, 34, 56, 78);
    const double again = RanmarUniform();
    EXPECT_NE(first, again);

    ResetRanmarForTests();
    RanmarInit(12, 34, 56, 78);
    EXPECT_EQ(RanmarUniform(), first);
}

TEST_F(UniversalRandomTest, RanmarIntTakesTheRemainderOfTheScaledDraw) {
    RanmarInit(12, 34, 56, 78);
    for (int i = 0; i < 20000; ++i) RanmarUniform();
    EXPECT_EQ(RanmarInt(1000), 6533892 % 1000);
    EXPECT_EQ(RanmarInt(7), 14220222 % 7);
    EXPECT_EQ(RanmarInt(1), 0);
    // n below 1 gives 0 but still uses up a draw.
    EXPECT_EQ(RanmarInt(0), 0);
    EXPECT_EQ(RanmarInt(-5), 0);
    EXPECT_EQ(RanmarInt(16777216), 10633180);
}

TEST_F(UniversalRandomTest, RandModUsesTheProgramGenerator) {
    SeedRand(1);
    EXPECT_EQ(RandMod(100), 41);
    EXPECT_EQ(RandMod(1000), 18467 % 1000);
    EXPECT_EQ(RandMod(0), 0);
}

TEST_F(UniversalRandomTest, RandomizeSeedsFromTheClockAndDrawsLKJIInThatOrder) {
    SetFixedClockSecond(1234567);
    SeedRand(1234567);
    const int l = Rand() % 169;
    const int k = Rand() % 177 + 2;
    const int j = Rand() % 178 + 1;
    const int i = Rand() % 178 + 1;
    const int afterSeeding = Rand();
    RanmarInit(i, j, k, l);
    double expected[5];
    for (double& v : expected) v = RanmarUniform();

    ResetRanmarForTests();
    SeedRand(99);  // whatever state the generator had is replaced by the clock's second
    RanmarRandomize();
    for (double v : expected) EXPECT_EQ(RanmarUniform(), v);
    EXPECT_EQ(Rand(), afterSeeding);
}

TEST_F(UniversalRandomTest, TheSameSecondGivesTheSameSequence) {
    SetFixedClockSecond(42);
    RanmarRandomize();
    double a[10];
    for (double& v : a) v = RanmarUniform();
    ResetRanmarForTests();
    RanmarRandomize();
    for (double v : a) EXPECT_EQ(RanmarUniform(), v);

    ResetRanmarForTests();
    SetFixedClockSecond(43);
    RanmarRandomize();
    bool differs = false;
    for (double v : a) differs = differs || RanmarUniform() != v;
    EXPECT_TRUE(differs);
}

}  // namespace
