#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/reducts/pos_region.h"
#include "rough/reducts/red_memory.h"
#include "tests/rough/reducts/pos_reference.h"
#include "tests/rough/rough_test_util.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

bool NaiveDiscernsAll(const TTable& t, const std::vector<int>& attrs) {
    const int d = t.GetNoAttr() - 1;
    for (int i = 0; i < t.GetNoObj(); ++i)
        for (int j = i + 1; j < t.GetNoObj(); ++j) {
            bool differ = t.Value(i, d) == t.Value(j, d);
            for (int a : attrs) differ = differ || t.Value(i, a) != t.Value(j, a);
            if (!differ) return false;
        }
    return true;
}

// The brute-force cross-checks of DiscernsAll and IsReductByPOS are the replayed samples of
// SampleSubtables and of the dynamic reducts.
TEST(RedStability, SharesAndTestsAgainstATable) {
    EXPECT_EQ(Red({0}, 3, 4)->GetStability(), 0.75);
    EXPECT_EQ(Red({0}, 0, 0)->GetStability(), 1.0);
    EXPECT_EQ(Red({0}, 0, 0)->IsMoreStable(Red({1}, 1, 2).get()), 1);
    EXPECT_EQ(Red({0}, 1, 2)->IsMoreStable(Red({1}, 2, 4).get()), 0);
    auto weather = LoadTable("weather.nominal.tab");
    TPosRegion w(weather.get(), 0);
    std::vector<int> work(4);
    EXPECT_EQ(Red({0, 2, 3})->IsReductByPOS(weather.get(), &w, work.data(), 14), 1);
    EXPECT_EQ(Red({0, 1, 2, 3})->IsReductByPOS(weather.get(), &w, work.data(), 14), 0);  // not minimal
    EXPECT_EQ(Red({0, 2})->IsReductByPOS(weather.get(), &w, work.data(), 14), 0);
    EXPECT_EQ(Red({0, 2})->IsReductByPOS(weather.get(), &w, work.data(), 8), 1);
    EXPECT_EQ(Red({0, 2, 3})->DiscernsAll(weather.get()), 1);
    EXPECT_EQ(Red({0, 1, 2})->DiscernsAll(weather.get()), 0);
}

TEST(RedStability, ClassifyAndReduce) {
    auto train = MakeTable({{1, 5, 0}, {1, 6, 1}, {2, 5, 1}, {3, 5, 2}, {3, 7, 2}});
    auto test = MakeTable({{1, 9, 0}, {2, 9, 0}, {3, 0, 0}, {4, 0, 0}});
    auto r = Red({0});
    EXPECT_EQ(r->ClassifyObject(train.get(), test.get(), 0, 9), 9);  // decisions 0 and 1 disagree
    EXPECT_EQ(r->ClassifyObject(train.get(), test.get(), 1, 9), 1);
    EXPECT_EQ(r->ClassifyObject(train.get(), test.get(), 2, 9), 2);
    EXPECT_EQ(r->ClassifyObject(train.get(), test.get(), 3, 9), 9);  // nothing matches
    EXPECT_EQ(r->ClassifyObject(train.get(), test.get(), 0, 1), 1);  // a match with the default
    EXPECT_EQ(AllValues(*Red({2, 0})->GetReducedTable(train.get())),
              (std::vector<int>{0, 1, 0, 1, 1, 1, 1, 2, 1, 2, 3, 2, 2, 3, 2}));
}

// Pre-order of the memory: {1}, {0}, {2}.
TEST(RedStability, CountingWalks) {
    TRedMemory m;
    m.FoldFoundFlags();  // an empty memory has nothing to count
    for (int a : {1, 0, 2}) m.Insert(Red({a}));
    m.SetCounters(0, 0);
    m.Insert(Red({2}));  // found again
    m.FoldFoundFlags();
    auto counts = [&] {
        std::vector<int> o;
        for (int i = 0; i < 3; ++i) o.push_back(m.GetRed(i)->GetOccurrences() * 100 + m.GetRed(i)->GetTotal());
        return o;
    };
    EXPECT_EQ(counts(), (std::vector<int>{1, 1, 101}));
    auto sub = MakeTable({{0, 0, 0, 0}, {1, 0, 0, 1}, {1, 1, 1, 1}});
    m.CountDiscerning(sub.get());  // only attribute 0 tells the decisions apart
    EXPECT_EQ(counts(), (std::vector<int>{2, 102, 102}));
    m.Insert(Red({1}));
    TPosRegion p(sub.get(), 0);
    std::vector<int> work(3);
    // {1} counts by its flag alone, {0} is a reduct of sub, {2} keeps one object of three.
    m.CountPosRegion(sub.get(), &p, work.data(), 3);
    EXPECT_EQ(counts(), (std::vector<int>{103, 203, 103}));
    m.CountPosRegion(sub.get(), &p, work.data(), 3);
    EXPECT_EQ(counts(), (std::vector<int>{104, 304, 104}));
    m.SetTotal(7);
    EXPECT_EQ(counts(), (std::vector<int>{107, 307, 107}));
    m.SetCounters(7, 9);
    EXPECT_EQ(counts(), (std::vector<int>{709, 709, 709}));
}

// The best of a node as the recursive combination states it, an empty subtree losing to
// any reduct (whatever its stability) and a tie going to the left.
std::pair<const TRed*, double> CombinedBest(const TRedLeaf* node) {
    if (node == nullptr) return {nullptr, 0.0};
    auto left = CombinedBest(node->GetLeft());
    auto right = CombinedBest(node->GetRight());
    const auto first = [](auto a, auto b) {
        return a.first != nullptr && (b.first == nullptr || a.second >= b.second) ? a : b;
    };
    return first(first(left, std::pair<const TRed*, double>{node->GetRed(), node->GetRed()->GetStability()}), right);
}

