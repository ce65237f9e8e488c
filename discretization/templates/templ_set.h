#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/text_scan.h"

class TTable;

// One descriptor attribute = value over an integer decision table, or attribute != value
// when negated, with the number of objects that held the value where it was found.
class TTempl {
public:
    TTempl() = default;
    TTempl(const TTempl&) = default;
    TTempl& operator=(const TTempl&) = default;

    int GetAttr() const { return attribute; }
    int GetValue() const { return value; }
    int GetSupport() const { return support; }
    int GetNegated() const { return negated; }
    void SetAttr(int a) { attribute = a; }
    void SetValue(int v) { value = v; }
    void SetSupport(int s) { support = s; }
    void SetNegated() { negated = 1; }
    void ClearNegated() { negated = 0; }

    // 1 when the object holds the value at the attribute, else 0; negation plays no part.
    // A cell outside the table is CalcError 5 after a LOG line.
    int Match(const TTable& table, int object) const;
    // "Wzorzec VTW: " a "=" v "  " support on standard output.
    void Print() const;
    // attribute " " value "  " support " " negated, no line end.
    void Write(std::string& out) const;
    // The four numbers in that order; Fail when one cannot be read, else how the last ended.
    TextScanner::Read Read(TextScanner& in);

    // The single value of the table held by the most objects while no more than 80% of them
    // (truncated) hold it; on equal counts the earlier attribute wins, and among one
    // attribute's values the counting tree's choice of the most frequent. With excludeBad 1
    // badValue is never chosen. The attribute recorded is attributeMap's row 0 at the
    // column found, so that a part of a table can name the whole table's attributes. No
    // value qualifying: CalcError 4 after a LOG line.
    void SearchTemplate(const TTable& table, const TTable& attributeMap, int excludeBad, int badValue);

private:
    int attribute = -1;
    int value = 0;
    int support = 0;
    int negated = 0;
};

// An owned, ordered list of templates: a path of the decomposition tree (the node templates
// from the root, negated on the non-matching branches) or a family of strong templates. The
// capacity is the list's nominal size as the templates file records it: it starts at 3 and
// grows by 3 whenever an append would leave no free slot.
class TTemplSet {
public:
    TTemplSet() = default;
    TTemplSet(const TTemplSet&) = delete;
    TTemplSet& operator=(const TTemplSet&) = delete;

    int GetCapacity() const { return capacity; }
    int GetCount() const { return count; }

    void Clear();
    // Keeps the first n templates when 1 <= n < count; otherwise nothing changes.
    void Truncate(int n);
    void Add(std::unique_ptr<TTempl> templ);
    // Keeps the list ordered by falling support, a newcomer behind the equal ones, and at
    // most maxCount long (maxCount below 1 counts as 1): a full list takes a newcomer only
    // when it beats the last, which then goes. A list already longer than maxCount keeps
    // its length and can only have its last template replaced.
    void InsertSorted(std::unique_ptr<TTempl> templ, int maxCount);

    // Template i; outside 0 .. count-1 CalcError 5 after a LOG line.
    TTempl& GetTEMPL(int i);
    const TTempl& GetTEMPL(int i) const;
    // The last template; an empty list is CalcError 5 after a LOG line.
    TTempl& GetLastTEMPL();

    // target := the objects of source satisfying every template, in table order, without
    // the columns that the templates not negated fix (the decision column always stays).
    // No object satisfies them: a LOG line, target untouched. A template naming a column
    // source does not have: CalcError 5 after a LOG line.
    void SelectTable(const TTable& source, TTable& target) const;
    // The objects of source satisfying every template, in table order (none for a table
    // without objects). A template naming a column source does not have: CalcError 5 after
    // a LOG line.
    std::vector<int> SatisfyingRows(const TTable& source) const;
    // As SelectTable, for objects already known to satisfy the templates: the rows listed,
    // in list order.
    void SelectRows(const TTable& source, const std::vector<int>& rows, TTable& target) const;

    // The strongest single-value templates of every conditional attribute: up to maxCount
    // values per attribute held by no more than 80% of the objects (truncated), most
    // frequent first, kept by InsertSorted with that attribute's own bound, then cut to
    // maxCount. Fewer than 2 found: CalcError 4 after a LOG line.
    void SearchFamilyOfTempl(const TTable& table, const TTable& attributeMap, int maxCount);

    // The first pathLength templates (below 0 counts as 0, beyond the list as all of it)
    // are a path the object must satisfy, negation honoured: 0 when it does not. Otherwise,
    // with flags, flags gets one entry per remaining template, 1 where the object matches it
    // plainly (negation not consulted), and the result is their number; without flags, 1
    // when the object plainly matches any remaining template, else 0.
    int TestObject(const TTable& table, int object, int pathLength, std::vector<int>* flags) const;

    // The templates file: "Templates (VTW):", the capacity, the count and one template per
    // line as TTempl::Write lays it out. A file that cannot be written: CalcErrorText 7.
    void Save(const char* fileName) const;
    // Replaces the templates by those of a file. The capacity is the file's, raised to the
    // count when that is larger. A file that cannot be opened (CalcErrorText 6) leaves the
    // set as it was; one that cannot be read whole leaves it empty (CalcErrorText 6).
    void Load(const char* fileName);

private:
    // Room for one more: the nominal capacity grows by 3 when count + 1 reaches it.
    void GrowIfFull();
    // The columns of source the set keeps, ascending.
    std::vector<int> KeptColumns(const TTable& source) const;

    std::vector<std::unique_ptr<TTempl>> templates;  // count entries
    int capacity = 3;
    int count = 0;
};
