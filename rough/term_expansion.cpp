#include "rough/term_expansion.h"


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
template <int FixedWords>
bool Step(const SetList& terms, const uint64_t* clause, const std::vector<int>& attrs, StepWork& work,
          SetList& next) {
    const int words = FixedWords != 0 ? FixedWords : terms.Words();
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

    next.Clear();
    next.Reserve(static_cast<size_t>(n) + work.openAt.size() * attrs.size());
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

template <int FixedWords>
SetList MultiplyOutWith(const ClauseSets& clauses, const std::vector<int>& first) {
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
        if (Step<FixedWords>(terms, clauses.At(ci), clauses.attrs[static_cast<size_t>(ci)], work, next)) {
            std::swap(terms, next);
        }
    }
    return terms;
}

}  // namespace

SetList MultiplyOut(const ClauseSets& clauses, const std::vector<int>& first) {
    if (clauses.Words() == 1) return MultiplyOutWith<1>(clauses, first);
    return MultiplyOutWith<0>(clauses, first);
}

}  // namespace discern
