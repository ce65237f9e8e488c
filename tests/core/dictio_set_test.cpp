#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/dict_error.h"
#include "core/dictio_set.h"
#include "core/table.h"
#include "tests/support/test_files.h"
#include "tests/support/thrown_error.h"

namespace {

const char* const kWeather =
    "[outlook] [temperature] [humidity] [windy] [play]\n"
    "sunny 85 85 FALSE no\n"
    "sunny 80 90 TRUE no\n"
    "overcast 83.5 86 FALSE yes\n"
    "rainy 70 96 FALSE yes\n"
    "rainy 68 80 FALSE yes\n"
    "rainy 65 70 TRUE no\n"
    "overcast 64 65 TRUE yes\n"
    "sunny 72 95 FALSE no\n"
    "sunny 69 70 FALSE yes\n"
    "rainy 75 80 FALSE yes\n"
    "sunny 75 70 TRUE yes\n"
    "overcast 72 90 TRUE yes\n"
    "overcast 81 75 FALSE yes\n"
    "rainy 71 91 TRUE no\n";

std::vector<std::vector<std::string>> Words(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : TextLines(text)) {
        std::istringstream in(line);
        rows.emplace_back();
        for (std::string w; in >> w;) rows.back().push_back(w);
    }
    return rows;
}

// The whole chain: import in each mode with an output file, every output code turned back
// into its word, then save and load into a fresh set.
TEST(TDictioSet, WeatherImportSaveLoadInEveryMode) {
    const std::vector<std::string> firstRows[3] = {
        {"0 0 0 0 0 ", "0 1 1 1 0 ", "1 2 2 0 1 "},
        {"0 0 85 0 0 ", "0 1 90 1 0 ", "1 2 86 0 1 "},
        {"0 850 85 0 0 ", "0 800 90 1 0 ", "1 835 86 0 1 "},
    };
    for (int mode = 0; mode < 3; ++mode) {
        ScratchDir dir;
        WriteFileBytes(dir.File("weather.txt"), kWeather);
        TDictioSet set;
        set.ImportData(dir.File("weather.txt").c_str(), mode, dir.File("coded").c_str());
        ASSERT_EQ(set.GetNoAttr(), 5);
        EXPECT_STREQ(set.GetAttrName(1), "temperature");
        EXPECT_EQ(set.GetAttrIndex("play"), 4);
        const auto codes = Words(ReadFileBytes(dir.File("coded")));
        const auto words = Words(kWeather);
        ASSERT_EQ(codes.size(), words.size());
        EXPECT_TRUE(codes[0].empty());
        const std::vector<std::string> lines = TextLines(ReadFileBytes(dir.File("coded")));
        for (int r = 0; r < 3; ++r) EXPECT_EQ(lines[r + 1], firstRows[mode][r]) << mode;
        for (size_t r = 1; r < codes.size(); ++r) {
            ASSERT_EQ(codes[r].size(), 5u);
            for (int c = 0; c < 5; ++c) {
                EXPECT_EQ(set.GetTextForCode(c, std::stoi(codes[r][c])), words[r][c]);
                EXPECT_EQ(std::to_string(set.GetCodeForText(set.GetAttrName(c), words[r][c].c_str())),
                          codes[r][c]);
            }
        }
        set.Save(dir.File("dict").c_str());
        TDictioSet loaded;
        loaded.Load(dir.File("dict").c_str());
        ASSERT_EQ(loaded.GetNoAttr(), 5);
        for (int a = 0; a < 5; ++a) {
            EXPECT_STREQ(loaded.GetAttrName(a), set.GetAttrName(a));
            ASSERT_EQ(loaded.GetCount(a), set.GetCount(a));
            for (int j = 0; j < set.GetCount(a); ++j) {
                EXPECT_STREQ(loaded.GetTextAt(a, j), set.GetTextAt(a, j));
                EXPECT_EQ(loaded.GetCodeAt(a, j), set.GetCodeAt(a, j));
            }
        }
        loaded.Save(dir.File("dict2").c_str());
        EXPECT_EQ(ReadFileBytes(dir.File("dict2")), ReadFileBytes(dir.File("dict")));
    }
}

