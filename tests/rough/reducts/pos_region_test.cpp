#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "rough/reducts/pos_region.h"
#include "tests/rough/reducts/pos_reference.h"
#include "tests/rough/rough_test_util.h"
#include "tests/support/table_text.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

int Pos(TPosRegion& p, const TTable& t, const std::vector<int>& attrs) {
    return p.CountPosRegion(&t, attrs.data(), static_cast<int>(attrs.size()), 0);
}

TEST(PosRegion, AgainstBruteForceOnRealAndRandomTables) {
    auto weather = LoadTable("weather.nominal.tab");
    TPosRegion w(weather.get(), 0);
    for (int mask = 0; mask < 16; ++mask) {
        std::vector<int> attrs;
        for (int a = 0; a < 4; ++a)
            if (mask & (1 << a)) attrs.push_back(a);
        EXPECT_EQ(Pos(w, *weather, attrs), NaivePos(*weather, attrs)) << mask;
    }
    EXPECT_EQ(Pos(w, *weather, {0, 1, 2, 3}), 14);
    EXPECT_EQ(Pos(w, *weather, {0}), 4);
    auto breast = LoadTable("breast-cancer.tab");
    EXPECT_EQ(Pos(w, *breast, Conditions(*breast)), 273);  // a larger table than w was made for
    TTable random;
    FillRandomTable(random, 17, 300, 7, 3, 3);
    for (const TTable* t : {LoadTable("vote.tab").release(), LoadTable("soybean.tab").release(), &random}) {
        TPosRegion p(t, 0);
        for (int i = 0; i < 40; ++i) {
            std::vector<int> attrs;
            for (int a = 0; a + 1 < t->GetNoAttr(); ++a)
                if (Rand() % 3 == 0) attrs.push_back(a);
            EXPECT_EQ(Pos(p, *t, attrs), NaivePos(*t, attrs));
        }
        if (t != &random) delete t;
    }
}

TEST(PosRegion, DiscernedPairsAgainstPairByPair) {
    auto weather = LoadTable("weather.nominal.tab");
    TPosRegion w(weather.get(), 1);
    std::vector<int> list(5);
    w.SortByDecision(weather.get(), list.data());
    EXPECT_EQ(list[0], 4);
    const long long expected[] = {33, 30, 27, 24};
    for (int a : {3, 0, 2, 1}) EXPECT_EQ(w.CountDiscernedPairs(weather.get(), a, list.data()), expected[a]);
    auto distinct = MakeTable({{5, 0}, {6, 0}, {7, 1}});
    w.SortByDecision(distinct.get(), list.data());
    EXPECT_EQ(w.CountDiscernedPairs(distinct.get(), 0, list.data()), 2);
    TTable t;
    FillRandomTable(t, 8, 200, 6, 3, 4);
    TPosRegion p(&t, 0);  // the second order is made on demand
    p.SortByDecision(&t, list.data());
    for (int a = 0; a < 5; ++a) {
        long long pairs = 0;
        for (int i = 0; i < 200; ++i)
            for (int j = i + 1; j < 200; ++j) pairs += t.Value(i, 5) != t.Value(j, 5) && t.Value(i, a) != t.Value(j, a);
        EXPECT_EQ(p.CountDiscernedPairs(&t, a, list.data()), pairs) << a;
    }
}

TEST(PosRegion, RedundantAttributesGoInListOrder) {
    auto copy = MakeTable({{0, 0, 1, 0}, {1, 1, 1, 1}, {1, 1, 0, 0}, {0, 0, 0, 1}});
    TPosRegion p(copy.get(), 0);
    std::vector<int> list{0, 1, 2}, keep(6), work(6);
    int len = 3;
    p.RemoveRedundantAttrs(copy.get(), list.data(), &len, 4, keep.data(), work.data());
    EXPECT_EQ(std::vector<int>(list.begin(), list.begin() + len), (std::vector<int>{1, 2}));  // the first copy goes
    TTable t;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        FillRandomTable(t, seed, 40, 7, 3, 2);
        list = Conditions(t);
        const int target = NaivePos(t, list);
        len = 6;
        p.RemoveRedundantAttrs(&t, list.data(), &len, target, keep.data(), work.data());
        list.resize(static_cast<size_t>(len));
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
        EXPECT_TRUE(NaiveReductByPos(t, list, target) && NaivePos(t, list) == target) << seed;
    }
}

