#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/int_sack.h"
#include "core/int_tree.h"
#include "core/pair_sack.h"
#include "core/random.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/small_stack.h"

namespace {

std::unique_ptr<TIntTree> Tree(std::initializer_list<int> keys) {
    auto it = keys.begin();
    auto root = std::make_unique<TIntTree>(*it);
    for (++it; it != keys.end(); ++it) root->Add(*it);
    return root;
}

std::vector<int> Keys(const TIntTree& t) {
    TIntSack s;
    t.GetKeys(s);
    return std::vector<int>(s.begin(), s.end());
}

std::string PreOrder(const TIntTree& t) {
    std::ostringstream out;
    t.PrintKeys(out);
    return out.str();
}

// Checks the search order and gathers key -> count through the public links.
void Collect(const TIntTree* node, long long low, long long high, std::map<int, int>& out) {
    std::vector<std::pair<const TIntTree*, std::pair<long long, long long>>> todo{{node, {low, high}}};
    while (!todo.empty()) {
        auto [n, range] = todo.back();
        todo.pop_back();
        if (n == nullptr) continue;
        ASSERT_GT(n->GetKey(), range.first);
        ASSERT_LT(n->GetKey(), range.second);
        out[n->GetKey()] = n->GetCount();
        todo.push_back({n->GetLeft(), {range.first, n->GetKey()}});
        todo.push_back({n->GetRight(), {n->GetKey(), range.second}});
    }
}

TEST(IntTree, AddCountsRepetitions) {
    TIntTree root(5);
    EXPECT_EQ(root.Add(5), 0);
    EXPECT_EQ(root.Add(5), 0);
    EXPECT_EQ(root.Add(5), 0);
    EXPECT_EQ(root.GetCount(), 4);
    EXPECT_EQ(root.GetNoNodes(), 1);
    EXPECT_EQ(root.Add(2), 1);
    EXPECT_EQ(root.Find(2), 1);
    EXPECT_EQ(root.Find(3), 0);
    EXPECT_EQ(TIntTree(7, 9).GetCount(), 9);
    EXPECT_EQ(TIntTree::Compare(1, 2), -1);
    EXPECT_EQ(TIntTree::Compare(2, 2), 0);
    EXPECT_EQ(TIntTree::Compare(-2147483647 - 1, 2147483647), -1);
}

TEST(IntTree, GetKeysIsRightSubtreeNodeLeftSubtreeEachInPreOrder) {
    EXPECT_EQ(Keys(*Tree({5, 3, 8})), (std::vector<int>{8, 5, 3}));
    EXPECT_EQ(Keys(*Tree({5, 3, 8, 1, 4, 7, 9})), (std::vector<int>{8, 7, 9, 5, 3, 1, 4}));
    EXPECT_EQ(Keys(*Tree({5})), (std::vector<int>{5}));
}

TEST(IntTree, PrintAndPrintKeysArePreOrder) {
    auto t = Tree({5, 3, 8, 1, 4, 7, 9, 3});
    EXPECT_EQ(PreOrder(*t), "5 3 1 4 8 7 9 ");
    testing::internal::CaptureStdout();
    Tree({5, 3, 8})->Print();
    t->Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "(5,1) (3,1) (8,1) (5,1) (3,2) (1,1) (4,1) (8,1) (7,1) (9,1) ");
}

TEST(IntTree, KeysIntoSacksAndTrees) {
    auto t = Tree({5, 3, 8, 3, 3, 8});
    TIntSack s;
    s.AddElem(8);
    t->AddKeysTo(s);
    EXPECT_EQ(std::vector<int>(s.begin(), s.end()), (std::vector<int>{8, 5, 3}));

    TIntTree other(8);
    t->AddKeysToTree(other);  // one occurrence per key, whatever its count
    EXPECT_EQ(PreOrder(other), "8 5 3 ");
    EXPECT_EQ(other.GetCount(), 2);
    EXPECT_EQ(other.GetLeft()->GetCount(), 1);
}

