#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/int_sack.h"
#include "rough/reasoning/discernibility.h"

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
    // The reducts as masks, owned by the reasoner; null before the first calculation.
    TIntSack* GetReducts() const { return result.get(); }

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

private:
    void CheckAttributeCount() const;

    std::unique_ptr<TIntSack> matrix;
    std::unique_ptr<TIntSack> result;
    int NoAttr = 0;
    int verbose = 1;
};
