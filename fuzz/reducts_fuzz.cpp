// The reducts file ("REDUCTS (" layout): read, written in both reduct layouts, and read back,
// which must give the same reducts in the same order and, written again, the same bytes of
// both files. The counters are not read, so they come back as written from the reread.
#include <vector>

#include "core/int_sack.h"
#include "fuzz/fuzz_support.h"
#include "rough/reducts/red_memory.h"

namespace {

std::vector<std::vector<int>> Reducts(const TRedMemory& memory) {
    std::vector<std::vector<int>> out;
    for (int i = 0; i < memory.GetNoRed(); ++i) {
        const TIntSack& attrs = *memory.GetReduct(i);
        out.emplace_back(attrs.begin(), attrs.end());
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SilentStdout quiet;  // a reduct without "{" is reported on standard output
    TempFile input(InputBytes(data, size));
    TRedMemory memory;
    if (!ReadsOrFailsByDesign([&] { memory.LoadReducts(input.Path()); })) return 0;
    TempFile counted, compact, countedAgain, compactAgain;
    TRedMemory reread;
    Require(ReadsOrFailsByDesign([&] {
                memory.SaveReducts(counted.Path());
                memory.SaveReductsCompact(compact.Path());
                reread.LoadReducts(counted.Path());
                reread.SaveReducts(countedAgain.Path());
                reread.SaveReductsCompact(compactAgain.Path());
            }),
            "written reducts read back");
    Require(Reducts(reread) == Reducts(memory), "reducts and their order");
    Require(counted.Bytes() == countedAgain.Bytes(), "reducts file bytes");
    Require(compact.Bytes() == compactAgain.Bytes(), "compact reducts file bytes");
    return 0;
}
