#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/random.h"
#include "rough/reducts/subset_size.h"
#include "tests/rough/reducts/pos_reference.h"

namespace {

using SubsetSizeTest = SeededTest;

// Share of each size among many draws.
std::vector<double> Shares(int n, int k, int draws) {
    std::vector<double> share(static_cast<size_t>(std::min(n, k)) + 1, 0.0);
    for (int i = 0; i < draws; ++i) share.at(static_cast<size_t>(RandomSubsetSize(n, k))) += 1.0 / draws;
    EXPECT_EQ(share[0], 0.0);
    return share;
}

TEST_F(SubsetSizeTest, SizesWeighedByBinomialCoefficients) {
    auto all = Shares(3, 5, 70000);
    EXPECT_NEAR(all[1], 3.0 / 7, 0.01);
    EXPECT_NEAR(all[2], 3.0 / 7, 0.01);
    EXPECT_NEAR(all[3], 1.0 / 7, 0.01);
    EXPECT_NEAR(Shares(4, 2, 50000)[1], 0.4, 0.01);
    // Bounded far below the middle each size is about n / k times as likely as the one below.
    EXPECT_NEAR(Shares(5000, 100, 20000)[100], 1.0 - 100.0 / 4901, 0.01);
}

// While the sums stay finite a seeded draw is where the running sum of the exact
// coefficients reaches the unit draw scaled to their total.
TEST_F(SubsetSizeTest, SeededDrawsFollowTheExactSums) {
    for (int n : {1, 2, 9, 30}) {
        for (int k : {1, 5, n, n + 3}) {
            Pin(4000 + n * 10 + k);
            const int got = RandomSubsetSize(n, k);
            Pin(4000 + n * 10 + k);
            const int top = std::min(n, k);
            std::vector<long long> c{1};
            for (int s = 1; s <= n; ++s) c.push_back(c.back() * (n - s + 1) / s);
            long long total = k >= n ? (1LL << n) - 1 : 0;
            for (int s = 1; s <= top && k < n; ++s) total += c[static_cast<size_t>(s)];
            const double u = RandomUnit() * static_cast<double>(total);
            int expected = 1;
            for (long long sum = c[1]; expected < top && static_cast<double>(sum) < u;)
                sum += c[static_cast<size_t>(++expected)];
            EXPECT_EQ(got, expected) << n << " " << k;
        }
    }
}

// Beyond about a thousand objects the sums overflow; the sizes must still spread around n / 2
// like a binomial of n halves, and no size of table ends the process.
TEST_F(SubsetSizeTest, LargeTablesKeepTheDistribution) {
    for (int n : {1100, 20000}) {
        const int draws = 10000;
        double sum = 0.0, squares = 0.0;
        for (int i = 0; i < draws; ++i) {
            const double s = RandomSubsetSize(n, n);
            sum += s;
            squares += s * s;
        }
        const double mean = sum / draws;
        const double sd = std::sqrt(squares / draws - mean * mean);
        EXPECT_NEAR(mean, n / 2.0, 4 * std::sqrt(n) / 2 / std::sqrt(draws)) << n;
        EXPECT_NEAR(sd, std::sqrt(n) / 2, std::sqrt(n) / 20) << n;
    }
}

}  // namespace
