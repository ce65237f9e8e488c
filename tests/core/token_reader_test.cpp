#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/dict_error.h"
#include "core/token_reader.h"
#include "tests/support/test_files.h"
#include "tests/support/thrown_error.h"

namespace {

TEST(DictError, CodesAndTexts) {
    struct Case {
        int given, kept;
        const char* text;
    } cases[] = {
        {2, 2, "Error: Not enough memory!!!"},
        {5, 5, "Error: Passed arguments are out of range..."},
        {6, 6, "Error: Can not open the file..."},
        {7, 7, "Error: Can not save the file..."},
        {10, 10, "Error: Bad format of dictionary!!! (contains more than two elements in one row)"},
        {32, 10, "Error: Data must be in a form of matrix with no missing elements!!!"},
        {33, 5, "Error: Element not found"},
    };
    for (const Case& c : cases) {
        const Error& e = DictError(c.given);
        EXPECT_EQ(e.GetCode(), c.kept) << c.given;
        EXPECT_STREQ(e.GetMessage(), c.text);
        EXPECT_STREQ(DictError(c.given, "f.txt").GetMessage(),
                     c.given == 6   ? "Error: Can not open the file... f.txt"
                     : c.given == 7 ? "Error: Can not save the file... f.txt"
                                    : c.text);
    }
}

struct Expected {
    const char* text;
    char kind;  // 'i' integer, 'r' real, 's' string
    int decimals;
    bool bracketed;
    bool endOfLine;
};

std::vector<TToken> ReadAll(const std::string& bytes, int* lines = nullptr) {
    ScratchDir dir;
    WriteFileBytes(dir.File("in"), bytes);
    TTokenReader reader(dir.File("in").c_str(), TTokenReader::InNoCreate);
    std::vector<TToken> out;
    TToken t;
    for (;;) {
        reader.NextToken(t);
        if (reader.NoToken()) break;
        out.push_back(t);
        if (lines != nullptr && t.IsEndOfLine()) ++*lines;
    }
    return out;
}

TEST(TTokenReader, SplitsAndClassifiesTokens) {
    const std::string line =
        "12\t-3.25 5. 1.2.3 - a1 1a .5 (a,b) [x]y <p>{q}r 7(8 -.5 1,2 0.70 x.12 --1\r\n";
    const Expected expected[] = {
        {"12", 'i', 0, false, false},   {"-3.25", 'r', 2, false, false},
        {"5.", 'r', 0, false, false},   {"1.2.3", 'r', 1, false, false},
        {"-", 'i', 0, false, false},    {"a1", 's', 0, false, false},
        {"1a", 's', 0, false, false},   {"5", 'i', 0, false, false},
        {"a", 's', 0, true, false},     {"b", 's', 0, false, false},
        {"x", 's', 0, true, false},     {"y", 's', 0, false, false},
        {"p", 's', 0, true, false},     {"q", 's', 0, true, false},
        {"r", 's', 0, false, false},    {"7(8", 'i', 0, true, false},
        {"-.5", 'r', 1, false, false},  {"1", 'i', 0, false, false},
        {"2", 'i', 0, false, false},    {"0.70", 'r', 2, false, false},
        {"x.12", 's', 0, false, false}, {"--1", 's', 0, false, true},
    };
    const std::vector<TToken> tokens = ReadAll(line);
    ASSERT_EQ(tokens.size(), std::size(expected));
    for (size_t k = 0; k < tokens.size(); ++k) {
        const TToken& t = tokens[k];
        const Expected& e = expected[k];
        EXPECT_EQ(t.GetText(), e.text) << k;
        EXPECT_EQ(t.IsInteger(), e.kind == 'i') << e.text;
        EXPECT_EQ(t.IsReal(), e.kind == 'r') << e.text;
        EXPECT_EQ(t.IsString(), e.kind == 's') << e.text;
        EXPECT_EQ(t.GetDecimals(), e.decimals) << e.text;
        EXPECT_EQ(t.IsBracketed(), e.bracketed) << e.text;
        EXPECT_EQ(t.IsEndOfLine(), e.endOfLine) << e.text;
    }
}

TEST(TTokenReader, LineWithoutTokensEndsAndLeavesTheToken) {
    ScratchDir dir;
    WriteFileBytes(dir.File("in"), "a\tb,c\n \t,\nd");
    TTokenReader reader(dir.File("in").c_str(), TTokenReader::InNoCreate);
    TToken t;
    EXPECT_EQ(t.GetText(), "");
    EXPECT_FALSE(t.IsEndOfLine() || t.IsReal() || t.IsString() || t.IsInteger() || t.IsBracketed());
    std::vector<std::string> texts;
    for (int k = 0; k < 3; ++k) {
        reader.NextToken(t);
        EXPECT_FALSE(reader.NoToken());
        texts.push_back(t.GetText());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(t.IsEndOfLine() && t.IsString());
    reader.NextToken(t);  // a line of separators only
    EXPECT_TRUE(reader.NoToken());
    EXPECT_EQ(t.GetText(), "c");
    EXPECT_TRUE(t.IsEndOfLine());
    reader.NextToken(t);  // the last line has no line feed
    EXPECT_FALSE(reader.NoToken());
    EXPECT_EQ(t.GetText(), "d");
    reader.NextToken(t);
    EXPECT_TRUE(reader.NoToken());
    EXPECT_EQ(t.GetText(), "d");
}

TEST(TTokenReader, NoLengthLimitsAndNulEndsTheLine) {
    std::string longToken(5000, 'w');
    std::string many;
    for (int k = 0; k < 700; ++k) many += std::to_string(k) + " ";
    int lines = 0;
    std::vector<TToken> tokens =
        ReadAll(longToken + "\n" + many + "\n" + std::string("ab\0cd ef\n", 9) + "12\r\n", &lines);
    ASSERT_EQ(tokens.size(), 1u + 700u + 1u + 1u);
    EXPECT_EQ(lines, 4);
    EXPECT_EQ(tokens[0].GetText(), longToken);
    EXPECT_EQ(tokens[700].GetText(), "699");
    EXPECT_TRUE(tokens[700].IsEndOfLine());
    EXPECT_EQ(tokens[701].GetText(), "ab");
    EXPECT_TRUE(tokens[701].IsEndOfLine());
    EXPECT_EQ(tokens[702].GetText(), "12");  // the carriage return belongs to the line end
    EXPECT_TRUE(tokens[702].IsInteger());
}

TEST(TTokenReader, OpenFailuresNameTheFile) {
    ScratchDir dir;
    const std::string missing = dir.File("missing");
    Error e = ThrownError([&] { TTokenReader r(missing.c_str(), TTokenReader::InNoCreate); });
    EXPECT_EQ(e.GetCode(), 6);
    EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not open the file... " + missing);
    const std::string noFolder = dir.File("none/out");
    e = ThrownError([&] { TTokenReader r(noFolder.c_str(), TTokenReader::Out); });
    EXPECT_EQ(e.GetCode(), 6);
    TTokenReader r;
    e = ThrownError([&] { r.Open(dir.Path().c_str(), TTokenReader::InNoCreate); });
    EXPECT_EQ(e.GetCode(), 6);
}

TEST(TTokenReader, OpenStartsAtTheFirstLineOfTheOtherFile) {
    ScratchDir dir;
    WriteFileBytes(dir.File("a"), "1 2\n");
    WriteFileBytes(dir.File("b"), "x\n");
    TTokenReader r(dir.File("a").c_str(), TTokenReader::InNoCreate);
    TToken t;
    r.NextToken(t);
    r.Open(dir.File("b").c_str(), TTokenReader::InNoCreate);
    r.NextToken(t);
    EXPECT_EQ(t.GetText(), "x");
    r.NextToken(t);
    EXPECT_TRUE(r.NoToken());
}

TEST(TTokenReader, WritesTokensAndValues) {
    ScratchDir dir;
    const std::string out = dir.File("out");
    WriteFileBytes(out, "old");
    TTokenReader w(out.c_str(), TTokenReader::Out);
    TToken t;
    t.SetText("abc");
    w.WriteToken(t);
    t.SetInt(-42);
    w.WriteToken(t);
    w.Write("s");
    w.Write('c');
    w.Write(7);
    EXPECT_EQ(ReadFileBytes(out), "old");  // replaced only when complete
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(ReadFileBytes(out), "abc -42 sc7");
}

TEST(TTokenConverter, WritesRealsAsThousandthsAndKeepsLines) {
    ScratchDir dir;
    WriteFileBytes(dir.File("in"), "1.5 -2.7 12 x\n[0.001]\n\nlater\n");
    TTokenConverter conv(dir.File("in").c_str(), dir.File("out").c_str());
    std::vector<std::string> kinds;
    for (;;) {
        conv.Next();
        if (conv.IsEndOfData()) break;
        kinds.push_back(std::string(conv.IsString() ? "s" : conv.IsReal() ? "r" : "i") +
                        (conv.IsBracketed() ? "b" : ""));
        conv.Write();
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"r", "r", "i", "s", "rb"}));
    EXPECT_EQ(conv.GetDecimals(), 3);
    EXPECT_EQ(conv.GetText(), "1");
    conv.Next();  // the end of data stays although the input goes on
    EXPECT_TRUE(conv.IsEndOfData());
    conv.Close();
    EXPECT_EQ(ReadFileBytes(dir.File("out")), "1500 -2700 12 x\n1\n");
}

TEST(TTokenConverter, OutOfRangeAndUnwritableOutput) {
    ScratchDir dir;
    WriteFileBytes(dir.File("in"), "3000000.5\n");
    TTokenConverter conv(dir.File("in").c_str(), dir.File("out").c_str());
    conv.Next();
    EXPECT_EQ(ThrownError([&] { conv.Write(); }).GetCode(), 5);

    WriteFileBytes(dir.File("small"), "2.5\n");
    TTokenConverter full(dir.File("small").c_str(), "/dev/full");
    full.Next();
    full.Write();
    Error e = ThrownError([&] { full.Close(); });
    EXPECT_EQ(e.GetCode(), 7);
    EXPECT_STREQ(e.GetMessage(), "Error: Can not save the file... /dev/full");
}

}  // namespace
