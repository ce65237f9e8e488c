#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/random.h"
#include "core/table.h"
#include "discretization/cuts/cut_list.h"
#include "discretization/cuts/cut_search.h"
#include "tests/discretization/cuts/cut_tables.h"
#include "tests/support/reference_cuts.h"
#include "tests/support/test_files.h"

namespace {

using Cuts = std::vector<std::pair<int, float>>;

Cuts Contents(TCutList& list) {
    Cuts out;
    for (list.First(); !list.AtEnd(); list.Next()) out.emplace_back(list.GetAttr(), list.GetValue());
    return out;
}

// A table, its working copy and a search over them, for one test.
struct Searcher {
    explicit Searcher(const std::vector<std::vector<int>>& rows) : table(RowsTable(rows)) {
        work.Load(*table);
        search = std::make_unique<TCutSearch>(work, cuts);
    }
    std::unique_ptr<TTable> table;
    TScalTable work;
    TCutList cuts;
    std::unique_ptr<TCutSearch> search;
};

TEST(ScalTable, ColumnsSortedOnceAndDecisionClassesAscending) {
    const auto t = RowsTable({{5, 7}, {-2, 3}, {5, 7}, {9, -1}});
    TScalTable work;
    EXPECT_EQ(work.Load(*t), 1);
    EXPECT_EQ(work.GetNoObj(), 4);
    EXPECT_EQ(work.GetNoAttr(), 1);
    EXPECT_EQ(work.GetNoClasses(), 3);
    EXPECT_EQ(work.GetDecisionValue(0), -1.0f);
    EXPECT_EQ(work.GetDecisionValue(2), 7.0f);
    EXPECT_EQ(work.GetClass(0), 2);
    EXPECT_EQ(work.GetClass(1), 1);
    EXPECT_EQ(work.GetClass(3), 0);
    const float* v = work.SortedValues(0);
    const int* o = work.SortedObjects(0);
    EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{-2, 5, 5, 9}));
    EXPECT_EQ(o[0], 1);
    EXPECT_EQ(o[3], 3);
    EXPECT_EQ(work.GetBlockNo(-1), -1);
    EXPECT_EQ(work.GetBlockNo(4), -1);
    EXPECT_EQ(work.GetBlockNo(3), 0);
    EXPECT_EQ(work.GetDecision(3), -1);
}

TEST(ScalTable, ValuesAreSinglePrecision) {
    // 16777217 is not a float; the missing value becomes 2^31, beyond every int.
    const auto t = RowsTable({{16777217, 2147483647}, {16777216, -2147483647}});
    TScalTable work;
    work.Load(*t);
    EXPECT_EQ(work.GetValue(0, 0), work.GetValue(1, 0));
    EXPECT_EQ(work.GetNoClasses(), 2);
    EXPECT_EQ(work.GetDecision(0), INT_MAX);
    EXPECT_EQ(work.GetDecision(1), -2147483647 - 1);
}

TEST(ScalTable, ScaledColumnsTakeCodesOthersKeepTheirIntegers) {
    const auto t = RowsTable({{1, 16777217}, {4, 2147483647}, {6, 3}});
    TScalTable work;
    work.Load(*t);
    EXPECT_EQ(work.SetValuesBelow(0, 0, 4.0f, 0), 1);  // 4 is not below the cut 4
    work.SetValuesFrom(1, 0, 1);
    const auto out = work.MakeTable();
    EXPECT_EQ(TableRows(*out), (std::vector<std::vector<int>>{{0, 16777217}, {1, 2147483647}, {1, 3}}));
}

