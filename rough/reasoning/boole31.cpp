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

namespace {

using discern::LowBits;

struct ClauseView;
template <size_t W>
uint32_t UniqueInColumns(uint32_t term, uint32_t candidates, const ClauseView& view);

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
// The bitmap costs 2^k bits and about as many steps, so it is made once the terms looked at
// times the clauses outweigh that. Until then, and over more attributes, the clauses are
// also held as one bit column per attribute (bit i: clause i holds it), which finds the
// clauses a term meets exactly once a word of clauses at a time (and the expansion's walk
// the first clause a set misses).
struct ClauseView {
    ClauseView(std::vector<uint32_t> masks, int k) : clauses(std::move(masks)), low(LowBits(k)), k(k) {
        uint32_t all = 0;
        for (uint32_t c : clauses) all |= c;
        inside = (all & ~low) == 0 && (low >> 31) == 0;
        closable = k <= discern::UpwardClosure::kMaxBits && inside;
        words = (clauses.size() + 63) / 64;
        columns.assign(32 * words, 0);
        for (size_t i = 0; i < clauses.size(); ++i) {
            for (uint32_t rest = clauses[i]; rest != 0; rest &= rest - 1) {
                columns[static_cast<size_t>(std::countr_zero(rest)) * words + i / 64] |= uint64_t{1} << (i % 64);
            }
        }
        once.resize(words);
        twice.resize(words);
        switch (words) {
            case 1: unique = &UniqueInColumns<1>; break;
            case 2: unique = &UniqueInColumns<2>; break;
            case 3: unique = &UniqueInColumns<3>; break;
            case 4: unique = &UniqueInColumns<4>; break;
            case 5: unique = &UniqueInColumns<5>; break;
            case 6: unique = &UniqueInColumns<6>; break;
            case 7: unique = &UniqueInColumns<7>; break;
            case 8: unique = &UniqueInColumns<8>; break;
            default: unique = &UniqueInColumns<0>; break;
        }
    }

    void Expect(long long terms) {
        if (!closable || closure || static_cast<long long>(clauses.size()) * terms < (2LL << k)) return;
        closure = std::make_unique<discern::UpwardClosure>(k);
        closure->AddAll(clauses);
    }

    uint32_t Low() const { return low; }
    const uint64_t* Column(uint32_t bit) const { return columns.data() + static_cast<size_t>(std::countr_zero(bit)) * words; }