// The greedy draw written with brute-force classes: the attributes drawn, as flags.
std::string NaiveGreedyFlags(const TTable& t) {
    const int k = t.GetNoAttr() - 1;
    std::vector<int> chosen(static_cast<size_t>(k), 0);
    for (;;) {
        std::vector<long long> score(static_cast<size_t>(k), 0);
        long long total = 0;
        for (int a = 0; a < k; ++a) {
            if (chosen[static_cast<size_t>(a)]) continue;
            std::map<std::vector<int>, std::map<int, long long>> parts;  // class -> value -> count
            for (int o = 0; o < t.GetNoObj(); ++o) {
                std::vector<int> key;
                for (int b = 0; b < k; ++b)
                    if (chosen[static_cast<size_t>(b)]) key.push_back(t.Value(o, b));
                ++parts[key][t.Value(o, a)];
            }
            for (auto& [key, byValue] : parts) {
                long long size = 0;
                for (auto& [v, m] : byValue) size += m, score[static_cast<size_t>(a)] -= m * m;
                score[static_cast<size_t>(a)] += size * size;
            }
            total += score[static_cast<size_t>(a)];
        }
        if (total == 0) break;
        const auto u = static_cast<long long>(RandomUnit() * static_cast<double>(total));
        long long sum = 0;
        int pick = -1;
        for (int a = 0; a < k && pick < 0; ++a)
            if (!chosen[static_cast<size_t>(a)] && (sum += score[static_cast<size_t>(a)]) > u) pick = a;
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
    for (long long second : {1LL, 99LL, 1700000000LL, 123456789LL}) {
        Pin(second);
        std::string out;
        EXPECT_EQ(Run(*t, 14, out), (std::vector<int>{0, 2, 3}));
        EXPECT_EQ(out, lines + "1?1?1?1?\n");
    }
}

// The same seeds give the same flags as the brute-force scores: draws weighed by the pairs.
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
        for (int lo : {-1, shortest - 2 - static_cast<int>(Rand() % static_cast<unsigned>(shortest))})
            EXPECT_EQ(p.ShortestFullPrefix(&t, std::max(lo, -1), 6, list.data(), target), shortest) << seed;
    }
    auto weather = LoadTable("weather.nominal.tab");
    TPosRegion p(weather.get(), 0);
    int list[] = {0, 1, 2, 3};
    EXPECT_EQ(p.ShortestFullPrefix(weather.get(), 2, 2, list, 14), 3);  // no room to bisect
    EXPECT_EQ(p.ShortestFullPrefix(weather.get(), 3, 1, list, 14), 2);
}

TEST(PosRegion, CutTablesHoldThePositiveRegion) {
    TTable t, full;
    int list[] = {4, 1, 3, 0, 2};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        FillRandomTable(t, seed, 40, 6, 3, 2);
        FillRandomTable(full, seed + 100, 40, 9, 5, 3);
        TPosRegion p(&t, 0);
        const int k = 1 + static_cast<int>(seed % 4);
        const auto in = NaivePositive(t, std::vector<int>(list, list + k));
        auto cut = p.CutTableForReduct(&t, list, k);
        auto scal = p.CutTableForReductSCAL(&t, list, k, &full);
        auto prefix = TPosRegion::MakePrefixTable(&t, list, k);
        std::vector<int> expectCut, expectScal, expectPrefix;
        for (int o = 0; o < 40; ++o) {
            std::vector<int> row;
            for (int i = 0; i < k; ++i) row.push_back(t.GetTable(o, list[i]));
            row.push_back(t.GetTable(o, 5));
            expectPrefix.insert(expectPrefix.end(), row.begin(), row.end());
            if (!in[static_cast<size_t>(o)]) continue;
            expectCut.insert(expectCut.end(), row.begin(), row.end());
            for (int i = 0; i < 9; ++i) expectScal.push_back(full.GetTable(o, i));
        }
        EXPECT_EQ(AllValues(*cut), expectCut);
        EXPECT_EQ(AllValues(*scal), expectScal);
        EXPECT_EQ(AllValues(*prefix), expectPrefix);
        EXPECT_EQ(cut->GetNoObj() * (k + 1), static_cast<int>(expectCut.size()));
    }
    TPosRegion p(&t, 0);  // all condition attributes: no column of t to leave out
    EXPECT_EQ(p.CutTableForReduct(&t, list, 5), nullptr);
    EXPECT_EQ(TPosRegion::MakePrefixTable(&t, list, 5), nullptr);
    // full's columns are not the list's: every condition listed still gives its rows of the
    // positive region, in object order.
    int outside = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        FillRandomTable(t, seed, 40, 6, 2, 2);
        FillRandomTable(full, seed + 100, 40, 9, 5, 3);
        const auto in = NaivePositive(t, std::vector<int>(list, list + 5));
        std::vector<int> expect;
        for (int o = 0; o < 40; ++o) {
            outside += in[static_cast<size_t>(o)] ? 0 : 1;
            for (int i = 0; in[static_cast<size_t>(o)] && i < 9; ++i) expect.push_back(full.GetTable(o, i));
        }
        auto scal = p.CutTableForReductSCAL(&t, list, 5, &full);
        ASSERT_NE(scal, nullptr) << seed;
        EXPECT_EQ(scal->GetNoAttr(), 9);
        EXPECT_EQ(AllValues(*scal), expect) << seed;
    }
    EXPECT_GT(outside, 0);
}

// Objects without a column have no decision to tell positive objects by.
TEST(PosRegion, ObjectsWithoutColumnsHaveNoDecision) {
    TTable t;
    LoadTableText(t, "5 0\n");
    TPosRegion p(&t, 1);
    EXPECT_NO_DECISION_FAILURE(p.CountPosRegion(&t, nullptr, 0, 0));
}

}  // namespace
