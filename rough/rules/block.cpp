#include "rough/rules/block.h"

#include <string>

#include "core/alloc_guard.h"
#include "core/dictio_set.h"
#include "core/report.h"
#include "core/table.h"
#include "core/text_scan.h"

namespace {

int Decision(const TTable& t, int o) { return t.GetTable(o, t.GetNoAttr() - 1); }

// Formatted extraction from a stream, and the same from a text in memory: both skip white
// space before a character or a number.
struct StreamSource {
    std::istream& in;
    bool Char(char& c) { return static_cast<bool>(in >> c); }
    bool Int(int& v) { return static_cast<bool>(in >> v); }
};

struct ScannerSource {
    TextScanner& in;
    bool Char(char& c) { return in.ReadChar(c); }
    bool Int(int& v) { return in.ReadInt(v) != TextScanner::Read::Fail; }
};

// The separators are taken as they come ("(1,2)" reads as (1=2)). Once a read fails the
// text has nothing more to give: looping on a "(" that no longer changes would never end,
// and a half-read descriptor is no descriptor.
template <class Source>
int ReadDescriptors(TBlock& block, Source in) {
    char c = 0;
    if (!in.Char(c)) return 0;
    while (c == '(') {
        int a = 0;
        int v = 0;
        char separator = 0;
        if (!in.Int(a) || !in.Char(separator) || !in.Int(v) || !in.Char(separator)) return 0;
        OrOutOfMemory([&] { block.AddDescriptor(a, v); });
        if (!in.Char(c)) return 1;
        if (c == '&' && !in.Char(c)) return 1;
    }
    return 1;
}

}  // namespace

TBlock& TBlock::operator=(const TBlock& other) {
    if (this == &other) return *this;
    TIntSack newAttributes;
    TIntSack newValues;
    newAttributes = other.attributes;
    newValues = other.values;
    attributes = std::move(newAttributes);
    values = std::move(newValues);
    return *this;
}

int TBlock::operator==(const TBlock& other) const {
    return (attributes == other.attributes) && (values == other.values) ? 1 : 0;
}

void TBlock::AddDescriptor(int a, int v) {
    attributes.AddElem(a);
    values.AddElem(v);
}

void TBlock::AddAttr(int a) { attributes.AddElem(a); }

void TBlock::GetDescriptor(int i, int* a, int* v) const {
    *a = attributes.GetElem(i);
    *v = values.GetElem(i);
}

void TBlock::RemoveDescriptor(int i) {
    attributes.RemoveElem(i);
    values.RemoveElem(i);
}

void TBlock::PrintAttrs(std::ostream& out) const {
    out << GetNoDesc() << "  ";
    for (int a : attributes) out << a << ' ';
}

// Without a dictionary names and texts are shown by their numbers, as every mode then does.
void TBlock::Print(std::ostream& out, const TDictioSet* dict, int mode) const {
    const bool names = dict != nullptr && (mode == 1 || mode == 2);
    for (int i = 0; i < GetNoDesc(); ++i) {
        const int a = GetAttr(i);
        const int v = GetValue(i);
        if (i > 0) out << '&';
        out << '(';
        if (names) {
            out << dict->GetAttrName(a) << '=';
        } else {
            out << a << '=';
        }
        if (names && mode == 1) {
            out << dict->GetTextForCode(a, v);
        } else {
            out << v;
        }
        out << ')';
    }
}

int TBlock::Read(std::istream& in) { return ReadDescriptors(*this, StreamSource{in}); }

int TBlock::Read(TextScanner& in) { return ReadDescriptors(*this, ScannerSource{in}); }

// A rule without conditions is never built on purpose: meeting one means the rule
// generation went wrong, and the process stops before it can classify anything with it.
void TBlock::RequireDescriptors(const char* operation) const {
    if (GetNoDesc() > 0) return;
    WriteStdoutLine(std::string("BLAD KRYTYCZNY: TBlock::") + operation);
    WriteStdoutLine("Ilosc deskryptorow w regule wynosi: " + std::to_string(GetNoDesc()));
    EndProcess(0);
}

int TBlock::TestDescriptor(const TTable& t, int o, int i) const {
    return t.GetTable(o, attributes.GetElem(i)) == values.GetElem(i) ? 1 : 0;
}

int TBlock::TestObj(const TTable& t, int o) const {
    RequireDescriptors("TestObj");
    for (int i = 0; i < GetNoDesc(); ++i) {
        if (!TestDescriptor(t, o, i)) return 0;
    }
    return 1;
}

int TBlock::TestObjCount(const TTable& t, int o) const {
    RequireDescriptors("TestObj");
    int count = 0;
    for (int i = 0; i < GetNoDesc(); ++i) count += TestDescriptor(t, o, i);
    return count;
}

int TBlock::TestObjExcept(const TTable& t, int o, int k) const {
    RequireDescriptors("TestObj");
    for (int i = 0; i < GetNoDesc(); ++i) {
        if (i != k && !TestDescriptor(t, o, i)) return 0;
    }
    return 1;
}

int TBlock::TestObjMASK(const TTable& t, int o, const int* mask) const {
    RequireDescriptors("TestObjMASK");
    for (int i = 0; i < GetNoDesc(); ++i) {
        if (mask[i] == 1 && !TestDescriptor(t, o, i)) return 0;
    }
    return 1;
}

// The descriptors taken are those below len whose mask flag is 1 (all of them without a
// mask); m stands for how many that is.
int TBlock::CheckSelected(const TTable& t, int o, int d, int* fail, int m, int len,
                          const int* mask) const {
    int holding = 0;
    int lastFailing = -1;
    for (int i = 0; i < len; ++i) {
        if (mask != nullptr && mask[i] != 1) continue;
        if (TestDescriptor(t, o, i)) {
            ++holding;
        } else {
            lastFailing = i;
        }
    }
    *fail = (m > 1 && holding == m - 1 && Decision(t, o) != d) ? lastFailing : -1;
    return holding == m ? 1 : 0;
}

int TBlock::CheckObj(const TTable& t, int o, int d, int* fail) const {
    return CheckSelected(t, o, d, fail, GetNoDesc(), GetNoDesc(), nullptr);
}

int TBlock::CheckObjMASK(const TTable& t, int o, int d, int* fail, const int* mask, int m,
                         int len) const {
    return CheckSelected(t, o, d, fail, m, len, mask);
}
