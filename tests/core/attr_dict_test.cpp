#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/attr_dict.h"
#include "core/dict_error.h"
#include "core/random.h"
#include "tests/support/test_files.h"
#include "tests/support/thrown_error.h"

namespace {

TEST(TAttrDict, AddTextGivesPositionsAndReturnsPresentCodes) {
    TAttrDict d("col");
    EXPECT_EQ(d.AddText("b"), 0);
    EXPECT_EQ(d.AddText("a"), 1);
    EXPECT_EQ(d.AddText("b"), 0);
    EXPECT_EQ(d.GetCount(), 2);
    d.AddItem(TDictItem("a", 99));  // present: nothing changes
    d.AddItem(TDictItem("c", 0));   // a code may repeat
    ASSERT_EQ(d.GetCount(), 3);
    EXPECT_EQ(d.CodeForText("a"), 1);
    EXPECT_STREQ(d.TextForCode(0), "b");  // the first of two entries with code 0
    EXPECT_STREQ(d.GetTextAt(2), "c");
    EXPECT_EQ(d.GetCodeAt(2), 0);
    EXPECT_EQ(ThrownError([&] { d.GetCodeAt(3); }).GetCode(), 5);
    EXPECT_EQ(ThrownError([&] { d.GetTextAt(-1); }).GetCode(), 5);
    EXPECT_STREQ(ThrownError([&] { d.CodeForText("B"); }).GetMessage(), "Error: Element not found");
    EXPECT_EQ(ThrownError([&] { d.TextForCode(7); }).GetCode(), 5);
}

// The indexes must answer as a search in insertion order would, also after the codes are
// replaced by numbers.
TEST(TAttrDict, IndexesAnswerAsTheFirstMatchInInsertionOrder) {
    SeedRand(7);
    TAttrDict d;
    for (int k = 0; k < 3000; ++k) {
        // "07" and "7" are different texts that become the same number.
        const std::string text = (RandomInt(3) == 0 ? "0" : "") + std::to_string(RandomInt(400));
        if (RandomInt(2) == 0) {
            d.AddText(text);
        } else {
            d.AddItem(TDictItem(text, RandomInt(150)));
        }
    }
    auto check = [&] {
        for (int code = -1; code < 500; ++code) {
            int first = -1;
            for (int i = 0; i < d.GetCount() && first < 0; ++i) {
                if (d.GetCodeAt(i) == code) first = i;
            }
            if (first < 0) {
                EXPECT_EQ(ThrownError([&] { d.TextForCode(code); }).GetCode(), 5);
            } else {
                EXPECT_STREQ(d.TextForCode(code), d.GetTextAt(first)) << code;
            }
        }
        for (int i = 0; i < d.GetCount(); ++i) {
            EXPECT_EQ(d.CodeForText(d.GetTextAt(i)), d.GetCodeAt(i));
            EXPECT_EQ(d.AddText(d.GetTextAt(i)), d.GetCodeAt(i));
        }
    };
    check();
    d.SetHasIntegers();
    d.ConvertToNumbers(1);
    for (int i = 0; i < d.GetCount(); ++i) EXPECT_EQ(d.GetCodeAt(i), std::stoi(d.GetTextAt(i)));
    check();
}

std::vector<int> Codes(const TAttrDict& d) {
    std::vector<int> out;
    for (int i = 0; i < d.GetCount(); ++i) out.push_back(d.GetCodeAt(i));
    return out;
}

TEST(TAttrDict, ConvertToNumbersByKindAndMode) {
    auto column = [](std::vector<const char*> texts, char kind) {
        auto d = std::make_unique<TAttrDict>("c");
        for (const char* t : texts) d->AddText(t);
        if (kind == 's') d->SetHasStrings();
        if (kind == 'r') d->SetHasReals();
        return d;
    };
    for (int mode : {0, 1, 2}) {
        auto ints = column({"12", "7", "-3", "-"}, 'i');
        ints->ConvertToNumbers(mode);
        const std::vector<int> positions{0, 1, 2, 3}, values{12, 7, -3, 0};
        EXPECT_EQ(Codes(*ints), mode == 0 ? positions : values);
        auto strings = column({"12", "x"}, 's');
        strings->ConvertToNumbers(mode);
        EXPECT_EQ(Codes(*strings), (std::vector<int>{0, 1}));
        auto reals = column({"2.5", "3", "-0.9"}, 'r');  // precision 0: the integer part
        reals->ConvertToNumbers(mode);
        const std::vector<int> truncated{2, 3, 0}, kept{0, 1, 2};
        EXPECT_EQ(Codes(*reals), mode == 2 ? truncated : kept);
    }
    auto huge = column({"5", "99999999999"}, 'i');
    EXPECT_EQ(ThrownError([&] { huge->ConvertToNumbers(1); }).GetCode(), 5);
    EXPECT_EQ(Codes(*huge), (std::vector<int>{0, 1}));  // left as it was
    EXPECT_STREQ(huge->TextForCode(1), "99999999999");
}

TEST(TAttrDict, PrintFormatsTheLines) {
    LogCapture log;
    TAttrDict d("size%d");
    d.AddText("big%s");
    d.AddItem(TDictItem("small", -4));
    d.Print();
    EXPECT_EQ(log.Text(), "Name: size%d  2\n\tbig%s\t0\n\tsmall\t-4\n");
}

}  // namespace
