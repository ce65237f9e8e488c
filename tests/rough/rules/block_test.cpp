#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/dict_error.h"
#include "core/error.h"
#include "core/table.h"
#include "core/text_scan.h"
#include "rough/rules/block.h"
#include "tests/rough/rules/small_dictionary.h"
#include "tests/rough/rough_test_util.h"
#include "tests/support/test_files.h"

namespace {

TBlock BlockOf(std::initializer_list<std::pair<int, int>> descriptors) {
    TBlock block;
    for (auto [a, v] : descriptors) block.AddDescriptor(a, v);
    return block;
}

std::string Attrs(const TBlock& block) {
    std::ostringstream out;
    block.PrintAttrs(out);
    return out.str();
}

TEST(Block, DescriptorsKeepTheOrderTheyWereAddedIn) {
    TBlock block = BlockOf({{5, 50}, {1, 10}, {4, 40}});
    EXPECT_EQ(block.GetNoDesc(), 3);
    EXPECT_EQ(Attrs(block), "3  5 1 4 ");
    int a = 0;
    int v = 0;
    block.GetDescriptor(1, &a, &v);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(v, 10);
    EXPECT_EQ(block.ContainsAttr(4), 1);
    EXPECT_EQ(block.ContainsAttr(40), 0);

    block.RemoveDescriptor(1);
    EXPECT_EQ(Attrs(block), "2  5 4 ");
    EXPECT_EQ(block.GetValue(1), 40);
    block.SetAttr(0, 7);
    EXPECT_EQ(block.GetAttr(0), 7);
    EXPECT_EQ(block.GetValue(0), 50);
    EXPECT_EQ(Attrs(TBlock()), "0  ");
}

TEST(Block, AttributeAloneLeavesTheValuesBehind) {
    LogCapture log;
    TBlock block;
    block.AddAttr(3);
    EXPECT_EQ(block.GetNoDesc(), 1);
    EXPECT_EQ(block.GetAttr(0), 3);
    try {
        block.GetValue(0);
        FAIL() << "no value was added";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.GetCode(), 5);
    }
    EXPECT_EQ(log.Text(), "Bad number of element in TIntSack::GetElem \n");
}

TEST(Block, EqualityIsElementByElementInOrder) {
    EXPECT_EQ(BlockOf({{1, 2}, {3, 4}}) == BlockOf({{1, 2}, {3, 4}}), 1);
    EXPECT_EQ(BlockOf({{1, 2}, {3, 4}}) == BlockOf({{3, 4}, {1, 2}}), 0);
    EXPECT_EQ(BlockOf({{1, 2}, {3, 4}}) == BlockOf({{1, 2}, {3, 5}}), 0);
    EXPECT_EQ(BlockOf({{1, 2}}) == BlockOf({{1, 2}, {3, 4}}), 0);
    EXPECT_EQ(TBlock() == TBlock(), 1);
}

TEST(Block, AssignmentIsADeepCopy) {
    TBlock source = BlockOf({{0, 1}, {2, 3}});
    TBlock copy = BlockOf({{9, 9}, {8, 8}, {7, 7}});
    copy = source;
    EXPECT_EQ(copy == source, 1);
    source.SetAttr(0, 6);
    source.AddDescriptor(4, 4);
    EXPECT_EQ(Attrs(copy), "2  0 2 ");
    copy = copy;
    EXPECT_EQ(Attrs(copy), "2  0 2 ");
}

class BlockTest : public ::testing::Test {
protected:
    // Object 0: 1 2 3 | 0; object 1: 1 9 3 | 1; object 2: 9 9 3 | 0.
    std::unique_ptr<TTable> table = MakeTable({{1, 2, 3, 0}, {1, 9, 3, 1}, {9, 9, 3, 0}});
    TBlock block = BlockOf({{0, 1}, {1, 2}, {2, 3}});
};

TEST_F(BlockTest, ObjectTestsCountAndSkipDescriptors) {
    EXPECT_EQ(block.TestObj(*table, 0), 1);
    EXPECT_EQ(block.TestObj(*table, 1), 0);
    EXPECT_EQ(block.TestObjCount(*table, 0), 3);
    EXPECT_EQ(block.TestObjCount(*table, 1), 2);
    EXPECT_EQ(block.TestObjCount(*table, 2), 1);
    EXPECT_EQ(block.TestDescriptor(*table, 1, 1), 0);
    EXPECT_EQ(block.TestDescriptor(*table, 1, 2), 1);

    EXPECT_EQ(block.TestObjExcept(*table, 1, 1), 1);  // the only failing one is left out
    EXPECT_EQ(block.TestObjExcept(*table, 1, 0), 0);
    EXPECT_EQ(block.TestObjExcept(*table, 2, 1), 0);

    const int skipMiddle[] = {1, 0, 1};
    const int keepMiddle[] = {0, 1, 0};
    EXPECT_EQ(block.TestObjMASK(*table, 1, skipMiddle), 1);
    EXPECT_EQ(block.TestObjMASK(*table, 1, keepMiddle), 0);
    EXPECT_EQ(block.TestObjMASK(*table, 2, skipMiddle), 0);
}

