#include "ltfc/sampler.h"

#include <numeric>

#include "ltfc/dataset.h"
#include "ltfc/exceptions.h"
#include "ltfc/universal_random.h"

CObjSampler::CObjSampler(const CDatabaseBase& source, int maxDraws) : maxDraws(maxDraws) {
    Init(source);
    order.resize(static_cast<size_t>(sizes[0]));
    std::iota(order.begin(), order.end(), 0);
}

CObjSampler::CObjSampler(const CDatabaseBase& source) { Init(source); }

void CObjSampler::Init(const CDatabaseBase& source) {
    RanmarRandomize();
    source.GetSampleCounts(sizes);
    if (sizes.empty()) throw ENoData();
    current = 1;
    cursor = position = draws = 0;
}

int CObjSampler::GetCount(int which) const {
    switch (which) {
        case 0:
        case 1:
            return GetSetSize(which);
        case 2:
            return GetSetSize(current);
        default:
            return 0;
    }
}

int CObjSampler::GetSetSize(int i) const {
    if (i < 0 || i >= static_cast<int>(sizes.size())) return 0;
    return sizes[static_cast<size_t>(i)];
}

void CObjSampler::SetMode(int m) {
    if ((m != 0 && m != 1) || m >= static_cast<int>(sizes.size())) throw EValueNotAllowed();
    current = m;
    position = 0;
}

bool CObjSampler::NextRandom(Item& out) {
    if (order.empty() || draws >= maxDraws) return false;
    const int n = static_cast<int>(order.size());
    if (cursor >= n) cursor = 0;  // a new pass reshuffles the order the last one left
    const int j = cursor + RanmarInt(n - cursor);
    out = {0, order[static_cast<size_t>(j)]};
    std::swap(order[static_cast<size_t>(cursor)], order[static_cast<size_t>(j)]);
    ++cursor;
    ++draws;
    return true;
}

bool CObjSampler::NextSequential(Item& out) {
    if (position >= GetSetSize(current)) return false;
    out = {current, position++};
    return true;
}

CCrossValSampler::CCrossValSampler(const CDatabaseBase& source, int maxDraws, int k)
    : CObjSampler(source, maxDraws), k(k) {
    if (k < 2) throw EValueNotAllowed();
}

int CCrossValSampler::GetCount(int which) const {
    const int training = static_cast<int>(order.size());
    switch (which) {
        case 0:
            return training;
        case 1:
            return GetSetSize(0) - training;
        case 2:
            return mode == 0 || mode == 1 ? GetCount(mode) : 0;
        default:
            return 0;
    }
}

void CCrossValSampler::SetMode(int m) {
    if (m == 2) throw EValueNotAllowed();
    mode = m;
    foldPosition = 0;
}

bool CCrossValSampler::Next(Item& out) {
    const int n = GetSetSize(0);
    if (mode == 0) {
        while (foldPosition < n && foldPosition % k == fold) ++foldPosition;
        if (foldPosition >= n) return false;
        out = {0, foldPosition++};
        return true;
    }
    if (mode == 1) {
        // Before the first fold no index belongs to the test part.
        if (fold < 0) return false;
        const long long index = static_cast<long long>(k) * foldPosition + fold;
        if (index >= n) return false;
        out = {0, static_cast<int>(index)};
        ++foldPosition;
        return true;
    }
    return false;
}

bool CCrossValSampler::NextFold() {
    if (fold >= k) return false;
    if (++fold >= k) return false;
    order.clear();
    const int n = GetSetSize(0);
    for (int i = 0; i < n; ++i) {
        if (i % k != fold) order.push_back(i);
    }
    draws = cursor = position = foldPosition = 0;
    return true;
}
