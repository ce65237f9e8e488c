#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/random.h"
#include "rough/genetic/ga_individuals.h"
#include "tests/support/fixed_points_individual.h"

// The engine is driven with an individual that draws nothing itself and writes every call the
// engine makes into a journal, so that a test sees the engine's own draws and their order.
// Draw values quoted in comments come from the generator's sequence for the seed named.
namespace {

struct Journal {
    std::vector<std::string> events;
    int nextValue = 0;
    int live = 0;
    int clonesLeft = -1;               // -1: clones never fail; 0: the next clone is null
    std::map<int, double> fitnessOf;   // default: the value itself
    std::set<int> invalid;
};

class Tag : public GA_individual {
public:
    Tag(Journal* journal, int value) : journal(journal), value(value) { ++journal->live; }
    ~Tag() override { --journal->live; }
    int Value() const { return value; }

    std::unique_ptr<GA_individual> Clone() const override {
        Note("C", value);
        if (journal->clonesLeft == 0) return nullptr;
        if (journal->clonesLeft > 0) --journal->clonesLeft;
        auto copy = std::make_unique<Tag>(journal, value);
        copy->fitness = fitness;
        return copy;
    }
    void CopyFrom(const GA_individual& other) override {
        const Tag& tag = dynamic_cast<const Tag&>(other);
        value = tag.value;
        fitness = tag.fitness;
    }
    void Mutate() override {
        Note("M", value);
        value += 100;
        fitness = -1.0;
    }
    void Randomize() override {
        const int fresh = journal->nextValue++;
        Note("R", value, fresh);
        value = fresh;
        fitness = -1.0;
    }
    void Crossover(GA_individual& partner) override {
        Tag& other = dynamic_cast<Tag&>(partner);
        Note("X", value, other.value);
        fitness = -1.0;
        other.fitness = -1.0;
    }
    void Evaluate() override {
        Note("E", value);
        auto it = journal->fitnessOf.find(value);
        fitness = it == journal->fitnessOf.end() ? value : it->second;
    }
    int IsInvalid() const override { return static_cast<int>(journal->invalid.count(value)); }
    int Compare(const GA_individual& other) const override {
        const int v = dynamic_cast<const Tag&>(other).value;
        Note("K", value, v);
        return value < v ? 0 : value == v ? 1 : 2;
    }

private:
    void Note(const char* what, int a, int b = -1) const {
        std::string event = what + std::to_string(a);
        if (b >= 0) event += (*what == 'R' ? ">" : "/") + std::to_string(b);
        journal->events.push_back(event);
    }

    Journal* journal;
    int value;
};

using Events = std::vector<std::string>;

class GeneticPopulationTest : public ::testing::Test {
protected:
    void TearDown() override { ResetRandomForTests(); }

    // A population of Tags 0..size-1 (Init randomizes the clones in order), journal cleared.
    void Start(int size, int bestSize, double mutation, double crossover, double reinit,
               int elite = 0, int selection = 0, int evaluateAlways = 0) {
        population.SetParams(mutation, crossover, reinit, elite, selection, evaluateAlways);
        population.Init(std::make_unique<Tag>(&journal, 99), size, bestSize);
        journal.events.clear();
    }

    // Runs one generation from the seed and returns what it did.
    Events Run(unsigned seed) {
        journal.events.clear();
        SeedRand(seed);
        population.Generation();
        return journal.events;
    }

    std::vector<int> BestValues(int slots) const {
        std::vector<int> values;
        for (int i = 0; i < slots; ++i) {
            const GA_individual* best = population.GetBest(i);
            values.push_back(best ? dynamic_cast<const Tag*>(best)->Value() : -1);
        }
        return values;
    }

    static Events Last(const Events& events, size_t count) {
        return Events(events.end() - static_cast<long>(count), events.end());
    }

    static Events Only(const Events& events, char kind) {
        Events kept;
        for (const auto& e : events)
            if (e[0] == kind) kept.push_back(e);
        return kept;
    }

    static int ErrorCode(GA_population& p) {
        try {
            p.Generation();
        } catch (const GA_errors& e) {
            return e.GetCode();
        }
        return -1;
    }

