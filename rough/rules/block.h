#pragma once

#include <istream>
#include <ostream>

#include "core/int_sack.h"

class TDictioSet;
class TTable;
class TextScanner;

// The condition part of a decision rule: a conjunction of descriptors (attribute = value).
// Descriptor i is (attributes[i], values[i]); descriptors stay in the order they were added,
// which is the order the rule lines and rule files show.
class TBlock {
public:
    TBlock() = default;
    TBlock(const TBlock& other) : attributes(other.attributes), values(other.values) {}
    TBlock& operator=(const TBlock& other);
    int operator==(const TBlock& other) const;

    // Room for n descriptors, for a block whose size is known before it is filled.
    void ReserveDescriptors(int n) {
        attributes.ReserveStorage(n);
        values.ReserveStorage(n);
    }
    void AddDescriptor(int a, int v);
    // The attribute alone; the values are left as they are.
    void AddAttr(int a);

    int GetAttr(int i) const { return attributes.GetElem(i); }
    int GetValue(int i) const { return values.GetElem(i); }
    void SetAttr(int i, int a) { attributes.SetElem(i, a); }
    void GetDescriptor(int i, int* a, int* v) const;
    void RemoveDescriptor(int i);
    int GetNoDesc() const { return attributes.GetNoElem(); }
    int ContainsAttr(int a) const { return attributes.IsIn(a); }

    void PrintAttrs(std::ostream& out) const;

    // The text form: descriptors "(" attribute "=" value ")" joined by "&", no line end.
    // Mode 2 writes attribute names and value numbers, mode 1 names and value texts, any
    // other mode numbers only; without a dictionary every mode writes numbers. A position or
    // code the dictionary does not hold raises its DictError.
    void Print(std::ostream& out, const TDictioSet* dict, int mode) const;
    // Appends the descriptors of the numeric text form, white space skipped, and consumes the
    // character that ends the block (the first after a descriptor that is neither "&" nor
    // "("): on (1=2)&(3=4)=>(5=6) two descriptors and the first "=". A text whose first
    // character is not "(" reads as no descriptor. 0 when the text ends before any character,
    // and when a descriptor breaks off (a number that cannot be read, or the end of the text
    // inside it): the block keeps the descriptors before it and the reader should stop
    // there. Otherwise 1. The second form reads a text already in memory.
    int Read(std::istream& in);
    int Read(TextScanner& in);

    // Testing an object against a block without descriptors ends the process (code 0).
    int TestObj(const TTable& t, int o) const;
    int TestObjCount(const TTable& t, int o) const;
    int TestObjExcept(const TTable& t, int o, int k) const;
    // mask holds one flag per descriptor.
    int TestObjMASK(const TTable& t, int o, const int* mask) const;
    int TestDescriptor(const TTable& t, int o, int i) const;

    // 1 when every descriptor holds for o. *fail is the index of the only failing descriptor
    // when the block has more than one, exactly one fails and o's decision differs from d;
    // otherwise -1.
    int CheckObj(const TTable& t, int o, int d, int* fail) const;
    // The same over the descriptors i < len with mask[i] = 1, m being how many are switched on.
    int CheckObjMASK(const TTable& t, int o, int d, int* fail, const int* mask, int m, int len) const;

private:
    void RequireDescriptors(const char* operation) const;
    int CheckSelected(const TTable& t, int o, int d, int* fail, int m, int len, const int* mask) const;

    TIntSack attributes;
    TIntSack values;
};
