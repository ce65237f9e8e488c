#include "core/key_index.h"

#include <algorithm>

#include "core/alloc_guard.h"

namespace {

// A full-avalanche mix, so that keys differing only in their high half (group numbers)
// spread over the table.
size_t Mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return static_cast<size_t>(x);
}

}  // namespace

void TKeyIndex::Reset(int expected) {
    counts.clear();
    equalPairs = 0;
    size_t slots = 16;
    while (slots < 2 * static_cast<size_t>(expected > 0 ? expected : 0)) slots *= 2;
    if (slots == ids.size()) {
        std::fill(ids.begin(), ids.end(), -1);
        return;
    }
    OrOutOfMemory([&] {
        keys.assign(slots, 0);
        ids.assign(slots, -1);
    });
    mask = slots - 1;
}

void TKeyIndex::Rehash(size_t slots) {
    std::vector<std::uint64_t> oldKeys;
    std::vector<int> oldIds;
    oldKeys.swap(keys);
    oldIds.swap(ids);
    OrOutOfMemory([&] {
        keys.assign(slots, 0);
        ids.assign(slots, -1);
    });
    mask = slots - 1;
    for (size_t s = 0; s < oldIds.size(); ++s) {
        if (oldIds[s] < 0) continue;
        size_t at = Mix(oldKeys[s]) & mask;
        while (ids[at] >= 0) at = (at + 1) & mask;
        keys[at] = oldKeys[s];
        ids[at] = oldIds[s];
    }
}

int TKeyIndex::Index(std::uint64_t key) {
    if (ids.empty()) Reset(0);
    size_t at = Mix(key) & mask;
    while (ids[at] >= 0) {
        if (keys[at] == key) {
            int id = ids[at];
            equalPairs += counts[static_cast<size_t>(id)]++;
            return id;
        }
        at = (at + 1) & mask;
    }
    if (2 * (counts.size() + 1) > ids.size()) {
        Rehash(2 * ids.size());
        return Index(key);
    }
    const int id = static_cast<int>(counts.size());
    OrOutOfMemory([&] { counts.push_back(1); });
    keys[at] = key;
    ids[at] = id;
    return id;
}
