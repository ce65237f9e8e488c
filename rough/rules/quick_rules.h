#pragma once

#include <memory>
#include <vector>

#include "rough/decision/subset.h"
#include "rough/decision/table_view.h"

class TTable;
class TDecMemory;

// Quick decision rules: the objects of a table are covered by attribute lists that are
// consistent on the objects they cover, found by shortening candidate lists greedily instead
// of computing every reduct. Each rule goes to the receiver as (attribute list ended by -1,
// generating object). Consistency is judged on the view's generalized-decision codes, so
// objects equal on the conditions never block each other whatever their decisions.
class ReductGenerator {
public:
    using Subset = quick_subsets::Subset;

    // The view of the table and its codes; every object uncovered. Allocation failures
    // throw CalcError 2. The table is not owned and must outlive the generator.
    explicit ReductGenerator(TTable* table);
    ~ReductGenerator();
    ReductGenerator(const ReductGenerator&) = delete;
    ReductGenerator& operator=(const ReductGenerator&) = delete;

    void SetReceiver(TDecMemory* memory) { receiver = memory; }

    // Covers the objects until at most objects x fraction of them are left uncovered
    // (0 asks for a full covering; 1 stops after the single-attribute pass and the trials).
    void Generate(double fraction);

    // A negative object is an internal failure that ends the process.
    void TransmitReduct(int object, const int* list);
    // Every cached consistent subset as a rule without an object: ends the process at the
    // first one (nothing happens with an empty cache).
    void TransmitCachedReducts();

    // 1 when every class of the list is consistent. count = the objects at the minimum cover
    // that lie in consistent classes; their flags of the last check are set.
    int CheckConsistency(const int* list, int& count);
    int CheckConsistency(const Subset& s, int& count);
    // The number of classes when every class of the list is consistent, else 0.
    int ClassCount(const int* list);
    void CalcMinCover();

    // The steps of Generate, open for tests that follow them one by one.
    void SingleAttributePass();
    void RandomTrials(int count);
    // Fills the cache and the failure set from one permutation of all attribute numbers.
    void ShortenPermutation(const int* permutation);
    // The attribute whose removal keeps the most objects at the minimum cover in consistent
    // classes (best = that number), looking no further once a removal leaves the list
    // consistent; when none does, rules of the list for the objects it alone describes.
    int Shorten(const int* list, int& best);

    const TTableView& GetView() const { return *view; }
    int GetCoverCount(int o) const { return coverCount[static_cast<size_t>(o)]; }
    int IsCoveredByLastCheck(int o) const { return checkFlags[static_cast<size_t>(o)]; }
    int GetMinCover() const { return minCover; }
    int GetNoAtMin() const { return noAtMin; }
    int GetCacheCount() const { return cache.GetCount(); }

private:
    Subset SubsetOf(const int* list) const;
    std::vector<int> ListOf(const Subset& s, const std::vector<int>& order) const;
    // Calls visit(first position, end position, consistent) for each class of the list in
    // the view's current order, while visit answers true.
    template <class Visit>
    void ForEachClass(const int* list, Visit visit) const;

    std::unique_ptr<TTableView> view;
    int noObj;
    int noAttr;
    std::vector<int> coverCount;
    std::vector<char> checkFlags;
    std::vector<char> candidate;
    std::unique_ptr<char[]> singleFlags;  // null until the single-attribute pass has run
    int minCover = 0;
    int noAtMin;
    quick_subsets::ReductStore cache;
    quick_subsets::SubsetSet failures;
    quick_subsets::SubsetSet transmitted;
    TDecMemory* receiver = nullptr;
    long long rulesSent = 0;  // how many rules went to the receiver (progress of a pass)
};
