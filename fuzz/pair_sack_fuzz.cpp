// The pair sack's two stream forms: the input is read as text and as binary; each sack read
// is written in the same form and read back, which must give the same pairs and, written
// again, the same bytes.
#include <sstream>
#include <utility>
#include <vector>

#include "core/pair_sack.h"
#include "fuzz/fuzz_support.h"

namespace {

std::vector<std::pair<int, int>> Pairs(const TInt2Sack& sack) {
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < sack.GetNoElem(); ++i) {
        int a = 0;
        int b = 0;
        sack.GetElem(i, a, b);
        pairs.emplace_back(a, b);
    }
    return pairs;
}

std::string Written(const TInt2Sack& sack, int binary) {
    std::ostringstream out;
    sack.Write(out, binary);
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes = InputBytes(data, size);
    for (int binary : {0, 1}) {
        TInt2Sack sack;
        std::istringstream in(bytes);
        if (!ReadsOrFailsByDesign([&] { sack.Read(in, binary); })) continue;
        const std::string first = Written(sack, binary);
        TInt2Sack reread;
        std::istringstream back(first);
        Require(ReadsOrFailsByDesign([&] { reread.Read(back, binary); }), "a written pair sack reads");
        Require(Pairs(reread) == Pairs(sack), "pairs of a written sack");
        Require(Written(reread, binary) == first, "pair sack bytes");
    }
    return 0;
}
