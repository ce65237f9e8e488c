#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/reducts/dynamic_reducts.h"
#include "rough/reducts/red_memory.h"
#include "rough/reducts/subset_size.h"
#include "tests/rough/reducts/pos_reference.h"
#include "tests/rough/rough_test_util.h"
#include "tests/support/working_dir.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::string Progress(int generations) {
    std::string out;
    for (int g = 0; g < generations; ++g) out += "PROGRESS:" + std::to_string(g * 100 / generations) + "\n";
    return out;
}

std::string Best(const TRedMemory& m, const TRed** best) {
    double s = 0.0;
    *best = m.GetBestReduct(&s);
    char text[80];
    std::snprintf(text, sizeof text, "WSPOLCZYNNIK STABILNOSCI NAJLEPSZEGO REDUKTU=%g\n", s);
    return text;
}

class DynamicReductsTest : public SeededTest {
protected:
    // Occurrences of each reduct of m (pre-order) over samples drawn again as the sampling
    // draws them, by brute force; with foundFirst the first sample counts every reduct.
    static std::vector<int> Replayed(const TTable& t, const TRedMemory& m, int samples, int maxSize, bool foundFirst) {
        std::vector<int> occurrences(static_cast<size_t>(m.GetNoRed()), 0);
        TDynamicReducts d;
        CaptureStdout();
        for (int i = 0; i < samples; ++i) {
            d.RandomSubtable(&t, maxSize);
            const TTable& sub = *d.GetSubtable();
            const int target = NaivePos(sub, Conditions(sub));
            for (int r = 0; r < m.GetNoRed(); ++r)
                occurrences[static_cast<size_t>(r)] +=
                    (i == 0 && foundFirst) || NaiveReductByPos(sub, Attrs(m.GetRed(r)), target);
        }
        GetCapturedStdout();
        return occurrences;
    }
    // What the reduct calculation prints, seeded as at the start of the test.
    template <class Calculation>
    static std::string Printed(TRedMemory& m, Calculation calculation) {
        Pin(1700000000);
        CaptureStdout();
        calculation(m);
        return GetCapturedStdout();
    }
};

TEST_F(DynamicReductsTest, SubtablesOfDistinctObjectsInDrawingOrder) {
    auto t = MakeTable({{0, 0}, {1, 1}, {2, 0}, {3, 1}, {4, 0}});
    TDynamicReducts d;
    std::set<size_t> sizes;
    for (int i = 0; i < 1000; ++i) {
        d.RandomSubtable(t.get(), 10000);
        auto rows = Column(*d.GetSubtable(), 0);
        EXPECT_EQ(std::set<int>(rows.begin(), rows.end()).size(), rows.size());
        sizes.insert(rows.size());
    }
    EXPECT_EQ(sizes, (std::set<size_t>{2, 3, 4, 5}));  // size 1 is raised to 2
    Pin(42);
    d.RandomSubtable(t.get(), 3);
    Pin(42);
    std::vector<int> drawn;
    for (const int size = std::max(RandomSubsetSize(5, 3), 2); static_cast<int>(drawn.size()) < size;) {
        const int o = RandomInt(5);
        if (std::find(drawn.begin(), drawn.end(), o) == drawn.end()) drawn.push_back(o);
    }
    EXPECT_EQ(Column(*d.GetSubtable(), 0), drawn);
    // A negative bound is drawn as the size (one unit draw), which is raised to 2.
    Pin(43);
    d.RandomSubtable(t.get(), -3);
    Pin(43);
    EXPECT_EQ(RandomSubsetSize(5, -3), -3);
    drawn.clear();
    while (drawn.size() < 2) {
        const int o = RandomInt(5);
        if (std::find(drawn.begin(), drawn.end(), o) == drawn.end()) drawn.push_back(o);
    }
    EXPECT_EQ(Column(*d.GetSubtable(), 0), drawn);
    auto one = MakeTable({{7, 1}});
    d.RandomSubtable(one.get(), 10);
    EXPECT_EQ(AllValues(*d.GetSubtable()), (std::vector<int>{7, 1}));
    TTable empty;
    EXPECT_THROW(d.RandomSubtable(&empty, 10), CalcError);
    EXPECT_THROW(d.RandomSubtable(one.get(), 0), CalcError);
}

