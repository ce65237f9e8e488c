// The text-data reader: a word file gets its dictionary (without and with a header row) and is
// coded as a table text file and as a binary table. Both must hold the same table, of the
// counted shape, whose codes decode to words that code back to them; the dictionary, saved
// and loaded, must code the file to the same bytes.
#include <string>

#include "core/binary_table.h"
#include "core/table.h"
#include "core/text_data.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SilentStdout quiet;
    TempFile input(InputBytes(data, size));
    for (int header : {0, 1}) {
        TDictio_VT dictionary;
        TempFile text(".tab");
        TempFile binary(".bin");
        if (!ReadsOrFailsByDesign([&] {
                dictionary.CreateDictionary(input.Path(), header);
                dictionary.ImportData(input.Path(), text.Path(), 1, header);
            })) {
            continue;
        }
        TTable coded;
        TempFile fromBinary(".tab");
        Require(ReadsOrFailsByDesign([&] {
                    coded.Load(text.Path());
                    dictionary.ImportData(input.Path(), binary.Path(), 0, header);
                    TBTable table;
                    table.Assign(binary.Path());
                    table.SaveTextTable(fromBinary.Path());
                }),
                "a coded table loads");
        Require(coded.GetNoAttr() == dictionary.GetNoAttr() || coded.GetNoObj() == 0, "coded table columns");
        TTable viaBinary;
        Require(ReadsOrFailsByDesign([&] { viaBinary.Load(fromBinary.Path()); }), "a binary table's text loads");
        Require(SameTable(coded, viaBinary), "text and binary coding");
        Require(ReadsOrFailsByDesign([&] {
                    for (int o = 0; o < coded.GetNoObj(); ++o) {
                        for (int a = 0; a < coded.GetNoAttr(); ++a) {
                            const TDictioBTree* tree = dictionary.GetTree(a);
                            const std::string& word = tree->GetElemText(coded.GetTable(o, a));
                            Require(tree->GetElemInt(word) == coded.GetTable(o, a), "a decoded word codes back");
                        }
                    }
                }),
                "every code decodes");
        TempFile saved(".dic");
        TempFile again(".tab");
        TDictio_VT loaded;
        Require(ReadsOrFailsByDesign([&] {
                    dictionary.SaveDictionary(saved.Path());
                    loaded.LoadDictionary(saved.Path());
                    loaded.ImportData(input.Path(), again.Path(), 1, header);
                }),
                "a saved dictionary codes the file");
        Require(again.Bytes() == text.Bytes(), "coding by the loaded dictionary");
    }
    return 0;
}
