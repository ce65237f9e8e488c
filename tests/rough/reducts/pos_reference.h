#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "tests/support/fixed_clock.h"

// Brute-force measures of a decision table that the sorting code is checked against: classes
// found with a map from value lists, pairs compared one by one.

inline std::unique_ptr<TTable> LoadTable(const char* name) {
    auto t = std::make_unique<TTable>();
    t->Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
    return t;
}

// The objects of t whose class over attrs holds one decision.
inline std::vector<bool> NaivePositive(const TTable& t, const std::vector<int>& attrs) {
    std::map<std::vector<int>, std::set<int>> decisions;
    auto key = [&](int o) {
        std::vector<int> k;
        for (int a : attrs) k.push_back(t.Value(o, a));
        return k;
    };
    const int d = t.GetNoAttr() - 1;
    for (int o = 0; o < t.GetNoObj(); ++o) decisions[key(o)].insert(t.Value(o, d));
    std::vector<bool> in(static_cast<size_t>(t.GetNoObj()));
    for (int o = 0; o < t.GetNoObj(); ++o) in[static_cast<size_t>(o)] = decisions[key(o)].size() == 1;
    return in;
}

inline int NaivePos(const TTable& t, const std::vector<int>& attrs) {
    int n = 0;
    for (bool b : NaivePositive(t, attrs)) n += b ? 1 : 0;
    return n;
}

inline std::vector<int> Without(const std::vector<int>& attrs, size_t i) {
    std::vector<int> rest = attrs;
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i));
    return rest;
}

// At least target objects in the positive region, and fewer without any one attribute.
inline bool NaiveReductByPos(const TTable& t, const std::vector<int>& attrs, int target) {
    const int c = NaivePos(t, attrs);
    if (c < target) return false;
    for (size_t i = 0; i < attrs.size(); ++i)
        if (NaivePos(t, Without(attrs, i)) >= c) return false;
    return true;
}

inline std::vector<int> Conditions(const TTable& t) {
    std::vector<int> all;
    for (int a = 0; a + 1 < t.GetNoAttr(); ++a) all.push_back(a);
    return all;
}

// The generator back at its start and the clock pinned, so that seeded runs repeat; both
// are released afterwards.
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
