#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_cache.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/support/working_dir.h"

namespace {

// The cache writes into the working folder: each test works in a scratch one.
class RulCacheTest : public ::testing::Test {
protected:
    ScratchDir dir;
    WorkingDirScope inside{dir.Path()};
    std::unique_ptr<TTable> t = MakeTable({{0, 0}, {1, 1}, {2, 0}, {3, 1}, {4, 0}, {5, 1}});

    // Rules (a0 = v) => v % 2, evaluated on t; with v from 6 on, (a0 = v - 6) => 1 - v % 2,
    // which matches an object of the other decision.
    std::unique_ptr<TRulMemory> SetOf(const std::vector<int>& values) {
        auto m = std::make_unique<TRulMemory>();
        QuietModeGuard quiet;
        for (int v : values) m->InsertRule(v < 6 ? RuleOf({{0, v}}, v % 2) : RuleOf({{0, v - 6}}, 1 - v % 2));
        m->CalcRulesInfo(t.get(), 2);
        return m;
    }
    // Slots 0..n-1, each with a set of its own.
    void Fill(TRulCache& cache, int n) {
        for (int k = 0; k < n; ++k) cache.AddRulMemory(*SetOf({k}));
    }
    std::vector<bool> Loaded(const TRulCache& cache) {
        std::vector<bool> out;
        for (int i = 0; i < cache.GetCount(); ++i) out.push_back(cache.IsLoaded(i));
        return out;
    }
};

std::string BytesOf(const TRulMemory& m) {
    m.SaveRulesWithObjInfo("bytes");
    return ReadFileBytes("bytes");
}

TEST_F(RulCacheTest, AddingWritesAtOnceAndAFetchLoadsOutsideQuietModeToo) {
    auto m = SetOf({1, 0, 2});
    TRulCache cache(3);
    EXPECT_EQ(cache.AddRulMemory(*m), 0);
    EXPECT_EQ(cache.AddRulMemory(*m), 1);
    EXPECT_EQ(ReadFileBytes("RUL1"), BytesOf(*m));
    EXPECT_EQ(m->GetNoRules(), 3);  // the caller's set is left alone
    EXPECT_EQ(cache.GetNoLoaded(), 0);
    ASSERT_EQ(QuietMode, 0);
    EXPECT_EQ(BytesOf(*cache.GetRulMemory(1)), BytesOf(*m));
    EXPECT_EQ(Loaded(cache), (std::vector<bool>{false, true}));
    // A file that cannot be written adds no slot.
    ASSERT_EQ(mkdir("RUL2", 0755), 0);
    EXPECT_THROW(cache.AddRulMemory(*m), CalcErrorText);
    EXPECT_EQ(cache.GetCount(), 2);
}

TEST_F(RulCacheTest, TheLeastUsedLoadedSetGoesTheLowerSlotOfEquals) {
    TRulCache cache(2);
    Fill(cache, 4);
    for (int i : {0, 0, 1, 2}) cache.GetRulMemory(i);  // slot 1 (one use) goes, not slot 0
    EXPECT_EQ(Loaded(cache), (std::vector<bool>{true, false, true, false}));
    cache.GetRulMemory(1);  // slot 2 goes; slot 1 kept its count while unloaded
    EXPECT_EQ(cache.GetUses(1), 2);
    cache.GetRulMemory(3);  // slots 0 and 1 tie at two uses: slot 0 goes
    EXPECT_EQ(Loaded(cache), (std::vector<bool>{false, true, false, true}));
    for (int max : {-3, 0, 1}) {
        TRulCache small(max);
        Fill(small, 3);
        for (int i : {0, 1, 2}) small.GetRulMemory(i);
        EXPECT_EQ(small.GetNoLoaded(), 2);
    }
}

TEST_F(RulCacheTest, TheFiftiethSetGrowsTheArrays) {
    auto m = SetOf({0, 1});
    TRulCache cache(5);
    for (int k = 0; k < 49; ++k) cache.AddRulMemory(*m);
    EXPECT_EQ(cache.GetCapacity(), 50);
    EXPECT_EQ(cache.AddRulMemory(*m), 49);
    EXPECT_EQ(cache.GetCapacity(), 100);
    EXPECT_EQ(BytesOf(*cache.GetRulMemory(3)), BytesOf(*m));
}

TEST_F(RulCacheTest, BadSlotsAndFilesThatCannotBeRead) {
    TRulCache cache(2);
    Fill(cache, 3);
    for (int bad : {-1, 3}) {
        LogCapture log;
        try {
            cache.GetRulMemory(bad);
            ADD_FAILURE() << bad;
        } catch (const CalcError& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
        EXPECT_EQ(log.Text(), "Bad element number in TRulCache::GetRulMemory\n");
    }
    EXPECT_EQ(cache.GetNoLoaded(), 0);
    // The empty set of a failed load stays in its slot, loaded.
    ASSERT_EQ(std::remove("RUL1"), 0);
    EXPECT_THROW(cache.GetRulMemory(1), CalcErrorText);
    EXPECT_EQ(cache.GetRulMemory(1)->GetNoRules(), 0);
    EXPECT_EQ(cache.GetUses(1), 1);
    cache.GetRulMemory(0);
    cache.GetRulMemory(2);
    EXPECT_EQ(cache.GetNoLoaded(), 2);
}

TEST_F(RulCacheTest, ALongRandomFetchSequenceGivesBackEverySetAsItWas) {
    std::vector<std::string> bytes;
    TRulCache cache(3);
    SeedRand(3);
    for (int k = 0; k < 10; ++k) {
        std::vector<int> values;
        for (int i = 0; i <= k; ++i) values.push_back(Rand() % 12);
        auto m = SetOf(values);
        bytes.push_back(BytesOf(*m));
        cache.AddRulMemory(*m);
    }
    const int n = static_cast<int>(bytes.size());
    for (int step = 0; step < 200; ++step) {
        const int i = (Rand() % n) * (Rand() % n) / n;  // low slots more often
        ASSERT_EQ(BytesOf(*cache.GetRulMemory(i)), bytes[static_cast<size_t>(i)]) << "slot " << i;
        const std::vector<bool> loaded = Loaded(cache);
        ASSERT_EQ(std::count(loaded.begin(), loaded.end(), true), cache.GetNoLoaded());
        ASSERT_LE(cache.GetNoLoaded(), 3);
    }
}

}  // namespace
