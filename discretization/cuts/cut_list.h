#pragma once

#include <cstddef>
#include <vector>

// The cuts applied to a table, kept in ascending order of attribute and, within one
// attribute, of value, and their text file: one "attribute<TAB>value" line per cut.
class TCutList {
public:
    TCutList() = default;
    TCutList(const TCutList&) = delete;
    TCutList& operator=(const TCutList&) = delete;

    // Goes after every cut that precedes it and before any equal one.
    void Add(int attribute, float value);
    void Clear();

    // Iteration; before First and past the last cut, AtEnd answers 1, GetAttr -1 and
    // GetValue the negative of the smallest normal float.
    void First();
    void Next();
    int AtEnd() const;
    int GetAttr() const;
    float GetValue() const;

    // Replaces the file (ScalError 7 with the name when it cannot be written).
    void Save(const char* fileName) const;
    // Adds the cuts of a file to those held and returns 1. ScalError 6 with the name when the
    // file cannot be read; ScalError 10 for a pair lower than the one before it, an attribute
    // that is negative or above maxAttribute, or a word that is not a number. The cuts read
    // before a bad pair stay in the list.
    int Load(const char* fileName, int maxAttribute);

    static bool Precedes(int attrX, float valueX, int attrY, float valueY) {
        return attrX < attrY || (attrX == attrY && valueX < valueY);
    }

private:
    struct Cut {
        int attribute;
        float value;
    };
    static constexpr std::size_t kNoCursor = static_cast<std::size_t>(-1);

    void Insert(int attribute, float value);

    std::vector<Cut> cuts;
    std::size_t cursor = kNoCursor;
};
