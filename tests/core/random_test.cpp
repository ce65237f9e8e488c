#include <gtest/gtest.h>

#include "core/random.h"
#include "tests/support/fixed_clock.h"

namespace {

class RandomTest : public ::testing::Test {
protected:
    void SetUp() override { ResetRandomForTests(); }
    void TearDown() override {
        ResetRandomForTests();
        SetFixedClockSecond(-1);
    }
};

TEST_F(RandomTest, SeedOneGivesTheKnownSequence) {
    SeedRand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int v : expected) EXPECT_EQ(Rand(), v);
}

TEST_F(RandomTest, UnseededStartsAsIfSeededWithOne) {
    EXPECT_EQ(Rand(), 41);
    EXPECT_EQ(Rand(), 18467);
}

TEST_F(RandomTest, DrawsStayInFifteenBits) {
    SeedRand(12345);
    int lo = 32767, hi = 0;
    for (int i = 0; i < 200000; ++i) {
        int r = Rand();
        lo = std::min(lo, r);
        hi = std::max(hi, r);
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, RAND_MAX15);
}

TEST_F(RandomTest, RandomIntSeedsFromTheClockOnceThenScales) {
    SetFixedClockSecond(777);
    SeedRand(777);
    int r1 = Rand(), r2 = Rand();
    SeedRand(5);  // RandomInt's first call overrides any earlier state with the clock
    EXPECT_EQ(RandomInt(10), static_cast<int>(r1 / 32768.0 * 10));
    EXPECT_EQ(RandomInt(1000), static_cast<int>(r2 / 32768.0 * 1000));
    SetFixedClockSecond(1);  // seeded already: the clock is not read again
    SeedRand(1);
    EXPECT_EQ(RandomInt(32768), 41);
}

TEST_F(RandomTest, RandomIntOfZeroIsZeroAndStillDraws) {
    SetFixedClockSecond(1);
    EXPECT_EQ(RandomInt(0), 0);
    EXPECT_EQ(Rand(), 18467);
}

TEST_F(RandomTest, RandomIntStaysBelowItsBound) {
    SetFixedClockSecond(99);
    for (int i = 0; i < 100000; ++i) {
        int v = RandomInt(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
    }
}

}  // namespace
