#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/int_sack.h"
#include "core/table.h"
#include "tests/support/test_files.h"

namespace {

TIntSack Sack(std::initializer_list<int> values) {
    TIntSack s;
    for (int v : values) s.AddElem(v);
    return s;
}

std::vector<int> Elems(const TIntSack& s) { return std::vector<int>(s.begin(), s.end()); }

// Runs `call`, expecting an Error with `code`; returns the LOG it wrote.
std::string ExpectError(int code, const std::function<void()>& call) {
    LogCapture log;
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), code);
    }
    return log.Text();
}

TEST(IntSackGrowth, CapacityGrowsByTheStepWhenOneSlotIsLeft) {
    TIntSack s;
    EXPECT_EQ(s.GetStep(), 10);
    for (int i = 0; i < 9; ++i) s.AddElem(i);
    EXPECT_EQ(s.GetCapacity(), 10);
    s.AddElem(9);
    EXPECT_EQ(s.GetCapacity(), 20);
    EXPECT_EQ(s.GetNoElem(), 10);

    TIntSack one(0);
    EXPECT_EQ(one.GetStep(), 1);
    EXPECT_EQ(one.GetCapacity(), 1);
    one.AddElem(5);
    EXPECT_EQ(one.GetCapacity(), 2);
    one.AddElem(6);
    EXPECT_EQ(one.GetCapacity(), 3);

    TIntSack big(1000000);
    EXPECT_EQ(big.GetCapacity(), 1000000);
    big.Clear();
    EXPECT_EQ(big.GetStep(), 10);
    EXPECT_EQ(big.GetCapacity(), 10);
}

TEST(IntSackGrowth, InsertionsGrowLikeAppends) {
    TIntSack s(2);
    s.InsertSorted(5);
    EXPECT_EQ(s.GetCapacity(), 2);
    s.InsertSorted(1);  // 1 + 1 reaches 2
    EXPECT_EQ(s.GetCapacity(), 4);
    s.InsertSorted(3);
    EXPECT_EQ(s.GetCapacity(), 4);
    s.InsertSorted(4);  // 3 + 1 reaches 4
    EXPECT_EQ(s.GetCapacity(), 6);
    s.InsertSorted(4);  // present: nothing grows
    EXPECT_EQ(s.GetCapacity(), 6);
    EXPECT_EQ(Elems(s), (std::vector<int>{1, 3, 4, 5}));
}

// Room reserved behind a sack changes neither its visible capacity nor how it grows.
TEST(IntSackGrowth, ReservedStorageLeavesTheVisibleCapacity) {
    TIntSack plain(3);
    TIntSack reserved(3);
    reserved.ReserveStorage(50);
    reserved.ReserveStorage(-1);
    EXPECT_EQ(reserved.GetCapacity(), 3);
    for (int i = 0; i < 12; ++i) {
        plain.AddElem(i);
        reserved.AddElem(i);
        EXPECT_EQ(reserved.GetCapacity(), plain.GetCapacity());
    }
    EXPECT_EQ(Elems(reserved), Elems(plain));
}

TEST(IntSackCopy, AssignmentTakesStepCapacityAndElements) {
    TIntSack a(3);
    for (int i = 0; i < 5; ++i) a.AddElem(i);
    TIntSack b;
    b = a;
    EXPECT_EQ(b.GetStep(), 3);
    EXPECT_EQ(b.GetCapacity(), a.GetCapacity());
    EXPECT_EQ(Elems(b), Elems(a));
    EXPECT_EQ(b == a, 1);
    b.SetElem(0, 9);
    EXPECT_EQ(a.GetElem(0), 0);
    EXPECT_EQ(b == a, 0);
    EXPECT_EQ(Sack({1, 2}) == Sack({1, 2, 3}), 0);
    EXPECT_EQ(Sack({2, 1}) == Sack({1, 2}), 0);
    b = b;
    EXPECT_EQ(b.GetNoElem(), 5);
}

TEST(IntSackEdit, InsertSorted) {
    TIntSack s = Sack({1, 3, 5});
    s.InsertSorted(4);
    EXPECT_EQ(Elems(s), (std::vector<int>{1, 3, 4, 5}));
    s.InsertSorted(3);
    EXPECT_EQ(Elems(s), (std::vector<int>{1, 3, 4, 5}));
    s.InsertSorted(0);
    s.InsertSorted(9);
    EXPECT_EQ(Elems(s), (std::vector<int>{0, 1, 3, 4, 5, 9}));
}

