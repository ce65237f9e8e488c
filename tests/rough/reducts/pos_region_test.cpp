#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "rough/reducts/pos_region.h"
#include "tests/rough/reducts/pos_reference.h"
#include "tests/rough/rough_test_util.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

int Pos(TPosRegion& p, const TTable& t, const std::vector<int>& attrs) {
    return p.CountPosRegion(&t, attrs.data(), static_cast<int>(attrs.size()), 0);
}

std::vector<int> RandomSubset(int k) {
    std::vector<int> s;
    for (int a = 0; a < k; ++a)
        if (Rand() % 3 == 0) s.push_back(a);
    return s;
}

long long NaivePairs(const TTable& t, int a) {
    const int d = t.GetNoAttr() - 1;
    long long n = 0;
    for (int i = 0; i < t.GetNoObj(); ++i)
        for (int j = i + 1; j < t.GetNoObj(); ++j)
            if (t.Value(i, d) != t.Value(j, d) && t.Value(i, a) != t.Value(j, a)) ++n;
    return n;
}

TEST(PosRegion, WeatherOverEverySubset) {
    auto t = LoadTable("weather.nominal.tab");
    TPosRegion p(t.get(), 0);
    for (int mask = 0; mask < 16; ++mask) {
        std::vector<int> attrs;
        for (int a = 0; a < 4; ++a)
            if (mask & (1 << a)) attrs.push_back(a);
        EXPECT_EQ(Pos(p, *t, attrs), NaivePos(*t, attrs)) << mask;
    }
    EXPECT_EQ(Pos(p, *t, {0, 1, 2, 3}), 14);
    EXPECT_EQ(Pos(p, *t, {0}), 4);
    auto breast = LoadTable("breast-cancer.tab");
    TPosRegion q(breast.get(), 0);
    EXPECT_EQ(Pos(q, *breast, Conditions(*breast)), 273);
}

TEST(PosRegion, RandomSubsetsOfRealAndRandomTables) {
    TTable random;
    FillRandomTable(random, 17, 300, 7, 3, 3);
    for (const char* name : {"vote.tab", "soybean.tab", ""}) {
        auto loaded = *name ? LoadTable(name) : nullptr;
        const TTable& t = loaded ? *loaded : random;
        TPosRegion p(&t, 0);
        SeedRand(3);
        for (int i = 0; i < 40; ++i) {
            auto attrs = RandomSubset(t.GetNoAttr() - 1);
            EXPECT_EQ(Pos(p, t, attrs), NaivePos(t, attrs)) << name;
        }
    }
}

// Classes numbered from `first` along the sorted order: one number per distinct value list.
TEST(PosRegion, ClassesAreNumberedFromFirst) {
    auto t = LoadTable("weather.nominal.tab");
    TPosRegion p(t.get(), 0);
    std::vector<int> attrs{0, 3};
    p.CountPosRegion(t.get(), attrs.data(), 2, 5);
    const TPosRecord* e = p.GetEntries();
    EXPECT_EQ(e[0].classNo, 5);
    EXPECT_EQ(e[13].classNo, 5 + 6 - 1);  // 3 x 2 value combinations occur
    for (int i = 1; i < 14; ++i) {
        const bool same = t->Value(e[i].object, 0) == t->Value(e[i - 1].object, 0) &&
                          t->Value(e[i].object, 3) == t->Value(e[i - 1].object, 3);
        EXPECT_EQ(e[i].classNo - e[i - 1].classNo, same ? 0 : 1);
    }
}

TEST(PosRegion, EdgeTables) {
    auto consistent = MakeTable({{0, 1, 0}, {1, 1, 1}, {1, 0, 0}});
    TPosRegion p(consistent.get(), 0);
    EXPECT_EQ(Pos(p, *consistent, {0, 1}), 3);
    auto clash = MakeTable({{0, 1, 0}, {0, 1, 1}, {1, 0, 0}});
    EXPECT_EQ(Pos(p, *clash, {0, 1}), 1);
    // A table larger than the one the region was made for.
    TTable big;
    FillRandomTable(big, 5, 50, 4, 2, 2);
    EXPECT_EQ(Pos(p, big, {0, 1, 2}), NaivePos(big, {0, 1, 2}));
}

TEST(PosRegion, DiscernedPairsAgainstPairByPair) {
    auto weather = LoadTable("weather.nominal.tab");
    TPosRegion w(weather.get(), 1);
    std::vector<int> list(5);
    w.SortByDecision(weather.get(), list.data());
    EXPECT_EQ(list[0], 4);
    // Any order of calls: each starts from all objects again.
    for (int a : {3, 0, 2, 1}) {
        const long long expected[] = {33, 30, 27, 24};
        EXPECT_EQ(w.CountDiscernedPairs(weather.get(), a, list.data()), expected[a]);
    }
    auto distinct = MakeTable({{5, 0}, {6, 0}, {7, 1}});
    TPosRegion d(distinct.get(), 1);
    d.SortByDecision(distinct.get(), list.data());
    EXPECT_EQ(d.CountDiscernedPairs(distinct.get(), 0, list.data()), 2);
    TTable random;
    FillRandomTable(random, 8, 200, 6, 3, 4);
    for (const TTable* t : {LoadTable("soybean.tab").release(), &random}) {
        TPosRegion p(t, 0);  // the second order is made on demand
        std::vector<int> l(static_cast<size_t>(t->GetNoAttr()));
        p.SortByDecision(t, l.data());
        for (int a = 0; a + 1 < t->GetNoAttr(); a += 3)
            EXPECT_EQ(p.CountDiscernedPairs(t, a, l.data()), NaivePairs(*t, a)) << a;
        if (t != &random) delete t;
    }
}