TEST(RedStability, BestReductTiesGoLeft) {
    TRedMemory m;
    double s = -1.0;
    EXPECT_EQ(m.GetBestReduct(&s), nullptr);
    m.Insert(Red({1}, 1, 2));
    m.Insert(Red({0}, 2, 4));
    m.Insert(Red({2}, 3, 6));
    EXPECT_EQ(Attrs(m.GetBestReduct(&s)), std::vector<int>{0});
    EXPECT_EQ(s, 0.5);
    m.SetCounters(0, 5);  // all at 0: still the first of the walk, left of the root
    const TRed* zero = m.GetBestReduct(&s);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(Attrs(zero), std::vector<int>{0});
    EXPECT_EQ(s, 0.0);
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SeedRand(seed);
        TRedMemory r;
        for (int i = 0, n = 1 + Rand() % 12; i < n; ++i) r.Insert(Red({Rand() % 20}, Rand() % 3, Rand() % 3));
        auto expected = CombinedBest(r.GetRoot());
        EXPECT_EQ(r.GetBestReduct(&s), expected.first) << seed;
        EXPECT_EQ(s, expected.second);
    }
}

using SampleSubtablesTest = SeededTest;

// The samples are drawn again here, after the same ten unused ones, and checked pair by pair.
TEST_F(SampleSubtablesTest, CountsFollowTheDraws) {
    auto t = LoadTable("weather.nominal.tab");
    const std::vector<std::vector<int>> sets{{0}, {1, 2}, {0, 3}, {0, 1, 3}};
    TRedMemory m;
    for (const auto& s : sets) m.Insert(Red(s));
    CaptureStdout();
    m.SampleSubtables(t.get());
    EXPECT_EQ(GetCapturedStdout(), "table->NoObj()=14\nMinimalSize=7\nMaximalSize=13\nKrok=1\n");
    Pin(1700000000);
    TTable sub;
    for (int i = 0; i < 10; ++i) t->GetSubTable(7, sub);
    std::vector<int> occurrences(sets.size(), 1);
    for (int i = 0; i < 30; ++i) {
        t->GetSubTable(7 + i / 5, sub);
        for (size_t r = 0; r < sets.size(); ++r) occurrences[r] += NaiveDiscernsAll(sub, sets[r]) ? 1 : 0;
    }
    for (size_t r = 0; r < sets.size(); ++r) {
        const TRed* red = m.GetRoot()->Find(Red(sets[r]).get());
        EXPECT_EQ(red->GetTotal(), 31);
        EXPECT_EQ(red->GetOccurrences(), occurrences[r]) << r;
    }
    EXPECT_LT(occurrences[0], 31);
    EXPECT_EQ(occurrences[3], 31);  // a reduct of the table discerns all of every part
    // Five objects: sizes 2 to 4 in steps that would be 0.
    auto five = MakeTable({{0, 0}, {1, 1}, {2, 0}, {3, 1}, {4, 0}});
    TRedMemory one;
    one.Insert(Red({0}));
    CaptureStdout();
    one.SampleSubtables(five.get());
    EXPECT_EQ(GetCapturedStdout(), "table->NoObj()=5\nMinimalSize=2\nMaximalSize=4\nKrok=1\n");
    EXPECT_EQ(one.GetRed(0)->GetTotal(), 11);
    // Two objects leave no size to sample: the step is the computed 0 and nothing is counted.
    auto two = MakeTable({{0, 0}, {1, 1}});
    CaptureStdout();
    one.SampleSubtables(two.get());
    EXPECT_EQ(GetCapturedStdout(), "table->NoObj()=2\nMinimalSize=1\nMaximalSize=1\nKrok=0\n");
    EXPECT_EQ(one.GetRed(0)->GetOccurrences() * 100 + one.GetRed(0)->GetTotal(), 101);
    // One object: the same lines, then no subtable of 0 objects can be drawn.
    auto single = MakeTable({{0, 0}});
    CaptureStdout();
    try {
        one.SampleSubtables(single.get());
        ADD_FAILURE() << "sampled";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.GetCode(), 4);
    }
    EXPECT_EQ(GetCapturedStdout(), "table->NoObj()=1\nMinimalSize=0\nMaximalSize=0\nKrok=0\n");
}

TEST_F(SampleSubtablesTest, JohnsonReductPrintsAndStores) {
    auto t = LoadTable("weather.nominal.tab");
    TRedMemory m;
    TPosRegion p(t.get(), 1);
    std::vector<int> avail(4), work(4), chosen(4);
    std::vector<long long> score(4);
    CaptureStdout();
    EXPECT_EQ(m.JohnsonReduct(t.get(), &p, avail.data(), work.data(), chosen.data(), score.data(), 2, 14), 2);
    std::string one = ".Licze JohnsonReduct i to jest to\n";
    for (int i = 0; i < 4; ++i) one += "Jestem 3\nJestem 4\n";
    EXPECT_EQ(GetCapturedStdout(), one + "1?1?1?1?\nNoAttrInReduct=3\n0 2 3 \n" + one + "1?1?1?1?\nNoAttrInReduct=3\n0 2 3 \n");
    ASSERT_EQ(m.GetNoRed(), 1);
    EXPECT_EQ(Attrs(m.GetRed(0)), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(m.GetRed(0)->GetFound(), 1);
}

}  // namespace
