#include "rough/reasoning/transversals.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/report.h"

namespace discern {

namespace {

// What each reduct found costs here and in the memory that receives it.
long long TransversalBytes(int words) { return 8LL * words + 64; }

inline bool Holds(const uint64_t* set, int a) { return (set[a / 64] >> (a % 64)) & 1; }

// The search state. The uncovered clauses and, per chosen attribute, the clauses it alone
// meets are stretches of one array of clauses: its first `uncovered` entries are the clauses
// no chosen attribute meets, and each chosen attribute owns a stretch behind them. Choosing
// an attribute only reorders stretches and shortens them; taking it back puts the lengths
// back, and the stretches hold the same clauses again. Clauses of one word are held in the
// array themselves, longer ones by their number.
template <bool OneWord>
class Search {
public:
    using Item = std::conditional_t<OneWord, uint64_t, int>;

    explicit Search(const SetList& clauses)
        : clauses(clauses), words(OneWord ? 1 : clauses.Words()), items(static_cast<size_t>(clauses.Size())),
          path(static_cast<size_t>(words), 0), found(words) {
        for (int i = 0; i < clauses.Size(); ++i) {
            if constexpr (OneWord) {
                items[static_cast<size_t>(i)] = *clauses.At(i);
            } else {
                items[static_cast<size_t>(i)] = i;
            }
        }
        uncovered = clauses.Size();
    }

    SetList Run() {
        if (clauses.Size() == 0) return std::move(found);
        std::vector<uint64_t> all(static_cast<size_t>(words), 0);
        for (int i = 0; i < clauses.Size(); ++i) {
            for (int w = 0; w < words; ++w) all[static_cast<size_t>(w)] |= clauses.At(i)[w];
        }
        PushFrame(all.data());
        while (!frames.empty()) {
            Frame& f = frames.back();
            uint64_t* cand = Cand(frames.size() - 1);
            if (f.added) {
                Undo();
                const int e = branch[f.next - 1];
                cand[e / 64] |= uint64_t{1} << (e % 64);
                f.added = false;
            }
            if (f.next == f.end) {
                branch.resize(f.begin);
                frames.pop_back();
                cands.resize(frames.size() * static_cast<size_t>(words));
                continue;
            }
            const int e = branch[f.next++];
            if (!Add(e)) {
                cand[e / 64] |= uint64_t{1} << (e % 64);
                continue;
            }
            f.added = true;
            if (uncovered == 0) {
                CheckTermMemory(static_cast<long long>(found.Size()) + 1, TransversalBytes(words));
                found.Append(path.data());
                continue;
            }
            PushFrame(cand);
        }
        return std::move(found);
    }

private:
    // One level of the search: the attributes to branch on (a stretch of `branch`), the next
    // one, whether the last one tried is on the path; its candidates are in `cands`.
    struct Frame {
        size_t begin;
        size_t end;
        size_t next;
        bool added;
    };

    const uint64_t* Bits(const Item& x) const {
        if constexpr (OneWord) {
            return &x;
        } else {
            return clauses.At(x);
        }
    }

    uint64_t* Cand(size_t level) { return cands.data() + level * static_cast<size_t>(words); }

    // Puts the clauses of at[0 .. n) that do not hold attribute a first; returns their count.
    int PartitionWithout(Item* at, int n, int a) const {
        const int w = a / 64;
        const uint64_t bit = uint64_t{1} << (a % 64);
        // Without a branch per clause: which clauses hold a is close to a coin toss.
        int i = 0;
        for (int j = 0; j < n; ++j) {
            const Item x = at[j];
            const bool keep = (Bits(x)[w] & bit) == 0;
            at[j] = at[i];
            at[i] = x;
            i += keep ? 1 : 0;
        }
        return i;
    }

    // A new level below the current path: the uncovered clause with the fewest candidates
    // left is the one to branch on, and its candidates stop being candidates of the level.
    void PushFrame(const uint64_t* from) {
        CheckBreak();
        const size_t level = frames.size();
        cands.insert(cands.end(), from, from + words);
        uint64_t* cand = Cand(level);
        int best = -1;
        int fewest = 0;
        for (int i = 0; i < uncovered; ++i) {
            const uint64_t* c = Bits(items[static_cast<size_t>(i)]);
            int n = 0;
            for (int w = 0; w < words; ++w) n += std::popcount(c[w] & cand[w]);
            if (best < 0 || n < fewest) {
                best = i;
                fewest = n;
                if (n <= 1) break;
            }
        }
        const size_t begin = branch.size();
        const uint64_t* c = Bits(items[static_cast<size_t>(best)]);
        for (int w = 0; w < words; ++w) {
            for (uint64_t rest = c[w] & cand[w]; rest != 0; rest &= rest - 1) {
                branch.push_back(w * 64 + std::countr_zero(rest));
            }
            cand[w] &= ~c[w];
        }
        frames.push_back(Frame{begin, branch.size(), begin, false});
    }

