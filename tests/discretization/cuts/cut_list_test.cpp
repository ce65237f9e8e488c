#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "discretization/cuts/cut_list.h"
#include "discretization/cuts/scal_error.h"
#include "tests/discretization/cuts/cut_tables.h"
#include "tests/support/test_files.h"

namespace {

std::vector<std::pair<int, float>> Contents(TCutList& list) {
    std::vector<std::pair<int, float>> out;
    for (list.First(); !list.AtEnd(); list.Next()) out.emplace_back(list.GetAttr(), list.GetValue());
    return out;
}

using Cuts = std::vector<std::pair<int, float>>;

// Loads a file of the given text with the given bound; returns the code thrown, 0 for none.
int LoadText(TCutList& list, const std::string& text, int maxAttribute = 100) {
    ScratchDir dir;
    WriteFileBytes(dir.File("cuts"), text);
    return FailureOf([&] { EXPECT_EQ(list.Load(dir.File("cuts").c_str(), maxAttribute), 1); }).code;
}

TEST(ScalErrorTexts, EveryCodeHasItsOwnWording) {
    EXPECT_STREQ(ScalError(2).GetMessage(), "Error: Not enough memory!!!");
    EXPECT_STREQ(ScalError(6).GetMessage(), "Error: Can't load file!!!");
    EXPECT_STREQ(ScalError(7).GetMessage(), "Error: Can't save file!!!");
    EXPECT_STREQ(ScalError(10).GetMessage(), "Error: Too many attributes in file of cuts!!!");
    EXPECT_STREQ(ScalError(11).GetMessage(), "Error: TScaler provides only one method of scaling (method=0)!!!");
    EXPECT_STREQ(ScalError(6, "a b").GetMessage(), "Error: Can't load file... a b");
    EXPECT_STREQ(ScalError(7, "c").GetMessage(), "Error: Can't save file... c");
    EXPECT_STREQ(ScalError(10, "c").GetMessage(), "Error: Too many attributes in file of cuts!!!");
    EXPECT_EQ(ScalError(11).GetCode(), 11);
    EXPECT_EQ(ScalError(7, "c").GetCode(), 7);
}

TEST(CutListOrder, AddKeepsAttributeThenValueOrder) {
    TCutList list;
    list.Add(3, 1.0f);
    list.Add(0, 7.5f);
    list.Add(3, -2.0f);
    list.Add(1, 0.0f);
    list.Add(0, 2.5f);
    EXPECT_EQ(Contents(list), (Cuts{{0, 2.5f}, {0, 7.5f}, {1, 0.0f}, {3, -2.0f}, {3, 1.0f}}));
}

TEST(CutListOrder, AnEqualCutIsKeptAndGoesFirst) {
    // Negative and positive zero are equal cuts that can still be told apart.
    TCutList list;
    list.Add(2, 0.0f);
    list.Add(2, -0.0f);
    list.First();
    EXPECT_TRUE(std::signbit(list.GetValue()));
    list.Next();
    EXPECT_FALSE(std::signbit(list.GetValue()));
    list.Next();
    EXPECT_EQ(list.AtEnd(), 1);
}

TEST(CutListIteration, EndAndEmptyAnswers) {
    TCutList list;
    EXPECT_EQ(list.AtEnd(), 1);
    list.First();
    EXPECT_EQ(list.AtEnd(), 1);
    EXPECT_EQ(list.GetAttr(), -1);
    EXPECT_EQ(list.GetValue(), -FLT_MIN);
    list.Add(4, 1.5f);
    EXPECT_EQ(list.AtEnd(), 1);  // not yet started
    list.First();
    EXPECT_EQ(list.AtEnd(), 0);
    EXPECT_EQ(list.GetAttr(), 4);
    list.Add(0, 1.0f);  // inserted before the cursor: the cursor stays on its cut
    EXPECT_EQ(list.GetAttr(), 4);
    list.Next();
    EXPECT_EQ(list.AtEnd(), 1);
    list.Next();
    EXPECT_EQ(list.GetAttr(), -1);
    list.Clear();
    list.First();
    EXPECT_EQ(list.AtEnd(), 1);
}

TEST(CutsFileSave, OneLinePerCutInGeneralFormatWithSixDigits) {
    ScratchDir dir;
    TCutList list;
    list.Add(3, 10.0f);
    list.Add(0, 2.5f);
    list.Add(1, 1234567.0f);
    list.Add(1, 1e7f);
    list.Add(2, -0.000015f);
    list.Add(2, 0.0001f);
    list.Add(5, 2147483648.0f);
    list.Save(dir.File("cuts").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("cuts")),
              "0\t2.5\n1\t1.23457e+06\n1\t1e+07\n2\t-1.5e-05\n2\t0.0001\n3\t10\n5\t2.14748e+09\n");

    TCutList empty;
    empty.Save(dir.File("cuts").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("cuts")), "");
}

TEST(CutsFileSave, ValuesBeyondSixDigitsReadBackChanged) {
    ScratchDir dir;
    TCutList list;
    list.Add(0, 1234.5678f);
    list.Save(dir.File("cuts").c_str());
    TCutList back;
    back.Load(dir.File("cuts").c_str(), 0);
    EXPECT_EQ(Contents(back), (Cuts{{0, 1234.57f}}));
}

