#include "rough/reasoning/pair_clauses.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "core/int_hash.h"
#include "core/report.h"
#include "core/table.h"

namespace discern {

namespace {

constexpr int kMissing = TTable::MissingValue;
constexpr uint64_t kNone = ~uint64_t{0};

// The condition values of the objects as small numbers, per attribute in order of first
// appearance, one lane of `width` bytes per attribute, rows padded to whole 16-byte chunks
// (padding lanes are 0 in every row, so they never differ).
class CodedRows {
public:
    CodedRows(const TTable& table, int k, int missing) : k(k), words(WordsFor(k)) {
        const int n = table.GetNoObj();
        int most = 1;
        std::vector<std::unordered_map<int, uint32_t>> codes(static_cast<size_t>(k));
        std::vector<uint32_t> coded(static_cast<size_t>(n) * static_cast<size_t>(k));
        for (int o = 0; o < n; ++o) {
            const int* row = table.Row(o);
            for (int a = 0; a < k; ++a) {
                auto& c = codes[static_cast<size_t>(a)];
                const auto found = c.emplace(row[a], static_cast<uint32_t>(c.size()));
                coded[static_cast<size_t>(o) * k + a] = found.first->second;
                most = std::max(most, static_cast<int>(c.size()));
                if (missing == 1 && row[a] == kMissing) anyMissing = true;
            }
        }
        width = most <= 256 ? 1 : most <= 65536 ? 2 : 4;
        stride = (k * width + 15) / 16 * 16;
        if (stride == 0) stride = 16;
        data.assign(static_cast<size_t>(n) * stride, 0);
        for (int o = 0; o < n; ++o) {
            uint8_t* to = data.data() + static_cast<size_t>(o) * stride;
            for (int a = 0; a < k; ++a) {
                const uint32_t v = coded[static_cast<size_t>(o) * k + a];
                std::memcpy(to + a * width, &v, static_cast<size_t>(width));  // little-endian lanes
            }
        }
        if (anyMissing) {
            absent.assign(static_cast<size_t>(n) * words, 0);
            for (int o = 0; o < n; ++o) {
                const int* row = table.Row(o);
                for (int a = 0; a < k; ++a) {
                    if (row[a] == kMissing) absent[static_cast<size_t>(o) * words + a / 64] |= uint64_t{1} << (a % 64);
                }
            }
        }
    }

    int Stride() const { return stride; }
    int Words() const { return words; }
    const uint8_t* Row(int o) const { return data.data() + static_cast<size_t>(o) * stride; }
    // Missing values, as bits, that must not discern; null when none.
    const uint64_t* Absent(int o) const { return anyMissing ? absent.data() + static_cast<size_t>(o) * words : nullptr; }

    // The attributes in which rows x and y differ, into `words` words.
    void Differ(const uint8_t* x, const uint8_t* y, uint64_t* out) const {
        std::fill(out, out + words, 0);
        const int chunks = stride / 16;
        if (width == 1) {
            for (int c = 0; c < chunks; ++c) {
                const uint64_t equal = EqualBytes(x + 16 * c, y + 16 * c);
                out[c / 4] |= (~equal & 0xFFFF) << (16 * (c % 4));
            }
        } else if (width == 2) {
            for (int c = 0; c < chunks; c += 2) {
                const uint64_t equal = EqualHalves(x + 16 * c, y + 16 * c, c + 1 < chunks);
                out[c / 8] |= (~equal & 0xFFFF) << (8 * (c % 8));
            }
        } else {
            for (int a = 0; a < k; ++a) {
                uint32_t u;
                uint32_t v;
                std::memcpy(&u, x + 4 * a, 4);
                std::memcpy(&v, y + 4 * a, 4);
                if (u != v) out[a / 64] |= uint64_t{1} << (a % 64);
            }
        }
    }

