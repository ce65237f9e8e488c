#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/binary_table.h"
#include "core/table.h"
#include "core/text_data.h"
#include "tests/support/failure_of.h"
#include "tests/support/small_stack.h"
#include "tests/support/test_files.h"

namespace {

using Words = std::vector<std::pair<std::string, int>>;

Words ReadWords(const std::string& text, int buffer = 100) {
    std::string_view in(text);
    std::string word;
    Words out;
    for (;;) {
        const int r = TDictio_VT::GetString(in, word, buffer);
        out.emplace_back(word, r);
        if (r == TDictio_VT::kNoWord || r == TDictio_VT::kWordEndsFile) return out;
    }
}

TEST(DataWords, SeparatorsRowEndsAndResults) {
    EXPECT_EQ(ReadWords("a,b,,c\n"), (Words{{"a", 0}, {"b", 0}, {"c", 1}, {"", 3}}));
    EXPECT_EQ(ReadWords(" \t,x , \t y\r\n\n\nz\fw"), (Words{{"x", 0}, {"y", 1}, {"z", 1}, {"w", 2}}));
    EXPECT_EQ(ReadWords("p q  "), (Words{{"p", 0}, {"q", 2}}));
    EXPECT_EQ(ReadWords("u\vv \v\n"), (Words{{"u", 0}, {"v", 1}, {"", 3}}));
    EXPECT_EQ(ReadWords(""), (Words{{"", 3}}));
    EXPECT_EQ(ReadWords("é\x80"), (Words{{"é\x80", 2}}));

    const std::string longest(98, 'w');
    EXPECT_EQ(ReadWords(longest + "\n"), (Words{{longest, 1}, {"", 3}}));
    Failure f = FailureOf([&] { ReadWords(longest + "w\n"); });
    EXPECT_EQ(f.code, 4);
    EXPECT_EQ(f.log, "Error: Too long text in file (TDictio_VT::GetString)\n");
}

class TextData : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = dir.File(name);
        WriteFileBytes(path, bytes);
        return path;
    }
};

TEST_F(TextData, CountsColumnsOfTheFirstRowAndRows) {
    int rows = -1;
    int columns = -1;
    TDictio_VT::CountRowsAndColumns(File("a", "\n\n1 2 3\n4 5\n\n6\n").c_str(), rows, columns);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(columns, 3);
    TDictio_VT::CountRowsAndColumns(File("b", "1 2\n3 4").c_str(), rows, columns);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(TDictio_VT::CountColumns(File("c", "x y z w\n" + std::string(200, 'v')).c_str()), 4);

    const std::string empty = File("empty", " \n\t\n");
    Failure f = FailureOf([&] { TDictio_VT::CountRowsAndColumns(empty.c_str(), rows, columns); });
    EXPECT_EQ(f.log, "WARNING:Imported file is empty! (" + empty + ")\n");
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(columns, 0);

    const std::string missing = dir.File("missing");
    Failure open = FailureOf([&] { TDictio_VT::CountColumns(missing.c_str()); });
    EXPECT_EQ(open.code, 6);
    EXPECT_EQ(open.log, "Error: Can't open file with data: " + missing + "\n");
}

