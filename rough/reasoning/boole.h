#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/int_sack.h"
#include "rough/reasoning/discernibility.h"

class PairDistances;
class TTable;

// All reducts of a table, or all reducts local to one object, by Boolean reasoning: the
// discernibility matrix (one clause per pair of objects to tell apart: the condition
// attributes on which they differ) is multiplied out into terms (Minimalization) and every
// term is reduced to prime implicants (Clearing); what remains are the minimal attribute
// sets that meet every clause. No clause at all gives no reduct.
//
// Condition attributes are the columns 0 .. k - 1, k = NoAttr - 1 relative to the decision
// (the last column), NoAttr otherwise. relative: 1 = pairs with equal decisions need not be
// told apart. missing: 1 = the missing value never discerns; any other value = it is
// compared like any value.
//
// The two reasoners give the same set of reducts in different orders, and the order reaches
// the result files, so each keeps its own algorithm.

// Attribute sets as ascending sacks; any number of attributes. The terms are cleared pass
// by pass over all of them.
class TBoole {
public:
    TBoole();
    ~TBoole();
    TBoole(const TBoole&) = delete;
    TBoole& operator=(const TBoole&) = delete;

    void CalcAllGlobReducts(TTable* table, int relative, int missing);
    void CalcAllLocalReducts(TTable* table, int object, int relative, int missing);
    // The reducts, owned by the reasoner; a caller keeping a sack takes it out with
    // TIntSackSet::ClearElem. Null before the first calculation.
    TIntSackSet* GetReducts();
    // The reducts in the same order as bit sets (attribute a is bit a % 64 of word a / 64),
    // for callers that keep very many: no sack is made. The result is empty afterwards.
    discern::SetList TakeReductSets();

    void CreateDiscMatrix(TTable* table, int relative, int missing);
    void CreateDiscMatrixForObject(TTable* table, int object, int relative, int missing);
    // step: the growth step of the term sets, which only shapes their capacity.
    void Minimalization(int step);
    void ClearRedundant(int step);

    TIntSackSet* GetMatrix() const { return matrix.get(); }
    // "Discernibilty matrix:", then "[ " and each attribute of a clause followed by a blank,
    // "]", a line per clause, on standard output.
    void PrintDiscMatrix() const;

private:
    struct Terms;  // term sets as bit sets, the working form of the two expansion steps

    std::unique_ptr<TIntSackSet> matrix;
    std::unique_ptr<TIntSackSet> result;
    int NoAttr = 0;  // condition attributes of the last calculation
    int verbose = 1;
    // The terms of the last step; turned into `result` when it is asked for.
    std::unique_ptr<Terms> terms;
    int resultStep = 1;
};

// Attribute sets as 32-bit masks (attribute a is bit 2^a); at most 31 condition attributes.
// Every term is cleared depth-first on its own.
class TBoole31 {
public:
    TBoole31();
    ~TBoole31();
    TBoole31(const TBoole31&) = delete;
    TBoole31& operator=(const TBoole31&) = delete;

    void CalcAllGlobReducts(TTable* table, int relative, int missing);
    void CalcAllLocalReducts(TTable* table, int object, int relative, int missing);
    // The reducts as masks, owned by the reasoner; null before the first calculation. Right
    // after Minimalization, the terms of the multiplying out.
    TIntSack* GetReducts() const;

    void CreateDiscMatrix(TTable* table, int relative, int missing);
    void CreateDiscMatrixForObject(TTable* table, int object, int relative, int missing);
    void Minimalization(int step);
    void ClearRedundant(int step);
    // One level of the clearing of the terms of `current`: prime ones go to `final`, the
    // others, each without one of its non-essential attributes, to `next`.
    void ClearRedundantStep(TIntSack* current, TIntSack* next, TIntSack* final);
    // Set bits among the lowest n bits.
    static int BitCount(int mask, int n);

