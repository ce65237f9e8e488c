#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/cuts/cut_groups.h"
#include "discretization/templates/templ_set.h"
#include "discretization/trees/rc_node.h"
#include "rough/rules/rul_cache.h"
#include "rough/rules/rul_memory.h"
#include "tests/support/failure_of.h"
#include "tests/support/small_stack.h"
#include "tests/support/table_rows.h"
#include "tests/support/test_files.h"
#include "tests/support/working_dir.h"

namespace {

// The tree writes "RUL<slot>" and "CUTS<id>" into the working folder: each test works in a
// scratch one with a cache of its own.
class TreeTest : public ::testing::Test {
protected:
    ScratchDir dir;
    WorkingDirScope inside{dir.Path()};
};

std::unique_ptr<TTable> RowOf(const TTable& t, int o) {
    return RowsTable({std::vector<int>(t.Row(o), t.Row(o) + t.GetNoAttr())});
}

// Every node in the order node, non-matching subtree, matching subtree.
std::vector<TRCNode*> Nodes(TRCNode& root) {
    std::vector<TRCNode*> out;
    std::vector<TRCNode*> stack{&root};
    while (!stack.empty()) {
        TRCNode* n = stack.back();
        stack.pop_back();
        out.push_back(n);
        if (n->GetInternal()) {
            stack.push_back(n->GetMatching());
            stack.push_back(n->GetNonMatching());
        }
    }
    return out;
}

std::vector<std::string> LinesAmong(const std::string& log, const std::vector<std::string>& starts) {
    std::vector<std::string> out;
    for (const std::string& line : TextLines(log)) {
        for (const std::string& s : starts) {
            if (line.rfind(s, 0) == 0) out.push_back(line);
        }
    }
    return out;
}

struct Outcome {
    int result;
    std::vector<int> distribution;
};

// The leaf's classification done by hand from what the tree left behind: its path, its
// cuts file, its rule set in the cache and its decision values. The generator is pinned
// first, since equal class scores are decided by a draw.
Outcome ByHand(TRCNode& leaf, TRulCache& cache, const TTable& row, unsigned seed) {
    TTable local;
    leaf.GetPath()->SelectTable(row, local);
    TDValInfo info = *leaf.GetDecisionInfo();
    Outcome out{-1, std::vector<int>(static_cast<size_t>(info.GetNoDecVal()), 0)};
    if (leaf.GetGenDecClasses() < 2) return out;
    if (leaf.GetDiscretize() > 0) ApplyCutsFile(local, leaf.CutsFileName().c_str());
    int predicted = 0;
    SeedRand(seed);
    out.result = cache.GetRulMemory(leaf.GetRuleSlot())->ClassifyObject(info, leaf.GetVoteMethod(), local, 0, predicted);
    for (int i = 0; i < info.GetNoDecVal(); ++i) out.distribution[static_cast<size_t>(i)] = static_cast<int>(info.GetDistrib(i));
    return out;
}

// ---- one small tree followed step by step

// Split a0 = 1 at the root (4 of 10 objects, a leaf of two classes); its other 6 objects
// split by a1 = 7 into a leaf of one class and a leaf of two.
const Rows kSmall{{1, 0, 0, 0}, {1, 1, 0, 0}, {1, 2, 1, 1}, {1, 3, 1, 1}, {2, 7, 2, 0},
                  {2, 7, 3, 0}, {3, 7, 4, 0}, {3, 8, 5, 0}, {4, 9, 6, 1}, {5, 10, 7, 1}};

TEST_F(TreeTest, ASmallTreeInCreationOrderWithItsFilesWalksAndLayout) {
    const auto train = RowsTable(kSmall);
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(2);
    TRCNode root;
    const int r = root.GetId();
    LogCapture log;
    root.Build(cache, *train, train.get(), info, nullptr, nullptr, 0, 0, 1, 1.0f, 0, 1, 5);
    const std::string text = log.Text();

    const std::vector<TRCNode*> walk = Nodes(root);
    std::vector<int> ids;
    for (TRCNode* n : walk) ids.push_back(n->GetId() - r);
    EXPECT_EQ(ids, (std::vector<int>{0, 2, 4, 3, 1}));  // created node, matching, non-matching
    EXPECT_EQ(root.GetSplit()->GetAttr(), 0);
    EXPECT_EQ(root.GetSplit()->GetValue(), 1);
    TRCNode* other = root.GetNonMatching();
    EXPECT_EQ((std::vector<int>{other->GetSplit()->GetAttr(), other->GetSplit()->GetValue(), other->GetSplit()->GetSupport()}),
              (std::vector<int>{1, 7, 3}));
    EXPECT_EQ((std::vector<int>{walk[0]->GetObjects(), walk[1]->GetObjects(), walk[2]->GetObjects(),
                                walk[3]->GetObjects(), walk[4]->GetObjects()}),
              (std::vector<int>{10, 6, 3, 3, 4}));
    EXPECT_EQ(root.CountNodes(), 5);
    EXPECT_EQ(root.CountLeaves(), 3);
    EXPECT_EQ(other->CountNodes(), 3);
    for (int n = 0; n < 5; ++n) {
        int counter = 0;
        EXPECT_EQ(root.FindNode(counter, n), walk[static_cast<size_t>(n)]);
        EXPECT_EQ(counter, n);
    }
    int counter = 0;
    EXPECT_EQ(root.FindNode(counter, 5), nullptr);
    EXPECT_EQ(counter, 5);
    counter = 3;
    EXPECT_EQ(root.FindNode(counter, 4), other);

    // One rule file per leaf, slots in build order; cuts only where two classes were cut.
    EXPECT_EQ(root.GetMatching()->GetRuleSlot(), 0);
    EXPECT_EQ(other->GetMatching()->GetRuleSlot(), 1);
    EXPECT_EQ(other->GetNonMatching()->GetRuleSlot(), 2);
    EXPECT_EQ(cache.GetCount(), 3);
    EXPECT_FALSE(FileExists("RUL3"));
    EXPECT_EQ(other->GetMatching()->GetGenDecClasses(), 1);
    EXPECT_EQ(cache.GetRulMemory(1)->GetNoRules(), 0);
    std::vector<std::string> cutsFiles;
    for (int id = r; id < r + 5; ++id) {
        if (FileExists("CUTS" + std::to_string(id))) cutsFiles.push_back("CUTS" + std::to_string(id - r));
    }
    EXPECT_EQ(cutsFiles, (std::vector<std::string>{"CUTS1", "CUTS4"}));

    std::vector<std::string> expected;
    for (int leaf = 0; leaf < 2; ++leaf) {
        expected.push_back("Discretization...");
        expected.push_back("Making adaptation of rules and weights...");
        for (int k = 0; k < 20; ++k) {
            char line[64];
            std::snprintf(line, sizeof line, "    for shortening ratio: %3.2f (1.00..0.05)", 1.0 - 0.05 * k);
            expected.push_back(line);
        }
        expected.push_back("Calculating quality of rules...");
    }
    const auto lines = LinesAmong(text, {"Discretization", "Making adaptation", "    for shortening", "Calculating quality"});
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines[21], "    for shortening ratio: 0.05 (1.00..0.05)");