TEST_F(DynamicReductsTest, AllReductsOverThreeHundredSamples) {
    auto t = LoadTable("weather.nominal.tab");
    TDynamicReducts d;
    TRedMemory m;
    CaptureStdout();
    d.CalcDynamicReductsAll(t.get(), &m);
    const std::string out = GetCapturedStdout();
    ASSERT_EQ(m.GetNoRed(), 2);
    EXPECT_EQ(Attrs(m.GetRed(0)), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(Attrs(m.GetRed(1)), (std::vector<int>{0, 2, 3}));
    TRedMemory again;
    const std::string reasoning = Printed(again, [&](TRedMemory& r) { r.CalculateGlobalReducts(t.get(), 1, 0); });
    EXPECT_EQ(out, "Obliczam redukty dynamiczne...\n" + reasoning + "Liczba wyliczonych reduktow=2\n" +
                       std::string(300, '*') + "\n" + std::string(300, '-') + "\nPo reduktach dynamicznych\n");
    auto expected = Replayed(*t, again, 300, 14, true);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(m.GetRed(r)->GetTotal(), 301);
        EXPECT_EQ(m.GetRed(r)->GetOccurrences(), expected[static_cast<size_t>(r)]);
        EXPECT_TRUE(expected[static_cast<size_t>(r)] >= 1 && expected[static_cast<size_t>(r)] < 300);
    }
    auto lenses = LoadTable("contact-lenses.tab");
    TRedMemory lone;
    CaptureStdout();
    d.CalcDynamicReductsAll(lenses.get(), &lone);
    const std::string single = GetCapturedStdout();
    EXPECT_EQ(single, "Obliczam redukty dynamiczne...\n" +
                          Printed(again, [&](TRedMemory& r) { r.CalculateGlobalReducts(lenses.get(), 1, 0); }) +
                          "Liczba wyliczonych reduktow=1\nPo reduktach dynamicznych\n");
    ASSERT_EQ(lone.GetNoRed(), 1);
    EXPECT_EQ(lone.GetRed(0)->GetTotal(), 1);
    int count = -1;
    EXPECT_EQ(d.GetBestReduct(0, &count, &lone), std::vector<int>{0});
    EXPECT_EQ(count, 1);
}

TEST_F(DynamicReductsTest, GeneticDynamicReductsWriteTheirFile) {
    auto t = LoadTable("vote.tab");
    ScratchDir dir;
    const std::string old = std::unique_ptr<char, decltype(&free)>(getcwd(nullptr, 0), &free).get();
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    TDynamicReducts d;
    std::vector<int> list(17, -1);
    int len = -1;
    CaptureStdout();
    d.CalcDynamicReductsGenetic(t.get(), list.data(), &len);
    const std::string out = GetCapturedStdout();
    ASSERT_EQ(chdir(old.c_str()), 0);
    const TRedMemory& m = *d.GetMemory();
    ASSERT_GE(m.GetNoRed(), 2);
    const TRed* best = nullptr;
    EXPECT_EQ(out, "Obliczam redukty dynamiczne.\n" + Progress(20) + "Liczba wyznaczonych reduktow= " +
                       std::to_string(m.GetNoRed()) + "\nAktualizuje wspolczynniki stabilnosci...\n" +
                       std::string(250, '$') + "\n" + std::string(250, '+') + "\n" + Best(m, &best));
    EXPECT_EQ(std::vector<int>(list.begin(), list.begin() + len), Attrs(best));
    TRedMemory replay;  // the same genetic reducts, counters cleared, then 250 samples
    Printed(replay, [&](TRedMemory& r) { r.CalculateGeneticReducts(t.get(), 0, 1, 100, 1); });
    auto expected = Replayed(*t, replay, 250, 1000, false);
    ASSERT_EQ(replay.GetNoRed(), m.GetNoRed());
    for (int r = 0; r < m.GetNoRed(); ++r) {
        EXPECT_EQ(m.GetRed(r)->GetTotal(), 250);
        EXPECT_EQ(m.GetRed(r)->GetOccurrences(), expected[static_cast<size_t>(r)]) << r;
    }
    m.SaveReducts(dir.File("again.red").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("DYNAMIC_LARGE.RED")), ReadFileBytes(dir.File("again.red")));
    replay.LoadReducts(dir.File("DYNAMIC_LARGE.RED").c_str());
    ASSERT_EQ(replay.GetNoRed(), m.GetNoRed());
    for (int r = 0; r < m.GetNoRed(); ++r) EXPECT_EQ(Attrs(replay.GetRed(r)), Attrs(m.GetRed(r)));
}

