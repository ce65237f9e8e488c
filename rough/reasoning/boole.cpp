#include "rough/reasoning/boole.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>

#include "core/report.h"
#include "core/table.h"
#include "core/alloc_guard.h"
#include "rough/reasoning/boole_steps.h"
#include "rough/reasoning/discernibility.h"
#include "rough/reasoning/pair_clauses.h"
#include "rough/reasoning/term_expansion.h"
#include "rough/reasoning/transversals.h"

using discern::ClauseSets;
using discern::SetList;
using discern::UniqueWordSets;

// The terms between the steps: bit sets in their order, each once.
struct TBoole::Terms {
    explicit Terms(SetList sets) : sets(std::move(sets)) {}
    SetList sets;
    // The sets are only the prime terms of what Minimalization made of the current matrix:
    // all that its clearing leaves, in that order. The whole expansion is made from the
    // matrix again if it is asked for before the clearing.
    bool primeOnly = false;
};

namespace {

void SetBit(uint64_t* set, int a) { set[a / 64] |= uint64_t{1} << (a % 64); }

// The matrix as bit sets wide enough for its attributes and for `width` of them, each clause
// extending terms by its attributes in sack order.
ClauseSets ClausesOf(const TIntSackSet* matrix, int width) {
    const int n = matrix != nullptr ? matrix->GetNoElem() : 0;
    for (int i = 0; i < n; ++i) {
        for (int a : *matrix->GetElem(i)) width = std::max(width, a + 1);
    }
    const int words = discern::WordsFor(width);
    ClauseSets c(words);
    std::vector<uint64_t> set(static_cast<size_t>(words));
    for (int i = 0; i < n; ++i) {
        std::fill(set.begin(), set.end(), 0);
        std::vector<int> order;
        for (int a : *matrix->GetElem(i)) {
            if (set[static_cast<size_t>(a / 64)] & (uint64_t{1} << (a % 64))) continue;
            SetBit(set.data(), a);
            order.push_back(a);
        }
        c.Add(set.data(), std::move(order));
    }
    return c;
}

// The terms of Minimalization: the whole expansion of the matrix.
SetList Expand(const TIntSackSet* matrix, int k) {
    const ClauseSets clauses = ClausesOf(matrix, k);
    if (clauses.Size() == 0) return SetList(clauses.Words());
    const TIntSack& first = *matrix->GetElem(0);
    return discern::MultiplyOut(clauses, std::vector<int>(first.begin(), first.end()));
}

std::unique_ptr<TIntSack> SackOfBits(const uint64_t* set, int words, int step) {
    auto sack = std::make_unique<TIntSack>(step);
    discern::ForEachAttribute(set, words, [&](int a) { sack->AddElem(a); });
    return sack;
}

// What RemoveSupersets, Compact and SortBySize leave of the clauses, given each distinct
// clause once in the order of its first pair: RemoveSupersets keeps exactly the first
// occurrence of every clause that includes no other clause, in slot order. Here a clause is
// tested only against the minimal ones with fewer attributes.
void StoreMinimalClauses(const SetList& clauses, int k, TIntSackSet& matrix) {
    const int n = clauses.Size();
    const int words = clauses.Words();
    std::vector<int> size(static_cast<size_t>(n));
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        size[static_cast<size_t>(i)] = discern::AttributeCount(clauses.At(i), words);
        order[static_cast<size_t>(i)] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return size[static_cast<size_t>(a)] < size[static_cast<size_t>(b)];
    });
    std::vector<char> minimal(static_cast<size_t>(n), 0);
    std::vector<uint64_t> kept;  // the minimal clauses found so far, fewest attributes first
    for (int i : order) {
        const uint64_t* c = clauses.At(i);
        bool includesOne = false;
        for (size_t m = 0; m < kept.size() && !includesOne; m += static_cast<size_t>(words)) {
            bool subset = true;
            for (int w = 0; w < words && subset; ++w) subset = (kept[m + static_cast<size_t>(w)] & ~c[w]) == 0;
            includesOne = subset;
        }
        if (includesOne) continue;
        minimal[static_cast<size_t>(i)] = 1;
        kept.insert(kept.end(), c, c + words);
    }
    for (int i = 0; i < n; ++i) {
        if (minimal[static_cast<size_t>(i)]) matrix.AddElem(SackOfBits(clauses.At(i), words, k));
    }
    matrix.SortBySize();
}

