#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/pair_sack.h"
#include "core/random.h"
#include "tests/support/failure_of.h"

namespace {

using Pairs = std::vector<std::pair<int, int>>;

Pairs PairsOf(const TInt2Sack& s) {
    Pairs out;
    for (int i = 0; i < s.GetNoElem(); ++i) {
        int a = 0;
        int b = 0;
        s.GetElem(i, a, b);
        out.emplace_back(a, b);
    }
    return out;
}

std::string Written(const TInt2Sack& s, int binary) {
    std::ostringstream out;
    s.Write(out, binary);
    return out.str();
}

TInt2Sack ReadBack(const std::string& bytes, int binary) {
    TInt2Sack s;
    s.AddElem(-1, -1);  // whatever was there goes
    std::istringstream in(bytes);
    s.Read(in, binary);
    return s;
}

TEST(Int2Sack, KeepBestReplacesTheFirstSmallestSecondValueOnlyByALargerOne) {
    TInt2Sack s;
    int a = 0;
    for (int b : {5, 1, 7, 3, 9}) s.AddKeepBest(a++, b);
    s.AddKeepBest(50, 4);
    EXPECT_EQ(PairsOf(s), (Pairs{{0, 5}, {50, 4}, {2, 7}, {3, 3}, {4, 9}}));
    s.AddKeepBest(60, 2);
    s.AddKeepBest(70, 3);  // equal to the minimum: no change
    EXPECT_EQ(PairsOf(s), (Pairs{{0, 5}, {50, 4}, {2, 7}, {3, 3}, {4, 9}}));
    s.AddKeepBest(80, 4);
    EXPECT_EQ(PairsOf(s), (Pairs{{0, 5}, {50, 4}, {2, 7}, {80, 4}, {4, 9}}));
    s.AddKeepBest(90, 5);  // the first of the two 4s goes
    EXPECT_EQ(PairsOf(s), (Pairs{{0, 5}, {90, 5}, {2, 7}, {80, 4}, {4, 9}}));
}

TEST(Int2Sack, AppendsGrowByStepAndRemovalTakesTheFirstEqualPair) {
    TInt2Sack s;
    for (int i = 0; i < 9; ++i) s.AddElem(i, 0);
    EXPECT_EQ(s.GetCapacity(), 10);
    s.AddElem(1, 0);
    EXPECT_EQ(s.GetCapacity(), 20);
    s.AddUnique(1, 0);
    s.AddUnique(1, 1);
    EXPECT_EQ(s.GetNoElem(), 11);
    s.RemoveElem(1, 0);
    s.RemoveElem(5, 5);
    EXPECT_EQ(PairsOf(s)[1], std::make_pair(2, 0));
    EXPECT_EQ(PairsOf(s)[8], std::make_pair(1, 0));
    s.Clear();
    EXPECT_EQ(s.GetNoElem(), 0);
    EXPECT_EQ(s.GetCapacity(), 10);

    Failure f = FailureOf([&] {
        int a, b;
        s.GetElem(0, a, b);
    });
    EXPECT_EQ(f.code, 5);
    EXPECT_EQ(f.log, "Bad number of element in TInt2Sack::GetElem \n");
}

TEST(Int2Sack, TextAndBinaryForms) {
    TInt2Sack s;
    s.AddElem(1, 2);
    s.AddElem(3, 4);
    EXPECT_EQ(Written(s, 0), "2\n1 2  3 4  \n");
    EXPECT_EQ(Written(s, 1), std::string("\x02\0\0\0\x01\0\0\0\x02\0\0\0\x03\0\0\0\x04\0\0\0", 20));
    EXPECT_EQ(Written(TInt2Sack(), 0), "0\n\n");

    // Write, read and write again, for sacks of every size up to a few steps.
    ResetRandomForTests();
    SeedRand(7);
    for (int n = 0; n < 40; ++n) {
        TInt2Sack random;
        for (int i = 0; i < n; ++i) random.AddElem(Rand() - 16384, Rand() * 65537);
        for (int binary : {0, 1}) {
            const std::string bytes = Written(random, binary);
            TInt2Sack back = ReadBack(bytes, binary);
            EXPECT_EQ(PairsOf(back), PairsOf(random));
            EXPECT_EQ(Written(back, binary), bytes);
        }
    }
}

TEST(Int2Sack, ReadingKeepsThePairsReadBeforeTheFirstFailure) {
    EXPECT_EQ(PairsOf(ReadBack("3\n1 2 3 x 5 6", 0)), (Pairs{{1, 2}}));
    EXPECT_EQ(PairsOf(ReadBack("2 7 8", 0)), (Pairs{{7, 8}}));
    EXPECT_EQ(PairsOf(ReadBack("-3 1 2", 0)), Pairs{});
    EXPECT_EQ(PairsOf(ReadBack("", 0)), Pairs{});

    // A huge stored count is not taken for the number of pairs present.
    std::string bytes("\xff\xff\xff\x7f\x05\0\0\0\x06\0\0\0\x07\0", 14);
    TInt2Sack s = ReadBack(bytes, 1);
    EXPECT_EQ(PairsOf(s), (Pairs{{5, 6}}));
    EXPECT_EQ(s.GetCapacity(), 2147483647);
    TInt2Sack negative = ReadBack(std::string("\xfe\xff\xff\xff\x01\0\0\0\x02\0\0\0", 12), 1);
    EXPECT_EQ(PairsOf(negative), Pairs{});
    EXPECT_EQ(negative.GetCapacity(), 10);
    EXPECT_EQ(ReadBack(std::string("\x01\0", 2), 1).GetNoElem(), 0);
}

}  // namespace
