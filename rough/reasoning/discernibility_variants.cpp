#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "core/alloc_guard.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "rough/reasoning/discernibility.h"
#include "rough/reasoning/pair_distances.h"

// The matrices of these variants are built like the plain ones: each pair's clause is offered
// to the absorbing work sack in the pairs' order, and the sack's masks, without repeats, are
// ordered by bit count. Values are compared as stored: the variants pass the missing-value
// option 0 to the clause builders.

namespace {

constexpr int kAsStored = 0;

// The dense distance matrix of the callers that hold one.
struct DenseDistances {
    double** rows;
    double At(int i, int j) const { return rows[i][j]; }
};

struct ListedDistances {
    const PairDistances& store;
    double At(int i, int j) const { return store.At(i, j); }
};

}  // namespace

void TBoole31::SetMatrix(const std::vector<uint32_t>& absorbed, int step) {
    OrOutOfMemory([&] {
        auto sorted = std::make_unique<TIntSack>(step);
        for (uint32_t m : absorbed) sorted->AddElem(static_cast<int>(m));
        matrix = std::move(sorted);
    });
    matrix->SortByBitCount(NoAttr);
}

// With a positive threshold an unlisted pair (0.0) never reaches it, so only the listed pairs
// of each object are looked at, in the order of the other object as the full loop meets them.
void TBoole31::CreateDiscMatrixSelvaro(TTable* t, TTable* pairs, double threshold, int minSupport) {
    if (verbose == 1) LogMessage("Creating disc. matrix - Selvaro");
    NoAttr = t->GetNoAttr();
    CheckAttributeCount();
    const int n = t->GetNoObj();
    const int k = NoAttr;
    const PairDistances dist(*pairs, n, minSupport, "TBoole31::CreateDiscMatrixSelvaro");
    dist.PrintRange();
    std::vector<uint32_t> absorbed;
    OrOutOfMemory([&] {
        const bool listedOnly = threshold > 0.0;
        discern::MaskAbsorber work(k, listedOnly ? dist.Listed() : static_cast<long long>(n) * n);
        std::vector<uint32_t> masks;
        std::unique_ptr<discern::ConditionColumns> columns;
        if (!listedOnly) {
            columns = std::make_unique<discern::ConditionColumns>(*t, k);
            masks.resize(static_cast<size_t>(n));
        }
        for (int i = 0; i < n; ++i) {
            CheckBreak();
            const PairDistances::Entry* e = dist.RowBegin(i);
            const PairDistances::Entry* end = dist.RowEnd(i);
            if (listedOnly) {
                for (; e != end; ++e) {
                    if (e->to == i || !(e->distance >= threshold)) continue;
                    const uint32_t m = discern::PairMask(*t, e->to, i, k, kAsStored);
                    if (m != 0) work.Offer(m);
                }
                continue;
            }
            discern::DifferingBits32(*columns, 0, k, i, n, kAsStored, masks.data());
            for (int j = 0; j < n; ++j) {
                while (e != end && e->to < j) ++e;
                const double d = e != end && e->to == j ? e->distance : 0.0;
                if (j != i && masks[static_cast<size_t>(j)] != 0 && d >= threshold) work.Offer(masks[static_cast<size_t>(j)]);
            }
        }
        absorbed = work.Result();
    });
    SetMatrix(absorbed, n);
    PrintDiscMatrix(t);
}

void TBoole31::CalcAllReductsSelvaro(TTable* t, TTable* pairs, double threshold, int minSupport) {
    verbose = 1;
    NoAttr = t->GetNoAttr();
    CheckAttributeCount();
    LogMessage("Calculating all reducts");
    ShowProgress(5);
    CreateDiscMatrixSelvaro(t, pairs, threshold, minSupport);
    ShowProgress(30);
    Minimalization(t->GetNoObj());
    ShowProgress(70);
    ClearRedundant(t->GetNoObj());
}