    std::vector<uint32_t> clauses;
    uint32_t low;
    int k;
    bool inside = false;  // every clause lies within the k attributes
    bool closable = false;
    std::unique_ptr<discern::UpwardClosure> closure;
    size_t words = 0;
    std::vector<uint64_t> columns;
    mutable std::vector<uint64_t> once;   // the clauses a term meets at least once
    mutable std::vector<uint64_t> twice;  // ... at least twice
    uint32_t (*unique)(uint32_t, uint32_t, const ClauseView&) = nullptr;
};

// The candidates (attributes of a term) each of which is the only one the term shares with
// some clause, read off the clause columns: the clauses the term meets once and twice or
// more, then for each candidate whether one of its clauses is met once. Few words of clauses
// are held in registers (W of them); any number goes through the view's scratch words (W = 0).
template <size_t W>
uint32_t UniqueInColumns(uint32_t term, uint32_t candidates, const ClauseView& view) {
    const size_t words = W != 0 ? W : view.words;
    uint64_t onceHere[W != 0 ? W : 1] = {};
    uint64_t twiceHere[W != 0 ? W : 1] = {};
    uint64_t* once = W != 0 ? onceHere : view.once.data();
    uint64_t* twice = W != 0 ? twiceHere : view.twice.data();
    if (W == 0) {
        std::fill(once, once + words, 0);
        std::fill(twice, twice + words, 0);
    }
    for (uint32_t rest = term; rest != 0; rest &= rest - 1) {
        const uint64_t* column = view.Column(rest);
        for (size_t w = 0; w < words; ++w) {
            twice[w] |= once[w] & column[w];
            once[w] |= column[w];
        }
    }
    uint32_t essential = 0;
    for (uint32_t rest = candidates; rest != 0; rest &= rest - 1) {
        const uint64_t* column = view.Column(rest);
        uint64_t alone = 0;
        for (size_t w = 0; w < words; ++w) alone |= column[w] & once[w] & ~twice[w];
        if (alone != 0) essential |= rest & (~rest + 1);
    }
    return essential;
}

// The candidates (attributes of a term below k) that the clauses make essential: those that
// are the only one the term shares with some clause. `meets`: the term is known to meet
// every clause; the bitmap of masks that include a clause answers only for such a term.
uint32_t EssentialAmong(uint32_t term, uint32_t candidates, bool meets, const ClauseView& view) {
    const uint32_t low = view.low;
    const bool within = (term & ~low) == 0;
    if (view.closure && within && (meets || !view.closure->Contains(~term & low))) {
        uint32_t essential = 0;
        for (uint32_t rest = candidates; rest != 0; rest &= rest - 1) {
            const uint32_t a = rest & (~rest + 1);
            if (view.closure->Contains((~term | a) & low)) essential |= a;
        }
        return essential;
    }
    if (view.inside && within) return view.unique(term, candidates, view);
    uint32_t essential = 0;
    for (uint32_t c : view.clauses) {
        const uint32_t x = term & c;
        const uint32_t inside = x & low;
        if (static_cast<int32_t>(x) > 0 && inside != 0 && (inside & (inside - 1)) == 0) {
            essential |= inside;
            if ((essential & candidates) == candidates) break;
        }
    }
    return essential & candidates;
}

// The attributes the clearing may drop from a term: those below k that are not essential.
// None left: the term is prime.
//
// An attribute essential in a term stays essential in the term without another attribute
// (the clause it alone met is still met by it alone), so a set the clearing makes by
// dropping b from a term can drop only what the term could, but b: only those candidates
// are looked at.
uint32_t Droppable(uint32_t term, uint32_t candidates, bool meets, const ClauseView& view) {
    return candidates & ~EssentialAmong(term, candidates, meets, view);
}
uint32_t Droppable(uint32_t term, const ClauseView& view) { return Droppable(term, term & view.low, false, view); }

// Adds to `final` a prime term, else to `next` the term without each of its droppable
// attributes in turn, lowest first (TIntSack::AddUnique).
void ClearOneTerm(uint32_t term, const ClauseView& view, TIntSack& next, TIntSack& final) {
    uint32_t droppable = Droppable(term, view);
    if (droppable == 0) final.AddUnique(static_cast<int>(term));
    for (; droppable != 0; droppable &= droppable - 1) next.AddUnique(static_cast<int>(term & ~(droppable & (~droppable + 1))));
}

// The masks met so far: an open hash, which turns into a bitmap of all 2^k masks once it
// would take a quarter of that (from the start over few attributes). The walk and the
// clearing spread over memory with no order a hash could keep, and waiting for memory
// then costs most of the time; the bitmap keeps masks that differ in their low attributes
// together. No mask of the clearing has all 32 bits, so that value marks a free slot.
class MetMasks {
public:
    explicit MetMasks(int k) : k(std::max(k, 6)) {
        if (k <= kBitmapBits) {
            bitmap.assign(BitmapWords(), 0);
        } else {
            slots.assign(size_t{1} << 10, kFree);
        }
    }

    // False when the mask was met before.
    bool Add(uint32_t m) {
        if (!bitmap.empty()) {
            uint64_t& word = bitmap[m >> 6];
            const uint64_t bit = uint64_t{1} << (m & 63);
            if ((word & bit) != 0) return false;
            word |= bit;
            ++count;
            return true;
        }
        size_t s = Home(m);
        while (slots[s] != kFree) {
            if (slots[s] == m) return false;
            s = (s + 1) & (slots.size() - 1);
        }
        slots[s] = m;
        if (++count * 2 > static_cast<long long>(slots.size())) Grow();
        return true;
    }