TEST(CutSearchCandidates, OnlyMidwayBetweenNeighbouringDistinctValues) {
    // Values 1, 1, 2, 3 give the candidates 1.5 and 2.5; the decisions make 2.5 the better.
    Searcher s({{1, 0}, {1, 0}, {2, 0}, {3, 1}});
    s.search->BestCutOfAttribute(0);
    EXPECT_EQ(s.search->GetBestCut(0).quality, 3);
    EXPECT_EQ(s.search->GetBestCut(0).value, 2.5f);

    // 1, 2, 2: the only candidate is 1.5, nothing above the largest value.
    Searcher t({{2, 0}, {1, 1}, {2, 0}});
    t.search->BestCutOfAttribute(0);
    EXPECT_EQ(t.search->GetBestCut(0).quality, 2);
    EXPECT_EQ(t.search->GetBestCut(0).value, 1.5f);

    // A group of equal values at the end offers no cut even when it mixes decisions.
    Searcher u({{1, 0}, {1, 1}, {1, 0}});
    u.search->BestCutOfAttribute(0);
    EXPECT_EQ(u.search->GetBestCut(0).quality, 0);
}

TEST(CutSearchCandidates, EqualQualitiesGoToTheLowerValueThenTheLowerAttribute) {
    // Attribute 1 splits 1|2 and 2|3 equally well; attribute 0 ties with attribute 1.
    Searcher s({{10, 1, 0}, {20, 2, 1}, {30, 3, 0}});
    const std::vector<TCutSlot> slots = s.search->ChooseBestCuts(1);
    EXPECT_EQ(s.search->GetBestCut(0).quality, 1);
    EXPECT_EQ(s.search->GetBestCut(0).value, 15.0f);
    EXPECT_EQ(s.search->GetBestCut(1).quality, 1);
    EXPECT_EQ(s.search->GetBestCut(1).value, 1.5f);
    ASSERT_EQ(slots.size(), 1u);
    EXPECT_EQ(slots[0].attribute, 0);
    EXPECT_EQ(slots[0].quality, 1);
}

TEST(CutSearchCandidates, NeighbouringFloatsCutAtTheUpperValue) {
    // The midpoint of 8388610 and 8388611 rounds onto 8388610, which scaling would count
    // above the cut; the search would then repeat a step that splits nothing, for ever.
    Searcher s({{8388610, 0}, {8388611, 1}});
    const std::vector<TCutSlot> slots = s.search->ChooseBestCuts(1);
    EXPECT_EQ(s.search->GetBestCut(0).value, 8388611.0f);
    s.search->ApplyCut(slots[0].attribute);
    EXPECT_EQ(Contents(s.cuts), (Cuts{{0, 8388611.0f}}));
    EXPECT_EQ(s.search->GetBlocks().AllConsistent(), 1);
}

TEST(CutBlocks, MoveLeftCountsPairsAcrossTheScanAndResetsAfterIt) {
    // Classes 0, 1, 1, 0 in one block.
    Searcher s({{0, 0}, {0, 1}, {0, 1}, {0, 0}});
    TCutBlockList blocks(s.work);
    EXPECT_EQ(blocks.AllConsistent(), 0);
    EXPECT_EQ(blocks.MoveLeft(0), 2);   // now separated from both 1s
    EXPECT_EQ(blocks.MoveLeft(1), 0);   // +1 with object 3, -1 with object 0
    EXPECT_EQ(blocks.MoveLeft(2), 0);   // +1 with object 3, -1 with object 0
    blocks.ResetCounts();
    EXPECT_EQ(blocks.MoveLeft(3), 2);
}

