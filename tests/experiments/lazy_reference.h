#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/table.h"

// The lazy classifier worked out from its definition, one training object at a time and
// with no grouping: a training object votes when some object of its decision whose
// agreement set its own contains reads a trusted rule.
struct LazyReference {
    std::vector<std::vector<bool>> sets;  // of the training objects agreeing on something
    std::vector<int> decisions;

    LazyReference(const TTable& train, const TTable& test, int k) {
        for (int o = 0; o < train.GetNoObj(); ++o) {
            std::vector<bool> set;
            bool any = false;
            for (int a = 0; a + 1 < train.GetNoAttr(); ++a) {
                set.push_back(train.GetTable(o, a) == test.GetTable(k, a));
                any = any || set.back();
            }
            if (!any) continue;
            sets.push_back(set);
            decisions.push_back(train.GetTable(o, train.GetNoAttr() - 1));
        }
    }
    bool Contains(int j, int i) const {
        for (std::size_t a = 0; a < sets[0].size(); ++a) {
            if (sets[i][a] && !sets[j][a]) return false;
        }
        return true;
    }
    int Common(int i, int j) const {
        int n = 0;
        for (std::size_t a = 0; a < sets[0].size(); ++a) n += sets[i][a] && sets[j][a];
        return n;
    }
    int Size() const { return static_cast<int>(sets.size()); }

    // Whether position i reads a trusted rule: method 2 (threshold 1) or 10.
    bool Trusted(int i, double threshold) const {
        int all = 0;
        int same = 0;
        for (int l = 0; l < Size(); ++l) {
            if (!Contains(l, i)) continue;
            ++all;
            same += decisions[l] == decisions[i];
        }
        return static_cast<double>(same) / all >= threshold;
    }
    // trusted: Trusted(i) of every position, for methods 2 and 10.
    bool Votes(int j, int method, const std::vector<bool>& trusted) const {
        if (method == 9) {
            int margin = INT_MAX;
            for (int l = 0; l < Size() && margin > 0; ++l) {
                if (decisions[l] == decisions[j]) continue;
                margin = Contains(l, j) ? 0 : std::min(margin, Common(j, j) - Common(j, l));
            }
            return margin >= 2;
        }
        for (int i = 0; i < Size(); ++i) {
            if (trusted[i] && decisions[i] == decisions[j] && Contains(j, i)) return true;
        }
        return false;
    }
    // The winning decision (2147483647 for none) and its confidence.
    std::vector<bool> AllTrusted(int method, double threshold) const {
        std::vector<bool> trusted;
        for (int i = 0; i < Size(); ++i) trusted.push_back(method != 9 && Trusted(i, method == 2 ? 1.0 : threshold));
        return trusted;
    }
    int Classify(const TDValInfo& info, int method, double threshold, int& confidence) const {
        std::vector<int> votes(static_cast<std::size_t>(info.GetNoDecVal()), 0);
        const std::vector<bool> trusted = AllTrusted(method, threshold);
        for (int j = 0; j < Size(); ++j) {
            if (!Votes(j, method, trusted)) continue;
            for (int v = 0; v < info.GetNoDecVal(); ++v) votes[static_cast<std::size_t>(v)] += info.GetDecVal(v) == decisions[j];
        }
        int answer = 2147483647;
        double best = 0.0;
        for (int v = 0; v < info.GetNoDecVal(); ++v) {
            const double score = static_cast<double>(votes[static_cast<std::size_t>(v)]) / info.GetDCNoObj(v);
            if (score > best) {
                best = score;
                answer = info.GetDecVal(v);
            }
        }
        confidence = static_cast<int>(std::trunc(best * 10000.0));
        return answer;
    }
};

// The rows first .. last - 1 of a table.
inline void CopyRows(const TTable& from, int first, int last, TTable& to) {
    to.CreateTable(last - first, from.GetNoAttr());
    for (int o = first; o < last; ++o) {
        for (int a = 0; a < from.GetNoAttr(); ++a) to.SetTable(o - first, a, from.GetTable(o, a));
    }
}

// vote.tab: rows 0-299 train, the rest test; info holds the training statistics.
inline void VoteTableSplit(TTable& train, TTable& test, TDValInfo& info) {
    TTable all;
    all.Load(VARNEL_TABLES "/vote.tab");
    CopyRows(all, 0, 300, train);
    CopyRows(all, 300, all.GetNoObj(), test);
    info.CalcFromTable(train);
}

inline int CountOf(const std::string& text, const std::string& word) {
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}
