#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/error.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/reducts/dynamic_reducts.h"
#include "rough/reducts/red_memory.h"
#include "tests/rough/reducts/pos_reference.h"
#include "tests/rough/table_builders.h"
#include "tests/support/test_files.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// The quicksort as written: pivot at lo, the more stable entries swapped into the left part.
void LiteralSort(std::vector<TRed*>& r, int lo, int hi) {
    if (lo >= hi) return;
    int b = lo;
    for (int i = lo + 1; i <= hi; ++i)
        if (r[i]->IsMoreStable(r[lo])) std::swap(r[++b], r[i]);
    std::swap(r[lo], r[b]);
    LiteralSort(r, lo, b - 1);
    LiteralSort(r, b + 1, hi);
}

// "TEST.RED" is read from the working folder: each test runs in a scratch folder.
class TestReductsTest : public SeededTest {
protected:
    void SetUp() override {
        SeededTest::SetUp();
        old = std::unique_ptr<char, decltype(&free)>(getcwd(nullptr, 0), &free).get();
        ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(old.c_str()), 0);
        SeededTest::TearDown();
    }
    // What TestReducts prints.
    std::string Run(const TTable& train, const TTable& test) {
        values.CalcFromTable(train);
        CaptureStdout();
        try {
            d.TestReducts(&train, &values, &test);
        } catch (...) {
            GetCapturedStdout();
            throw;
        }
        return GetCapturedStdout();
    }
    static std::string Results(float accuracy, float error, float unanswered, float correct) {
        char text[160];
        std::snprintf(text, sizeof text, "Results: %g %g %g %g\n", accuracy, error, unanswered, correct);
        return text;
    }
    ScratchDir dir;
    std::string old;
    TDValInfo values;
    TDynamicReducts d;
};

TEST(SortByStability, EqualsTheRecursiveQuicksortOnManyTies) {
    std::vector<std::unique_ptr<TRed>> owned;
    SeedRand(8);
    for (int round = 0; round < 201; ++round) {
        const int n = round == 200 ? 5000 : Rand() % 40;  // 5000 untested: all of stability 1
        std::vector<TRed*> a;
        for (int i = 0; i < n; ++i) {
            const int total = round == 200 ? 0 : Rand() % 4;
            owned.push_back(Red({i}, total == 0 ? 0 : Rand() % (total + 1), total));
            a.push_back(owned.back().get());
        }
        std::vector<TRed*> expected = a;
        if (round < 200) LiteralSort(expected, 0, n - 1);  // equal ones stay as they are
        SortByStability(a.data(), 0, n - 1);
        EXPECT_EQ(a, expected);
        for (int i = 1; i < n; ++i) EXPECT_GE(a[i - 1]->GetStability(), a[i]->GetStability());
    }
}