TEST(CutBlocks, SplitMakesNewBlocksNumberedUpwardAndLeavesConsistentOnes) {
    Searcher s({{1, 5, 0}, {2, 5, 1}, {3, 6, 1}, {4, 6, 0}});
    TCutBlockList blocks(s.work);
    EXPECT_EQ(blocks.Split(2.5f, 0), 1);
    EXPECT_EQ(blocks.GetNoBlocks(), 2);
    EXPECT_EQ(s.work.GetBlockNo(0), 1);
    EXPECT_EQ(s.work.GetBlockNo(1), 1);
    EXPECT_EQ(s.work.GetBlockNo(2), 0);
    EXPECT_EQ(blocks.Split(2.5f, 0), 0);   // nothing straddles it any more
    EXPECT_EQ(blocks.Split(100.0f, 0), 0); // everything below: no split
    EXPECT_EQ(blocks.Split(1.5f, 0), 1);   // only block 1 holds both sides
    EXPECT_EQ(s.work.GetBlockNo(0), 2);
    EXPECT_EQ(blocks.IsConsistent(2), 1);
    EXPECT_EQ(blocks.AllConsistent(), 0);
    EXPECT_EQ(blocks.Split(3.5f, 0), 1);
    EXPECT_EQ(blocks.AllConsistent(), 1);
    EXPECT_EQ(blocks.Split(1.5f, 1), 0);  // consistent blocks are never split
}

TEST(CutSearchSteps, SlotsKeepTheFirstAttributeThatBeatsThemAndLoseWhatTheyHeld) {
    // Best qualities: attribute 0 -> 2, attribute 1 -> 4, attribute 2 -> 2.
    const std::vector<std::vector<int>> rows{{0, 0, 0, 0}, {1, 0, 1, 0}, {0, 1, 1, 1}, {1, 1, 1, 1}};
    {
        Searcher s(rows);
        LogCapture log;
        s.search->Search(2);
        EXPECT_EQ(log.Text(), "Searching for cuts...\nFound cut of attribute 1:\nFound cut of attribute 2:\n");
        // The cut of attribute 2 was chosen before attribute 1's made every block consistent.
        EXPECT_EQ(Contents(s.cuts), (Cuts{{1, 0.5f}}));
    }
    {
        Searcher s(rows);
        const std::vector<TCutSlot> slots = s.search->ChooseBestCuts(3);
        ASSERT_EQ(slots.size(), 3u);
        EXPECT_EQ(slots[0].attribute, 1);
        EXPECT_EQ(slots[0].quality, 4);
        EXPECT_EQ(slots[1].attribute, 2);
        EXPECT_EQ(slots[1].quality, 2);
        EXPECT_EQ(slots[2].attribute, 0);
        EXPECT_EQ(slots[2].quality, 0);
        EXPECT_EQ(s.search->GetBestQuality(), 4);
    }
    for (int perStep : {3, 7}) {  // more slots than attributes: one per attribute
        Searcher s(rows);
        LogCapture log;
        s.search->Search(perStep);
        EXPECT_EQ(log.Text(),
                  "Searching for cuts...\nFound cut of attribute 1:\nFound cut of attribute 2:\n"
                  "Found cut of attribute 0:\n");
    }
}

TEST(CutSearchSteps, NoCutPerStepCountsAsOne) {
    for (int perStep : {0, -5}) {
        Searcher s({{1, 0}, {2, 1}, {3, 0}});
        LogCapture log;
        s.search->Search(perStep);
        EXPECT_EQ(Contents(s.cuts), (Cuts{{0, 1.5f}, {0, 2.5f}}));
    }
}

TEST(CutSearchSteps, InseparableObjectsEndWithAStepThatFindsNothing) {
    Searcher s({{1, 7, 0}, {1, 7, 1}, {2, 7, 0}});
    LogCapture log;
    s.search->Search(1);
    EXPECT_EQ(log.Text(), "Searching for cuts...\nFound cut of attribute 0:\nFound cut of attribute 0:\n");
    EXPECT_EQ(Contents(s.cuts), (Cuts{{0, 1.5f}}));
    EXPECT_EQ(s.search->GetBlocks().AllConsistent(), 0);
    EXPECT_EQ(s.search->GetBestQuality(), 0);
}

TEST(CutSearchSteps, OneClassNeedsNoStep) {
    Searcher s({{1, 3}, {2, 3}});
    LogCapture log;
    s.search->Search(1);
    EXPECT_EQ(log.Text(), "Searching for cuts...\n");
    EXPECT_EQ(Contents(s.cuts), Cuts{});
}

