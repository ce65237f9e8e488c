#include "rough/decision/table_view.h"

#include <algorithm>
#include <climits>
#include <new>
#include <utility>

#include "core/error.h"
#include "core/middle_pivot_sort.h"
#include "core/table.h"
#include "core/int_hash.h"

namespace {

// The view reports a failed allocation like the rest of the quick-rule code.
template <class Work>
void OrOutOfMemory(Work work) {
    try {
        work();
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
}

}  // namespace

void TDecSetDict::SetFirstId(long long id) {
    firstId = id;
    lastId = id - 1;
}

// The values of a run arrive ascending, so a value above the largest one so far is new
// without a look at the list.
void TDecSetDict::AddValue(int v) {
    if (!hasCurrent) {
        current.clear();
        hasCurrent = true;
    } else if (v <= currentMax && std::find(current.begin(), current.end(), v) != current.end()) {
        return;
    }
    OrOutOfMemory([&] { current.push_back(v); });
    if (current.size() == 1 || v > currentMax) currentMax = v;
}

int TDecSetDict::Commit() {
    if (!hasCurrent) return -1;
    hasCurrent = false;
    const std::size_t hash = HashInts(current.data(), current.data() + current.size());
    auto [at, end] = byHash.equal_range(hash);
    for (; at != end; ++at) {
        if (sets[at->second] == current) return static_cast<int>(firstId + static_cast<long long>(at->second));
    }
    if (lastId + 1 > INT_MAX) throw CalcError(8);
    OrOutOfMemory([&] {
        byHash.emplace(hash, sets.size());
        sets.push_back(current);
    });
    return static_cast<int>(++lastId);
}

const std::vector<int>* TDecSetDict::Find(long long id) const {
    if (id < firstId || id > lastId) return nullptr;
    const unsigned long long index = static_cast<unsigned long long>(id - firstId);
    return index < sets.size() ? &sets[index] : nullptr;
}

int TDecSetDict::Contains(long long id, int v) const {
    const std::vector<int>* set = Find(id);
    if (set == nullptr) return 0;
    return std::find(set->begin(), set->end(), v) != set->end() ? 1 : 0;
}

int TDecSetDict::GetValue(long long id, int k) const {
    const std::vector<int>* set = Find(id);
    if (set == nullptr || k < 0 || static_cast<size_t>(k) >= set->size()) return -1;
    return (*set)[static_cast<size_t>(k)];
}

TTableView::TTableView(TTable* t) : subset(t->GetNoAttr()), table(t) {
    OrOutOfMemory([&] {
        order.resize(static_cast<size_t>(table->GetNoObj()));
        for (size_t o = 0; o < order.size(); ++o) order[o] = static_cast<int>(o);
        cache.resize(static_cast<size_t>(table->GetNoAttr()));
        lastList.assign(static_cast<size_t>(table->GetNoAttr()) + 1, -1);
    });
}

int TTableView::GetObjCount() const { return table->GetNoObj(); }

int TTableView::GetAttrCount() const { return table->GetNoAttr(); }

int TTableView::GetValueAt(int pos, int a) const { return table->GetTable(GetObjAt(pos), a); }

int TTableView::GetValue(int o, int a) const { return table->GetTable(o, a); }

void TTableView::MakeGenDecisions() {
    const int noAttr = GetAttrCount();
    Subset conditions(noAttr);
    conditions.SetAll();
    conditions.Reset(noAttr - 1);
    MakeGenDecisionsFor(noAttr - 1, conditions);
}

// Sorting by B and then by d puts every B-class together with its decisions ascending, so a
// class's set of decisions reaches the dictionary in one order and equal sets share an id.
void TTableView::MakeGenDecisionsFor(int d, const Subset& B) {
    table->SetDecAttr(d);
    const int noObj = GetObjCount();
    const int noAttr = GetAttrCount();
    std::vector<int> list;
    OrOutOfMemory([&] {
        hasCodes = false;
        dict = std::make_unique<TDecSetDict>();
        codes.assign(static_cast<size_t>(noObj), 0);
        hasCodes = true;
        subset = B;
        for (int a = 0; a < std::min(B.GetSize(), noAttr); ++a) {
            if (B.IsSet(a)) list.push_back(a);
        }
        list.push_back(d);
        list.push_back(-1);
    });
    SortBy(list.data());
    list[list.size() - 2] = -1;

    largestDecision = 0;
    for (int o = 0; o < noObj; ++o) largestDecision = std::max(largestDecision, table->Value(o, d));
    dict->SetFirstId(static_cast<long long>(largestDecision) + 1);

    int start = 0;
    bool oneValue = true;
    for (int p = 1; p <= noObj; ++p) {
        if (p < noObj && Compare(GetObjAt(p - 1), GetObjAt(p), list.data()) == 0) {
            if (table->Value(GetObjAt(p - 1), d) != table->Value(GetObjAt(p), d)) oneValue = false;
            continue;
        }
        if (oneValue) {
            for (int q = start; q < p; ++q) codes[static_cast<size_t>(GetObjAt(q))] = table->Value(GetObjAt(q), d);
        } else {
            for (int q = start; q < p; ++q) dict->AddValue(table->Value(GetObjAt(q), d));
            const int id = dict->Commit();
            for (int q = start; q < p; ++q) codes[static_cast<size_t>(GetObjAt(q))] = id;
        }
        start = p;
        oneValue = true;
    }
}

void TTableView::SortBy(const int* list) { SortBy(list, 0, GetObjCount() - 1); }

// The quick-rule generator sorts again and again by lists that share their beginnings: a
// list already sorted by costs nothing, a longer one re-sorts only the runs of its common
// prefix, and one whose first attribute was sorted by before starts from that order. Which
// way the ties fall depends on this reuse, so it is part of the result.
void TTableView::SortBy(const int* list, int lo, int hi) {
    const int noObj = GetObjCount();
    const int noAttr = GetAttrCount();
    const bool full = lo == 0 && hi == noObj - 1;
    int length = 0;
    while (length < noAttr && list[length] >= 0) ++length;
    int k = 0;
    while (k < length && list[k] == lastList[static_cast<size_t>(k)]) ++k;

    if (full && k == length) return;
    if (!full) {
        QuickSort(lo, hi, list);
        lastList[0] = -1;
        return;
    }
    OrOutOfMemory([&] {
        const int f = list[0];
        std::unique_ptr<int[]>& cached = cache[static_cast<size_t>(f)];
        if (cached == nullptr) {
            QuickSort(0, noObj - 1, list);
            cached = std::make_unique<int[]>(static_cast<size_t>(noObj));
            std::copy(order.begin(), order.end(), cached.get());
        } else if (length == 1) {
            std::copy(cached.get(), cached.get() + noObj, order.begin());
        } else if (k >= 2) {
            std::vector<int> prefix(list, list + k);
            prefix.push_back(-1);
            SortRuns(prefix.data(), list + k);
        } else {
            std::copy(cached.get(), cached.get() + noObj, order.begin());
            const int first[2] = {f, -1};
            SortRuns(first, list + 1);
        }
    });
    std::copy(list, list + length, lastList.begin());
    std::fill(lastList.begin() + length, lastList.end(), -1);
}

// Each run of consecutive positions equal on runList, of two positions or more, is sorted by
// sortList.
void TTableView::SortRuns(const int* runList, const int* sortList) {
    const int noObj = GetObjCount();
    int start = 0;
    for (int p = 1; p <= noObj; ++p) {
        if (p < noObj && Compare(GetObjAt(p - 1), GetObjAt(p), runList) == 0) continue;
        if (p - 1 > start) QuickSort(start, p - 1, sortList);
        start = p;
    }
}

int TTableView::Compare(int o1, int o2, const int* list) const {
    const int* row1 = table->Row(o1);
    const int* row2 = table->Row(o2);
    const int noAttr = GetAttrCount();
    for (int k = 0; k < noAttr && list[k] >= 0; ++k) {
        const int a = list[k];
        if (row1[a] != row2[a]) return row1[a] < row2[a] ? 1 : -1;
    }
    return 0;
}

// Partition around the object in the middle position; each side then goes to the quicksort
// again when its span is at least the bubble threshold, else to the bubble pass.
void TTableView::QuickSort(int lo, int hi, const int* list) {
    MiddlePivotQuickSort(
        order.data(), lo, hi, [this, list](int x, int y) { return Compare(x, y, list) == 1; }, bubbleThreshold,
        [this, list](int from, int to) { BubbleSort(from, to, list); });
}

void TTableView::BubbleSort(int lo, int hi, const int* list) {
    int bound = hi;
    while (bound > lo) {
        int lastSwap = lo;
        bool swapped = false;
        for (int k = lo; k < bound; ++k) {
            if (Compare(order[static_cast<size_t>(k)], order[static_cast<size_t>(k) + 1], list) == -1) {
                std::swap(order[static_cast<size_t>(k)], order[static_cast<size_t>(k) + 1]);
                lastSwap = k;
                swapped = true;
            }
        }
        if (!swapped) return;
        bound = lastSwap;
    }
}

// The last position whose value of a is at most v in the order sorted by {a}; -1 when even
// the first is greater. A halving search from the middle finds a position with value v or the
// step from below v to above it; a forward scan then passes the values equal to v.
int TTableView::FindLastNotGreater(int a, int v) {
    const int list[2] = {a, -1};
    SortBy(list);
    const int noObj = GetObjCount();
    if (noObj == 0 || GetValueAt(0, a) > v) return -1;
    int pos = noObj / 2;
    int step = std::max(1, pos / 2);
    for (;;) {
        const int value = GetValueAt(pos, a);
        if (value == v) break;
        if (value < v) {
            if (pos == noObj - 1 || GetValueAt(pos + 1, a) > v) break;
            pos = std::min(noObj - 1, pos + step);
        } else {
            // pos > 0 here: the value at position 0 is not above v.
            if (GetValueAt(pos - 1, a) < v) {
                --pos;
                break;
            }
            pos = std::max(0, pos - step);
        }
        step = std::max(1, (step + 1) / 2);
    }
    while (pos + 1 < noObj && GetValueAt(pos + 1, a) <= v) ++pos;
    return pos;
}

int TTableView::HasValueBetween(int a, int low, int high) {
    const int p = FindLastNotGreater(a, low);
    if (p == GetObjCount() - 1) return 0;
    return GetValueAt(p + 1, a) < high ? 1 : 0;
}
