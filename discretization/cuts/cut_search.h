#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TCutList;
class TTable;

// The working copy of a table for cut search and scaling: every value in single precision,
// every column's objects sorted once by value, and the block each object belongs to.
// N is the number of objects, A the number of conditional attributes (column A is the
// decision) and K the number of distinct decision values.
class TScalTable {
public:
    TScalTable() = default;
    TScalTable(const TScalTable&) = delete;
    TScalTable& operator=(const TScalTable&) = delete;

    // Keeps a reference to the table: the columns that scaling leaves alone are copied from
    // its integers by MakeTable, so the table must outlive this object unchanged.
    int Load(const TTable& table);
    // A new table of the working values (truncated toward zero) in the scaled columns and the
    // input's integers in the others.
    std::unique_ptr<TTable> MakeTable() const;

    int GetNoObj() const { return N; }
    int GetNoAttr() const { return A; }
    int GetNoClasses() const { return K; }

    float GetValue(int object, int column) const {
        return values[static_cast<std::size_t>(column) * N + object];
    }
    int GetBlockNo(int object) const;
    void SetBlockNo(int object, int block) { blockOf[static_cast<std::size_t>(object)] = block; }
    int BlockOf(int object) const { return blockOf[static_cast<std::size_t>(object)]; }
    // The working decision truncated toward zero (held at the int range's ends beyond it).
    int GetDecision(int object) const;
    // The position of the object's decision among the distinct decision values, ascending.
    int GetClass(int object) const { return classOf[static_cast<std::size_t>(object)]; }
    float GetDecisionValue(int k) const { return decisionValues[static_cast<std::size_t>(k)]; }

    // Column j's objects in ascending order of value, and those values, as loaded.
    const int* SortedObjects(int column) const { return index.data() + static_cast<std::size_t>(column) * N; }
    const float* SortedValues(int column) const { return sorted.data() + static_cast<std::size_t>(column) * N; }

    // From position start of the attribute's order, every object whose value is below cut
    // gets code; returns the first position not changed.
    int SetValuesBelow(int start, int attribute, float cut, int code);
    // Every object from position start of the attribute's order on gets code.
    void SetValuesFrom(int start, int attribute, int code);

    void SortAll();
    // Sorts positions first .. last of the column's order by value. The order among equal
    // values is not fixed: nothing that uses the order can tell equal values apart.
    void SortColumn(int first, int last, int column);

private:
    const TTable* source = nullptr;
    int N = 0;
    int A = 0;
    int K = 0;
    std::vector<float> values;  // column by column
    std::vector<int> index;     // column by column: objects by ascending value
    std::vector<float> sorted;  // column by column: the values in that order
    std::vector<char> scaled;   // per column: written by SetValuesBelow / SetValuesFrom
    std::vector<int> blockOf;
    std::vector<int> classOf;
    std::vector<float> decisionValues;
};

// The partition of the objects into blocks that the cuts applied so far do not tell apart,
// numbered 0, 1, ... in the order of their creation. A block keeps one counter per decision
// class present in it (a range of the shared counter arrays), so the counters of all blocks
// together stay within a small multiple of the number of objects.
class TCutBlockList {
public:
    // One block, number 0, holding every object.
    explicit TCutBlockList(TScalTable& table);
    TCutBlockList(const TCutBlockList&) = delete;
    TCutBlockList& operator=(const TCutBlockList&) = delete;

    // Splits every block that is not consistent into its objects whose value of the attribute
    // is below cutValue (a new block) and the rest, when both are non-empty. Blocks are
    // visited from the newest; 1 when any block was split.
    int Split(float cutValue, int attribute);

    // Moves the object to the left side of the scan in progress; returns the change of the
    // number of pairs with different decisions that have one object on each side: the pairs
    // it now forms with the right side minus those it formed with the left. 0 in a consistent
    // block, which then stays unchanged.
    std::int64_t MoveLeft(int object) {
        const std::size_t b = static_cast<std::size_t>(table.BlockOf(object));
        if (!mixed[b]) return 0;
        const std::size_t c = static_cast<std::size_t>(counterOf[static_cast<std::size_t>(object)]);
        const int left = ++leftCount[c];
        const int leftTotal = ++leftSize[b];
        if (leftTotal == 1) touched.push_back(static_cast<int>(b));
        const int rightOthers = (size[b] - leftTotal) - (classCount[c] - left);
        const int leftOthers = leftTotal - left;
        return static_cast<std::int64_t>(rightOthers) - leftOthers;
    }
    // Ends a scan: every block it touched gets an empty left side again.
    void ResetCounts();

    int AllConsistent() const { return inconsistent == 0 ? 1 : 0; }
    int IsConsistent(int block) const { return mixed[static_cast<std::size_t>(block)] ? 0 : 1; }
    int GetNoBlocks() const { return static_cast<int>(objects.size()); }

private:
    // Gives the block a fresh counter range for the classes present in it and counts them.
    void Recount(int block);
    // Gathers the ranges of all blocks at the start of the counter arrays again.
    void CompactCounters();

    TScalTable& table;
    std::vector<std::vector<int>> objects;  // per block, in no particular order
    std::vector<int> size;                  // per block
    std::vector<int> leftSize;              // per block: objects moved left in the scan
    std::vector<int> firstCounter;          // per block
    std::vector<int> classesIn;             // per block: classes present = its counters
    std::vector<char> mixed;                // per block: more than one class present
    std::vector<int> counterOf;             // per object: its class's counter in its block
    std::vector<int> classCount;            // per counter: objects of the class in the block
    std::vector<int> leftCount;             // per counter: of those, moved left in the scan
    std::vector<int> counterOfClass;        // scratch for Recount, -1 between uses
    std::vector<int> touched;               // blocks whose left side is not empty
    int inconsistent = 0;
};

// The best cut of one attribute in a step; quality 0 means none.
struct TBestCut {
    std::int64_t quality = 0;
    float value = 0.0f;
};

// One cut chosen in a step.
struct TCutSlot {
    int attribute = 0;
    std::int64_t quality = 0;
};

// The greedy search: each step takes the cuts that separate the most pairs of objects with
// different decisions inside the blocks not yet consistent, until every block is consistent
// or no cut separates anything. Pair counts are 64-bit: they pass 2^31 from about 92,700
// objects.
class TCutSearch {
public:
    // Neither the table nor the list is owned.
    TCutSearch(TScalTable& scalTable, TCutList& cutList);
    TCutSearch(const TCutSearch&) = delete;
    TCutSearch& operator=(const TCutSearch&) = delete;

    // cutsPerStep below 1 counts as 1 (no cut per step would never end).
    void Search(int cutsPerStep);
    std::vector<TCutSlot> ChooseBestCuts(int n);
    void BestCutOfAttribute(int attribute);
    void ApplyCut(int attribute);
    // Replaces every conditional value by the number of cuts of its attribute not above it.
    void ScaleTable();

    const TBestCut& GetBestCut(int attribute) const { return bestCuts[static_cast<std::size_t>(attribute)]; }
    std::int64_t GetBestQuality() const { return bestQuality; }
    const TCutBlockList& GetBlocks() const { return blocks; }

private:
    std::vector<TBestCut> bestCuts;
    TCutBlockList blocks;
    TCutList& cuts;
    TScalTable& table;
    std::int64_t bestQuality = 1;
};
