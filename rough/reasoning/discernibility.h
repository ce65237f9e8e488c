#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TTable;

// The working parts of the two Boolean reasoners: clauses of object pairs as bit sets, lists
// that keep the first occurrence of each set in arrival order, and the absorbing work sack
// of the mask reasoner. None of them changes what the reasoners produce or its order; they
// only make the pair loops and the de-duplications linear.

namespace discern {

// Bits of an attribute set: 32-bit masks for the mask reasoner, 64-bit words for the sack
// reasoner (attribute a is bit a % 64 of word a / 64).
inline int WordsFor(int bits) { return bits <= 0 ? 1 : (bits + 63) / 64; }

// The mask of attributes 0 .. n - 1 (none for n <= 0, all 32 for n >= 32): bit k of a mask
// set stands for attribute k.
inline uint32_t LowBits(int n) {
    if (n <= 0) return 0;
    if (n >= 32) return ~uint32_t{0};
    return (uint32_t{1} << n) - 1;
}

// The attributes of a set of `words` words, ascending, and their number.
template <class Visit>
void ForEachAttribute(const uint64_t* set, int words, Visit visit) {
    for (int w = 0; w < words; ++w) {
        for (uint64_t rest = set[w]; rest != 0; rest &= rest - 1) visit(w * 64 + std::countr_zero(rest));
    }
}
inline int AttributeCount(const uint64_t* set, int words) {
    int n = 0;
    for (int w = 0; w < words; ++w) n += std::popcount(set[w]);
    return n;
}

// k: the condition attributes are the columns 0 .. k - 1.
int ConditionCount(const TTable& table, int relative);

// An object outside the table is reported as the table's checked accessor reports it.
void CheckObject(const TTable& table, int object);

// The condition columns 0 .. k - 1 of a table stored column by column, so that one object
// is compared with a run of others attribute by attribute.
class ConditionColumns {
public:
    ConditionColumns(const TTable& table, int k);
    const int* Column(int a) const { return values.data() + static_cast<size_t>(a) * objects; }

private:
    int objects;
    std::vector<int> values;
};

// out[j] for j < count: the attributes first .. last - 1 (as bits from bit 0) in which object
// `object` differs from object j. missing = 1: a missing value on either side never differs.
void DifferingBits32(const ConditionColumns& cols, int first, int last, int object, int count,
                     int missing, uint32_t* out);
void DifferingBits64(const ConditionColumns& cols, int first, int last, int object, int count,
                     int missing, uint64_t* out);

// The clause of one pair straight from the rows (the per-object matrices, whose rows are few).
uint32_t PairMask(const TTable& table, int i, int j, int k, int missing);
// Writes `words` words; true when the clause is not empty.
bool PairWords(const TTable& table, int i, int j, int k, int missing, int words, uint64_t* out);

// The decisions of a relative calculation, read through the checked accessor as the pair
// loops would read them.
std::vector<int> Decisions(const TTable& table);

// A list of masks without repeats, in the order of first arrival (what repeated
// TIntSack::AddUnique calls build), with a hash index beside it.
class UniqueMasks {
public:
    UniqueMasks();
    void Clear();
    // False when the mask is in the list already.
    bool Add(uint32_t mask);
    bool Contains(uint32_t mask) const;
    int Size() const { return static_cast<int>(items.size()); }
    uint32_t operator[](int i) const { return items[static_cast<size_t>(i)]; }
    const std::vector<uint32_t>& Items() const { return items; }
    void Swap(UniqueMasks& other);

private:
    void Grow();
    std::vector<uint32_t> items;
    std::vector<int32_t> slots;  // index into items, -1 = free
};

// Bit sets of a fixed number of words, one after another. The storage is kept when the
// list is cleared, so that a list refilled step after step allocates only when it outgrows
// its largest size.
class SetList {
public:
    explicit SetList(int words = 1) : words(words) {}
    int Size() const { return count; }
    int Words() const { return words; }
    const uint64_t* At(int i) const { return data.data() + static_cast<size_t>(i) * words; }
    void Append(const uint64_t* set) {
        if (static_cast<size_t>(count + 1) * words > data.size()) Grow();
        uint64_t* to = data.data() + static_cast<size_t>(count) * words;
        for (int w = 0; w < words; ++w) to[w] = set[w];
        ++count;
    }
    void Clear() { count = 0; }
    void Reserve(size_t sets);

private:
    void Grow();
    int words;
    int count = 0;
    std::vector<uint64_t> data;
};

// Bit sets without repeats, in the order of first arrival, with a hash index beside them.
class UniqueWordSets {
public:
    explicit UniqueWordSets(int words);
    void Clear();
    // False when the set is in the list already.
    bool Add(const uint64_t* set);
    // The position of the set, -1 when it is not in the list.
    int Find(const uint64_t* set) const;
    int Size() const { return list.Size(); }
    int Words() const { return list.Words(); }
    const uint64_t* At(int i) const { return list.At(i); }
    const SetList& List() const { return list; }
    // Hands the sets over; the list starts empty again.
    SetList TakeList();

private:
    // A slot holds the set's key (the set itself when it is one word, else its hash) and
    // its position, so that a probe reads one place; position -1 = free.
    struct Slot {
        uint64_t key;
        int64_t at;
    };
    uint64_t Key(const uint64_t* set) const;
    size_t Home(uint64_t key) const;
    void Grow();
    void Place(int index);
    SetList list;
    std::vector<Slot> slots;
};

// The masks of up to 26 attributes that include at least one of the masks added: a bitmap of
// 2^bits bits, closed upwards.
class UpwardClosure {
public:
    static constexpr int kMaxBits = 26;
    explicit UpwardClosure(int bits);
    bool Contains(uint32_t mask) const { return (covered[mask >> 6] >> (mask & 63)) & 1; }
    void Add(uint32_t mask);
    // The same for many masks at once, with no question asked in between: the masks are set
    // and then every set bit is carried to its supersets one attribute at a time, a word of
    // masks per step, which costs about 2^bits / 64 * bits steps whatever the masks.
    void AddAll(const std::vector<uint32_t>& masks);

private:
    int bits;
    std::vector<uint64_t> covered;
};

// What TIntSack::AddAbsorb applied to every offered mask in turn, followed by AddUnique of
// the whole work sack into an empty one, leaves: the minimal offered masks, each placed at
// the first work-sack slot that ends up holding it.
//
// A mask that includes a mask offered earlier changes nothing (the work sack always holds a
// subset of every mask offered so far). Any other mask replaces every stored superset, and
// the first slot of the new value is the first slot of those supersets; with none, it is
// appended. So the work sack is kept as its distinct values with their first slots. When
// the masks are dense in the attribute space, the set of masks that include an offered one
// is kept as a bitmap, and the test of an arriving mask is one bit.
class MaskAbsorber {
public:
    // bits: the attribute count k; expected: how many masks will be offered at most.
    MaskAbsorber(int bits, long long expected);
    void Offer(uint32_t mask);
    // The result masks in the order of their first work-sack slot.
    std::vector<uint32_t> Result() const;

private:
    bool IncludesStored(uint32_t mask) const;
    void Record(uint32_t mask);
    int Place(uint32_t mask, int slot);