// The growth step of the clause set, n * n / 2 - n, in 64 bits; it only shapes the set's
// capacity, so a value beyond the int range is held at the largest int.
int ClauseSetStep(int n) {
    const long long step = static_cast<long long>(n) * n / 2 - n;
    return static_cast<int>(std::min<long long>(step, INT_MAX));
}

// One clearing pass: a term whose every attribute is essential is final; any other one goes
// on without each of its non-essential attributes in turn, in ascending order.
template <int FixedWords>
void ClearPass(const SetList& terms, const ClauseSets& clauses, UniqueWordSets& next, UniqueWordSets& final) {
    const int words = FixedWords != 0 ? FixedWords : clauses.Words();
    std::vector<uint64_t> essential(static_cast<size_t>(words));
    std::vector<uint64_t> child(static_cast<size_t>(words));
    for (int i = 0; i < terms.Size(); ++i) {
        const uint64_t* t = terms.At(i);
        if (discern::AloneAttributes<FixedWords>(t, clauses, essential.data())) {
            final.Add(t);
            continue;
        }
        for (int w = 0; w < words; ++w) {
            for (uint64_t rest = t[w] & ~essential[static_cast<size_t>(w)]; rest != 0; rest &= rest - 1) {
                std::copy(t, t + words, child.begin());
                child[static_cast<size_t>(w)] &= ~(rest & (~rest + 1));
                next.Add(child.data());
            }
        }
        // Each set kept is a sack of the result too, if it gets there.
        discern::CheckTermMemory(static_cast<long long>(terms.Size()) + next.Size() + final.Size(), 8LL * words + 96);
    }
}

}  // namespace

TBoole::TBoole() = default;
TBoole::~TBoole() = default;

void TBoole::CalcAllGlobReducts(TTable* table, int relative, int missing) {
    verbose = 1;
    NoAttr = discern::ConditionCount(*table, relative);
    discern::GlobalSteps(*this, table, relative, missing);
}

void TBoole::CalcAllLocalReducts(TTable* table, int object, int relative, int missing) {
    verbose = 0;
    NoAttr = discern::ConditionCount(*table, relative);
    discern::LocalSteps(*this, table, object, relative, missing);
}

// Every pair (i, j), j < i, is counted for the LOG percentage; its clause is kept once, at
// its first pair, so that memory grows with the distinct clauses and not with the pairs.
// The pairs themselves are not visited in order (pair_clauses.h); the percentages, which
// depend on their number alone, are logged when they are done.
void TBoole::CreateDiscMatrix(TTable* table, int relative, int missing) {
    GetReducts();  // terms kept as bit sets belong to the old matrix
    if (verbose == 1) LogMessage("Creating disc. matrix");
    NoAttr = discern::ConditionCount(*table, relative);
    const int n = table->GetNoObj();
    const int k = NoAttr;
    const int words = discern::WordsFor(k);
    OrOutOfMemory([&] {
        matrix = std::make_unique<TIntSackSet>(ClauseSetStep(n));
        const SetList clauses = n >= 2 ? discern::DistinctPairClauses(*table, k, relative, missing) : SetList(words);
        if (verbose == 1 && n >= 2) {
            // The share of pairs done depends on their number alone.
            const long long pairs = static_cast<long long>(n) * (n - 1) / 2;
            discern::PairPercentLog(pairs).Reach(pairs);
        }
        StoreMinimalClauses(clauses, k, *matrix);
    });
}

void TBoole::CreateDiscMatrixForObject(TTable* table, int object, int relative, int missing) {
    GetReducts();  // terms kept as bit sets belong to the old matrix
    if (verbose == 1) LogMessage("Creating disc. matrix for single object");
    NoAttr = discern::ConditionCount(*table, relative);
    discern::CheckObject(*table, object);
    const int n = table->GetNoObj();
    const int k = NoAttr;
    OrOutOfMemory([&] {
        matrix = std::make_unique<TIntSackSet>(n);
        StoreMinimalClauses(discern::DistinctObjectClauses(*table, object, k, relative, missing), k, *matrix);
    });
}