TEST(PosRegion, RedundantAttributesGoInListOrder) {
    auto copy = MakeTable({{0, 0, 1, 0}, {1, 1, 1, 1}, {1, 1, 0, 0}, {0, 0, 0, 1}});
    TPosRegion p(copy.get(), 0);
    std::vector<int> list{0, 1, 2}, keep(3), work(3);
    int len = 3;
    p.RemoveRedundantAttrs(copy.get(), list.data(), &len, 4, keep.data(), work.data());
    ASSERT_EQ(len, 2);
    EXPECT_EQ(list[0], 1);  // the first of the two copies goes
    EXPECT_EQ(list[1], 2);
    TTable t;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        FillRandomTable(t, seed, 40, 7, 3, 2);
        TPosRegion q(&t, 0);
        auto all = Conditions(t);
        const int target = NaivePos(t, all);
        std::vector<int> l = all, k(all.size()), w(all.size());
        int n = static_cast<int>(all.size());
        q.RemoveRedundantAttrs(&t, l.data(), &n, target, k.data(), w.data());
        l.resize(static_cast<size_t>(n));
        EXPECT_TRUE(std::is_sorted(l.begin(), l.end()));
        EXPECT_TRUE(NaiveReductByPos(t, l, target)) << seed;
        EXPECT_EQ(NaivePos(t, l), target);
    }
}

// The greedy draw written with brute-force classes: the attributes drawn, in flag form.
std::string NaiveGreedyFlags(const TTable& t) {
    const int k = t.GetNoAttr() - 1;
    std::vector<int> chosen(static_cast<size_t>(k), 0);
    for (;;) {
        std::vector<long long> score(static_cast<size_t>(k), 0);
        long long total = 0;
        for (int a = 0; a < k; ++a) {
            if (chosen[static_cast<size_t>(a)]) continue;
            std::map<std::vector<int>, std::map<int, long long>> parts;
            for (int o = 0; o < t.GetNoObj(); ++o) {
                std::vector<int> key;
                for (int b = 0; b < k; ++b)
                    if (chosen[static_cast<size_t>(b)]) key.push_back(t.Value(o, b));
                ++parts[key][t.Value(o, a)];
            }
            for (auto& [key, byValue] : parts) {
                long long size = 0, squares = 0;
                for (auto& [v, m] : byValue) {
                    size += m;
                    squares += m * m;
                }
                score[static_cast<size_t>(a)] += size * size - squares;
            }
            total += score[static_cast<size_t>(a)];
        }
        if (total == 0) break;
        const auto u = static_cast<long long>(RandomUnit() * static_cast<double>(total));
        long long sum = 0;
        int pick = -1;
        for (int a = 0; a < k && pick < 0; ++a) {
            if (chosen[static_cast<size_t>(a)]) continue;
            sum += score[static_cast<size_t>(a)];
            if (sum > u) pick = a;
        }
        for (int a = k - 1; a >= 0 && pick < 0; --a)
            if (!chosen[static_cast<size_t>(a)] && score[static_cast<size_t>(a)] > 0) pick = a;
        chosen[static_cast<size_t>(pick)] = 1;
    }
    std::string flags;
    for (int c : chosen) flags += std::to_string(c) + "?";
    return flags;
}

class RandomReductTest : public SeededTest {
protected:
    // Runs the greedy reduct on t; the printed lines go to `out`.
    std::vector<int> Run(const TTable& t, int target, std::string& out) {
        const size_t k = static_cast<size_t>(t.GetNoAttr() - 1);
        std::vector<int> avail(k), work(k), chosen(k);
        std::vector<long long> score(k);
        int len = -1;
        TPosRegion p(&t, 1);
        CaptureStdout();
        p.RandomReduct(&t, avail.data(), work.data(), score.data(), chosen.data(), &len, target);
        out = GetCapturedStdout();
        return std::vector<int>(chosen.begin(), chosen.begin() + len);
    }
};

TEST_F(RandomReductTest, WeatherGivesOneReductWhateverTheSeed) {
    auto t = LoadTable("weather.nominal.tab");
    std::string lines;
    for (int i = 0; i < 4; ++i) lines += "Jestem 3\nJestem 4\n";
    lines += "1?1?1?1?\n";
    for (long long second : {1LL, 99LL, 1700000000LL, 123456789LL}) {
        Pin(second);
        std::string out;
        EXPECT_EQ(Run(*t, 14, out), (std::vector<int>{0, 2, 3}));
        EXPECT_EQ(out, lines);
    }
}

