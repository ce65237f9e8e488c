#include "core/data_table.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <utility>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "core/text_scan.h"

namespace {

// Row and attribute counters overwrite themselves on a terminal. They are left to the
// stream's buffer (the next stage line flushes them): a flush per row would cost a system
// call per object on large tables.
void WriteCounter(const char* prefix, int n) {
    std::fputs(prefix, stdout);
    std::fprintf(stdout, "%d\r", n);
}

// The stage line, then the whole file. A file that cannot be read ends the construction
// with a coded error after the text the front end knows, not with a process that looks
// successful.
std::string ReadStageFile(const char* stage, const char* name) {
    WriteStdoutLine(std::string(stage) + name);
    std::string text;
    if (!ReadWholeFile(name, text)) {
        WriteStdout(" Can't open a file!");
        throw CalcErrorText(6, name);
    }
    return text;
}

}  // namespace

TDataTable::TDataTable(const char* dataFile) { Load(dataFile, nullptr); }

TDataTable::TDataTable(const char* dataFile, const char* typesFile) { Load(dataFile, typesFile); }

void TDataTable::Load(const char* dataFile, const char* typesFile) {
    OrOutOfMemory([&] {
        ReadValues(dataFile);
        if (typesFile != nullptr) {
            ReadTypes(typesFile);
        } else {
            types.assign(static_cast<size_t>(NoAttr), 0);
        }
        SortAndMeasure();
        CodeDecisions();
    });
}

void TDataTable::ReadValues(const char* name) {
    const std::string text = ReadStageFile("Loading Data Table ", name);
    TextScanner in(text.data(), text.data() + text.size());
    int noObj = 0;
    int columns = 0;
    if (in.ReadInt(noObj) == TextScanner::Read::Fail || in.ReadInt(columns) == TextScanner::Read::Fail ||
        noObj < 0 || columns < 1) {
        throw CalcError(10);
    }
    // Every value takes a character and the white space before it, so a header announcing
    // more than half the remaining bytes cannot be honest. Without objects nothing in the file
    // confirms the column count, which still sizes the per-attribute arrays.
    const unsigned long long cells = static_cast<unsigned long long>(noObj) * static_cast<unsigned>(columns);
    if (cells > in.Remaining() / 2) throw CalcError(10);
    if (noObj == 0 && columns > TTable::kMaxCountWithoutValues) throw CalcError(10);

    values.resize(static_cast<size_t>(cells));
    float* cell = values.data();
    for (int o = 0; o < noObj; ++o) {
        for (int c = 0; c < columns; ++c, ++cell) {
            if (in.ReadFloat(*cell) == TextScanner::Read::Fail) throw CalcError(10);
        }
        WriteCounter("", o);
    }
    // Values left over mean the header's counts do not fit the rows (a column count off by
    // one shifts every row); the table read would not be the one in the file.
    if (!in.AtEndAfterBlanks()) throw CalcError(10);
    NoObj = noObj;
    NoAttr = columns - 1;
}

// At most NoAttr types are taken; attributes the file does not reach stay symbolic.
void TDataTable::ReadTypes(const char* name) {
    const std::string text = ReadStageFile("Loading Attribute Types ", name);
    TextScanner in(text.data(), text.data() + text.size());
    int count = 0;
    if (in.ReadInt(count) == TextScanner::Read::Fail || count < 0) throw CalcError(10);
    types.assign(static_cast<size_t>(NoAttr), 0);
    const int taken = std::min(count, NoAttr);
    for (int a = 0; a < taken; ++a) {
        if (in.ReadInt(types[a]) == TextScanner::Read::Fail) throw CalcError(10);
    }
}

// Ties are ordered by object number: the order of equal values is free, and a total order
// makes every sort independent of the one before. A symbolic attribute's range is its
// number of distinct values, a numeric one's its largest minus its smallest value.
void TDataTable::SortAndMeasure() {
    WriteStdoutLine("Counting Attribute Ranges ");
    const size_t width = static_cast<size_t>(NoAttr) + 1;
    sortedIndex.resize(width * static_cast<size_t>(NoObj));
    ranges.assign(static_cast<size_t>(NoAttr), 0.0f);
    std::vector<std::pair<float, int>> keyed(static_cast<size_t>(NoObj));
    for (int a = 0; a <= NoAttr; ++a) {
        if (a < NoAttr) WriteCounter("Sorting attribute: ", a);
        for (int o = 0; o < NoObj; ++o) keyed[o] = {values[o * width + a], o};
        std::sort(keyed.begin(), keyed.end());
        int* order = sortedIndex.data() + static_cast<size_t>(a) * NoObj;
        for (int k = 0; k < NoObj; ++k) order[k] = keyed[k].second;
        if (a == NoAttr || NoObj == 0) continue;
        if (types[a] != 0) {
            ranges[a] = keyed.back().first - keyed.front().first;
        } else {
            int distinct = 1;
            for (int k = 1; k < NoObj; ++k) {
                if (keyed[k].first != keyed[k - 1].first) ++distinct;
            }
            ranges[a] = static_cast<float>(distinct);
        }
    }
}