TEST_F(BlockTest, CheckObjNamesTheOnlyFailingDescriptorOfAnotherDecision) {
    int fail = 7;
    EXPECT_EQ(block.CheckObj(*table, 1, 0, &fail), 0);  // decision 1 differs from 0
    EXPECT_EQ(fail, 1);
    EXPECT_EQ(block.CheckObj(*table, 1, 1, &fail), 0);  // same decision
    EXPECT_EQ(fail, -1);
    EXPECT_EQ(block.CheckObj(*table, 2, 1, &fail), 0);  // two fail
    EXPECT_EQ(fail, -1);
    EXPECT_EQ(block.CheckObj(*table, 0, 1, &fail), 1);
    EXPECT_EQ(fail, -1);

    TBlock single = BlockOf({{1, 2}});
    EXPECT_EQ(single.CheckObj(*table, 1, 0, &fail), 0);  // one descriptor: never named
    EXPECT_EQ(fail, -1);

    TBlock twoFailing = BlockOf({{1, 2}, {0, 5}, {2, 3}});
    EXPECT_EQ(twoFailing.CheckObj(*table, 1, 0, &fail), 0);
    EXPECT_EQ(fail, -1);
    TBlock lastFails = BlockOf({{0, 1}, {2, 3}, {1, 2}});
    EXPECT_EQ(lastFails.CheckObj(*table, 1, 0, &fail), 0);
    EXPECT_EQ(fail, 2);
}

TEST_F(BlockTest, CheckObjMaskWorksOnTheSwitchedOnDescriptorsBelowTheLength) {
    int fail = 7;
    const int all[] = {1, 1, 1};
    EXPECT_EQ(block.CheckObjMASK(*table, 1, 0, &fail, all, 3, 3), 0);
    EXPECT_EQ(fail, 1);

    const int noMiddle[] = {1, 0, 1};
    EXPECT_EQ(block.CheckObjMASK(*table, 1, 0, &fail, noMiddle, 2, 3), 1);
    EXPECT_EQ(fail, -1);
    // Object 2 fails descriptor 0 only among the switched-on ones.
    EXPECT_EQ(block.CheckObjMASK(*table, 2, 1, &fail, noMiddle, 2, 3), 0);
    EXPECT_EQ(fail, 0);

    // The length leaves descriptor 2 out; object 2 then fails both that are looked at.
    EXPECT_EQ(block.CheckObjMASK(*table, 2, 1, &fail, all, 2, 2), 0);
    EXPECT_EQ(fail, -1);
    EXPECT_EQ(block.CheckObjMASK(*table, 1, 0, &fail, all, 2, 2), 0);
    EXPECT_EQ(fail, 1);

    // m stands for the descriptor count: one switched on is never named.
    const int firstOnly[] = {1, 0, 0};
    EXPECT_EQ(block.CheckObjMASK(*table, 2, 1, &fail, firstOnly, 1, 3), 0);
    EXPECT_EQ(fail, -1);
}

TEST_F(BlockTest, AttributeOutsideTheTableIsTheTablesIndexError) {
    LogCapture log;
    TBlock outside = BlockOf({{0, 1}, {12, 0}});
    EXPECT_THROW(outside.TestObj(*table, 0), CalcError);
    EXPECT_EQ(log.Text(), "Bad element number in TTable::GetTable\n");
}

TEST(BlockDeathTest, TestingAgainstNoDescriptorsEndsTheProcess) {
    auto table = MakeTable({{1, 0}});
    TBlock empty;
    const std::string plain = "BLAD KRYTYCZNY: TBlock::TestObj\nIlosc deskryptorow w regule wynosi: 0\n";
    EXPECT_EQ(StdoutOfExitZero([&] { empty.TestObj(*table, 0); }), plain);
    EXPECT_EQ(StdoutOfExitZero([&] { empty.TestObjCount(*table, 0); }), plain);
    EXPECT_EQ(StdoutOfExitZero([&] { empty.TestObjExcept(*table, 0, 0); }), plain);
    const int mask[] = {1};
    EXPECT_EQ(StdoutOfExitZero([&] { empty.TestObjMASK(*table, 0, mask); }),
              "BLAD KRYTYCZNY: TBlock::TestObjMASK\nIlosc deskryptorow w regule wynosi: 0\n");
}