    root.Layout(100, 0, 0);
    std::vector<std::vector<int>> places;
    for (TRCNode* n : walk) places.push_back({n->GetX(), n->GetY(), n->GetChildX(), n->GetChildY()});
    EXPECT_EQ(places, (std::vector<std::vector<int>>{
                          {100, 0, 86, 20}, {86, 20, 72, 40}, {72, 40, 58, 60}, {72, 40, 86, 60}, {86, 20, 100, 40}}));
    root.Layout(100, 0, 1);
    EXPECT_EQ(root.GetChildX(), 128);
    EXPECT_EQ(other->GetX(), 128);
    EXPECT_EQ(other->GetChildX(), 114);

    // The one-class leaf decides nothing; every object reaches the leaf of its path.
    for (int o = 0; o < train->GetNoObj(); ++o) {
        int result = 7;
        const auto row = RowOf(*train, o);
        const std::vector<int> d = root.Classify(cache, *row, result);
        if (o >= 4 && o <= 6) {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(d, (std::vector<int>{0, 0}));
        }
    }
    EXPECT_EQ(root.GetTested(), 10);
    EXPECT_EQ(other->GetTested(), 6);
    EXPECT_EQ(other->GetMatching()->GetTested(), 3);
    EXPECT_EQ(other->GetMatching()->GetUnclassified(), 3);
    EXPECT_EQ(other->GetMatching()->GetAccuracy(), 0.0);
    EXPECT_EQ(other->GetMatching()->GetCoverage(), 0.0);
}

