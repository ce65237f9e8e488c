#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "rough/reducts/red_memory.h"
#include "tests/support/fixed_clock.h"

// Brute-force measures that the sorting code is checked against: classes found with a map
// from value lists.

inline std::unique_ptr<TTable> LoadTable(const char* name) {
    auto t = std::make_unique<TTable>();
    t->Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
    return t;
}

// Per object: whether its class over attrs holds one decision.
inline std::vector<bool> NaivePositive(const TTable& t, const std::vector<int>& attrs) {
    std::map<std::vector<int>, std::set<int>> decisions;
    std::vector<std::vector<int>> keys;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        keys.emplace_back();
        for (int a : attrs) keys.back().push_back(t.Value(o, a));
        decisions[keys.back()].insert(t.Value(o, t.GetNoAttr() - 1));
    }
    std::vector<bool> in;
    for (const auto& k : keys) in.push_back(decisions[k].size() == 1);
    return in;
}

inline int NaivePos(const TTable& t, const std::vector<int>& attrs) {
    int n = 0;
    for (bool b : NaivePositive(t, attrs)) n += b ? 1 : 0;
    return n;
}

// At least target objects in the positive region, and fewer without any one attribute.
inline bool NaiveReductByPos(const TTable& t, const std::vector<int>& attrs, int target) {
    const int c = NaivePos(t, attrs);
    for (size_t i = 0; i < attrs.size() && c >= target; ++i) {
        std::vector<int> rest = attrs;
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i));
        if (NaivePos(t, rest) >= c) return false;
    }
    return c >= target;
}

inline std::vector<int> Conditions(const TTable& t) {
    std::vector<int> all;
    for (int a = 0; a + 1 < t.GetNoAttr(); ++a) all.push_back(a);
    return all;
}

inline std::unique_ptr<TRed> Red(const std::vector<int>& attrs, int occurrences = 0, int total = 0) {
    auto sack = std::make_unique<TIntSack>();
    for (int a : attrs) sack->AddElem(a);
    auto red = std::make_unique<TRed>(std::move(sack));
    red->SetOccurrences(occurrences);
    red->SetTotal(total);
    return red;
}

inline std::vector<int> Attrs(const TRed* r) { return {r->GetAttributes()->begin(), r->GetAttributes()->end()}; }

// The generator back at its start and the clock pinned, so that seeded runs repeat.
class SeededTest : public ::testing::Test {
protected:
    void SetUp() override { Pin(1700000000); }
    void TearDown() override {
        ResetRandomForTests();
        SetFixedClockSecond(-1);
    }
    static void Pin(long long second) {
        ResetRandomForTests();
        SetFixedClockSecond(second);
    }
};
