#include "rough/reducts/pos_region.h"

#include <algorithm>
#include <string>

#include "core/alloc_guard.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"

namespace {

int Decision(const TTable* t, int o) { return t->Value(o, t->GetNoAttr() - 1); }

// Pairs of n objects that a partition into classes of the given sizes separates, counted
// twice: n² less the sum of the squared sizes.
struct PairCounter {
    long long objects = 0;
    long long squares = 0;
    void AddClass(long long size) {
        objects += size;
        squares += size * size;
    }
    long long Separated() const { return objects * objects - squares; }
};

// Calls run(lo, hi) for each run of records lo..hi of equal class number within [from, to].
template <class Run>
void ForEachClass(const TPosRecord* records, int from, int to, Run run) {
    for (int lo = from; lo <= to;) {
        int hi = lo;
        while (hi < to && records[hi + 1].classNo == records[lo].classNo) ++hi;
        run(lo, hi);
        lo = hi + 1;
    }
}

long long SeparatedIn(const TPosRecord* records, int lo, int hi) {
    PairCounter pairs;
    ForEachClass(records, lo, hi, [&](int a, int b) { pairs.AddClass(b - a + 1); });
    return pairs.Separated();
}

}  // namespace

TPosRegion::TPosRegion(const TTable* t, int second) {
    MakeRoom(t);
    if (second >= 1) MakeSecond(t);
}

void TPosRegion::MakeRoom(const TTable* t) {
    const int n = t->GetNoObj();
    if (n > noObj || entries.empty()) {
        OrOutOfMemory([&] {
            entries.resize(static_cast<size_t>(std::max(n, noObj)));
            if (!second.empty()) second.resize(entries.size());
            scratch.reserve(entries.size());
        });
        noObj = std::max(n, noObj);
    }
}

void TPosRegion::MakeSecond(const TTable* t) {
    MakeRoom(t);
    if (second.size() < entries.size()) OrOutOfMemory([&] { second.resize(entries.size()); });
}

void TPosRegion::Identity(TPosRecord* records, int n) {
    for (int i = 0; i < n; ++i) records[i] = TPosRecord{i, 0};
}

void TPosRegion::Swap(TPosRecord* entries, int i, int j) { std::swap(entries[i].object, entries[j].object); }

int TPosRegion::CompareObjects(const TTable* t, const TPosRecord* entries, const int* list, int len, int i, int j) {
    const int* x = t->Row(entries[i].object);
    const int* y = t->Row(entries[j].object);
    for (int l = 0; l < len; ++l) {
        const int a = list[l];
        if (x[a] != y[a]) return x[a] > y[a] ? 1 : -1;
    }
    return 0;
}

// Only the classes are ever read from a sorted range, so any sort by the same key serves:
// std::sort is n log n where the first-record pivot turns quadratic on equal objects.
void TPosRegion::QuickSort(const TTable* t, TPosRecord* entries, const int* list, int len, int lo, int hi) {
    if (lo >= hi) return;
    scratch.clear();
    for (int i = lo; i <= hi; ++i) scratch.push_back(entries[i].object);
    if (len == 1) {
        const int a = list[0];
        std::sort(scratch.begin(), scratch.end(), [&](int x, int y) { return t->Value(x, a) < t->Value(y, a); });
    } else {
        // The listed values of each object side by side, so that a comparison reads one short
        // run instead of two rows; the positions are sorted by the same comparisons, so they
        // come in the order the objects themselves would.
        const size_t m = scratch.size();
        const size_t width = static_cast<size_t>(len);
        OrOutOfMemory([&] {
            keys.resize(m * width);
            order.resize(m);
        });
        for (size_t p = 0; p < m; ++p) {
            const int* row = t->Row(scratch[p]);
            int* key = keys.data() + p * width;
            for (size_t l = 0; l < width; ++l) key[l] = row[list[l]];
            order[p] = static_cast<int>(p);
        }
        std::sort(order.begin(), order.end(), [&](int x, int y) {
            const int* kx = keys.data() + static_cast<size_t>(x) * width;
            const int* ky = keys.data() + static_cast<size_t>(y) * width;
            for (size_t l = 0; l < width; ++l) {
                if (kx[l] != ky[l]) return kx[l] < ky[l];
            }
            return false;
        });
        for (int i = lo; i <= hi; ++i) entries[i].object = scratch[static_cast<size_t>(order[static_cast<size_t>(i - lo)])];
        return;
    }
    for (int i = lo; i <= hi; ++i) entries[i].object = scratch[static_cast<size_t>(i - lo)];
}

