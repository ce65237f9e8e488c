#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "core/table.h"

// The greedy cut search as its definition reads, kept apart from the library: blocks as
// object labels, candidates from the sorted distinct values of a whole column, and the
// quality of a candidate counted either pair by pair or from each block's class counts on
// both sides. Values and decisions are compared in single precision, as the search holds them.
class ReferenceCutSearch {
public:
    enum class Count { PairByPair, ByClassCounts };

    struct Step {
        std::vector<std::int64_t> quality;  // per attribute; 0 = no cut
        std::vector<float> value;           // per attribute, when quality > 0
        std::vector<std::pair<int, std::int64_t>> slots;
    };

    ReferenceCutSearch(const TTable& t, Count mode) : mode(mode) {
        n = t.GetNoObj();
        attributes = t.GetNoAttr() > 0 ? t.GetNoAttr() - 1 : 0;
        values.assign(static_cast<size_t>(attributes), std::vector<float>(static_cast<size_t>(n)));
        for (int o = 0; o < n; ++o) {
            for (int a = 0; a < attributes; ++a) values[size_t(a)][size_t(o)] = static_cast<float>(t.Value(o, a));
            decision.push_back(static_cast<float>(t.Value(o, attributes)));
        }
        block.assign(static_cast<size_t>(n), 0);
    }

    bool AnyInconsistent() const {
        std::map<int, float> first;
        for (int o = 0; o < n; ++o) {
            auto [at, inserted] = first.emplace(block[size_t(o)], decision[size_t(o)]);
            if (!inserted && at->second != decision[size_t(o)]) return true;
        }
        return false;
    }

    bool Finished() const { return !AnyInconsistent() || bestQuality < 1; }

    // The midpoint in single precision, or the upper value when it rounds onto the lower.
    static float Candidate(float lower, float upper) {
        const float sum = lower + upper;
        const float mid = sum / 2;
        return mid > lower ? mid : upper;
    }

    std::int64_t Quality(int a, float cut) const {
        const std::vector<float>& v = values[size_t(a)];
        std::int64_t q = 0;
        if (mode == Count::PairByPair) {
            for (int x = 0; x < n; ++x) {
                for (int y = 0; y < n; ++y) {
                    if (block[size_t(x)] == block[size_t(y)] && v[size_t(x)] < cut && !(v[size_t(y)] < cut) &&
                        decision[size_t(x)] != decision[size_t(y)] && Inconsistent(block[size_t(x)])) {
                        ++q;
                    }
                }
            }
            return q;
        }
        // Per block: left size x right size minus the same-class pairs across the cut.
        std::map<int, std::map<float, std::pair<std::int64_t, std::int64_t>>> sides;
        for (int o = 0; o < n; ++o) {
            auto& counts = sides[block[size_t(o)]][decision[size_t(o)]];
            (v[size_t(o)] < cut ? counts.first : counts.second) += 1;
        }
        for (const auto& [b, classes] : sides) {
            if (classes.size() < 2) continue;
            std::int64_t left = 0, right = 0, same = 0;
            for (const auto& [d, lr] : classes) {
                left += lr.first;
                right += lr.second;
                same += lr.first * lr.second;
            }
            q += left * right - same;
        }
        return q;
    }

    Step ChooseBest(int slotsWanted) {
        Step step;
        step.slots.assign(size_t(slotsWanted), {0, 0});
        std::int64_t maxQ = 0;
        for (int a = 0; a < attributes; ++a) {
            std::vector<float> distinct = values[size_t(a)];
            std::sort(distinct.begin(), distinct.end());
            distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
            std::int64_t best = 0;
            float bestValue = 0.0f;
            for (size_t j = 0; j + 1 < distinct.size(); ++j) {
                const float cut = Candidate(distinct[j], distinct[j + 1]);
                const std::int64_t q = Quality(a, cut);
                if (q > best) {
                    best = q;
                    bestValue = cut;
                }
            }
            step.quality.push_back(best);
            step.value.push_back(bestValue);
            maxQ = std::max(maxQ, best);
            for (auto& slot : step.slots) {
                if (slot.second < best) {
                    slot = {a, best};
                    break;
                }
            }
        }
        bestQuality = maxQ;
        return step;
    }

    // Applies the step's slots in order; returns the cuts that split a block.
    std::vector<std::pair<int, float>> Apply(const Step& step) {
        std::vector<std::pair<int, float>> applied;
        for (const auto& slot : step.slots) {
            const int a = slot.first;
            if (step.quality[size_t(a)] == 0) continue;
            if (Split(a, step.value[size_t(a)])) applied.emplace_back(a, step.value[size_t(a)]);
        }
        return applied;
    }

    // The whole search with cutsPerStep cuts per step: the cuts sorted by attribute and value,
    // and the attribute of every slot of every step in order.
    void Run(int cutsPerStep, std::vector<std::pair<int, float>>& cuts, std::vector<int>& slotAttributes) {
        const int slotsWanted = std::min(std::max(cutsPerStep, 1), attributes);
        while (!Finished()) {
            const Step step = ChooseBest(slotsWanted);
            for (const auto& slot : step.slots) slotAttributes.push_back(slot.first);
            for (const auto& cut : Apply(step)) cuts.push_back(cut);
        }
        std::sort(cuts.begin(), cuts.end());
    }

    // The rows of the table scaled by the cuts: a conditional value becomes the number of cuts
    // of its attribute that it is not below; the decision stays.
    static std::vector<std::vector<int>> Scaled(const TTable& t, const std::vector<std::pair<int, float>>& cuts) {
        std::vector<std::vector<int>> rows;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            std::vector<int>& row = rows.emplace_back(t.Row(o), t.Row(o) + t.GetNoAttr());
            for (int a = 0; a + 1 < t.GetNoAttr(); ++a) {
                int code = 0;
                for (const auto& [attr, cut] : cuts) {
                    if (attr == a && !(static_cast<float>(t.Value(o, a)) < cut)) ++code;
                }
                row[size_t(a)] = code;
            }
        }
        return rows;
    }

private:
    bool Inconsistent(int b) const {
        bool seen = false;
        float d = 0.0f;
        for (int o = 0; o < n; ++o) {
            if (block[size_t(o)] != b) continue;
            if (seen && decision[size_t(o)] != d) return true;
            seen = true;
            d = decision[size_t(o)];
        }
        return false;
    }

    bool Split(int a, float cut) {
        bool any = false;
        std::map<int, bool> lower, upper;
        for (int o = 0; o < n; ++o) {
            (values[size_t(a)][size_t(o)] < cut ? lower : upper)[block[size_t(o)]] = true;
        }
        int next = *std::max_element(block.begin(), block.end()) + 1;
        std::map<int, int> renamed;
        for (const auto& [b, unused] : lower) {
            if (upper.count(b) && Inconsistent(b)) renamed[b] = next++;
        }
        for (int o = 0; o < n; ++o) {
            auto at = renamed.find(block[size_t(o)]);
            if (at != renamed.end() && values[size_t(a)][size_t(o)] < cut) {
                block[size_t(o)] = at->second;
                any = true;
            }
        }
        return any;
    }

    Count mode;
    int n = 0;
    int attributes = 0;
    std::vector<std::vector<float>> values;
    std::vector<float> decision;
    std::vector<int> block;
    std::int64_t bestQuality = 1;
};
