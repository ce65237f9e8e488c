#pragma once

#include <memory>
#include <vector>

#include "rough/reducts/reduct_fitness.h"
#include "rough/reducts/row_projection_index.h"
#include "rough/decision/subset.h"

class TTable;
class GA_population;

// Three-way comparison of object o1 of t1 with object o2 of t2 on the attributes of the
// subset (ascending, below t1's attribute count): 0 when equal, 1 when o1's value is the
// smaller at the first difference, 2 when it is the greater.
int CompareRows(const TTable& t1, const TTable& t2, int o1, int o2, const genetic_subsets::Subset& subset);
// The number of attributes of the subset on which the two objects differ.
int CountRowDifferences(const TTable& t1, const TTable& t2, int o1, int o2,
                        const genetic_subsets::Subset& subset);

// Numbers the objects of a table by class once, so that the discernibility tests compare
// ids instead of rows. Objects are grouped by their values on K; each group's distinct
// values on D form its class, and equal classes get equal ids. Mode 0 takes D = K (ids tell
// rows apart on K); mode 1 takes the given D (with D = {decision}, equal ids mean equal
// generalized decisions); mode 2 or more computes nothing.
//
// Ids come from one counter for the whole process, so ids of different trees never meet;
// only their equality carries meaning. A table without objects counts as one class.
class TObjClassTree {
public:
    using Subset = genetic_subsets::Subset;

    // Throws MemError when it cannot allocate.
    TObjClassTree(const TTable& table, const Subset& d, const Subset& k, int mode);
    TObjClassTree(const TObjClassTree&) = delete;
    TObjClassTree& operator=(const TObjClassTree&) = delete;

    int IsOneClass() const { return oneClass; }
    bool HasIds() const { return !ids.empty(); }
    // o must be an object of the table, and the tree built in mode 0 or 1.
    int GetId(int o) const { return ids[static_cast<size_t>(o)]; }
    const std::vector<int>& GetIds() const { return ids; }
    const Subset& GetD() const { return d; }
    void SetD(const Subset& subset) { d = subset; }
    const Subset& GetK() const { return k; }

private:
    void Number(const TTable& table);

    Subset d;
    int oneClass = 0;
    std::vector<int> ids;  // empty in mode 2
    Subset k;
};

class GA_reduct;

// Decides whether an attribute subset still discerns every pair of objects that the kind of
// reduct asks to discern: globally (all pairs of different ids) or locally (one object from
// every object of another id). The objects are tried in an order that moves objects which
// made a test fail towards the front, where the next tests meet them early.
//
// The evaluator also drives the genetic search for one kind of reduct (NextGeneration), and
// the reducts it stores can classify the objects of a second table.
class ReductEvaluator : public ReductFitness {
public:
    // target: the decision side (empty for reducts of the information system); conditions:
    // the attributes a reduct may use; flag: with an empty target, dependencies between the
    // condition attributes are tested instead of classes. Throws MemError.
    ReductEvaluator(const TTable* table, const Subset& target, const Subset& conditions, int flag);
    ~ReductEvaluator() override;

    // 0 when there are no condition attributes; 1 when all objects are of one class;
    // otherwise Evaluate of the subset restricted to the condition attributes.
    int IsValid(const Subset& subset);
    // > 0 (classes on the subset for a global test, 1 for a local one) or 0.
    int Test(const Subset& subset) override;

    // o = -1: global reducts; otherwise the local reducts of object o (an object of the
    // table). Starts the search and the learning afresh.
    void SetObject(int o);
    int GetObject() const { return object; }
    // One generation of the genetic search, the population made on the first call; nothing
    // when there is nothing to search.
    void NextGeneration(int populationSize);

    // The first r stored reducts classify the objects of `test` (same columns as the table):
    // each reduct groups the table's objects by their values on it, a test object's match
    // in the largest group decides (the decision of the group's first object), and right
    // and wrong answers are counted; objects without a match count as neither.
    void ClassifyTable(const TTable& test, int r, int* right, int* wrong) const;

    const Subset& GetConditions() const { return conditions; }
    // The condition attributes in ascending order: gene g of a GA_reduct stands for entry g.
    const std::vector<int>& GetConditionAttributes() const { return conditionAttrs; }
    const TTable* GetTable() const { return table; }
    const TObjClassTree& GetClassTree() const { return *classTree; }
    const std::vector<int>& GetObjectOrder() const { return order; }
    int GetMoveToFront() const { return moveToFront; }

private:
    int TestLocal();
    int TestGlobal();
    bool Conflict(int a, int b) const;
    int FailAt(int p);
    void NoteMoved(int p);

    std::unique_ptr<TObjClassTree> classTree;
    std::unique_ptr<GA_population> population;  // declared after the tree: goes first
    Subset conditions;
    std::vector<int> conditionAttrs;
    int noObj;
    std::vector<int> order;
    std::vector<int> moved;  // places of `order` swapped since the last SetObject
    bool movedAll = false;   // too many to note: the next SetObject resets every place
    int moveToFront = 0;
    int dependency;
    int object = -1;

    // Working storage of the tests, sized once.
    std::vector<int> testAttrs;
    std::vector<int> dependentAttrs;
    RowProjectionIndex projections;
};

// Decision-relative reducts: conditions are all attributes but the last, which is the target.
class DecReductEvaluator : public ReductEvaluator {
public:
    explicit DecReductEvaluator(const TTable* table);
};

// Reducts of the information system: all attributes are conditions, objects are told apart
// by their whole rows.
class PlainReductEvaluator : public ReductEvaluator {
public:
    explicit PlainReductEvaluator(const TTable* table);
};

// Dependencies among condition attributes (those of the given subset, or all): a subset
// passes when objects equal on it are equal on the remaining condition attributes too (for
// one object: when every object equal to it on the subset is). No class ids are computed.
class DependencyReductEvaluator : public ReductEvaluator {
public:
    explicit DependencyReductEvaluator(const TTable* table);
    DependencyReductEvaluator(const TTable* table, const Subset& conditions);
};