namespace {

// The clauses of (j, o), j != o, for the objects that `tell(j)` says must be told from o.
template <class Tell>
std::vector<uint32_t> PerObjectClauses(const TTable& t, int o, int k, Tell tell) {
    const int n = t.GetNoObj();
    return OrOutOfMemory([&] {
        discern::MaskAbsorber work(k, n - 1);
        for (int j = 0; j < n; ++j) {
            if (j == o) continue;
            CheckBreak();
            if (!tell(j)) continue;
            const uint32_t m = discern::PairMask(t, j, o, k, kAsStored);
            if (m != 0) work.Offer(m);
        }
        return work.Result();
    });
}

}  // namespace

void TBoole31::CreateDiscMatrixForObjectQuandor(TTable* t, int o, const double* a, const double* b) {
    if (verbose == 1) LogMessage("Creating disc. matrix for single object");
    NoAttr = t->GetNoAttr() - 1;
    CheckAttributeCount();
    discern::CheckObject(*t, o);
    const double d0 = std::fabs(a[o] - b[o]);
    SetMatrix(PerObjectClauses(*t, o, NoAttr, [&](int j) { return !(std::fabs(d0 - std::fabs(a[j] - b[j])) <= 0.5); }),
              t->GetNoObj());
}

void TBoole31::CreateDiscMatrixForObjectQuandor2(TTable* t, int o, const double* a) {
    NoAttr = t->GetNoAttr() - 1;
    CheckAttributeCount();
    discern::CheckObject(*t, o);
    SetMatrix(PerObjectClauses(*t, o, NoAttr, [&](int j) { return !(std::fabs(a[o] - a[j]) < 0.2); }),
              t->GetNoObj());
}

// The objects differing from o are split, in object order, into those far from o and the
// near ones. A far object gives its clause; two near objects far from each other (the later
// one's distance to the earlier one counts) give the attributes where either differs from o.
// With listed distances and a positive threshold only the listed pairs of the later object
// can reach it, and they are met in the order of the earlier one as the full loop meets them.
template <class Distances>
void TBoole31::Quandor3Matrix(TTable* t, int o, const Distances& dist, double threshold) {
    NoAttr = t->GetNoAttr();
    CheckAttributeCount();
    discern::CheckObject(*t, o);
    const int n = t->GetNoObj();
    const int k = NoAttr;
    std::vector<uint32_t> absorbed;
    OrOutOfMemory([&] {
        std::vector<uint32_t> diff(static_cast<size_t>(n), 0);
        std::vector<int> far;
        std::vector<int> near;
        for (int j = 0; j < n; ++j) {
            if (j == o) continue;
            CheckBreak();
            diff[static_cast<size_t>(j)] = discern::PairMask(*t, j, o, k, kAsStored);
            if (diff[static_cast<size_t>(j)] == 0) continue;
            (dist.At(j, o) >= threshold ? far : near).push_back(j);
        }
        const long long nearPairs = static_cast<long long>(near.size()) * (static_cast<long long>(near.size()) - 1) / 2;
        discern::MaskAbsorber work(k, static_cast<long long>(far.size()) + nearPairs);
        for (int j : far) work.Offer(diff[static_cast<size_t>(j)]);
        if (near.size() > 1) {
            auto offerPair = [&](int j1, int j2) {
                const uint32_t m = diff[static_cast<size_t>(j1)] | diff[static_cast<size_t>(j2)];
                if (m != 0) work.Offer(m);
            };
            if constexpr (std::is_same_v<Distances, ListedDistances>) {
                if (threshold > 0.0) {
                    std::vector<char> isNear(static_cast<size_t>(n), 0);
                    for (int j : near) isNear[static_cast<size_t>(j)] = 1;
                    for (int j1 : near) {
                        for (const PairDistances::Entry* e = dist.store.RowBegin(j1); e != dist.store.RowEnd(j1) && e->to < j1; ++e) {
                            if (isNear[static_cast<size_t>(e->to)] && e->distance >= threshold) offerPair(j1, e->to);
                        }
                    }
                    absorbed = work.Result();
                    return;
                }
            }
            for (size_t p = 1; p < near.size(); ++p) {
                for (size_t q = 0; q < p; ++q) {
                    if (dist.At(near[p], near[q]) >= threshold) offerPair(near[p], near[q]);
                }
            }
        }
        absorbed = work.Result();
    });
    SetMatrix(absorbed, n);
}