TEST(IntTree, CountsAndExtremes) {
    auto t = Tree({5, 3, 8, 3, 8, 1});
    int counter = 10;
    t->CountKeysWithCount(2, counter);
    EXPECT_EQ(counter, 12);

    int key = -2147483647 - 1;
    int count = -1;
    t->GetMaxKey(key, count);
    EXPECT_EQ(key, 8);
    EXPECT_EQ(count, 2);
    key = 100;
    count = -1;
    t->GetMaxKey(key, count);  // nothing beats the start
    EXPECT_EQ(key, 100);
    EXPECT_EQ(count, -1);

    // Counts 3 and 8 tie at 2: the first in pre-order (5, 3, 1, 8) wins.
    key = -1;
    count = 0;
    t->GetMostFrequent(key, count);
    EXPECT_EQ(key, 3);
    EXPECT_EQ(count, 2);
    key = -1;
    count = 2;
    t->GetMostFrequent(key, count);
    EXPECT_EQ(key, -1);
}

TEST(IntTreeRemove, TheLastKeyIsLeftToTheCaller) {
    TIntTree root(4);
    EXPECT_EQ(root.Remove(4), 0);
    EXPECT_EQ(root.GetKey(), 4);
    EXPECT_EQ(root.Remove(9), 1);
}

TEST(IntTreeRemove, LeavesOneChildAndTwoChildren) {
    auto t = Tree({50, 30, 80, 20, 10, 25, 22, 40, 90, 85, 25, 25});
    EXPECT_EQ(t->Remove(10), 1);  // a leaf
    EXPECT_EQ(PreOrder(*t), "50 30 20 25 22 40 80 90 85 ");
    EXPECT_EQ(t->Remove(80), 1);  // only a right child, which it takes over
    EXPECT_EQ(PreOrder(*t), "50 30 20 25 22 40 90 85 ");
    // Two children: 30 takes the largest key on its left, 25 with its count, and the node
    // that held 25 takes over its own left child.
    EXPECT_EQ(t->Remove(30), 1);
    EXPECT_EQ(PreOrder(*t), "50 25 20 22 40 90 85 ");
    std::map<int, int> nodes;
    Collect(t.get(), -1, 100, nodes);
    EXPECT_EQ(nodes, (std::map<int, int>{{20, 1}, {22, 1}, {25, 3}, {40, 1}, {50, 1}, {85, 1}, {90, 1}}));
    EXPECT_EQ(t->Remove(50), 1);  // the root takes 40, a leaf, which goes
    EXPECT_EQ(PreOrder(*t), "40 25 20 22 90 85 ");
    EXPECT_EQ(t->Remove(25), 1);  // only a left child now
    EXPECT_EQ(PreOrder(*t), "40 20 22 90 85 ");
    EXPECT_EQ(t->Remove(77), 1);
    EXPECT_EQ(t->GetNoNodes(), 5);
}

TEST(IntTreeRemove, AgreesWithAModelUnderRandomWork) {
    SeedRand(7);
    std::map<int, int> model{{500, 1}};
    TIntTree root(500);
    for (int step = 0; step < 4000; ++step) {
        int k = Rand() % 1000;
        if (Rand() % 3 == 0) {
            if (k == 500) continue;  // the root stays, as its holder would need to delete it
            root.Remove(k);
            model.erase(k);
        } else {
            root.Add(k);
            ++model[k];
        }
    }
    std::map<int, int> nodes;
    Collect(&root, -1, 1000, nodes);
    EXPECT_EQ(nodes, model);
    EXPECT_EQ(root.GetNoNodes(), static_cast<int>(model.size()));
}

TEST(IntTree, FailedAllocationIsCodeTwo) {
    TIntTree root(1);
    try {
        FailingAllocation failing;
        root.Add(2);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 2);
    }
    EXPECT_EQ(root.GetNoNodes(), 1);
}

// Ascending keys make a list as deep as the data; nothing may recurse along it.
TEST(IntTree, DeepListsNeedNoStack) {
    const int n = 12000;
    std::vector<int> keys;
    int nodes = 0;
    int maxKey = 0;
    int maxCount = 0;
    std::string printed;
    RunOnSmallStack(128 * 1024, [&] {
        auto up = std::make_unique<TIntTree>(0);
        auto down = std::make_unique<TIntTree>(0);
        for (int i = 1; i < n; ++i) {
            up->Add(i);
            down->Add(-i);
        }
        TIntSack s;
        up->GetKeys(s);
        keys.assign(s.begin(), s.end());
        nodes = up->GetNoNodes() + down->GetNoNodes();
        maxKey = -1;
        up->GetMaxKey(maxKey, maxCount);
        up->AddKeysToTree(*down);
        up->Remove(n / 2);
        down->Remove(-1);
        std::ostringstream out;
        down->PrintKeys(out);
        printed = out.str();
        up.reset();
        down.reset();
    });
    ASSERT_EQ(keys.size(), static_cast<size_t>(n));
    EXPECT_EQ(keys.front(), 1);
    EXPECT_EQ(keys.back(), 0);
    EXPECT_EQ(nodes, 2 * n);
    EXPECT_EQ(maxKey, n - 1);
    EXPECT_EQ(maxCount, 1);
    EXPECT_EQ(printed.substr(0, 6), "0 -2 -");
}

