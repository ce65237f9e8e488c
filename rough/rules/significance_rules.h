#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "rough/genetic/ga_individuals.h"

class TTable;

// A rule for one object: a required value for some condition attributes and the decision.
// It is scored by significance, which is high when many objects support the rule, none
// contradicts it, and every condition is needed to tell it from objects of other decisions.
class TGARules {
public:
    // A condition holding this value takes any value (its attribute is not in the rule).
    static constexpr int kAnyValue = -32768;

    // No values, never evaluated.
    TGARules() = default;
    // A copy of values[0..n-1]: conditions first, the decision last; not evaluated.
    TGARules(const int* values, int n);
    TGARules(const TGARules& other);
    TGARules& operator=(const TGARules& other);
    ~TGARules() = default;

    // Grows the rule of object along the order permutation of the condition attributes and
    // keeps the first prefix of the best score. An element outside the conditions gives the
    // rule without values (the first one also says so on standard error). An object outside
    // the table is CalcError 5.
    TGARules(const TTable& table, int object, const std::vector<int>& permutation);
    // The best rule of object that the genetic search at this speed level finds (levels 0 to
    // 3; others count as 0). A table without condition attributes gives the rule without
    // values. An object outside the table is CalcError 5.
    TGARules(const TTable& table, int object, int speedLevel);

    // values[i]; outside 0..n-1 a message on standard error and 0.
    int operator[](int i) const;
    // Against a row of all the attribute values: -2 supporting, -1 contradicting, j + 1 when
    // the row has another decision and only condition j fails, otherwise 0.
    int Match(const int* row) const;
    // Significance over every object of the table, stored with the support. A rule evaluated
    // before answers its stored score unless verbose asks for the counts on standard output.
    double Evaluate(const TTable& table, int verbose);

    // (1 - S) x P from the support, the contradicting objects and, for a rule of more than
    // one condition, the count of each condition (the objects of other decisions that only
    // that condition keeps out), in attribute order. Support and counts below 40 multiply P
    // by 1 - 2^-k, larger ones add 2^-k to S; the contradicting objects multiply P by
    // 2^-against. No support, or an unneeded condition of a longer rule, gives 0.0.
    static double Significance(int support, int against, const std::vector<int>& counts);

    int GetNoValues() const { return n; }
    const int* GetValues() const { return values.get(); }  // null for the rule without values
    double GetScore() const { return score; }
    int GetSupport() const { return support; }

    friend std::ostream& operator<<(std::ostream& out, const TGARules& rule);

private:
    void Allocate(int length);
    void CopyValues(const int* from, int length);

    std::unique_ptr<int[]> values;
    int n = 0;
    double score = -1.0;
    int support = -1;
};

// A permutation of the condition attributes whose fitness is the cube of the score of the
// rule grown along it. Two permutations that grow the same rule compare equal, so the best
// list keeps that rule once.
class GA_rule : public GA_permutation {
public:
    // Random, like every new permutation (this draws attributes - 2 numbers).
    GA_rule(const TTable* table, int object);

    std::unique_ptr<GA_individual> Clone() const override;
    void CopyFrom(const GA_individual& other) override;
    void Evaluate() override;
    int Compare(const GA_individual& other) const override;

    const TGARules& GetRule() const { return rule; }

private:
    const TTable* table;  // not owned
    int object;
    TGARules rule;
};

// The genetic search for the rules of object: the rules of the first count slots of the best
// list, best first; a slot that was never filled gives the rule without values.
std::vector<TGARules> GeneticRuleSearch(const TTable& table, int object, int speedLevel, int count);
