#pragma once

// The two reasoners written the slow way, step for step with the sack operations (AddAbsorb,
// AddUnique, RemoveSupersets, Meets, CopyWithInserted, SingleCommonElem, ...), and a brute
// force over all attribute subsets. The engines keep their clause, term and result orders
// with faster structures; these references are what those orders must equal.

#include <bit>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "core/int_sack.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/reasoning/discernibility.h"

namespace boole_reference {

using Sets = std::vector<std::vector<int>>;

inline int Draw(int n) { return Rand() % n; }

inline bool Differ(int x, int y, int missing) {
    if (missing == 1 && (x == TTable::MissingValue || y == TTable::MissingValue)) return false;
    return x != y;
}

inline int Conditions(const TTable& t, int relative) {
    return relative ? t.GetNoAttr() - 1 : t.GetNoAttr();
}

// The clause of (i, j), or nothing when the pair need not be told apart.
inline std::vector<int> Clause(const TTable& t, int i, int j, int relative, int missing) {
    const int k = Conditions(t, relative);
    if (relative && t.GetTable(i, t.GetNoAttr() - 1) == t.GetTable(j, t.GetNoAttr() - 1)) return {};
    std::vector<int> c;
    for (int a = 0; a < k; ++a) {
        if (Differ(t.GetTable(i, a), t.GetTable(j, a), missing)) c.push_back(a);
    }
    return c;
}

// The pairs in the order the matrices visit them: (i, j), j < i, or (j, object), j != object.
inline std::vector<std::pair<int, int>> Pairs(const TTable& t, int object) {
    std::vector<std::pair<int, int>> p;
    for (int i = 0; i < t.GetNoObj(); ++i) {
        if (object >= 0) {
            if (i != object) p.push_back({i, object});
            continue;
        }
        for (int j = 0; j < i; ++j) p.push_back({i, j});
    }
    return p;
}

inline Sets SetsOf(const TIntSackSet& s) {
    Sets out;
    for (int i = 0; i < s.GetNoElem(); ++i) out.emplace_back(s.GetElem(i)->begin(), s.GetElem(i)->end());
    return out;
}

inline Sets SetsOfList(const discern::SetList& list) {
    Sets out;
    for (int i = 0; i < list.Size(); ++i) {
        std::vector<int> s;
        for (int w = 0; w < list.Words(); ++w) {
            for (int b = 0; b < 64; ++b) {
                if ((list.At(i)[w] >> b) & 1) s.push_back(w * 64 + b);
            }
        }
        out.push_back(s);
    }
    return out;
}

inline std::vector<int> AttrsOf(uint32_t mask) {
    std::vector<int> out;
    for (int a = 0; a < 32; ++a) {
        if (mask & (uint32_t{1} << a)) out.push_back(a);
    }
    return out;
}

inline Sets SetsOfMasks(const TIntSack& s) {
    Sets out;
    for (int m : s) out.push_back(AttrsOf(static_cast<uint32_t>(m)));
    return out;
}

// ---- the mask reasoner

inline std::vector<int> MaskMatrix(const TTable& t, int object, int relative, int missing) {
    TIntSack work(t.GetNoObj());
    TIntSack matrix(t.GetNoObj());
    for (auto [i, j] : Pairs(t, object)) {
        int mask = 0;
        for (int a : Clause(t, i, j, relative, missing)) mask |= 1 << a;
        if (mask != 0) work.AddAbsorb(mask);
    }
    for (int m : work) matrix.AddUnique(m);
    matrix.SortByBitCount(Conditions(t, relative));
    return std::vector<int>(matrix.begin(), matrix.end());
}

inline std::vector<int> MaskExpand(const std::vector<int>& clauses, int k) {
    TIntSack terms;
    if (clauses.empty()) return {};
    for (int a = 0; a < k; ++a) {
        if (clauses[0] & (1 << a)) terms.AddElem(1 << a);
    }
    for (size_t c = 1; c < clauses.size(); ++c) {
        TIntSack next;
        for (int t : terms) {
            if ((t & clauses[c]) == 0) {
                for (int b = 0; b < 32; ++b) {
                    if (clauses[c] & (1 << b)) next.AddUnique(t | (1 << b));
                }
            } else {
                next.AddUnique(t);
            }
        }
        terms = next;
    }
    return std::vector<int>(terms.begin(), terms.end());
}

inline std::vector<int> MaskClear(const std::vector<int>& clauses, const std::vector<int>& terms, int k) {
    const int low = k >= 31 ? 0x7FFFFFFF : (1 << k) - 1;
    TIntSack final;
    for (int term : terms) {
        TIntSack current;
        current.AddElem(term);
        for (;;) {
            TIntSack next;
            for (int t : current) {
                int e = 0;
                for (int c : clauses) {
                    const int x = t & c;
                    if (x > 0 && std::popcount(static_cast<unsigned>(x & low)) == 1) e |= x;
                }
                const int m = std::popcount(static_cast<unsigned>(t & low)) - std::popcount(static_cast<unsigned>(e & low));
                if (m == 0) {
                    final.AddUnique(t);
                    continue;
                }
                int seen = 0;
                for (int b = 0; b < k && seen < m; ++b) {
                    if ((t & (1 << b)) && !(e & (1 << b))) {
                        next.AddUnique(t & ~(1 << b));
                        ++seen;
                    }
                }
            }
            if (next.GetNoElem() == 0) break;
            current = next;
        }
    }
    return std::vector<int>(final.begin(), final.end());
}

// ---- the sack reasoner

inline std::unique_ptr<TIntSack> SackOf(const std::vector<int>& v) {
    auto s = std::make_unique<TIntSack>();
    for (int a : v) s->AddElem(a);
    return s;
}

inline Sets SackMatrix(const TTable& t, int object, int relative, int missing) {
    TIntSackSet matrix(10);
    int smallest = 1 << 30;
    int largest = 0;
    for (auto [i, j] : Pairs(t, object)) {
        std::vector<int> c = Clause(t, i, j, relative, missing);
        if (c.empty()) continue;
        smallest = std::min<int>(smallest, static_cast<int>(c.size()));
        largest = std::max<int>(largest, static_cast<int>(c.size()));
        matrix.AddElem(SackOf(c));
    }
    if (matrix.GetNoElem() > 0) {
        matrix.RemoveSupersets(smallest, largest);
        matrix.Compact();
        matrix.SortBySize();
    }
    return SetsOf(matrix);
}

inline Sets SackExpand(const Sets& clauses) {
    if (clauses.empty()) return {};
    auto terms = std::make_unique<TIntSackSet>(10);
    for (int a : clauses[0]) terms->AddElem(SackOf({a}));
    for (size_t c = 1; c < clauses.size(); ++c) {
        auto clause = SackOf(clauses[c]);
        auto next = std::make_unique<TIntSackSet>(10);
        for (int i = 0; i < terms->GetNoElem(); ++i) {
            const TIntSack& t = *terms->GetElem(i);
            if (t.Meets(*clause)) {
                next->AddElem(std::make_unique<TIntSack>(t));
                continue;
            }
            for (int a : *clause) {
                auto s = std::make_unique<TIntSack>();
                s->CopyWithInserted(t, a);
                next->AddElem(std::move(s));
            }
        }
        terms = std::move(next);
    }
    if (terms->GetNoElem() > 0) terms->RemoveDuplicates();
    return SetsOf(*terms);
}

inline Sets SackClear(const Sets& clauseSets, const Sets& termSets) {
    std::vector<std::unique_ptr<TIntSack>> clauses;
    for (const auto& c : clauseSets) clauses.push_back(SackOf(c));
    auto result = std::make_unique<TIntSackSet>(10);
    for (const auto& t : termSets) result->AddElem(SackOf(t));
    TIntSackSet final(10);
    for (;;) {
        auto next = std::make_unique<TIntSackSet>(10);
        for (int i = 0; i < result->GetNoElem(); ++i) {
            const TIntSack& t = *result->GetElem(i);
            TIntSack essential;
            for (const auto& c : clauses) {
                const int e = t.SingleCommonElem(*c);
                if (e != -1) essential.InsertSorted(e);
            }
            if (essential.GetNoElem() == t.GetNoElem()) {
                final.AddElem(std::make_unique<TIntSack>(t));
                continue;
            }
            const int m = t.GetNoElem() - essential.GetNoElem();
            for (int drop = 0; drop < m; ++drop) {
                auto s = std::make_unique<TIntSack>();
                int seen = 0;
                for (int a : t) {
                    if (!essential.IsInSorted(a) && seen++ == drop) continue;
                    s->AddElem(a);
                }
                next->AddElem(std::move(s));
            }
        }
        if (next->GetNoElem() > 0) next->RemoveDuplicates();
        const bool done = next->GetNoElem() == 0;
        result = std::move(next);
        if (done) break;
    }
    if (final.GetNoElem() > 0) final.RemoveDuplicates();
    return SetsOf(final);
}

// ---- brute force

// The minimal attribute sets among 0 .. k - 1 that meet every non-empty clause; none when
// there is no clause.
inline std::set<std::vector<int>> MinimalHittingSets(const TTable& t, int object, int relative, int missing) {
    const int k = Conditions(t, relative);
    std::vector<uint32_t> clauses;
    for (auto [i, j] : Pairs(t, object)) {
        uint32_t m = 0;
        for (int a : Clause(t, i, j, relative, missing)) m |= uint32_t{1} << a;
        if (m != 0) clauses.push_back(m);
    }
    std::set<std::vector<int>> out;
    if (clauses.empty()) return out;
    auto hits = [&](uint32_t s) {
        for (uint32_t c : clauses) {
            if ((s & c) == 0) return false;
        }
        return true;
    };
    for (uint32_t s = 0; s < (uint32_t{1} << k); ++s) {
        if (!hits(s)) continue;
        bool minimal = true;
        for (int a = 0; a < k && minimal; ++a) minimal = !((s >> a) & 1) || !hits(s & ~(uint32_t{1} << a));
        if (minimal) out.insert(AttrsOf(s));
    }
    return out;
}

// A table of n objects and columns columns with values 0 .. range - 1, each value missing
// with probability missingPercent / 100.
inline void RandomTable(TTable& t, int n, int columns, int range, int missingPercent) {
    t.CreateTable(n, columns);
    for (int o = 0; o < n; ++o) {
        for (int a = 0; a < columns; ++a) {
            int v = Draw(range);
            if (Draw(100) < missingPercent) v = TTable::MissingValue;
            t.SetTable(o, a, v);
        }
    }
}

}  // namespace boole_reference