    // Starts reading where the mask would be, for an Add that follows soon; a bitmap over
    // few attributes stays in the cache anyway.
    void Prefetch(uint32_t m) const {
        if (k <= kBitmapBits) return;
        if (!bitmap.empty()) {
            __builtin_prefetch(bitmap.data() + (m >> 6));
        } else {
            __builtin_prefetch(slots.data() + Home(m));
        }
    }

    long long Size() const { return count; }

private:
    static constexpr int kBitmapBits = 20;
    static constexpr uint32_t kFree = ~uint32_t{0};

    size_t BitmapWords() const { return (size_t{1} << k) / 64; }

    size_t Home(uint32_t m) const {
        return static_cast<size_t>((static_cast<uint64_t>(m) * 0x9E3779B97F4A7C15ULL) >> (64 - std::countr_zero(slots.size())));
    }

    void Grow() {
        std::vector<uint32_t> old(slots.size() * 2, kFree);
        old.swap(slots);
        if (slots.size() * sizeof(uint32_t) * 4 >= BitmapWords() * sizeof(uint64_t)) {
            slots.clear();
            slots.shrink_to_fit();
            bitmap.assign(BitmapWords(), 0);
            for (uint32_t m : old) {
                if (m != kFree) bitmap[m >> 6] |= uint64_t{1} << (m & 63);
            }
            return;
        }
        for (uint32_t m : old) {
            if (m == kFree) continue;
            size_t s = Home(m);
            while (slots[s] != kFree) s = (s + 1) & (slots.size() - 1);
            slots[s] = m;
        }
    }

    int k;
    std::vector<uint64_t> bitmap;
    std::vector<uint32_t> slots;
    long long count = 0;
};

// Term by term, depth-first: a term's level is cleared into the next level until a level
// comes out empty, before the next term starts. The terms of every level are smaller than
// those of the level before, and each reaches all the prime terms its clearing can ever
// reach (the clearing of a term depends on the term alone), adding each to `primes` when its
// level is cleared.
//
// Terms overlap heavily, so a term met again is left out: everything it leads to is listed
// already. Leaving it out changes no order that reaches the list: a term that leads to a
// prime not yet listed comes only from terms that lead to it too, so none of those is left
// out, and they keep their order within each level whatever else is dropped. A set is
// marked met when it enters a level rather than when its turn comes: the two differ only in
// a repeat within the level, which the level keeps out either way.
class Clearing {
public:
    Clearing(std::vector<uint32_t> clauses, int k) : view(std::move(clauses), k), met(k) {}

    // Clears a term not met before; false when it was.
    bool Clear(uint32_t term) {
        if (!met.Add(term)) return false;
        Clear(term, term & view.Low(), false);
        return true;
    }

    // Clears a term of the walk the caller has just entered as met, which meets every clause;
    // `essential`: an attribute known to be essential in it.
    void ClearMet(uint32_t term, uint32_t essential) { Clear(term, term & ~essential & view.Low(), true); }

    const ClauseView& Clauses() const { return view; }

    // Enters a set the caller has met; false when it was met before.
    bool Meet(uint32_t set) { return met.Add(set); }
    void Prefetch(uint32_t set) const { met.Prefetch(set); }

    // Looked at every so many sets: the lists grow by a few sets per step at most.
    void CheckMemory() {
        if (++sinceCheck < kCheckEvery) return;
        sinceCheck = 0;
        discern::CheckTermMemory(met.Size() + static_cast<long long>(primes.size() + current.size() + next.size()), 16);
    }

    std::vector<uint32_t> primes;

private:
    // A set of a level with the attributes it may drop at most (see Droppable).
    struct Open {
        uint32_t set;
        uint32_t candidates;
    };

