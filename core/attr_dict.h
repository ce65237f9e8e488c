#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

// One value of an imported column: its text and its integer code.
class TDictItem {
public:
    TDictItem() = default;
    explicit TDictItem(std::string_view text) : text(text) {}
    explicit TDictItem(int code) : code(code) {}
    TDictItem(std::string_view text, int code) : text(text), code(code) {}

    const char* GetText() const { return text.c_str(); }
    void SetText(std::string_view newText) { text.assign(newText); }
    int GetCode() const { return code; }
    void SetCode(int newCode) { code = newCode; }
    void Print() const;  // LOG "\t<text>\t<code>"

private:
    std::string text;
    int code = 0;
};

// The dictionary of one column of imported text data: its name and its distinct value texts
// in insertion order, each with a code. Texts are unique and compared exactly. Lookups go
// through indexes (text to its position, code to the first position holding it), so that
// importing a column of many distinct values stays linear; answers are those of a search in
// insertion order.
class TAttrDict {
public:
    TAttrDict() = default;
    explicit TAttrDict(std::string_view name) : name(name) {}
    // The indexes point into the entries, which therefore never move.
    TAttrDict(const TAttrDict&) = delete;
    TAttrDict& operator=(const TAttrDict&) = delete;

    const char* GetName() const { return name.c_str(); }
    void SetName(std::string_view newName) { name.assign(newName); }
    int GetCount() const { return static_cast<int>(items.size()); }

    // Appends a copy unless an entry has the same text.
    void AddItem(const TDictItem& item);
    // The code of the text; a new text gets its position as code.
    int AddText(std::string_view text);

    // DictError(5) for a position outside 0..count-1.
    int GetCodeAt(int i) const;
    const char* GetTextAt(int i) const;
    // DictError(33) when absent.
    int CodeForText(std::string_view text) const;
    const char* TextForCode(int code) const;

    void SetHasIntegers() { hasIntegers = true; }
    void SetHasReals() { hasReals = true; }
    void SetHasStrings() { hasStrings = true; }

    // Mode 0 keeps the codes; in modes 1 and 2 a column of integers takes their values, and
    // in mode 2 a column with reals takes its values scaled by 10^precision. A column with a
    // string keeps its position codes. DictError(5) when a value does not fit an int; the
    // codes are then unchanged.
    void ConvertToNumbers(int mode);

    void Print() const;  // LOG "Name: <name>  <count>", then one line per entry

private:
    friend class TDictioSet;  // the import records the kinds and decimals it met

    void RaisePrecision(int decimals);
    const TDictItem& Item(int i) const;
    void Append(std::string_view text, int code);

    std::string name;
    std::deque<TDictItem> items;  // a deque never moves its elements
    std::unordered_map<std::string_view, int> positionOfText;
    std::unordered_map<int, int> firstPositionOfCode;
    bool hasIntegers = false;  // recorded as the import meets them; no conversion asks
    bool hasReals = false;
    bool hasStrings = false;
    int precision = 0;  // the most decimals of a real in the column
};
