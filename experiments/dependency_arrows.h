#pragma once

#include <forward_list>
#include <memory>
#include <ostream>
#include <vector>

#include "rough/decision/subset.h"
#include "rough/genetic/ga_individuals.h"

class GA_population;
class TTable;

// Functional dependencies among the attributes of a table, as arrows a -> j: attribute j is
// determined by a set of attributes that holds a. The attributes of a universe Y outside a
// fixed set X are explained one by one, in the order of a permutation, each by the best
// reduct the genetic reduct search finds for it among the attributes not yet explained; a
// genetic search over the permutations looks for the order that needs the fewest arrows.

struct Arrow {
    int from;
    int to;
};

// The arrows of one order, the newest first.
class ArrowList {
public:
    explicit ArrowList(const TTable* table) : table(table) {}

    void Add(int from, int to);
    int GetCount() const { return count; }
    const std::forward_list<Arrow>& GetArrows() const { return arrows; }
    const TTable* GetTable() const { return table; }

private:
    int count = 0;
    std::forward_list<Arrow> arrows;
    const TTable* table;  // not owned
};

// "{{a,j} , {b,j}}" from the newest arrow on; "{}" for none.
std::ostream& operator<<(std::ostream& out, const ArrowList& list);

// Explains the attributes of Y outside X in the order p (entry i: the (p[i]+1)-th of them in
// ascending order), adding the arrows to the list, and prints their number as "Wynik: n
// strzalek.". Each attribute j is dropped from the candidates T (at first Y) and explained
// by the best reduct of a 10-generation search over T relative to j; an attribute with no
// reduct gets no arrow. The loop stops after |Y| - |X| attributes or before position |Y| - 1.
// The subsets have one element per column of the list's table; p is a permutation of
// 0 .. |Y| - |X| - 1 (else GA_errors 1).
void FindArrows(ArrowList& list, const genetic_subsets::Subset& x, const genetic_subsets::Subset& y,
                const std::vector<int>& p);

// The search over orders: every individual is one order of Y \ X.
class ArrowEvaluator {
public:
    using Subset = genetic_subsets::Subset;

    // Both subsets copied (one element per column of the table, else CalcError 9); an empty Y
    // empties X too.
    ArrowEvaluator(const TTable* table, const Subset& x, const Subset& y);
    // X empty, Y every column.
    explicit ArrowEvaluator(const TTable* table);
    ~ArrowEvaluator();
    ArrowEvaluator(const ArrowEvaluator&) = delete;
    ArrowEvaluator& operator=(const ArrowEvaluator&) = delete;

    // One generation (the population made on the first call), then the arrows of the best
    // order found so far, found again.
    void NextGeneration(int populationSize);

    // |Y| - |X|, or 0 when X is the larger.
    int GetLength() const;
    // Null before the first generation.
    const ArrowList* GetArrows() const { return arrows.get(); }
    const GA_population* GetPopulation() const { return population.get(); }
    const Subset& GetX() const { return x; }
    const Subset& GetY() const { return y; }
    const TTable* GetTable() const { return table; }

private:
    std::unique_ptr<ArrowList> arrows;
    Subset x;
    Subset y;
    const TTable* table;  // not owned
    std::unique_ptr<GA_population> population;
};

// An order of Y \ X; its fitness is 1 / (arrows + 1).
class GA_arrows : public GA_permutation {
public:
    GA_arrows(int n, ArrowEvaluator* evaluator) : GA_permutation(n, 0), evaluator(evaluator) {}

    std::unique_ptr<GA_individual> Clone() const override;
    void Evaluate() override;

private:
    ArrowEvaluator* evaluator;  // not owned
};
