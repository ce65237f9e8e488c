#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/report.h"
#include "core/table.h"
#include "tests/support/test_files.h"

// What the rule generators must produce, computed the slow way: the local reducts of an
// object relative to the generalized decision are the minimal attribute sets that meet each
// of its clauses, a clause holding the condition attributes on which the object differs from
// an object of another generalized decision (missing = 1: a missing value on either side
// never differs).

// The generalized decision of every object: the set of decisions of the objects with its
// condition values.
inline std::vector<std::set<int>> GeneralizedDecisions(const TTable& t) {
    const int m = t.GetNoAttr() - 1;
    std::map<std::vector<int>, std::set<int>> byConditions;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        byConditions[std::vector<int>(t.Row(o), t.Row(o) + m)].insert(t.Value(o, m));
    }
    std::vector<std::set<int>> out;
    for (int o = 0; o < t.GetNoObj(); ++o) out.push_back(byConditions[std::vector<int>(t.Row(o), t.Row(o) + m)]);
    return out;
}

// The non-empty clauses of object i, each an ascending attribute list.
inline std::vector<std::vector<int>> ClausesOf(const TTable& t, int i, int missing) {
    const int m = t.GetNoAttr() - 1;
    const std::vector<std::set<int>> gen = GeneralizedDecisions(t);
    std::vector<std::vector<int>> clauses;
    for (int j = 0; j < t.GetNoObj(); ++j) {
        if (gen[static_cast<size_t>(j)] == gen[static_cast<size_t>(i)]) continue;
        std::vector<int> clause;
        for (int a = 0; a < m; ++a) {
            const int x = t.Value(i, a);
            const int y = t.Value(j, a);
            if (x == y) continue;
            if (missing == 1 && (x == TTable::MissingValue || y == TTable::MissingValue)) continue;
            clause.push_back(a);
        }
        if (!clause.empty()) clauses.push_back(clause);
    }
    return clauses;
}

inline bool Meets(const std::vector<int>& set, const std::vector<int>& clause) {
    for (int a : clause) {
        if (std::find(set.begin(), set.end(), a) != set.end()) return true;
    }
    return false;
}

inline bool MeetsAll(const std::vector<int>& set, const std::vector<std::vector<int>>& clauses) {
    for (const auto& c : clauses) {
        if (!Meets(set, c)) return false;
    }
    return true;
}

// Meets every clause, and no longer does without any one of its attributes.
inline bool IsMinimalHittingSet(const std::vector<int>& set, const std::vector<std::vector<int>>& clauses) {
    if (!MeetsAll(set, clauses)) return false;
    for (size_t k = 0; k < set.size(); ++k) {
        std::vector<int> smaller = set;
        smaller.erase(smaller.begin() + static_cast<long>(k));
        if (MeetsAll(smaller, clauses)) return false;
    }
    return true;
}

// Every minimal hitting set, each ascending: subsets of the attributes the clauses name.
inline std::vector<std::vector<int>> MinimalHittingSets(const std::vector<std::vector<int>>& clauses) {
    std::set<int> named;
    for (const auto& c : clauses) named.insert(c.begin(), c.end());
    const std::vector<int> universe(named.begin(), named.end());
    EXPECT_LE(universe.size(), 20u) << "too many attributes for the enumeration";
    std::vector<std::vector<int>> out;
    for (unsigned long bits = 0; bits < (1ul << universe.size()); ++bits) {
        std::vector<int> set;
        for (size_t k = 0; k < universe.size(); ++k) {
            if (bits & (1ul << k)) set.push_back(universe[k]);
        }
        if (IsMinimalHittingSet(set, clauses)) out.push_back(set);
    }
    return out;
}

inline std::string RuleLine(int object, const std::vector<int>& attrs) {
    std::string line = "RULE:" + std::to_string(attrs.size() + 2) + " " + std::to_string(object) + " ";
    for (int a : attrs) line += std::to_string(a) + " ";
    return line;
}

// A RULE line taken apart: its object and attributes; false when the line is no RULE line
// or its count disagrees with its length.
inline bool ParseRuleLine(const std::string& line, int& object, std::vector<int>& attrs) {
    if (line.rfind("RULE:", 0) != 0 || line.empty() || line.back() != ' ') return false;
    std::vector<int> numbers;
    size_t at = 5;
    while (at < line.size()) {
        const size_t blank = line.find(' ', at);
        numbers.push_back(std::stoi(line.substr(at, blank - at)));
        at = blank + 1;
    }
    if (numbers.size() < 2 || numbers[0] != static_cast<int>(numbers.size())) return false;
    object = numbers[1];
    attrs.assign(numbers.begin() + 2, numbers.end());
    return true;
}

// Gives the generators a rule buffer for the table and the process LOG a scratch file, and
// takes both back.
class RuleRun {
public:
    explicit RuleRun(const TTable& t) : buffer(static_cast<size_t>(t.GetNoAttr() + 2)) {
        g_RuleBuf = buffer.data();
        g_RuleBufSize = static_cast<int>(buffer.size());
    }
    ~RuleRun() {
        g_RuleBuf = nullptr;
        g_RuleBufSize = 0;
        QuietMode = 0;
    }
    RuleRun(const RuleRun&) = delete;
    RuleRun& operator=(const RuleRun&) = delete;
    LogCapture log;

private:
    std::vector<int> buffer;
};
