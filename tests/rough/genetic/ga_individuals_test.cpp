#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "core/random.h"
#include "rough/genetic/ga_individuals.h"

// The draws quoted in the comments are the generator's sequence after SeedRand(1):
// 41, 18467, 6334, 26500, 19169, 15724, 11478, ...
namespace {

// The individual kinds leave Clone and Evaluate to a problem; these give them trivial ones and
// let a test set the genes.
template <class Base>
class Testable : public Base {
public:
    template <class... Args>
    explicit Testable(Args... args) : Base(args...) {}

    // Built empty (so nothing is drawn), then made equal.
    std::unique_ptr<GA_individual> Clone() const override {
        std::unique_ptr<Testable> copy;
        if constexpr (std::is_same_v<Base, GA_counts>)
            copy = std::make_unique<Testable>(0, 0, 0.0);
        else if constexpr (std::is_same_v<Base, GA_bits>)
            copy = std::make_unique<Testable>(0);
        else
            copy = std::make_unique<Testable>(0, 0);
        copy->CopyFrom(*this);
        return copy;
    }
    void Evaluate() override { this->fitness = 7.0; }
    void SetGenes(std::vector<int> values) {
        this->genes = std::move(values);
        this->n = static_cast<int>(this->genes.size());
    }
};

using Perm = Testable<GA_permutation>;
using TestBits = Testable<GA_bits>;
using TestCounts = Testable<GA_counts>;

int ErrorCodeOf(void (*action)()) {
    try {
        action();
    } catch (const GA_errors& e) {
        return e.GetCode();
    }
    return -1;
}

class GeneticIndividualTest : public ::testing::Test {
protected:
    void TearDown() override { ResetRandomForTests(); }
};

TEST_F(GeneticIndividualTest, DrawHelpersUseTheirOwnDivisorsAndModulo) {
    SeedRand(1);
    EXPECT_DOUBLE_EQ(DrawProbability(), 41 / 32767.0);
    EXPECT_DOUBLE_EQ(DrawRouletteValue(), 18467 / 32768.0);
    EXPECT_EQ(DrawIndex(7), 6334 % 7);
    // Seed 30091 draws 32767 first: a probability reaches 1.0, a roulette value stays below.
    SeedRand(30091);
    EXPECT_EQ(DrawProbability(), 1.0);
    SeedRand(30091);
    EXPECT_LT(DrawRouletteValue(), 1.0);
}

TEST_F(GeneticIndividualTest, ErrorTexts) {
    const char* texts[] = {"Unknown genetic error", "Individual not valid",
                           "Memory allocation error", "Individual allocation error",
                           "Crossing-over failed"};
    for (int code = 0; code < 5; ++code) {
        GA_errors e(code);
        EXPECT_EQ(e.GetCode(), code);
        EXPECT_STREQ(e.GetMessage(), texts[code]);
    }
}

TEST_F(GeneticIndividualTest, NewPermutationIsDrawnRightAway) {
    SeedRand(1);
    Perm p(5, 0);
    // genes 0..4; i=4: 41%5=1, i=3: 18467%4=3, i=2: 6334%3=1, i=1: 26500%2=0
    EXPECT_EQ(p.Genes(), (std::vector<int>{2, 0, 4, 3, 1}));
    EXPECT_EQ(p.GetFitness(), -1.0);
    EXPECT_EQ(p.IsInvalid(), 0);
    EXPECT_EQ(Rand(), 19169);  // exactly n-1 draws

    p.Evaluate();
    SeedRand(1);
    p.Randomize();
    EXPECT_EQ(p.Genes(), (std::vector<int>{2, 0, 4, 3, 1}));
    EXPECT_EQ(p.GetFitness(), -1.0);

    Perm single(1, 0);
    EXPECT_EQ(single.Genes(), std::vector<int>{0});
    EXPECT_EQ(single.IsInvalid(), 0);
    EXPECT_EQ(ErrorCodeOf([] { Perm bad(-1, 0); }), 2);
}

TEST_F(GeneticIndividualTest, OnePointOrderCrossover) {
    Perm a(5, 0), b(5, 0);
    a.SetGenes({0, 1, 2, 3, 4});
    b.SetGenes({4, 3, 2, 1, 0});
    a.Evaluate();
    b.Evaluate();
    SeedRand(1);
    Rand();
    a.Crossover(b);  // cut 18467 % 5 = 2
    EXPECT_EQ(a.Genes(), (std::vector<int>{0, 1, 4, 3, 2}));
    EXPECT_EQ(b.Genes(), (std::vector<int>{4, 3, 0, 1, 2}));
    EXPECT_EQ(a.GetFitness(), -1.0);
    EXPECT_EQ(b.GetFitness(), -1.0);
    EXPECT_EQ(Rand(), 6334);  // one draw

    // Cut 0 (26500 % 5): each takes the other's whole order.
    a.SetGenes({0, 1, 2, 3, 4});
    b.SetGenes({4, 0, 3, 2, 1});
    SeedRand(1);
    for (int k = 0; k < 3; ++k) Rand();
    a.Crossover(b);
    EXPECT_EQ(a.Genes(), (std::vector<int>{4, 0, 3, 2, 1}));
    EXPECT_EQ(b.Genes(), (std::vector<int>{0, 1, 2, 3, 4}));

    Perm one(1, 0), other(1, 0);
    one.Crossover(other);
    EXPECT_EQ(one.Genes(), std::vector<int>{0});
}

TEST_F(GeneticIndividualTest, CrossoverRefusesAnotherLengthOrKind) {
    EXPECT_EQ(ErrorCodeOf([] {
                  Perm a(3, 0), b(4, 0);
                  a.Crossover(b);
              }),
              4);
    EXPECT_EQ(ErrorCodeOf([] {
                  Perm a(3, 0);
                  TestBits b(3);
                  a.Crossover(b);
              }),
              4);
    EXPECT_EQ(ErrorCodeOf([] {
                  TestCounts a(3, 0, 0.5), b(2, 0, 0.5);
                  a.Crossover(b);
              }),
              4);
    EXPECT_EQ(ErrorCodeOf([] {
                  TestBits a(3), b(5);
                  a.Crossover(b);
              }),
              4);
}

TEST_F(GeneticIndividualTest, UnimplementedCrossoverModesOnlyReport) {
    for (int mode : {1, 2, 5}) {
        Perm a(4, mode), b(4, 0);
        a.SetGenes({3, 2, 1, 0});
        b.SetGenes({0, 1, 2, 3});
        a.Evaluate();
        b.Evaluate();
        SeedRand(1);
        testing::internal::CaptureStdout();
        a.Crossover(b);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  mode == 2 ? "ERROR: PMX not implemented\n" : "ERROR: OX not implemented\n");
        EXPECT_EQ(a.Genes(), (std::vector<int>{3, 2, 1, 0}));
        EXPECT_EQ(b.Genes(), (std::vector<int>{0, 1, 2, 3}));
        EXPECT_EQ(a.GetFitness(), -1.0);
        EXPECT_EQ(b.GetFitness(), -1.0);
        EXPECT_EQ(Rand(), 41);  // nothing drawn
    }
}