TEST_F(DynamicReductsTest, DynamicReductsOfTheWholeTable) {
    auto t = LoadTable("weather.nominal.tab");
    TDynamicReducts d;
    std::vector<int> list(4, -1);
    int len = -1;
    CaptureStdout();
    d.CalcDynamicReducts(t.get(), list.data(), &len);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(d.GetMemory(), nullptr);
    const std::string head = "Obliczam redukty dynamiczne.\nObliczam redukty dla calej tablicy...\n" + Progress(20) +
                             std::string(300, '*') + "\n" + std::string(300, '-') +
                             "\nIlosc reduktow tablicy redukowanej dynamicznie: 2\n"
                             "WSPOLCZYNNIK STABILNOSCI NAJLEPSZEGO REDUKTU=0.";
    EXPECT_EQ(out.substr(0, head.size()), head);
    const std::vector<int> reduct(list.begin(), list.begin() + len);
    EXPECT_TRUE(reduct == (std::vector<int>{0, 1, 3}) || reduct == (std::vector<int>{0, 2, 3}));
    // A lone reduct is never sampled: at 0 of 1 it is still the most stable, and reported.
    auto lenses = LoadTable("contact-lenses.tab");
    TRedMemory global;
    Printed(global, [&](TRedMemory& r) { r.CalculateGlobalReducts(lenses.get(), 1, 0); });
    ASSERT_EQ(global.GetNoRed(), 1);
    CaptureStdout();
    d.CalcDynamicReducts(lenses.get(), list.data(), &len);
    EXPECT_EQ(GetCapturedStdout(), "Obliczam redukty dynamiczne.\nObliczam redukty dla calej tablicy...\n" +
                                       Progress(20) + "\nIlosc reduktow tablicy redukowanej dynamicznie: 1\n"
                                                      "WSPOLCZYNNIK STABILNOSCI NAJLEPSZEGO REDUKTU=0\n");
    EXPECT_EQ(std::vector<int>(list.begin(), list.begin() + std::max(len, 0)), Attrs(global.GetRed(0)));
}

// Each reduct takes one column of each of ten pairs of equal columns, and keeps the positive
// region of a sample only when the sample holds all ten objects that one pair alone tells
// from the zeros: none of the samples drawn here does. All then stand at stability 0, and the
// first of the memory's walk, the least in the memory's order, is reported.
TEST_F(DynamicReductsTest, GeneticReductsThatFailEverySampleStillGiveTheFirst) {
    TTable t;
    t.CreateTable(20, 21);
    for (int o = 0; o < 20; ++o) {
        for (int a = 0; a < 20; ++a) t.SetTable(o, a, o < 10 && a / 2 == o ? 1 : 0);
        t.SetTable(o, 20, o < 10 ? 1 : 0);
    }
    ScratchDir dir;
    WorkingDirScope here(dir.Path());
    TDynamicReducts d;
    std::vector<int> list(21, -1);
    int len = -1;
    CaptureStdout();
    d.CalcDynamicReductsGenetic(&t, list.data(), &len);
    GetCapturedStdout();
    const TRedMemory& m = *d.GetMemory();
    ASSERT_GE(m.GetNoRed(), 2);
    std::vector<int> least = Attrs(m.GetRed(0));
    for (int r = 0; r < m.GetNoRed(); ++r) {
        EXPECT_EQ(m.GetRed(r)->GetOccurrences(), 0);
        least = std::min(least, Attrs(m.GetRed(r)));
    }
    EXPECT_EQ(std::vector<int>(list.begin(), list.begin() + std::max(len, 0)), least);
}

