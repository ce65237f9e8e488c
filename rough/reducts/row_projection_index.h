#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Rows grouped by their values on a list of attributes: each group is represented by the
// first object that entered it and counts its members. This answers what a search tree of
// row projections answers (is there an earlier equal row, which object founded it, how many
// distinct rows) in expected constant time per row, whatever the order of the rows; the
// tree degenerates to a list on sorted tables.
//
// Rows are read through pointers that must stay valid while the index is in use. Memory is
// taken by Reserve only, so a filled index never allocates.
class RowProjectionIndex {
public:
    // Room for up to `rows` groups. Throws std::bad_alloc.
    void Reserve(int rows);
    // Empties the index and sets the attributes that rows are compared on (the list is
    // copied; Reserve must have made room for every row to come).
    void Start(const std::vector<int>& attributes);

    // The group of a row equal to `row` on the attributes, or -1 when there is none.
    int Find(const int* row) const;
    // The group `row` belongs to: an existing one, whose count grows, or a new one founded by
    // `object` (then `founded` is set).
    int Insert(const int* row, int object, bool& founded);

    int Size() const { return size; }
    int Object(int group) const { return groupObject[static_cast<std::size_t>(group)]; }
    int Count(int group) const { return groupCount[static_cast<std::size_t>(group)]; }

private:
    uint64_t Hash(const int* row) const;
    bool Same(const int* a, const int* b) const;
    std::size_t Slot(uint64_t hash) const { return static_cast<std::size_t>((hash * 0x9e3779b97f4a7c15ULL) >> shift); }

    std::vector<int> attrs;
    int size = 0;
    int shift = 64;
    std::size_t mask = 0;
    uint32_t stamp = 0;                 // slots whose stamp differs are empty
    std::vector<uint32_t> slotStamp;
    std::vector<int> slotGroup;
    std::vector<int> groupObject;
    std::vector<int> groupCount;
    std::vector<const int*> groupRow;
    std::vector<uint64_t> groupHash;
};