// The matching child, without column 0, splits by the root table's column 2 (its own
// column 1); the non-matching child keeps column 0 and splits by it again with another value.
TEST_F(TreeTest, SplitsNameTheRootTablesColumnsAtEveryLevel) {
    const auto train = RowsTable({{1, 0, 2, 0}, {1, 1, 2, 1}, {1, 2, 2, 0}, {1, 3, 3, 1}, {1, 4, 4, 0},
                                  {2, 5, 5, 0}, {2, 6, 6, 1}, {2, 7, 7, 0}, {3, 8, 8, 1}, {4, 9, 9, 1}});
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(2);
    TRCNode root;
    root.Build(cache, *train, nullptr, info, nullptr, nullptr, 0, 0, 0, 1.0f, 0, 0, 4);
    auto fields = [](const TRCNode* n) {
        return std::vector<int>{n->GetSplit()->GetAttr(), n->GetSplit()->GetValue(), n->GetSplit()->GetSupport()};
    };
    ASSERT_EQ(root.CountNodes(), 7);
    EXPECT_EQ(fields(&root), (std::vector<int>{0, 1, 5}));
    EXPECT_EQ(fields(root.GetMatching()), (std::vector<int>{2, 2, 3}));
    EXPECT_EQ(fields(root.GetNonMatching()), (std::vector<int>{0, 2, 3}));

    // Each leaf's path cuts its part from the whole table, without the fixed columns.
    const std::vector<std::pair<TRCNode*, Rows>> leaves{
        {root.GetMatching()->GetMatching(), {{0, 0}, {1, 1}, {2, 0}}},
        {root.GetMatching()->GetNonMatching(), {{3, 3, 1}, {4, 4, 0}}},
        {root.GetNonMatching()->GetMatching(), {{5, 5, 0}, {6, 6, 1}, {7, 7, 0}}},
        {root.GetNonMatching()->GetNonMatching(), {{3, 8, 8, 1}, {4, 9, 9, 1}}}};
    for (const auto& [leaf, rows] : leaves) {
        ASSERT_EQ(leaf->GetInternal(), 0);
        TTable part;
        leaf->GetPath()->SelectTable(*train, part);
        EXPECT_EQ(TableRows(part), rows) << leaf->GetId() - root.GetId();
    }
    const TTemplSet& path = *root.GetNonMatching()->GetNonMatching()->GetPath();
    ASSERT_EQ(path.GetCount(), 2);
    EXPECT_EQ((std::vector<int>{path.GetTEMPL(0).GetAttr(), path.GetTEMPL(0).GetValue(), path.GetTEMPL(0).GetNegated(),
                                path.GetTEMPL(1).GetAttr(), path.GetTEMPL(1).GetValue(), path.GetTEMPL(1).GetNegated()}),
              (std::vector<int>{0, 1, 1, 0, 2, 1}));
    for (int o = 0; o < 10; ++o) {
        int result = 7;
        root.Classify(cache, *RowOf(*train, o), result);
    }
    std::vector<int> tested;
    for (const auto& leaf : leaves) tested.push_back(leaf.first->GetTested());
    EXPECT_EQ(tested, (std::vector<int>{3, 2, 3, 2}));
}

