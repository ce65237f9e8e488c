#include "rough/reasoning/discernibility.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <unistd.h>

#include "core/error.h"

#include "core/report.h"
#include "core/table.h"

namespace discern {

namespace {

constexpr int kMissing = TTable::MissingValue;

template <class Word>
void DifferingBits(const ConditionColumns& cols, int first, int last, int object, int count,
                   int missing, Word* out) {
    std::fill(out, out + count, Word{0});
    for (int a = first; a < last; ++a) {
        const int* column = cols.Column(a);
        const int v = column[object];
        const int shift = a - first;
        if (missing == 1) {
            if (v == kMissing) continue;
            for (int j = 0; j < count; ++j) {
                out[j] |= static_cast<Word>((column[j] != v) & (column[j] != kMissing)) << shift;
            }
        } else {
            for (int j = 0; j < count; ++j) out[j] |= static_cast<Word>(column[j] != v) << shift;
        }
    }
}

bool Differ(int x, int y, int missing) {
    return x != y && (missing != 1 || (x != kMissing && y != kMissing));
}

// Multiplicative hashing into a table of 2^log slots.
inline size_t Spread(uint64_t h, int log) {
    h *= 0x9E3779B97F4A7C15ULL;
    return static_cast<size_t>(h >> (64 - log));
}

int LogOf(size_t powerOfTwo) { return std::countr_zero(powerOfTwo); }

}  // namespace

int ConditionCount(const TTable& table, int relative) {
    return relative != 0 ? table.GetNoAttr() - 1 : table.GetNoAttr();
}

void CheckObject(const TTable& table, int object) {
    if (object < 0 || object >= table.GetNoObj()) table.GetTable(object, 0);
}

ConditionColumns::ConditionColumns(const TTable& table, int k) : objects(table.GetNoObj()) {
    values.resize(static_cast<size_t>(std::max(k, 0)) * static_cast<size_t>(objects));
    for (int o = 0; o < objects; ++o) {
        const int* row = table.Row(o);
        for (int a = 0; a < k; ++a) values[static_cast<size_t>(a) * objects + o] = row[a];
    }
}

void DifferingBits32(const ConditionColumns& cols, int first, int last, int object, int count,
                     int missing, uint32_t* out) {
    DifferingBits(cols, first, last, object, count, missing, out);
}

void DifferingBits64(const ConditionColumns& cols, int first, int last, int object, int count,
                     int missing, uint64_t* out) {
    DifferingBits(cols, first, last, object, count, missing, out);
}

uint32_t PairMask(const TTable& table, int i, int j, int k, int missing) {
    const int* x = table.Row(i);
    const int* y = table.Row(j);
    uint32_t mask = 0;
    for (int a = 0; a < k; ++a) {
        if (Differ(x[a], y[a], missing)) mask |= uint32_t{1} << a;
    }
    return mask;
}

bool PairWords(const TTable& table, int i, int j, int k, int missing, int words, uint64_t* out) {
    const int* x = table.Row(i);
    const int* y = table.Row(j);
    std::fill(out, out + words, uint64_t{0});
    bool any = false;
    for (int a = 0; a < k; ++a) {
        if (Differ(x[a], y[a], missing)) {
            out[a / 64] |= uint64_t{1} << (a % 64);
            any = true;
        }
    }
    return any;
}

std::vector<int> Decisions(const TTable& table) {
    std::vector<int> d(static_cast<size_t>(table.GetNoObj()));
    for (int o = 0; o < table.GetNoObj(); ++o) {
        d[static_cast<size_t>(o)] = table.GetTable(o, table.GetNoAttr() - 1);
    }
    return d;
}

// ---- UniqueMasks

UniqueMasks::UniqueMasks() : slots(16, -1) {}

void UniqueMasks::Clear() {
    items.clear();
    std::fill(slots.begin(), slots.end(), -1);
}

void UniqueMasks::Swap(UniqueMasks& other) {
    items.swap(other.items);
    slots.swap(other.slots);
}

bool UniqueMasks::Add(uint32_t mask) {
    const int log = LogOf(slots.size());
    const size_t wrap = slots.size() - 1;
    for (size_t s = Spread(mask, log);; s = (s + 1) & wrap) {
        const int32_t at = slots[s];
        if (at < 0) {
            if ((items.size() + 1) * 2 > slots.size()) {
                items.push_back(mask);
                Grow();
            } else {
                slots[s] = static_cast<int32_t>(items.size());
                items.push_back(mask);
            }
            return true;
        }
        if (items[static_cast<size_t>(at)] == mask) return false;
    }
}

bool UniqueMasks::Contains(uint32_t mask) const {
    const size_t wrap = slots.size() - 1;
    for (size_t s = Spread(mask, LogOf(slots.size())); slots[s] >= 0; s = (s + 1) & wrap) {
        if (items[static_cast<size_t>(slots[s])] == mask) return true;
    }
    return false;
}

// Doubles the index and places every item again (the last one included).
void UniqueMasks::Grow() {
    slots.assign(slots.size() * 2, -1);
    const int log = LogOf(slots.size());
    const size_t wrap = slots.size() - 1;
    for (size_t i = 0; i < items.size(); ++i) {
        size_t s = Spread(items[i], log);
        while (slots[s] >= 0) s = (s + 1) & wrap;
        slots[s] = static_cast<int32_t>(i);
    }
}

// ---- SetList

void SetList::Grow() {
    const size_t need = static_cast<size_t>(count + 1) * words;
    data.resize(std::max(need, data.size() * 2));
}

void SetList::Reserve(size_t sets) {
    if (sets * words > data.size()) data.resize(sets * words);
}

// ---- UniqueWordSets

namespace {

constexpr int64_t kFree = -1;

}  // namespace

UniqueWordSets::UniqueWordSets(int words) : list(words), slots(16, Slot{0, kFree}) {}

void UniqueWordSets::Clear() {
    list.Clear();
    std::fill(slots.begin(), slots.end(), Slot{0, kFree});
}

SetList UniqueWordSets::TakeList() {
    SetList out(list.Words());
    std::swap(out, list);
    Clear();
    return out;
}

uint64_t UniqueWordSets::Key(const uint64_t* set) const {
    uint64_t h = set[0];
    for (int w = 1; w < list.Words(); ++w) h = (h ^ (h >> 29)) * 0xC2B2AE3D27D4EB4FULL + set[w];
    return h;
}

size_t UniqueWordSets::Home(uint64_t key) const { return Spread(key, LogOf(slots.size())); }

int UniqueWordSets::Find(const uint64_t* set) const {
    const size_t wrap = slots.size() - 1;
    const uint64_t key = Key(set);
    for (size_t s = Home(key); slots[s].at != kFree; s = (s + 1) & wrap) {
        if (slots[s].key != key) continue;
        const int at = static_cast<int>(slots[s].at);
        if (list.Words() == 1 || std::equal(set, set + list.Words(), At(at))) return at;
    }
    return -1;
}

bool UniqueWordSets::Add(const uint64_t* set) {
    if (Find(set) >= 0) return false;
    list.Append(set);
    if (static_cast<size_t>(list.Size()) * 2 > slots.size()) {
        Grow();
    } else {
        Place(list.Size() - 1);
    }
    return true;
}

void UniqueWordSets::Place(int index) {
    const uint64_t key = Key(At(index));
    const size_t wrap = slots.size() - 1;
    size_t s = Home(key);
    while (slots[s].at != kFree) s = (s + 1) & wrap;
    slots[s] = Slot{key, index};
}

void UniqueWordSets::Grow() {
    slots.assign(slots.size() * 2, Slot{0, kFree});
    for (int i = 0; i < list.Size(); ++i) Place(i);
}

// ---- UpwardClosure

UpwardClosure::UpwardClosure(int bits) : bits(bits), covered(static_cast<size_t>((1LL << bits) / 64 + 1), 0) {}

// The set is closed upwards, so a superset found covered has all its own supersets covered
// too and is not entered. Each superset is reached once: bits are added in ascending order.
void UpwardClosure::Add(uint32_t mask) {
    std::vector<std::pair<uint32_t, int>> pending{{mask, 0}};
    while (!pending.empty()) {
        auto [m, from] = pending.back();
        pending.pop_back();
        if (Contains(m)) continue;
        covered[m >> 6] |= uint64_t{1} << (m & 63);
        for (int b = from; b < bits; ++b) {
            const uint32_t up = m | (uint32_t{1} << b);
            if (up != m && !Contains(up)) pending.emplace_back(up, b + 1);
        }
    }
}

void UpwardClosure::AddAll(const std::vector<uint32_t>& masks) {
    for (uint32_t m : masks) covered[m >> 6] |= uint64_t{1} << (m & 63);
    // The masks of a word without bit b of their number, for b = 0 .. 5.
    static constexpr uint64_t kWithout[6] = {0x5555555555555555ULL, 0x3333333333333333ULL, 0x0F0F0F0F0F0F0F0FULL,
                                             0x00FF00FF00FF00FFULL, 0x0000FFFF0000FFFFULL, 0x00000000FFFFFFFFULL};
    const size_t words = bits >= 6 ? size_t{1} << (bits - 6) : 1;
    const int inWord = std::min(bits, 6);
    for (size_t w = 0; w < words; ++w) {
        uint64_t x = covered[w];
        for (int b = 0; b < inWord; ++b) x |= (x & kWithout[b]) << (1 << b);
        covered[w] = x;
    }
    // The words with bit b of their number follow those without it in runs of 2^(b-6).
    uint64_t* const c = covered.data();
    for (int b = 6; b < bits; ++b) {
        const size_t step = size_t{1} << (b - 6);
        for (size_t base = 0; base < words; base += 2 * step) {
            for (size_t i = base; i < base + step; ++i) c[i + step] |= c[i];
        }
    }
}

// ---- MaskAbsorber

namespace {

// Below this many masks (the per-object matrices) the stored values are scanned directly.
constexpr long long kMinRecent = 4096;
constexpr long long kMaxRecent = 1LL << 16;

}  // namespace

// The bitmap costs 2^bits bits and, at worst, bits steps per mask it covers; it pays when
// the pairs are about as many as the masks there can be.
MaskAbsorber::MaskAbsorber(int bits, long long expected) : bits(std::clamp(bits, 0, 32)), holding(static_cast<size_t>(this->bits)) {
    if (bits <= UpwardClosure::kMaxBits && (1LL << std::max(bits, 0)) <= 4 * expected) {
        covered = std::make_unique<UpwardClosure>(std::max(bits, 0));
    } else if (expected >= kMinRecent) {
        const long long want = std::min(expected, kMaxRecent);
        recent.assign(std::bit_ceil(static_cast<unsigned long long>(want)), 0);
    }
}

void MaskAbsorber::Offer(uint32_t mask) {
    if (covered) {
        if (covered->Contains(mask)) return;
        Record(mask);
        covered->Add(mask);
        return;
    }
    if (!recent.empty()) {
        uint32_t& seen = recent[Spread(mask, LogOf(recent.size()))];
        if (seen == mask) return;
        seen = mask;
    }
    if (IncludesStored(mask)) return;
    Record(mask);
}

// Some stored value lies within the mask: a place used whose value holds no attribute
// outside it.
bool MaskAbsorber::IncludesStored(uint32_t mask) const {
    const uint64_t* outside[32];
    int n = 0;
    for (int a = 0; a < bits; ++a) {
        if (!((mask >> a) & 1)) outside[n++] = holding[static_cast<size_t>(a)].data();
    }
    for (size_t w = 0; w < used.size(); ++w) {
        uint64_t x = used[w];
        for (int i = 0; i < n && x != 0; ++i) x &= ~outside[i][w];
        if (x != 0) return true;
    }
    return false;
}

int MaskAbsorber::Place(uint32_t mask, int slot) {
    int at;
    if (!freePlaces.empty()) {
        at = freePlaces.back();
        freePlaces.pop_back();
        values[static_cast<size_t>(at)] = mask;
        slots[static_cast<size_t>(at)] = slot;
    } else {
        at = static_cast<int>(values.size());
        values.push_back(mask);
        slots.push_back(slot);
        if (static_cast<size_t>(at) >= used.size() * 64) {
            used.push_back(0);
            for (auto& h : holding) h.push_back(0);
        }
    }
    const size_t w = static_cast<size_t>(at) / 64;
    const uint64_t bit = uint64_t{1} << (at % 64);
    used[w] |= bit;
    for (int a = 0; a < bits; ++a) {
        if ((mask >> a) & 1) holding[static_cast<size_t>(a)][w] |= bit;
    }
    return at;
}

// No stored value is a subset of the mask: it takes the place of its stored supersets (the
// places holding every attribute of it), or a new slot.
void MaskAbsorber::Record(uint32_t mask) {
    int first = INT_MAX;
    const uint64_t* within[32];
    int n = 0;
    for (int a = 0; a < bits; ++a) {
        if ((mask >> a) & 1) within[n++] = holding[static_cast<size_t>(a)].data();
    }
    for (size_t w = 0; w < used.size(); ++w) {
        uint64_t x = used[w];
        for (int i = 0; i < n && x != 0; ++i) x &= within[i][w];
        for (; x != 0; x &= x - 1) {
            const int at = static_cast<int>(w * 64) + std::countr_zero(x);
            const uint64_t bit = x & (~x + 1);
            first = std::min(first, slots[static_cast<size_t>(at)]);
            used[w] &= ~bit;
            for (auto& h : holding) h[w] &= ~bit;
            freePlaces.push_back(at);
        }
    }
    Place(mask, first == INT_MAX ? nextSlot++ : first);
}

std::vector<uint32_t> MaskAbsorber::Result() const {
    std::vector<std::pair<int, uint32_t>> bySlot;
    for (size_t w = 0; w < used.size(); ++w) {
        for (uint64_t x = used[w]; x != 0; x &= x - 1) {
            const size_t at = w * 64 + static_cast<size_t>(std::countr_zero(x));
            bySlot.emplace_back(slots[at], values[at]);
        }
    }
    std::sort(bySlot.begin(), bySlot.end());
    std::vector<uint32_t> out;
    out.reserve(bySlot.size());
    for (const auto& v : bySlot) out.push_back(v.second);
    return out;
}

// ---- CheckTermMemory

namespace {

long long g_termMemoryLimit = 0;

long long DefaultTermMemoryLimit() {
    const long long pages = sysconf(_SC_PHYS_PAGES);
    const long long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return LLONG_MAX;
    return pages / 2 * pageSize;
}

}  // namespace

void SetTermMemoryLimit(long long bytes) { g_termMemoryLimit = bytes; }

long long TermMemoryLimit() {
    static const long long physicalHalf = DefaultTermMemoryLimit();
    return g_termMemoryLimit > 0 ? g_termMemoryLimit : physicalHalf;
}

void CheckTermMemory(long long entries, long long bytesPerEntry) {
    const long long limit = TermMemoryLimit();
    // The lists count their sets in an int.
    if (entries >= INT_MAX || (bytesPerEntry > 0 && entries > limit / bytesPerEntry)) throw CalcError(2);
}

// ---- PairPercentLog

// The first count at which the percentage exceeds the last value logged is where the next
// line falls; several values may be passed over when there are fewer than 100 pairs.
void PairPercentLog::Reach(long long done) {
    while (last < 100) {
        const long long at = ((last + 1) * pairs + 99) / 100;
        if (at > done) return;
        last = at * 100 / pairs;
        LogFormat("%i%%", static_cast<int>(last));
    }
}

}  // namespace discern
