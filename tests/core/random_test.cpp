#include <gtest/gtest.h>

#include <set>
#include <vector>

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

TEST_F(RandomTest, WideDrawIsRandomIntUpToItsRange) {
    SetFixedClockSecond(4242);
    std::vector<long long> wide;
    for (long long n : {0LL, 1LL, 7LL, 1000LL, 32768LL}) wide.push_back(RandomIntWide(n));
    ResetRandomForTests();
    std::vector<long long> plain;
    for (int n : {0, 1, 7, 1000, 32768}) plain.push_back(RandomInt(n));
    EXPECT_EQ(wide, plain);
}

TEST_F(RandomTest, WideDrawCombinesDrawsHighPartFirst) {
    SetFixedClockSecond(31);
    SeedRand(31);
    const unsigned long long a = Rand(), b = Rand(), c = Rand(), d = Rand(), e = Rand(), f = Rand();
    SeedRand(5);  // the first draw seeds from the clock, as RandomInt does
    // 100,000 needs two draws: a 30-bit fraction.
    EXPECT_EQ(RandomIntWide(100000), static_cast<long long>(((a << 15 | b) * 100000ULL) >> 30));
    // 2^31 needs three: a 45-bit fraction.
    const unsigned long long r3 = (c << 30) | (d << 15) | e;
    EXPECT_EQ(RandomIntWide(1LL << 31), static_cast<long long>(r3 >> 14));
    EXPECT_EQ(Rand(), static_cast<int>(f));
}

TEST_F(RandomTest, WideDrawReachesEveryPartOfALargeRange) {
    SetFixedClockSecond(77);
    const long long n = 100000;
    std::vector<int> hits(10, 0);
    long long lo = n, hi = -1;
    std::set<long long> distinct;
    for (int i = 0; i < 200000; ++i) {
        const long long v = RandomIntWide(n);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, n);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        ++hits[static_cast<size_t>(v * 10 / n)];
        distinct.insert(v);
    }
    // One draw would reach at most 32,768 values; two reach nearly all 100,000.
    EXPECT_GT(distinct.size(), 80000u);
    EXPECT_LT(lo, 10);
    EXPECT_GT(hi, n - 10);
    for (int h : hits) EXPECT_NEAR(h, 20000, 1000);
}

// Each of RandomInt and RandomUnit seeds from the clock on its own first call, so the
// second to come repeats the first one's draw. RandomUnit reaches both 0.0 and 1.0.
TEST_F(RandomTest, RandomUnitSeedsOnItsOwnFirstCall) {
    SetFixedClockSecond(555);
    SeedRand(555);
    const int r1 = Rand(), r2 = Rand(), r3 = Rand();
    SeedRand(9);
    EXPECT_EQ(RandomInt(32768), r1);
    EXPECT_EQ(RandomInt(32768), r2);
    EXPECT_EQ(RandomUnit(), r1 / 32767.0);
    EXPECT_EQ(RandomUnit(), r2 / 32767.0);
    EXPECT_EQ(RandomInt(32768), r3);
    double lo = 1.0, hi = 0.0;
    for (int i = 0; i < 200000; ++i) {
        const double u = RandomUnit();
        lo = std::min(lo, u);
        hi = std::max(hi, u);
    }
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1.0);
}

}  // namespace