void TPosRegion::SortAndNumber(const TTable* t, TPosRecord* entries, const int* list, int len, int lo, int hi,
                               int* counter) {
    if (lo > hi) return;
    QuickSort(t, entries, list, len, lo, hi);
    entries[lo].classNo = *counter;
    for (int k = lo + 1; k <= hi; ++k) {
        if (CompareObjects(t, entries, list, len, k, k - 1) != 0) ++*counter;
        entries[k].classNo = *counter;
    }
}

int TPosRegion::MarkPositive(const TTable* t, const int* list, int len, int first, std::vector<bool>* marked) {
    t->RequireDecisionColumn();
    MakeRoom(t);
    const int n = t->GetNoObj();
    TPosRecord* e = entries.data();
    Identity(e, n);
    int counter = first;
    SortAndNumber(t, e, list, std::max(len, 0), 0, n - 1, &counter);
    int positive = 0;
    ForEachClass(e, 0, n - 1, [&](int lo, int hi) {
        const int d = Decision(t, e[lo].object);
        for (int k = lo + 1; k <= hi; ++k) {
            if (Decision(t, e[k].object) != d) return;
        }
        positive += hi - lo + 1;
        if (marked != nullptr) {
            for (int k = lo; k <= hi; ++k) (*marked)[static_cast<size_t>(e[k].object)] = true;
        }
    });
    return positive;
}

int TPosRegion::CountPosRegion(const TTable* t, const int* list, int len, int first) {
    return MarkPositive(t, list, len, first, nullptr);
}

void TPosRegion::SortByDecision(const TTable* t, int* list) {
    MakeSecond(t);
    list[0] = t->GetNoAttr() - 1;
    const int n = t->GetNoObj();
    Identity(second.data(), n);
    int counter = 0;
    SortAndNumber(t, second.data(), list, 1, 0, n - 1, &counter);
}

// All pairs that a tells apart, less those inside one decision class. The working order is
// taken back to all objects first: the decision classes are copied over parts of it below,
// which leaves it holding some objects twice for the next call.
long long TPosRegion::CountDiscernedPairs(const TTable* t, int a, int* list) {
    MakeSecond(t);
    const int n = t->GetNoObj();
    list[0] = a;
    TPosRecord* e = entries.data();
    const TPosRecord* d = second.data();
    Identity(e, n);
    int counter = 0;
    SortAndNumber(t, e, list, 1, 0, n - 1, &counter);
    long long twice = SeparatedIn(e, 0, n - 1);
    ForEachClass(d, 0, n - 1, [&](int lo, int hi) {
        if (hi == lo) return;
        for (int k = lo; k <= hi; ++k) e[k].object = d[k].object;
        int sub = 0;
        SortAndNumber(t, e, list, 1, lo, hi, &sub);
        twice -= SeparatedIn(e, lo, hi);
    });
    return twice / 2;
}