// A validation part on which every rule errs: no ratio scores above 0, so the ratio and
// the voting method given are replaced by 1.0 and 0.
TEST_F(TreeTest, AdaptationWithNothingRightKeepsTheFullRatioAndMethodZero) {
    const auto train = RowsTable({{0, 0, 0}, {0, 1, 0}, {1, 0, 1}, {1, 1, 1}});
    const auto test = RowsTable({{0, 0, 1}, {1, 1, 0}, {0, 1, 1}});
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(2);
    TRCNode root;
    root.Build(cache, *train, test.get(), info, nullptr, nullptr, 0, 0, 0, 0.5f, 3, 1, 100);
    ASSERT_EQ(root.GetInternal(), 0);
    EXPECT_GT(root.GetRuleCount(), 0);
    EXPECT_EQ(root.GetShorteningRatio(), 1.0f);
    EXPECT_EQ(root.GetVoteMethod(), 0);
    int result = 7;
    root.Classify(cache, *RowOf(*test, 0), result);
    EXPECT_EQ(result, 0);
}

TEST_F(TreeTest, AccuracyAndCoverageCountAtEveryNodeOnTheWay) {
    const auto train = RowsTable({{0, 5, 0}, {0, 5, 0}, {1, 5, 1}, {1, 5, 1}, {0, 6, 0}, {1, 7, 1}, {2, 8, 0}});
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(2);
    TRCNode root;
    root.Build(cache, *train, nullptr, info, nullptr, nullptr, 0, 0, 0, 1.0f, 0, 0, 5);
    ASSERT_EQ(root.GetInternal(), 1);
    EXPECT_EQ(root.GetSplit()->GetAttr(), 1);
    EXPECT_EQ(root.GetAccuracy(), -1.0);
    EXPECT_EQ(root.GetCoverage(), -1.0);
    // 6 correct, 2 wrong, 2 with no rule, all through the matching leaf.
    const Rows test{{0, 5, 0}, {0, 5, 0}, {0, 5, 0}, {1, 5, 1}, {1, 5, 1},
                    {1, 5, 1}, {0, 5, 1}, {1, 5, 0}, {2, 5, 0}, {3, 5, 1}};
    std::vector<int> results;
    for (const auto& row : test) {
        int result = 7;
        const std::vector<int> d = root.Classify(cache, *RowsTable({row}), result);
        results.push_back(result);
        if (result == -1) {
            EXPECT_EQ(d, (std::vector<int>{0, 0}));
        } else {
            EXPECT_EQ(d[static_cast<size_t>(row[0])], 1);  // a certain rule's score 1.0
        }
    }
    EXPECT_EQ(results, (std::vector<int>{1, 1, 1, 1, 1, 1, 0, 0, -1, -1}));
    for (TRCNode* n : {&root, root.GetMatching()}) {
        EXPECT_EQ(n->GetTested(), 10);
        EXPECT_DOUBLE_EQ(n->GetAccuracy(), 0.75);
        EXPECT_DOUBLE_EQ(n->GetCoverage(), 0.8);
    }
    EXPECT_EQ(root.GetNonMatching()->GetAccuracy(), -1.0);
    EXPECT_EQ(root.GetNonMatching()->GetCoverage(), -1.0);
}

TEST_F(TreeTest, LeavesWithoutObjectsOrWithOneClassStoreNoRulesAndDecideNothing) {
    TTable empty;
    const auto other = RowsTable({{1, 0}, {2, 1}});
    TDValInfo info;
    info.CalcFromTable(*other);
    TRulCache cache(2);
    TRCNode root;
    root.Build(cache, empty, nullptr, info, nullptr, nullptr, 0, 0, 1, 1.0f, 0, 0, 1);
    EXPECT_EQ(root.GetInternal(), 0);
    EXPECT_EQ(root.GetObjects(), 0);
    EXPECT_EQ(root.GetRuleSlot(), 0);
    EXPECT_EQ(cache.GetRulMemory(0)->GetNoRules(), 0);
    EXPECT_FALSE(FileExists(root.CutsFileName()));
    int result = 7;
    EXPECT_EQ(root.Classify(cache, *RowOf(*other, 0), result), (std::vector<int>{0, 0}));
    EXPECT_EQ(result, -1);

    // Two objects of different decisions but equal conditions: one generalized class.
    const auto same = RowsTable({{3, 0}, {3, 1}});
    TRCNode leaf;
    leaf.Build(cache, *same, nullptr, info, nullptr, nullptr, 0, 0, 1, 1.0f, 0, 0, 3);
    EXPECT_EQ(leaf.GetGenDecClasses(), 1);
    EXPECT_EQ(leaf.GetRuleCount(), 0);
    EXPECT_EQ(cache.GetRulMemory(leaf.GetRuleSlot())->GetNoRules(), 0);
    EXPECT_FALSE(FileExists(leaf.CutsFileName()));
    EXPECT_EQ(leaf.Classify(cache, *RowOf(*same, 1), result), (std::vector<int>{0, 0}));
    EXPECT_EQ(result, -1);
}

