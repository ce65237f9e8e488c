#include "rough/reasoning/pair_distances.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"

namespace {

[[noreturn]] void Refuse(const char* operation) {
    LogMessage(std::string("Bad number of element in ") + operation + " ");
    throw CalcError(5);
}

struct ListedRow {
    int from;
    int to;
    double distance;
};

}  // namespace

std::string ShortDouble(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

PairDistances::PairDistances(const TTable& pairs, int noObj, int minSupport, const char* operation) {
    const int rows = pairs.GetNoObj();
    if (pairs.GetNoAttr() < 5) Refuse(operation);
    for (int r = 0; r < rows; ++r) {
        const int i = pairs.Value(r, 0);
        const int j = pairs.Value(r, 1);
        if (i < 0 || i >= noObj || j < 0 || j >= noObj) Refuse(operation);
    }
    OrOutOfMemory([&] {
        std::vector<ListedRow> listed;
        for (int r = 0; r < rows; ++r) {
            if (pairs.Value(r, 2) <= minSupport || pairs.Value(r, 3) <= minSupport) continue;
            const double d = pairs.Value(r, 4) / 1000000.0;
            if (d > 0 && d < minDist) minDist = d;
            if (d > maxDist) maxDist = d;
            listed.push_back({pairs.Value(r, 0), pairs.Value(r, 1), d});
        }
        // Stable, so that of a pair listed twice the later row comes last and is the one kept.
        std::stable_sort(listed.begin(), listed.end(), [](const ListedRow& x, const ListedRow& y) {
            return x.from != y.from ? x.from < y.from : x.to < y.to;
        });
        rowStart.assign(static_cast<size_t>(noObj) + 1, 0);
        for (size_t k = 0; k < listed.size(); ++k) {
            if (k + 1 < listed.size() && listed[k + 1].from == listed[k].from && listed[k + 1].to == listed[k].to) continue;
            entries.push_back({listed[k].to, listed[k].distance});
            ++rowStart[static_cast<size_t>(listed[k].from) + 1];
        }
        for (size_t i = 1; i < rowStart.size(); ++i) rowStart[i] += rowStart[i - 1];
    });
}

double PairDistances::At(int i, int j) const {
    const Entry* end = RowEnd(i);
    const Entry* at = std::lower_bound(RowBegin(i), end, j, [](const Entry& e, int to) { return e.to < to; });
    return at != end && at->to == j ? at->distance : 0.0;
}

void PairDistances::PrintRange() const {
    WriteStdoutLine("MinDist=" + ShortDouble(minDist));
    WriteStdoutLine("MaxDist=" + ShortDouble(maxDist));
}
