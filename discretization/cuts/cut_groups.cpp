#include "discretization/cuts/cut_groups.h"

#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "core/text_scan.h"

namespace {

// One group of cuts of an attribute: where a value lands among them.
struct CutGroup {
    int attribute;
    std::vector<double> cuts;
    bool ascending;  // then the first cut above a value is found by bisection

    int Interval(double v) const {
        if (ascending) return CutsNotAbove(v);
        const int m = static_cast<int>(cuts.size());
        for (int i = 0; i < m; ++i) {
            if (cuts[static_cast<size_t>(i)] > v) return i;
        }
        return m;
    }

    // In ascending cuts the first above v stands after all that are not: their number, by a
    // bisection whose halving steps are selects rather than branches, since which way a value
    // goes is not predictable.
    int CutsNotAbove(double v) const {
        if (cuts.empty()) return 0;
        const double* base = cuts.data();
        size_t n = cuts.size();
        while (n > 1) {
            const size_t half = n / 2;
            base = base[half] <= v ? base + half : base;
            n -= half;
        }
        return static_cast<int>(base - cuts.data()) + (*base <= v ? 1 : 0);
    }
};

std::vector<CutGroup> Groups(const std::vector<TCutPair>& cuts) {
    std::vector<CutGroup> groups;
    for (size_t i = 0; i < cuts.size(); ++i) {
        if (i == 0 || cuts[i].attribute != cuts[i - 1].attribute) groups.push_back({cuts[i].attribute, {}, true});
        CutGroup& g = groups.back();
        // Written with <= so that a group holding anything unordered falls back to the scan.
        if (!g.cuts.empty() && !(g.cuts.back() <= cuts[i].value)) g.ascending = false;
        g.cuts.push_back(cuts[i].value);
    }
    return groups;
}

}  // namespace

// Row by row: the groups of different attributes touch different cells, and the groups of
// one attribute reach each cell in set order, so every cell goes through the same steps as a
// group-by-group walk, with each row read once.
void ApplyCutGroups(TTable& table, const std::vector<TCutPair>& cuts) {
    const int columns = table.GetNoAttr();
    const int conditions = columns > 0 ? columns - 1 : 0;
    const std::vector<CutGroup> groups = OrOutOfMemory([&] { return Groups(cuts); });
    std::vector<char> used = OrOutOfMemory([&] { return std::vector<char>(static_cast<size_t>(conditions), 0); });
    for (const CutGroup& g : groups) used[static_cast<size_t>(g.attribute)] = 1;
    for (int o = 0; o < table.GetNoObj(); ++o) {
        int* row = table.Row(o);
        for (const CutGroup& g : groups) row[g.attribute] = g.Interval(static_cast<double>(row[g.attribute]));
        for (int a = 0; a < conditions; ++a) {
            if (!used[static_cast<size_t>(a)]) row[a] = 0;
        }
    }
}

namespace {

std::string CutsText(const char* fileName) {
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        LogMessage("Error: Can't load file with cuts");
        throw CalcErrorText(6, fileName);
    }
    return text;
}

}  // namespace

std::vector<TCutPair> ReadCutsFile(const char* fileName, int columns) {
    const std::string text = CutsText(fileName);
    TextScanner in(text.data(), text.data() + text.size());
    std::vector<TCutPair> cuts;
    for (;;) {
        TCutPair cut{};
        if (in.ReadInt(cut.attribute) == TextScanner::Read::Fail) break;
        if (in.ReadDouble(cut.value) == TextScanner::Read::Fail) break;
        if (cut.attribute < 0 || cut.attribute > columns - 2) {
            LogMessage("Error: Bad attribute number in file with cuts");
            throw CalcError(10);
        }
        OrOutOfMemory([&] { cuts.push_back(cut); });
    }
    return cuts;
}

void ApplyCutsFile(TTable& table, const char* fileName) {
    // A table without objects has no columns either: nothing to scale and nothing to check
    // the cuts against, so only a file that cannot be read is refused.
    if (table.GetNoObj() == 0) {
        CutsText(fileName);
        return;
    }
    ApplyCutGroups(table, ReadCutsFile(fileName, table.GetNoAttr()));
}

void TCutsFileCache::Apply(TTable& table, const std::string& fileName) {
    if (table.GetNoObj() == 0) {
        if (columns < 0) ApplyCutsFile(table, fileName.c_str());
        return;
    }
    if (columns != table.GetNoAttr()) {
        cuts = ReadCutsFile(fileName.c_str(), table.GetNoAttr());
        columns = table.GetNoAttr();
    }
    ApplyCutGroups(table, cuts);
}

void TCutsFileCache::Forget() {
    cuts.clear();
    columns = -1;
}