    Journal journal;
    GA_population population;
};

TEST_F(GeneticPopulationTest, InitClonesAndRandomizesEachMemberAndOwnsThePrototype) {
    EXPECT_EQ(population.GetBest(0), nullptr);
    EXPECT_EQ(ErrorCode(population), 0);  // no population yet

    population.SetParams(0.0, 0.0, 0.0, 0, 0, 0);
    population.Init(std::make_unique<Tag>(&journal, 99), 3, 2);
    EXPECT_EQ(journal.events, (Events{"C99", "R99>0", "C99", "R99>1", "C99", "R99>2"}));
    EXPECT_EQ(journal.live, 3);
    EXPECT_EQ(BestValues(2), (std::vector<int>{-1, -1}));
    EXPECT_EQ(population.GetBest(2), nullptr);
    EXPECT_EQ(population.GetBest(-1), nullptr);

    // A second Init is refused and changes nothing, but still disposes of its prototype.
    try {
        population.Init(std::make_unique<Tag>(&journal, 50), 5, 1);
        ADD_FAILURE() << "second Init accepted";
    } catch (const GA_errors& e) {
        EXPECT_EQ(e.GetCode(), 0);
    }
    EXPECT_EQ(journal.live, 3);
    EXPECT_EQ(Only(Run(1), 'E'), (Events{"E0", "E1", "E2"}));

    GA_population other;
    EXPECT_THROW(other.Init(nullptr, 2, 1), GA_errors);
}

TEST_F(GeneticPopulationTest, OneGenerationFollowsTheDrawsInOrder) {
    Start(3, 2, 0.2, 0.6, 0.3);
    // Seed 34 draws 149, 12717, 6028, 1389, 31870, 14234, 15884, 31062, 14788, 18186, 824,
    // 29598, 200, 5800, 21407.
    // member 0: 0.0045 < 0.6 crosses; partner 12717%3 = 0 is itself, redrawn 6028%3 = 1;
    //           reinitialisation 0.0424 < 0.3.
    // member 1: 0.9726 no crossover, 0.4344 no reinitialisation.
    // member 2: 0.4848 crosses with 31062%3 = 0; 0.4513 no reinitialisation.
    // mutations: 3 x 0.2 = 0.6 < 1, drawn 0.5550 < 0.6: one, on member 824%3 = 2.
    // fitness 3, 1, 102: the best list takes 3, then 1 behind it, then 102 in front.
    // scaling: avg 35.33, max 102 -> 18.20, 17.14, 70.67; cumulative 0.1717, 0.3333, 1.
    // roulette: 0.9033 -> 2, 0.0061 -> 0, 0.1770 -> 1 (unscaled it would be 2).
    EXPECT_EQ(Run(34), (Events{"X0/1", "R0>3", "X2/3", "M2", "E3", "E1", "E102", "C3", "C1",
                               "C102", "C102", "C3", "C1"}));
    EXPECT_EQ(BestValues(2), (std::vector<int>{102, 3}));
    EXPECT_EQ(population.GetBest(0)->GetFitness(), 102.0);
    EXPECT_EQ(Rand(), 21407);  // nothing else was drawn
}

TEST_F(GeneticPopulationTest, MutationCountBelowOneIsAProbability) {
    // 10 members at 0.02: m = 0.2. Seed 4's 21st draw is 0.0336: one mutation, on 28279%10 = 9.
    Start(10, 1, 0.02, 0.0, 0.0);
    EXPECT_EQ(Only(Run(4), 'M'), Events{"M9"});
    // Seed 1's 21st draw is 0.9885: none.
    EXPECT_EQ(Only(Run(1), 'M'), Events{});
}

TEST_F(GeneticPopulationTest, MutationCountFromOneUpIsNotDrawn) {
    // 4 x 0.6 = 2.4: mutations for k = 0, 1, 2 on 26962%4, 24464%4, 5705%4 (seed 1's 9th to
    // 11th draws, right after the eight operator draws).
    Start(4, 1, 0.6, 0.0, 0.0);
    EXPECT_EQ(Only(Run(1), 'M'), (Events{"M2", "M0", "M1"}));

    GA_population exact;
    exact.SetParams(0.25, 0.0, 0.0, 0, 0, 0);  // 4 x 0.25 = 1.0: one, no probability draw
    exact.Init(std::make_unique<Tag>(&journal, 99), 4, 1);
    journal.events.clear();
    SeedRand(1);
    exact.Generation();
    EXPECT_EQ(Only(journal.events, 'M'), Events{"M6"});  // its members are 4..7
}

TEST_F(GeneticPopulationTest, ScalingOnlyWhenTheAverageIsBelowTheBest) {
    // All 0.0: nothing to scale, nothing to draw on, member 0 everywhere. Draws: 6 + 1.
    journal.fitnessOf = {{0, 0.0}, {1, 0.0}, {2, 0.0}};
    Start(3, 2, 0.0, 0.0, 0.0);
    EXPECT_EQ(Run(1), (Events{"E0", "E1", "E2", "C0", "K1/0", "C1", "C0", "C0", "C0"}));
    EXPECT_EQ(Rand(), 29358);  // seed 1's 8th draw: the roulette drew nothing
}

TEST_F(GeneticPopulationTest, EqualFitnessIsLeftUnscaled) {
    // avg = max = 5: the values stay, cumulative 1/3, 2/3, 1; seed 34's roulette draws 0.9479,
    // 0.4513, 0.5550 pick 2, 1, 1.
    journal.fitnessOf = {{0, 5.0}, {1, 5.0}, {2, 5.0}};
    Start(3, 1, 0.0, 0.0, 0.0);
    EXPECT_EQ(Last(Run(34), 3), (Events{"C2", "C1", "C1"}));
}

TEST_F(GeneticPopulationTest, RankSelectionWeighsBySortedPosition) {
    // Seed 182's roulette draws (after 8 operator draws and the mutation draw): 0.7866,
    // 0.3571, 0.1022, 0.9986.
    // Fitness 7, 2, 9, 0 -> weights 3, 2, 4, 1 -> cumulative 0.3, 0.5, 0.9, 1.
    journal.fitnessOf = {{0, 7.0}, {1, 2.0}, {2, 9.0}, {3, 0.0}};
    Start(4, 1, 0.0, 0.0, 0.0, 0, 1);
    EXPECT_EQ(Last(Run(182), 4), (Events{"C2", "C1", "C0", "C3"}));

    // The roulette on the same values: cumulative 7/18, 9/18, 1, 1 -> 2, 0, 0, 2.
    GA_population roulette;
    roulette.SetParams(0.0, 0.0, 0.0, 0, 0, 0);
    roulette.Init(std::make_unique<Tag>(&journal, 99), 4, 1);
    journal.fitnessOf = {{4, 7.0}, {5, 2.0}, {6, 9.0}, {7, 0.0}};
    journal.events.clear();
    SeedRand(182);
    roulette.Generation();
    EXPECT_EQ(Last(journal.events, 4), (Events{"C6", "C4", "C4", "C6"}));
}

TEST_F(GeneticPopulationTest, RankSelectionOrdersEqualValuesAsItsQuicksortDoes) {
    // Four equal values: the middle-pivot partition leaves the order 2, 3, 0, 1, so the
    // weights are 3, 4, 1, 2 (cumulative 0.3, 0.7, 0.8, 1), not 1, 2, 3, 4.
    journal.fitnessOf = {{0, 1.0}, {1, 1.0}, {2, 1.0}, {3, 1.0}};
    Start(4, 1, 0.0, 0.0, 0.0, 0, 1);
    EXPECT_EQ(Last(Run(182), 4), (Events{"C2", "C1", "C0", "C3"}));
}

TEST_F(GeneticPopulationTest, BestListPutsEqualFitnessAfterTheOlder) {
    journal.fitnessOf = {{0, 5.0}, {1, 3.0}, {2, 5.0}};
    Start(3, 2, 0.0, 0.0, 0.0);
    // 0 first; 1 behind it; 2 (equal to 0, other genes) after 0, pushing 1 out.
    EXPECT_EQ(Events(Run(1)).at(5), "K2/0");
    EXPECT_EQ(BestValues(2), (std::vector<int>{0, 2}));
}

TEST_F(GeneticPopulationTest, BestListSkipsTheSameGenesButCountsTheOffer) {
    journal.fitnessOf = {{0, 3.0}, {1, 0.0}, {2, 0.0}};
    Start(3, 3, 0.0, 0.0, 0.0);
    // Scaled 2, 0.5, 0.5 (cumulative 0.667, 0.833, 1); seed 34 draws 0.9479, 0.4513, 0.5550.
    EXPECT_EQ(Run(34), (Events{"E0", "E1", "E2", "C0", "C1", "K2/1", "C2", "C2", "C0", "C0"}));
    EXPECT_EQ(BestValues(3), (std::vector<int>{0, 1, 2}));

    // Next generation: clones keep their fitness, so nothing is evaluated; both copies of 0 beat
    // the threshold 0, meet their twin in slot 0 and are not stored again. Member 2's weight
    // is 0 after scaling (-2 counts as 0), so 0 is bred three times.
    journal.events.clear();
    population.Generation();
    EXPECT_EQ(journal.events, (Events{"K0/0", "K0/0", "C0", "C0", "C0"}));
    EXPECT_EQ(BestValues(3), (std::vector<int>{0, 1, 2}));
}

TEST_F(GeneticPopulationTest, ElitesComeFromTheBestListSelectionsFillTheRest) {
    // Fitness 1, 5, 3: best list 1, 2. Scaled 0, 6, 3; seed 34 selects 2, 1, 1.
    journal.fitnessOf = {{0, 1.0}, {1, 5.0}, {2, 3.0}};
    const std::pair<int, Events> cases[] = {
        {0, {"C2", "C1", "C1"}},
        {1, {"C1", "C1", "C1"}},
        {5, {"C1", "C2", "C1"}},  // limited by the best list's two entries
    };
    for (const auto& [elite, bred] : cases) {
        GA_population p;
        p.SetParams(0.0, 0.0, 0.0, elite, 0, 0);
        journal.nextValue = 0;
        p.Init(std::make_unique<Tag>(&journal, 99), 3, 2);
        journal.events.clear();
        SeedRand(34);
        p.Generation();
        EXPECT_EQ(journal.events, (Events{"E0", "E1", "E2", "C0", "C1", "C2", bred[0], bred[1],
                                          bred[2]}))
            << "elite " << elite;
    }
}

TEST_F(GeneticPopulationTest, EvaluateAlwaysReevaluatesUnchangedMembers) {
    Start(2, 1, 0.0, 0.0, 0.0, 0, 0, 1);
    Run(1);
    EXPECT_EQ(Only(Run(1), 'E').size(), 2u);

    GA_population lazy;
    lazy.SetParams(0.0, 0.0, 0.0, 0, 0, 0);
    lazy.Init(std::make_unique<Tag>(&journal, 99), 2, 1);
    lazy.Generation();
    journal.events.clear();
    lazy.Generation();
    EXPECT_EQ(Only(journal.events, 'E').size(), 0u);
}

TEST_F(GeneticPopulationTest, OneMemberWithCrossoverIsRefused) {
    Start(1, 1, 0.0, 0.5, 0.0);
    SeedRand(1);
    EXPECT_EQ(ErrorCode(population), 0);
    EXPECT_EQ(Rand(), 41);  // refused before drawing anything

    population.SetParams(0.0, 0.0, 0.0, 0, 0, 0);
    EXPECT_EQ(Run(1), (Events{"E0", "C0", "C0"}));
}

TEST_F(GeneticPopulationTest, LostCloneKeepsTheOldPopulation) {
    journal.fitnessOf = {{0, 5.0}, {1, 1.0}};
    Start(2, 1, 0.0, 0.0, 0.0);
    journal.clonesLeft = 2;  // the best-list copy and the first child succeed
    EXPECT_EQ(ErrorCode(population), 3);
    journal.clonesLeft = -1;
    population.SetParams(0.0, 0.0, 0.0, 0, 0, 1);
    EXPECT_EQ(Only(Run(1), 'E'), (Events{"E0", "E1"}));
}

TEST_F(GeneticPopulationTest, InvalidMemberAfterBreedingIsReported) {
    journal.fitnessOf = {{0, 5.0}, {1, 1.0}};
    journal.invalid = {0};  // only 0 is bred (scaled weights 6 and 0)
    Start(2, 1, 0.0, 0.0, 0.0);
    EXPECT_EQ(ErrorCode(population), 1);
}

std::vector<std::vector<int>> RunFixedPoints(unsigned seed, int generations,
                                             std::vector<double>* bestByGeneration) {
    SeedRand(seed);
    GA_population p;
    p.Init(std::make_unique<FixedPoints>(8, 0), 12, 3);
    p.SetParams(0.3, 0.4, 0.02, 1, 0, 0);
    for (int g = 0; g < generations; ++g) {
        p.Generation();
        if (bestByGeneration) bestByGeneration->push_back(p.GetBest(0)->GetFitness());
    }
    std::vector<std::vector<int>> best;
    for (int i = 0; i < 3; ++i)
        if (const auto* b = dynamic_cast<const FixedPoints*>(p.GetBest(i)))
            best.push_back(b->Genes());
    return best;
}

TEST_F(GeneticPopulationTest, PermutationClonesDrawAsTheyAreBuilt) {
    // Each member: a clone (built random: 3 draws) randomized again (3 draws).
    auto prototype = std::make_unique<FixedPoints>(4, 0);
    SeedRand(1);
    GA_population p;
    p.Init(std::move(prototype), 2, 1);
    EXPECT_EQ(Rand(), 23281);  // seed 1's 13th draw
}

TEST_F(GeneticPopulationTest, PermutationSearchImprovesAndRepeatsFromItsSeed) {
    std::vector<double> best;
    const auto first = RunFixedPoints(5, 40, &best);
    for (size_t g = 1; g < best.size(); ++g) EXPECT_GE(best[g], best[g - 1]);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_NE(first[0], first[1]);
    EXPECT_NE(first[1], first[2]);
    EXPECT_NE(first[0], first[2]);
    EXPECT_EQ(RunFixedPoints(5, 40, nullptr), first);
}

}  // namespace
