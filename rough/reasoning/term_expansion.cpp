#include "rough/reasoning/term_expansion.h"

#include <algorithm>
#include <bit>

#include "core/report.h"

namespace discern {

namespace {

// The work of one step, kept between steps so that nothing is allocated per clause.
struct StepWork {
    explicit StepWork(int words) : open(words), dropped(words), probe(static_cast<size_t>(words)) {}
    std::vector<char> meets;
    std::vector<int> openAt;  // positions of the terms that do not meet the clause
    std::vector<int> once;    // positions of the terms that share exactly one attribute with it
    UniqueWordSets open;      // the terms that do not meet it, for lookup
    UniqueWordSets dropped;   // extended terms that an earlier equal term makes repeats
    std::vector<char> droppedTerm;
    std::vector<uint64_t> probe;
};

// Repeats in one step can only be of one kind. Two extended terms never coincide: both come
// from terms without a clause attribute, so they share the one attribute they were extended
// by and were equal before. A term t that stays can equal an extended one only when it has
// exactly one attribute a of the clause and t without a is a term that does not meet it;
// whichever of the two comes first is kept. So only those terms are looked up, among the
// terms that do not meet the clause, and all others are passed on without a hash.
// False when every term meets the clause: the terms stay as they are.
bool Step(const SetList& terms, const uint64_t* clause, const std::vector<int>& attrs, StepWork& work,
          SetList& next) {
    const int words = terms.Words();
    const int n = terms.Size();
    work.meets.resize(static_cast<size_t>(n));
    work.openAt.clear();
    work.once.clear();
    for (int i = 0; i < n; ++i) {
        const uint64_t* t = terms.At(i);
        int shared = 0;
        for (int w = 0; w < words && shared < 2; ++w) {
            const uint64_t x = t[w] & clause[w];
            if (x != 0) shared += (x & (x - 1)) == 0 ? 1 : 2;
        }
        work.meets[static_cast<size_t>(i)] = shared > 0;
        if (shared == 0) {
            work.openAt.push_back(i);
        } else if (shared == 1) {
            work.once.push_back(i);
        }
    }
    if (work.openAt.empty()) return false;

    work.open.Clear();
    for (int i : work.openAt) work.open.Add(terms.At(i));
    work.dropped.Clear();
    work.droppedTerm.assign(static_cast<size_t>(n), 0);
    uint64_t* probe = work.probe.data();
    for (int j : work.once) {
        const uint64_t* t = terms.At(j);
        for (int w = 0; w < words; ++w) probe[w] = t[w] & ~clause[w];
        const int k = work.open.Find(probe);
        if (k < 0) continue;
        if (work.openAt[static_cast<size_t>(k)] < j) {
            work.droppedTerm[static_cast<size_t>(j)] = 1;
        } else {
            work.dropped.Add(t);
        }
    }

    // The terms before and after the step, with the lookups beside them.
    const long long most = static_cast<long long>(n) + static_cast<long long>(work.openAt.size() * attrs.size());
    CheckTermMemory(most, 16LL * words + 32);
    next.Clear();
    next.Reserve(static_cast<size_t>(most));
    const bool anyDropped = work.dropped.Size() > 0;
    for (int i = 0; i < n; ++i) {
        const uint64_t* t = terms.At(i);
        if (work.meets[static_cast<size_t>(i)]) {
            if (!work.droppedTerm[static_cast<size_t>(i)]) next.Append(t);
            continue;
        }
        for (int a : attrs) {
            for (int w = 0; w < words; ++w) probe[w] = t[w];
            probe[a / 64] |= uint64_t{1} << (a % 64);
            if (anyDropped && work.dropped.Find(probe) >= 0) continue;
            next.Append(probe);
        }
    }
    return true;
}

// Terms of several words, copied into a new list at every step that changes them.
SetList MultiplyOutListed(const ClauseSets& clauses, const std::vector<int>& first) {
    const int words = clauses.Words();
    UniqueWordSets start(words);
    std::vector<uint64_t> single(static_cast<size_t>(words));
    for (int a : first) {
        std::fill(single.begin(), single.end(), 0);
        single[static_cast<size_t>(a / 64)] = uint64_t{1} << (a % 64);
        start.Add(single.data());
    }
    SetList terms = start.TakeList();
    SetList next(words);
    StepWork work(words);
    for (int ci = 1; ci < clauses.Size(); ++ci) {
        CheckBreak();
        if (Step(terms, clauses.At(ci), clauses.attrs[static_cast<size_t>(ci)], work, next)) {
            std::swap(terms, next);
        }
    }
    return terms;
}

// The same multiplying out for terms of one word, where most steps change few terms: the
// terms are not copied step by step but kept in a hash by their bits, each with an interval
// of order labels that places it in the sequence. A term that does not meet the clause hands
// its interval, cut into equal parts in the clause's order, to its extended terms, which so
// take its place; a term that stays keeps its interval; of a repeat the one that comes first
// stays (Step above explains which repeats there can be). The sequence is
// read off by sorting the labels at the end.
//
// The terms that miss a clause are found by trying every set of the attributes outside it
// when those are few, else by a scan of the terms.
class LabelledTerms {
public:
    using Label = unsigned __int128;