void TPosRegion::RandomReduct(const TTable* t, int* avail, int* work, long long* score, int* chosen, int* len,
                              int target) {
    MakeSecond(t);
    const int n = t->GetNoObj();
    const int k = t->GetNoAttr() - 1;
    TPosRecord* e = entries.data();
    TPosRecord* s = second.data();
    Identity(e, n);
    int next = 1;
    for (int a = 0; a < k; ++a) {
        avail[a] = 1;
        chosen[a] = 0;
    }
    int remaining = k;
    while (remaining > 0) {
        long long total = 0;
        for (int a = 0; a < k; ++a) {
            if (avail[a] == 0) continue;
            score[a] = 0;
            ForEachClass(e, 0, n - 1, [&](int lo, int hi) {
                if (hi == lo) {
                    s[lo].classNo = next;
                } else {
                    for (int i = lo; i <= hi; ++i) s[i].object = e[i].object;
                    int counter = next;
                    SortAndNumber(t, s, &a, 1, lo, hi, &counter);
                    score[a] += SeparatedIn(s, lo, hi);
                }
                ++next;
            });
            total += score[a];
        }
        if (total == 0) break;
        // A draw of exactly 1.0 reaches the total, which no running sum exceeds: the last
        // attribute that still tells a pair apart is taken then.
        const auto u = static_cast<long long>(RandomUnit() * static_cast<double>(total));
        int pick = -1;
        long long sum = 0;
        for (int a = 0; a < k; ++a) {
            if (avail[a] == 0) continue;
            sum += score[a];
            if (sum > u) {
                pick = a;
                break;
            }
        }
        if (pick < 0) {
            for (int a = k - 1; a >= 0 && pick < 0; --a)
                if (avail[a] != 0 && score[a] > 0) pick = a;
        }
        avail[pick] = 0;
        chosen[pick] = 1;
        --remaining;
        WriteStdoutLine("Jestem 3");
        int cnt = 0;
        for (int a = 0; a < k; ++a)
            if (chosen[a] != 0) work[cnt++] = a;
        int counter = 0;
        SortAndNumber(t, e, work, cnt, 0, n - 1, &counter);
        next = counter + 1;
        WriteStdoutLine("Jestem 4");
    }
    std::string flags;
    for (int a = 0; a < k; ++a) {
        flags += std::to_string(chosen[a]);
        flags += '?';
    }
    WriteStdoutLine(flags);
    *len = 0;
    for (int a = 0; a < k; ++a)
        if (chosen[a] != 0) avail[(*len)++] = a;
    RemoveRedundantAttrs(t, avail, len, target, chosen, work);
    std::copy(avail, avail + *len, chosen);
}

void TPosRegion::RemoveRedundantAttrs(const TTable* t, int* list, int* len, int target, int* keep, int* work) {
    for (int i = 0; i < *len; ++i) keep[i] = 1;
    for (int i = 0; i < *len; ++i) {
        int cnt = 0;
        for (int j = 0; j < *len; ++j)
            if (j != i && keep[j] != 0) work[cnt++] = list[j];
        if (CountPosRegion(t, work, cnt, 0) == target) keep[i] = 0;
    }
    int kept = 0;
    for (int i = 0; i < *len; ++i)
        if (keep[i] != 0) list[kept++] = list[i];
    *len = kept;
}

// Two neighbouring bounds, or bounds given the wrong way round, are the end: the bisection
// cannot narrow them further.
int TPosRegion::ShortestFullPrefix(const TTable* t, int lo, int hi, const int* list, int target) {
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (CountPosRegion(t, list, mid + 1, 0) != target) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return hi + 1;
}

std::unique_ptr<TTable> TPosRegion::MakePrefixTable(const TTable* t, const int* list, int k) {
    if (k == t->GetNoAttr() - 1) return nullptr;
    auto table = OrOutOfMemory([] { return std::make_unique<TTable>(); });
    const int n = t->GetNoObj();
    table->CreateTable(n, k + 1);
    for (int o = 0; o < n; ++o) {
        int* row = table->Row(o);
        for (int i = 0; i < k; ++i) row[i] = t->Value(o, list[i]);
        row[k] = Decision(t, o);
    }
    return table;
}

template <class Column>
std::unique_ptr<TTable> TPosRegion::PositiveRows(const TTable* t, const int* list, int k, int columns,
                                                 Column column) {
    std::vector<bool> marked = OrOutOfMemory([&] { return std::vector<bool>(static_cast<size_t>(t->GetNoObj())); });
    const int positive = MarkPositive(t, list, k, 0, &marked);
    auto table = OrOutOfMemory([] { return std::make_unique<TTable>(); });
    table->CreateTable(positive, columns);
    int r = 0;
    for (int o = 0; o < t->GetNoObj(); ++o) {
        if (!marked[static_cast<size_t>(o)]) continue;
        for (int i = 0; i < columns; ++i) table->SetTable(r, i, column(o, i));
        ++r;
    }
    return table;
}

std::unique_ptr<TTable> TPosRegion::CutTableForReduct(const TTable* t, const int* list, int k) {
    if (k == t->GetNoAttr() - 1) return nullptr;
    return PositiveRows(t, list, k, k + 1,
                        [&](int o, int i) { return i < k ? t->Value(o, list[i]) : Decision(t, o); });
}

// The rows of full are read through the checked access: its objects are meant to be t's,
// but nothing makes it hold as many.
std::unique_ptr<TTable> TPosRegion::CutTableForReductSCAL(const TTable* t, const int* list, int k,
                                                          const TTable* full) {
    return PositiveRows(t, list, k, full->GetNoAttr(), [&](int o, int i) { return full->GetTable(o, i); });
}
