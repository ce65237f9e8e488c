// Row comparison, sorting, equality, replica removal, random parts and the count of
// discerned pairs of the decision table.
#include <algorithm>
#include <cassert>
#include <numeric>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/error.h"
#include "core/int_sack.h"
#include "core/object_draw.h"
#include "core/quick_sort.h"
#include "core/report.h"
#include "core/table.h"
#include "core/weighted_sack.h"

namespace {

// -1 when a is the larger at the first place where the runs differ, 1 when the smaller.
int CompareRuns(const int* a, const int* b, int n) {
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[i]) return a[i] > b[i] ? -1 : 1;
    }
    return 0;
}

std::vector<int> Identity(int n) {
    std::vector<int> index = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(n)); });
    std::iota(index.begin(), index.end(), 0);
    return index;
}

}  // namespace

// ---- comparisons

int TTable::CompareRows(int r1, int r2) const {
    assert(r1 >= 0 && r1 < NoObj && r2 >= 0 && r2 < NoObj);
    return CompareRuns(Row(r1), Row(r2), NoAttr);
}

int TTable::CompareDec(int r1, int r2) const {
    assert(r1 >= 0 && r1 < NoObj && r2 >= 0 && r2 < NoObj && NoAttr > 0);
    return CompareRuns(Row(r1) + NoAttr - 1, Row(r2) + NoAttr - 1, 1);
}

int TTable::CompareRowsOn(int r1, int r2, const TIntSack& attrs) const {
    assert(r1 >= 0 && r1 < NoObj && r2 >= 0 && r2 < NoObj);
    const int* a = Row(r1);
    const int* b = Row(r2);
    for (int attr : attrs) {
        assert(attr >= 0 && attr < NoAttr);
        if (a[attr] != b[attr]) return a[attr] > b[attr] ? -1 : 1;
    }
    return 0;
}

int TTable::CompareIndexedRowsOn(const std::vector<int>& index, int i, int j, const TIntSack& attrs) const {
    return CompareRowsOn(index.at(static_cast<size_t>(i)), index.at(static_cast<size_t>(j)), attrs);
}

void TTable::SwapRows(int r1, int r2) {
    assert(r1 >= 0 && r1 < NoObj && r2 >= 0 && r2 < NoObj);
    std::swap_ranges(Row(r1), Row(r1) + NoAttr, Row(r2));
}

int TTable::EqualCondRows(int r1, int r2) const {
    assert(r1 >= 0 && r1 < NoObj && r2 >= 0 && r2 < NoObj && NoAttr > 0);
    return std::equal(Row(r1), Row(r1) + NoAttr - 1, Row(r2)) ? 1 : 0;
}

int TTable::EqualRows(int r1, int r2) const { return CompareRows(r1, r2) == 0 ? 1 : 0; }

int TTable::EqualRowsOn(int r1, int r2, const TIntSack& attrs) const {
    return CompareRowsOn(r1, r2, attrs) == 0 ? 1 : 0;
}

// ---- sorting

void TTable::ReorderRows(const std::vector<int>& order) {
    std::vector<int> sorted = OrOutOfMemory([&] { return std::vector<int>(values.size()); });
    int* to = sorted.data();
    for (int o : order) to = std::copy(Row(o), Row(o) + NoAttr, to);
    values.swap(sorted);
}

// Equal rows cannot be told apart, so any ascending sort gives the table the quicksort of
// rows gives it; this one sorts row numbers in O(n log n) on any input and moves each row
// once.
void TTable::QuickSortRows(int lo, int hi) {
    if (lo >= hi) return;
    assert(lo >= 0 && hi < NoObj);
    std::vector<int> order = Identity(NoObj);
    std::sort(order.begin() + lo, order.begin() + hi + 1,
              [this](int a, int b) { return CompareRuns(Row(a), Row(b), NoAttr) == 1; });
    ReorderRows(order);
}

void TTable::Sort() {
    if (NoObj <= 1) return;
    LogMessage("Sorting table...");
    QuickSortRows(0, NoObj - 1);
}

// The pivot-first quicksort leaves rows with equal decisions in an order of its own. It is
// run on row numbers, which makes the same exchanges the rows themselves would undergo, and
// the rows are then moved once.
void TTable::SortByDec() {
    if (NoObj <= 1) return;
    RequireDecisionColumn();
    LogMessage("Sorting table...");
    std::vector<int> order = Identity(NoObj);
    PivotFirstQuickSort(
        0, NoObj - 1, [&](int i) { return Value(order[static_cast<size_t>(i)], NoAttr - 1); },
        [&](int i, int j) { std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(j)]); });
    ReorderRows(order);
}

namespace {

// A row as a sort key on a list of attributes: smaller when CompareRowsOn calls it smaller.
struct RowOnKey {
    const TTable* table;
    int row;
    const TIntSack* attrs;
    bool operator<(const RowOnKey& other) const { return table->CompareRowsOn(row, other.row, *attrs) == 1; }
};

}  // namespace

void TTable::SortIndexOn(std::vector<int>& index, const TIntSack& attrs) const {
    PivotFirstQuickSort(
        0, static_cast<int>(index.size()) - 1,
        [&](int i) { return RowOnKey{this, index[static_cast<size_t>(i)], &attrs}; },
        [&](int i, int j) { std::swap(index[static_cast<size_t>(i)], index[static_cast<size_t>(j)]); });
}

void TTable::SortOn(const TIntSack& attrs) {
    if (NoObj <= 1) return;
    LogMessage("Sorting table...");
    std::vector<int> order = Identity(NoObj);
    SortIndexOn(order, attrs);
    ReorderRows(order);
}

// ---- replicas

