#include "core/table.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <string>
#include <utility>

#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/text_data.h"
#include "core/text_scan.h"

namespace {

// Number of cells of a noObj x noAttr table; a table that cannot be indexed by an int
// cannot be allocated either.
int CheckedCells(int noObj, int noAttr) {
    long long cells = static_cast<long long>(noObj) * noAttr;
    if (cells > INT_MAX) throw CalcError(2);
    return static_cast<int>(cells);
}

int CheckedIncrement(int n) {
    if (n == INT_MAX) throw CalcError(2);
    return n + 1;
}

void ResizeValues(std::vector<int>& values, int cells) {
    try {
        values.resize(static_cast<size_t>(cells));
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
}

}  // namespace

TTable& TTable::operator=(const TTable& other) {
    if (this == &other) return *this;
    std::vector<int> copy;
    if (other.size >= 1) {
        try {
            copy.assign(other.values.begin(), other.values.begin() + other.size);
        } catch (const std::bad_alloc&) {
            throw CalcError(2);
        }
    }
    values.swap(copy);
    NoObj = other.NoObj;
    NoAttr = other.NoAttr;
    size = other.size;
    return *this;
}

void TTable::CreateTable(int noObj, int noAttr) {
    if (noObj < 0 || noAttr < 0) {
        LogMessage("Bad element number in TTable::CreateTable");
        throw CalcError(5);
    }
    Clear();
    if (noObj == 0 || noAttr == 0) return;
    Reshape(noObj, noAttr);
}

// Gives the table noObj x noAttr cells (both positive) without keeping any old contents.
void TTable::Reshape(int noObj, int noAttr) {
    int cells = CheckedCells(noObj, noAttr);
    ResizeValues(values, cells);
    NoObj = noObj;
    NoAttr = noAttr;
    size = cells;
}

void TTable::Clear() {
    std::vector<int>().swap(values);
    NoObj = 0;
    NoAttr = 0;
    size = 0;
}

int TTable::GetElem(int i) const {
    if (i < 0 || i >= size) {
        LogMessage("Bad element number in TTable::GetElem");
        throw CalcError(5);
    }
    return values[static_cast<size_t>(i)];
}

int TTable::GetTable(int o, int a) const {
    long long i = static_cast<long long>(o) * NoAttr + a;
    if (i < 0 || i >= size) {
        LogMessage("Bad element number in TTable::GetTable");
        throw CalcError(5);
    }
    return values[static_cast<size_t>(i)];
}

void TTable::SetTable(int o, int a, int v) {
    long long i = static_cast<long long>(o) * NoAttr + a;
    if (i < 0 || i >= size) {
        LogMessage("Bad element number in TTable::SetTable");
        throw CalcError(5);
    }
    values[static_cast<size_t>(i)] = v;
}

// The new last cell of every row is left as it happens to be (zero here).
void TTable::AddAttribute() {
    int noAttr = CheckedIncrement(NoAttr);
    if (NoObj == 0) {
        NoAttr = noAttr;
        return;
    }
    int cells = CheckedCells(NoObj, noAttr);
    ResizeValues(values, cells);
    // Rows move up in place, last row first, so that no row is overwritten before it moved.
    for (int o = NoObj - 1; o > 0; --o) {
        int* from = values.data() + static_cast<size_t>(o) * NoAttr;
        std::copy_backward(from, from + NoAttr, values.data() + static_cast<size_t>(o) * noAttr + NoAttr);
    }
    for (int o = 0; o < NoObj; ++o) values[static_cast<size_t>(o) * noAttr + NoAttr] = 0;
    NoAttr = noAttr;
    size = cells;
}

// Rows are appended at the end of the storage, which grows geometrically, so that a table
// built object by object stays linear.
void TTable::AddObject() {
    int noObj = CheckedIncrement(NoObj);
    if (NoAttr == 0) {
        NoObj = noObj;
        return;
    }
    int cells = CheckedCells(noObj, NoAttr);
    ResizeValues(values, cells);
    NoObj = noObj;
    size = cells;
}

void TTable::SetDecAttr(int a) {
    if (a < 0 || a >= NoAttr) {
        LogMessage("Bad attribute number in TTable::SetDecAttr");
        throw CalcError(5);
    }
    for (int o = 0; o < NoObj; ++o) {
        int* row = Row(o);
        std::swap(row[a], row[NoAttr - 1]);
    }
}

void TTable::Load(const char* name) {
    Clear();
    std::string text;
    if (!ReadWholeFile(name, text)) {
        LogFormat("Error: Can't open file with table: %s", name);
        throw CalcErrorText(6, name);
    }
    LoadFromText(name, text.data(), text.data() + text.size());
    LogFormat("%i objects loaded from \"%s\"", NoObj, name);
}

// A header that is not two non-negative integers whose product is an int, values that run
// short, or anything but white space after the values is a bad format: a table loaded from
// a damaged file could be saved back over it. Nothing is allocated until the values can be
// present in the text.
void TTable::LoadFromText(const char* name, const char* begin, const char* end) {
    auto badFormat = [&]() {
        Clear();
        LogFormat("Error: Bad format of file with table: %s", name);
        throw CalcErrorText(6, name);
    };
    TextScanner in(begin, end);
    int noObj = 0;
    int noAttr = 0;
    if (in.ReadInt(noObj) == TextScanner::Read::Fail) badFormat();
    if (in.ReadInt(noAttr) == TextScanner::Read::Fail) badFormat();
    if (noObj < 0 || noAttr < 0) badFormat();
    long long cells = static_cast<long long>(noObj) * noAttr;
    if (cells > INT_MAX) badFormat();
    // With no values nothing in the file confirms the other count, and the engines size
    // per-object and per-attribute arrays from it.
    if (cells == 0 && std::max(noObj, noAttr) > kMaxCountWithoutValues) badFormat();
    // Every value takes at least one digit and the white space in front of it.
    if (static_cast<long long>(in.Remaining()) < 2 * cells) badFormat();
    ResizeValues(values, static_cast<int>(cells));
    for (int& v : values) {
        if (in.ReadInt(v) == TextScanner::Read::Fail) badFormat();
    }
    // Values beyond those announced would be dropped without a word, and the table rewrite
    // would then lose them from the file for good.
    if (!in.AtEndAfterBlanks()) badFormat();
    NoObj = noObj;
    NoAttr = noAttr;
    size = static_cast<int>(cells);
}

void TTable::Save(const char* name) const {
    std::string out;
    try {
        out.reserve(static_cast<size_t>(size) * 4 + 32);
        AppendInt(out, NoObj);
        out += ' ';
        AppendInt(out, NoAttr);
        out += '\n';
        if (NoAttr > 0) {
            for (int o = 0; o < NoObj; ++o) {
                const int* row = Row(o);
                for (int a = 0; a < NoAttr; ++a) {
                    AppendInt(out, row[a]);
                    out += ' ';
                }
                out += '\n';
            }
        }
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
    if (!ReplaceWholeFile(name, out)) SaveFailed(name);
    LogFormat("Table saved to \"%s\"", name);
}

void TTable::SaveFailed(const char* name) {
    LogFormat("Error: Can't save file with table: %s", name);
    throw CalcErrorText(7, name);
}

// Read and scaled in double precision: a single-precision read turns 5.1 into 50 at
// precision 1. Any failure leaves the table empty; a scaled value beyond the int range is a
// bad format like an unreadable one.
void TTable::ImportFloatData(const char* name, int precision) {
    LogMessage("Importing floating point data...");
    Clear();
    int rows = 0;
    int columns = 0;
    TDictio_VT::CountRowsAndColumns(name, rows, columns);
    if (rows < 1 || columns < 1) return;
    const std::string text = ReadDataFile(name);
    auto badFormat = [&]() {
        Clear();
        LogFormat("Error: Bad format of file with data: %s", name);
        throw CalcErrorText(10, name);
    };
    // Every value takes a character and all but the last a separator after it.
    const long long cells = static_cast<long long>(rows) * columns;
    if (2 * cells - 1 > static_cast<long long>(text.size())) badFormat();
    Reshape(rows, columns);
    TextScanner in(text.data(), text.data() + text.size());
    for (long long i = 0; i < cells; ++i) {
        double v = 0.0;
        if (in.ReadDouble(v) == TextScanner::Read::Fail) badFormat();
        // Past the int range a value stays past it, and 0 stays 0: the scaling may stop.
        if (i % columns != columns - 1) {
            for (int k = 0; k < precision && v != 0.0 && std::fabs(v) < 2147483648.0; ++k) v *= 10;
        }
        if (!(v > -2147483649.0 && v < 2147483648.0)) badFormat();
        values[static_cast<size_t>(i)] = static_cast<int>(v);
    }
}