// What the multiplying out and the clearing after it leave are the prime terms of the
// expansion in the order of their first terms (see ClearRedundant): the minimal transversals
// of the clauses, in the order of their keys (transversals.h). They are found without making
// the terms; the whole expansion is made only when the terms are asked for before the clearing.
void TBoole::Minimalization(int step) {
    if (verbose == 1) LogMessage("Minimalization...");
    resultStep = step;
    OrOutOfMemory([&] {
        const ClauseSets clauses = ClausesOf(matrix.get(), NoAttr);
        terms = std::make_unique<Terms>(discern::MinimalTransversals(clauses.sets));
        terms->primeOnly = true;
    });
}

// Pass after pass over all terms until a pass leaves nothing to clear.
//
// On the terms of Minimalization that comes down to their prime terms in term order. Those
// terms meet every clause and include every minimal attribute set that does (follow, clause
// by clause, the attributes such a set has in common with the clauses). A term is final
// exactly when it is such a minimal set; the first pass therefore sends every one of them to
// the final list, in term order, and the later passes only find them again, which the
// removal of duplicates undoes. Minimalization has kept only those.
void TBoole::ClearRedundant(int step) {
    if (verbose == 1) LogMessage("Clearing redundant elements...");
    resultStep = step;
    if (terms && terms->primeOnly) {
        CheckBreak();
        terms->primeOnly = false;
        return;
    }
    OrOutOfMemory([&] {
        if (!terms) {
            // The result was handed out already: its sacks are the terms, whatever matrix
            // they came from.
            int width = NoAttr;
            for (int i = 0; result && i < result->GetNoElem(); ++i) {
                if (result->GetElem(i) == nullptr) continue;
                for (int a : *result->GetElem(i)) width = std::max(width, a + 1);
            }
            const int words = ClausesOf(matrix.get(), width).Words();
            terms = std::make_unique<Terms>(SetList(words));
            std::vector<uint64_t> set(static_cast<size_t>(words));
            for (int i = 0; result && i < result->GetNoElem(); ++i) {
                if (result->GetElem(i) == nullptr) continue;
                std::fill(set.begin(), set.end(), 0);
                for (int a : *result->GetElem(i)) SetBit(set.data(), a);
                terms->sets.Append(set.data());
            }
        }
        SetList& current = terms->sets;
        const ClauseSets clauses = ClausesOf(matrix.get(), current.Words() * 64);
        const int words = clauses.Words();
        UniqueWordSets final(words);
        UniqueWordSets next(words);
        while (current.Size() > 0) {
            CheckBreak();
            if (words == 1) {
                ClearPass<1>(current, clauses, next, final);
            } else {
                ClearPass<0>(current, clauses, next, final);
            }
            current = next.TakeList();
        }
        current = final.TakeList();
    });
}

// Prime terms alone stand for the whole expansion they came from, which is made again when
// the terms themselves are asked for.
TIntSackSet* TBoole::GetReducts() {
    if (terms) {
        OrOutOfMemory([&] {
            if (terms->primeOnly) {
                terms->sets = Expand(matrix.get(), NoAttr);
                terms->primeOnly = false;
            }
            const SetList& sets = terms->sets;
            auto out = std::make_unique<TIntSackSet>(resultStep);
            for (int i = 0; i < sets.Size(); ++i) out->AddElem(SackOfBits(sets.At(i), sets.Words(), NoAttr));
            result = std::move(out);
        });
        terms.reset();
    }
    return result.get();
}

discern::SetList TBoole::TakeReductSets() {
    SetList out(1);
    OrOutOfMemory([&] {
        if (terms && !terms->primeOnly) {
            out = std::move(terms->sets);
            terms.reset();
        } else {
            const TIntSackSet* sacks = GetReducts();
            int width = NoAttr;
            for (int i = 0; sacks != nullptr && i < sacks->GetNoElem(); ++i) {
                if (sacks->GetElem(i) == nullptr) continue;
                for (int a : *sacks->GetElem(i)) width = std::max(width, a + 1);
            }
            out = SetList(discern::WordsFor(width));
            std::vector<uint64_t> set(static_cast<size_t>(out.Words()));
            for (int i = 0; sacks != nullptr && i < sacks->GetNoElem(); ++i) {
                if (sacks->GetElem(i) == nullptr) continue;
                std::fill(set.begin(), set.end(), 0);
                for (int a : *sacks->GetElem(i)) SetBit(set.data(), a);
                out.Append(set.data());
            }
        }
        result = std::make_unique<TIntSackSet>(resultStep);
    });
    return out;
}
