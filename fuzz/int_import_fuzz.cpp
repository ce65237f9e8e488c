// The import of integer text data, as a binary table and as a table text file. A plain
// reading of the file gives what both must hold: rows at line feeds, carriage returns and
// form feeds (empty ones skipped), words between blanks, tabs, vertical tabs and commas, each
// word its leading integer (clamped to the int range), as many words in every row as in the
// first. A file that reading refuses (a row of another length, a word of 99 characters or
// more) must be refused by both imports and leave no output; otherwise both outputs load as
// those rows, and the table text file saved back from each gives the same bytes.
#include <filesystem>
#include <string>
#include <vector>

#include "core/binary_table.h"
#include "core/table.h"
#include "core/text_number.h"
#include "fuzz/fuzz_support.h"

namespace {

using Rows = std::vector<std::vector<int>>;

constexpr size_t kLongestWord = 98;

bool EndsRow(char c) { return c == '\n' || c == '\r' || c == '\f'; }
bool Separates(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\v'; }

// False when the file must be refused.
bool ReadPlainly(const std::string& bytes, Rows& rows) {
    std::vector<int> row;
    std::string word;
    auto endWord = [&] {
        if (word.empty()) return true;
        if (word.size() > kLongestWord) return false;
        row.push_back(TextToInt(word.c_str()));
        word.clear();
        return true;
    };
    for (size_t i = 0; i <= bytes.size(); ++i) {
        const bool end = i == bytes.size();
        const char c = end ? '\n' : bytes[i];
        if (!EndsRow(c) && !Separates(c)) {
            word += c;
            if (word.size() > kLongestWord) return false;
            continue;
        }
        if (!endWord()) return false;
        if (!EndsRow(c) || row.empty()) continue;
        if (!rows.empty() && row.size() != rows.front().size()) return false;
        rows.push_back(row);
        row.clear();
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SilentStdout quiet;
    const std::string bytes = InputBytes(data, size);
    TempFile input(bytes);
    Rows expected;
    const bool readable = ReadPlainly(bytes, expected);
    TempFile text(".tab");
    TempFile binary(".bin");
    TBTable importer;
    const bool textImported = ReadsOrFailsByDesign([&] { importer.ImportIntData(input.Path(), text.Path(), 1); });
    const bool binaryImported = ReadsOrFailsByDesign([&] { importer.ImportIntData(input.Path(), binary.Path(), 0); });
    Require(textImported == readable && binaryImported == readable, "an import refuses exactly the unreadable files");
    if (!readable) {
        Require(!std::filesystem::exists(text.Path()) && !std::filesystem::exists(binary.Path()), "a refused import leaves no file");
        return 0;
    }
    TTable fromText;
    TBTable fromBinary;
    fromBinary.Assign(binary.Path());
    TempFile savedText(".tab");
    TempFile savedBinary(".tab");
    Require(ReadsOrFailsByDesign([&] {
                fromText.Load(text.Path());
                fromText.Save(savedText.Path());
                fromBinary.SaveTextTable(savedBinary.Path());
            }),
            "imported tables load");
    Require(RowsOf(fromText) == expected, "the table text file holds the rows");
    const int columns = expected.empty() ? 0 : static_cast<int>(expected.front().size());
    Require(fromBinary.GetNoObj() == static_cast<int>(expected.size()) && fromBinary.GetNoAttr() == columns,
            "the binary table's shape");
    Require(ReadsOrFailsByDesign([&] {
                for (int o = 0; o < fromBinary.GetNoObj(); ++o) {
                    fromBinary.GetObjFromFile(o == 0 ? 0 : 1);
                    for (int a = 0; a < columns; ++a) {
                        Require(fromBinary.GetCurObjval(a) == expected[static_cast<size_t>(o)][static_cast<size_t>(a)],
                                "the binary table holds the rows");
                    }
                }
            }),
            "the binary table's rows read");
    Require(savedText.Bytes() == savedBinary.Bytes(), "both imports save as the same table text file");
    return 0;
}