TEST_F(TreeTest, APartThatCannotBeSplitEndsTheBuildAndAdaptationNeedsATestTable) {
    Rows rows;
    for (int o = 0; o < 8; ++o) rows.push_back({o < 4 ? 0 : 9, o < 4 ? 1 : 9, o % 2});
    const auto train = RowsTable(rows);
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(2);
    TRCNode root;
    // The root splits off the four equal rows, which cannot be split again.
    Failure f = FailureOf([&] { root.Build(cache, *train, nullptr, info, nullptr, nullptr, 0, 0, 0, 1.0f, 0, 0, 4); });
    EXPECT_EQ(f.code, 4);
    EXPECT_NE(f.log.find("Can't calculate template in TTempl::SearchTemplate\n"), std::string::npos);
    // A classification through the half-built tree gives no decision instead of a crash.
    int result = 7;
    root.Classify(cache, *RowOf(*train, 7), result);
    EXPECT_EQ(result, -1);

    TRCNode fresh;
    f = FailureOf([&] { fresh.Build(cache, *train, nullptr, info, nullptr, nullptr, 0, 0, 0, 1.0f, 0, 1, 100); });
    EXPECT_EQ(f.code, 9);
    EXPECT_EQ(fresh.GetObjects(), 0);
    EXPECT_EQ(cache.GetCount(), 0);
    TTable part;
    part = *train;
    EXPECT_EQ(FailureOf([&] { fresh.BuildLeaf(cache, part, nullptr, 0, 1.0f, 0, 1); }).code, 9);
}

// The validation parts are cut from the test table by the split's root column: a test table
// without that column is refused where it is first divided, not read past its last row.
TEST_F(TreeTest, ATestTableWithoutTheSplitColumnIsRefusedBeforeAnyLeaf) {
    Rows rows;
    const int third[10] = {1, 1, 1, 1, 2, 2, 2, 3, 3, 4};
    for (int o = 0; o < 10; ++o) rows.push_back({5, 6, third[o], o % 2});
    const auto train = RowsTable(rows);
    const auto narrow = RowsTable({{1, 0}, {2, 1}, {1, 1}});
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(2);
    TRCNode root;
    const Failure f =
        FailureOf([&] { root.Build(cache, *train, narrow.get(), info, nullptr, nullptr, 0, 0, 0, 1.0f, 0, 1, 7); });
    EXPECT_EQ(f.code, 5);
    EXPECT_EQ(f.log, "Bad element number in TTable::GetTable\n");
    ASSERT_NE(root.GetSplit(), nullptr);
    EXPECT_EQ(root.GetSplit()->GetAttr(), 2);
    EXPECT_EQ(cache.GetCount(), 0);
}

