#include "rough/reducts/row_projection_index.h"

#include <algorithm>
#include <cassert>

void RowProjectionIndex::Reserve(int rows) {
    const size_t wanted = static_cast<size_t>(std::max(rows, 1));
    if (groupObject.size() >= wanted) return;
    // At most half the slots are ever used, which keeps linear probing short.
    size_t slots = 16;
    int bits = 4;
    while (slots < 2 * wanted) {
        slots *= 2;
        ++bits;
    }
    slotStamp.assign(slots, 0);
    slotGroup.assign(slots, 0);
    groupObject.resize(wanted);
    groupCount.resize(wanted);
    groupRow.resize(wanted);
    groupHash.resize(wanted);
    shift = 64 - bits;
    mask = slots - 1;
    stamp = 0;
    size = 0;
}

void RowProjectionIndex::Start(const std::vector<int>& attributes) {
    attrs.assign(attributes.begin(), attributes.end());
    size = 0;
    if (++stamp == 0) {
        // After 2^32 starts the old stamps could read as current again.
        std::fill(slotStamp.begin(), slotStamp.end(), 0);
        stamp = 1;
    }
}

uint64_t RowProjectionIndex::Hash(const int* row) const {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (int a : attrs) {
        h ^= static_cast<uint32_t>(row[a]);
        h *= 0x100000001b3ULL;
        h ^= h >> 29;
    }
    return h;
}

bool RowProjectionIndex::Same(const int* a, const int* b) const {
    for (int attr : attrs)
        if (a[attr] != b[attr]) return false;
    return true;
}

int RowProjectionIndex::Find(const int* row) const {
    if (slotStamp.empty()) return -1;
    const uint64_t h = Hash(row);
    for (size_t s = Slot(h);; s = (s + 1) & mask) {
        if (slotStamp[s] != stamp) return -1;
        const int g = slotGroup[s];
        if (groupHash[static_cast<size_t>(g)] == h && Same(groupRow[static_cast<size_t>(g)], row)) return g;
    }
}

int RowProjectionIndex::Insert(const int* row, int object, bool& founded) {
    const uint64_t h = Hash(row);
    size_t s = Slot(h);
    for (; slotStamp[s] == stamp; s = (s + 1) & mask) {
        const int g = slotGroup[s];
        if (groupHash[static_cast<size_t>(g)] == h && Same(groupRow[static_cast<size_t>(g)], row)) {
            ++groupCount[static_cast<size_t>(g)];
            founded = false;
            return g;
        }
    }
    assert(static_cast<size_t>(size) < groupObject.size());
    const int g = size++;
    slotStamp[s] = stamp;
    slotGroup[s] = g;
    groupObject[static_cast<size_t>(g)] = object;
    groupCount[static_cast<size_t>(g)] = 1;
    groupRow[static_cast<size_t>(g)] = row;
    groupHash[static_cast<size_t>(g)] = h;
    founded = true;
    return g;
}
