#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "experiments/reduct_experiments.h"
#include "tests/rough/reducts/pos_reference.h"
#include "tests/rough/table_builders.h"
#include "tests/support/test_files.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Pair by pair, over the different-decision pairs: the pairs each attribute tells apart
// (selected empty), or those that differ on exactly one selected attribute.
std::vector<long long> PairCounts(const TTable& t, const std::vector<int>& selected) {
    const int m = t.GetNoAttr() - 1;
    std::vector<long long> counts(m, 0);
    for (int i = 0; i < t.GetNoObj(); ++i) {
        for (int j = 0; j < i; ++j) {
            if (t.Value(i, m) == t.Value(j, m)) continue;
            std::vector<int> differing;
            for (int a = 0; a < m; ++a)
                if ((selected.empty() || selected[a]) && t.Value(i, a) != t.Value(j, a)) differing.push_back(a);
            if (selected.empty())
                for (int a : differing) ++counts[a];
            else if (differing.size() == 1)
                ++counts[differing[0]];
        }
    }
    return counts;
}

std::vector<int> Attributes(const std::string& line) {
    std::istringstream in(line);
    std::vector<int> out;
    for (int v; in >> v;) out.push_back(v);
    return out;
}

// Keeps the positive region of all conditions, and loses it without any one attribute.
void ExpectMinimalKeeper(const TTable& t, const std::vector<int>& attrs, int posAll) {
    EXPECT_EQ(NaivePos(t, attrs), posAll);
    for (size_t i = 0; i < attrs.size(); ++i) {
        std::vector<int> rest = attrs;
        rest.erase(rest.begin() + i);
        EXPECT_LT(NaivePos(t, rest), posAll);
    }
}

class ReductExperiments : public SeededTest {};

TEST(ArrayTools, RoundingBubbleSortAndSwap) {
    EXPECT_EQ(RoundNearest(2.5), 2);
    EXPECT_EQ(RoundNearest(2.51), 3);
    EXPECT_EQ(RoundNearest(-1.5), -2);
    EXPECT_EQ(RoundNearest(-2.5), -3);
    EXPECT_EQ(RoundNearest(-0.4), 0);
    EXPECT_EQ(RoundNearest(2147483646.7), INT_MAX);
    EXPECT_EQ(RoundNearest(-1e300), INT_MIN);
    EXPECT_EQ(RoundNearest(std::nan("")), 0);

    std::vector<int> keys{3, 1, 3, 2}, companions{10, 11, 12, 13};
    PairedBubbleSort(keys.data(), companions.data(), 4, 1);
    EXPECT_EQ(keys, (std::vector<int>{3, 3, 2, 1}));
    EXPECT_EQ(companions, (std::vector<int>{10, 12, 13, 11}));  // equal keys keep their order
    PairedBubbleSort(keys.data(), companions.data(), 4, 0);
    EXPECT_EQ(companions, (std::vector<int>{11, 13, 10, 12}));
    std::vector<double> alone{0.5, 2.0, -1.0};
    PairedBubbleSort(alone.data(), static_cast<int*>(nullptr), 3, 2);  // any flag but 1 ascends
    EXPECT_EQ(alone, (std::vector<double>{-1.0, 0.5, 2.0}));
}

TEST_F(ReductExperiments, ShuffleDrawsTenThousandPairs) {
    std::vector<int> a(50), replay(50);
    std::iota(a.begin(), a.end(), 0);
    std::iota(replay.begin(), replay.end(), 0);
    ShuffleArray(a.data(), 50);
    const int after = Rand();
    Pin(1700000000);
    for (int s = 0; s < 10000; ++s) {
        const int i = RandomInt(50);
        std::swap(replay[i], replay[RandomInt(50)]);
    }
    EXPECT_EQ(Rand(), after);
    EXPECT_EQ(a, replay);
    EXPECT_FALSE(std::is_sorted(a.begin(), a.end()));
}

TEST(SingleDiscernProduct, EqualsPairCountsOnVote) {
    auto vote = LoadTable("vote.tab");
    SeedRand(3);
    for (int round = 0; round < 5; ++round) {
        std::vector<int> selected(16);
        for (int& s : selected) s = round == 4 || (round > 0 && Rand() % 3 == 0);
        std::vector<long long> counts(16, -1);
        const double q = SingleDiscernProduct(vote.get(), selected.data(), counts.data());
        const std::vector<long long> expected = PairCounts(*vote, selected);
        EXPECT_EQ(counts, expected);
        double product = 1.0;
        for (int a = 0; a < 16; ++a) product *= selected[a] ? expected[a] : 1;
        EXPECT_EQ(q, product);  // 1.0 with nothing selected
    }
}