TEST_F(GeneticIndividualTest, PermutationMutationSwapsTwoDrawnPositions) {
    Perm p(5, 0);
    p.SetGenes({0, 1, 2, 3, 4});
    p.Evaluate();
    SeedRand(1);
    p.Mutate();  // a = 41%5 = 1, b = 18467%5 = 2
    EXPECT_EQ(p.Genes(), (std::vector<int>{0, 2, 1, 3, 4}));
    EXPECT_EQ(p.GetFitness(), -1.0);
    EXPECT_EQ(Rand(), 6334);

    // Length 1 draws the same position twice; length 0 has nothing to draw from.
    Perm one(1, 0), none(0, 0);
    SeedRand(1);
    one.Mutate();
    none.Mutate();
    none.Crossover(*std::make_unique<Perm>(0, 0));
    EXPECT_EQ(one.Genes(), std::vector<int>{0});
    EXPECT_EQ(none.IsInvalid(), 0);
    EXPECT_EQ(Rand(), 6334);
}

TEST_F(GeneticIndividualTest, PermutationValidityIsTheSumTestAlone) {
    Perm p(5, 0);
    p.SetGenes({0, 0, 3, 3, 4});  // not a permutation, but sums to 10
    EXPECT_EQ(p.IsInvalid(), 0);
    p.SetGenes({0, 1, 2, 3, 3});
    EXPECT_NE(p.IsInvalid(), 0);
}

