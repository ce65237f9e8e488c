#include "core/text_data.h"

#include <functional>
#include <string>

#include "core/alloc_guard.h"
#include "core/binary_int.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/text_scan.h"

namespace {

constexpr int kWordBuffer = 100;
constexpr int kHeaderWidth = 26;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool EndsRow(char c) { return c == '\n' || c == '\r' || c == '\f'; }
// A vertical tab separates words too: it is white space between words everywhere else, and a
// word holding one could not come back from the dictionary file, whose words it would split.
bool Separates(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\v'; }

[[noreturn]] void BadRowLength(const char* input) {
    LogFormat("Error: Bad number of values in row: %s", input);
    throw CalcErrorText(4, input);
}

}  // namespace

void ProgressDots::Before(long long row) {
    if (row > 0 && row % 1000 == 0 && row != marked) {
        marked = row;
        WriteStdout(".");
    }
}

std::string ReadDataFile(const char* name) {
    std::string text;
    if (!ReadWholeFile(name, text)) {
        LogFormat("Error: Can't open file with data: %s", name);
        throw CalcErrorText(6, name);
    }
    return text;
}

void TDictio_VT::Clear() {
    trees.clear();
    names.clear();
    noAttr = 0;
}

void TDictio_VT::MakeColumns(int n) {
    OrOutOfMemory([&] {
        trees.resize(static_cast<size_t>(n));
        names.resize(static_cast<size_t>(n));
    });
    noAttr = n;
}

// A text in memory cannot fail to be read, so kReadFailed never comes from here; a file that
// cannot be read fails when it is opened.
int TDictio_VT::GetString(std::string_view& in, std::string& word, int bufferSize) {
    word.clear();
    size_t p = 0;
    while (p < in.size() && (IsSpace(in[p]) || in[p] == ',')) ++p;
    if (p == in.size()) {
        in.remove_prefix(p);
        return kNoWord;
    }
    for (;;) {
        if (p == in.size()) {
            in.remove_prefix(p);
            return kWordEndsFile;
        }
        const char c = in[p];
        if (EndsRow(c)) {
            in.remove_prefix(p);
            return kWordEndsRow;
        }
        ++p;
        if (Separates(c)) break;
        word += c;
        if (static_cast<int>(word.size()) >= bufferSize - 1) {
            LogMessage("Error: Too long text in file (TDictio_VT::GetString)");
            throw CalcError(4);
        }
    }
    while (p < in.size() && Separates(in[p])) ++p;
    in.remove_prefix(p);
    if (in.empty()) return kWordEndsFile;
    return EndsRow(in.front()) ? kWordEndsRow : kWordMoreOnRow;
}

void TDictio_VT::CountShape(const char* name, bool allRows, int& rows, int& columns) {
    const std::string text = ReadDataFile(name);
    std::string_view in(text);
    std::string word;
    rows = 0;
    columns = 0;
    for (;;) {
        const int r = GetString(in, word, kWordBuffer);
        if (r == kNoWord) break;
        if (rows == 0) ++columns;
        if (r == kWordEndsRow || r == kWordEndsFile) {
            ++rows;
            if (!allRows || r == kWordEndsFile) break;
        }
    }
    if (columns == 0) LogFormat("WARNING:Imported file is empty! (%s)", name);
}

int TDictio_VT::CountColumns(const char* name) {
    int rows = 0;
    int columns = 0;
    CountShape(name, false, rows, columns);
    return columns;
}

void TDictio_VT::CountRowsAndColumns(const char* name, int& rows, int& columns) {
    CountShape(name, true, rows, columns);
}

// Every row, the last one included, must hold a word per column: a word that ends its row
// must stand in the last column and any other word before it, so no word ever reaches past
// the columns.
void TDictio_VT::CreateDictionary(const char* name, int header) {
    LogMessage("Creating dictionary...");
    const int columns = CountColumns(name);
    Clear();
    if (columns == 0) return;
    MakeColumns(columns);
    for (int a = 0; a < columns; ++a) names[static_cast<size_t>(a)] = "Attr" + std::to_string(a);
    const std::string text = ReadDataFile(name);
    std::string_view in(text);
    std::string word;
    ProgressDots dots;
    int row = 1;
    int column = 0;
    for (;;) {
        dots.Before(row);
        const int r = GetString(in, word, kWordBuffer);
        if (r == kNoWord) break;
        const bool endsRow = r == kWordEndsRow || r == kWordEndsFile;
        if (endsRow != (column == noAttr - 1) || column >= noAttr) {
            LogFormat("Error: Bad number of values in row: %i (file: %s)", row, name);
            throw CalcErrorText(6, name);
        }
        auto& tree = trees[static_cast<size_t>(column)];
        if (header >= 1 && row == 1) {
            names[static_cast<size_t>(column)] = word;
        } else if (!tree) {
            tree = OrOutOfMemory([&] { return std::make_unique<TDictioBTree>(word); });
        } else {
            tree->AddElem(word);
        }
        ++column;
        if (r == kWordEndsFile) break;
        if (r == kWordEndsRow) {
            column = 0;
            ++row;
        }
    }
    if (header >= 1) {
        for (const auto& tree : trees) {
            if (tree) continue;
            Clear();
            LogFormat("Error: Bad file with data (no data rows): %s", name);
            throw CalcErrorText(6, name);
        }
    }
    WriteStdout("\n");
    for (const auto& tree : trees) {
        int counter = 0;
        if (tree) tree->AssignCodes(counter);
    }
}

// The output is written row by row into a temporary file, so that it need not fit in memory
// and an output that fails leaves the old file as it was. A word past the last column is a
// row of the wrong length before anything looks it up.
int WriteCodedTable(const char* input, std::string_view in, const char* output, int text, int columns,
                    const std::function<int(int, const std::string&)>& code, ProgressDots* dots) {
    ReplacingFile out;
    auto outputFailed = [&]() {
        LogFormat(text ? "Error: Can't save table to the file: %s" : "Error: Can't save file with binary data: %s", output);
        throw CalcErrorText(7, output);
    };
    if (!out.Open(output, 0644)) outputFailed();
    std::string pending;
    if (text) {
        pending.assign(kHeaderWidth, ' ');
        pending += '\n';
    } else {
        AppendInt32LE(pending, 0);
        AppendInt32LE(pending, columns);
    }
    std::string word;
    int rows = 0;
    int column = 0;
    for (;;) {
        if (dots != nullptr) dots->Before(rows + 1);
        const int r = TDictio_VT::GetString(in, word, kWordBuffer);
        if (r == TDictio_VT::kNoWord) break;
        if (column >= columns) BadRowLength(input);
        const int value = code(column, word);
        if (text) {
            AppendInt(pending, value);
            pending += ' ';
        } else {
            AppendInt32LE(pending, value);
        }
        ++column;
        if (r == TDictio_VT::kWordEndsRow || r == TDictio_VT::kWordEndsFile) {
            if (column != columns) BadRowLength(input);
            ++rows;
            column = 0;
            if (text && r == TDictio_VT::kWordEndsRow) pending += '\n';
            if (!out.Write(pending)) outputFailed();
            pending.clear();
        }
        if (r == TDictio_VT::kWordEndsFile) break;
    }
    if (dots != nullptr) WriteStdout("\n");
    std::string head;
    if (text) {
        head = std::to_string(rows) + ' ' + std::to_string(columns);
    } else {
        AppendInt32LE(head, rows);
    }
    if (!out.Write(pending) || !out.WriteAt(0, head) || !out.Commit()) outputFailed();
    return rows;
}

void TDictio_VT::ImportData(const char* input, const char* output, int text, int skip) const {
    LogMessage("Importing data...");
    const std::string data = ReadDataFile(input);
    std::string_view in(data);
    if (skip >= 1) {
        size_t p = 0;
        while (p < in.size() && !EndsRow(in[p])) ++p;
        in.remove_prefix(p < in.size() ? p + 1 : p);
    }
    WriteCodedTable(input, in, output, text, noAttr, [&](int column, const std::string& word) {
        const TDictioBTree* tree = trees[static_cast<size_t>(column)].get();
        if (tree == nullptr) {
            LogMessage("Bad text value  in TDictioBTree::GetElemInt");
            throw CalcError(5);
        }
        return tree->GetElemInt(word);
    }, nullptr);
}

// A column without words is written as an attribute of no nodes: left out, it would shift
// every later column onto the wrong name and leave a file that does not load.
void TDictio_VT::SaveDictionary(const char* name) const {
    LogMessage("Saving dictionary...");
    std::string text = "Dictionary:\n";
    OrOutOfMemory([&] {
        AppendInt(text, noAttr);
        text += '\n';
        for (int a = 0; a < noAttr; ++a) {
            const TDictioBTree* tree = trees[static_cast<size_t>(a)].get();
            AppendInt(text, tree != nullptr ? tree->GetNoNodes() : 0);
            text += "  ";
            text += names[static_cast<size_t>(a)];
            text += '\n';
            if (tree != nullptr) tree->Save(text);
        }
    });
    if (!ReplaceWholeFile(name, text)) {
        LogFormat("Error: Can't save file with dictionary: %s", name);
        throw CalcErrorText(7, name);
    }
}

// The counts are checked before anything is sized from them, and a file that runs short or
// holds something else where a number or a word belongs is refused as a whole.
void TDictio_VT::LoadDictionary(const char* name) {
    LogMessage("Loading dictionary...");
    std::string text;
    if (!ReadWholeFile(name, text)) {
        LogFormat("Error: Can't load file with dictionary: %s", name);
        throw CalcErrorText(6, name);
    }
    auto badFormat = [&]() {
        Clear();
        LogFormat("Error: Bad format of file with dictionary: %s", name);
        throw CalcError(10);
    };
    TextScanner in(text.data(), text.data() + text.size());
    if (!in.SkipLine(199)) badFormat();
    Clear();
    auto readCount = [&]() {
        int n = 0;
        // Every attribute and every node takes more than one character of the file.
        if (in.ReadInt(n) == TextScanner::Read::Fail || n < 0 || static_cast<size_t>(n) > in.Remaining()) badFormat();
        return n;
    };
    auto readWord = [&](std::string& word) {
        if (!in.ReadWord(word)) badFormat();
    };
    MakeColumns(readCount());
    std::string word;
    for (int a = 0; a < noAttr; ++a) {
        const int nodes = readCount();
        readWord(names[static_cast<size_t>(a)]);
        auto& tree = trees[static_cast<size_t>(a)];
        for (int k = 0; k < nodes; ++k) {
            int code = 0;
            int count = 0;
            if (in.ReadInt(code) == TextScanner::Read::Fail || in.ReadInt(count) == TextScanner::Read::Fail) badFormat();
            readWord(word);
            if (tree) {
                tree->AddElem(code, count, word);
            } else {
                tree = OrOutOfMemory([&] { return std::make_unique<TDictioBTree>(code, count, word); });
            }
        }
    }
}