TEST_F(ReductExperiments, RandomReductsOnVoteKeepThePositiveRegionAndImprove) {
    auto vote = LoadTable("vote.tab");
    std::vector<int> selected(16, 7), again(16);
    CaptureStdout();
    RandomPosRegionReducts(vote.get(), selected.data());
    const std::string out = GetCapturedStdout();
    const std::vector<std::string> lines = TextLines(out);
    ASSERT_GE(lines.size(), 5u);
    const int posAll = NaivePos(*vote, Conditions(*vote));
    const std::vector<long long> weights = PairCounts(*vote, {});
    std::string weightLine;
    for (long long w : weights) weightLine += std::to_string(w) + " ";
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
              (std::vector<std::string>{"Licze obszar pozytywny calej tablicy...", "POS_REG_G=" + std::to_string(posAll),
                                        weightLine, "SumWAGI=" + std::to_string(std::accumulate(weights.begin(), weights.end(), 0LL))}));
    double previous = 0.0;
    for (size_t i = 4; i < lines.size(); ++i) {
        const std::vector<int> attrs = Attributes(lines[i]);
        ExpectMinimalKeeper(*vote, attrs, posAll);
        std::vector<int> flags(16, 0);
        for (int a : attrs) flags[a] = 1;
        const std::vector<long long> counts = PairCounts(*vote, flags);
        double q = 1.0;
        for (int a : attrs) q *= counts[a];
        EXPECT_GT(q, previous);
        previous = q;
    }
    std::vector<int> last;
    for (int a = 0; a < 16; ++a)
        if (selected[a]) last.push_back(a);
    ExpectMinimalKeeper(*vote, last, posAll);

    Pin(1700000000);
    CaptureStdout();
    RandomPosRegionReducts(vote.get(), again.data());
    EXPECT_EQ(GetCapturedStdout(), out);
    EXPECT_EQ(again, selected);
}

TEST_F(ReductExperiments, NothingToTellApartDrawsNothing) {
    TTable t;
    FillTable(t, {{0, 1, 4}, {1, 0, 4}, {1, 1, 4}});
    std::vector<int> selected{1, 1};
    CaptureStdout();
    RandomPosRegionReducts(&t, selected.data());
    EXPECT_EQ(GetCapturedStdout(), "Licze obszar pozytywny calej tablicy...\nPOS_REG_G=3\n0 0 \nSumWAGI=0\n\n");
    EXPECT_EQ(selected, (std::vector<int>{0, 0}));
    const int next = Rand();
    ResetRandomForTests();
    EXPECT_EQ(next, Rand());  // not even the clock seed was drawn
}

// Twelve copies of one attribute tell every pair apart but one, which only the last
// attribute, of weight 10, tells apart. The weights sum to more than 32,768 times 10, so a
// draw of 32,768 steps could never land on it and the trial would never end.
TEST_F(ReductExperiments, AnAttributeOfSmallWeightIsDrawnFromALargeSum) {
    TTable t;
    t.CreateTable(3000, 14);
    for (int o = 0; o < 3000; ++o) {
        for (int c = 0; c < 12; ++c) t.SetTable(o, c, o < 2 ? 0 : o);
        t.SetTable(o, 12, o == 0 ? 1 : 0);
        t.SetTable(o, 13, o >= 1 && o <= 10 ? 1 : 0);
    }
    const std::vector<long long> weights = PairCounts(t, {});
    ASSERT_EQ(weights.back(), 10);
    ASSERT_GT(std::accumulate(weights.begin(), weights.end(), 0LL), 32768LL * 10);
    std::vector<int> selected(13);
    CaptureStdout();
    RandomPosRegionReducts(&t, selected.data());
    const std::vector<std::string> lines = TextLines(GetCapturedStdout());
    ASSERT_GE(lines.size(), 5u);
    for (size_t i = 4; i < lines.size(); ++i) {
        const std::vector<int> attrs = Attributes(lines[i]);
        EXPECT_EQ(attrs.size(), 2u);  // one copy and the last attribute, in drawing order
        EXPECT_NE(std::find(attrs.begin(), attrs.end(), 12), attrs.end());
    }
    EXPECT_EQ(selected.back(), 1);
}

}  // namespace
