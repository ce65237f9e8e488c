#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "core/random.h"
#include "discretization/directions/evolution_strategy.h"
#include "discretization/directions/lin_comb_maker.h"
#include "tests/discretization/directions/dense_tables.h"
#include "tests/support/test_files.h"

namespace {

// The evolution strategy needs a problem to evaluate against: a direction search over iris.
class EvolutionStrategy : public ::testing::Test {
protected:
    TDTable iris = Iris();
    TClassDistr distr{iris, 4};
    TDirSearch search{iris, distr};
    TLinComb combination{2};

    void Use(std::vector<int> subset) {
        search.Prepare(combination, subset.data(), static_cast<int>(subset.size()));
    }
};

TEST(GaussRandom, BoxMullerOverTwoDraws) {
    // The generator seeded with 1 draws 41 and then 18467.
    SeedRand(1);
    const double expected =
        std::sqrt(-2 * std::log(41 / 32768.0)) * std::cos(6.28318 * 18467 / 32768.0) * 2.5;
    EXPECT_DOUBLE_EQ(GaussRandom(2.5), expected);
}

TEST(GaussRandom, AZeroFirstDrawIsDrawnAgain) {
    unsigned seed = 0;
    for (;; ++seed) {
        SeedRand(seed);
        if (Rand() == 0) break;
    }
    SeedRand(seed);
    std::vector<int> draws;
    for (int i = 0; i < 4; ++i) draws.push_back(Rand());
    ASSERT_EQ(draws[0], 0);
    ASSERT_NE(draws[1], 0);

    SeedRand(seed);
    const double value = GaussRandom(1.0);
    EXPECT_TRUE(std::isfinite(value));
    EXPECT_DOUBLE_EQ(value, std::sqrt(-2 * std::log(draws[1] / 32768.0)) *
                                std::cos(6.28318 * draws[2] / 32768.0));
    EXPECT_EQ(Rand(), draws[3]);  // exactly three draws were used
}

TEST(SortIndexByFitness, DescendingWithEqualFitnessInTheirFormerOrder) {
    const double fitness[] = {1.0, 3.0, 3.0, 2.0, 3.0, -1.0};
    int index[6];
    SortIndexByFitness(fitness, index, 6);
    EXPECT_EQ(std::vector<int>(index, index + 6), (std::vector<int>{1, 2, 4, 3, 0, 5}));
}

TEST_F(EvolutionStrategy, ARandomIndividualHasAnglesInRangeStepsOfSixtyAndItsFitness) {
    Use({3, 1, 0});
    SeedRand(7);
    ES_individual one(&search);
    ASSERT_EQ(one.GetAngleCount(), 2);
    for (int j = 0; j < 2; ++j) {
        EXPECT_GE(one.GetAngle(j), -90.0);
        EXPECT_LT(one.GetAngle(j), 90.0);
        EXPECT_EQ(one.GetSigma(j), 60.0);
    }
    EXPECT_EQ(one.MeanSigma(), 60.0);
    EXPECT_EQ(one.GetFitness(), one.Fitness());
    // The first draw places the first angle.
    SeedRand(7);
    EXPECT_EQ(one.GetAngle(0), Rand() / 32768.0 * 180.0 - 90.0);
}

TEST_F(EvolutionStrategy, MutationKeepsAnglesInRangeAndStepsAtMostTheRange) {
    Use({3, 2, 1, 0});
    SeedRand(11);
    ES_individual one(&search);
    bool grew = false;
    for (int round = 0; round < 300; ++round) {
        one.Mutate();
        for (int j = 0; j < one.GetAngleCount(); ++j) {
            ASSERT_GE(one.GetAngle(j), -90.0);
            ASSERT_LE(one.GetAngle(j), 90.0);
            ASSERT_GT(one.GetSigma(j), 0.0);
            ASSERT_LE(one.GetSigma(j), 180.0);
            grew = grew || one.GetSigma(j) == 180.0;
        }
        ASSERT_EQ(one.GetFitness(), one.Fitness());
    }
    EXPECT_TRUE(grew) << "a step size never reached the cap in 300 mutations";
}

TEST_F(EvolutionStrategy, CrossoverTakesEachAngleWithItsStepFromOneParentByOneDraw) {
    Use({3, 2, 1, 0});
    SeedRand(3);
    ES_individual first(&search);
    ES_individual second(&search);
    first.Mutate();  // different step sizes from the second parent
    SeedRand(99);
    std::vector<int> bits;
    for (int j = 0; j < 3; ++j) bits.push_back(Rand() & 1);
    const int after = Rand();
    SeedRand(99);
    ES_individual child(first, second);
    for (int j = 0; j < 3; ++j) {
        const ES_individual& from = bits[static_cast<size_t>(j)] ? first : second;
        EXPECT_EQ(child.GetAngle(j), from.GetAngle(j)) << j;
        EXPECT_EQ(child.GetSigma(j), from.GetSigma(j)) << j;
    }
    EXPECT_EQ(Rand(), after);
    EXPECT_EQ(child.GetFitness(), child.Fitness());

    ES_individual copy(child);
    EXPECT_EQ(copy.GetAngle(2), child.GetAngle(2));
    EXPECT_EQ(copy.GetFitness(), child.GetFitness());
}

TEST_F(EvolutionStrategy, OneAttributeHasNoAnglesAndNothingToMutate) {
    Use({2});
    ES_population population(&search, 3);
    const double fitness = population.GetBest().GetFitness();
    EXPECT_EQ(population.GetBest().GetAngleCount(), 0);
    EXPECT_EQ(population.GetBest().MeanSigma(), 0.0);
    for (int g = 0; g < 5; ++g) population.Generation();
    for (int i = 0; i < population.GetSize(); ++i) EXPECT_EQ(population.Get(i).GetFitness(), fitness);
    std::ostringstream out;
    out << population.GetBest();
    std::ostringstream value;
    value << fitness;
    EXPECT_EQ(out.str(), "= " + value.str());
}

TEST_F(EvolutionStrategy, GenerationsKeepTheBestSortedFirstAndNeverLoseIt) {
    Use({3, 2, 0});
    SeedRand(5);
    ES_population population(&search, 9);
    double best = population.GetBest().GetFitness();
    for (int g = 0; g < 30; ++g) {
        population.Generation();
        ASSERT_EQ(population.GetSize(), 9);
        for (int i = 1; i < 9; ++i) {
            ASSERT_GE(population.Get(i - 1).GetFitness(), population.Get(i).GetFitness());
        }
        ASSERT_GE(population.GetBest().GetFitness(), best);
        best = population.GetBest().GetFitness();
    }
}

TEST_F(EvolutionStrategy, PrintListsTheIndividualsOnStandardOutput) {
    Use({1, 0});
    SeedRand(2);
    ES_population population(&search, 3);
    testing::internal::CaptureStdout();
    population.Print();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::vector<std::string> lines = TextLines(out);
    ASSERT_EQ(lines.size(), 4u) << out;
    EXPECT_EQ(lines[0], "Osobniki najlepsze, kolejno:");
    for (int i = 0; i < 3; ++i) {
        // One angle of two attributes, its initial step of 60, then the fitness.
        std::istringstream line(lines[static_cast<size_t>(i) + 1]);
        double angle = 0.0;
        double fitness = 0.0;
        std::string step;
        std::string equals;
        ASSERT_TRUE(line >> angle >> step >> equals >> fitness) << lines[static_cast<size_t>(i) + 1];
        EXPECT_EQ(step, "(60)");
        EXPECT_EQ(equals, "=");
        // Six significant digits, the stream's default.
        EXPECT_NEAR(angle, population.Get(i).GetAngle(0), 1e-3);
        const double f = population.Get(i).GetFitness();
        EXPECT_NEAR(fitness, f, std::fabs(f) * 1e-5);
    }
}

}  // namespace