TEST(CutsFileSave, UnwritableFileIsCodeSevenWithItsName) {
    ScratchDir dir;
    TCutList list;
    list.Add(0, 1.5f);
    const std::string name = dir.File("missing/cuts");
    const ScalFailure failure = FailureOf([&] { list.Save(name.c_str()); });
    EXPECT_EQ(failure.code, 7);
    EXPECT_EQ(failure.message, "Error: Can't save file... " + name);
    // An existing file is only replaced by a complete new one.
    WriteFileBytes(dir.File("old"), "old contents");
    list.Save(dir.File("old").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("old")), "0\t1.5\n");
}

TEST(CutsFileLoad, AnyWhiteSpaceAndExactRepeatsSkipped) {
    TCutList list;
    EXPECT_EQ(LoadText(list, " 0 \t 1.5\n\n0\t1.5\r\n0 2\n1\n-3e2\f 1 .5 2 +7\n\n"), 0);
    EXPECT_EQ(Contents(list), (Cuts{{0, 1.5f}, {0, 2.0f}, {1, -300.0f}, {1, 0.5f}, {2, 7.0f}}));
}

TEST(CutsFileLoad, EmptyFileLoadsNothing) {
    TCutList list;
    EXPECT_EQ(LoadText(list, ""), 0);
    EXPECT_EQ(LoadText(list, " \n\t\n"), 0);
    list.First();
    EXPECT_EQ(list.AtEnd(), 1);
}

TEST(CutsFileLoad, LoadingAddsToTheCutsHeld) {
    TCutList list;
    list.Add(1, 5.0f);
    list.Add(0, 9.0f);
    EXPECT_EQ(LoadText(list, "0 1\n1 5\n"), 0);
    EXPECT_EQ(Contents(list), (Cuts{{0, 1.0f}, {0, 9.0f}, {1, 5.0f}, {1, 5.0f}}));
}

TEST(CutsFileLoad, PairsOutOfOrderAreCodeTenAndEarlierCutsStay) {
    {
        TCutList list;
        EXPECT_EQ(LoadText(list, "2 1\n1 5\n3 1\n"), 10);
        EXPECT_EQ(Contents(list), (Cuts{{2, 1.0f}}));
    }
    {
        // The repeat is not next to its first occurrence, so it is lower than its predecessor.
        TCutList list;
        EXPECT_EQ(LoadText(list, "0 1\n0 2\n0 1\n"), 10);
        EXPECT_EQ(Contents(list), (Cuts{{0, 1.0f}, {0, 2.0f}}));
    }
    {
        TCutList list;
        EXPECT_EQ(LoadText(list, "0 3\n0 2.5\n"), 10);
    }
}

TEST(CutsFileLoad, AttributesOutsideTheTableAreCodeTen) {
    {
        TCutList list;
        EXPECT_EQ(LoadText(list, "0 1\n3 2\n4 1\n", 3), 10);
        EXPECT_EQ(Contents(list), (Cuts{{0, 1.0f}, {3, 2.0f}}));
    }
    {
        TCutList list;
        EXPECT_EQ(LoadText(list, "0 1\n3 2\n", 3), 0);
    }
    {
        // Not even the first pair's "-1 0", which equals the starting pair.
        TCutList list;
        EXPECT_EQ(LoadText(list, "-1 0\n"), 10);
        EXPECT_EQ(LoadText(list, "-1 5\n"), 10);
        list.First();
        EXPECT_EQ(list.AtEnd(), 1);
    }
}

TEST(CutsFileLoad, WordsThatAreNotNumbersAreCodeTen) {
    for (const char* text : {"0 1\nx 2\n", "0 1\n1 two\n", "0 1\n1", "0 1\n1 \n", "0 1e\n", "0 inf\n",
                             "0 nan\n", "0 1e39\n", "99999999999 1\n", "0 -\n", "0 .\n"}) {
        SCOPED_TRACE(text);
        TCutList list;
        EXPECT_EQ(LoadText(list, text), 10);
    }
}

TEST(CutsFileLoad, NumbersEndWhereAStreamWouldStop) {
    // "2.5" as an attribute is 2, and ".5" its value.
    TCutList list;
    EXPECT_EQ(LoadText(list, "2.5 3 1e1\n"), 0);
    EXPECT_EQ(Contents(list), (Cuts{{2, 0.5f}, {3, 10.0f}}));
}

TEST(CutsFileLoad, UnreadableFileIsCodeSixAndChangesNothing) {
    ScratchDir dir;
    TCutList list;
    list.Add(0, 1.0f);
    for (const std::string& name : {dir.File("absent"), dir.Path()}) {
        const ScalFailure failure = FailureOf([&] { list.Load(name.c_str(), 5); });
        EXPECT_EQ(failure.code, 6);
        EXPECT_EQ(failure.message, "Error: Can't load file... " + name);
    }
    EXPECT_EQ(Contents(list), (Cuts{{0, 1.0f}}));
}

}  // namespace
