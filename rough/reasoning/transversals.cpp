#include "rough/reasoning/transversals.h"

#include <algorithm>
#include <bit>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/report.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VARNEL_WIDE_STEPS 1
#endif

namespace discern {

namespace {

bool g_wideStepsAllowed = true;

// A list of clauses in the search's arena.
struct ListSpan {
    size_t begin;
    int length;
};

#ifdef VARNEL_WIDE_STEPS
// The compiler's own reduction of the lanes leaves parts of a register it never reads
// undefined, which it then warns of.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// Each list (one word per clause) without the clauses that hold the attribute bit `e`, in
// their order, the lists one after the other from arena[at] on, eight clauses at a time; up
// to 7 places past the last one written may be overwritten. `kept` receives where each list
// went; `forbidden` collects the attributes every clause kept in some list holds. Returns
// where the next free place is.
__attribute__((target("avx512f"))) size_t KeepWithoutWide(uint64_t* arena, const ListSpan* lists, size_t count,
                                                           uint64_t e, size_t at, ListSpan* kept,
                                                           uint64_t& forbidden) {
    const __m512i bit = _mm512_set1_epi64(static_cast<long long>(e));
    for (size_t k = 0; k < count; ++k) {
        const uint64_t* list = arena + lists[k].begin;
        const int n = lists[k].length;
        const size_t begin = at;
        __m512i common = _mm512_set1_epi64(-1);
        for (int i = 0; i < n; i += 8) {
            const __mmask8 live = n - i >= 8 ? static_cast<__mmask8>(0xFF) : static_cast<__mmask8>((1u << (n - i)) - 1);
            const __m512i v = _mm512_maskz_loadu_epi64(live, list + i);
            const __mmask8 keep = _mm512_mask_testn_epi64_mask(live, v, bit);
            // Compressed in a register and stored whole: a compressing store is slow on some
            // processors.
            _mm512_storeu_si512(arena + at, _mm512_maskz_compress_epi64(keep, v));
            common = _mm512_mask_and_epi64(common, keep, common, v);
            at += static_cast<size_t>(__builtin_popcount(keep));
        }
        forbidden |= static_cast<uint64_t>(_mm512_reduce_and_epi64(common));
        kept[k] = ListSpan{begin, static_cast<int>(at - begin)};
    }
    return at;
}
#pragma GCC diagnostic pop

bool WideSteps() {
    static const bool present = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") != 0;
    }();
    return present && g_wideStepsAllowed;
}
#else
size_t KeepWithoutWide(uint64_t*, const ListSpan*, size_t, uint64_t, size_t at, ListSpan*, uint64_t&) { return at; }
bool WideSteps() { return false; }
#endif

// What each reduct found costs here and in the memory that receives it.
long long TransversalBytes(int words) { return 8LL * words + 64; }

// The search state. All lists are stretches of one arena of clauses, stacked level on level:
// a level holds the clauses its set misses, in clause order (the first is the one to branch
// on), and per chosen attribute the clauses it alone meets. Choosing an attribute writes the
// next level's lists above the current ones from them; taking it back drops the arena to
// where it stood. Clauses of one word are held in the arena themselves, longer ones by their
// number.
template <bool OneWord>
class KeySearch {
public:
    using Item = std::conditional_t<OneWord, uint64_t, int>;

    explicit KeySearch(const SetList& clauses)
        : clauses(clauses),
          words(OneWord ? 1 : clauses.Words()),
          wide(OneWord && WideSteps()),
          path(static_cast<size_t>(words), 0),
          found(words) {}