TEST_F(TestReductsTest, EveryObjectTakesTheFirstAgreeingReduct) {
    auto vote = LoadTable("vote.tab");
    TTable train, test;
    train.CreateTable(218, 17);
    test.CreateTable(217, 17);
    for (int o = 0; o < 435; ++o)
        for (int a = 0; a < 17; ++a) (o % 2 == 0 ? train : test).SetTable(o / 2, a, vote->Value(o, a));
    TRedMemory all;
    CaptureStdout();
    all.CalculateGlobalReducts(vote.get(), 1, 0);
    GetCapturedStdout();
    ASSERT_GE(all.GetNoRed(), 3);
    all.SaveReducts("TEST.RED");
    const std::string out = Run(train, test);

    // Loaded reducts are all of stability 1: the memory's order. No answer is -1, one below
    // the decisions 0 and 1.
    std::vector<int> answers(217, -1);
    std::vector<TRed*> order;
    std::string tried;
    int remaining = 217;
    for (int r = 0; r < all.GetNoRed() && remaining > 0; ++r) {
        order.push_back(d.GetMemory()->GetRed(r));
        tried += std::to_string(r) + " ";
        const std::vector<int> attrs = Attrs(order.back());
        for (int o = 0; o < 217; ++o) {
            std::set<int> decisions;
            for (int j = 0; j < 218 && answers[o] == -1; ++j) {
                bool equal = true;
                for (int a : attrs) equal = equal && train.Value(j, a) == test.Value(o, a);
                if (equal) decisions.insert(train.Value(j, 16));
            }
            if (decisions.size() == 1) answers[o] = *decisions.begin(), --remaining;
        }
    }
    int correct = 0;
    for (int o = 0; o < 217; ++o) correct += answers[o] == test.Value(o, 16);
    ASSERT_GT(correct, 0);
    const float accuracy = correct / (217.0f - remaining);
    EXPECT_EQ(out, "Liczba reduktow: " + std::to_string(all.GetNoRed()) + "\n" + tried + "\n" +
                       Results(accuracy, 1.0f - accuracy, remaining / 217.0f, correct / 217.0f));
    CaptureStdout();
    EXPECT_EQ(AnswerByReducts(order.data(), static_cast<int>(order.size()), &train, &test, -1), answers);
    EXPECT_EQ(GetCapturedStdout(), tried);
}

TEST_F(TestReductsTest, NoReductsNoFileAndForeignColumns) {
    TTable train, narrow;
    FillTable(train, {{0, 1, 5}, {1, 0, 6}});
    FillTable(narrow, {{1, 5}});
    EXPECT_THROW(Run(train, train), CalcErrorText);  // no file yet
    TRedMemory().SaveReducts("TEST.RED");
    EXPECT_EQ(Run(train, train), "Liczba reduktow: 0\n\nResults: 0 1 1 0\n");
    EXPECT_THROW(Run(train, narrow), CalcError);
    WriteFileBytes(dir.File("TEST.RED"), "REDUCTS (1)\n{0,3} 0 0\n");
    try {
        Run(train, train);
        ADD_FAILURE() << "a reduct of a column the tables lack";
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 5);
    }
}

// A table without objects has no columns: an empty test table asks nothing, and against an
// empty training table no reduct answers.
TEST_F(TestReductsTest, EmptyTablesAnswerNothing) {
    TTable train, test, empty;
    FillTable(train, {{0, 1, 5}, {1, 0, 6}});
    // Right by {0}, right by {0}, wrong by {1}, matching nothing.
    FillTable(test, {{0, 1, 5}, {1, 1, 6}, {2, 0, 5}, {2, 2, 5}});
    WriteFileBytes(dir.File("TEST.RED"), "REDUCTS (2)\n{0} 0 0\n{1} 0 0\n");
    EXPECT_EQ(Run(train, empty), "Liczba reduktow: 2\n\nResults: 0 1 0 0\n");
    EXPECT_EQ(Run(empty, test), "Liczba reduktow: 2\n0 1 \nResults: 0 1 1 0\n");
    EXPECT_EQ(Run(train, test), "Liczba reduktow: 2\n0 1 \n" + Results(2.0f / 3, 1.0f - 2.0f / 3, 0.25f, 0.5f));
}

// One below the smallest decision would leave the int range: the least int that is no
// decision stands for "no answer", and the decision INT_MIN is still answered.
TEST_F(TestReductsTest, TheLeastIntCanBeADecision) {
    TTable train, test;
    FillTable(train, {{0, INT_MIN}, {1, INT_MIN + 1}, {2, INT_MIN}});
    FillTable(test, {{0, INT_MIN}, {1, INT_MIN}, {3, INT_MIN}});
    WriteFileBytes(dir.File("TEST.RED"), "REDUCTS (1)\n{0} 0 0\n");
    // Object 0 right, object 1 wrong, object 2 without a match.
    EXPECT_EQ(Run(train, test), "Liczba reduktow: 1\n0 \n" + Results(0.5f, 0.5f, 1.0f / 3, 1.0f / 3));
}

}  // namespace
