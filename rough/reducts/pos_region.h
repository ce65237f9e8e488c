#pragma once

#include <memory>
#include <vector>

class TTable;

// One object of a working order with the number of its indiscernibility class.
struct TPosRecord {
    int object = 0;
    int classNo = 0;
};

// Sorts the objects of a decision table into indiscernibility classes over a list of
// attributes (records in place, classes numbered along the order) and measures the positive
// region: the objects whose class holds a single decision. The decision is the table's last
// column; a missing value is a value like any other.
//
// Results depend only on which objects fall into one class, never on the order of objects
// inside a class, so the sorts may arrange equal objects as they like.
//
// Attribute lists are int arrays with an explicit length. The work arrays that the caller
// provides need room for the number of condition attributes. The working orders hold one
// record per object of the table given to the constructor and grow when a larger table is
// measured.
class TPosRegion {
public:
    // second >= 1 also creates the second working order, which the pair count and the
    // greedy reduct use (they create it themselves when it is missing).
    TPosRegion(const TTable* t, int second);

    // Exchanges the object numbers of records i and j; their class numbers stay in place.
    static void Swap(TPosRecord* entries, int i, int j);
    // 1 when record i's object is greater on the first listed attribute where the two
    // differ, -1 when smaller, 0 when they agree on every listed attribute.
    static int CompareObjects(const TTable* t, const TPosRecord* entries, const int* list, int len, int i, int j);
    // Ascending by CompareObjects over records lo..hi (object numbers only).
    void QuickSort(const TTable* t, TPosRecord* entries, const int* list, int len, int lo, int hi);
    // Sorts records lo..hi and numbers their classes from *counter on, leaving *counter at
    // the number of the last class.
    void SortAndNumber(const TTable* t, TPosRecord* entries, const int* list, int len, int lo, int hi, int* counter);

    // Objects of t whose class over the list holds one decision; classes numbered from first.
    int CountPosRegion(const TTable* t, const int* list, int len, int first);
    // list[0] := the decision column; the second order holds the decision classes, from 0.
    void SortByDecision(const TTable* t, int* list);
    // Pairs of objects with different decisions that attribute a tells apart; the second
    // order must hold the decision classes of t (SortByDecision). list[0] := a.
    long long CountDiscernedPairs(const TTable* t, int a, int* list);

    // A randomised greedy reduct: attributes are drawn one by one, each with a probability
    // proportional to the pairs it still tells apart inside the classes of those drawn so
    // far, until no pair is left; then those not needed to keep a positive region of target
    // objects are dropped. The reduct, ascending, goes to the start of chosen, its length to
    // *len. Prints "Jestem 3" and "Jestem 4" per draw and the drawn flags, each with "?".
    void RandomReduct(const TTable* t, int* avail, int* work, long long* score, int* chosen, int* len, int target);
    // Drops, in list order, each attribute without which the positive region of the kept
    // ones is still target objects.
    void RemoveRedundantAttrs(const TTable* t, int* list, int* len, int target, int* keep, int* work);
    // Bisection between a prefix of lo + 1 attributes that misses target and one of hi + 1
    // that reaches it: the length of the shortest prefix of list that reaches target.
    int ShortestFullPrefix(const TTable* t, int lo, int hi, const int* list, int target);

    // New tables of the first k listed attributes and the decision: all objects, or the
    // objects of the positive region in ascending order. None when k covers every condition.
    static std::unique_ptr<TTable> MakePrefixTable(const TTable* t, const int* list, int k);
    std::unique_ptr<TTable> CutTableForReduct(const TTable* t, const int* list, int k);
    // The objects of t's positive region over the first k listed attributes, ascending, each
    // with its whole row of full (the same objects in another form, for instance before
    // scaling). Its columns are full's, never the list's, so k covering every condition
    // still gives the table.
    std::unique_ptr<TTable> CutTableForReductSCAL(const TTable* t, const int* list, int k, const TTable* full);

    TPosRecord* GetEntries() { return entries.data(); }
    // Null until the second order exists.
    TPosRecord* GetSecondEntries() { return second.empty() ? nullptr : second.data(); }
    int GetNoObj() const { return noObj; }

private:
    void MakeRoom(const TTable* t);
    void MakeSecond(const TTable* t);
    // Objects 0..n-1 in their own order, all of class 0.
    static void Identity(TPosRecord* records, int n);
    // Sorts and numbers all objects of t over the list and marks the positive region.
    int MarkPositive(const TTable* t, const int* list, int len, int first, std::vector<bool>* marked);
    // A new table of the objects of t's positive region over the first k listed attributes,
    // ascending, each row of `columns` values that column(object, i) gives.
    template <class Column>
    std::unique_ptr<TTable> PositiveRows(const TTable* t, const int* list, int k, int columns, Column column);

    int noObj = 0;
    std::vector<TPosRecord> entries;
    std::vector<TPosRecord> second;
    std::vector<int> scratch;  // the object numbers of a range while it is sorted
    std::vector<int> keys;     // their listed values, object after object
    std::vector<int> order;    // positions in scratch, sorted
};
