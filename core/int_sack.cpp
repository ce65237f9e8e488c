#include "core/int_sack.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>
#include <new>
#include <string>
#include <unordered_set>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/quick_sort.h"
#include "core/report.h"
#include "core/table.h"
#include "core/text_scan.h"

namespace {

// The visible capacity after one growth step; beyond the int range no array could be had.
int GrownCapacity(int capacity, int step) {
    long long grown = static_cast<long long>(capacity) + step;
    if (grown > INT_MAX) throw CalcError(2);
    return static_cast<int>(grown);
}

template <class Vector, class Value>
void PushOrOutOfMemory(Vector& data, Value&& value) {
    try {
        data.push_back(std::forward<Value>(value));
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
}

[[noreturn]] void BadIndex(const char* text) {
    LogMessage(text);
    throw CalcError(5);
}

// Answers, for values taken in turn, whether an ascending sack holds them, exactly as a scan
// from its start would (the first element not below the value decides). While the values
// ascend, each search resumes where the previous one stopped, so checking an ascending sack
// against another costs one pass over both.
class SortedProbe {
public:
    explicit SortedProbe(const TIntSack& sorted) : first(sorted.begin()), last(sorted.end()), pos(first) {}

    bool Holds(int value) {
        if (value < previous) pos = first;
        previous = value;
        while (pos < last && *pos < value) ++pos;
        return pos < last && *pos == value;
    }

private:
    const int* first;
    const int* last;
    const int* pos;
    int previous = INT_MIN;
};

}  // namespace

// ---- TIntSack

TIntSack::TIntSack(int n) : step(n > 1 ? n : 1), capacity(step) {}

TIntSack& TIntSack::operator=(const TIntSack& other) {
    if (this == &other) return *this;
    try {
        data = other.data;
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
    step = other.step;
    capacity = other.capacity;
    return *this;
}

int TIntSack::operator==(const TIntSack& other) const { return data == other.data ? 1 : 0; }

void TIntSack::Clear() {
    std::vector<int>().swap(data);
    step = 10;
    capacity = 10;
}

void TIntSack::GrowForOneMore() {
    if (GetNoElem() + 1 >= capacity) capacity = GrownCapacity(capacity, step);
}

void TIntSack::ReserveStorage(int n) {
    if (n > 0) OrOutOfMemory([&] { data.reserve(static_cast<size_t>(n)); });
}

void TIntSack::AddElem(int value) {
    GrowForOneMore();
    PushOrOutOfMemory(data, value);
}

void TIntSack::AddUnique(int value) {
    if (!IsIn(value)) AddElem(value);
}

void TIntSack::InsertSorted(int value) {
    auto at = data.begin();
    while (at != data.end() && *at < value) ++at;
    if (at == data.end()) {
        AddElem(value);
        return;
    }
    if (*at == value) return;
    size_t index = static_cast<size_t>(at - data.begin());
    GrowForOneMore();
    try {
        data.insert(data.begin() + static_cast<std::ptrdiff_t>(index), value);
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
}

// Clauses as attribute bit masks: a clause that includes a stored one adds nothing; a clause
// included in stored ones replaces every one of them (they may become equal); any other
// clause is appended.
void TIntSack::AddAbsorb(int mask) {
    for (int e : data) {
        if ((e & mask) == e) return;
    }
    bool replaced = false;
    for (int& e : data) {
        if ((e & mask) == mask) {
            e = mask;
            replaced = true;
        }
    }
    if (!replaced) AddElem(mask);
}

void TIntSack::BadGetElem() { BadIndex("Bad number of element in TIntSack::GetElem "); }

void TIntSack::SetElem(int i, int value) {
    if (i < 0 || i >= GetNoElem()) BadIndex("Bad number of element in TIntSack::SetElem ");
    data[static_cast<size_t>(i)] = value;
}

void TIntSack::RemoveElem(int i) {
    if (i < 0 || i >= GetNoElem()) BadIndex("Bad number of element in TIntSack::RemoveElem ");
    data.erase(data.begin() + i);
}

void TIntSack::RemoveValue(int value) {
    auto at = std::find(data.begin(), data.end(), value);
    if (at != data.end()) data.erase(at);
}

void TIntSack::Swap(int i, int j) {
    assert(i >= 0 && i < GetNoElem() && j >= 0 && j < GetNoElem());
    std::swap(data[static_cast<size_t>(i)], data[static_cast<size_t>(j)]);
}

// Equal integers cannot be told apart, so any correct ascending sort leaves the same sack as
// QuickSort does; this one stays fast on sacks that are already in order (keys listed from
// a counting tree), where the first-element pivot is quadratic.
void TIntSack::Sort() { std::sort(data.begin(), data.end()); }

void TIntSack::QuickSort(int lo, int hi) {
    assert(lo >= hi || (lo >= 0 && hi < GetNoElem()));
    PivotFirstQuickSort(lo, hi, [this](int i) { return data[static_cast<size_t>(i)]; },
                        [this](int i, int j) { Swap(i, j); });
}

void TIntSack::SortByBitCount(int n) {
    std::vector<int> keys;
    try {
        keys.reserve(data.size());
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
    const int bits = std::min(n, 32);
    for (int e : data) {
        int key = 0;
        for (int k = 0; k < bits; ++k) {
            if (static_cast<uint32_t>(e) & (uint32_t{1} << k)) ++key;
        }
        keys.push_back(key);
    }
    QuickSortByKeys(keys, 0, GetNoElem() - 1);
}

void TIntSack::QuickSortByKeys(std::vector<int>& keys, int lo, int hi) {
    PivotFirstQuickSort(lo, hi, [&keys](int i) { return keys[static_cast<size_t>(i)]; },
                        [this, &keys](int i, int j) { SwapWithKeys(keys, i, j); });
}

void TIntSack::SwapWithKeys(std::vector<int>& keys, int i, int j) {
    Swap(i, j);
    std::swap(keys[static_cast<size_t>(i)], keys[static_cast<size_t>(j)]);
}

int TIntSack::IsIn(int value) const {
    return std::find(data.begin(), data.end(), value) != data.end() ? 1 : 0;
}

int TIntSack::IsInSorted(int value) const {
    for (int e : data) {
        if (e == value) return 1;
        if (e > value) return 0;
    }
    return 0;
}

int TIntSack::Included(const TIntSack& sorted) const {
    if (sorted.GetNoElem() < GetNoElem()) return 0;
    if (data.empty()) BadIndex("Bad number of element in TIntSack::Included ");
    SortedProbe probe(sorted);
    for (int e : data) {
        if (!probe.Holds(e)) return 0;
    }
    return 1;
}

int TIntSack::Meets(const TIntSack& sorted) const {
    SortedProbe probe(sorted);
    for (int e : data) {
        if (probe.Holds(e)) return 1;
    }
    return 0;
}

int TIntSack::SingleCommonElem(const TIntSack& sorted) const {
    SortedProbe probe(sorted);
    int found = 0;
    int common = -1;
    for (int e : data) {
        if (probe.Holds(e)) {
            if (++found > 1) return -1;
            common = e;
        }
    }
    return common;
}

void TIntSack::CopyWithInserted(const TIntSack& sorted, int x) {
    bool placed = false;
    for (int e : sorted.data) {
        if (e == x) placed = true;
        if (!placed && e > x) {
            AddElem(x);
            placed = true;
        }
        AddElem(e);
    }
    if (!placed) AddElem(x);
}

std::unique_ptr<TTable> TIntSack::MakeSubTable(const TTable& table, const TIntSack* other,
                                               int mode) const {
    assert(mode == 0 || mode == 1 || other != nullptr);
    const int rows = mode == 1 ? table.GetNoObj() : GetNoElem();
    const int cols = mode == 0 ? table.GetNoAttr() : mode == 1 ? GetNoElem() : other->GetNoElem();
    auto sub = std::make_unique<TTable>();
    // Columns first while the table has no row: each then costs nothing, and every row
    // added after them is one append.
    for (int c = 0; c < cols; ++c) sub->AddAttribute();
    for (int r = 0; r < rows; ++r) sub->AddObject();
    for (int r = 0; r < rows; ++r) {
        const int o = mode == 1 ? r : (*this)[r];
        for (int c = 0; c < cols; ++c) {
            const int a = mode == 0 ? c : mode == 1 ? (*this)[c] : (*other)[c];
            sub->SetTable(r, c, table.GetTable(o, a));
        }
    }
    return sub;
}

void TIntSack::Print(std::ostream& out) const {
    out << GetNoElem() << ' ';
    for (int e : data) out << e << ' ';
    out << '\n';
}

void TIntSack::Save(const char* name) const {
    std::string text = "IntSack:\n";
    try {
        AppendInt(text, GetNoElem());
        text += '\n';
        for (int e : data) {
            AppendInt(text, e);
            text += ' ';
        }
        text += '\n';
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
    if (!ReplaceWholeFile(name, text)) {
        LogMessage("Error: Can't save file with integer sack");
        throw CalcErrorText(7, name);
    }
}

// The first line is skipped whatever it holds (up to 199 characters; a longer one leaves
// nothing readable). Reading stops at the first value that fails or that runs into the end
// of the file, and such a value is not kept.
void TIntSack::Load(const char* name) {
    std::string text;
    if (!ReadWholeFile(name, text)) {
        LogMessage("Error: Can't open file with integer sack");
        throw CalcErrorText(6, name);
    }
    Clear();
    TextScanner in(text.data(), text.data() + text.size());
    if (!in.SkipLine(199)) return;
    int n = 0;
    if (in.ReadInt(n) != TextScanner::Read::Ok) return;
    for (int i = 0; i < n; ++i) {
        int v = 0;
        if (in.ReadInt(v) != TextScanner::Read::Ok) return;
        AddElem(v);
    }
}

// ---- TIntSackSet

TIntSackSet::TIntSackSet(int n) : step(n > 1 ? n : 1), capacity(step) {}

// The members held before the copy are deleted.
TIntSackSet& TIntSackSet::operator=(const TIntSackSet& other) {
    if (this == &other) return *this;
    std::vector<std::unique_ptr<TIntSack>> copy;
    try {
        copy.reserve(other.data.size());
        for (const auto& sack : other.data) {
            copy.push_back(sack ? std::make_unique<TIntSack>(*sack) : nullptr);
        }
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
    data.swap(copy);
    step = other.step;
    capacity = other.capacity;
    return *this;
}

void TIntSackSet::AddElem(std::unique_ptr<TIntSack> sack) {
    if (GetNoElem() + 1 >= capacity) capacity = GrownCapacity(capacity, step);
    PushOrOutOfMemory(data, std::move(sack));
}

std::unique_ptr<TIntSack> TIntSackSet::ClearElem(int i) {
    assert(i >= 0 && i < GetNoElem());
    return std::move(data[static_cast<size_t>(i)]);
}

void TIntSackSet::Swap(int i, int j) {
    assert(i >= 0 && i < GetNoElem() && j >= 0 && j < GetNoElem());
    std::swap(data[static_cast<size_t>(i)], data[static_cast<size_t>(j)]);
}

void TIntSackSet::SortBySize() { QuickSortBySize(0, GetNoElem() - 1); }

void TIntSackSet::QuickSortBySize(int lo, int hi) {
    PivotFirstQuickSort(
        lo, hi,
        [this](int i) {
            assert(data[static_cast<size_t>(i)] != nullptr);
            return data[static_cast<size_t>(i)]->GetNoElem();
        },
        [this](int i, int j) { Swap(i, j); });
}

// The capacity becomes the number of sacks kept, so that the next append grows it.
void TIntSackSet::Compact() {
    data.erase(std::remove(data.begin(), data.end(), nullptr), data.end());
    capacity = GetNoElem();
}

namespace {

struct SackHash {
    size_t operator()(const TIntSack* s) const {
        uint64_t h = 1469598103934665603ULL;
        for (int e : *s) h = (h ^ static_cast<uint32_t>(e)) * 1099511628211ULL;
        return static_cast<size_t>(h ^ static_cast<uint64_t>(s->GetNoElem()));
    }
};

struct SackEqual {
    bool operator()(const TIntSack* a, const TIntSack* b) const { return *a == *b; }
};

}  // namespace

// Of equal sacks the first stays. A sack is compared with the earlier kept ones through a
// hash of its contents, which keeps exactly the sacks a pairwise scan would keep, in order.
void TIntSackSet::RemoveDuplicates() {
    try {
        std::unordered_set<const TIntSack*, SackHash, SackEqual> kept;
        kept.reserve(data.size());
        for (auto& sack : data) {
            if (sack && !kept.insert(sack.get()).second) sack.reset();
        }
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
    Compact();
}

// For each length L from minLen to maxLen, each sack S of exactly L elements deletes every
// other sack of at least L elements that includes it; of equal sacks the first in slot order
// stays. When S has no other sack of its length or longer, nothing later could be deleted
// and the work ends. Lengths that no sack has are passed over, which changes nothing.
void TIntSackSet::RemoveSupersets(int minLen, int maxLen) {
    const int n = GetNoElem();
    std::vector<int> lengths;
    for (const auto& sack : data) {
        if (!sack) continue;
        int len = sack->GetNoElem();
        if (len >= minLen && len <= maxLen) lengths.push_back(len);
    }
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    for (int len : lengths) {
        for (int i = 0; i < n; ++i) {
            const TIntSack* s = data[static_cast<size_t>(i)].get();
            if (!s || s->GetNoElem() != len) continue;
            bool candidate = false;
            for (int j = 0; j < n; ++j) {
                auto& t = data[static_cast<size_t>(j)];
                if (j == i || !t || t->GetNoElem() < len) continue;
                candidate = true;
                if (s->Included(*t)) t.reset();
            }
            if (!candidate) return;
        }
    }
}
