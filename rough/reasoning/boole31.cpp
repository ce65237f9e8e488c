#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "core/alloc_guard.h"
#include "rough/reasoning/boole.h"
#include "rough/reasoning/boole_steps.h"
#include "rough/reasoning/discernibility.h"
#include "rough/reasoning/pair_clauses.h"
#include "rough/reasoning/term_expansion.h"

using discern::UniqueMasks;

namespace {

uint32_t LowBits(int n) {
    if (n <= 0) return 0;
    if (n >= 32) return ~uint32_t{0};
    return (uint32_t{1} << n) - 1;
}

// The clauses as they are read in the inner loops.
std::vector<uint32_t> MaskVector(const TIntSack* sack) {
    std::vector<uint32_t> out;
    if (sack == nullptr) return out;
    out.reserve(static_cast<size_t>(sack->GetNoElem()));
    for (int m : *sack) out.push_back(static_cast<uint32_t>(m));
    return out;
}

// The clearing's view of the matrix. With many clauses and terms over few attributes it
// also holds the masks that include some clause, which answers for a term that meets every
// clause whether an attribute a is essential in one look: some clause then shares only a
// with the term exactly when some clause lies within a and the attributes outside the term.
struct ClauseView {
    ClauseView(const TIntSack* matrix, int k, long long terms) : clauses(MaskVector(matrix)), low(LowBits(k)) {
        uint32_t all = 0;
        for (uint32_t c : clauses) all |= c;
        const long long work = static_cast<long long>(clauses.size()) * terms;
        if (k > discern::UpwardClosure::kMaxBits || (all & ~low) != 0 || work < (2LL << k)) return;
        closure = std::make_unique<discern::UpwardClosure>(k);
        for (uint32_t c : clauses) closure->Add(c);
    }

    std::vector<uint32_t> clauses;
    uint32_t low;
    std::unique_ptr<discern::UpwardClosure> closure;
};

// The attributes of a term that the clauses make essential: those that are the only one
// the term shares with some clause. Once every attribute is essential no clause can add one.
uint32_t EssentialBits(uint32_t term, const ClauseView& view) {
    const uint32_t low = view.low;
    if (view.closure && (term & ~low) == 0 && !view.closure->Contains(~term & low)) {
        uint32_t essential = 0;
        for (uint32_t rest = term; rest != 0; rest &= rest - 1) {
            const uint32_t a = rest & (~rest + 1);
            if (view.closure->Contains((~term | a) & low)) essential |= a;
        }
        return essential;
    }
    uint32_t essential = 0;
    for (uint32_t c : view.clauses) {
        const uint32_t x = term & c;
        const uint32_t inside = x & low;
        if (static_cast<int32_t>(x) > 0 && inside != 0 && (inside & (inside - 1)) == 0) {
            essential |= x;
            if (essential == term) break;
        }
    }
    return essential;
}

// Adds to `final` a term whose attributes are all essential, else to `next` the term
// without each of its non-essential attributes in turn, lowest first. List is TIntSack for
// the public step and UniqueMasks inside the clearing; both keep first arrivals in order.
template <class List>
void ClearOneTerm(uint32_t term, const ClauseView& view, int k, List& next, List& final) {
    const uint32_t essential = EssentialBits(term, view);
    const int m = TBoole31::BitCount(static_cast<int>(term), k) - TBoole31::BitCount(static_cast<int>(essential), k);
    if (m == 0) {
        final.AddUnique(static_cast<int>(term));
        return;
    }
    uint32_t droppable = term & ~essential & view.low;
    for (int i = 0; i < m && droppable != 0; ++i) {
        const uint32_t bit = droppable & (~droppable + 1);
        droppable &= droppable - 1;
        next.AddUnique(static_cast<int>(term & ~bit));
    }
}

// UniqueMasks under the name the sack has, so that one clearing step serves both.
struct MaskList {
    UniqueMasks masks;
    // Terms whose clearing is done; they are not entered again (null: none are left out).
    const UniqueMasks* done = nullptr;
    void AddUnique(int m) {
        if (done == nullptr || !done->Contains(static_cast<uint32_t>(m))) masks.Add(static_cast<uint32_t>(m));
    }
};

std::unique_ptr<TIntSack> SackOf(const std::vector<uint32_t>& masks, int step) {
    auto sack = std::make_unique<TIntSack>(step);
    for (uint32_t m : masks) sack->AddElem(static_cast<int>(m));
    return sack;
}

}  // namespace

TBoole31::TBoole31() = default;
TBoole31::~TBoole31() = default;

int TBoole31::BitCount(int mask, int n) {
    return std::popcount(static_cast<uint32_t>(mask) & LowBits(n));
}

void TBoole31::CheckAttributeCount() const {
    if (NoAttr > 31) {
        LogMessage("Bad number of atributes in TBoole31::CalcAllGlobReducts ");
        throw CalcError(5);
    }
}

void TBoole31::CalcAllGlobReducts(TTable* table, int relative, int missing) {
    verbose = 1;
    NoAttr = discern::ConditionCount(*table, relative);
    CheckAttributeCount();
    discern::GlobalSteps(*this, table, relative, missing);
}

void TBoole31::CalcAllLocalReducts(TTable* table, int object, int relative, int missing) {
    verbose = 0;
    NoAttr = discern::ConditionCount(*table, relative);
    CheckAttributeCount();
    discern::LocalSteps(*this, table, object, relative, missing);
}

