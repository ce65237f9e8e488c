// The integer sack file: loaded, saved and loaded back, which must give the same integers
// and, saved again, the same bytes.
#include <vector>

#include "core/int_sack.h"
#include "fuzz/fuzz_support.h"

namespace {

std::vector<int> Elements(const TIntSack& sack) { return std::vector<int>(sack.begin(), sack.end()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TIntSack sack;
    if (!ReadsOrFailsByDesign([&] { sack.Load(input.Path()); })) return 0;
    TempFile first, second;
    TIntSack reread;
    Require(ReadsOrFailsByDesign([&] {
                sack.Save(first.Path());
                reread.Load(first.Path());
                reread.Save(second.Path());
            }),
            "a saved sack loads");
    Require(Elements(reread) == Elements(sack), "sack elements");
    Require(first.Bytes() == second.Bytes(), "sack file bytes");
    return 0;
}