TEST_F(GeneticIndividualTest, CompareIsLexicographic) {
    Perm a(3, 0), b(3, 0);
    a.SetGenes({0, 1, 2});
    b.SetGenes({0, 2, 1});
    EXPECT_EQ(a.Compare(b), 0);
    EXPECT_EQ(b.Compare(a), 2);
    b.SetGenes({0, 1, 2});
    EXPECT_EQ(a.Compare(b), 1);
    b.SetGenes({0, 1});
    EXPECT_EQ(a.Compare(b), 2);
    EXPECT_EQ(b.Compare(a), 0);

    TestBits x(3), y(3);
    x.SetGenes({1, 0, 1});
    y.SetGenes({1, 1, 0});
    EXPECT_EQ(x.Compare(y), 0);
    EXPECT_EQ(y.Compare(x), 2);
    EXPECT_EQ(x.Compare(x), 1);
    EXPECT_EQ(x.Compare(a), 0);  // another kind: the base answer

    TestCounts c(2, 0, 0.5), d(2, 0, 0.5);
    c.SetGenes({3, 1});
    d.SetGenes({2, 9});
    EXPECT_EQ(c.Compare(d), 2);
    d.SetGenes({3, 1});
    EXPECT_EQ(c.Compare(d), 1);
}

TEST_F(GeneticIndividualTest, CopyFromTakesGenesFitnessAndMode) {
    Perm source(3, 1), target(5, 0);
    source.SetGenes({2, 1, 0});
    source.Evaluate();
    target.CopyFrom(source);
    EXPECT_EQ(target.Genes(), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(target.Length(), 3);
    EXPECT_EQ(target.GetFitness(), 7.0);
    Perm partner(3, 0);
    testing::internal::CaptureStdout();
    target.Crossover(partner);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: OX not implemented\n");

    auto clone = source.Clone();
    EXPECT_EQ(clone->Compare(source), 1);
    EXPECT_EQ(clone->GetFitness(), 7.0);
    EXPECT_EQ(ErrorCodeOf([] {
                  Perm p(2, 0);
                  p.CopyFrom(TestBits(2));
              }),
              0);
}

TEST_F(GeneticIndividualTest, CountsStartAtOneAndMutateByProbability) {
    SeedRand(1);
    TestCounts c(3, 0, 0.5);
    // Three mutations: gene 41%3=2 with 0.5636 (down, kept at 1), gene 6334%3=1 with 0.8087
    // (down, kept at 1), gene 19169%3=2 with 0.4799 (up to 2).
    EXPECT_EQ(c.Genes(), (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(c.GetFitness(), -1.0);
    EXPECT_EQ(c.IsInvalid(), 0);
    EXPECT_EQ(Rand(), 11478);

    c.Evaluate();
    SeedRand(1);
    c.Mutate();
    c.Mutate();
    c.Mutate();  // gene 2 down to 1, gene 1 stays 1, gene 2 up to 2
    EXPECT_EQ(c.Genes(), (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(c.GetFitness(), -1.0);

    // A probability of 1.0 always increments (0.0013, 0.1933 are below it).
    SeedRand(1);
    TestCounts up(2, 0, 1.0);  // gene 41%2=1 up, gene 6334%2=0 up
    EXPECT_EQ(up.Genes(), (std::vector<int>{2, 2}));
}

TEST_F(GeneticIndividualTest, CountsCrossoverCutLaws) {
    TestCounts a(5, -1, 0.5), b(5, -1, 0.5);
    a.SetGenes({1, 2, 3, 4, 5});
    b.SetGenes({6, 7, 8, 9, 10});
    a.Evaluate();
    SeedRand(1);
    a.Crossover(b);  // r = 41%16+1 = 10, s = 4, cut 1
    EXPECT_EQ(a.Genes(), (std::vector<int>{1, 7, 8, 9, 10}));
    EXPECT_EQ(b.Genes(), (std::vector<int>{6, 2, 3, 4, 5}));
    EXPECT_EQ(a.GetFitness(), -1.0);
    a.Crossover(b);  // r = 18467%16+1 = 4, s = 2 (4 >= 4), cut 3
    EXPECT_EQ(a.Genes(), (std::vector<int>{1, 7, 8, 4, 5}));
    EXPECT_EQ(b.Genes(), (std::vector<int>{6, 2, 3, 9, 10}));

    auto cutsOf = [](int limit) {
        TestCounts x(5, limit, 0.5), y(5, limit, 0.5);
        std::vector<int> cuts;
        SeedRand(1);
        for (int k = 0; k < 2; ++k) {
            x.SetGenes({0, 0, 0, 0, 0});
            y.SetGenes({1, 1, 1, 1, 1});
            x.Crossover(y);
            int cut = 0;
            while (cut < 5 && x.Genes()[cut] == 0) ++cut;
            cuts.push_back(cut);
        }
        return cuts;
    };
    EXPECT_EQ(cutsOf(0), (std::vector<int>{2, 4}));  // 41%4+1, 18467%4+1
    EXPECT_EQ(cutsOf(9), (std::vector<int>{2, 4}));  // a limit from n on means n
    EXPECT_EQ(cutsOf(3), (std::vector<int>{2, 2}));  // 41%2+1, 18467%2+1
    // A limit of 1 leaves no position to cut at: nothing swapped, nothing drawn.
    EXPECT_EQ(cutsOf(1), (std::vector<int>{5, 5}));
    EXPECT_EQ(Rand(), 41);
}

TEST_F(GeneticIndividualTest, CountsCopyFromCarriesTheCutLaw) {
    TestCounts law(5, -1, 0.25), plain(5, 0, 0.75);
    law.SetGenes({1, 1, 1, 1, 1});
    plain.CopyFrom(law);
    TestCounts partner(5, 0, 0.5);
    partner.SetGenes({2, 2, 2, 2, 2});
    SeedRand(1);
    plain.Crossover(partner);  // square-root law: cut 1 (the even law would cut at 2)
    EXPECT_EQ(plain.Genes(), (std::vector<int>{1, 2, 2, 2, 2}));
}

TEST_F(GeneticIndividualTest, BitsDrawTheirGenesAndCut) {
    SeedRand(1);
    TestBits b(5);  // 41, 18467, 6334, 26500, 19169 & 1
    EXPECT_EQ(b.Genes(), (std::vector<int>{1, 1, 0, 0, 1}));
    EXPECT_EQ(b.IsInvalid(), 0);

    b.Evaluate();
    SeedRand(1);
    b.Mutate();  // position 41%5 = 1
    EXPECT_EQ(b.Genes(), (std::vector<int>{1, 0, 0, 0, 1}));
    EXPECT_EQ(b.GetFitness(), -1.0);

    TestBits c(5);
    b.SetGenes({1, 1, 0, 0, 1});
    c.SetGenes({0, 0, 1, 1, 0});
    SeedRand(1);
    b.Crossover(c);  // cut 41%4+1 = 2
    EXPECT_EQ(b.Genes(), (std::vector<int>{1, 1, 1, 1, 0}));
    EXPECT_EQ(c.Genes(), (std::vector<int>{0, 0, 0, 0, 1}));

    TestBits one(1), other(1);
    one.SetGenes({1});
    other.SetGenes({0});
    SeedRand(1);
    one.Crossover(other);
    EXPECT_EQ(one.Genes(), std::vector<int>{1});
    EXPECT_EQ(Rand(), 41);

    TestBits copy(2);
    copy.CopyFrom(b);
    EXPECT_EQ(copy.Genes(), b.Genes());
}

}  // namespace