// The builder must give the tree of adding every key through the root: same pre-order,
// same counts, whatever the order, with runs of ascending and descending keys and repeats.
TEST(IntTreeBuilder, BuildsTheTreeOfAddingThroughTheRoot) {
    SeedRand(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<int> keys;
        const int n = 1 + Rand() % 60;
        for (int i = 0; i < n; ++i) {
            const int kind = Rand() % 4;
            const int last = keys.empty() ? 50 : keys.back();
            keys.push_back(kind == 0 ? last + 1 + Rand() % 3 : kind == 1 ? last - Rand() % 3 : Rand() % 100);
        }
        auto root = std::make_unique<TIntTree>(keys[0]);
        TIntTreeBuilder builder;
        builder.Add(keys[0]);
        for (size_t i = 1; i < keys.size(); ++i) {
            root->Add(keys[i]);
            builder.Add(keys[i]);
        }
        auto built = builder.Release();
        ASSERT_NE(built, nullptr);
        std::map<int, int> expected;
        std::map<int, int> got;
        Collect(root.get(), -1000, 1000, expected);
        Collect(built.get(), -1000, 1000, got);
        EXPECT_EQ(PreOrder(*built), PreOrder(*root));
        EXPECT_EQ(got, expected);
    }
    TIntTreeBuilder none;
    EXPECT_EQ(none.Release(), nullptr);
}

// ---- TInt2Tree

std::unique_ptr<TInt2Tree> Tree2(std::initializer_list<std::pair<int, int>> pairs) {
    auto it = pairs.begin();
    auto root = std::make_unique<TInt2Tree>(it->first, it->second);
    for (++it; it != pairs.end(); ++it) root->Add(it->first, it->second);
    return root;
}

TEST(Int2Tree, PairsOrderByAThenB) {
    auto t = Tree2({{2, 5}, {2, 3}, {1, 9}, {3, 0}, {2, 3}});
    EXPECT_EQ(t->Compare(2, 6), -1);
    EXPECT_EQ(t->Compare(1, 100), 1);
    EXPECT_EQ(t->Compare(2, 5), 0);
    EXPECT_EQ(t->Add(2, 3), 0);
    EXPECT_EQ(t->Add(2, 4), 1);
    EXPECT_EQ(t->GetCount(2, 3), 3);
    EXPECT_EQ(t->GetCount(3, 2), 0);
    EXPECT_EQ(t->Find(1, 9), 1);
    EXPECT_EQ(t->Find(9, 1), 0);
    EXPECT_EQ(t->GetNoNodes(), 5);
    EXPECT_EQ(t->GetNoFrequent(1), 5);
    EXPECT_EQ(t->GetNoFrequent(2), 1);
    EXPECT_EQ(t->GetNoFrequent(4), 0);
    // Pre-order: (2,5), (2,3), (1,9), (2,4), (3,0).
    const std::pair<int, int> expected[] = {{2, 5}, {2, 3}, {1, 9}, {2, 4}, {3, 0}};
    for (int n = 0; n < 5; ++n) {
        int counter = 0;
        int a = -1;
        int b = -1;
        EXPECT_EQ(t->GetNthPair(counter, n, a, b), 1);
        EXPECT_EQ(std::make_pair(a, b), expected[n]);
        EXPECT_EQ(counter, n);
    }
}