    LabelledTerms(const std::vector<int>& first, uint64_t universe) : universe(universe), slots(16, -1) {
        std::vector<uint64_t> keys;
        for (int a : first) {
            const uint64_t key = uint64_t{1} << a;
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
        }
        const Label step = kTop / static_cast<Label>(keys.size() + 1);
        for (size_t i = 0; i < keys.size(); ++i) {
            const size_t n = static_cast<size_t>(Insert(keys[i]));
            lo[n] = step * i;
            hi[n] = step * (i + 1);
        }
    }

    void Apply(uint64_t clause, const std::vector<int>& attrs) {
        if (key.size() > 1024 && key.size() > 2 * static_cast<size_t>(live)) Compact();
        FindOpen(clause);
        if (open.empty()) return;
        std::sort(open.begin(), open.end(), [&](int a, int b) { return lo[static_cast<size_t>(a)] < lo[static_cast<size_t>(b)]; });
        for (int u : open) Replace(static_cast<size_t>(u), attrs);
    }

    SetList Ordered() const {
        std::vector<std::pair<Label, uint64_t>> order;
        order.reserve(static_cast<size_t>(live));
        for (size_t i = 0; i < key.size(); ++i) {
            if (alive[i]) order.emplace_back(lo[i], key[i]);
        }
        std::sort(order.begin(), order.end());
        SetList out(1);
        out.Reserve(order.size());
        for (const auto& o : order) out.Append(&o.second);
        return out;
    }

private:
    static constexpr Label kTop = ~Label{0};
    // A node's key, labels, flag and hash slots, and its place in the ordered list at the end.
    static constexpr long long kNodeBytes = 96;

    size_t Home(uint64_t k) const { return static_cast<size_t>((k * 0x9E3779B97F4A7C15ULL) >> shift); }

    // The node of a key, alive or not; -1 when the key never was a term.
    int Find(uint64_t k) const {
        const size_t wrap = slots.size() - 1;
        for (size_t s = Home(k); slots[s] >= 0; s = (s + 1) & wrap) {
            if (key[static_cast<size_t>(slots[s])] == k) return slots[s];
        }
        return -1;
    }

    bool Alive(int n) const { return n >= 0 && alive[static_cast<size_t>(n)]; }

    // A live node for the key: a former term's node comes back, else a new one.
    int Insert(uint64_t k) {
        int n = Find(k);
        if (n < 0) {
            CheckTermMemory(static_cast<long long>(key.size()) + 1, kNodeBytes);
            n = static_cast<int>(key.size());
            key.push_back(k);
            lo.push_back(0);
            hi.push_back(0);
            alive.push_back(0);
            if (key.size() * 2 > slots.size()) {
                Rehash(slots.size() * 2);
            } else {
                Place(n);
            }
        }
        alive[static_cast<size_t>(n)] = 1;
        ++live;
        return n;
    }

    void Place(int n) {
        const size_t wrap = slots.size() - 1;
        size_t s = Home(key[static_cast<size_t>(n)]);
        while (slots[s] >= 0) s = (s + 1) & wrap;
        slots[s] = n;
    }

    void Rehash(size_t size) {
        slots.assign(size, -1);
        shift = 64 - std::countr_zero(size);
        for (size_t i = 0; i < key.size(); ++i) Place(static_cast<int>(i));
    }

