#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "rough/decision/subset.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/small_stack.h"

namespace {

using genetic_subsets::ReductStore;
using genetic_subsets::Subset;
using genetic_subsets::SubsetSet;
using genetic_subsets::SubsetTree;

Subset Of(int bits, std::vector<int> elements) {
    Subset s(bits);
    for (int e : elements) s.Set(e);
    return s;
}

std::string Bits(const Subset& s) {
    std::ostringstream out;
    s.Print(out);
    return out.str();
}

std::vector<std::string> Entries(const ReductStore& store) {
    std::vector<std::string> out;
    for (int i = 0; i < store.GetCount(); ++i) {
        std::ostringstream line;
        store.Item(i)->Print(line);
        line << ' ' << store.cost(i);
        out.push_back(line.str());
    }
    return out;
}

TEST(Subset, WordsHoldThirtyTwoElementsEach) {
    Subset s32(32);
    EXPECT_EQ(s32.GetWordCount(), 1);
    Subset s33(33);
    EXPECT_EQ(s33.GetWordCount(), 2);
    EXPECT_EQ(s33.GetSize(), 33);
    s33.Set(32);
    EXPECT_EQ(s33.GetWords()[0], 0u);
    EXPECT_EQ(s33.GetWords()[1], 1u);
    s33.Set(0);
    s33.Set(31);
    EXPECT_EQ(s33.GetWords()[0], 0x80000001u);
    EXPECT_EQ(s33.Count(), 3);
    EXPECT_EQ(s33.IsSet(31), 1);
    EXPECT_EQ(s33.IsSet(30), 0);
    s33.Reset(31);
    EXPECT_EQ(s33.IsSet(31), 0);
}

TEST(Subset, SetAllClearAndSetList) {
    Subset s(33);
    s.SetAll();
    EXPECT_EQ(s.Count(), 33);
    EXPECT_EQ(s.GetWords()[1], 1u);  // nothing above the bit count
    s.Clear();
    EXPECT_EQ(s.Count(), 0);
    const int list[] = {4, 1, 32, 33, 2, -1};
    s.SetList(list);  // stops at 33, the first entry not below the bit count
    EXPECT_EQ(s.Count(), 3);
    EXPECT_EQ(s.IsSet(2), 0);
    const int ended[] = {5, -1, 6};
    s.SetList(ended);
    EXPECT_EQ(s.IsSet(5), 1);
    EXPECT_EQ(s.IsSet(6), 0);
    EXPECT_EQ(Bits(Of(4, {1, 2})), "0110");
}

TEST(Subset, OutOfRangeElementsArePrintedAndIgnored) {
    testing::internal::CaptureStderr();
    Subset empty(0);
    Subset negative(-3);
    Subset s(4);
    s.Set(4);
    s.Set(-1);
    s.Reset(7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Subset 0 or less\nSubset 0 or less\nSubset: set 4\nSubset: set -1\nSubset: reset 7\n");
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(empty.GetSize(), 0);
    EXPECT_EQ(negative.GetSize(), -3);
    EXPECT_EQ(negative.GetWordCount(), 0);
    EXPECT_EQ(Bits(negative), "");
    EXPECT_EQ(Subset().GetSize(), 0);
}

TEST(Subset, OrderIsWordByWordAsUnsigned) {
    EXPECT_EQ(Of(8, {0}) < Of(8, {1}), 1);
    EXPECT_EQ(Of(8, {1}) < Of(8, {0}), 0);
    EXPECT_EQ(Of(32, {0}) < Of(32, {31}), 1);  // bit 31 alone is the greater word
    EXPECT_EQ(Of(32, {31}) < Of(32, {0}), 0);
    EXPECT_EQ(Of(64, {0, 63}) < Of(64, {1}), 1);  // word 0 decides
    EXPECT_EQ(Of(64, {5}) < Of(64, {5}), 0);
    EXPECT_EQ(Of(64, {5, 40}) == Of(64, {5, 40}), 1);
    EXPECT_EQ(Of(64, {5, 40}) == Of(64, {5, 41}), 0);
}

TEST(Subset, InclusionAndCopies) {
    EXPECT_EQ(Of(40, {1, 35}) <= Of(40, {1, 2, 35}), 1);
    EXPECT_EQ(Of(40, {1, 35}) <= Of(40, {1, 2}), 0);
    EXPECT_EQ(Of(40, {}) <= Of(40, {}), 1);
    Subset a = Of(40, {3, 39});
    Subset b(a);
    Subset c(5);
    c = a;
    a.Reset(3);
    EXPECT_EQ(Bits(b), Bits(c));
    EXPECT_EQ(b.Count(), 2);
    EXPECT_EQ(c.GetSize(), 40);
    c = c;
    EXPECT_EQ(c.Count(), 2);
}

TEST(Subset, DifferentSizesArePrintedAndCompareThisSubsetsWords) {
    Subset wide = Of(64, {1, 40});
    Subset narrow = Of(32, {1});
    testing::internal::CaptureStderr();
    EXPECT_EQ(wide == narrow, 0);  // word 1 of the narrow subset reads as 0
    EXPECT_EQ(narrow == wide, 1);  // only the narrow subset's one word is compared
    EXPECT_EQ(narrow < wide, 0);
    EXPECT_EQ(wide <= narrow, 0);
    EXPECT_EQ(narrow <= wide, 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "subset: Operator== error\nsubset: Operator== error\nsubset: Operator< error\n"
              "subset: Operator<= error\nsubset: Operator<= error\n");

    quick_subsets::Subset q1(3);
    quick_subsets::Subset q2(4);
    testing::internal::CaptureStderr();
    (void)(q1 == q2);
    (void)(q1 < q2);
    (void)(q1 <= q2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Subset: Operator== error\nSubset: Operator< error\nSubset: Operator<= error\n");
}

TEST(SubsetSet, InsertAndFind) {
    SubsetSet set;
    EXPECT_EQ(set.Find(Of(8, {1})), 0);
    set.Insert(Of(8, {1}));
    set.Insert(Of(8, {0}));
    set.Insert(Of(8, {1}));
    EXPECT_EQ(set.GetCount(), 2);  // a repeat is not counted
    EXPECT_EQ(set.Find(Of(8, {1})), 1);
    EXPECT_EQ(set.Find(Of(8, {0})), 1);
    EXPECT_EQ(set.Find(Of(8, {0, 1})), 0);
    set.Clear();
    EXPECT_EQ(set.GetCount(), 0);
    EXPECT_EQ(set.Find(Of(8, {1})), 0);
    set.Insert(Of(8, {1}));
    EXPECT_EQ(set.GetCount(), 1);

    SubsetTree tree(Of(8, {2}));
    EXPECT_EQ(tree.Insert(Of(8, {2})), 1);
    EXPECT_EQ(tree.Insert(Of(8, {3})), 0);
    EXPECT_EQ(tree.Insert(Of(8, {3})), 1);
    EXPECT_EQ(tree.Find(Of(8, {3})), 1);
}

// Subsets seen in ascending order make the tree a list; nothing may recurse along it.
TEST(SubsetSet, DeepTreesNeedNoStack) {
    int found = 0;
    RunOnSmallStack(128 * 1024, [&] {
        SubsetSet set;
        for (int i = 0; i < 6000; ++i) {
            Subset s(32);
            for (int b = 0; b < 13; ++b) {
                if ((6000 - i) & (1 << b)) s.Set(b);  // descending: a left list
            }
            set.Insert(s);
        }
        found = set.Find(Of(32, {0, 1}));
    });
    EXPECT_EQ(found, 1);
}

TEST(ReductStore, InsertionEvictsSupersetsAndKeepsCostOrder) {
    ReductStore store;
    store.Insert(Of(5, {1, 2, 3}), 5.0);
    store.Insert(Of(5, {4}), 2.0);
    store.Insert(Of(5, {1, 2}), 3.0);
    EXPECT_EQ(Entries(store), (std::vector<std::string>{"01100 3", "00001 2"}));
    EXPECT_EQ(store.GetCount(), 2);

    store.Insert(Of(5, {1, 2}), 7.0);  // an equal subset replaces the stored one and its cost
    EXPECT_EQ(Entries(store), (std::vector<std::string>{"01100 7", "00001 2"}));

    store.Insert(Of(5, {0}), 7.0);  // equal cost goes after its equals
    store.Insert(Of(5, {3}), 2.0);
    store.Insert(Of(5, {3, 4}), 1.0);  // stored subsets of the newcomer stay
    EXPECT_EQ(Entries(store),
              (std::vector<std::string>{"01100 7", "10000 7", "00001 2", "00010 2", "00011 1"}));
    store.Insert(Of(5, {}), 0.5);  // the empty subset is in every one
    EXPECT_EQ(Entries(store), (std::vector<std::string>{"00000 0.5"}));
    store.Clear();
    EXPECT_EQ(store.GetCount(), 0);
}

TEST(ReductStore, GetCostOfTheFirstContainedSubset) {
    ReductStore store;
    EXPECT_EQ(store.GetCost(Of(5, {1, 2, 3})), 0.0);
    store.Insert(Of(5, {2, 3}), 4.0);
    store.Insert(Of(5, {1}), 6.0);
    EXPECT_EQ(store.GetCost(Of(5, {1, 2, 3})), 6.0);
    EXPECT_EQ(store.GetCost(Of(5, {2, 3, 4})), 4.0);
    EXPECT_EQ(store.GetCost(Of(5, {2, 4})), 0.0);
}

TEST(ReductStore, BadIndexesArePrintedByEachInstance) {
    ReductStore store;
    store.Insert(Of(3, {1}), 1.0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(store.Item(1), nullptr);
    EXPECT_EQ(store.Item(-1), nullptr);
    EXPECT_EQ(store.cost(1), -1.0);
    EXPECT_EQ(store.cost(0), 1.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "reduct_store: item out of range: 1\nreduct_store: item returns NULL\n"
              "reduct_store: item out of range: -1\nreduct_store: item returns NULL\n"
              "reduct_store::cost out of range\nreduct_store::cost returns -1\n");

    quick_subsets::ReductStore quick;
    testing::internal::CaptureStderr();
    EXPECT_EQ(quick.Item(0), nullptr);
    EXPECT_EQ(quick.cost(-2), -1.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ReductStore: item out of range: 0\nReductStore: Item returns NULL\n"
              "ReductStore::cost out of range\nReductStore::cost returns -1\n");
}

// One piece of code, two ways of failing an allocation.
TEST(SubsetPolicies, FailedAllocations) {
    Subset kept = Of(8, {1});
    ReductStore store;
    store.Insert(Of(8, {1, 2}), 2.0);
    SubsetSet set;
    set.Insert(kept);
    {
        FailingAllocation failing;
        EXPECT_THROW(Subset(8), MemError);
        EXPECT_THROW(Subset{kept}, MemError);
        EXPECT_THROW(set.Insert(Of(8, {})), MemError);
        EXPECT_THROW(store.Insert(kept, 1.0), MemError);
    }
    // A failed insertion leaves the store as it was.
    EXPECT_EQ(Entries(store), (std::vector<std::string>{"01100000 2"}));

    quick_subsets::Subset quickKept(8);
    quick_subsets::ReductStore quickStore;
    FailingAllocation failing;
    for (auto call : std::vector<std::function<void()>>{
             [] { quick_subsets::Subset s(8); },
             [&] { quick_subsets::Subset copy(quickKept); },
             [&] { quickStore.Insert(quickKept, 1.0); },
         }) {
        try {
            call();
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 2);
            EXPECT_STREQ(e.GetMessage(), "Error: Not enough memory!");
        }
    }
}

}  // namespace
