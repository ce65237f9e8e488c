#pragma once

#include <string>
#include <vector>

// A decision table of integers that stays in a binary file and is read one object (row) at
// a time, for tables too large to hold in memory. The file holds 32-bit little-endian
// integers: NoObj, NoAttr, then NoObj rows of NoAttr values (the decision last).
class TBTable {
public:
    TBTable() = default;
    ~TBTable();
    TBTable(const TBTable&) = delete;
    TBTable& operator=(const TBTable&) = delete;

    void Assign(const char* name);
    void Open();
    void Close();

    // Reads the first row (0) or the one after the last row read (anything else) into the
    // current row; opens the table when needed. Returns 1.
    int GetObjFromFile(int next);
    int GetCurObjval(int i) const;

    int GetNoObj() const { return NoObj; }
    int GetNoAttr() const { return NoAttr; }

    // NoObj * ratio (truncated) objects drawn at random go to `first`, the others to
    // `second`, each part in file order; 0 < ratio < 1.
    void SplitTable(double ratio, const char* first, const char* second);
    // Converts a text data file of integers into a binary table or (`text` set) a table
    // text file.
    void ImportIntData(const char* input, const char* output, int text);
    // Writes the table as a table text file.
    void SaveTextTable(const char* name);

private:
    [[noreturn]] void BadHeader();
    void AllocateRow();
    // The bytes of the file at offset, or null when the file ends before them.
    const char* BytesAt(long long offset, long long bytes);
    long long RowBytes() const { return 4LL * NoAttr; }

    int NoObj = 0;
    int NoAttr = 0;
    int fd = -1;
    long long fileSize = 0;
    long long nextRow = 0;  // offset of the row after the last one read
    std::vector<int> row;
    bool open = false;
    bool assigned = false;
    std::string fileName;
    std::vector<char> buffer;  // bytes of the file from bufferStart on
    long long bufferStart = 0;
};