// Every pair (i, j), j < i, in this order offers its clause to the absorbing work sack. A
// clause offered before changes nothing there (the work sack always holds a part of every
// clause offered), so the distinct clauses in the order of their first pairs are offered.
void TBoole31::CreateDiscMatrix(TTable* table, int relative, int missing) {
    if (verbose == 1) LogMessage("Creating disc. matrix");
    NoAttr = discern::ConditionCount(*table, relative);
    CheckAttributeCount();
    const int n = table->GetNoObj();
    const int k = NoAttr;
    OrOutOfMemory([&] {
        matrix = std::make_unique<TIntSack>(n);
        const discern::SetList distinct = n >= 2 ? discern::DistinctPairClauses(*table, k, relative, missing) : discern::SetList(1);
        discern::MaskAbsorber work(k, distinct.Size());
        for (int i = 0; i < distinct.Size(); ++i) work.Offer(static_cast<uint32_t>(*distinct.At(i)));
        for (uint32_t m : work.Result()) matrix->AddElem(static_cast<int>(m));
    });
    matrix->SortByBitCount(k);
}

void TBoole31::CreateDiscMatrixForObject(TTable* table, int object, int relative, int missing) {
    if (verbose == 1) LogMessage("Creating disc. matrix for single object");
    NoAttr = discern::ConditionCount(*table, relative);
    CheckAttributeCount();
    discern::CheckObject(*table, object);
    const int n = table->GetNoObj();
    const int k = NoAttr;
    OrOutOfMemory([&] {
        matrix = std::make_unique<TIntSack>(n);
        const discern::SetList distinct = discern::DistinctObjectClauses(*table, object, k, relative, missing);
        discern::MaskAbsorber work(k, distinct.Size());
        for (int i = 0; i < distinct.Size(); ++i) work.Offer(static_cast<uint32_t>(*distinct.At(i)));
        for (uint32_t m : work.Result()) matrix->AddElem(static_cast<int>(m));
    });
    matrix->SortByBitCount(k);
}

namespace {

std::vector<int> BitsOf(uint32_t mask) {
    std::vector<int> out;
    for (uint32_t rest = mask; rest != 0; rest &= rest - 1) out.push_back(std::countr_zero(rest));
    return out;
}

}  // namespace

// Each clause multiplies the terms out: a term that meets it stays, any other one is
// extended by each of the clause's attributes in ascending order; repeats are kept out at
// every step. The first clause gives its attributes below k.
void TBoole31::Minimalization(int step) {
    if (verbose == 1) LogMessage("Minimalization...");
    OrOutOfMemory([&] {
        result = std::make_unique<TIntSack>(step);
        const std::vector<uint32_t> masks = MaskVector(matrix.get());
        if (masks.empty()) return;
        discern::ClauseSets clauses(1);
        std::vector<uint64_t> set(1);
        for (uint32_t m : masks) {
            set[0] = m;
            clauses.Add(set.data(), BitsOf(m));
        }
        const discern::SetList terms = discern::MultiplyOut(clauses, BitsOf(masks[0] & LowBits(NoAttr)));
        for (int i = 0; i < terms.Size(); ++i) result->AddElem(static_cast<int>(static_cast<uint32_t>(*terms.At(i))));
    });
}

// Term by term, depth-first: a term's level is cleared into the next level until a level
// comes out empty, before the next term starts. The terms of every level are smaller than
// those of the level before, and each reaches all the prime terms its clearing can ever
// reach (the clearing of a term depends on the term alone), adding each to the final list
// when its level is cleared.
//
// Terms overlap heavily, so a term met again is left out: everything it leads to is in the
// final list already. Leaving it out changes no order that reaches the list: a term that
// leads to a prime not yet listed comes only from terms that lead to it too, so none of
// those is left out, and they keep their order within each level whatever else is dropped.
//
// The order this gives: every set between a prime T and a term t meets every clause, so T
// is reached from t at level |t| - |T|, and within a level a set S stands where the
// attributes t \ S, ascending, stand lexicographically among those of the other sets. A prime
// is therefore listed with the first term of the multiplying out that includes it, and those
// of one term by the number of attributes the term has beyond them, then by those
// attributes. Unlike the sack reasoner's order (transversals.h) this cannot be read off a
// prime alone: which term first includes it depends on terms that hold attributes outside
// it, and whether a partial term can still grow into one that includes it is not decided by
// its own attributes (a choice outside it can be the only way). So the terms are still made.
void TBoole31::ClearRedundant(int step) {
    if (verbose == 1) LogMessage("Clearing redundant elements...");
    OrOutOfMemory([&] {
        const std::vector<uint32_t> terms = MaskVector(result.get());
        const ClauseView clauses(matrix.get(), NoAttr, static_cast<long long>(terms.size()));
        UniqueMasks done;
        MaskList final;
        MaskList current;
        MaskList next;
        next.done = &done;
        for (uint32_t t : terms) {
            CheckBreak();
            if (done.Contains(t)) continue;
            current.masks.Clear();
            current.masks.Add(t);
            for (;;) {
                next.masks.Clear();
                for (uint32_t c : current.masks.Items()) {
                    CheckBreak();
                    done.Add(c);
                    ClearOneTerm(c, clauses, NoAttr, next, final);
                    discern::CheckTermMemory(static_cast<long long>(done.Size()) + final.masks.Size() +
                                                 current.masks.Size() + next.masks.Size(),
                                             16);
                }
                if (next.masks.Size() == 0) break;
                current.masks.Swap(next.masks);
            }
        }
        result = SackOf(final.masks.Items(), step);
    });
}

void TBoole31::ClearRedundantStep(TIntSack* current, TIntSack* next, TIntSack* final) {
    const ClauseView clauses(matrix.get(), NoAttr, 0);
    for (int i = 0; i < current->GetNoElem(); ++i) {
        CheckBreak();
        ClearOneTerm(static_cast<uint32_t>((*current)[i]), clauses, NoAttr, *next, *final);
    }
}
