#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Dense numbers 0, 1, ... for 64-bit keys, in the order the keys first arrive, with how often
// each arrived. It groups rows exactly: a row's group number and its value in the next column
// make the key, so refining the groups one column after another never lets two different
// rows share a group the way a hash of whole rows could. Open addressing; a round that is
// Reset with the number of keys to come never grows, so a pass costs one probe per key.
class TKeyIndex {
public:
    static std::uint64_t Key(int high, int low) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
               static_cast<std::uint32_t>(low);
    }

    // Forgets every key; room for `expected` keys before the table grows.
    void Reset(int expected);
    // The key's number; a new key gets the next one.
    int Index(std::uint64_t key);

    int GetNoKeys() const { return static_cast<int>(counts.size()); }
    int GetCount(int id) const { return counts[static_cast<size_t>(id)]; }
    // Unordered pairs of arrivals that brought the same key: the sum of count * (count - 1) / 2.
    long long GetEqualPairs() const { return equalPairs; }

private:
    void Rehash(size_t slots);

    std::vector<std::uint64_t> keys;
    std::vector<int> ids;  // -1 marks a free slot
    std::vector<int> counts;
    size_t mask = 0;
    long long equalPairs = 0;
};

// Refines a grouping of items by one more column: items stay together only when they were
// together and share the column's value. Group numbers are dense, in order of first item.
// `index` is the caller's work space.
template <class ValueOf>
void RefineGroups(std::vector<int>& group, TKeyIndex& index, ValueOf valueOf) {
    index.Reset(static_cast<int>(group.size()));
    for (size_t i = 0; i < group.size(); ++i)
        group[i] = index.Index(TKeyIndex::Key(group[i], valueOf(i)));
}
