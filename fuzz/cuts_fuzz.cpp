// The cuts file: read as scaling by a cuts file reads it (bounded by the columns of a small
// table, which it then scales), written and read back. Values are written with 6 significant
// digits, so cuts closer than that merge on the first write and the reread drops the repeats;
// from the first written file on, writing and reading must agree exactly.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/table.h"
#include "discretization/cuts/cut_list.h"
#include "discretization/cuts/scaler.h"
#include "fuzz/fuzz_support.h"

namespace {

struct CutEntry {
    int attribute;
    float value;
    bool operator==(const CutEntry&) const = default;
};

std::vector<CutEntry> Entries(TCutList& cuts) {
    std::vector<CutEntry> out;
    for (cuts.First(); !cuts.AtEnd(); cuts.Next()) out.push_back({cuts.GetAttr(), cuts.GetValue()});
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    size_t at = 0;
    for (const std::string& line : whole) {
        if (at < part.size() && part[at] == line) ++at;
    }
    return at == part.size();
}

// Four condition columns and a decision, values around the cuts the seeds hold.
const TTable& SmallTable() {
    static TTable table;
    if (table.GetNoObj() == 0) {
        const int values[6][5] = {{0, 1, 2, 3, 0}, {1, 0, 5, -2, 1}, {2, 2, 2, 9, 0},
                                  {3, 7, -1, 4, 1}, {0, 0, 0, 0, 1}, {5, 3, 1, 2, 0}};
        table.CreateTable(6, 5);
        for (int o = 0; o < 6; ++o) {
            for (int a = 0; a < 5; ++a) table.SetTable(o, a, values[o][a]);
        }
    }
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    const TTable& table = SmallTable();
    const int maxAttribute = table.GetNoAttr() - 1;
    ReadsOrFailsByDesign([&] {
        TScaler scaler;
        const std::unique_ptr<TTable> scaled = scaler.ScaleTableFromCuts(table, input.Path(), 0);
        Require(scaled->GetNoObj() == table.GetNoObj() && scaled->GetNoAttr() == table.GetNoAttr(),
                "a scaled table keeps its sizes");
    });

    TCutList read;
    if (!ReadsOrFailsByDesign([&] { read.Load(input.Path(), maxAttribute); })) return 0;
    TempFile first, second, third;
    TCutList reread, again;
    Require(ReadsOrFailsByDesign([&] {
                read.Save(first.Path());
                reread.Load(first.Path(), maxAttribute);
                reread.Save(second.Path());
                again.Load(second.Path(), maxAttribute);
                again.Save(third.Path());
            }),
            "written cuts read back");
    const std::vector<CutEntry> held = Entries(read);
    const std::vector<CutEntry> once = Entries(reread);
    Require(once.size() <= held.size(), "the reread holds no more cuts");
    Require(IsSubsequence(Lines(second.Bytes()), Lines(first.Bytes())), "the rewrite only drops merged cuts");
    Require(Entries(again) == once, "cuts of a written file");
    Require(second.Bytes() == third.Bytes(), "cuts file bytes");
    return 0;
}