TEST(IntSackEdit, AddUniqueRemoveValueAndRemoveElem) {
    TIntSack s = Sack({4, 2});
    s.AddUnique(2);
    s.AddUnique(7);
    EXPECT_EQ(Elems(s), (std::vector<int>{4, 2, 7}));
    s.AddElem(2);
    s.RemoveValue(2);
    EXPECT_EQ(Elems(s), (std::vector<int>{4, 7, 2}));
    s.RemoveValue(99);
    s.RemoveElem(0);
    EXPECT_EQ(Elems(s), (std::vector<int>{7, 2}));
    s.Swap(0, 1);
    EXPECT_EQ(Elems(s), (std::vector<int>{2, 7}));
}

TEST(IntSackEdit, BadIndexesLogAndRaiseCodeFive) {
    TIntSack s = Sack({1, 2});
    EXPECT_EQ(ExpectError(5, [&] { s.GetElem(2); }), "Bad number of element in TIntSack::GetElem \n");
    EXPECT_EQ(ExpectError(5, [&] { s.SetElem(-1, 0); }),
              "Bad number of element in TIntSack::SetElem \n");
    EXPECT_EQ(ExpectError(5, [&] { s.RemoveElem(2); }),
              "Bad number of element in TIntSack::RemoveElem \n");
    EXPECT_EQ(Elems(s), (std::vector<int>{1, 2}));
}

// Clauses as attribute masks.
TEST(IntSackEdit, AddAbsorb) {
    TIntSack holdsSubset = Sack({1});
    holdsSubset.AddAbsorb(3);
    EXPECT_EQ(Elems(holdsSubset), (std::vector<int>{1}));

    TIntSack holdsSupersets = Sack({7, 4, 15});
    holdsSupersets.AddAbsorb(3);
    EXPECT_EQ(Elems(holdsSupersets), (std::vector<int>{3, 4, 3}));

    TIntSack unrelated = Sack({4});
    unrelated.AddAbsorb(3);
    EXPECT_EQ(Elems(unrelated), (std::vector<int>{4, 3}));

    TIntSack empty;
    empty.AddAbsorb(3);
    EXPECT_EQ(Elems(empty), (std::vector<int>{3}));

    TIntSack equal = Sack({3});
    equal.AddAbsorb(3);
    EXPECT_EQ(Elems(equal), (std::vector<int>{3}));
}

TEST(IntSackEdit, CopyWithInsertedAppendsTheMergedList) {
    TIntSack source = Sack({1, 4});
    TIntSack a;
    a.CopyWithInserted(source, 3);
    EXPECT_EQ(Elems(a), (std::vector<int>{1, 3, 4}));
    TIntSack b;
    b.CopyWithInserted(source, 4);
    EXPECT_EQ(Elems(b), (std::vector<int>{1, 4}));
    TIntSack c = Sack({9});
    c.CopyWithInserted(source, 7);
    c.CopyWithInserted(source, 0);
    EXPECT_EQ(Elems(c), (std::vector<int>{9, 1, 4, 7, 0, 1, 4}));
    TIntSack d;
    d.CopyWithInserted(TIntSack(), 5);
    EXPECT_EQ(Elems(d), (std::vector<int>{5}));
}

TEST(IntSackSort, SortAndQuickSortAscend) {
    TIntSack s = Sack({5, -1, 3, 5, 0, 2147483647, -2147483647 - 1});
    s.Sort();
    EXPECT_EQ(Elems(s), (std::vector<int>{-2147483647 - 1, -1, 0, 3, 5, 5, 2147483647}));
    TIntSack part = Sack({9, 4, 3, 1, 0});
    part.QuickSort(1, 3);
    EXPECT_EQ(Elems(part), (std::vector<int>{9, 1, 3, 4, 0}));
    TIntSack none;
    none.Sort();
    none.QuickSort(0, -1);
    EXPECT_EQ(none.GetNoElem(), 0);
}

// The sort by key is not stable: elements of equal key end where the exchanges leave them.
TEST(IntSackSort, SortByBitCountMovesElementsWithTheirKeys) {
    TIntSack s = Sack({6, 3, 5, 1});
    s.SortByBitCount(3);
    EXPECT_EQ(Elems(s), (std::vector<int>{1, 6, 5, 3}));
    TIntSack t = Sack({7, 1, 3});
    t.SortByBitCount(3);
    EXPECT_EQ(Elems(t), (std::vector<int>{1, 3, 7}));
    // Only the n lowest bits count: 8 has none of them, 3 has two.
    TIntSack u = Sack({3, 8, 1});
    u.SortByBitCount(3);
    EXPECT_EQ(Elems(u), (std::vector<int>{8, 1, 3}));
    // All 32 bits, the sign bit included.
    TIntSack v = Sack({-1, 0x7fffffff, 1});
    v.SortByBitCount(32);
    EXPECT_EQ(Elems(v), (std::vector<int>{1, 0x7fffffff, -1}));
}

