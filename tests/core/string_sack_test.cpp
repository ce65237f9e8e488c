#include <gtest/gtest.h>

#include <string>

#include "core/error.h"
#include "core/string_sack.h"
#include "tests/support/test_files.h"

namespace {

TStringSack LoadText(const std::string& bytes) {
    ScratchDir dir;
    WriteFileBytes(dir.File("config"), bytes);
    TStringSack sack;
    sack.Load(dir.File("config").c_str());
    return sack;
}

TEST(StringSackLoad, EmptyLinesDoNotCountAsPositions) {
    TStringSack s = LoadText("ONE\n\nTWO\n");
    ASSERT_EQ(s.GetNoElem(), 2);
    EXPECT_STREQ(s.GetElem(0), "ONE");
    EXPECT_STREQ(s.GetElem(1), "TWO");
}

TEST(StringSackLoad, LastLineWithoutLineFeedCounts) {
    TStringSack s = LoadText("A\nlast");
    ASSERT_EQ(s.GetNoElem(), 2);
    EXPECT_STREQ(s.GetElem(1), "last");
}

TEST(StringSackLoad, CarriageReturnBelongsToTheLineEnd) {
    TStringSack s = LoadText("CMD\r\n\r\nfile name.tab\r\n 3 \r\nx\r");
    ASSERT_EQ(s.GetNoElem(), 4);
    EXPECT_STREQ(s.GetElem(0), "CMD");
    EXPECT_STREQ(s.GetElem(1), "file name.tab");
    EXPECT_STREQ(s.GetElem(2), " 3 ");
    EXPECT_STREQ(s.GetElem(3), "x");
}

TEST(StringSackLoad, ElementsAreVerbatimAndBlankLinesAreElements) {
    TStringSack s = LoadText("  \n\tkeep # this \n");
    ASSERT_EQ(s.GetNoElem(), 2);
    EXPECT_STREQ(s.GetElem(0), "  ");
    EXPECT_STREQ(s.GetElem(1), "\tkeep # this ");
}

TEST(StringSackLoad, EmptyFilesGiveNoElement) {
    EXPECT_EQ(LoadText("").GetNoElem(), 0);
    EXPECT_EQ(LoadText("\n\n\r\n").GetNoElem(), 0);
}

TEST(StringSackLoad, LongLineStaysOneElement) {
    std::string longLine(1000, 'q');
    TStringSack s = LoadText("W\n" + longLine + "\nlog\n");
    ASSERT_EQ(s.GetNoElem(), 3);
    EXPECT_EQ(std::string(s.GetElem(1)), longLine);
    EXPECT_STREQ(s.GetElem(2), "log");
}

TEST(StringSackLoad, LineStopsAtANulCharacter) {
    TStringSack s = LoadText(std::string("ab\0cd\n\0zz\nend\n", 14));
    ASSERT_EQ(s.GetNoElem(), 2);
    EXPECT_STREQ(s.GetElem(0), "ab");
    EXPECT_STREQ(s.GetElem(1), "end");
}

TEST(StringSackLoad, MissingFileLogsAndRaisesCodeSix) {
    LogCapture log;
    ScratchDir dir;
    TStringSack s;
    const std::string name = dir.File("nope");
    try {
        s.Load(name.c_str());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 6);
        EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not load the file: " + name);
    }
    EXPECT_EQ(log.Text(), "Error: Can't open file with string sack\n");
}

TEST(StringSackLoad, AFolderCannotBeRead) {
    ScratchDir dir;
    TStringSack s;
    try {
        s.Load(dir.Path().c_str());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 6);
    }
}

TEST(StringSack, GrowsByTenKeepingOneSlotFree) {
    TStringSack s;
    EXPECT_EQ(s.GetCapacity(), 10);
    for (int i = 0; i < 8; ++i) s.AddElem("x");
    EXPECT_EQ(s.GetCapacity(), 10);
    s.AddElem("ninth");
    EXPECT_EQ(s.GetCapacity(), 10);
    s.AddElem("tenth");  // count + 1 reached the capacity before this insertion
    EXPECT_EQ(s.GetCapacity(), 20);
    s.AddElem("eleventh");
    EXPECT_EQ(s.GetCapacity(), 20);
    EXPECT_EQ(s.GetNoElem(), 11);
    EXPECT_STREQ(s.GetElem(10), "eleventh");
}

TEST(StringSack, OutOfRangeLogsAndRaisesCodeFive) {
    LogCapture log;
    TStringSack s;
    s.AddElem("a");
    for (int bad : {-1, 1}) {
        try {
            s.GetElem(bad);
            FAIL() << "no error for " << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
    }
    EXPECT_EQ(log.Text(),
              "Bad number of element in TStringSack::GetElem \n"
              "Bad number of element in TStringSack::GetElem \n");
}

}  // namespace