    int nextSlot = 0;
    // The distinct values at places that are reused, the first slot of each, and per
    // attribute a bit set of the places whose value holds it, so that the supersets and
    // subsets of a mask are found a word of places at a time.
    std::vector<uint32_t> values;
    std::vector<int> slots;
    int bits;
    std::vector<uint64_t> used;
    std::vector<std::vector<uint64_t>> holding;
    std::vector<int> freePlaces;
    std::unique_ptr<UpwardClosure> covered;  // masks including a stored one; null = unused
    std::vector<uint32_t> recent;   // masks seen lately, by hash: a repeat is answered at once
};

// The term lists of the expansion and the clearing can grow exponentially with the clauses
// (and the genetic search's set of rejected subsets with its generations). Lists that would
// pass the memory they may take (half the physical memory) fail as a failed allocation does,
// with CalcError 2, instead of leaving the system to take back memory it has promised by
// ending the process. entries: the sets held at once; bytesPerEntry: what
// each costs with everything kept beside it.
void CheckTermMemory(long long entries, long long bytesPerEntry);
// For tests: the memory the lists may take; 0 puts the default back.
void SetTermMemoryLimit(long long bytes);
// The memory the lists may take, in bytes: half the physical memory unless a test set it.
long long TermMemoryLimit();

// The sack reasoner's pair count in the LOG: after each pair, the percentage of pairs done,
// when it has grown.
class PairPercentLog {
public:
    explicit PairPercentLog(long long pairs) : pairs(pairs) {}
    // Logs what the pairs counted up to `done` have reached.
    void Reach(long long done);

private:
    long long pairs;
    long long last = 0;
};

}  // namespace discern