    TIntSack* GetMatrix() const { return matrix.get(); }

    // Variants whose matrices tell objects apart only when an outside measure says they
    // must: a distance between objects or a real-valued score per object. Each sets the
    // condition count k itself; Minimalization and ClearRedundant follow unchanged. Values
    // are compared as stored (a missing value discerns like any other) and the decision
    // plays no part.
    //
    // Every column is a condition. A pair (i, j) gives its clause when the distance stored
    // from i to j (pairs: see PairDistances) reaches the threshold; the distance range goes
    // to standard output first and the matrix after.
    void CreateDiscMatrixSelvaro(TTable* t, TTable* pairs, double threshold, int minSupport);
    void CalcAllReductsSelvaro(TTable* t, TTable* pairs, double threshold, int minSupport);
    // Conditions 0 .. NoAttr - 2. Object j is told from o unless their sizes of the score
    // difference, |a - b|, lie within 0.5 of each other.
    void CreateDiscMatrixForObjectQuandor(TTable* t, int o, const double* a, const double* b);
    // Conditions 0 .. NoAttr - 2. Object j is told from o unless their scores lie closer
    // than 0.2.
    void CreateDiscMatrixForObjectQuandor2(TTable* t, int o, const double* a);
    // Every column is a condition. Objects at least `threshold` away from o (dist[j][o]) are
    // told from it; of the nearer ones, each pair that lies at least `threshold` apart gives
    // the attributes in which either differs from o.
    void CreateDiscMatrixForObjectQuandor3(TTable* t, int o, double** dist, double threshold);
    void CreateDiscMatrixForObjectQuandor3(TTable* t, int o, const PairDistances& dist, double threshold);
    // The local reducts over those matrices; more than 31 conditions are refused as in
    // CalcAllLocalReducts.
    void CalcAllLocalReductsQuandor(TTable* t, int o, const double* a, const double* b);
    void CalcAllLocalReductsQuandor2(TTable* t, int o, const double* a);
    void CalcAllLocalReductsQuandor3(TTable* t, int o, double** dist, double threshold);
    void CalcAllLocalReductsQuandor3(TTable* t, int o, const PairDistances& dist, double threshold);

    // Every term of the full product of the clauses over attributes 0 .. 9 (k becomes 10),
    // none pruned, added to `out` as masks without repeats.
    void MasksToSacks(const TIntSack* clauses, TIntSack* out);
    // Objects whose rows equal o's in every column, o included.
    static int CountEqualRows(TTable* t, int o);
    // The matrix or the given masks as TBoole::PrintDiscMatrix prints clauses, listing the
    // set bits below the table's column count (bits from 32 on count as unset).
    void PrintDiscMatrix(TTable* t) const;
    static void PrintMasks(const TIntSack* masks, TTable* t);
    // "Size=" and the clause count, then a line of attributes per clause, each followed by a
    // blank. A file that cannot be written logs "Error: Can't save file with matrix" and
    // throws CalcErrorText 7.
    void SaveDiscMatrix(TTable* t, const char* file) const;

private:
    void CheckAttributeCount() const;
    // The clauses offered to the absorbing work sack, as the matrix ordered by bit count.
    void SetMatrix(const std::vector<uint32_t>& absorbed, int step);
    template <class Distances>
    void Quandor3Matrix(TTable* t, int o, const Distances& dist, double threshold);

    // What Minimalization leaves: the prime terms its clearing will give, found without
    // keeping the terms, and what they were found from. The terms themselves are made only
    // when they are asked for.
    struct Expansion {
        std::vector<uint32_t> clauses;
        int k = 0;
        int step = 1;
        std::vector<uint32_t> primes;
    };

    std::unique_ptr<TIntSack> matrix;
    mutable std::unique_ptr<TIntSack> result;
    mutable std::unique_ptr<Expansion> expansion;
    int NoAttr = 0;
    int verbose = 1;
};