    // Clauses of one word (k <= 64): row x against `count` rows from y on, each clause handed
    // to visit(index in the run, clause).
    template <class Visit>
    void DifferRun(const uint8_t* x, const uint8_t* y, int count, Visit visit) const {
        const int chunks = stride / 16;
        if (width == 1) {
            switch (chunks) {
                case 1: return Run<1, 1>(x, y, count, visit);
                case 2: return Run<1, 2>(x, y, count, visit);
                case 3: return Run<1, 3>(x, y, count, visit);
                case 4: return Run<1, 4>(x, y, count, visit);
                default: break;
            }
        } else if (width == 2) {
            switch (chunks) {
                case 1: return Run<2, 1>(x, y, count, visit);
                case 2: return Run<2, 2>(x, y, count, visit);
                case 3: return Run<2, 3>(x, y, count, visit);
                case 4: return Run<2, 4>(x, y, count, visit);
                default: break;
            }
        }
        uint64_t clause = 0;
        for (int j = 0; j < count; ++j, y += stride) {
            Differ(x, y, &clause);
            visit(j, clause);
        }
    }

private:
#if defined(__GNUC__)
    typedef char Bytes __attribute__((vector_size(16)));
    typedef short Halves __attribute__((vector_size(16)));
#endif

    template <int Width, int Chunks, class Visit>
    void Run(const uint8_t* x, const uint8_t* y, int count, Visit& visit) const {
        const uint64_t lanes = k >= 64 ? ~uint64_t{0} : (uint64_t{1} << k) - 1;
        for (int j = 0; j < count; ++j, y += stride) {
            uint64_t equal = 0;
            if constexpr (Width == 1) {
                for (int c = 0; c < Chunks; ++c) equal |= EqualBytes(x + 16 * c, y + 16 * c) << (16 * c);
            } else {
                for (int c = 0; c < Chunks; c += 2) equal |= EqualHalves(x + 16 * c, y + 16 * c, c + 1 < Chunks) << (8 * c);
            }
            visit(j, ~equal & lanes);
        }
    }

    // 16 lanes of one byte: bit i set when lane i is equal.
    static uint64_t EqualBytes(const uint8_t* x, const uint8_t* y) {
#if defined(__GNUC__) && defined(__SSE2__)
        Bytes a;
        Bytes b;
        std::memcpy(&a, x, 16);
        std::memcpy(&b, y, 16);
        return static_cast<uint16_t>(__builtin_ia32_pmovmskb128(a == b));
#else
        uint64_t equal = 0;
        for (int i = 0; i < 16; ++i) equal |= static_cast<uint64_t>(x[i] == y[i]) << i;
        return equal;
#endif
    }

    // 16 lanes of two bytes from two chunks (the second only when `both`): bit i set when
    // lane i is equal.
    static uint64_t EqualHalves(const uint8_t* x, const uint8_t* y, bool both) {
#if defined(__GNUC__) && defined(__SSE2__)
        Halves a0;
        Halves b0;
        Halves a1 = {};
        Halves b1 = {};
        std::memcpy(&a0, x, 16);
        std::memcpy(&b0, y, 16);
        if (both) {
            std::memcpy(&a1, x + 16, 16);
            std::memcpy(&b1, y + 16, 16);
        }
        const Bytes packed = __builtin_ia32_packsswb128(a0 == b0, a1 == b1);
        return static_cast<uint16_t>(__builtin_ia32_pmovmskb128(packed));
#else
        uint64_t equal = 0;
        const int lanes = both ? 16 : 8;
        for (int i = 0; i < lanes; ++i) {
            uint16_t u;
            uint16_t v;
            std::memcpy(&u, x + 2 * i, 2);
            std::memcpy(&v, y + 2 * i, 2);
            equal |= static_cast<uint64_t>(u == v) << i;
        }
        if (!both) equal |= 0xFF00;
        return equal;
#endif
    }