TEST(Int2Tree, FrequentPairsAndTheVisitFollowPreOrder) {
    auto t = Tree2({{2, 5}, {2, 3}, {1, 9}, {3, 0}, {2, 3}, {3, 0}, {2, 4}, {3, 0}});
    // Pre-order: (2,5)=1, (2,3)=2, (1,9)=1, (2,4)=1, (3,0)=3.
    std::vector<std::vector<int>> visited;
    t->VisitPairs([&](int a, int b, int count) { visited.push_back({a, b, count}); });
    EXPECT_EQ(visited, (std::vector<std::vector<int>>{{2, 5, 1}, {2, 3, 2}, {1, 9, 1}, {2, 4, 1}, {3, 0, 3}}));

    auto pairsOf = [&](int threshold) {
        TInt2Sack sack;
        sack.AddElem(7, 7);  // appended to, not replaced
        t->GetFrequentPairs(sack, threshold);
        std::vector<std::pair<int, int>> pairs;
        for (int i = 0; i < sack.GetNoElem(); ++i) {
            int a = 0;
            int b = 0;
            sack.GetElem(i, a, b);
            pairs.emplace_back(a, b);
        }
        return pairs;
    };
    using P = std::vector<std::pair<int, int>>;
    EXPECT_EQ(pairsOf(1), (P{{7, 7}, {2, 5}, {2, 3}, {1, 9}, {2, 4}, {3, 0}}));
    EXPECT_EQ(pairsOf(2), (P{{7, 7}, {2, 3}, {3, 0}}));
    EXPECT_EQ(pairsOf(4), (P{{7, 7}}));
    EXPECT_EQ(pairsOf(2).size() - 1, static_cast<size_t>(t->GetNoFrequent(2)));
}

TEST(Int2Tree, GetNthPairNumbersFromTheCounter) {
    auto t = Tree2({{2, 5}, {2, 3}, {3, 0}});
    int counter = 0;
    int a = -1;
    int b = -1;
    EXPECT_EQ(t->GetNthPair(counter, 3, a, b), 0);
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(a, -1);
    counter = 10;
    EXPECT_EQ(t->GetNthPair(counter, 11, a, b), 1);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(2, 3));
    counter = 10;
    EXPECT_EQ(t->GetNthPair(counter, 0, a, b), 0);
}

TEST(Int2Tree, GetBestPairBreaksTiesByTheSecondTree) {
    auto t = Tree2({{1, 2}, {4, 1}, {1, 2}, {4, 1}, {1, 2}, {4, 1}});
    auto second = Tree2({{1, 2}, {1, 2}, {4, 1}});
    int a = -1;
    int b = -1;
    int count = 0;
    t->GetBestPair(a, b, count, second.get());
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(4, 1));
    EXPECT_EQ(count, 3);
    // Without a second tree every pair counts 0 there: the first in pre-order stays.
    a = b = -1;
    count = 0;
    t->GetBestPair(a, b, count, nullptr);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(1, 2));
    // A tie with the caller's starting pair compares against that pair's count.
    a = 1;
    b = 2;
    count = 3;
    auto onlyFour = Tree2({{4, 1}, {4, 1}, {4, 1}});
    onlyFour->GetBestPair(a, b, count, second.get());
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(4, 1));
}

TEST(Int2Tree, DeepListsNeedNoStack) {
    const int n = 12000;
    int nodes = 0;
    int frequent = 0;
    int found = 0;
    int visited = -1;
    int a = -1;
    int b = -1;
    RunOnSmallStack(128 * 1024, [&] {
        auto t = std::make_unique<TInt2Tree>(0, 0);
        for (int i = 1; i < n; ++i) {
            t->Add(0, i);
            t->Add(0, -i);
        }
        t->Add(0, n - 1);
        nodes = t->GetNoNodes();
        frequent = t->GetNoFrequent(2);
        TInt2Sack sack;
        t->GetFrequentPairs(sack, 1);
        visited = sack.GetNoElem();
        t->VisitPairs([&](int, int, int) { --visited; });
        int counter = 0;
        found = t->GetNthPair(counter, n - 1, a, b);
        int bestCount = 0;
        int ba = 0;
        int bb = 0;
        t->GetBestPair(ba, bb, bestCount, t.get());
    });
    EXPECT_EQ(nodes, 2 * n - 1);
    EXPECT_EQ(frequent, 1);
    EXPECT_EQ(visited, 0);  // every node listed once, and visited once
    EXPECT_EQ(found, 1);
    EXPECT_EQ(b, -(n - 1));  // pre-order: the root, then the whole left list
}

}  // namespace