    SetList Run() {
        const int m = clauses.Size();
        if (m == 0) return std::move(found);
        arena.resize(static_cast<size_t>(m) * 4);
        for (int i = 0; i < m; ++i) {
            if constexpr (OneWord) {
                arena[static_cast<size_t>(i)] = *clauses.At(i);
            } else {
                arena[static_cast<size_t>(i)] = i;
            }
        }
        top = static_cast<size_t>(m);
        levels.resize(1);
        Level& root = levels[0];
        root.missed = Stretch{0, m};
        root.top = top;
        root.alone.clear();
        root.allowed.assign(static_cast<size_t>(words), ~uint64_t{0});
        root.forbidden.assign(static_cast<size_t>(words), 0);
        Open(root);
        size_t depth = 1;
        while (depth != 0) {
            Level& at = levels[depth - 1];
            if (at.added) {
                const int e = at.branch[at.next - 1];
                path[static_cast<size_t>(e / 64)] &= ~(uint64_t{1} << (e % 64));
                top = at.top;
                at.added = false;
            }
            if (at.next == at.branch.size()) {
                --depth;
                continue;
            }
            // Below the next attribute of the clause, the ones before it are not chosen.
            if (at.next > 0) {
                const int before = at.branch[at.next - 1];
                at.allowed[static_cast<size_t>(before / 64)] &= ~(uint64_t{1} << (before % 64));
            }
            const int e = at.branch[at.next++];
            if ((at.forbidden[static_cast<size_t>(e / 64)] >> (e % 64)) & 1) continue;
            if (!Choose(at, e)) continue;
            at.added = true;
            path[static_cast<size_t>(e / 64)] |= uint64_t{1} << (e % 64);
            if (nextMissed.length == 0) {
                CheckTermMemory(static_cast<long long>(found.Size()) + 1, TransversalBytes(words));
                found.Append(path.data());
                continue;
            }
            if (levels.size() == depth) levels.emplace_back();
            Level& below = levels[depth];
            const Level& parent = levels[depth - 1];
            below.missed = nextMissed;
            below.top = top;
            // Swapped in rather than copied: the lists made for the next level are not needed
            // beside it.
            below.alone.swap(nextAlone);
            below.forbidden.swap(nextForbidden);
            below.allowed.resize(parent.allowed.size());
            for (size_t w = 0; w < parent.allowed.size(); ++w) below.allowed[w] = parent.allowed[w];
            Open(below);
            ++depth;
        }
        return std::move(found);
    }

private:
    using Stretch = ListSpan;
    // One set on the path: the clauses it misses and those each chosen attribute alone meets,
    // the attributes that may still be chosen, and the branches on its first missed clause.
    // An attribute held by every clause some chosen attribute alone meets would leave that
    // one needless: it is forbidden, and not tried.
    struct Level {
        Stretch missed;
        size_t top;  // where the arena stood when the level was made
        std::vector<Stretch> alone;
        std::vector<uint64_t> allowed;
        std::vector<uint64_t> forbidden;
        std::vector<int> branch;
        size_t next = 0;
        bool added = false;
    };

    uint64_t Holds(Item x, int w, int b) const {
        if constexpr (OneWord) {
            return (x >> b) & 1;
        } else {
            return (clauses.At(x)[w] >> b) & 1;
        }
    }

    // Keeps in `common` only the attributes of clause x (clauses of several words), when
    // `keep` is 1.
    void Narrow(uint64_t* common, Item x, uint64_t keep) const {
        const uint64_t* c = clauses.At(static_cast<int>(x));
        for (int w = 0; w < words; ++w) common[w] &= c[w] | (keep - 1);
    }

    bool Meets(Item x, const uint64_t* set) const {
        if constexpr (OneWord) {
            return (x & set[0]) != 0;
        } else {
            const uint64_t* c = clauses.At(x);
            uint64_t any = 0;
            for (int w = 0; w < words; ++w) any |= c[w] & set[w];
            return any != 0;
        }
    }

    void Open(Level& level) {
        CheckBreak();
        const Item first = arena[level.missed.begin];
        level.branch.clear();
        for (int w = 0; w < words; ++w) {
            const uint64_t bits = OneWord ? static_cast<uint64_t>(first) : clauses.At(static_cast<int>(first))[w];
            for (uint64_t rest = bits & level.allowed[static_cast<size_t>(w)]; rest != 0; rest &= rest - 1) {
                level.branch.push_back(w * 64 + std::countr_zero(rest));
            }
        }
        level.next = 0;
        level.added = false;
    }

