#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "rough/decision/dec_mem.h"
#include "rough/reducts/red_memory.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/small_stack.h"
#include "tests/support/test_files.h"

namespace {

std::unique_ptr<TIntSack> Sack(std::initializer_list<int> values) {
    auto s = std::make_unique<TIntSack>();
    for (int v : values) s->AddElem(v);
    return s;
}

std::unique_ptr<TRed> Red(std::initializer_list<int> values) {
    return std::make_unique<TRed>(Sack(values));
}

std::unique_ptr<TRed> Red(const std::vector<int>& values) {
    auto s = std::make_unique<TIntSack>();
    for (int v : values) s->AddElem(v);
    return std::make_unique<TRed>(std::move(s));
}

int Draw(int n) { return Rand() % n; }

std::vector<int> Values(const TIntSack* s) { return std::vector<int>(s->begin(), s->end()); }

// The shape of a tree in pre-order: each node's reduct, then "(" left ")" "(" right ")".
std::string Shape(const TRedLeaf* node) {
    std::string out;
    std::vector<std::pair<const TRedLeaf*, int>> todo{{node, 0}};
    while (!todo.empty()) {
        auto [n, closing] = todo.back();
        todo.pop_back();
        if (closing) {
            out += ')';
            continue;
        }
        out += '(';
        if (n == nullptr) {
            out += ')';
            continue;
        }
        for (int a : *n->GetRed()->GetAttributes()) out += std::to_string(a) + ',';
        todo.push_back({nullptr, 1});
        todo.push_back({n->GetRight(), 0});
        todo.push_back({n->GetLeft(), 0});
    }
    return out;
}

std::vector<std::vector<int>> PreOrder(const TRedMemory& m) {
    std::vector<std::vector<int>> out;
    for (int i = 0; i < m.GetNoRed(); ++i) out.push_back(Values(m.GetReduct(i)));
    return out;
}

TEST(PowerOfTwo, TableValues) {
    EXPECT_EQ(POWER_2(0), 1.0);
    EXPECT_EQ(POWER_2(10), 1024.0);
    EXPECT_EQ(POWER_2(1023), std::ldexp(1.0, 1023));
    EXPECT_TRUE(std::isinf(POWER_2(1024)));
    EXPECT_TRUE(std::isinf(POWER_2(9999)));
}

// Out of range ends the process with code 0 and a message on standard output, which the
// child writes to a file here.
TEST(PowerOfTwoDeathTest, OutOfRangeEndsTheProcess) {
    ScratchDir dir;
    for (int i : {10000, -1}) {
        const std::string out = dir.File("out" + std::to_string(i));
        EXPECT_EXIT(
            {
                if (std::freopen(out.c_str(), "w", stdout) == nullptr) std::abort();
                POWER_2(i);
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(ReadFileBytes(out), "CRITICAL ERROR: Index out of range in dec_mem->POWER_2!\n");
    }
}

TEST(Red, CountersAttributesAndPrint) {
    TRed r(Sack({1, 3}));
    EXPECT_EQ(r.GetTotal(), 0);
    EXPECT_EQ(r.GetOccurrences(), 0);
    EXPECT_EQ(r.GetFound(), 1);
    r.AddAttr(3);
    r.AddAttr(7);
    EXPECT_EQ(Values(r.GetAttributes()), (std::vector<int>{1, 3, 7}));
    EXPECT_EQ(r.GetAttr(2), 7);
    try {
        r.GetAttr(3);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 5);
    }
    r.IncTotal();
    r.IncTotal();
    r.IncOccurrences();
    r.ClearFound();
    TRed copy;
    copy = r;
    EXPECT_EQ(copy.GetTotal(), 2);
    EXPECT_EQ(copy.GetOccurrences(), 1);
    EXPECT_EQ(copy.GetFound(), 0);
    EXPECT_EQ(copy.EqualAttributes(&r), 1);
    copy.AddAttr(9);
    EXPECT_EQ(copy.EqualAttributes(&r), 0);
    EXPECT_EQ(r.GetNoAttr(), 3);

    testing::internal::CaptureStdout();
    r.Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "{ 1 3 7  }\n");

    r.Reset();
    EXPECT_EQ(r.GetNoAttr(), 0);
    EXPECT_EQ(r.GetTotal() + r.GetOccurrences() + r.GetFound(), 0);
}

TEST(RedLeaf, CompareIsElementwiseWithPrefixesFirst) {
    auto a = Red({1, 3});
    auto b = Red({1, 3, 0});
    auto c = Red({2});
    auto d = Red({1, 3});
    auto e = Red({});
    EXPECT_EQ(TRedLeaf::Compare(a.get(), b.get()), -1);
    EXPECT_EQ(TRedLeaf::Compare(b.get(), a.get()), 1);
    EXPECT_EQ(TRedLeaf::Compare(b.get(), c.get()), -1);
    EXPECT_EQ(TRedLeaf::Compare(a.get(), d.get()), 0);
    EXPECT_EQ(TRedLeaf::Compare(e.get(), a.get()), -1);
}

TEST(RedMemory, DuplicateMarksTheStoredReduct) {
    TRedMemory m;
    m.AddRed(Sack({0, 2}), 0, 0);
    m.GetRed(0)->ClearFound();
    m.Insert(Red({0, 2}));
    EXPECT_EQ(m.GetNoRed(), 1);
    EXPECT_EQ(m.GetNoElem(), 1);
    EXPECT_EQ(m.GetRed(0)->GetFound(), 1);
}

TEST(RedMemory, ShapeFollowsInsertionOrder) {
    TRedMemory m;
    for (auto r : {std::vector<int>{1, 3}, {0, 5}, {1}, {2}}) m.Insert(Red(r));
    EXPECT_EQ(Shape(m.GetRoot()), "(1,3,(0,5,()(1,()()))(2,()()))");
    EXPECT_EQ(PreOrder(m), (std::vector<std::vector<int>>{{1, 3}, {0, 5}, {1}, {2}}));

    ScratchDir dir;
    m.SaveReductsCompact(dir.File("red").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("red")), "4\n2 1 3 \n2 0 5 \n1 1 \n1 2 \n");