TEST(IntSackSort, EqualKeysAndSortedKeysKeepTheirOrder) {
    TIntSack s;
    for (int i = 0; i < 3000; ++i) s.AddElem(1 << (i % 31));
    std::vector<int> before = Elems(s);
    s.SortByBitCount(31);  // every key is 1: each partition leaves its range as it is
    EXPECT_EQ(Elems(s), before);
}

TEST(IntSackMembership, IsInAndIsInSorted) {
    TIntSack s = Sack({1, 5, 3});
    EXPECT_EQ(s.IsIn(3), 1);
    EXPECT_EQ(s.IsIn(4), 0);
    EXPECT_EQ(s.IsInSorted(5), 1);
    EXPECT_EQ(s.IsInSorted(3), 0);  // the scan stops at 5, the first larger element
    EXPECT_EQ(TIntSack().IsInSorted(0), 0);
}

TEST(IntSackMembership, Included) {
    TIntSack big = Sack({1, 2, 3, 5});
    EXPECT_EQ(Sack({1, 3}).Included(big), 1);
    EXPECT_EQ(Sack({3, 1}).Included(big), 1);
    EXPECT_EQ(Sack({2, 4}).Included(big), 0);
    EXPECT_EQ(Sack({1, 2, 3, 5}).Included(big), 1);
    EXPECT_EQ(Sack({1, 2, 3, 5, 6}).Included(big), 0);
    EXPECT_EQ(Sack({1, 1}).Included(Sack({1})), 0);  // the given sack is shorter
    EXPECT_EQ(ExpectError(5, [&] { TIntSack().Included(big); }),
              "Bad number of element in TIntSack::Included \n");
}

TEST(IntSackMembership, MeetsAndSingleCommonElem) {
    TIntSack sorted = Sack({1, 2, 3});
    EXPECT_EQ(Sack({5, 2}).Meets(sorted), 1);
    EXPECT_EQ(Sack({0, 4}).Meets(sorted), 0);
    EXPECT_EQ(TIntSack().Meets(sorted), 0);
    EXPECT_EQ(Sack({1}).Meets(TIntSack()), 0);

    EXPECT_EQ(Sack({2, 5}).SingleCommonElem(sorted), 2);
    EXPECT_EQ(Sack({5, 3, 0}).SingleCommonElem(sorted), 3);
    EXPECT_EQ(Sack({2, 3}).SingleCommonElem(sorted), -1);
    EXPECT_EQ(Sack({3, 2}).SingleCommonElem(sorted), -1);
    EXPECT_EQ(Sack({4, 6}).SingleCommonElem(sorted), -1);
    EXPECT_EQ(TIntSack().SingleCommonElem(sorted), -1);
    EXPECT_EQ(Sack({2}).SingleCommonElem(TIntSack()), -1);
}

TEST(IntSackTable, MakeSubTableInItsThreeModes) {
    TTable t;
    t.CreateTable(3, 3);
    for (int i = 0; i < 9; ++i) t.SetTable(0, i, 10 * (i / 3) + i % 3);  // value = 10 o + a
    TIntSack rows = Sack({2, 0});
    TIntSack cols = Sack({1});

    std::unique_ptr<TTable> m0 = rows.MakeSubTable(t, nullptr, 0);
    ASSERT_EQ(m0->GetNoObj(), 2);
    ASSERT_EQ(m0->GetNoAttr(), 3);
    EXPECT_EQ(m0->GetTable(0, 1), 21);
    EXPECT_EQ(m0->GetTable(1, 2), 2);

    std::unique_ptr<TTable> m1 = Sack({2, 1}).MakeSubTable(t, nullptr, 1);
    ASSERT_EQ(m1->GetNoObj(), 3);
    ASSERT_EQ(m1->GetNoAttr(), 2);
    EXPECT_EQ(m1->GetTable(2, 0), 22);
    EXPECT_EQ(m1->GetTable(0, 1), 1);

    std::unique_ptr<TTable> m2 = rows.MakeSubTable(t, &cols, 7);
    ASSERT_EQ(m2->GetNoObj(), 2);
    ASSERT_EQ(m2->GetNoAttr(), 1);
    EXPECT_EQ(m2->GetTable(0, 0), 21);
    EXPECT_EQ(m2->GetTable(1, 0), 1);

    std::unique_ptr<TTable> none = TIntSack().MakeSubTable(t, nullptr, 0);
    EXPECT_EQ(none->GetNoObj(), 0);
    EXPECT_EQ(none->GetNoAttr(), 3);
    EXPECT_EQ(none->GetSize(), 0);

    EXPECT_EQ(ExpectError(5, [&] { Sack({3}).MakeSubTable(t, nullptr, 0); }),
              "Bad element number in TTable::GetTable\n");
}

