#include "rough/rules/rule_matcher.h"

#include <algorithm>
#include <bit>
#include <climits>

#include "core/alloc_guard.h"
#include "core/table.h"
#include "rough/rules/block.h"

namespace {

RuleMatcher::Use use = RuleMatcher::Use::Auto;

// Testing the blocks one by one costs at least one descriptor per block, and stops at the
// first failing one; counting costs a lookup per column that holds descriptors and a step per
// holding descriptor. Where the columns, or an object's holding descriptors, are more than
// this many per block (long blocks over many columns, or that mostly hold), the blocks are
// tested one by one, so that no object costs much more than the loop over the blocks would.
constexpr long long kDirectFactor = 2;

struct Descriptor {
    int attr;
    int value;
    int block;
    bool operator<(const Descriptor& o) const {
        if (attr != o.attr) return attr < o.attr;
        if (value != o.value) return value < o.value;
        return block < o.block;
    }
};

}  // namespace

void RuleMatcher::UseForTests(Use u) { use = u; }

std::unique_ptr<RuleMatcher> RuleMatcher::Build(const std::vector<const TBlock*>& blocks, const TTable& t) {
    if (use == Use::Off || t.GetNoObj() <= 0) return nullptr;
    long long descriptors = 0;
    for (const TBlock* b : blocks) {
        if (b == nullptr || b->GetNoDesc() == 0) return nullptr;
        for (int i = 0; i < b->GetNoDesc(); ++i) {
            if (b->GetAttr(i) < 0 || b->GetAttr(i) >= t.GetNoAttr()) return nullptr;
        }
        descriptors += b->GetNoDesc();
    }
    // Positions and counts are ints.
    if (descriptors > INT_MAX || blocks.size() > static_cast<size_t>(INT_MAX)) return nullptr;
    std::unique_ptr<RuleMatcher> m(OrOutOfMemory([] { return new RuleMatcher(); }));
    OrOutOfMemory([&] { m->Fill(blocks, t); });
    return m;
}

void RuleMatcher::Fill(const std::vector<const TBlock*>& blocks, const TTable& t) {
    table = &t;
    columns = t.GetNoAttr();
    std::vector<Descriptor> all;
    ruleStart.reserve(blocks.size() + 1);
    ruleStart.push_back(0);
    for (size_t p = 0; p < blocks.size(); ++p) {
        const TBlock& b = *blocks[p];
        for (int i = 0; i < b.GetNoDesc(); ++i) {
            attrs.push_back(b.GetAttr(i));
            values.push_back(b.GetValue(i));
            all.push_back(Descriptor{b.GetAttr(i), b.GetValue(i), static_cast<int>(p)});
        }
        ruleStart.push_back(static_cast<int>(attrs.size()));
    }
    std::sort(all.begin(), all.end());
    postings.reserve(all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        const bool newColumn = i == 0 || all[i].attr != all[i - 1].attr;
        if (newColumn || all[i].value != all[i - 1].value) {
            if (newColumn) indexed.push_back(Column{all[i].attr, static_cast<int>(keys.size()), 0});
            keys.push_back(all[i].value);
            keyStart.push_back(static_cast<int>(postings.size()));
            indexed.back().endKey = static_cast<int>(keys.size());
        }
        postings.push_back(all[i].block);
    }
    keyStart.push_back(static_cast<int>(postings.size()));
    counters.resize(blocks.size());
    for (size_t p = 0; p < blocks.size(); ++p) {
        counters[p] = Counter{0, 0, ruleStart[p + 1] - ruleStart[p]};
    }
    // Nothing is allocated while objects are matched.
    found.reserve(indexed.size());
    matched.reserve(blocks.size());
    near.reserve(blocks.size());
    bits.assign(blocks.size() / 64 + 1, 0);
}

bool RuleMatcher::Serves(const TTable& t, int o) const {
    return &t == table && t.GetNoAttr() == columns && o >= 0 && o < t.GetNoObj();
}

// Stamp 0 is that of no object: after the counter wraps every block is made stale again.
void RuleMatcher::NextStamp() {
    if (++stamp != 0) return;
    for (Counter& c : counters) c.stamp = 0;
    stamp = 1;
}

