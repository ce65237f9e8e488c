#include "discretization/cuts/cut_list.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <new>
#include <string>

#include "core/file_io.h"
#include "core/text_scan.h"
#include "discretization/cuts/scal_error.h"

void TCutList::Add(int attribute, float value) {
    try {
        Insert(attribute, value);
    } catch (const std::bad_alloc&) {
        throw ScalError(2);
    }
}

// The list is always sorted, so the first cut that does not precede the new one is found by
// bisection. The cursor stays on the cut it stood on.
void TCutList::Insert(int attribute, float value) {
    auto at = std::lower_bound(cuts.begin(), cuts.end(), Cut{attribute, value},
                               [](const Cut& x, const Cut& y) {
                                   return Precedes(x.attribute, x.value, y.attribute, y.value);
                               });
    const std::size_t position = static_cast<std::size_t>(at - cuts.begin());
    cuts.insert(at, Cut{attribute, value});
    if (cursor != kNoCursor && position <= cursor) ++cursor;
}

void TCutList::Clear() {
    std::vector<Cut>().swap(cuts);
    cursor = kNoCursor;
}

void TCutList::First() { cursor = cuts.empty() ? kNoCursor : 0; }

void TCutList::Next() {
    if (cursor == kNoCursor) return;
    if (++cursor == cuts.size()) cursor = kNoCursor;
}

int TCutList::AtEnd() const { return cursor == kNoCursor ? 1 : 0; }

int TCutList::GetAttr() const { return cursor == kNoCursor ? -1 : cuts[cursor].attribute; }

float TCutList::GetValue() const { return cursor == kNoCursor ? -FLT_MIN : cuts[cursor].value; }

void TCutList::Save(const char* fileName) const {
    std::string text;
    for (const Cut& cut : cuts) {
        AppendInt(text, cut.attribute);
        char value[32];
        std::snprintf(value, sizeof value, "\t%g\n", static_cast<double>(cut.value));
        text += value;
    }
    if (!ReplaceWholeFile(fileName, text)) throw ScalError(7, fileName);
}

int TCutList::Load(const char* fileName, int maxAttribute) {
    std::string text;
    if (!ReadWholeFile(fileName, text)) throw ScalError(6, fileName);
    TextScanner in(text.data(), text.data() + text.size());
    int previousAttr = -1;
    float previousValue = 0.0f;
    while (!in.AtEndAfterBlanks()) {
        int attribute = 0;
        float value = 0.0f;
        if (in.ReadInt(attribute) == TextScanner::Read::Fail) throw ScalError(10);
        if (in.ReadFloat(value) == TextScanner::Read::Fail) throw ScalError(10);
        // A negative attribute would name a column before the first; one above the bound a
        // column the table does not have. Neither enters the list.
        if (attribute < 0 || attribute > maxAttribute) throw ScalError(10);
        if (attribute == previousAttr && value == previousValue) continue;
        if (!Precedes(previousAttr, previousValue, attribute, value)) throw ScalError(10);
        Add(attribute, value);
        previousAttr = attribute;
        previousValue = value;
    }
    return 1;
}