    // Attribute e, not forbidden (every chosen attribute still alone meets some clause without
    // e), joins the set of `level` when every clause the set then misses holds an attribute
    // that may be chosen; the next level's lists are then above the arena's top (nextMissed,
    // nextAlone) with the attributes they forbid (nextForbidden).
    bool Choose(const Level& level, int e) {
        const int w = e / 64;
        const int b = e % 64;
        // The wide steps may write 7 places past the last list.
        size_t need = 2 * static_cast<size_t>(level.missed.length) + 8;
        for (const Stretch& s : level.alone) need += static_cast<size_t>(s.length);
        if (arena.size() < top + need) arena.resize(std::max(arena.size() * 2, top + need));
        Item* a = arena.data();
        // The clauses e meets become its own, the others stay missed; both keep their order.
        // Without a branch per clause: which clauses hold e is close to a coin toss.
        const Item* from = a + level.missed.begin;
        const size_t own = top;
        size_t held = own;
        size_t rest = own + static_cast<size_t>(level.missed.length);
        bool dead = false;
        for (int i = 0; i < level.missed.length; ++i) {
            const Item x = from[i];
            const uint64_t h = Holds(x, w, b);
            a[held] = x;
            a[rest] = x;
            held += h;
            rest += h ^ 1;
            dead |= (h == 0) & !Meets(x, level.allowed.data());
        }
        if (dead) return false;
        const size_t missedBegin = own + static_cast<size_t>(level.missed.length);
        nextMissed = Stretch{missedBegin, static_cast<int>(rest - missedBegin)};
        if (nextMissed.length == 0) return true;  // a transversal: no level below
        size_t at = rest;
        nextAlone.resize(level.alone.size());
        nextForbidden.resize(static_cast<size_t>(words));
        common.resize(static_cast<size_t>(words));
        for (int v = 0; v < words; ++v) nextForbidden[static_cast<size_t>(v)] = 0;
        if (wide) {
            if constexpr (OneWord) {
                at = KeepWithoutWide(a, level.alone.data(), level.alone.size(), uint64_t{1} << b, at, nextAlone.data(),
                                     nextForbidden[0]);
            }
        } else {
            at = KeepWithout(level, w, b, at);
        }
        // e's own clauses (those it alone meets) forbid what they all hold, as the others do.
        if constexpr (OneWord) {
            uint64_t both = ~uint64_t{0};
            for (size_t i = own; i < held; ++i) both &= a[i];
            nextForbidden[0] |= both;
        } else {
            std::fill(common.begin(), common.end(), ~uint64_t{0});
            for (size_t i = own; i < held; ++i) Narrow(common.data(), a[i], 1);
            for (int v = 0; v < words; ++v) nextForbidden[static_cast<size_t>(v)] |= common[static_cast<size_t>(v)];
        }
        nextAlone.push_back(Stretch{own, static_cast<int>(held - own)});
        top = at;
        return true;
    }

    // The plain steps of KeepWithoutWide: each list of `level` without the clauses that hold
    // attribute bit b of word w, from arena[at] on, into nextAlone and nextForbidden.
    size_t KeepWithout(const Level& level, int w, int b, size_t at) {
        Item* a = arena.data();
        for (size_t k = 0; k < level.alone.size(); ++k) {
            const Stretch s = level.alone[k];
            const size_t begin = at;
            const Item* list = a + s.begin;
            if constexpr (OneWord) {
                // The common attributes in a register: through memory, each clause would wait
                // for the one before.
                uint64_t both = ~uint64_t{0};
                for (int i = 0; i < s.length; ++i) {
                    const Item x = list[i];
                    const uint64_t keep = Holds(x, w, b) ^ 1;
                    a[at] = x;
                    at += keep;
                    both &= x | (keep - 1);
                }
                nextForbidden[0] |= both;
            } else {
                std::fill(common.begin(), common.end(), ~uint64_t{0});
                for (int i = 0; i < s.length; ++i) {
                    const Item x = list[i];
                    const uint64_t keep = Holds(x, w, b) ^ 1;
                    a[at] = x;
                    at += keep;
                    Narrow(common.data(), x, keep);
                }
                for (int v = 0; v < words; ++v) nextForbidden[static_cast<size_t>(v)] |= common[static_cast<size_t>(v)];
            }
            nextAlone[k] = Stretch{begin, static_cast<int>(at - begin)};
        }
        return at;
    }

    const SetList& clauses;
    const int words;
    const bool wide;  // the lists of chosen attributes are filtered eight clauses at a time
    std::vector<Item> arena;
    size_t top = 0;
    std::vector<Level> levels;
    Stretch nextMissed{0, 0};
    std::vector<Stretch> nextAlone;
    std::vector<uint64_t> nextForbidden;
    std::vector<uint64_t> common;
    std::vector<uint64_t> path;
    SetList found;
};

}  // namespace

void AllowWideSteps(bool allowed) { g_wideStepsAllowed = allowed; }

SetList MinimalTransversals(const SetList& clauses) {
    if (clauses.Words() == 1) return KeySearch<true>(clauses).Run();
    return KeySearch<false>(clauses).Run();
}

}  // namespace discern