    // Attribute e joins the path when every attribute on it still alone meets some clause;
    // e then alone meets the uncovered clauses that hold it.
    bool Add(int e) {
        const size_t on = chosen.size();
        lengths.resize(on);
        for (size_t i = 0; i < on; ++i) {
            const int n = PartitionWithout(items.data() + critStart[i], critLength[i], e);
            if (n == 0) return false;
            lengths[i] = n;
        }
        const int rest = PartitionWithout(items.data(), uncovered, e);
        saved.push_back(uncovered);
        for (size_t i = 0; i < on; ++i) {
            saved.push_back(critLength[i]);
            critLength[i] = lengths[i];
        }
        chosen.push_back(e);
        critStart.push_back(rest);
        critLength.push_back(uncovered - rest);
        uncovered = rest;
        path[static_cast<size_t>(e / 64)] |= uint64_t{1} << (e % 64);
        return true;
    }

    void Undo() {
        const int e = chosen.back();
        chosen.pop_back();
        critStart.pop_back();
        critLength.pop_back();
        path[static_cast<size_t>(e / 64)] &= ~(uint64_t{1} << (e % 64));
        for (size_t i = chosen.size(); i-- > 0;) {
            critLength[i] = saved.back();
            saved.pop_back();
        }
        uncovered = saved.back();
        saved.pop_back();
    }

    const SetList& clauses;
    const int words;
    std::vector<Item> items;
    int uncovered = 0;
    std::vector<int> chosen;
    std::vector<int> critStart;
    std::vector<int> critLength;
    std::vector<int> lengths;
    std::vector<int> saved;
    std::vector<uint64_t> path;
    std::vector<Frame> frames;
    std::vector<int> branch;
    std::vector<uint64_t> cands;
    SetList found;
};

int LowestCommon(const uint64_t* a, const uint64_t* b, int words) {
    for (int w = 0; w < words; ++w) {
        const uint64_t x = a[w] & b[w];
        if (x != 0) return w * 64 + std::countr_zero(x);
    }
    return -1;
}

}  // namespace

SetList MinimalTransversals(const SetList& clauses) {
    if (clauses.Words() == 1) return Search<true>(clauses).Run();
    return Search<false>(clauses).Run();
}

void OrderByExpansionKey(SetList& transversals, const SetList& clauses) {
    const int n = transversals.Size();
    if (n < 2) return;
    const int words = transversals.Words();
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);

    // A part: the transversals order[begin .. end) sharing the key beginning `s`, the clauses
    // s misses after the clause of its last attribute (`misses`, ascending), and the runs
    // of the part that share the next attribute too, worked off one by one.
    struct Part {
        int begin;
        int end;
        std::vector<uint64_t> s;
        std::vector<int> misses;
        std::vector<std::pair<int, int>> runs;  // (end of run, attribute); runs follow each other
        size_t nextRun = 0;
    };
    std::vector<Part> parts;
    // Counting sort of a part by the next attribute of the keys.
    const size_t attributes = static_cast<size_t>(words) * 64;
    std::vector<int> count(attributes);
    std::vector<int> next;
    std::vector<int> moved;

    auto open = [&](int begin, int end, std::vector<uint64_t> s, std::vector<int> misses) {
        CheckBreak();
        if (misses.empty()) return;  // only a complete key misses nothing, and it is one set
        const uint64_t* at = clauses.At(misses.front());
        next.clear();
        std::fill(count.begin(), count.end(), 0);
        for (int i = begin; i < end; ++i) {
            const int a = LowestCommon(transversals.At(order[static_cast<size_t>(i)]), at, words);
            next.push_back(a);
            ++count[static_cast<size_t>(a)];
        }
        Part p{begin, end, std::move(s), std::move(misses), {}, 0};
        int placed = begin;
        for (size_t a = 0; a < attributes; ++a) {
            if (count[a] == 0) continue;
            const int first = placed;
            placed += count[a];
            count[a] = first - begin;
            p.runs.emplace_back(placed, static_cast<int>(a));
        }
        moved.resize(static_cast<size_t>(end - begin));
        for (int i = begin; i < end; ++i) {
            const int a = next[static_cast<size_t>(i - begin)];
            moved[static_cast<size_t>(count[static_cast<size_t>(a)]++)] = order[static_cast<size_t>(i)];
        }
        std::copy(moved.begin(), moved.end(), order.begin() + begin);
        parts.push_back(std::move(p));
    };

    std::vector<int> all(static_cast<size_t>(clauses.Size()));
    std::iota(all.begin(), all.end(), 0);
    open(0, n, std::vector<uint64_t>(static_cast<size_t>(words), 0), std::move(all));
    while (!parts.empty()) {
        Part& p = parts.back();
        if (p.nextRun == p.runs.size()) {
            parts.pop_back();
            continue;
        }
        const int begin = p.nextRun == 0 ? p.begin : p.runs[p.nextRun - 1].first;
        const auto [end, a] = p.runs[p.nextRun++];
        if (end - begin < 2) continue;
        std::vector<uint64_t> s = p.s;
        s[static_cast<size_t>(a / 64)] |= uint64_t{1} << (a % 64);
        std::vector<int> misses;
        for (size_t i = 1; i < p.misses.size(); ++i) {
            if (!Holds(clauses.At(p.misses[i]), a)) misses.push_back(p.misses[i]);
        }
        open(begin, end, std::move(s), std::move(misses));
    }

    // The sort's scratch, as long as the list at its first split, goes before the reordering.
    count = std::vector<int>();
    next = std::vector<int>();
    moved = std::vector<int>();
    transversals.Permute(order);
}

}  // namespace discern
