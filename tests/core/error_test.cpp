#include <gtest/gtest.h>

#include <string>

#include "core/error.h"

namespace {

TEST(CalcError, EveryCodeCarriesItsFixedMessage) {
    const char* expected[] = {
        "Error: Unexpected critical error!",
        "Error: Not enough memory!",
        "Error: ACTION TERMINATED",
        "Error: Critical error!",
        "Error: Index out of range!",
        "Error: Can not load the file!",
        "Error: Can not save the file!",
        "Error: Number of elements exceeded maximum allowed number!",
        "Error: Improper arguments passed to function!",
        "Error: Bad format of file!",
        "Error: Not implemented yet!",
        "Error: Called function which requires decision table!",
        "Error: Bad syntax of script!",
        "Error: Can not open binary table!",
    };
    for (int code = 1; code <= 14; ++code) {
        CalcError e(code);
        EXPECT_EQ(e.GetCode(), code);
        EXPECT_STREQ(e.GetMessage(), expected[code - 1]);
    }
}

TEST(CalcError, CodesOutsideTheTableBecomeOne) {
    for (int code : {0, 15, -3, 1000}) {
        CalcError e(code);
        EXPECT_EQ(e.GetCode(), 1);
        EXPECT_STREQ(e.GetMessage(), "Error: Unexpected critical error!");
    }
}

TEST(CalcErrorText, PrefixIsChosenByCodeAndCodeIsKept) {
    EXPECT_STREQ(CalcErrorText(6, "a b.tab").GetMessage(), "Error: Can not load the file: a b.tab");
    EXPECT_STREQ(CalcErrorText(7, "out").GetMessage(), "Error: Can not save the file: out");
    EXPECT_STREQ(CalcErrorText(11, "WORD").GetMessage(), "Error: Not implemented yet: WORD");
    CalcErrorText other(5, "x");
    EXPECT_EQ(other.GetCode(), 5);
    EXPECT_STREQ(other.GetMessage(), "Error: Critical error: not signed error - x");
    EXPECT_EQ(CalcErrorText(99, "y").GetCode(), 99);
}

TEST(CalcErrorText, LongTextIsCutAt511Characters) {
    std::string name(2000, 'n');
    CalcErrorText e(6, name.c_str());
    std::string msg = e.GetMessage();
    ASSERT_EQ(msg.size(), 511u);
    EXPECT_EQ(msg.rfind("Error: Can not load the file: nnn", 0), 0u);
    EXPECT_EQ(e.GetCode(), 6);
}

TEST(Error, CaughtAsBaseWithCodeAndMessage) {
    try {
        throw CalcErrorText(7, "f");
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 7);
        EXPECT_STREQ(e.GetMessage(), "Error: Can not save the file: f");
        return;
    }
    FAIL() << "not caught as Error";
}

}  // namespace
