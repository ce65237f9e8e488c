#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

#include "rough/decision/subset.h"

class TTable;

// One integer for each distinct list of decision values, in the order the values were added:
// {1,2} and {2,1} are different lists. Committed list i has the id first id + i. The ids are
// kept in 64 bits, so that a first id just above the largest int cannot wrap; an id is handed
// out only while it fits an int.
class TDecSetDict {
public:
    TDecSetDict() = default;
    TDecSetDict(const TDecSetDict&) = delete;
    TDecSetDict& operator=(const TDecSetDict&) = delete;

    void SetFirstId(long long id);
    void AddValue(int v);
    // -1 when nothing is current; else the id of the equal committed list, or of the current
    // list appended as a new one. CalcError 8 when that id would not fit an int.
    int Commit();
    int Contains(long long id, int v) const;
    int GetValue(long long id, int k) const;

private:
    const std::vector<int>* Find(long long id) const;

    long long firstId = 0;
    long long lastId = -1;
    bool hasCurrent = false;
    std::vector<int> current;
    int currentMax = 0;  // the largest value of the current list
    std::vector<std::vector<int>> sets;
    // Committed lists by the hash of their values, to find an equal one without a scan.
    std::unordered_multimap<std::size_t, std::size_t> byHash;
};

// An ordered working view of a table for the quick-rule generator: the objects sorted by
// attribute lists (int arrays ended by -1), each full sort reusing the work of the earlier
// ones, and per object a generalized-decision code. The table is not owned. The view's
// accessors and its sorts do not check positions or attribute numbers.
class TTableView {
public:
    using Subset = quick_subsets::Subset;

    explicit TTableView(TTable* table);
    TTableView(const TTableView&) = delete;
    TTableView& operator=(const TTableView&) = delete;

    int GetObjCount() const;
    int GetAttrCount() const;
    int GetObjAt(int pos) const { return order[static_cast<size_t>(pos)]; }
    int GetValueAt(int pos, int a) const;
    int GetValue(int o, int a) const;

    void MakeGenDecisions();
    void MakeGenDecisionsFor(int d, const Subset& B);
    // The codes of the last MakeGenDecisionsFor and its condition set.
    bool HasCodes() const { return hasCodes; }
    int GetCode(int o) const { return codes[static_cast<size_t>(o)]; }
    const Subset& GetSubset() const { return subset; }

    void SortBy(const int* list);
    void SortBy(const int* list, int lo, int hi);
    int Compare(int o1, int o2, const int* list) const;
    void QuickSort(int lo, int hi, const int* list);
    void BubbleSort(int lo, int hi, const int* list);

    int FindLastNotGreater(int a, int v);
    int HasValueBetween(int a, int low, int high);

private:
    void SortRange(int lo, int hi, const int* list);
    void SortRuns(const int* runList, const int* sortList);

    std::vector<int> codes;
    bool hasCodes = false;
    Subset subset;
    std::vector<int> order;
    std::vector<std::unique_ptr<int[]>> cache;  // per attribute; null until a full sort by it
    int bubbleThreshold = 12;
    std::vector<int> lastList;
    TTable* table;
    std::unique_ptr<TDecSetDict> dict;
    int largestDecision = 0;
};