// Distinct values split one object off at a time: a chain as deep as the table, built,
// walked, laid out, used and destroyed on a stack far too small for one call per level.
TEST_F(TreeTest, AChainAsDeepAsTheTableNeedsNoDeepStack) {
    const int n = 1500;
    Rows rows;
    for (int o = 0; o < n; ++o) rows.push_back({o, o % 2});
    const auto train = RowsTable(rows);
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(2);
    RunOnSmallStack(64 * 1024, [&] {
        TRCNode root;
        root.Build(cache, *train, nullptr, info, nullptr, nullptr, 0, 0, 0, 1.0f, 0, 0, 2);
        EXPECT_EQ(root.CountNodes(), 2 * n - 1);
        EXPECT_EQ(root.CountLeaves(), n);
        // The non-matching chain comes first in the walk; its last node is the deepest.
        int counter = 0;
        TRCNode* deepest = root.FindNode(counter, n - 1);
        ASSERT_NE(deepest, nullptr);
        EXPECT_EQ(deepest->GetInternal(), 0);
        EXPECT_EQ(deepest->GetPath()->GetCount(), n - 1);
        EXPECT_EQ(deepest->GetObjects(), 1);
        root.Layout(0, 0, 0);
        EXPECT_EQ(deepest->GetY(), 20 * (n - 1));
        int result = 7;
        root.Classify(cache, *RowOf(*train, n - 1), result);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(deepest->GetTested(), 1);
        EXPECT_EQ(root.GetTested(), 1);
    });
}

// ---- whole tables

struct Config {
    const char* table;
    int discretize;
    int adaptation;
    int ruleMethod;
    int minSize;
};

class TreeOnTable : public TreeTest, public ::testing::WithParamInterface<Config> {};

// A fixed split: every third object is a test object.
void SplitEveryThird(const TTable& all, TTable& train, TTable& test) {
    Rows a, b;
    for (int o = 0; o < all.GetNoObj(); ++o) (o % 3 == 2 ? b : a).push_back(TableRows(all)[static_cast<size_t>(o)]);
    train = *RowsTable(a);
    test = *RowsTable(b);
}