// The decision values are the first decision of every run of the decision order.
void TDataTable::CodeDecisions() {
    WriteStdoutLine("Coding decisions ");
    decValues.clear();
    int count = 0;
    for (int p = 0; p < NoObj; p = GetDecRun(p, count)) {
        decValues.push_back(GetDecision(GetSortedIndex(NoAttr)[p]));
    }
    NoDec = static_cast<int>(decValues.size());
}

void TDataTable::CheckAttr(int a) const {
    if (a < 0 || a > NoAttr) throw CalcError(5);
}

float TDataTable::GetValue(int o, int a) const {
    if (o < 0 || o >= NoObj) throw CalcError(5);
    CheckAttr(a);
    return values[static_cast<size_t>(o) * (static_cast<size_t>(NoAttr) + 1) + a];
}

int TDataTable::GetAttrType(int a) const {
    if (a < 0 || a >= NoAttr) return -1;
    return types[a];
}

const int* TDataTable::GetSortedIndex(int a) const {
    CheckAttr(a);
    return sortedIndex.data() + static_cast<size_t>(a) * NoObj;
}

float TDataTable::GetDecValue(int d) const {
    if (d < 0 || d >= NoDec) throw CalcError(5);
    return decValues[d];
}

// A range too large for an int (only a numeric one can be) gives the largest int rather
// than an undefined conversion.
int TDataTable::GetAttrRange(int a) const {
    if (a < 0 || a >= NoAttr) return -1;
    if (!(ranges[a] < 2147483648.0f)) return INT_MAX;
    return static_cast<int>(ranges[a]);
}

float TDataTable::GetAttrRangeF(int a) const {
    if (a < 0 || a >= NoAttr) return -1.0f;
    return ranges[a];
}

int TDataTable::GetDecIndex(float value) const {
    const auto at = std::lower_bound(decValues.begin(), decValues.end(), value);
    if (at == decValues.end() || *at != value) return -1;
    return static_cast<int>(at - decValues.begin());
}

int TDataTable::CountEqualValues(int i, int j) const {
    int equal = 0;
    for (int a = 0; a < NoAttr; ++a) {
        if (GetValue(i, a) == GetValue(j, a)) ++equal;
    }
    return equal;
}

// Objects equal on an attribute form one run of its sorted order, so each object gains the
// length of its run minus one: the all-pairs sum without visiting the pairs. Summed in
// integers, so the result is exact up to the conversion at the end.
std::vector<float> TDataTable::CountObjWeights() const {
    WriteStdoutLine("Object weight count...");
    return OrOutOfMemory([&] {
        std::vector<long long> sums(static_cast<size_t>(NoObj), 0);
        for (int a = 0; a < NoAttr; ++a) {
            const int* order = GetSortedIndex(a);
            int p = 0;
            while (p < NoObj) {
                const float v = GetValue(order[p], a);
                int q = p + 1;
                while (q < NoObj && GetValue(order[q], a) == v) ++q;
                for (int k = p; k < q; ++k) sums[order[k]] += q - p - 1;
                p = q;
            }
        }
        std::vector<float> weights(sums.begin(), sums.end());
        weights.push_back(-1.0f);
        return weights;
    });
}

// Values below lo are a prefix of the sorted order and values above hi a suffix, so both
// ends are found by bisection. The tests are written so that a bound that is not a number
// (a caller's 0/0) holds no value, where a walk that skips values below lo and stops at the
// first value above hi would take every one.
void TDataTable::RangeInOrder(float lo, float hi, int a, int& first, int& last) const {
    const int* order = GetSortedIndex(a);
    const int* end = order + NoObj;
    first = static_cast<int>(std::partition_point(order, end, [&](int o) { return !(GetValue(o, a) >= lo); }) - order);
    last = static_cast<int>(std::partition_point(order, end, [&](int o) { return GetValue(o, a) <= hi; }) - order);
    last = std::max(first, last);
}

int TDataTable::CountObjInRange(float lo, float hi, int a) const {
    int first = 0;
    int last = 0;
    RangeInOrder(lo, hi, a, first, last);
    return last - first;
}

int TDataTable::CountValuesInRange(float lo, float hi, int a) const {
    int first = 0;
    int last = 0;
    RangeInOrder(lo, hi, a, first, last);
    const int* order = GetSortedIndex(a);
    int distinct = 0;
    for (int k = first; k < last; ++k) {
        if (k == first || GetValue(order[k], a) != GetValue(order[k - 1], a)) ++distinct;
    }
    return distinct;
}

int TDataTable::GetDecRun(int p, int& count) const {
    if (p < 0 || p >= NoObj) throw CalcError(5);
    const int* order = GetSortedIndex(NoAttr);
    const float d = GetDecision(order[p]);
    int q = p + 1;
    while (q < NoObj && GetDecision(order[q]) == d) ++q;
    count = q - p;
    return q;
}

std::vector<int> TDataTable::GetDecDistribution() const {
    std::vector<int> counts;
    std::string line = "Decision distribution: [";
    OrOutOfMemory([&] {
        int count = 0;
        int p = 0;
        while (p < NoObj) {
            p = GetDecRun(p, count);
            counts.push_back(count);
        }
        for (const int c : counts) {
            char share[32];
            std::snprintf(share, sizeof share, "%g", static_cast<float>(c) / NoObj * 100.0f);
            line += share;
            line += "% ";
        }
        counts.push_back(-1);
    });
    WriteStdoutLine(line + "]");
    return counts;
}