    TRed* array[6] = {};
    int n = 1;
    m.GetRedArray(array, &n);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(array[0], nullptr);
    EXPECT_EQ(Values(array[3]->GetAttributes()), (std::vector<int>{1}));

    int counter = 0;
    EXPECT_EQ(Values(m.GetRoot()->GetNthAttrs(counter, 3)), (std::vector<int>{2}));
    counter = 0;
    EXPECT_EQ(m.GetRoot()->GetNthRed(counter, 4), nullptr);
    EXPECT_EQ(counter, 4);
    auto probe = Red({0, 5});
    EXPECT_EQ(m.GetRoot()->Find(probe.get()), m.GetRed(1));
    auto absent = Red({0});
    EXPECT_EQ(m.GetRoot()->Find(absent.get()), nullptr);
}

// The memory finds the insertion point through its ordered index; the tree it builds must
// be the one the walk from the root builds, whatever the order of arrival.
TEST(RedMemory, IndexedInsertionBuildsTheWalkedTree) {
    SeedRand(7);
    for (int round = 0; round < 200; ++round) {
        TRedMemory m;
        std::unique_ptr<TRedLeaf> walked;
        int distinct = 0;
        const int n = 1 + Draw(60);
        const int sortedRun = Draw(3);
        for (int i = 0; i < n; ++i) {
            std::vector<int> r;
            if (sortedRun == 1) {
                r = {i / 2};
            } else if (sortedRun == 2) {
                r = {100 - i, i % 3};
            } else {
                const int len = Draw(4);
                int a = Draw(3);
                for (int k = 0; k < len; ++k) {
                    r.push_back(a);
                    a += 1 + Draw(3);
                }
            }
            m.Insert(Red(r));
            if (!walked) {
                walked = std::make_unique<TRedLeaf>(Red(r));
                ++distinct;
            } else {
                distinct += walked->Insert(Red(r));
            }
        }
        ASSERT_EQ(Shape(m.GetRoot()), Shape(walked.get())) << "round " << round;
        ASSERT_EQ(m.GetNoRed(), distinct);
    }
}