const std::vector<int>& RuleMatcher::Match(const TTable& t, int o, bool nearMisses) {
    matched.clear();
    near.clear();
    found.clear();
    const int* row = t.Row(o);
    const long long blocks = static_cast<long long>(counters.size());
    if (use == Use::Direct || (use == Use::Auto && static_cast<long long>(indexed.size()) > kDirectFactor * blocks)) {
        MatchDirect(row, nearMisses);
        return matched;
    }
    long long work = 0;
    for (const Column& c : indexed) {
        const auto first = keys.begin() + c.firstKey;
        const auto last = keys.begin() + c.endKey;
        const auto at = std::lower_bound(first, last, row[c.attr]);
        if (at == last || *at != row[c.attr]) continue;
        const int k = static_cast<int>(at - keys.begin());
        found.push_back(k);
        work += keyStart[static_cast<size_t>(k) + 1] - keyStart[static_cast<size_t>(k)];
    }
    if (use == Use::Auto && !nearMisses && work > kDirectFactor * blocks) {
        MatchDirect(row, nearMisses);
        return matched;
    }
    NextStamp();
    for (int k : found) {
        for (int j = keyStart[static_cast<size_t>(k)]; j < keyStart[static_cast<size_t>(k) + 1]; ++j) {
            const int p = postings[static_cast<size_t>(j)];
            Counter& c = counters[static_cast<size_t>(p)];
            if (c.stamp != stamp) {
                c.stamp = stamp;
                c.count = 0;
            }
            ++c.count;
            if (c.count == c.need) {
                matched.push_back(p);
            } else if (nearMisses && c.count == c.need - 1) {
                near.push_back(p);
            }
        }
    }
    // A block one short on the way may have gone on to match.
    std::erase_if(near, [&](int p) {
        const Counter& c = counters[static_cast<size_t>(p)];
        return c.count != c.need - 1;
    });
    SortMatched();
    return matched;
}

void RuleMatcher::MatchDirect(const int* row, bool nearMisses) {
    const int blocks = static_cast<int>(counters.size());
    for (int p = 0; p < blocks; ++p) {
        const int begin = ruleStart[static_cast<size_t>(p)];
        const int end = ruleStart[static_cast<size_t>(p) + 1];
        int holding = 0;
        for (int i = begin; i < end; ++i) {
            if (row[attrs[static_cast<size_t>(i)]] == values[static_cast<size_t>(i)]) {
                ++holding;
            } else if (!nearMisses) {
                break;
            }
        }
        if (holding == end - begin) {
            matched.push_back(p);
        } else if (nearMisses && end - begin > 1 && holding == end - begin - 1) {
            near.push_back(p);
        }
    }
}

// Few matches are sorted; many are put in order through a bit per block, which costs a pass
// over the words between the smallest and the greatest, never more than the blocks / 64.
void RuleMatcher::SortMatched() {
    if (matched.size() < 2) return;
    if (matched.size() * 64 < counters.size()) {
        std::sort(matched.begin(), matched.end());
        return;
    }
    size_t low = bits.size();
    size_t high = 0;
    for (int p : matched) {
        const size_t w = static_cast<size_t>(p) / 64;
        bits[w] |= uint64_t{1} << (p % 64);
        low = std::min(low, w);
        high = std::max(high, w);
    }
    matched.clear();
    for (size_t w = low; w <= high; ++w) {
        while (bits[w] != 0) {
            matched.push_back(static_cast<int>(w * 64) + std::countr_zero(bits[w]));
            bits[w] &= bits[w] - 1;
        }
    }
}

int RuleMatcher::FailingDescriptor(const TTable& t, int o, int p) const {
    const int* row = t.Row(o);
    const int begin = ruleStart[static_cast<size_t>(p)];
    int failing = -1;
    for (int i = begin; i < ruleStart[static_cast<size_t>(p) + 1]; ++i) {
        if (row[attrs[static_cast<size_t>(i)]] != values[static_cast<size_t>(i)]) failing = i - begin;
    }
    return failing;
}
