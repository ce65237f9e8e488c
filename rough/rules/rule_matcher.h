#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TBlock;
class TTable;

// Which blocks of a list each object of one table satisfies, found from the object's values
// instead of by testing every block: for each column and value, the positions of the blocks
// holding that descriptor, so that an object touches only the descriptors it satisfies. A
// descriptor counts as often as it stands in its block, as TBlock::CheckObj counts it, so a
// block matches when its count reaches its number of descriptors, and misses by one
// descriptor when the count stops one short.
//
// Only blocks that TBlock tests on every object of the table without an error or the end of
// the process are taken; for anything else there is no matcher, and the callers keep their
// block-by-block loops, whose failures are the ones to be reported.
class RuleMatcher {
public:
    // Null for a table without objects, and when a block is missing, has no descriptor or
    // names a column the table lacks. The position of a block is its index in the list.
    static std::unique_ptr<RuleMatcher> Build(const std::vector<const TBlock*>& blocks, const TTable& t);

    // Whether object o of t can be asked for: t is the table the matcher was built for, with
    // the columns it had then, and o one of its objects.
    bool Serves(const TTable& t, int o) const;

    // The positions of the blocks that object o satisfies, ascending; valid until the next
    // call. With nearMisses, NearMisses() is filled too.
    const std::vector<int>& Match(const TTable& t, int o, bool nearMisses = false);
    // The blocks of two or more descriptors of which exactly one fails for the last object
    // matched with nearMisses, in no particular order.
    const std::vector<int>& NearMisses() const { return near; }
    // The index within block p of its only descriptor failing for object o.
    int FailingDescriptor(const TTable& t, int o, int p) const;

    // For tests: Off leaves every caller to its block-by-block loop; Direct tests every block
    // of every object here, Counting always counts the object's descriptors; Auto chooses
    // per object, as in use.
    enum class Use { Auto, Off, Direct, Counting };
    static void UseForTests(Use use);

private:
    RuleMatcher() = default;
    void Fill(const std::vector<const TBlock*>& blocks, const TTable& t);
    void MatchDirect(const int* row, bool nearMisses);
    void NextStamp();
    void SortMatched();

    const TTable* table = nullptr;
    int columns = 0;

    // Block p's descriptors: attrs and values [ruleStart[p], ruleStart[p + 1]).
    std::vector<int> ruleStart;
    std::vector<int> attrs;
    std::vector<int> values;

    // The columns holding descriptors; column c's values are keys[firstKey, endKey) ascending,
    // and the blocks of key k are postings[keyStart[k], keyStart[k + 1]), a block once per
    // descriptor.
    struct Column {
        int attr;
        int firstKey;
        int endKey;
    };
    std::vector<Column> indexed;
    std::vector<int> keys;
    std::vector<int> keyStart;
    std::vector<int> postings;

    // Per block the descriptors counted for the object of the stamp; an older stamp means none.
    struct Counter {
        uint32_t stamp;
        int count;
        int need;
    };
    std::vector<Counter> counters;
    uint32_t stamp = 0;

    std::vector<int> found;  // the keys of the current object's values
    std::vector<int> matched;
    std::vector<int> near;
    std::vector<uint64_t> bits;
};