TEST(CutSearchSteps, PairCountsBeyondThirtyTwoBits) {
    // 50,000 objects of each decision, separated by one cut: 2.5e9 pairs.
    std::vector<std::vector<int>> rows;
    for (int o = 0; o < 100000; ++o) rows.push_back({o % 2, o % 2});
    Searcher s(rows);
    const std::vector<TCutSlot> slots = s.search->ChooseBestCuts(1);
    EXPECT_EQ(slots[0].quality, 2500000000LL);
    EXPECT_EQ(s.search->GetBestCut(0).value, 0.5f);
    LogCapture log;
    s.search->ApplyCut(0);
    EXPECT_EQ(Contents(s.cuts), (Cuts{{0, 0.5f}}));
    EXPECT_EQ(s.search->GetBlocks().AllConsistent(), 1);
}

// Random small tables: every step's best cut of every attribute, and the slots, against the
// qualities counted pair by pair over the current blocks.
TEST(CutSearchProperty, EveryStepMatchesPairByPairCounts) {
    SeedRand(20240611u);
    int stepsChecked = 0;
    for (int round = 0; round < 400; ++round) {
        const int n = 1 + RandomInt(12);
        const int attributes = 1 + RandomInt(4);
        const int classes = 1 + RandomInt(3);
        const int spread = 1 + RandomInt(5);
        // Some tables hold values whose floats collide or neighbour each other.
        const int kind = RandomInt(4);
        std::vector<std::vector<int>> rows(static_cast<size_t>(n));
        for (auto& row : rows) {
            for (int a = 0; a < attributes; ++a) {
                int v = RandomInt(spread) - 1;
                if (kind == 1) v += 8388608;
                if (kind == 2) v = 16777216 + v * 3;
                if (kind == 3 && RandomInt(4) == 0) v = TTable::MissingValue;
                row.push_back(v);
            }
            row.push_back(RandomInt(classes));
        }
        const int perStep = RandomInt(3) == 0 ? 1 + RandomInt(attributes + 1) : 1;
        const int slotsWanted = std::min(perStep, attributes);
        SCOPED_TRACE("round " + std::to_string(round));

        Searcher s(rows);
        ReferenceCutSearch ref(*s.table, ReferenceCutSearch::Count::PairByPair);
        LogCapture log;
        Cuts applied;
        while (!s.search->GetBlocks().AllConsistent() && s.search->GetBestQuality() >= 1) {
            ASSERT_FALSE(ref.Finished());
            const std::vector<TCutSlot> slots = s.search->ChooseBestCuts(slotsWanted);
            const ReferenceCutSearch::Step step = ref.ChooseBest(slotsWanted);
            for (int a = 0; a < attributes; ++a) {
                EXPECT_EQ(s.search->GetBestCut(a).quality, step.quality[size_t(a)]) << "attribute " << a;
                if (step.quality[size_t(a)] > 0) {
                    EXPECT_EQ(s.search->GetBestCut(a).value, step.value[size_t(a)]);
                }
            }
            ASSERT_EQ(slots.size(), step.slots.size());
            for (size_t k = 0; k < slots.size(); ++k) {
                EXPECT_EQ(slots[k].attribute, step.slots[k].first);
                EXPECT_EQ(slots[k].quality, step.slots[k].second);
            }
            for (const TCutSlot& slot : slots) s.search->ApplyCut(slot.attribute);
            for (const auto& cut : ref.Apply(step)) applied.push_back(cut);
            ++stepsChecked;
            ASSERT_LE(stepsChecked, 100000) << "the search does not end";
        }
        EXPECT_TRUE(ref.Finished());
        std::sort(applied.begin(), applied.end());
        EXPECT_EQ(Contents(s.cuts), applied);
    }
    EXPECT_GT(stepsChecked, 400);
}

}  // namespace