TEST(RedMemory, DeepTreesNeedNoStack) {
    const int n = 20000;
    std::string tail;
    int count = 0;
    RunOnSmallStack(128 * 1024, [&] {
        TRedMemory m;
        for (int i = 0; i < n; ++i) m.Insert(Red({i}));
        auto walked = std::make_unique<TRedLeaf>(Red({n}));
        for (int i = n - 1; i > n - 3000; --i) walked->Insert(Red({i}));
        auto probe = Red({n - 2999});
        EXPECT_NE(walked->Find(probe.get()), nullptr);
        TRedMemory copy;
        copy = m;
        count = copy.GetNoRed();
        ScratchDir dir;
        copy.SaveReducts(dir.File("r").c_str());
        TRedMemory loaded;
        loaded.LoadReducts(dir.File("r").c_str());
        tail = std::to_string(loaded.GetReduct(n - 1)->GetElem(0));
    });
    EXPECT_EQ(count, n);
    EXPECT_EQ(tail, std::to_string(n - 1));
}

TEST(RedMemory, AssignmentCopiesTheTree) {
    TRedMemory m;
    for (auto r : {std::vector<int>{4}, {1, 2}, {6, 7}, {5}}) m.Insert(Red(r));
    m.GetRed(2)->SetTotal(9);
    TRedMemory copy;
    copy.Insert(Red({0}));
    copy = m;
    copy = copy;
    EXPECT_EQ(Shape(copy.GetRoot()), Shape(m.GetRoot()));
    EXPECT_EQ(copy.GetNoRed(), 4);
    EXPECT_EQ(copy.GetRed(2)->GetTotal(), 9);
    EXPECT_NE(copy.GetRed(2), m.GetRed(2));
    copy.Insert(Red({1}));
    copy.Insert(Red({4}));
    EXPECT_EQ(copy.GetNoRed(), 5);
    EXPECT_EQ(m.GetNoRed(), 4);
    m.Clear();
    EXPECT_EQ(m.GetNoRed(), 0);
    EXPECT_EQ(m.GetRoot(), nullptr);
    EXPECT_EQ(PreOrder(copy), (std::vector<std::vector<int>>{{4}, {1, 2}, {1}, {6, 7}, {5}}));
}

TEST(RedMemory, GetReductChecksTheIndex) {
    LogCapture log;
    TRedMemory m;
    m.Insert(Red({1}));
    for (int i : {-1, 1}) {
        try {
            m.GetReduct(i);
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
    }
    EXPECT_EQ(log.Text(), "Bad number of element in TRedMemory::GetReduct\n"
                          "Bad number of element in TRedMemory::GetReduct\n");
}

TEST(RedMemory, CompactFileOfAnEmptyMemory) {
    ScratchDir dir;
    TRedMemory m;
    m.SaveReductsCompact(dir.File("red").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("red")), "0\n");
    m.SaveReducts(dir.File("full").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("full")), "REDUCTS (0)\n");
}

TEST(RedMemory, ReductsFileRoundTrip) {
    ScratchDir dir;
    TRedMemory m;
    for (auto r : {std::vector<int>{1, 4}, {0}, {}, {2, 3, 11}}) m.Insert(Red(r));
    m.GetRed(0)->SetOccurrences(7);
    m.GetRed(0)->SetTotal(10);
    m.SaveReducts(dir.File("r").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("r")), "REDUCTS (4)\n{1,4} 7 10\n{0} 0 0\n{} 0 0\n{2,3,11} 0 0\n");

    TRedMemory loaded;
    loaded.Insert(Red({9}));
    loaded.LoadReducts(dir.File("r").c_str());
    EXPECT_EQ(Shape(loaded.GetRoot()), Shape(m.GetRoot()));
    EXPECT_EQ(loaded.GetRed(0)->GetOccurrences(), 0);
    EXPECT_EQ(loaded.GetRed(0)->GetTotal(), 0);
    EXPECT_EQ(loaded.GetRed(0)->GetFound(), 1);
}