    int k;
    int words;
    int width = 1;
    int stride = 16;
    bool anyMissing = false;
    std::vector<uint8_t> data;
    std::vector<uint64_t> absent;
};

// The distinct clauses with the position of their first pair: a flat table indexed by the
// clause when the attributes are few, a hash otherwise.
class FirstPairs {
public:
    FirstPairs(int k, int words) : sets(words) {
        if (words == 1 && k <= kFlatBits) flat.assign(size_t{1} << std::max(k, 0), kNone);
    }

    void Record(const uint64_t* clause, uint64_t position) {
        if (!flat.empty()) {
            uint64_t& at = flat[static_cast<size_t>(clause[0])];
            if (position < at) {
                if (at == kNone) sets.Add(clause);
                at = position;
            }
            return;
        }
        const int i = sets.Find(clause);
        if (i < 0) {
            sets.Add(clause);
            first.push_back(position);
        } else if (position < first[static_cast<size_t>(i)]) {
            first[static_cast<size_t>(i)] = position;
        }
    }

    // The flat table (first pair of each clause, kNone when none yet), null when a hash is used.
    uint64_t* Flat() { return flat.empty() ? nullptr : flat.data(); }

    // The clauses in the order of their first pairs.
    SetList Ordered() const {
        const int n = sets.Size();
        std::vector<std::pair<uint64_t, int>> order;
        order.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const uint64_t at = flat.empty() ? first[static_cast<size_t>(i)] : flat[static_cast<size_t>(sets.At(i)[0])];
            order.emplace_back(at, i);
        }
        std::sort(order.begin(), order.end());
        SetList out(sets.Words());
        out.Reserve(static_cast<size_t>(n));
        for (const auto& o : order) out.Append(sets.At(o.second));
        return out;
    }

private:
    static constexpr int kFlatBits = 16;
    UniqueWordSets sets;
    std::vector<uint64_t> first;
    std::vector<uint64_t> flat;
};

bool SameRow(const int* x, const int* y, int k) { return std::equal(x, x + k, y); }

}  // namespace