TEST(Block, CheckingAnEmptyBlockIsNoFailure) {
    auto table = MakeTable({{1, 0}, {2, 1}});
    TBlock empty;
    int fail = 7;
    EXPECT_EQ(empty.CheckObj(*table, 1, 0, &fail), 1);
    EXPECT_EQ(fail, -1);
}

// ---- text form

std::string Printed(const TBlock& block, const TDictioSet* dict, int mode) {
    std::ostringstream out;
    block.Print(out, dict, mode);
    return out.str();
}

std::string Descriptors(const TBlock& block) {
    std::string out;
    for (int i = 0; i < block.GetNoDesc(); ++i) {
        out += "(" + std::to_string(block.GetAttr(i)) + "," + std::to_string(block.GetValue(i)) + ")";
    }
    return out;
}

// What one Read gives on a text, from a stream and from the text in memory: the result, the
// descriptors, and the character the reading stopped before (0 at the end).
struct ReadResult {
    int result;
    std::string descriptors;
    char next;
    bool operator==(const ReadResult&) const = default;
};

ReadResult ReadFrom(const std::string& text, bool stream) {
    TBlock block;
    char next = 0;
    std::istringstream in(text);
    TextScanner scanner(text.data(), text.data() + text.size());
    const int result = stream ? block.Read(in) : block.Read(scanner);
    in.clear();
    if (stream ? !(in >> next) : !scanner.ReadChar(next)) next = 0;
    return {result, Descriptors(block), next};
}

TEST(BlockText, PrintsNumbersNamesOrTexts) {
    const TBlock block = BlockOf({{0, 5}, {3, 1}});
    EXPECT_EQ(Printed(block, nullptr, 0), "(0=5)&(3=1)");
    EXPECT_EQ(Printed(TBlock(), nullptr, 0), "");

    auto dict = SmallDictionary();
    const TBlock named = BlockOf({{0, 0}, {2, 0}});
    EXPECT_EQ(Printed(named, dict.get(), 1), "(x=lo)&(cls=no)");
    EXPECT_EQ(Printed(named, dict.get(), 2), "(x=0)&(cls=0)");
    for (int mode : {0, 3, -1}) EXPECT_EQ(Printed(named, dict.get(), mode), "(0=0)&(2=0)");
    // Without a dictionary the modes that show names show numbers.
    EXPECT_EQ(Printed(named, nullptr, 1), "(0=0)&(2=0)");
    EXPECT_EQ(Printed(named, nullptr, 2), "(0=0)&(2=0)");

    for (const TBlock& unknown : {BlockOf({{1, 0}}), BlockOf({{0, 7}}), BlockOf({{3, 0}})}) {
        const int mode = unknown.GetAttr(0) == 3 ? 2 : 1;
        try {
            Printed(unknown, dict.get(), mode);
            ADD_FAILURE() << Descriptors(unknown);
        } catch (const DictError& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
    }
}

TEST(BlockText, ReadsTheNumericForm) {
    const std::vector<std::pair<std::string, ReadResult>> cases = {
        {"(0=5)&(3=1)", {1, "(0,5)(3,1)", 0}},
        // The block ends at the first "=" of "=>", which is consumed.
        {"(1=2)&(3=4)=>(5=6)", {1, "(1,2)(3,4)", '>'}},
        {" ( 1 = 2 ) & \n ( -3 = 4 ) x", {1, "(1,2)(-3,4)", 0}},
        {"(2=7)", {1, "(2,7)", 0}},
        {"", {0, "", 0}},
        {" \n ", {0, "", 0}},
        // No "(": no descriptor, the first character consumed.
        {"=>(5=6)", {1, "", '>'}},
        {"(1=2)(3=4)=", {1, "(1,2)(3,4)", 0}},
        {"(1=2)&", {1, "(1,2)", 0}},
        // A descriptor that breaks off is no descriptor, and ends the reading.
        {"(1=2)&(x=lo)=>", {0, "(1,2)", 'x'}},
        {"(1=2)&(3=", {0, "(1,2)", 0}},
        {"(1=2)&(3=4", {0, "(1,2)", 0}},
        {"(99999999999=1)", {0, "", '='}},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadFrom(text, true), expected);
        EXPECT_EQ(ReadFrom(text, false), expected);
    }
}

}  // namespace