    // Drops the nodes of former terms.
    void Compact() {
        size_t kept = 0;
        for (size_t i = 0; i < key.size(); ++i) {
            if (!alive[i]) continue;
            key[kept] = key[i];
            lo[kept] = lo[i];
            hi[kept] = hi[i];
            alive[kept] = 1;
            ++kept;
        }
        key.resize(kept);
        lo.resize(kept);
        hi.resize(kept);
        alive.resize(kept);
        size_t size = 16;
        while (size < kept * 2) size *= 2;
        Rehash(size);
    }

    void FindOpen(uint64_t clause) {
        open.clear();
        const uint64_t outside = universe & ~clause;
        const int freeBits = std::popcount(outside);
        if (freeBits < 40 && (uint64_t{1} << freeBits) * 4 <= static_cast<uint64_t>(live)) {
            // Every subset of the attributes outside the clause, the empty one last.
            for (uint64_t sub = outside;; sub = (sub - 1) & outside) {
                const int n = Find(sub);
                if (Alive(n)) open.push_back(n);
                if (sub == 0) break;
            }
            return;
        }
        for (size_t i = 0; i < key.size(); ++i) {
            if ((key[i] & clause) == 0 && alive[i]) open.push_back(static_cast<int>(i));
        }
    }

    // The term u misses the clause: its extended terms take its place, in the clause's order,
    // except those equal to a term that comes before u; a term equal to one that comes
    // after u moves to u's place.
    void Replace(size_t u, const std::vector<int>& attrs) {
        taking.clear();
        for (int a : attrs) {
            const uint64_t k = key[u] | (uint64_t{1} << a);
            const int n = Find(k);
            if (Alive(n) && lo[static_cast<size_t>(n)] < lo[u]) continue;
            taking.push_back(k);
        }
        const Label parts = taking.size();
        if (parts > 0 && hi[u] - lo[u] < parts) Relabel();
        const Label start = lo[u];
        const Label width = parts > 0 ? (hi[u] - start) / parts : 0;
        alive[u] = 0;
        --live;
        for (size_t i = 0; i < taking.size(); ++i) {
            int n = Find(taking[i]);
            if (!Alive(n)) n = Insert(taking[i]);
            lo[static_cast<size_t>(n)] = start + width * i;
            hi[static_cast<size_t>(n)] = start + width * (i + 1);
        }
    }

    // Fresh labels in the same order, when an interval is too short to be cut.
    void Relabel() {
        std::vector<std::pair<Label, size_t>> order;
        for (size_t i = 0; i < key.size(); ++i) {
            if (alive[i]) order.emplace_back(lo[i], i);
        }
        std::sort(order.begin(), order.end());
        const Label step = kTop / static_cast<Label>(order.size() + 1);
        for (size_t i = 0; i < order.size(); ++i) {
            lo[order[i].second] = step * i;
            hi[order[i].second] = step * (i + 1);
        }
    }

    uint64_t universe;
    // The nodes, column by column: the scans read only the keys and the flags.
    std::vector<uint64_t> key;
    std::vector<Label> lo;
    std::vector<Label> hi;
    std::vector<char> alive;
    std::vector<int32_t> slots;
    int shift = 60;
    int live = 0;
    std::vector<int> open;
    std::vector<uint64_t> taking;
};

SetList MultiplyOutLabelled(const ClauseSets& clauses, const std::vector<int>& first) {
    uint64_t universe = 0;
    for (int i = 0; i < clauses.Size(); ++i) universe |= *clauses.At(i);
    for (int a : first) universe |= uint64_t{1} << a;
    LabelledTerms terms(first, universe);
    for (int ci = 1; ci < clauses.Size(); ++ci) {
        CheckBreak();
        terms.Apply(*clauses.At(ci), clauses.attrs[static_cast<size_t>(ci)]);
    }
    return terms.Ordered();
}

}  // namespace

SetList MultiplyOut(const ClauseSets& clauses, const std::vector<int>& first) {
    if (clauses.Words() == 1) return MultiplyOutLabelled(clauses, first);
    return MultiplyOutListed(clauses, first);
}

}  // namespace discern
