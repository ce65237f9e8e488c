// The dictionary file of the text-data reader: loaded, saved and loaded back, which must give
// the same names, trees and, saved again, the same bytes.
#include <string>

#include "core/text_data.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TDictio_VT dictionary;
    if (!ReadsOrFailsByDesign([&] { dictionary.LoadDictionary(input.Path()); })) return 0;
    TempFile first;
    TempFile second;
    TDictio_VT reread;
    Require(ReadsOrFailsByDesign([&] {
                dictionary.SaveDictionary(first.Path());
                reread.LoadDictionary(first.Path());
                reread.SaveDictionary(second.Path());
            }),
            "a saved dictionary loads");
    Require(first.Bytes() == second.Bytes(), "dictionary file bytes");
    Require(reread.GetNoAttr() == dictionary.GetNoAttr(), "dictionary columns");
    for (int a = 0; a < reread.GetNoAttr(); ++a) {
        Require(reread.GetName(a) == dictionary.GetName(a), "dictionary names");
        const TDictioBTree* tree = reread.GetTree(a);
        Require((tree == nullptr) == (dictionary.GetTree(a) == nullptr), "dictionary trees");
        if (tree != nullptr) Require(tree->GetNoNodes() == dictionary.GetTree(a)->GetNoNodes(), "dictionary nodes");
    }
    return 0;
}
