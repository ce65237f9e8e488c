#pragma once

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/table.h"
#include "tests/support/literal_gen_dec.h"

// What a rule generator's output must satisfy, checked against the table itself: a rule is
// its generating object and an attribute list, its descriptors being that object's values.
// Generalized decisions come from the pair-by-pair computation, missing values compared like
// any other value.
struct ObjectRule {
    int object = -1;
    std::vector<int> attrs;
    bool operator==(const ObjectRule&) const = default;
};

// The "RULE:" lines of a standard output, in order: "RULE:" L, the object, L - 2 attributes,
// each number followed by a blank. A line of any other shape gives object -2.
inline std::vector<ObjectRule> ParseRuleLines(const std::string& out) {
    std::vector<ObjectRule> rules;
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(at, end - at);
        at = end + 1;
        if (line.rfind("RULE:", 0) != 0) continue;
        std::vector<int> numbers;
        size_t p = 5;
        bool wellFormed = true;
        while (p < line.size()) {
            const size_t blank = line.find(' ', p);
            if (blank == std::string::npos || blank == p) {
                wellFormed = false;
                break;
            }
            numbers.push_back(std::stoi(line.substr(p, blank - p)));
            p = blank + 1;
        }
        ObjectRule r;
        if (!wellFormed || numbers.size() < 2 || numbers[0] != static_cast<int>(numbers.size())) {
            r.object = -2;
        } else {
            r.object = numbers[1];
            r.attrs.assign(numbers.begin() + 2, numbers.end());
        }
        rules.push_back(r);
    }
    return rules;
}

class RuleChecker {
public:
    explicit RuleChecker(const TTable& t) : table(t), genClass(ComputeLiteralGenDec(t).classes) {}

    int GenClass(int o) const { return genClass[static_cast<size_t>(o)]; }
    bool SingleGenDecision() const {
        return std::all_of(genClass.begin(), genClass.end(), [&](int c) { return c == genClass[0]; });
    }

    bool Matches(int generator, const std::vector<int>& attrs, int o) const {
        for (int a : attrs) {
            if (table.Value(o, a) != table.Value(generator, a)) return false;
        }
        return true;
    }

    // An object the descriptors let in whose generalized decision is not the generator's;
    // -1 when there is none.
    int Contradiction(int generator, const std::vector<int>& attrs) const {
        for (int o = 0; o < table.GetNoObj(); ++o) {
            if (Matches(generator, attrs, o) && GenClass(o) != GenClass(generator)) return o;
        }
        return -1;
    }
    bool IsConsistent(const ObjectRule& r) const { return Contradiction(r.object, r.attrs) < 0; }

    // An attribute of the rule that could be dropped without letting in a contradicting
    // object; -1 when every one is needed.
    int NeedlessAttribute(const ObjectRule& r) const {
        for (size_t k = 0; k < r.attrs.size(); ++k) {
            std::vector<int> shorter = r.attrs;
            shorter.erase(shorter.begin() + static_cast<long>(k));
            if (Contradiction(r.object, shorter) < 0) return r.attrs[k];
        }
        return -1;
    }
    // Minimal, except that with a single generalized decision no list is needed at all and
    // a one-attribute rule is as short as a rule gets.
    bool IsMinimal(const ObjectRule& r) const {
        if (r.attrs.size() == 1 && SingleGenDecision()) return true;
        return NeedlessAttribute(r) < 0;
    }

    // The first object no rule matches; -1 when all are covered.
    int FirstUncovered(const std::vector<ObjectRule>& rules) const {
        for (int o = 0; o < table.GetNoObj(); ++o) {
            bool covered = false;
            for (const ObjectRule& r : rules) {
                if (Matches(r.object, r.attrs, o)) {
                    covered = true;
                    break;
                }
            }
            if (!covered) return o;
        }
        return -1;
    }

    // Every (attribute, value) whose objects share one generalized decision, by attribute and
    // then by value, both ascending.
    std::vector<std::pair<int, int>> ConsistentDescriptors() const {
        std::vector<std::pair<int, int>> out;
        for (int a = 0; a + 1 < table.GetNoAttr(); ++a) {
            std::set<int> values;
            for (int o = 0; o < table.GetNoObj(); ++o) values.insert(table.Value(o, a));
            for (int v : values) {
                int first = -1;
                bool consistent = true;
                for (int o = 0; o < table.GetNoObj(); ++o) {
                    if (table.Value(o, a) != v) continue;
                    if (first < 0) first = o;
                    if (GenClass(o) != GenClass(first)) consistent = false;
                }
                if (consistent) out.emplace_back(a, v);
            }
        }
        return out;
    }

    // The one-attribute rules that lead the list, as (attribute, value of its object).
    std::vector<std::pair<int, int>> LeadingDescriptors(const std::vector<ObjectRule>& rules) const {
        std::vector<std::pair<int, int>> out;
        for (const ObjectRule& r : rules) {
            if (r.attrs.size() != 1) break;
            out.emplace_back(r.attrs[0], table.Value(r.object, r.attrs[0]));
        }
        return out;
    }

private:
    const TTable& table;
    std::vector<int> genClass;
};