void TTable::RemoveReplicas() {
    if (NoObj < 2) return;
    LogMessage("Removing replicas...");
    Sort();
    std::vector<int> kept = OrOutOfMemory([&] { return std::vector<int>{0}; });
    for (int o = 1; o < NoObj; ++o) {
        if (CompareRows(o - 1, o) != 0) OrOutOfMemory([&] { kept.push_back(o); });
    }
    std::vector<int> unique = OrOutOfMemory([&] { return std::vector<int>(kept.size() * static_cast<size_t>(NoAttr)); });
    size_t copied = 0;
    for (int o : kept) {
        std::copy(Row(o), Row(o) + NoAttr, unique.begin() + static_cast<std::ptrdiff_t>(copied));
        copied += static_cast<size_t>(NoAttr);
    }
    if (copied != kept.size() * static_cast<size_t>(NoAttr)) {
        LogMessage("Critical error in TTable::RemoveReplicas");
        throw CalcError(5);
    }
    values.swap(unique);
    NoObj = static_cast<int>(kept.size());
    size = static_cast<int>(copied);
}

// ---- random parts

void TTable::CopyParts(const std::vector<bool>& marked, int noMarked, TTable& first, TTable* second) const {
    // A part that is this table itself is filled from a copy.
    if (&first == this || second == this) {
        TTable source;
        source = *this;
        source.CopyParts(marked, noMarked, first, second);
        return;
    }
    // One table given for both parts: shaped for the second part, it could not take the
    // first one's rows, so the parts are made apart and given to it in turn (the second
    // stays).
    if (second == &first) {
        TTable firstPart;
        TTable secondPart;
        CopyParts(marked, noMarked, firstPart, &secondPart);
        first = firstPart;
        *second = secondPart;
        return;
    }
    first.CreateTable(noMarked, NoAttr);
    if (second != nullptr) second->CreateTable(NoObj - noMarked, NoAttr);
    if (NoAttr == 0) return;
    int* toFirst = first.values.data();
    int* toSecond = second != nullptr ? second->values.data() : nullptr;
    for (int o = 0; o < NoObj; ++o) {
        if (marked[static_cast<size_t>(o)]) {
            toFirst = std::copy(Row(o), Row(o) + NoAttr, toFirst);
        } else if (toSecond != nullptr) {
            toSecond = std::copy(Row(o), Row(o) + NoAttr, toSecond);
        }
    }
}

void TTable::SplitTable(double ratio, TTable& first, TTable& second) const {
    LogMessage("Spliting table...");
    if (!(ratio > 0.0 && ratio < 1.0)) {
        LogMessage("Critical error in: TTable::SplitTable");
        throw CalcError(4);
    }
    const int k = static_cast<int>(NoObj * ratio);
    CopyParts(DrawDistinctObjects(NoObj, k), k, first, &second);
}

void TTable::GetSubTable(int n, TTable& target) const {
    LogMessage("Extracting subtable...");
    if (n < 1 || n >= NoObj) {
        LogMessage("Critical error in: TTable::GetSubTable");
        throw CalcError(4);
    }
    CopyParts(DrawDistinctObjects(NoObj, n), n, target, nullptr);
}

// ---- discerned pairs

TRowSorter::TRowSorter(const TTable& table) : table(table), index(Identity(table.GetNoObj())) {
    table.RequireDecisionColumn();
}

int TRowSorter::CompareCondRows(int r1, int r2) const {
    assert(table.GetNoAttr() > 0);
    return -CompareRuns(table.Row(r1), table.Row(r2), table.GetNoAttr() - 1);
}

void TRowSorter::SwapIndex(int i, int j) { std::swap(index.at(static_cast<size_t>(i)), index.at(static_cast<size_t>(j))); }

// Only the groups of rows equal on the conditions matter, never the order inside a group, so
// any descending sort serves.
void TRowSorter::QuickSortIndex(int lo, int hi) {
    if (lo >= hi) return;
    assert(lo >= 0 && hi < static_cast<int>(index.size()));
    std::sort(index.begin() + lo, index.begin() + hi + 1, [this](int a, int b) { return CompareCondRows(a, b) == 1; });
}

void TRowSorter::SortIndex() { QuickSortIndex(0, static_cast<int>(index.size()) - 1); }

// All pairs with different decisions, less those that no condition column tells apart: a
// group of g objects equal on the conditions holds g(g-1) ordered pairs, of which those with
// equal decisions are subtracted decision by decision. Counted in 64 bits: the pairs of
// 46,342 objects already pass the int range.
long long TTable::CountDiscernedPairs() const {
    TDValInfo info;
    const long long n = info.CalcFromTable(*this);
    long long different = n * (n - 1);
    for (int i = 0; i < info.GetNoDecVal(); ++i) {
        const long long c = info.GetDCNoObj(i);
        different -= c * (c - 1);
    }
    TRowSorter sorter(*this);
    sorter.SortIndex();
    const std::vector<int>& index = sorter.GetIndex();
    long long conflicts = 0;
    for (size_t start = 0; start < index.size();) {
        size_t end = start + 1;
        TWIntSack decisions;
        decisions.Add(Value(index[start], NoAttr - 1));
        while (end < index.size() && EqualCondRows(index[start], index[end])) {
            decisions.Add(Value(index[end], NoAttr - 1));
            ++end;
        }
        const long long g = static_cast<long long>(end - start);
        conflicts += g * (g - 1);
        for (int d = 0; d < decisions.GetSize(); ++d) {
            const long long c = decisions.GetWeight(d);
            conflicts -= c * (c - 1);
        }
        start = end;
    }
    return (different - conflicts) / 2;
}