TEST(TDictioSet, SavedFileLayout) {
    ScratchDir dir;
    WriteFileBytes(dir.File("in"), "[a] [b]\nx 1.25\ny 3\nx 3\n");
    TDictioSet set;
    set.ImportData(dir.File("in").c_str(), 2);
    set.Save(dir.File("dict").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("dict")), "a\n\tx\t0\n\ty\t1\nb\n\t1.25\t125\n\t3\t300\n");
    const mode_t mask = umask(0);
    set.Save(dir.File("fresh").c_str());
    umask(mask);
    struct stat st;
    ASSERT_EQ(stat(dir.File("fresh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(TDictioSet, PlainFirstLineIsDataAndBracketsLaterAreValues) {
    ScratchDir dir;
    WriteFileBytes(dir.File("in"), "0.7 2.5 q\r\n3 7 [w]\n\nignored after the empty line\n");
    TDictioSet set;
    set.ImportData(dir.File("in").c_str(), 2, dir.File("out").c_str());
    ASSERT_EQ(set.GetNoAttr(), 3);
    EXPECT_STREQ(set.GetAttrName(0), "0");
    EXPECT_STREQ(set.GetAttrName(2), "2");
    EXPECT_EQ(set.GetCodeForText(0, "0.7"), 6);  // the single-precision 0.7 lies below 0.7
    EXPECT_EQ(set.GetCodeForText(0, "3"), 30);
    EXPECT_EQ(set.GetCodeForText(2, "w"), 1);  // a string column keeps positions
    EXPECT_EQ(set.GetCodeForText(1, "2.5"), 25);
    EXPECT_EQ(set.GetCodeForText(1, "7"), 70);
    EXPECT_EQ(ReadFileBytes(dir.File("out")), "6 25 0 \n30 70 1 \n");
    // The output may replace the data file itself: both passes read it before it is written.
    set.ImportData(dir.File("in").c_str(), 2, dir.File("in").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("in")), "6 25 0 \n30 70 1 \n");
}

TEST(TDictioSet, NotAMatrixKeepsWhatWasRead) {
    for (const char* data : {"[a] [b]\n1 2\n3\n", "[a] [b]\n1 2\n3 4 5\n", "1\n2 3\n"}) {
        ScratchDir dir;
        WriteFileBytes(dir.File("in"), data);
        TDictioSet set;
        Error e = ThrownError([&] { set.ImportData(dir.File("in").c_str(), 1, dir.File("o").c_str()); });
        EXPECT_EQ(e.GetCode(), 10);
        EXPECT_STREQ(e.GetMessage(), "Error: Data must be in a form of matrix with no missing elements!!!");
        EXPECT_GE(set.GetNoAttr(), 1);
        EXPECT_EQ(set.GetCodeForText(0, "1"), 0);  // read, and not converted
        EXPECT_FALSE(FileExists(dir.File("o")));
    }
}

TEST(TDictioSet, ImportLogsAndChecksItsFiles) {
    ScratchDir dir;
    std::string data = "[id]\n";
    for (int k = 0; k < 2500; ++k) data += "n" + std::to_string(k) + "\n";
    WriteFileBytes(dir.File("in"), data);
    TDictioSet set;
    {
        LogCapture log;
        set.ImportData(dir.File("in").c_str(), 1);
        EXPECT_EQ(log.Text(), "Importing 1000th line\nImporting 2000th line\nEncoding...\n");
    }
    EXPECT_EQ(set.GetCount(0), 2500);
    {
        LogCapture log;
        set.ImportData(dir.File("in").c_str(), 0);
        EXPECT_EQ(log.Text(), "Importing 1000th line\nImporting 2000th line\n");
    }
    Error e = ThrownError([&] { set.ImportData(dir.File("in").c_str(), 0, "/dev/full"); });
    EXPECT_EQ(e.GetCode(), 7);
    EXPECT_STREQ(e.GetMessage(), "Error: Can not save the file... /dev/full");
    EXPECT_EQ(ThrownError([&] { set.ImportData(dir.Path().c_str(), 0, dir.File("x").c_str()); })
                  .GetCode(), 6);
    EXPECT_EQ(ThrownError([&] { set.ImportData(dir.File("in").c_str(), 0, dir.Path().c_str()); })
                  .GetCode(), 7);
    WriteFileBytes(dir.File("big"), "1\n3000000000\n");
    EXPECT_EQ(ThrownError([&] { set.ImportData(dir.File("big").c_str(), 1); }).GetCode(), 5);
    WriteFileBytes(dir.File("bigreal"), "1.5\n300000000.5\n");
    EXPECT_EQ(ThrownError([&] { set.ImportData(dir.File("bigreal").c_str(), 2); }).GetCode(), 5);
}

TEST(TDictioSet, LoadRejectsBadLayouts) {
    ScratchDir dir;
    auto load = [&](const std::string& bytes, TDictioSet& set) {
        WriteFileBytes(dir.File("dict"), bytes);
        return ThrownError([&] { set.Load(dir.File("dict").c_str()); });
    };
    TDictioSet set;
    Error e = load("a\n\tx\t0\n\tthree tokens\t1\n", set);
    EXPECT_EQ(e.GetCode(), 10);
    EXPECT_STREQ(e.GetMessage(),
                 "Error: Bad format of dictionary!!! (contains more than two elements in one row)");
    ASSERT_EQ(set.GetNoAttr(), 1);  // kept what was read
    EXPECT_EQ(set.GetCount(0), 1);
    EXPECT_EQ(load("\tx\t0\na\n", set).GetCode(), 5);
    EXPECT_EQ(set.GetNoAttr(), 0);
    EXPECT_EQ(load("a\n\tx\t99999999999\n", set).GetCode(), 5);
    const std::string missing = dir.File("none");
    e = ThrownError([&] { set.Load(missing.c_str()); });
    EXPECT_EQ(e.GetCode(), 6);
    EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not open the file... " + missing);
    e = ThrownError([&] { set.Save(dir.Path().c_str()); });
    EXPECT_EQ(e.GetCode(), 7);
    EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not save the file... " + dir.Path());

    // A text with a blank cannot come back: its line splits into more tokens.
    TDictioSet blanks;
    blanks.AddAttr("a");
    blanks.AddText(0, "two words");
    blanks.Save(dir.File("blank").c_str());
    EXPECT_EQ(ThrownError([&] { set.Load(dir.File("blank").c_str()); }).GetCode(), 10);

    // Reading stops at the first line without tokens; a present text is not added again.
    WriteFileBytes(dir.File("dict"), "a\r\n\tx\t4\n\tx\t5\nb\n\n c\n");
    set.Load(dir.File("dict").c_str());
    ASSERT_EQ(set.GetNoAttr(), 2);
    EXPECT_STREQ(set.GetAttrName(0), "a");
    EXPECT_EQ(set.GetCount(0), 1);
    EXPECT_EQ(set.GetCodeForText(0, "x"), 4);
}

TEST(TDictioSet, AttributeOperations) {
    TDictioSet set;
    for (const char* n : {"a", "b", "c"}) set.AddAttr(n);
    set.AddText(1, "v");
    set.AddItem(2, TDictItem("w", 8));
    EXPECT_EQ(ThrownError([&] { set.SwapAttr(1, 1); }).GetCode(), 5);
    EXPECT_EQ(ThrownError([&] { set.GetAttrName(-1); }).GetCode(), 5);
    EXPECT_EQ(ThrownError([&] { set.GetCount(3); }).GetCode(), 5);
    EXPECT_EQ(ThrownError([&] { set.DeleteAttr("zz"); }).GetCode(), 5);
    EXPECT_EQ(ThrownError([&] { set.GetTextForCode("b", 1); }).GetCode(), 5);
    std::unique_ptr<TDictioSet> copy = set.Clone();
    set.DeleteAttrAt(0);
    ASSERT_EQ(set.GetNoAttr(), 2);
    EXPECT_STREQ(set.GetAttrName(0), "b");
    EXPECT_STREQ(set.GetTextForCode("b", 0), "v");
    set.SwapAttr(0, 1);
    set.SetAttrName(0, "cc");
    EXPECT_EQ(set.GetCodeForText("cc", "w"), 8);
    set.DeleteAttr("b");
    EXPECT_EQ(set.GetNoAttr(), 1);
    ASSERT_EQ(copy->GetNoAttr(), 3);
    EXPECT_STREQ(copy->GetAttrName(0), "a");
    EXPECT_EQ(copy->GetCodeAt(2, 0), 8);
    EXPECT_STREQ(copy->GetTextAt(1, 0), "v");
    copy->Clear();
    EXPECT_EQ(copy->GetNoAttr(), 0);
}

TEST(TDictioSet, TableOverloadsBoundByTableAndSet) {
    TDictioSet set;
    for (const char* n : {"a", "b", "c"}) set.AddAttr(n);
    set.AddText(2, "z");
    TTable narrow;
    narrow.CreateTable(1, 2);
    TTable wide;
    wide.CreateTable(1, 5);
    EXPECT_EQ(set.GetNoAttr(narrow), 2);
    EXPECT_EQ(set.GetNoAttr(wide), 5);
    EXPECT_EQ(ThrownError([&] { set.GetTextAt(2, 0, narrow); }).GetCode(), 5);
    EXPECT_STREQ(set.GetTextAt(2, 0, wide), "z");
    EXPECT_EQ(ThrownError([&] { set.GetAttrName(3, wide); }).GetCode(), 5);
    EXPECT_EQ(ThrownError([&] { set.GetAttrIndex("c", narrow); }).GetCode(), 5);
    EXPECT_EQ(set.GetAttrIndex("c", wide), 2);
    EXPECT_EQ(ThrownError([&] { set.GetCodeForText("c", "z", narrow); }).GetCode(), 5);
    EXPECT_EQ(set.GetCodeForText(2, "z", wide), 0);
    EXPECT_EQ(ThrownError([&] { set.AddText(2, "y", narrow); }).GetCode(), 5);
    EXPECT_EQ(ThrownError([&] { set.SwapAttr(0, 2, narrow); }).GetCode(), 5);
    EXPECT_EQ(ThrownError([&] { set.DeleteAttr("c", narrow); }).GetCode(), 5);
    {
        LogCapture log;
        set.Print(narrow);
        EXPECT_EQ(log.Text(),
                  "\n--------Dictionary---------\n\nName: a  0\nName: b  0\n"
                  "\n---------------------------\n\n");
    }
    set.DeleteAttrAt(1, narrow);
    EXPECT_STREQ(set.GetAttrName(1), "c");
}

// A real public table written as words: integer columns and reals of one decimal.
TEST(TDictioSet, RealTableRoundTrip) {
    std::string table = ReadFileBytes(std::string(VARNEL_TABLES) + "/iris.dense.tab");
    const std::string data = table.substr(table.find('\n') + 1);
    ScratchDir dir;
    WriteFileBytes(dir.File("iris"), data);
    const auto words = Words(data);
    for (int mode : {0, 1, 2}) {
        TDictioSet set;
        set.ImportData(dir.File("iris").c_str(), mode, dir.File("out").c_str());
        const auto codes = Words(ReadFileBytes(dir.File("out")));
        ASSERT_EQ(codes.size(), words.size());
        for (size_t r = 0; r < codes.size(); ++r) {
            for (size_t c = 0; c < 5; ++c) {
                const int code = std::stoi(codes[r][c]);
                // In mode 2 different reals may meet at one code; the text is the first's.
                const std::string text = set.GetTextForCode(static_cast<int>(c), code);
                if (mode < 2) {
                    EXPECT_EQ(text, words[r][c]);
                }
                EXPECT_EQ(set.GetCodeForText(static_cast<int>(c), text), code);
            }
        }
        const int expected51[] = {0, 0, 50};  // 5.1 is the first text; 5.1f lies below 5.1
        EXPECT_EQ(set.GetCodeForText(0, "5.1"), expected51[mode]);
        if (mode == 2) {
            EXPECT_EQ(set.GetCodeForText(1, "3.0"), 30);
        }
        set.Save(dir.File("d1").c_str());
        TDictioSet loaded;
        loaded.Load(dir.File("d1").c_str());
        loaded.Save(dir.File("d2").c_str());
        EXPECT_EQ(ReadFileBytes(dir.File("d2")), ReadFileBytes(dir.File("d1")));
    }
}

}  // namespace
