#pragma once

#include <memory>
#include <vector>

#include "core/int_sack.h"

class TTable;
class TInt2Tree;

// A generalized template: a conjunction of descriptors "attribute in a set of admissible
// values" over an integer decision table. Descriptor slots grow by 3 when a new descriptor
// would make count + 1 exceed the capacity.
//
// The `covered` arguments hold one entry per object of the table, 0 for an object that no
// template of the search has matched yet.
class TGenTempl {
public:
    TGenTempl();
    TGenTempl(const TGenTempl& other) { *this = other; }
    // A deep copy: capacity, descriptors, value sacks and fitness.
    TGenTempl& operator=(const TGenTempl& other);

    // Merges the value into the attribute's descriptor when there is one (unless it is
    // admitted already), else appends a descriptor; returns the descriptor's position.
    int AddDescriptor(int attribute, int value);
    void AddValToDescrip(int i, int value);

    int GetAttr(int i) const;
    int GetValue(int i, int k) const;
    int GetNoValues(int i) const;
    const TIntSack& GetVALUES(int i) const;
    int GetNoDesc() const { return count; }
    int GetCapacity() const { return capacity; }
    int GetFitness() const { return fitness; }

    int HasDescriptor(int attribute, int value) const;
    int Matches(const TTable& table, int object) const;
    // This becomes a fresh template holding every descriptor value of `other` except those
    // of the attribute / except the one pair.
    void CopyWithoutAttr(const TGenTempl& other, int attribute);
    void CopyWithoutPair(const TGenTempl& other, int attribute, int value);

    int CountUncoveredMatches(const TTable& table, const std::vector<int>& covered) const;
    double Quality(const TTable& table) const;
    // Sets and returns the fitness: 1000 x quality, truncated, while the uncovered support
    // stays below the bound; 0 from the bound on.
    int CalcFitness(const TTable& table, const std::vector<int>& covered, int& support, int bound);
    double Diversity(const TIntSack& distinctCounts) const;
    void Print() const;
    // target = the matching objects without the template's attribute columns.
    void ExtractTable(const TTable& table, TTable& target) const;

    // Hill climbing around one object.
    void InitFromObject(const TTable& table, const std::vector<int>& covered, int object, int bound);
    int Shrink(const TTable& table, const std::vector<int>& covered, int object, int& best, int bound);
    int Expand(const TTable& table, const std::vector<int>& covered, const TInt2Tree* pairTree, int object,
               int& best, int bound, int minCount);
    int ShrinkOrExpand(const TTable& table, const std::vector<int>& covered, const TInt2Tree* pairTree,
                       int object, int& best, int bound, int minCount);

private:
    // Quality as the exact fraction num / den.
    struct Share {
        long long num;
        long long den;
    };
    Share QualityShare(const TTable& table) const;
    // Descriptor attributes must be columns of the table; after this check the rows can be
    // read without one.
    void CheckColumns(const TTable& table) const;
    int MatchesRow(const int* row) const;
    void Grow();

    int capacity = 3;
    int count = 0;
    std::vector<int> attributes;   // capacity slots
    std::vector<TIntSack> values;  // capacity slots, empty beyond count
    int fitness = 0;
};

// Owning list of templates; capacity 100, growing by 100 when count + 1 reaches it before an
// append.
class TGenTemplFamily {
public:
    TGenTemplFamily() = default;
    TGenTemplFamily(const TGenTemplFamily&) = delete;
    TGenTemplFamily& operator=(const TGenTemplFamily&) = delete;

    void Clear();
    void Add(std::unique_ptr<TGenTempl> templ);
    TGenTempl& GetElem(int i) const;
    int GetFitness(int i) const;
    // The largest fitness, the first of equals.
    TGenTempl& GetTheBestTempl() const;
    void Print() const;

    int GetNoElem() const { return static_cast<int>(templates.size()); }
    int GetCapacity() const { return capacity; }
    // Keeps the `keep` fittest templates (the earlier of equals) in their order.
    void KeepFittest(int keep);

private:
    int capacity = 100;
    std::vector<std::unique_ptr<TGenTempl>> templates;
};

// The best extension of `templ` by one pair of the tree: in pre-order, every pair counted at
// least minCount times that the template does not yet admit is added to a copy, and a copy
// that still matches the object is judged by its fitness; the first candidate is kept until
// one is strictly fitter. 1 with the pair and its fitness, 0 when there is no candidate.
int FindBestExtension(const TInt2Tree* tree, const TGenTempl& templ, const TTable& table,
                      const std::vector<int>& covered, int object, int bound, int minCount, int& bestA,
                      int& bestB, int& bestFitness);
