#pragma once

#include <cstddef>
#include <cstdint>

// A hash of a run of integers, for grouping rows and value lists in hash tables. Equal runs
// hash equally; the grouping code compares the runs themselves, so collisions cost only time.
inline std::size_t HashInts(const int* first, const int* last) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ static_cast<std::uint64_t>(last - first);
    for (const int* p = first; p != last; ++p) {
        h ^= static_cast<std::uint32_t>(*p);
        h *= 0x100000001b3ULL;
        h ^= h >> 29;
    }
    return static_cast<std::size_t>(h ^ (h >> 32));
}