TEST(IntSackFile, PrintSaveAndLoad) {
    TIntSack s = Sack({4, 7});
    std::ostringstream out;
    s.Print(out);
    EXPECT_EQ(out.str(), "2 4 7 \n");

    ScratchDir dir;
    const std::string name = dir.File("s.int");
    s.Save(name.c_str());
    EXPECT_EQ(ReadFileBytes(name), "IntSack:\n2\n4 7 \n");
    TIntSack back(3);
    back.AddElem(1);
    back.Load(name.c_str());
    EXPECT_EQ(Elems(back), (std::vector<int>{4, 7}));
    EXPECT_EQ(back.GetStep(), 10);

    TIntSack empty;
    empty.Save(name.c_str());
    EXPECT_EQ(ReadFileBytes(name), "IntSack:\n0\n\n");
}

TEST(IntSackFile, LoadStopsAtTheFirstValueThatFailsOrEndsTheFile) {
    struct Case {
        const char* bytes;
        std::vector<int> elems;
    };
    const std::string longLine(200, 'x');
    const Case cases[] = {
        {"anything at all\n3\n1 2 3\n", {1, 2, 3}},
        {"IntSack:\n3\n1 2 3", {1, 2}},        // the last value runs into the end
        {"IntSack:\n5\n1 2 3\n", {1, 2, 3}},   // fewer values than counted
        {"IntSack:\n2\n1 2 3 4\n", {1, 2}},
        {"IntSack:\n3\n1 x 3\n", {1}},
        {"IntSack:\n-4\n1 2\n", {}},
        {"IntSack:\n2", {}},
        {"IntSack:", {}},
        {"", {}},
        {"\n1\n-5 ", {-5}},
    };
    ScratchDir dir;
    const std::string name = dir.File("s.int");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        WriteFileBytes(name, c.bytes);
        TIntSack s = Sack({99});
        s.Load(name.c_str());
        EXPECT_EQ(Elems(s), c.elems);
    }
    // The first line is skipped up to 199 characters; a longer one leaves nothing readable.
    WriteFileBytes(name, std::string(199, 'x') + "\n1\n8 \n");
    TIntSack fits;
    fits.Load(name.c_str());
    EXPECT_EQ(Elems(fits), (std::vector<int>{8}));
    WriteFileBytes(name, longLine + "\n1\n8 \n");
    TIntSack tooLong;
    tooLong.Load(name.c_str());
    EXPECT_EQ(tooLong.GetNoElem(), 0);
}

TEST(IntSackFile, FileFailures) {
    ScratchDir dir;
    const std::string missing = dir.File("missing");
    TIntSack s = Sack({1});
    EXPECT_EQ(ExpectError(6, [&] { s.Load(missing.c_str()); }),
              "Error: Can't open file with integer sack\n");
    EXPECT_EQ(Elems(s), (std::vector<int>{1}));
    const std::string badFolder = dir.File("no/such/s.int");
    EXPECT_EQ(ExpectError(7, [&] { s.Save(badFolder.c_str()); }),
              "Error: Can't save file with integer sack\n");
}

// ---- TIntSackSet

std::unique_ptr<TIntSack> Owned(std::initializer_list<int> values) {
    return std::make_unique<TIntSack>(Sack(values));
}

std::vector<std::vector<int>> Members(const TIntSackSet& set) {
    std::vector<std::vector<int>> out;
    for (int i = 0; i < set.GetNoElem(); ++i) {
        const TIntSack* s = set.GetElem(i);
        out.push_back(s ? Elems(*s) : std::vector<int>{-999});
    }
    return out;
}

using Lists = std::vector<std::vector<int>>;

