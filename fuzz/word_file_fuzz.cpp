// A text data file of words imported into a table dictionary in each encoding mode, with the
// coded output: every code of a data row must turn back into a text of that code in its
// column, and the dictionary must survive a save and load (RequireTableDictionaryRoundTrip).
#include <sstream>
#include <string>

#include "core/dictio_set.h"
#include "fuzz/table_dictionary_files.h"
#include "fuzz/fuzz_support.h"

namespace {

void RequireCodesOfRows(const TDictioSet& set, const std::string& coded) {
    std::istringstream lines(coded);
    std::string line;
    // The first row leaves out its names, so its columns are not known from the line alone.
    bool first = true;
    while (std::getline(lines, line)) {
        std::istringstream row(line);
        int column = 0;
        for (int code; row >> code; ++column) {
            Require(column < set.GetNoAttr(), "codes in a row");
            if (first) continue;
            int back = 0;
            Require(ReadsOrFailsByDesign([&] {
                        back = set.GetCodeForText(column, set.GetTextForCode(column, code));
                    }),
                    "a written code is in its column");
            Require(back == code, "a written code turns back into its text");
        }
        Require(row.eof(), "only codes in the output");
        Require(first || column == set.GetNoAttr(), "one code per column");
        first = false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    for (int mode = 0; mode < 3; ++mode) {
        TDictioSet set;
        TempFile coded;
        if (!ReadsOrFailsByDesign([&] { set.ImportData(input.Path(), mode, coded.Path()); })) continue;
        RequireCodesOfRows(set, coded.Bytes());
        RequireTableDictionaryRoundTrip(set);
    }
    return 0;
}
