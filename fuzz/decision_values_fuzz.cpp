// The decision-value statistics file: loaded, saved and loaded back, which must give the same
// values, counts and measures and, saved again, the same bytes.
#include "core/decision_values.h"
#include "fuzz/fuzz_support.h"

namespace {

bool SameStatistics(const TDValInfo& a, const TDValInfo& b) {
    if (a.GetNoDecVal() != b.GetNoDecVal() || a.GetAccuracy() != b.GetAccuracy() ||
        a.GetCoverage() != b.GetCoverage()) {
        return false;
    }
    for (int i = 0; i < a.GetNoDecVal(); ++i) {
        if (a.GetDecVal(i) != b.GetDecVal(i) || a.GetDCNoObj(i) != b.GetDCNoObj(i) ||
            a.GetDistrib(i) != b.GetDistrib(i) || a.GetDecValCov(i) != b.GetDecValCov(i)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TDValInfo read;
    if (!ReadsOrFailsByDesign([&] { read.Load(input.Path()); })) return 0;
    TempFile first, second;
    TDValInfo reread;
    Require(ReadsOrFailsByDesign([&] {
                read.Save(first.Path());
                reread.Load(first.Path());
                reread.Save(second.Path());
            }),
            "saved statistics load");
    Require(first.Bytes() == second.Bytes(), "statistics file bytes");
    TDValInfo again;
    Require(ReadsOrFailsByDesign([&] { again.Load(second.Path()); }), "saved statistics load again");
    Require(SameStatistics(again, reread), "statistics of a saved file");
    return 0;
}