TEST_F(TextData, CodesFollowTextOrderShorterFirst) {
    TDictio_VT d;
    testing::internal::CaptureStdout();
    Failure f = FailureOf([&] { d.CreateDictionary(File("data", "10 a\n9 b\n11 a\n9 c\n").c_str(), 0); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n");
    EXPECT_EQ(f.log, "Creating dictionary...\n");
    ASSERT_EQ(d.GetNoAttr(), 2);
    EXPECT_EQ(d.GetName(0), "Attr0");
    EXPECT_EQ(d.GetName(1), "Attr1");
    const TDictioBTree& column = *d.GetTree(0);
    EXPECT_EQ(column.GetElemInt("9"), 0);
    EXPECT_EQ(column.GetElemInt("10"), 1);
    EXPECT_EQ(column.GetElemInt("11"), 2);
    std::string nodes;
    column.Save(nodes);
    EXPECT_EQ(nodes, "   1 1 10\n   0 2 9\n   2 1 11\n");  // pre-order of the insertion tree
    testing::internal::CaptureStdout();
    column.Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1 1 10\n0 2 9\n2 1 11\n");
    EXPECT_EQ(d.GetTree(1)->GetElemText(2), "c");
}

TEST_F(TextData, RowsOfTheWrongLengthAndMissingDataRowsAreRefused) {
    TDictio_VT d;
    testing::internal::CaptureStdout();
    for (const char* bytes : {"a b\nc\n", "a b\nc d e\n", "a b\nc"}) {
        const std::string name = File("bad", bytes);
        Failure f = FailureOf([&] { d.CreateDictionary(name.c_str(), 0); });
        EXPECT_EQ(f.code, 6) << bytes;
        EXPECT_EQ(f.log, "Creating dictionary...\nError: Bad number of values in row: 2 (file: " + name + ")\n");
    }
    const std::string headerOnly = File("header", "name size\n");
    Failure f = FailureOf([&] { d.CreateDictionary(headerOnly.c_str(), 1); });
    EXPECT_EQ(f.code, 6);
    EXPECT_EQ(f.log, "Creating dictionary...\nError: Bad file with data (no data rows): " + headerOnly + "\n");
    EXPECT_EQ(d.GetNoAttr(), 0);
    testing::internal::GetCapturedStdout();
}

TEST_F(TextData, ADotPerThousandRows) {
    std::string bytes;
    for (int r = 0; r < 2500; ++r) bytes += std::to_string(r % 7) + "\n";
    TDictio_VT d;
    testing::internal::CaptureStdout();
    d.CreateDictionary(File("rows", bytes).c_str(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "..\n");
    EXPECT_EQ(d.GetTree(0)->GetNoNodes(), 7);
}

TEST_F(TextData, DictionaryFileEdges) {
    // A column without words keeps its place.
    TDictio_VT d;
    const std::string gap = File("gap.dic", "Dictionary:\n2\n0  first\n1  second\n   4 2 w\n");
    d.LoadDictionary(gap.c_str());
    EXPECT_EQ(d.GetTree(0), nullptr);
    EXPECT_EQ(d.GetName(0), "first");
    d.SaveDictionary(dir.File("saved.dic").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("saved.dic")), ReadFileBytes(gap));

    const std::string repeated = File("rep", "Dictionary:\n1\n2  a\n   0 1 x\n   0 1 y\n");
    Failure f = FailureOf([&] { d.LoadDictionary(repeated.c_str()); });
    EXPECT_EQ(f.code, 4);
    EXPECT_EQ(f.log, "Loading dictionary...\nCritical error in: TDictioBTree::AddElem(int,int,char *)\n");

    for (const char* bytes : {"Dictionary:\n-1\n", "Dictionary:\n2000000000\n1  a\n   0 1 x\n", "Dictionary:\nx\n",
                              "Dictionary:\n1\n2  a\n   0 1 x\n   1 1", "Dictionary:\n1\n-2  a\n", ""}) {
        const std::string name = File("broken", bytes);
        Failure broken = FailureOf([&] { d.LoadDictionary(name.c_str()); });
        EXPECT_EQ(broken.code, 10) << bytes;
        EXPECT_EQ(broken.log, "Loading dictionary...\nError: Bad format of file with dictionary: " + name + "\n");
        EXPECT_EQ(d.GetNoAttr(), 0);
    }
    const std::string missing = dir.File("none");
    Failure open = FailureOf([&] { d.LoadDictionary(missing.c_str()); });
    EXPECT_EQ(open.code, 6);
    EXPECT_EQ(open.log, "Loading dictionary...\nError: Can't load file with dictionary: " + missing + "\n");
    Failure save = FailureOf([&] { d.SaveDictionary(dir.Path().c_str()); });
    EXPECT_EQ(save.code, 7);
    EXPECT_EQ(save.log, "Saving dictionary...\nError: Can't save file with dictionary: " + dir.Path() + "\n");
}

TEST_F(TextData, ImportWritesCodedTablesAsTextOrBinary) {
    const std::string data = File("data", "x y z\nyes no maybe\nno no yes\n");
    TDictio_VT d;
    testing::internal::CaptureStdout();
    d.CreateDictionary(data.c_str(), 1);
    testing::internal::GetCapturedStdout();
    const std::string text = dir.File("t.tab");
    Failure f = FailureOf([&] { d.ImportData(data.c_str(), text.c_str(), 1, 1); });
    EXPECT_EQ(f.log, "Importing data...\n");
    // Shorter words come first: no 0, yes 1 in the first column; yes 0, maybe 1 in the last.
    EXPECT_EQ(ReadFileBytes(text), "2 3" + std::string(23, ' ') + "\n1 0 1 \n0 0 0 \n");
    const std::string binary = dir.File("t.bin");
    d.ImportData(data.c_str(), binary.c_str(), 0, 1);
    EXPECT_EQ(ReadFileBytes(binary), std::string("\2\0\0\0\3\0\0\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32));

    // Without the skip flag the header row is data, and its words are unknown.
    Failure unknown = FailureOf([&] { d.ImportData(data.c_str(), text.c_str(), 1, 0); });
    EXPECT_EQ(unknown.code, 5);
    EXPECT_EQ(unknown.log, "Importing data...\nBad text value  in TDictioBTree::GetElemInt\n");
    EXPECT_EQ(ReadFileBytes(text).substr(0, 3), "2 3");  // a failed import leaves the old file

    for (const char* bytes : {"h\nno no\n", "h\nno no yes no\n", "h\nno no"}) {
        const std::string bad = File("bad", bytes);
        Failure length = FailureOf([&] { d.ImportData(bad.c_str(), text.c_str(), 1, 1); });
        EXPECT_EQ(length.code, 4) << bytes;
        EXPECT_EQ(length.log, "Importing data...\nError: Bad number of values in row: " + bad + "\n");
    }
    Failure output = FailureOf([&] { d.ImportData(data.c_str(), "/dev/full", 0, 1); });
    EXPECT_EQ(output.code, 7);
    EXPECT_EQ(output.log, "Importing data...\nError: Can't save file with binary data: /dev/full\n");
    const std::string noFolder = dir.File("none/t.tab");
    Failure open = FailureOf([&] { d.ImportData(data.c_str(), noFolder.c_str(), 1, 1); });
    EXPECT_EQ(open.code, 7);
    EXPECT_EQ(open.log, "Importing data...\nError: Can't save table to the file: " + noFolder + "\n");
}

std::vector<std::vector<std::string>> DecodedTable(const std::string& name, const TDictio_VT& d) {
    TTable t;
    t.Load(name.c_str());
    std::vector<std::vector<std::string>> rows;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        rows.emplace_back();
        for (int a = 0; a < t.GetNoAttr(); ++a) rows.back().push_back(d.GetTree(a)->GetElemText(t.GetTable(o, a)));
    }
    return rows;
}

TEST_F(TextData, WordsComeBackThroughSavedDictionaryTextTableAndBinarySplit) {
    std::mt19937 gen(29);
    std::vector<std::vector<std::string>> words;
    std::string bytes = "shade,size,tag,class\n";
    for (int r = 0; r < 3000; ++r) {
        words.push_back({"s" + std::to_string(gen() % 30), std::to_string(gen() % 1000), std::to_string(r),
                         gen() % 3 ? "yes" : "no"});
        for (size_t a = 0; a < 4; ++a) bytes += words.back()[a] + (a == 3 ? "\n" : gen() % 2 ? " " : ",\t");
    }
    const std::string data = File("data", bytes);
    const std::string dictionary = dir.File("d.dic");
    testing::internal::CaptureStdout();
    {
        TDictio_VT d;
        d.CreateDictionary(data.c_str(), 1);
        d.SaveDictionary(dictionary.c_str());
    }
    TDictio_VT d;
    EXPECT_EQ(FailureOf([&] { d.LoadDictionary(dictionary.c_str()); }).log, "Loading dictionary...\n");
    EXPECT_EQ(d.GetName(0), "shade");
    const std::string again = dir.File("again.dic");
    EXPECT_EQ(FailureOf([&] { d.SaveDictionary(again.c_str()); }).log, "Saving dictionary...\n");
    EXPECT_EQ(ReadFileBytes(again), ReadFileBytes(dictionary));
    const std::string text = dir.File("t.tab");
    d.ImportData(data.c_str(), text.c_str(), 1, 1);
    EXPECT_EQ(DecodedTable(text, d), words);

    const std::string binary = dir.File("t.bin");
    d.ImportData(data.c_str(), binary.c_str(), 0, 1);
    TBTable table;
    table.Assign(binary.c_str());
    table.SplitTable(0.3, dir.File("p1.bin").c_str(), dir.File("p2.bin").c_str());
    std::vector<std::vector<std::string>> parts[2];
    for (int p = 0; p < 2; ++p) {
        TBTable part;
        part.Assign(dir.File("p" + std::to_string(p + 1) + ".bin").c_str());
        part.SaveTextTable(dir.File("p.tab").c_str());
        parts[p] = DecodedTable(dir.File("p.tab"), d);
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(parts[0].size(), 900u);
    EXPECT_EQ(parts[1].size(), 2100u);
    // Each part keeps file order (the third column numbers the rows); together they are all.
    std::vector<bool> seen(words.size(), false);
    for (const auto& part : parts) {
        int previous = -1;
        for (const auto& row : part) {
            const int r = std::stoi(row[2]);
            EXPECT_GT(r, previous);
            previous = r;
            EXPECT_FALSE(seen[static_cast<size_t>(r)]);
            seen[static_cast<size_t>(r)] = true;
            EXPECT_EQ(row, words[static_cast<size_t>(r)]);
        }
    }
}

// The plain unbalanced tree of the words, as a search from the root builds it.
struct PlainNode {
    std::string text;
    int count = 1;
    int code = 0;
    std::unique_ptr<PlainNode> left, right;
};

void PlainAdd(std::unique_ptr<PlainNode>& root, const std::string& text) {
    std::unique_ptr<PlainNode>* at = &root;
    while (*at) {
        const int c = TDictioBTree::CompareText(text, (*at)->text);
        if (c == 0) {
            ++(*at)->count;
            return;
        }
        at = c < 0 ? &(*at)->left : &(*at)->right;
    }
    *at = std::make_unique<PlainNode>();
    (*at)->text = text;
}

void PlainLines(const PlainNode* node, int& code, std::map<const PlainNode*, int>& codes) {
    if (node == nullptr) return;  // small trees only
    PlainLines(node->left.get(), code, codes);
    codes[node] = code++;
    PlainLines(node->right.get(), code, codes);
}

std::string PlainSave(const PlainNode* node, const std::map<const PlainNode*, int>& codes) {
    if (node == nullptr) return "";
    return "   " + std::to_string(codes.at(node)) + " " + std::to_string(node->count) + " " + node->text + "\n" +
           PlainSave(node->left.get(), codes) + PlainSave(node->right.get(), codes);
}

TEST(DictioTree, IndexedInsertionBuildsThePlainTree) {
    std::mt19937 gen(41);
    for (int round = 0; round < 60; ++round) {
        std::unique_ptr<PlainNode> plain;
        std::unique_ptr<TDictioBTree> tree;
        const int n = 1 + static_cast<int>(gen() % 300);
        for (int i = 0; i < n; ++i) {
            std::string word = std::to_string(static_cast<int>(gen() % 500) - 100);
            if (round % 3 == 0) word = std::to_string(i / 2);  // ascending, as a sorted column
            if (round % 3 == 1 && gen() % 4 == 0) word += static_cast<char>(0x80 + gen() % 50);
            PlainAdd(plain, word);
            if (tree) {
                tree->AddElem(word);
            } else {
                tree = std::make_unique<TDictioBTree>(word);
            }
        }
        int counter = 0;
        tree->AssignCodes(counter);
        int plainCounter = 0;
        std::map<const PlainNode*, int> codes;
        PlainLines(plain.get(), plainCounter, codes);
        std::string saved;
        tree->Save(saved);
        ASSERT_EQ(saved, PlainSave(plain.get(), codes)) << round;
        EXPECT_EQ(counter, tree->GetNoNodes());
        for (const auto& [node, code] : codes) {
            EXPECT_EQ(tree->GetElemInt(node->text), code);
            EXPECT_EQ(tree->GetElemText(code), node->text);
        }
    }
}

TEST(DictioTree, TreeLoadedOutOfTextOrderIsSearchedAsItStands) {
    // Codes ascend with the texts reversed: a search by text goes the wrong way at the root.
    TDictioBTree root(1, 1, "b");
    root.AddElem(0, 1, "c");
    root.AddElem(2, 1, "a");
    EXPECT_EQ(root.GetElemText(0), "c");
    EXPECT_EQ(root.GetElemInt("b"), 1);
    Failure f = FailureOf([&] { root.GetElemInt("a"); });
    EXPECT_EQ(f.code, 5);
    // A word added by text goes where the search by text ends: "aa" below "a", and "c",
    // not found on the right of "b", a second time below "aa".
    EXPECT_EQ(root.AddElem("aa"), 1);
    EXPECT_EQ(root.AddElem("c"), 1);
    std::string saved;
    root.Save(saved);
    EXPECT_EQ(saved, "   1 1 b\n   0 1 c\n   2 1 a\n   0 1 aa\n   0 1 c\n");
    EXPECT_EQ(FailureOf([&] { root.GetElemText(7); }).log, "Bad integer value  in TDictioBTree::GetElemText\n");
}

TEST_F(TextData, SortedColumnOfAHundredThousandWordsNeedsNoDeepStack) {
    std::string bytes;
    for (int r = 0; r < 100000; ++r) bytes += std::to_string(r) + " " + std::to_string(100000 - r) + "\n";
    const std::string data = File("sorted", bytes);
    const std::string dictionary = dir.File("d.dic");
    testing::internal::CaptureStdout();
    RunOnSmallStack(256 * 1024, [&] {
        TDictio_VT d;
        d.CreateDictionary(data.c_str(), 0);
        d.SaveDictionary(dictionary.c_str());
        TDictio_VT loaded;
        loaded.LoadDictionary(dictionary.c_str());
        EXPECT_EQ(loaded.GetTree(0)->GetElemInt("99999"), 99999);
        EXPECT_EQ(loaded.GetTree(1)->GetElemText(0), "1");
        loaded.Clear();
    });
    testing::internal::GetCapturedStdout();
    const std::string saved = ReadFileBytes(dictionary);
    EXPECT_EQ(saved.substr(0, 43), "Dictionary:\n2\n100000  Attr0\n   0 1 0\n   1 1");
}

}  // namespace