// The draws follow the brute-force scores exactly: the same flags from the same seeds.
TEST_F(RandomReductTest, DrawsFollowThePairScores) {
    TTable t;
    for (unsigned table = 1; table <= 6; ++table) {
        FillRandomTable(t, table, 60, 9, 3, 3);
        const int target = NaivePos(t, Conditions(t));
        for (long long second = 10; second < 18; ++second) {
            Pin(second);
            std::string out;
            auto reduct = Run(t, target, out);
            Pin(second);
            const std::string flags = NaiveGreedyFlags(t);
            auto lines = TextLines(out);
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back(), flags) << table << " " << second;
            EXPECT_EQ(lines.size(), 1 + 2 * static_cast<size_t>(std::count(flags.begin(), flags.end(), '1')));
            EXPECT_TRUE(NaiveReductByPos(t, reduct, target));
            for (int a : reduct) EXPECT_EQ(flags[static_cast<size_t>(2 * a)], '1');
        }
    }
}

TEST(PosRegion, ShortestPrefixAgainstAScan) {
    TTable t;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        FillRandomTable(t, seed, 50, 8, 3, 2);
        std::vector<int> list = Conditions(t);
        for (size_t i = list.size(); i > 1; --i) std::swap(list[i - 1], list[static_cast<size_t>(Rand()) % i]);
        const int target = NaivePos(t, list);
        int shortest = 0;
        while (NaivePos(t, std::vector<int>(list.begin(), list.begin() + shortest)) != target) ++shortest;
        if (shortest == 0) continue;
        TPosRegion p(&t, 0);
        const int k = static_cast<int>(list.size());
        EXPECT_EQ(p.ShortestFullPrefix(&t, -1, k - 1, list.data(), target), shortest) << seed;
        // Any bounds around the answer.
        const int lo = shortest - 2 - static_cast<int>(Rand() % static_cast<unsigned>(shortest));
        EXPECT_EQ(p.ShortestFullPrefix(&t, std::max(lo, -1), k - 1, list.data(), target), shortest);
    }
    auto weather = LoadTable("weather.nominal.tab");
    TPosRegion p(weather.get(), 0);
    int list[] = {0, 1, 2, 3};
    EXPECT_EQ(p.ShortestFullPrefix(weather.get(), 2, 2, list, 14), 3);  // no room to bisect
    EXPECT_EQ(p.ShortestFullPrefix(weather.get(), 3, 1, list, 14), 2);
}

TEST(PosRegion, CutTablesHoldThePositiveRegion) {
    TTable t, full;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        FillRandomTable(t, seed, 40, 6, 3, 2);
        FillRandomTable(full, seed + 100, 40, 9, 5, 3);
        std::vector<int> list{4, 1, 3, 0, 2};
        TPosRegion p(&t, 0);
        const int k = 1 + static_cast<int>(seed % 4);
        const auto in = NaivePositive(t, std::vector<int>(list.begin(), list.begin() + k));
        auto cut = p.CutTableForReduct(&t, list.data(), k);
        auto scal = p.CutTableForReductSCAL(&t, list.data(), k, &full);
        auto prefix = TPosRegion::MakePrefixTable(&t, list.data(), k);
        ASSERT_TRUE(cut && scal && prefix);
        ASSERT_EQ(prefix->GetNoObj(), 40);
        int r = 0;
        for (int o = 0; o < 40; ++o) {
            for (int i = 0; i < k; ++i) EXPECT_EQ(prefix->GetTable(o, i), t.GetTable(o, list[static_cast<size_t>(i)]));
            EXPECT_EQ(prefix->GetTable(o, k), t.GetTable(o, 5));
            if (!in[static_cast<size_t>(o)]) continue;
            ASSERT_LT(r, cut->GetNoObj());
            for (int i = 0; i < k; ++i) EXPECT_EQ(cut->GetTable(r, i), t.GetTable(o, list[static_cast<size_t>(i)]));
            EXPECT_EQ(cut->GetTable(r, k), t.GetTable(o, 5));
            for (int i = 0; i < 9; ++i) EXPECT_EQ(scal->GetTable(r, i), full.GetTable(o, i));
            ++r;
        }
        EXPECT_EQ(cut->GetNoObj(), r);
        EXPECT_EQ(scal->GetNoObj(), r);
    }
    // All condition attributes: nothing to cut.
    TPosRegion p(&t, 0);
    int all[] = {0, 1, 2, 3, 4};
    EXPECT_EQ(p.CutTableForReduct(&t, all, 5), nullptr);
    EXPECT_EQ(p.CutTableForReductSCAL(&t, all, 5, &full), nullptr);
    EXPECT_EQ(TPosRegion::MakePrefixTable(&t, all, 5), nullptr);
}

}  // namespace