TEST(RedMemory, ReaderReportsAStrayCharacterAndGoesOn) {
    ScratchDir dir;
    WriteFileBytes(dir.File("r"), "REDUCTS (3)\n{1,2} 0 0\nx3;4} 0 0\n  { 5 , 6 } 1 1\n");
    TRedMemory m;
    testing::internal::CaptureStdout();
    m.LoadReducts(dir.File("r").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Oczekiwany: { a nie <x>\n");
    EXPECT_EQ(PreOrder(m), (std::vector<std::vector<int>>{{1, 2}, {3, 4}, {5, 6}}));
}

TEST(RedMemory, ReaderStopsAtWhatItCannotRead) {
    ScratchDir dir;
    TRedMemory m;
    // A number that cannot be read ends the reading; what came before stays.
    WriteFileBytes(dir.File("a"), "REDUCTS\n{1} 0 0\n{2,x} 0 0\n{3} 0 0\n");
    m.LoadReducts(dir.File("a").c_str());
    EXPECT_EQ(PreOrder(m), (std::vector<std::vector<int>>{{1}}));
    // A reduct cut by the end of the file is not kept; the last complete one is, even
    // without a line end after it.
    WriteFileBytes(dir.File("b"), "REDUCTS\n{4} 0 0\n{5}");
    m.LoadReducts(dir.File("b").c_str());
    EXPECT_EQ(PreOrder(m), (std::vector<std::vector<int>>{{4}, {5}}));
    WriteFileBytes(dir.File("c"), "REDUCTS\n{4} 0 0\n{5,6");
    m.LoadReducts(dir.File("c").c_str());
    EXPECT_EQ(PreOrder(m), (std::vector<std::vector<int>>{{4}}));
    // A first line too long to skip leaves nothing readable, and the memory empty.
    WriteFileBytes(dir.File("d"), std::string(250, 'R') + "\n{1} 0 0\n");
    m.LoadReducts(dir.File("d").c_str());
    EXPECT_EQ(m.GetNoRed(), 0);
}

TEST(RedMemory, FileFailures) {
    ScratchDir dir;
    LogCapture log;
    TRedMemory m;
    m.Insert(Red({1}));
    for (int which = 0; which < 2; ++which) {
        try {
            if (which == 0) m.SaveReductsCompact(dir.Path().c_str());
            else m.SaveReducts(dir.Path().c_str());
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 7);
            EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not save the file: " + dir.Path());
        }
    }
    try {
        m.LoadReducts(dir.File("none").c_str());
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 6);
    }
    EXPECT_EQ(m.GetNoRed(), 1);
    EXPECT_EQ(log.Text(), "Error: Can't save file with reducts\nError: Can't save file with reducts\n"
                          "Error: Can't open file with rules\n");
}

// A reducts file that cannot be written to the end (the disk fills up) is code 7, and the
// file of that name keeps what it held.
TEST(RedMemoryDeathTest, AFullDiskLeavesThePreviousReductsFile) {
    ScratchDir dir;
    const std::string name = dir.File("out.red");
    WriteFileBytes(name, "1\n1 0 \n");
    TRedMemory m;
    for (int a = 0; a < 40; ++a) m.Insert(Red({a, a + 40}));
    for (int which = 0; which < 2; ++which) {
        EXPECT_EXIT(
            {
                LimitFileSizeOfThisProcess(64);
                try {
                    if (which == 0) m.SaveReductsCompact(name.c_str());
                    else m.SaveReducts(name.c_str());
                } catch (const Error& e) {
                    std::_Exit(e.GetCode());
                }
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(7), "");
        EXPECT_EQ(ReadFileBytes(name), "1\n1 0 \n");
        int entries = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path())) entries += e.is_regular_file();
        EXPECT_EQ(entries, 1);
    }
}

TEST(RedMemory, PrintWithCountsWritesTheFileLines) {
    TRedMemory m;
    m.Insert(Red({3}));
    m.Insert(Red({1, 2}));
    m.GetRed(1)->SetTotal(4);
    testing::internal::CaptureStdout();
    m.GetRoot()->PrintWithCounts();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "{3} 0 0\n{1,2} 0 4\n");
}

}  // namespace
