#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "core/attr_dict.h"
#include "core/dict_error.h"

class TTable;

// The dictionary of a whole table imported from text: one TAttrDict per column, in column
// order, with the column's name and the texts of its values. Rule printing uses it to show
// names and texts instead of numbers.
//
// Attribute positions outside 0..count-1 throw DictError(5); names or texts that are not
// there DictError(33). The overloads taking a TTable bound positions and name searches by
// the table's number of attributes as well (a position must lie within both).
class TDictioSet {
public:
    TDictioSet() = default;
    TDictioSet(const TDictioSet&) = delete;
    TDictioSet& operator=(const TDictioSet&) = delete;

    void Clear();
    void AddAttr(std::string_view name);
    void DeleteAttrAt(int i);
    void DeleteAttrAt(int i, const TTable& table);
    void DeleteAttr(std::string_view name);
    void DeleteAttr(std::string_view name, const TTable& table);
    // Two different positions; the same position twice throws DictError(5).
    void SwapAttr(int i, int j);
    void SwapAttr(int i, int j, const TTable& table);

    int GetNoAttr() const { return static_cast<int>(attrs.size()); }
    int GetNoAttr(const TTable& table) const;
    int GetAttrIndex(std::string_view name) const;
    int GetAttrIndex(std::string_view name, const TTable& table) const;

    const char* GetAttrName(int i) const;
    const char* GetAttrName(int i, const TTable& table) const;
    void SetAttrName(int i, std::string_view name);
    void SetAttrName(int i, std::string_view name, const TTable& table);
    int GetCount(int i) const;
    int GetCount(int i, const TTable& table) const;
    int GetCodeAt(int i, int j) const;
    int GetCodeAt(int i, int j, const TTable& table) const;
    const char* GetTextAt(int i, int j) const;
    const char* GetTextAt(int i, int j, const TTable& table) const;

    int GetCodeForText(int i, std::string_view text) const;
    int GetCodeForText(int i, std::string_view text, const TTable& table) const;
    int GetCodeForText(std::string_view attrName, std::string_view text) const;
    int GetCodeForText(std::string_view attrName, std::string_view text, const TTable& table) const;
    const char* GetTextForCode(int i, int code) const;
    const char* GetTextForCode(int i, int code, const TTable& table) const;
    const char* GetTextForCode(std::string_view attrName, int code) const;
    const char* GetTextForCode(std::string_view attrName, int code, const TTable& table) const;

    void AddItem(int i, const TDictItem& item);
    void AddItem(int i, const TDictItem& item, const TTable& table);
    int AddText(int i, std::string_view text);
    int AddText(int i, std::string_view text, const TTable& table);

    // LOG: a framing line, each attribute dictionary, a closing line.
    void Print() const;
    void Print(const TTable& table) const;

    // Names and entries copied; the kinds met and the precision start afresh.
    std::unique_ptr<TDictioSet> Clone() const;

    // Builds the set from a text data file: a matrix of tokens, whose first line may name
    // the columns with bracketed tokens (the other columns are named by their number and
    // that token is a value). Reading stops at the first line without tokens. A line with
    // more or fewer tokens than the first throws DictError(32). A mode other than 0 then
    // turns the codes into numbers (TAttrDict::ConvertToNumbers).
    void ImportData(const char* fileName, int mode);
    // The same, then writes the file's matrix as codes: one line per line read (a header of
    // names only gives an empty line), each code followed by a blank. DictError(7, name)
    // when the output cannot be written.
    void ImportData(const char* fileName, int mode, const char* outputName);

    // The dictionary file: per attribute its name line, then "\t<text>\t<code>" lines.
    void Save(const char* fileName) const;
    // A failure leaves the attributes read before it.
    void Load(const char* fileName);

private:
    TAttrDict& Attr(int i) const;
    TAttrDict& Attr(int i, const TTable& table) const;
    int FindAttr(std::string_view name, int bound) const;
    void PrintFirst(int n) const;
    void ImportTokens(const char* fileName, int mode);
    void LoadTokens(const char* fileName);
    void WriteCodes(const char* fileName, const char* outputName) const;

    std::vector<std::unique_ptr<TAttrDict>> attrs;
};