TEST_P(TreeOnTable, PartsPartitionTheTableAndEveryObjectIsCountedOnItsWay) {
    const Config c = GetParam();
    TTable all;
    all.Load((std::string(VARNEL_TABLES) + "/" + c.table).c_str());
    TTable train, test;
    SplitEveryThird(all, train, test);
    TDValInfo info;
    info.CalcFromTable(train);
    TRulCache cache(3);
    TRCNode root;
    root.SetRuleMethod(c.ruleMethod);
    root.SetReductLimit(20);
    RandomInt(1);
    SeedRand(11);
    root.Build(cache, train, &test, info, nullptr, nullptr, 0, 0, c.discretize, 1.0f, 0, c.adaptation, c.minSize);

    const std::vector<TRCNode*> nodes = Nodes(root);
    ASSERT_GE(nodes.size(), 5u);
    int deepest = 0;
    std::vector<int> leafOf(static_cast<size_t>(train.GetNoObj()), -1);
    std::map<const TRCNode*, int> index;
    for (size_t i = 0; i < nodes.size(); ++i) index[nodes[i]] = static_cast<int>(i);
    for (TRCNode* n : nodes) {
        TTable part;
        n->GetPath()->SelectTable(train, part);
        EXPECT_EQ(part.GetNoObj(), n->GetObjects());
        deepest = std::max(deepest, n->GetPath()->GetCount());
        if (n->GetInternal()) {
            // The split is the part's best template, named by the whole table's columns.
            TTable map;
            map.CreateTable(1, part.GetNoAttr());
            int k = 0;
            for (int a = 0; a < train.GetNoAttr(); ++a) {
                bool fixed = false;
                for (int i = 0; i < n->GetPath()->GetCount(); ++i) {
                    const TTempl& t = n->GetPath()->GetTEMPL(i);
                    fixed = fixed || (t.GetAttr() == a && t.GetNegated() == 0);
                }
                if (!fixed) map.SetTable(0, k++, a);
            }
            ASSERT_EQ(k, part.GetNoAttr());
            TTempl best;
            best.SearchTemplate(part, map, 0, 0);
            EXPECT_EQ((std::vector<int>{n->GetSplit()->GetAttr(), n->GetSplit()->GetValue(), n->GetSplit()->GetSupport()}),
                      (std::vector<int>{best.GetAttr(), best.GetValue(), best.GetSupport()}));
            EXPECT_GE(n->GetObjects(), c.minSize);
            EXPECT_EQ(n->GetMatching()->GetObjects(), n->GetSplit()->GetSupport());
            EXPECT_EQ(n->GetMatching()->GetObjects() + n->GetNonMatching()->GetObjects(), n->GetObjects());
            EXPECT_LT(n->GetSplit()->GetAttr(), train.GetNoAttr() - 1);
            continue;
        }
        EXPECT_LT(n->GetObjects(), c.minSize);
        for (int o : n->GetPath()->SatisfyingRows(train)) {
            EXPECT_EQ(leafOf[static_cast<size_t>(o)], -1) << "object " << o << " in two leaves";
            leafOf[static_cast<size_t>(o)] = index[n];
        }
        const bool cuts = FileExists(n->CutsFileName());
        EXPECT_EQ(cuts, c.discretize > 0 && n->GetGenDecClasses() >= 2);
        const int rules = cache.GetRulMemory(n->GetRuleSlot())->GetNoRules();
        EXPECT_EQ(rules, n->GetGenDecClasses() < 2 ? 0 : n->GetRuleCount());
    }
    EXPECT_GE(deepest, 3);
    // Each training object reaches, by the splits, the one leaf whose path it satisfies.
    for (int o = 0; o < train.GetNoObj(); ++o) {
        TRCNode* n = &root;
        while (n->GetInternal()) n = n->GetSplit()->Match(train, o) ? n->GetMatching() : n->GetNonMatching();
        EXPECT_EQ(leafOf[static_cast<size_t>(o)], index[n]) << o;
    }

    int decided = 0;
    for (int o = 0; o < test.GetNoObj(); ++o) {
        const auto row = RowOf(test, o);
        TRCNode* leaf = &root;
        while (leaf->GetInternal()) leaf = leaf->GetSplit()->Match(*row, 0) ? leaf->GetMatching() : leaf->GetNonMatching();
        const Outcome expected = ByHand(*leaf, cache, *row, 100 + static_cast<unsigned>(o));
        int result = 7;
        SeedRand(100 + static_cast<unsigned>(o));
        const std::vector<int> d = root.Classify(cache, *row, result);
        EXPECT_EQ(result, expected.result) << o;
        EXPECT_EQ(d, expected.distribution) << o;
        decided += result != -1;
    }
    EXPECT_GT(decided, 0);
    EXPECT_EQ(root.GetTested(), test.GetNoObj());
    for (TRCNode* n : nodes) {
        if (n->GetInternal()) {
            for (auto count : {&TRCNode::GetTested, &TRCNode::GetUnclassified, &TRCNode::GetCorrect}) {
                EXPECT_EQ((n->*count)(), (n->GetMatching()->*count)() + (n->GetNonMatching()->*count)());
            }
        }
        if (n->GetTested() == 0) {
            EXPECT_EQ(n->GetAccuracy(), -1.0);
            EXPECT_EQ(n->GetCoverage(), -1.0);
            continue;
        }
        const int classified = n->GetTested() - n->GetUnclassified();
        EXPECT_DOUBLE_EQ(n->GetCoverage(), static_cast<double>(classified) / n->GetTested());
        EXPECT_DOUBLE_EQ(n->GetAccuracy(), classified == 0 ? 0.0 : static_cast<double>(n->GetCorrect()) / classified);
    }
    EXPECT_GT(root.GetCoverage(), 0.0);
    EXPECT_GT(root.GetAccuracy(), 0.5);
    std::fprintf(stderr, "nodes %zu deepest %d decided %d/%d acc %.3f cov %.3f\n", nodes.size(), deepest, decided,
                 test.GetNoObj(), root.GetAccuracy(), root.GetCoverage());
}

INSTANTIATE_TEST_SUITE_P(Tables, TreeOnTable,
                         ::testing::Values(Config{"vote.tab", 0, 0, 2, 60}, Config{"vote.tab", 1, 1, 3, 60},
                                           Config{"breast-cancer.tab", 1, 0, 1, 40},
                                           Config{"breast-cancer.tab", 0, 1, 2, 40},
                                           Config{"breast-cancer.tab", 1, 1, 2, 40}));

}  // namespace
