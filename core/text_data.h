#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/dictio_tree.h"

// Data files whose rows are objects and whose values are words: one dictionary per column
// gives every distinct word an integer code, and the file becomes a coded decision table, as
// a table text file or a binary table. The dictionaries and the column names are kept in a
// dictionary file.
//
// Data file: words separated by blanks, tabs, vertical tabs or commas (a run of them is one
// separator); a row ends at a line feed, carriage return or form feed; empty lines are
// skipped. A word read with a buffer of n characters holds at most n - 2 of them.
class TDictio_VT {
public:
    // What GetString met.
    enum : int {
        kWordMoreOnRow = 0,   // a word, and more follow on its row
        kWordEndsRow = 1,     // the last word of its row (the line end stays unread)
        kWordEndsFile = 2,    // the last word of the file
        kNoWord = 3,          // the file ended before a word; the word is empty
        kReadFailed = -1,     // the text could not be read
    };

    TDictio_VT() = default;
    TDictio_VT(const TDictio_VT&) = delete;
    TDictio_VT& operator=(const TDictio_VT&) = delete;

    void Clear();

    // Reads the next word of `in` (the rest of a data file), advancing it past what was read.
    static int GetString(std::string_view& in, std::string& word, int bufferSize);
    // The words of the first row; 0, after a warning, when the file holds no word.
    static int CountColumns(const char* name);
    // The same and the number of rows.
    static void CountRowsAndColumns(const char* name, int& rows, int& columns);

    // Builds the names and the dictionaries of a data file; with `header` 1 or more its
    // first row names the columns.
    void CreateDictionary(const char* name, int header);
    // Writes the data file coded by the dictionaries: a table text file (`text` set) or a
    // binary table. With `skip` 1 or more the first line of the data file is passed over.
    void ImportData(const char* input, const char* output, int text, int skip) const;

    void SaveDictionary(const char* name) const;
    void LoadDictionary(const char* name);

    int GetNoAttr() const { return noAttr; }
    // Null for a column that has no word yet.
    const TDictioBTree* GetTree(int a) const { return trees.at(static_cast<size_t>(a)).get(); }
    const std::string& GetName(int a) const { return names.at(static_cast<size_t>(a)); }

private:
    static void CountShape(const char* name, bool allRows, int& rows, int& columns);
    void MakeColumns(int n);

    int noAttr = 0;
    std::vector<std::unique_ptr<TDictioBTree>> trees;
    std::vector<std::string> names;
};

// The progress of a long conversion on standard output: a "." before row (or object) 1000,
// 2000, ..., each marked once however often it is announced.
class ProgressDots {
public:
    void Before(long long row);

private:
    long long marked = 0;
};

// Writes the rows of a data file (`in`, the text of `input`) as a table text file (`text`
// set) or a binary table, each word turned into a number by code(column, word); every row
// must hold `columns` words. With `dots`, progress dots before the rows and a line end after
// them. Returns the number of rows.
int WriteCodedTable(const char* input, std::string_view in, const char* output, int text, int columns,
                    const std::function<int(int, const std::string&)>& code, ProgressDots* dots);

// The whole of a data file; its LOG line and code 6 when it cannot be read.
std::string ReadDataFile(const char* name);
