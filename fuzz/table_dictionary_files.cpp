#include "fuzz/table_dictionary_files.h"

#include <cstring>

#include "core/dictio_set.h"
#include "fuzz/fuzz_support.h"

namespace {

bool SameSet(const TDictioSet& a, const TDictioSet& b) {
    if (a.GetNoAttr() != b.GetNoAttr()) return false;
    for (int i = 0; i < a.GetNoAttr(); ++i) {
        if (std::strcmp(a.GetAttrName(i), b.GetAttrName(i)) != 0) return false;
        if (a.GetCount(i) != b.GetCount(i)) return false;
        for (int j = 0; j < a.GetCount(i); ++j) {
            if (std::strcmp(a.GetTextAt(i, j), b.GetTextAt(i, j)) != 0) return false;
            if (a.GetCodeAt(i, j) != b.GetCodeAt(i, j)) return false;
        }
    }
    return true;
}

bool NamesFitTheFile(const TDictioSet& set) {
    for (int i = 0; i < set.GetNoAttr(); ++i) {
        const char* name = set.GetAttrName(i);
        const size_t n = std::strlen(name);
        if (n > 0 && name[n - 1] == '\r') return false;
    }
    return true;
}

}  // namespace

void RequireTableDictionaryRoundTrip(const TDictioSet& set) {
    TempFile first, second;
    TDictioSet reread;
    Require(ReadsOrFailsByDesign([&] {
                set.Save(first.Path());
                reread.Load(first.Path());
                reread.Save(second.Path());
            }),
            "a saved dictionary loads");
    if (!NamesFitTheFile(set)) return;
    Require(SameSet(set, reread), "dictionary entries");
    Require(first.Bytes() == second.Bytes(), "dictionary file bytes");
}