std::unique_ptr<TIntSackSet> SetOf(std::initializer_list<std::initializer_list<int>> sacks,
                                   int step = 10) {
    auto set = std::make_unique<TIntSackSet>(step);
    for (auto s : sacks) set->AddElem(Owned(s));
    return set;
}

TEST(IntSackSet, StepsCapacityAndHandOver) {
    TIntSackSet set(-5);
    EXPECT_EQ(set.GetStep(), 1);
    EXPECT_EQ(set.GetCapacity(), 1);
    set.AddElem(Owned({1}));
    set.AddElem(Owned({2}));
    EXPECT_EQ(set.GetCapacity(), 3);
    std::unique_ptr<TIntSack> taken = set.ClearElem(0);
    EXPECT_EQ(Elems(*taken), (std::vector<int>{1}));
    EXPECT_EQ(set.GetElem(0), nullptr);
    EXPECT_EQ(set.GetNoElem(), 2);
}

TEST(IntSackSet, AssignmentCopiesMembersAndNullSlots) {
    auto a = SetOf({{1, 2}, {3}, {4}}, 4);
    a->ClearElem(1);
    TIntSackSet b(10);
    b.AddElem(Owned({7}));
    b = *a;
    EXPECT_EQ(b.GetStep(), 4);
    EXPECT_EQ(b.GetCapacity(), a->GetCapacity());
    EXPECT_EQ(Members(b), (Lists{{1, 2}, {-999}, {4}}));
    a->GetElem(0)->AddElem(9);
    EXPECT_EQ(Members(b), (Lists{{1, 2}, {-999}, {4}}));
}

TEST(IntSackSet, SortBySizeIsTheUnstableQuicksort) {
    auto set = SetOf({{1, 2}, {3}, {4, 5}, {6}});
    set->SortBySize();
    EXPECT_EQ(Members(*set), (Lists{{6}, {3}, {1, 2}, {4, 5}}));
}

TEST(IntSackSet, CompactDropsNullSlotsAndCapacityFollows) {
    auto set = SetOf({{1}, {2}, {3}}, 5);
    set->ClearElem(0);
    set->ClearElem(2);
    set->Compact();
    EXPECT_EQ(Members(*set), (Lists{{2}}));
    EXPECT_EQ(set->GetCapacity(), 1);
    set->AddElem(Owned({8}));
    EXPECT_EQ(set->GetCapacity(), 6);
    EXPECT_EQ(Members(*set), (Lists{{2}, {8}}));
}

TEST(IntSackSet, RemoveDuplicatesKeepsTheFirstOfEqualSacks) {
    auto set = SetOf({{1, 2}, {3}, {1, 2}, {2, 1}, {3}, {}, {}});
    set->ClearElem(1);
    set->RemoveDuplicates();
    EXPECT_EQ(Members(*set), (Lists{{1, 2}, {2, 1}, {3}, {}}));
    EXPECT_EQ(set->GetCapacity(), 4);
}

TEST(IntSackSet, RemoveSupersets) {
    auto set = SetOf({{1}, {1, 2}, {2, 3}});
    set->RemoveSupersets(1, 3);
    EXPECT_EQ(Members(*set), (Lists{{1}, {-999}, {2, 3}}));

    // Of equal sacks the first stays; supersets of any length go, also beyond maxLen.
    auto equal = SetOf({{2, 5, 7}, {2, 5}, {0, 2, 5, 9}, {2, 5}, {5, 7}});
    equal->RemoveSupersets(2, 2);
    EXPECT_EQ(Members(*equal), (Lists{{-999}, {2, 5}, {-999}, {-999}, {5, 7}}));

    // Only sacks whose length lies in minLen..maxLen remove others.
    auto range = SetOf({{1}, {1, 2}, {1, 2, 3}});
    range->RemoveSupersets(2, 2);
    EXPECT_EQ(Members(*range), (Lists{{1}, {1, 2}, {-999}}));
}

TEST(IntSackSet, RemoveSupersetsEndsAtASackWithoutCandidates) {
    // {4, 5, 6} is the only sack of its length or longer, so the work ends there; nothing
    // else could have been removed.
    auto set = SetOf({{1, 2}, {4, 5, 6}, {3}});
    set->RemoveSupersets(2, 3);
    EXPECT_EQ(Members(*set), (Lists{{1, 2}, {4, 5, 6}, {3}}));
    auto withEmpty = SetOf({{}, {1}});
    EXPECT_EQ(ExpectError(5, [&] { withEmpty->RemoveSupersets(0, 1); }),
              "Bad number of element in TIntSack::Included \n");
}

}  // namespace