TEST_F(DynamicReductsTest, LocalDynamicReductsAllTestedThreeHundredTimes) {
    auto t = LoadTable("weather.nominal.tab");
    TDynamicReducts d;
    TRedMemory m;
    CaptureStdout();
    d.CalcLocalDynamicReducts(t.get(), &m);
    const std::string out = GetCapturedStdout();
    ASSERT_GT(m.GetNoRed(), 0);
    for (int r = 0; r < m.GetNoRed(); ++r) EXPECT_EQ(m.GetRed(r)->GetTotal(), 300);
    const std::string head = "Obliczam lokalne redukty dynamiczne...\n" + std::string(300, '*') + "\n";
    const std::string tail = "\nWeryfikuje wspolczynnik stabilnosci policzonych reduktow...\n" +
                             std::string(300, '-') + "\nPo lokalnych reduktach dynamicznych\n";
    ASSERT_GT(out.size(), head.size() + tail.size());
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    // Each of the 300 subtables: a mark and the ten generations of its genetic search.
    const std::string collecting = out.substr(head.size(), out.size() - head.size() - tail.size());
    std::string expected;
    for (int i = 0; i < 300; ++i) expected += "-" + Progress(10);
    EXPECT_EQ(collecting, expected);
}

TEST(DynamicBestReducts, ThresholdsInTenths) {
    auto memory = [](std::vector<std::pair<int, int>> counts) {
        auto m = std::make_unique<TRedMemory>();  // pre-order is insertion order here
        for (size_t i = 0; i < counts.size(); ++i) m->Insert(Red({static_cast<int>(i)}, counts[i].first, counts[i].second));
        return m;
    };
    TDynamicReducts d;
    int count = -1;
    EXPECT_EQ(d.GetBestReduct(0, &count, memory({{10, 10}, {3, 10}, {10, 10}}).get()), (std::vector<int>{0, 2}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(d.GetBestReduct(0, &count, memory({{10, 10}, {9, 10}, {7, 10}}).get()), (std::vector<int>{0, 1}));
    EXPECT_EQ(d.GetBestReduct(0, &count, memory({{1, 10}, {0, 10}}).get()), (std::vector<int>{0}));
    EXPECT_EQ(count, 1);
    // Below every threshold the most stable is taken all the same, the first of the memory's
    // walk on a tie: {0} left of the root {1}, second in pre-order.
    CaptureStdout();
    EXPECT_EQ(d.GetBestReduct(0, &count, memory({{0, 10}, {1, 11}}).get()), (std::vector<int>{1}));
    TRedMemory tie;
    for (int a : {1, 0, 2}) tie.Insert(Red({a}, 0, 10));
    EXPECT_EQ(d.GetBestReduct(0, &count, &tie), (std::vector<int>{1}));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(GetCapturedStdout(), "");
    CaptureStdout();
    EXPECT_TRUE(d.GetBestReduct(0, &count, std::make_unique<TRedMemory>().get()).empty());
    EXPECT_EQ(GetCapturedStdout(), "UWAGA: BRAK REDUKTOW!!!\n");
    EXPECT_EQ(count, 0);
}

}  // namespace
