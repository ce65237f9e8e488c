// The test maker's cuts file, read as its discretization reads it: applied to a small table,
// and reduced by a dynamic reduct of the table recoded by the cuts, the reduced file then
// applied to the training and the test table. A file the cuts reader refuses must be refused
// by both and change nothing (no reduced file either); otherwise the reduced file must read
// back as some of the cuts in their order (values as the file writes them) and apply.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "discretization/cuts/cut_groups.h"
#include "experiments/test_maker.h"
#include "fuzz/fuzz_support.h"

namespace {

// Three condition columns and a decision; values around small cuts and the int range's ends,
// one pair of objects that no cut can tell apart.
constexpr int kRows = 8;
constexpr int kColumns = 4;
const int kValues[kRows][kColumns] = {{0, 1, 2, 0},           {1, 0, 5, 1},  {2, 2, -2, 0},
                                      {3, 7, 9, 1},           {3, 7, 9, 2},  {2147483647, 0, 0, 1},
                                      {-2147483647 - 1, 16777219, 4, 2}, {1, 1, 1, 0}};
// The reduct search grows with the recoded columns, one per cut: 700 cuts take a tenth of a
// second, 10,000 several seconds by design.
constexpr size_t kMostReducedCuts = 700;

// The rows in order, or (as a test table) from the last to the first.
void Fill(TTable& t, bool reversed = false) {
    t.CreateTable(kRows, kColumns);
    for (int o = 0; o < kRows; ++o) {
        for (int a = 0; a < kColumns; ++a) t.SetTable(o, a, kValues[reversed ? kRows - 1 - o : o][a]);
    }
}

// A value as the reduced file writes it.
double Written(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return std::strtod(text, nullptr);
}

// Whether `part` is `all`, values as written, with some cuts left out.
bool InOrder(const std::vector<TCutPair>& part, const std::vector<TCutPair>& all) {
    size_t at = 0;
    for (const TCutPair& c : all) {
        const double v = Written(c.value);
        if (at < part.size() && part[at].attribute == c.attribute &&
            (part[at].value == v || (std::isnan(part[at].value) && std::isnan(v)))) {
            ++at;
        }
    }
    return at == part.size();
}

bool Unchanged(const TTable& t) {
    TTable original;
    Fill(original);
    return SameTable(t, original);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SilentStdout quiet;
    TempFile input(InputBytes(data, size));
    std::vector<TCutPair> cuts;
    const bool readable = ReadsOrFailsByDesign([&] { cuts = ReadCutsFile(input.Path(), kColumns); });
    TTestMaker maker;
    TTable applied;
    Fill(applied);
    Require(ReadsOrFailsByDesign([&] { maker.ApplyCutsFile(applied, input.Path()); }) == readable,
            "the cuts apply where they read");
    TTable reduced;
    Fill(reduced);
    TempFile out;
    if (!readable) {
        Require(Unchanged(applied), "refused cuts change nothing");
        Require(!ReadsOrFailsByDesign([&] { maker.ReduceCutsDynamically(reduced, input.Path(), out.Path()); }),
                "refused cuts are not reduced");
        Require(!std::filesystem::exists(out.Path()) && Unchanged(reduced), "refused cuts write nothing");
        return 0;
    }
    if (cuts.size() > kMostReducedCuts) return 0;
    ResetRandomForTests();
    if (!ReadsOrFailsByDesign([&] { maker.ReduceCutsDynamically(reduced, input.Path(), out.Path()); })) {
        Require(!std::filesystem::exists(out.Path()), "a failed reduction writes nothing");
        return 0;
    }
    Require(Unchanged(reduced), "the reduction leaves the table as it was");
    std::vector<TCutPair> kept;
    Require(ReadsOrFailsByDesign([&] { kept = ReadCutsFile(out.Path(), kColumns); }), "the reduced cuts read");
    Require(InOrder(kept, cuts), "the reduced cuts are some of the cuts, in order");
    TTable train;
    TTable test;
    Fill(train);
    Fill(test, true);
    Require(ReadsOrFailsByDesign([&] {
                maker.ApplyCutsFile(train, out.Path());
                maker.ApplyCutsFile(test, out.Path());
            }),
            "the reduced cuts apply");
    return 0;
}