    // Every set of a level meets every clause when the term does (`meets`): only attributes
    // no clause needs are dropped.
    void Clear(uint32_t term, uint32_t candidates, bool meets) {
        current.assign(1, Open{term, candidates});
        while (!current.empty()) {
            next.clear();
            for (const Open& open : current) {
                CheckBreak();
                view.Expect(++looked);
                const uint32_t t = open.set;
                uint32_t droppable = Droppable(t, open.candidates, meets, view);
                if (droppable == 0) {
                    primes.push_back(t);
                    continue;
                }
                for (uint32_t rest = droppable; rest != 0; rest &= rest - 1) met.Prefetch(t & ~(rest & (~rest + 1)));
                for (uint32_t rest = droppable; rest != 0; rest &= rest - 1) {
                    const uint32_t bit = rest & (~rest + 1);
                    if (met.Add(t & ~bit)) next.push_back(Open{t & ~bit, droppable & ~bit});
                }
                CheckMemory();
            }
            current.swap(next);
        }
    }

    ClauseView view;
    MetMasks met;
    std::vector<Open> current;
    std::vector<Open> next;
    long long looked = 0;
    static constexpr int kCheckEvery = 64;
    int sinceCheck = 0;
};

// The prime terms the clearing gives from the multiplying out, without the terms being kept.
//
// A term of the multiplying out is what a sequence of choices makes: start with the empty
// set and, as long as some clause is missed, add an attribute of the first clause missed.
// The clause is the first missed by the set itself, whatever order its attributes came in:
// every clause before it is met, each by the attribute chosen there or by an earlier one.
// So the choices form a graph over sets, and the multiplying out keeps a term at the first
// of its sequences in the order of the choices (at each clause, its attributes ascending;
// the first clause's only below k). Walked depth-first in that order, the graph meets every
// set first along its first sequence (a later arrival at a set would give its terms a
// smaller first sequence otherwise), so skipping a set met before leaves the terms in the
// order of the list the multiplying out makes, each once. They are cleared as they come.
//
// The sets of the walk miss some clause and those of the clearing meet every clause, so one
// record of met sets serves both.
std::vector<uint32_t> ClearedExpansion(const std::vector<uint32_t>& clauses, int k) {
    Clearing clearing(clauses, k);
    const int m = static_cast<int>(clauses.size());
    if (m == 0) return {};
    // met: per step of the path, the clauses its set meets (m bits, and those past m).
    const ClauseView& view = clearing.Clauses();
    const size_t words = view.words;
    struct Step {
        uint32_t set;
        int clause;        // the first clause the set misses
        uint32_t untried;  // its attributes not chosen yet
    };
    // Every step adds an attribute, so a path holds at most 33 sets.
    Step path[33];
    size_t depth = 1;
    std::vector<uint64_t> met(33 * words, 0);
    if (m % 64 != 0) met[words - 1] = ~uint64_t{0} << (m % 64);
    path[0] = {0, 0, clauses[0] & LowBits(k)};
    while (depth != 0) {
        Step& at = path[depth - 1];
        if (at.untried == 0) {
            --depth;
            continue;
        }
        CheckBreak();
        const uint32_t bit = at.untried & (~at.untried + 1);
        at.untried &= at.untried - 1;
        const uint32_t set = at.set | bit;
        // A set met before, term or not, has been walked or cleared already.
        if (!clearing.Meet(set)) continue;
        const uint64_t* add = view.Column(bit);
        const size_t row = (depth - 1) * words;
        size_t w = static_cast<size_t>(at.clause) / 64;
        while (w < words && (met[row + w] | add[w]) == ~uint64_t{0}) ++w;
        if (w == words) {
            // The clause the set missed has this attribute alone now.
            clearing.ClearMet(set, bit);
            continue;
        }
        clearing.CheckMemory();
        const int missed = static_cast<int>(w * 64) + std::countr_zero(~(met[row + w] | add[w]));
        path[depth++] = {set, missed, clauses[static_cast<size_t>(missed)]};
        for (uint32_t rest = clauses[static_cast<size_t>(missed)]; rest != 0; rest &= rest - 1) {
            clearing.Prefetch(set | (rest & (~rest + 1)));
        }
        // The sets below start looking at the missed clause's word.
        for (size_t i = w; i < words; ++i) met[row + words + i] = met[row + i] | add[i];
    }
    return std::move(clearing.primes);
}

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
// every step. The first clause gives its attributes below k. The terms are the clearing's
// input only, so what the clearing makes of them is found at once (ClearedExpansion) and
// the terms are made when somebody asks for them.
void TBoole31::Minimalization(int step) {
    if (verbose == 1) LogMessage("Minimalization...");
    expansion.reset();
    result.reset();
    OrOutOfMemory([&] {
        auto found = std::make_unique<Expansion>();
        found->clauses = MaskVector(matrix.get());
        found->k = NoAttr;
        found->step = step;
        found->primes = ClearedExpansion(found->clauses, NoAttr);
        expansion = std::move(found);
    });
}

TIntSack* TBoole31::GetReducts() const {
    if (!expansion || result) return result.get();
    OrOutOfMemory([&] {
        auto terms = std::make_unique<TIntSack>(expansion->step);
        const std::vector<uint32_t>& masks = expansion->clauses;
        if (!masks.empty()) {
            discern::ClauseSets clauses(1);
            std::vector<uint64_t> set(1);
            for (uint32_t m : masks) {
                set[0] = m;
                clauses.Add(set.data(), BitsOf(m));
            }
            const discern::SetList list = discern::MultiplyOut(clauses, BitsOf(masks[0] & LowBits(expansion->k)));
            for (int i = 0; i < list.Size(); ++i) terms->AddElem(static_cast<int>(static_cast<uint32_t>(*list.At(i))));
        }
        result = std::move(terms);
    });
    return result.get();
}

// The order this gives: every set between a prime T and a term t meets every clause, so T
// is reached from t at level |t| - |T|, and within a level a set S stands where the
// attributes t \ S, ascending, stand lexicographically among those of the other sets. A prime
// is therefore listed with the first term of the multiplying out that includes it, and those
// of one term by the number of attributes the term has beyond them, then by those
// attributes. Unlike the sack reasoner's order (transversals.h) this cannot be read off a
// prime alone: which term first includes it depends on terms that hold attributes outside
// it, and whether a partial term can still grow into one that includes it is not decided by
// its own attributes (a choice outside it can be the only way). So the terms are still
// walked, though not kept.
//
// The prime terms Minimalization found stand when nobody took the terms out and the matrix
// and the condition count are still those it had; other terms are cleared one by one.
void TBoole31::ClearRedundant(int step) {
    if (verbose == 1) LogMessage("Clearing redundant elements...");
    const bool found = expansion && !result && expansion->k == NoAttr && expansion->clauses == MaskVector(matrix.get());
    if (found) {
        const std::unique_ptr<Expansion> done = std::move(expansion);
        OrOutOfMemory([&] { result = SackOf(done->primes, step); });
        return;
    }
    GetReducts();
    expansion.reset();
    OrOutOfMemory([&] {
        Clearing clearing(MaskVector(matrix.get()), NoAttr);
        for (uint32_t t : MaskVector(result.get())) {
            CheckBreak();
            clearing.Clear(t);
        }
        result = SackOf(clearing.primes, step);
    });
}

void TBoole31::ClearRedundantStep(TIntSack* current, TIntSack* next, TIntSack* final) {
    const ClauseView clauses(MaskVector(matrix.get()), NoAttr);
    for (int i = 0; i < current->GetNoElem(); ++i) {
        CheckBreak();
        ClearOneTerm(static_cast<uint32_t>((*current)[i]), clauses, *next, *final);
    }
}