SetList DistinctPairClauses(const TTable& table, int k, int relative, int missing) {
    const int n = table.GetNoObj();
    const int words = WordsFor(k);
    std::vector<int> decisions;
    if (relative != 0) decisions = Decisions(table);

    // The first object of every group equal on the conditions (and on the decision, relative
    // to it), grouped by decision, each group in ascending order.
    const int keyLength = relative != 0 ? k + 1 : k;
    std::vector<int> keys(static_cast<size_t>(n) * keyLength);
    for (int o = 0; o < n; ++o) {
        std::copy(table.Row(o), table.Row(o) + k, keys.begin() + static_cast<size_t>(o) * keyLength);
        if (relative != 0) keys[static_cast<size_t>(o) * keyLength + k] = decisions[static_cast<size_t>(o)];
    }
    std::unordered_map<size_t, std::vector<int>> seen;
    std::unordered_map<int, int> classOf;
    std::vector<std::vector<int>> classes;
    std::vector<int> firstObjects;
    for (int o = 0; o < n; ++o) {
        const int* key = keys.data() + static_cast<size_t>(o) * keyLength;
        auto& bucket = seen[HashInts(key, key + keyLength)];
        bool repeat = false;
        for (int e : bucket) {
            if (SameRow(keys.data() + static_cast<size_t>(e) * keyLength, key, keyLength)) repeat = true;
        }
        if (repeat) continue;
        bucket.push_back(o);
        firstObjects.push_back(o);
        const int d = relative != 0 ? decisions[static_cast<size_t>(o)] : 0;
        const auto c = classOf.emplace(d, static_cast<int>(classes.size()));
        if (c.second) classes.emplace_back();
        classes[static_cast<size_t>(c.first->second)].push_back(o);
    }
    seen.clear();
    keys.clear();
    keys.shrink_to_fit();

    const CodedRows rows(table, k, missing);
    // Each group's rows side by side, so that one object is compared with a run of them.
    std::vector<std::vector<uint8_t>> classRows(classes.size());
    for (size_t c = 0; c < classes.size(); ++c) {
        for (int o : classes[c]) classRows[c].insert(classRows[c].end(), rows.Row(o), rows.Row(o) + rows.Stride());
    }
    std::vector<int> done(classes.size(), 0);
    FirstPairs clauses(k, words);
    std::vector<uint64_t> clause(static_cast<size_t>(words));
    // A clause of one word goes to the record by a copy, so that the pair loops keep theirs
    // in a register rather than in memory on every pair.
    auto Record = [&clauses](uint64_t m, uint64_t position) { clauses.Record(&m, position); };
    for (int i : firstObjects) {
        CheckBreak();
        const int own = classOf[relative != 0 ? decisions[static_cast<size_t>(i)] : 0];
        const uint8_t* x = rows.Row(i);
        const uint64_t* absentX = rows.Absent(i);
        const uint64_t base = static_cast<uint64_t>(i) * static_cast<uint64_t>(i - 1) / 2;
        for (size_t c = 0; c < classes.size(); ++c) {
            if ((relative != 0) == (static_cast<int>(c) == own)) continue;
            const std::vector<int>& objects = classes[c];
            const uint8_t* y = classRows[c].data();
            const int count = done[c];
            if (words == 1) {
                const int* at = objects.data();
                if (absentX != nullptr) {
                    rows.DifferRun(x, y, count, [&](int jj, uint64_t m) {
                        const int j = at[jj];
                        m &= ~(absentX[0] | rows.Absent(j)[0]);
                        if (m != 0) Record(m, base + static_cast<uint64_t>(j));
                    });
                } else if (uint64_t* flat = clauses.Flat(); flat != nullptr) {
                    rows.DifferRun(x, y, count, [&](int jj, uint64_t m) {
                        const uint64_t position = base + static_cast<uint64_t>(at[jj]);
                        if (m != 0 && position < flat[m]) Record(m, position);
                    });
                } else {
                    rows.DifferRun(x, y, count, [&](int jj, uint64_t m) {
                        if (m != 0) Record(m, base + static_cast<uint64_t>(at[jj]));
                    });
                }
                continue;
            }
            for (int jj = 0; jj < count; ++jj, y += rows.Stride()) {
                rows.Differ(x, y, clause.data());
                const int j = objects[static_cast<size_t>(jj)];
                uint64_t any = 0;
                if (absentX != nullptr) {
                    const uint64_t* absentY = rows.Absent(j);
                    for (int w = 0; w < words; ++w) {
                        clause[static_cast<size_t>(w)] &= ~(absentX[w] | absentY[w]);
                        any |= clause[static_cast<size_t>(w)];
                    }
                } else {
                    for (int w = 0; w < words; ++w) any |= clause[static_cast<size_t>(w)];
                }
                if (any != 0) clauses.Record(clause.data(), base + static_cast<uint64_t>(j));
            }
        }
        ++done[static_cast<size_t>(own)];
    }
    return clauses.Ordered();
}

SetList DistinctObjectClauses(const TTable& table, int object, int k, int relative, int missing) {
    const int n = table.GetNoObj();
    const int words = WordsFor(k);
    const int decision = table.GetNoAttr() - 1;
    UniqueWordSets clauses(words);
    std::vector<uint64_t> clause(static_cast<size_t>(words));
    for (int j = 0; j < n; ++j) {
        if (j == object) continue;
        CheckBreak();
        if (relative != 0 && table.GetTable(j, decision) == table.GetTable(object, decision)) continue;
        if (PairWords(table, j, object, k, missing, words, clause.data())) clauses.Add(clause.data());
    }
    SetList out(words);
    out.Reserve(static_cast<size_t>(clauses.Size()));
    for (int i = 0; i < clauses.Size(); ++i) out.Append(clauses.At(i));
    return out;
}

}  // namespace discern
