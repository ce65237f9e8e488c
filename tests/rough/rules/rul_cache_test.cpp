#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_cache.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/support/test_files.h"
#include "tests/support/working_dir.h"

namespace {

// The cache writes its files into the working folder: each test works in a scratch one.
class RulCacheTest : public ::testing::Test {
protected:
    ScratchDir dir;
    WorkingDirScope inside{dir.Path()};
};

// A stored rule set: rules of one descriptor (a, v) for the listed values, evaluated on t.
std::unique_ptr<TRulMemory> SetOf(TTable& t, const std::vector<int>& values) {
    auto m = std::make_unique<TRulMemory>();
    QuietModeGuard quiet;
    for (int v : values) m->InsertRule(RuleOf({{0, v}}, v % 2));
    m->CalcRulesInfo(&t, 2);
    return m;
}

std::string BytesOf(const TRulMemory& m) {
    m.SaveRulesWithObjInfo("bytes");
    return ReadFileBytes("bytes");
}

TEST_F(RulCacheTest, AddingWritesTheFileAtOnceAndTheCallerKeepsTheSet) {
    auto t = MakeTable({{0, 0}, {1, 1}, {2, 0}, {1, 1}});
    auto m = SetOf(*t, {1, 0, 2});
    TRulCache cache(3);
    EXPECT_EQ(cache.AddRulMemory(*m), 0);
    EXPECT_EQ(cache.AddRulMemory(*m), 1);
    EXPECT_EQ(ReadFileBytes("RUL0"), BytesOf(*m));
    EXPECT_EQ(ReadFileBytes("RUL1"), BytesOf(*m));
    EXPECT_EQ(cache.GetNoLoaded(), 0);
    EXPECT_EQ(m->GetNoRules(), 3);
    // Outside quiet mode too the fetched set holds its rules.
    ASSERT_EQ(QuietMode, 0);
    TRulMemory* back = cache.GetRulMemory(1);
    EXPECT_EQ(back->GetNoRules(), 3);
    EXPECT_EQ(BytesOf(*back), BytesOf(*m));
    EXPECT_EQ(cache.GetUses(1), 1);
    EXPECT_TRUE(cache.IsLoaded(1));
    EXPECT_FALSE(cache.IsLoaded(0));
}

TEST_F(RulCacheTest, ASetThatCannotBeWrittenAddsNoSlot) {
    auto t = MakeTable({{0, 0}, {1, 1}});
    auto m = SetOf(*t, {0, 1});
    TRulCache cache(2);
    ASSERT_EQ(mkdir("RUL0", 0755), 0);  // a folder in the file's place
    {
        LogCapture log;
        try {
            cache.AddRulMemory(*m);
            FAIL() << "written over a folder";
        } catch (const CalcErrorText& e) {
            EXPECT_EQ(e.GetCode(), 7);
        }
    }
    EXPECT_EQ(cache.GetCount(), 0);
    EXPECT_THROW(cache.GetRulMemory(0), CalcError);
    ASSERT_EQ(rmdir("RUL0"), 0);
    EXPECT_EQ(cache.AddRulMemory(*m), 0);
    EXPECT_EQ(BytesOf(*cache.GetRulMemory(0)), BytesOf(*m));
}

TEST_F(RulCacheTest, TheLeastUsedLoadedSetGoesFirstOfEquals) {
    auto t = MakeTable({{0, 0}, {1, 1}, {2, 0}});
    TRulCache cache(2);
    for (int k = 0; k < 4; ++k) cache.AddRulMemory(*SetOf(*t, {k}));
    cache.GetRulMemory(0);
    cache.GetRulMemory(0);
    cache.GetRulMemory(1);
    cache.GetRulMemory(2);  // slot 1 (one use) goes, not slot 0 (two)
    EXPECT_TRUE(cache.IsLoaded(0));
    EXPECT_FALSE(cache.IsLoaded(1));
    EXPECT_TRUE(cache.IsLoaded(2));
    // Slots 1 and 2 both have one use now, slot 0 two: loading 1 again drops slot 2, the
    // only loaded one with one use; the count of slot 1 survived its unloading.
    cache.GetRulMemory(1);
    EXPECT_EQ(cache.GetUses(1), 2);
    EXPECT_TRUE(cache.IsLoaded(0));
    EXPECT_TRUE(cache.IsLoaded(1));
    EXPECT_FALSE(cache.IsLoaded(2));
    // Slots 0 and 1 tie at two uses: the lower slot goes.
    cache.GetRulMemory(3);
    EXPECT_FALSE(cache.IsLoaded(0));
    EXPECT_TRUE(cache.IsLoaded(1));
    EXPECT_TRUE(cache.IsLoaded(3));
    EXPECT_EQ(cache.GetNoLoaded(), 2);
}

TEST_F(RulCacheTest, AMaximumBelowTwoMeansTwo) {
    auto t = MakeTable({{0, 0}, {1, 1}});
    for (int max : {-3, 0, 1}) {
        TRulCache cache(max);
        EXPECT_EQ(cache.GetMaxLoaded(), 2);
        for (int k = 0; k < 3; ++k) cache.AddRulMemory(*SetOf(*t, {k}));
        cache.GetRulMemory(0);
        cache.GetRulMemory(1);
        EXPECT_EQ(cache.GetNoLoaded(), 2);
        cache.GetRulMemory(2);
        EXPECT_EQ(cache.GetNoLoaded(), 2);
    }
}

TEST_F(RulCacheTest, TheFiftiethSetGrowsTheArraysToAHundred) {
    auto t = MakeTable({{0, 0}, {1, 1}});
    auto m = SetOf(*t, {0, 1});
    TRulCache cache(5);
    for (int k = 0; k < 49; ++k) cache.AddRulMemory(*m);
    EXPECT_EQ(cache.GetCapacity(), 50);
    EXPECT_EQ(cache.AddRulMemory(*m), 49);
    EXPECT_EQ(cache.GetCapacity(), 100);
    for (int k = 50; k < 99; ++k) cache.AddRulMemory(*m);
    EXPECT_EQ(cache.GetCapacity(), 100);
    cache.AddRulMemory(*m);
    EXPECT_EQ(cache.GetCapacity(), 150);
    // What was added before the growth is still there.
    EXPECT_EQ(BytesOf(*cache.GetRulMemory(3)), BytesOf(*m));
    EXPECT_EQ(BytesOf(*cache.GetRulMemory(99)), BytesOf(*m));
}

TEST_F(RulCacheTest, ABadSlotNumberChangesNothing) {
    auto t = MakeTable({{0, 0}, {1, 1}});
    TRulCache cache(2);
    cache.AddRulMemory(*SetOf(*t, {0}));
    for (int bad : {-1, 1, 1000}) {
        LogCapture log;
        try {
            cache.GetRulMemory(bad);
            FAIL() << "slot " << bad << " fetched";
        } catch (const CalcError& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
        EXPECT_EQ(log.Text(), "Bad element number in TRulCache::GetRulMemory\n");
    }
    EXPECT_EQ(cache.GetNoLoaded(), 0);
    EXPECT_EQ(cache.GetUses(0), 0);
}

TEST_F(RulCacheTest, AFileThatCannotBeReadLeavesAnEmptySetThatCountsAsLoaded) {
    auto t = MakeTable({{0, 0}, {1, 1}});
    TRulCache cache(2);
    for (int k = 0; k < 3; ++k) cache.AddRulMemory(*SetOf(*t, {k}));
    ASSERT_EQ(std::remove("RUL1"), 0);
    {
        LogCapture log;
        try {
            cache.GetRulMemory(1);
            FAIL() << "a missing file loaded";
        } catch (const CalcErrorText& e) {
            EXPECT_EQ(e.GetCode(), 6);
        }
    }
    EXPECT_TRUE(cache.IsLoaded(1));
    EXPECT_EQ(cache.GetNoLoaded(), 1);
    EXPECT_EQ(cache.GetUses(1), 0);
    TRulMemory* empty = cache.GetRulMemory(1);
    EXPECT_EQ(empty->GetNoRules(), 0);
    EXPECT_EQ(cache.GetUses(1), 1);
    cache.GetRulMemory(0);
    cache.GetRulMemory(2);
    EXPECT_EQ(cache.GetNoLoaded(), 2);
}

TEST_F(RulCacheTest, ALongRandomFetchSequenceGivesBackEverySetAsItWas) {
    // Rule sets of LEM2 on weather and contact-lenses and of random one-descriptor rules.
    std::vector<std::unique_ptr<TRulMemory>> sets;
    std::vector<std::unique_ptr<TTable>> tables;
    for (const char* name : {"weather.nominal.tab", "contact-lenses.tab"}) {
        auto t = std::make_unique<TTable>();
        t->Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        for (double fraction : {0.0, 0.5}) {
            TDValInfo classes;
            classes.CalcFromTable(*t);
            auto m = std::make_unique<TRulMemory>();
            testing::internal::CaptureStdout();
            m->CalculateRulesLEM2(t.get(), classes, fraction);
            testing::internal::GetCapturedStdout();
            m->CalcRulesInfo(t.get(), 2);
            sets.push_back(std::move(m));
        }
        tables.push_back(std::move(t));
    }
    SeedRand(3);
    auto r = MakeTable({{0, 0}, {1, 1}, {2, 0}, {3, 1}, {4, 0}, {5, 1}});
    for (int k = 0; k < 8; ++k) {
        std::vector<int> values;
        for (int i = 0; i <= k; ++i) values.push_back(Rand() % 6);
        sets.push_back(SetOf(*r, values));
    }
    std::vector<std::string> bytes;
    TRulCache cache(3);
    for (size_t k = 0; k < sets.size(); ++k) {
        bytes.push_back(BytesOf(*sets[k]));
        EXPECT_EQ(cache.AddRulMemory(*sets[k]), static_cast<int>(k));
    }
    sets.clear();  // the cache answers from its files alone
    const int n = static_cast<int>(bytes.size());
    for (int step = 0; step < 200; ++step) {
        // Skewed: low slots more often.
        const int i = (Rand() % n) * (Rand() % n) / n;
        TRulMemory* m = cache.GetRulMemory(i);
        ASSERT_EQ(BytesOf(*m), bytes[static_cast<size_t>(i)]) << "slot " << i << " at step " << step;
        ASSERT_LE(cache.GetNoLoaded(), 3);
        int loaded = 0;
        for (int s = 0; s < n; ++s) loaded += cache.IsLoaded(s) ? 1 : 0;
        ASSERT_EQ(loaded, cache.GetNoLoaded());
    }
}

}  // namespace