void TBoole31::CreateDiscMatrixForObjectQuandor3(TTable* t, int o, double** dist, double threshold) {
    Quandor3Matrix(t, o, DenseDistances{dist}, threshold);
}

void TBoole31::CreateDiscMatrixForObjectQuandor3(TTable* t, int o, const PairDistances& dist, double threshold) {
    Quandor3Matrix(t, o, ListedDistances{dist}, threshold);
}

namespace {

// The local calculations log nothing and show no progress: they run once per object.
template <class Build>
void LocalVariant(TBoole31& r, TTable* t, Build build) {
    build();
    r.Minimalization(t->GetNoObj());
    r.ClearRedundant(t->GetNoObj());
}

}  // namespace

void TBoole31::CalcAllLocalReductsQuandor(TTable* t, int o, const double* a, const double* b) {
    verbose = 0;
    NoAttr = t->GetNoAttr() - 1;
    CheckAttributeCount();
    LocalVariant(*this, t, [&] { CreateDiscMatrixForObjectQuandor(t, o, a, b); });
}

void TBoole31::CalcAllLocalReductsQuandor2(TTable* t, int o, const double* a) {
    verbose = 0;
    NoAttr = t->GetNoAttr() - 1;
    CheckAttributeCount();
    LocalVariant(*this, t, [&] { CreateDiscMatrixForObjectQuandor2(t, o, a); });
}

void TBoole31::CalcAllLocalReductsQuandor3(TTable* t, int o, double** dist, double threshold) {
    verbose = 0;
    NoAttr = t->GetNoAttr();
    CheckAttributeCount();
    LocalVariant(*this, t, [&] { CreateDiscMatrixForObjectQuandor3(t, o, dist, threshold); });
}

void TBoole31::CalcAllLocalReductsQuandor3(TTable* t, int o, const PairDistances& dist, double threshold) {
    verbose = 0;
    NoAttr = t->GetNoAttr();
    CheckAttributeCount();
    LocalVariant(*this, t, [&] { CreateDiscMatrixForObjectQuandor3(t, o, dist, threshold); });
}

// Every choice of one attribute per clause, in the order of the clauses: the bits of a
// further clause (ascending) each extend every term so far. Terms that meet the clause
// already are extended as well, so the count is the product of the clause sizes before the
// repeats are dropped at the end.
void TBoole31::MasksToSacks(const TIntSack* clauses, TIntSack* out) {
    NoAttr = 10;
    if (clauses == nullptr || clauses->GetNoElem() == 0) return;
    const uint32_t low = (uint32_t{1} << NoAttr) - 1;
    OrOutOfMemory([&] {
        std::vector<uint32_t> terms;
        for (uint32_t rest = static_cast<uint32_t>((*clauses)[0]) & low; rest != 0; rest &= rest - 1) {
            terms.push_back(rest & (~rest + 1));
        }
        std::vector<uint32_t> next;
        for (int c = 1; c < clauses->GetNoElem(); ++c) {
            CheckBreak();
            const uint32_t clause = static_cast<uint32_t>((*clauses)[c]) & low;
            discern::CheckTermMemory(static_cast<long long>(terms.size()) * std::popcount(clause), 2 * sizeof(uint32_t));
            next.clear();
            for (uint32_t rest = clause; rest != 0; rest &= rest - 1) {
                const uint32_t bit = rest & (~rest + 1);
                for (uint32_t term : terms) next.push_back(term | bit);
            }
            terms.swap(next);
        }
        discern::UniqueMasks stored;
        for (int m : *out) stored.Add(static_cast<uint32_t>(m));
        for (uint32_t term : terms) {
            if (stored.Add(term)) out->AddElem(static_cast<int>(term));
        }
    });
}

int TBoole31::CountEqualRows(TTable* t, int o) {
    discern::CheckObject(*t, o);
    int count = 0;
    for (int j = 0; j < t->GetNoObj(); ++j) count += t->EqualRows(o, j);
    return count;
}
