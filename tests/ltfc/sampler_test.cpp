#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "core/random.h"
#include "ltfc/dataset.h"
#include "ltfc/exceptions.h"
#include "ltfc/sampler.h"
#include "ltfc/universal_random.h"
#include "tests/ltfc/fresh_generators.h"
#include "tests/support/fixed_clock.h"

namespace {

class CountsSource : public CDatabaseBase {
public:
    explicit CountsSource(std::vector<int> counts) : counts(std::move(counts)) {}
    void GetSampleCounts(std::vector<int>& out) const override { out = counts; }

private:
    std::vector<int> counts;
};

using Item = CObjSampler::Item;

class SamplerTest : public FreshGeneratorsTest {
protected:
    static std::vector<int> RandomDraws(CObjSampler& s) {
        std::vector<int> drawn;
        Item it;
        while (s.NextRandom(it)) {
            EXPECT_EQ(it.first, 0);
            drawn.push_back(it.second);
        }
        return drawn;
    }

    static std::vector<Item> Pass(CObjSampler& s) {
        std::vector<Item> items;
        Item it;
        while (s.NextSequential(it)) items.push_back(it);
        return items;
    }
};

bool IsPermutation(std::vector<int> v, int n) {
    std::sort(v.begin(), v.end());
    for (int i = 0; i < n; ++i) {
        if (v.size() != static_cast<size_t>(n) || v[static_cast<size_t>(i)] != i) return false;
    }
    return v.size() == static_cast<size_t>(n);
}

TEST_F(SamplerTest, EveryPassIsAPermutationAndTheLastOneIsCut) {
    const int n = 10;
    CountsSource src({n, 4});
    CObjSampler s(src, 25);
    const std::vector<int> drawn = RandomDraws(s);
    ASSERT_EQ(drawn.size(), 25u);
    EXPECT_TRUE(IsPermutation({drawn.begin(), drawn.begin() + n}, n));
    EXPECT_TRUE(IsPermutation({drawn.begin() + n, drawn.begin() + 2 * n}, n));
    const std::set<int> half(drawn.begin() + 2 * n, drawn.end());
    EXPECT_EQ(half.size(), 5u);  // half of a third pass, no repeats
    Item it{-7, -7};
    EXPECT_FALSE(s.NextRandom(it));
    EXPECT_EQ(it, (Item{-7, -7}));
}

TEST_F(SamplerTest, DrawsFollowTheIncrementalShuffleOfTheSeededGenerator) {
    CountsSource src({6});
    CObjSampler s(src, 12);
    const std::vector<int> drawn = RandomDraws(s);

    // The same shuffle by hand from the generator seeded for the same second.
    ResetRanmarForTests();
    RanmarRandomize();
    std::vector<int> order{0, 1, 2, 3, 4, 5};
    std::vector<int> expected;
    for (int pass = 0; pass < 2; ++pass) {
        for (int cursor = 0; cursor < 6; ++cursor) {
            const int j = cursor + RanmarInt(6 - cursor);
            expected.push_back(order[static_cast<size_t>(j)]);
            std::swap(order[static_cast<size_t>(cursor)], order[static_cast<size_t>(j)]);
        }
    }
    EXPECT_EQ(drawn, expected);
}

// Two processes that start training within the same second draw the same order.
TEST_F(SamplerTest, ConstructionReseedsFromTheClock) {
    CountsSource src({50});
    CObjSampler a(src, 50);
    const std::vector<int> first = RandomDraws(a);
    ResetRanmarForTests();  // as in a fresh process
    SeedRand(5);            // whatever the 15-bit generator held is replaced by the clock
    CObjSampler b(src, 50);
    EXPECT_EQ(RandomDraws(b), first);

    // Within one process the lag indices go on, so a second sampler draws another order.
    CObjSampler again(src, 50);
    EXPECT_NE(RandomDraws(again), first);

    SetFixedClockSecond(kSecond + 1);
    CObjSampler c(src, 50);
    EXPECT_NE(RandomDraws(c), first);
}

TEST_F(SamplerTest, EdgeCountsOfRandomDraws) {
    CountsSource one({1});
    CObjSampler single(one, 5);
    EXPECT_EQ(RandomDraws(single), (std::vector<int>(5, 0)));

    CountsSource src({4});
    CObjSampler none(src, 0);
    EXPECT_TRUE(RandomDraws(none).empty());
    CObjSampler negative(src, -3);
    EXPECT_TRUE(RandomDraws(negative).empty());
    CObjSampler sequentialOnly(src);
    EXPECT_TRUE(RandomDraws(sequentialOnly).empty());

    CountsSource empty({0, 3});
    CObjSampler emptyFirst(empty, 10);
    EXPECT_TRUE(RandomDraws(emptyFirst).empty());

    CountsSource noSets({});
    EXPECT_THROW(CObjSampler(noSets, 10), ENoData);
    EXPECT_THROW(CObjSampler{noSets}, ENoData);
}

TEST_F(SamplerTest, SequentialPassesAndModes) {
    CountsSource two({3, 2});
    CObjSampler s(two, 0);
    // Data set 1 is selected after construction.
    EXPECT_EQ(Pass(s), (std::vector<Item>{{1, 0}, {1, 1}}));
    EXPECT_TRUE(Pass(s).empty());
    s.SetMode(0);
    EXPECT_EQ(Pass(s), (std::vector<Item>{{0, 0}, {0, 1}, {0, 2}}));
    s.SetMode(0);  // the pass starts over
    EXPECT_EQ(Pass(s).size(), 3u);
    EXPECT_THROW(s.SetMode(2), EValueNotAllowed);
    EXPECT_THROW(s.SetMode(-1), EValueNotAllowed);
    EXPECT_EQ(Pass(s).size(), 0u);  // a refused mode changes nothing

    CountsSource one({3});
    CObjSampler t(one);
    EXPECT_TRUE(Pass(t).empty());  // no data set 1 to walk
    EXPECT_THROW(t.SetMode(1), EValueNotAllowed);
    t.SetMode(0);
    EXPECT_EQ(Pass(t).size(), 3u);
}

TEST_F(SamplerTest, Counts) {
    CountsSource two({5, 2});
    CObjSampler s(two, 1);
    EXPECT_EQ(s.GetCount(0), 5);
    EXPECT_EQ(s.GetCount(1), 2);
    EXPECT_EQ(s.GetCount(2), 2);
    s.SetMode(0);
    EXPECT_EQ(s.GetCount(2), 5);
    EXPECT_EQ(s.GetCount(3), 0);
    EXPECT_EQ(s.GetCount(-1), 0);
    EXPECT_EQ(s.GetSetSize(0), 5);
    EXPECT_EQ(s.GetSetSize(1), 2);
    EXPECT_EQ(s.GetSetSize(2), 0);
    EXPECT_EQ(s.GetSetSize(-1), 0);

    CountsSource one({4});
    CObjSampler t(one, 1);
    EXPECT_EQ(t.GetCount(1), 0);
    EXPECT_EQ(t.GetCount(2), 0);
}

// ---- the k-fold split

std::vector<int> Indices(const std::vector<Item>& items) {
    std::vector<int> v;
    for (const Item& it : items) {
        EXPECT_EQ(it.first, 0);
        v.push_back(it.second);
    }
    return v;
}

TEST_F(SamplerTest, CrossValidationFolds) {
    CountsSource src({7, 3});
    CCrossValSampler s(src, 100, 3);
    const std::vector<std::vector<int>> training{{1, 2, 4, 5}, {0, 2, 3, 5, 6}, {0, 1, 3, 4, 6}};
    const std::vector<std::vector<int>> test{{0, 3, 6}, {1, 4}, {2, 5}};
    for (int fold = 0; fold < 3; ++fold) {
        ASSERT_TRUE(s.NextFold());
        s.SetMode(0);
        EXPECT_EQ(Indices(Pass(s)), training[fold]);
        EXPECT_EQ(s.GetCount(0), static_cast<int>(training[fold].size()));
        EXPECT_EQ(s.GetCount(2), static_cast<int>(training[fold].size()));
        s.SetMode(1);
        EXPECT_EQ(Indices(Pass(s)), test[fold]);
        EXPECT_EQ(s.GetCount(1), static_cast<int>(test[fold].size()));
        EXPECT_EQ(s.GetCount(2), static_cast<int>(test[fold].size()));
        // Random draws cover the fold's training indices only, a permutation per pass.
        std::vector<int> drawn;
        Item it;
        for (size_t i = 0; i < training[fold].size() && s.NextRandom(it); ++i) drawn.push_back(it.second);
        std::sort(drawn.begin(), drawn.end());
        EXPECT_EQ(drawn, training[fold]);
    }
    EXPECT_FALSE(s.NextFold());
    EXPECT_FALSE(s.NextFold());
}

TEST_F(SamplerTest, CrossValidationBeforeTheFirstFold) {
    CountsSource src({5});
    CCrossValSampler s(src, 5, 2);
    EXPECT_EQ(s.GetCount(0), 5);
    EXPECT_EQ(s.GetCount(1), 0);
    EXPECT_EQ(Indices(Pass(s)), (std::vector<int>{0, 1, 2, 3, 4}));
    s.SetMode(1);
    EXPECT_TRUE(Pass(s).empty());
    EXPECT_EQ(s.GetSetSize(0), 5);
}

TEST_F(SamplerTest, CrossValidationRefusals) {
    CountsSource src({7});
    EXPECT_THROW(CCrossValSampler(src, 10, 1), EValueNotAllowed);
    EXPECT_THROW(CCrossValSampler(src, 10, -2), EValueNotAllowed);
    CCrossValSampler s(src, 10, 2);
    EXPECT_THROW(s.SetMode(2), EValueNotAllowed);
    s.SetMode(5);  // only 2 is refused; another mode walks nothing
    EXPECT_TRUE(Pass(s).empty());
    EXPECT_EQ(s.GetCount(2), 0);
}

TEST_F(SamplerTest, CrossValidationWithMoreFoldsThanSamples) {
    CountsSource src({2});
    CCrossValSampler s(src, 4, 5);
    for (int fold = 0; fold < 5; ++fold) {
        ASSERT_TRUE(s.NextFold());
        s.SetMode(1);
        const std::vector<int> tested = Indices(Pass(s));
        EXPECT_EQ(tested, fold < 2 ? std::vector<int>{fold} : std::vector<int>{}) << fold;
    }
    EXPECT_FALSE(s.NextFold());
}

}  // namespace
