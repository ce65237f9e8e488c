#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/random.h"
#include "core/table.h"
#include "discretization/cuts/cut_groups.h"
#include "discretization/templates/templ_set.h"
#include "discretization/trees/rc_node.h"
#include "rough/rules/rul_cache.h"
#include "tests/support/exit_child.h"
#include "tests/support/failure_of.h"
#include "tests/support/table_rows.h"
#include "tests/support/test_files.h"
#include "tests/support/working_dir.h"

namespace {

// The tree writes its rule, cuts and stacking-table files into the working folder.
class FamilyTest : public ::testing::Test {
protected:
    ScratchDir dir;
    WorkingDirScope inside{dir.Path()};
};

std::unique_ptr<TTable> RowOf(const TTable& t, int o) {
    return RowsTable({std::vector<int>(t.Row(o), t.Row(o) + t.GetNoAttr())});
}

std::string Id(const TRCNode& n) { return std::to_string(n.GetId()); }

// Negation honoured.
bool SatisfiesPath(const TTemplSet& path, const TTable& t, int o) {
    for (int i = 0; i < path.GetCount(); ++i) {
        const TTempl& p = path.GetTEMPL(i);
        if ((t.Value(o, p.GetAttr()) == p.GetValue()) == (p.GetNegated() == 1)) return false;
    }
    return true;
}

std::vector<int> FamilyMatches(const TRCNode& node, const TTable& t, int o) {
    std::vector<int> flags;
    for (int j = 0; j < node.GetFamily()->GetCount(); ++j) {
        const TTempl& f = node.GetFamily()->GetTEMPL(j);
        flags.push_back(t.Value(o, f.GetAttr()) == f.GetValue() ? 1 : 0);
    }
    return flags;
}

int Count1(const std::vector<int>& flags) { return static_cast<int>(std::count(flags.begin(), flags.end(), 1)); }

// The node and its rest children, root first.
std::vector<TRCNode*> Chain(TRCNode& root) {
    std::vector<TRCNode*> out{&root};
    while (out.back()->GetInternal()) out.push_back(out.back()->GetRestChild());
    return out;
}

// The stacking row of object o as defined: per family template the distribution of its
// child when the object matches it, zeros otherwise, the decision last. Classifying through
// the children counts there.
std::vector<int> StackingRowByHand(TRCNode& node, TRulCache& cache, const TTable& t, int o) {
    const int classes = node.GetDecisionInfo()->GetNoDecVal();
    const std::vector<int> flags = FamilyMatches(node, t, o);
    std::vector<int> row;
    for (int j = 0; j < node.GetFamilyCount(); ++j) {
        std::vector<int> d(static_cast<size_t>(classes), 0);
        int result = 7;
        if (flags[static_cast<size_t>(j)] == 1) d = node.GetFamilyChild(j)->Classify(cache, *RowOf(t, o), result);
        row.insert(row.end(), d.begin(), d.end());
    }
    row.push_back(t.Value(o, t.GetNoAttr() - 1));
    return row;
}

// The stacking table of a whole table at a node: the objects on the node's path that match
// two or more family templates, in table order.
Rows StackingByHand(TRCNode& node, TRulCache& cache, const TTable& t) {
    Rows rows;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        if (SatisfiesPath(*node.GetPath(), t, o) && Count1(FamilyMatches(node, t, o)) >= 2) {
            rows.push_back(StackingRowByHand(node, cache, t, o));
        }
    }
    return rows;
}

// The stacking table as the node keeps it after its discretization.
Rows Discretized(TRCNode& node, const Rows& rows) {
    auto t = RowsTable(rows);
    if (node.GetGenDecClasses() >= 2 && !rows.empty()) {
        ApplyCutsFile(*t, node.CommonCutsFileName().c_str());
        t->RemoveReplicas();
    }
    return TableRows(*t);
}

// What the stacked classification must give an object, worked out from what the build left
// behind: the files, the family and the children.
struct Routed {
    std::string trace;
    int matchCount = 1;
    int result = 7;
    std::vector<int> distribution;
};

Routed RouteByHand(TRCNode& root, TRulCache& cache, const TTable& row) {
    Routed r;
    TRCNode* n = &root;
    for (;;) {
        if (!n->GetInternal()) {
            r.trace += "<-2*>";
            r.distribution = n->ClassifyAtLeaf(cache, row, r.result);
            return r;
        }
        const std::vector<int> flags = FamilyMatches(*n, row, 0);
        const int count = Count1(flags);
        if (count == 0) {
            r.trace += "<-1$>";
            n = n->GetRestChild();
            continue;
        }
        r.matchCount = count;
        if (count == 1) {
            const int j = static_cast<int>(std::find(flags.begin(), flags.end(), 1) - flags.begin());
            r.trace += "<" + std::to_string(j) + "#>";
            r.distribution = n->GetFamilyChild(j)->Classify(cache, row, r.result);
            return r;
        }
        const std::vector<int> stacking = StackingRowByHand(*n, cache, row, 0);
        for (size_t a = 0; a + 1 < stacking.size(); ++a) r.trace += std::to_string(stacking[a]) + " ";
        if (n->GetGenDecClasses() < 2) {
            r.result = -1;
            r.distribution.assign(static_cast<size_t>(n->GetDecisionInfo()->GetNoDecVal()), 0);
            return r;
        }
        auto t = RowsTable({stacking});
        ApplyCutsFile(*t, n->CommonCutsFileName().c_str());
        r.distribution = n->GetStackingChild()->Classify(cache, *t, r.result);
        return r;
    }
}

Routed Route(TRCNode& root, TRulCache& cache, const TTable& row) {
    Routed r;
    r.matchCount = 7;
    r.distribution = root.ClassifyWithFamily(cache, row, r.trace, r.matchCount, r.result);
    return r;
}

// ---- a small case followed exactly

// Three two-valued attributes; the decision copies a2, except (when `oneClassAtBoth`) for
// the objects holding a0 = 0 and a1 = 0, which all get 0. The family is {a0 = 0, a1 = 0}:
// a0's two values come first, a1 = 0 then beats a0 = 1, and nothing of a2 beats a1 = 0.
Rows SmallRows(int n, bool oneClassAtBoth) {
    Rows rows;
    for (int o = 0; o < n; ++o) {
        const int a0 = o % 5 < 3 ? 0 : 1;
        const int a1 = o % 20 < 11 ? 0 : 1;
        const int a2 = (o / 7) % 2;
        rows.push_back({a0, a1, a2, oneClassAtBoth && a0 == 0 && a1 == 0 ? 0 : a2});
    }
    return rows;
}

struct Captured {
    std::string out;
    std::string log;
};

// Builds with standard output and the LOG captured.
Captured BuildCaptured(TRCNode& root, TRulCache& cache, const TTable& train, const TTable& stackTrain,
                       const TTable* stackTest, const TDValInfo& info, int withTest) {
    Captured c;
    LogCapture log;
    testing::internal::CaptureStdout();
    try {
        root.BuildWithFamily(cache, train, stackTrain, stackTest, info, nullptr, nullptr, withTest);
    } catch (...) {
        testing::internal::GetCapturedStdout();
        throw;
    }
    c.out = testing::internal::GetCapturedStdout();
    c.log = log.Text();
    return c;
}

int LinesEqual(const std::string& text, const std::string& line) {
    const std::vector<std::string> lines = TextLines(text);
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

std::string BuildsLine(const TRCNode& n) {
    return "************************> BUDUJE KLASYFIKATOR RC nr: " + Id(n) + "\n";
}

TEST_F(FamilyTest, ASmallTreeRoutesEveryKindOfObjectExactly) {
    const auto train = RowsTable(SmallRows(600, false));
    const auto stackTrain = RowsTable(SmallRows(200, false));
    const auto stackTest = RowsTable(SmallRows(100, false));
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(4);
    TRCNode root;
    const int r = root.GetId();
    const Captured c = BuildCaptured(root, cache, *train, *stackTrain, stackTest.get(), info, 1);

    ASSERT_EQ(root.GetInternal(), 1);
    ASSERT_EQ(root.GetFamilyCount(), 2);
    const TTemplSet& family = *root.GetFamily();
    std::vector<int> fields;
    for (int j = 0; j < 2; ++j) {
        const TTempl& f = family.GetTEMPL(j);
        fields.insert(fields.end(), {f.GetAttr(), f.GetValue(), f.GetSupport()});
    }
    EXPECT_EQ(fields, (std::vector<int>{0, 0, 360, 1, 0, 330}));
    // Ids: the node, its family children, the rest child, and the stacking child last.
    EXPECT_EQ(root.GetFamilyChild(0)->GetId(), r + 1);
    EXPECT_EQ(root.GetFamilyChild(1)->GetId(), r + 2);
    EXPECT_EQ(root.GetRestChild()->GetId(), r + 3);
    EXPECT_EQ(root.GetStackingChild()->GetId(), r + 4);
    EXPECT_EQ(root.GetFamilyChild(2), nullptr);
    EXPECT_EQ(root.GetFamilyChild(0)->GetObjects(), 360);
    EXPECT_EQ(root.GetFamilyChild(1)->GetObjects(), 330);
    EXPECT_EQ(root.GetRestChild()->GetObjects(), 120);
    EXPECT_EQ(root.GetRestChild()->GetInternal(), 0);
    EXPECT_EQ(root.GetRestChild()->GetFamily(), nullptr);
    EXPECT_EQ(c.out, BuildsLine(root) + "ROZMIAR TABLICY:  600\n" + BuildsLine(*root.GetRestChild()) +
                         "ROZMIAR TABLICY:  120\nSize of common table A: 2 5\nSize of common table B: 2 5\n");
    EXPECT_EQ(LinesEqual(c.log, "Discretization table..."), 1);
    EXPECT_EQ(LinesEqual(c.log, "Discretization common table..."), 1);

    // Every object matching both templates was classified by both children: 70 of the
    // stacking training table, 35 of the test one.
    EXPECT_EQ(root.GetFamilyChild(0)->GetTested(), 105);
    EXPECT_EQ(root.GetFamilyChild(1)->GetTested(), 105);
    EXPECT_EQ(root.GetGenDecClasses(), 2);
    // The children give class a2 for sure: one row per decision is left once the first
    // column is cut between 0 and 1 and the others are cut nowhere.
    EXPECT_EQ(ReadFileBytes("CommonTabScal" + Id(root)), "2 5\n0 0 0 0 1 \n1 0 0 0 0 \n");
    const auto noScal = std::make_unique<TTable>();
    noScal->Load(("CommonTabNoScal" + Id(root)).c_str());
    EXPECT_EQ(TableRows(*noScal), StackingByHand(root, cache, *stackTrain));
    EXPECT_EQ(noScal->GetNoObj(), 70);
    EXPECT_TRUE(FileExists(root.CommonCutsFileName()));
    EXPECT_EQ(root.CommonCutsFileName(), "CUTS_C" + Id(root));
    EXPECT_EQ(root.GetStackingChild()->GetObjects(), 2);
    EXPECT_EQ(root.GetStackingChild()->GetInternal(), 0);
    // The node's cuts on other tables: repeated rows go; a table without objects stays so.
    auto other = RowsTable({{3, 0, 0, 5, 1}, {0, 2, 2, 0, 0}, {4, 1, 1, 1, 1}, {1, 0, 0, 0, 0}});
    root.ApplyCommonCuts(*other);
    EXPECT_EQ(TableRows(*other), (Rows{{0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 0, 0, 0, 1}}));
    TTable empty;
    root.ApplyCommonCuts(empty);
    EXPECT_EQ(empty.GetNoObj(), 0);

    // The node's cuts were read once, when they were written: classifying needs the file no more.
    ASSERT_EQ(std::remove(root.CommonCutsFileName().c_str()), 0);
    struct Case {
        std::vector<int> row;
        std::string trace;
        int matchCount;
        int result;
        std::vector<int> distribution;
    };
    const std::vector<Case> cases{
        {{0, 0, 1, 1}, "0 1 0 1 ", 2, 1, {0, 1}}, {{0, 0, 0, 0}, "1 0 1 0 ", 2, 1, {1, 0}},
        {{0, 1, 1, 1}, "<0#>", 1, 1, {0, 1}},     {{1, 0, 0, 0}, "<1#>", 1, 1, {1, 0}},
        {{1, 1, 1, 1}, "<-1$><-2*>", 1, 1, {0, 1}}, {{1, 1, 0, 1}, "<-1$><-2*>", 1, 0, {1, 0}},
    };
    for (const Case& k : cases) {
        const Routed got = Route(root, cache, *RowsTable({k.row}));
        EXPECT_EQ(got.trace, k.trace);
        EXPECT_EQ(got.matchCount, k.matchCount) << k.trace;
        EXPECT_EQ(got.result, k.result) << k.trace;
        EXPECT_EQ(got.distribution, k.distribution) << k.trace;
    }
    EXPECT_EQ(root.GetStackingChild()->GetTested(), 2);
    EXPECT_EQ(root.GetStackingChild()->GetCorrect(), 2);
    // By hand above, then the two stacking rows and the one match.
    EXPECT_EQ(root.GetFamilyChild(0)->GetTested(), 105 + 70 + 3);
    // The trace is appended to, never cleared.
    std::string trace = "x";
    int matchCount = 0;
    int result = 7;
    root.ClassifyWithFamily(cache, *RowsTable({{1, 1, 1, 1}}), trace, matchCount, result);
    root.ClassifyWithFamily(cache, *RowsTable({{0, 1, 1, 1}}), trace, matchCount, result);
    EXPECT_EQ(trace, "x<-1$><-2*><0#>");
}

TEST_F(FamilyTest, AStackingTableOfOneClassIsNeitherCutNorUsed) {
    const auto train = RowsTable(SmallRows(600, true));
    const auto stackTrain = RowsTable(SmallRows(200, true));
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(4);
    TRCNode root;
    const Captured c = BuildCaptured(root, cache, *train, *stackTrain, nullptr, info, 0);
    ASSERT_EQ(root.GetInternal(), 1);
    EXPECT_EQ(root.GetGenDecClasses(), 1);
    EXPECT_FALSE(FileExists(root.CommonCutsFileName()));
    const std::string noScal = ReadFileBytes("CommonTabNoScal" + Id(root));
    EXPECT_EQ(ReadFileBytes("CommonTabScal" + Id(root)), noScal);
    EXPECT_EQ(noScal.substr(0, 5), "70 5\n");
    // Without the test table there is no table B.
    EXPECT_EQ(c.out, BuildsLine(root) + "ROZMIAR TABLICY:  600\n" + BuildsLine(*root.GetRestChild()) +
                         "ROZMIAR TABLICY:  120\nSize of common table A: 70 5\n");
    EXPECT_EQ(LinesEqual(c.log, "Discretization table..."), 1);
    EXPECT_EQ(LinesEqual(c.log, "Discretization common table..."), 0);

    // a0 = 0 and a1 = 0: the children still see two classes and speak, the node does not.
    const Routed got = Route(root, cache, *RowsTable({{0, 0, 0, 0}}));
    EXPECT_EQ(got.trace, "1 0 1 0 ");
    EXPECT_EQ(got.matchCount, 2);
    EXPECT_EQ(got.result, -1);
    EXPECT_EQ(got.distribution, (std::vector<int>{0, 0}));
    EXPECT_EQ(root.GetStackingChild()->GetTested(), 0);
}

// An empty table has nothing to cut, but a node without its cuts file cannot cut anything.
TEST_F(FamilyTest, CommonCutsOnAnEmptyTableStillNeedTheFile) {
    TRCNode node;
    TTable empty;
    EXPECT_EQ(FailureOf([&] { node.ApplyCommonCuts(empty); }).code, 6);
    WriteFileBytes(node.CommonCutsFileName(), "0 1.5\n");
    EXPECT_EQ(FailureOf([&] { node.ApplyCommonCuts(empty); }).code, 0);
    EXPECT_EQ(empty.GetNoObj(), 0);
    auto one = RowsTable({{1, 2, 7}, {2, 5, 7}, {0, 9, 7}});
    node.ApplyCommonCuts(*one);
    EXPECT_EQ(TableRows(*one), (Rows{{0, 0, 7}, {1, 0, 7}}));
}

// A family testing one attribute only: no object matches two templates, and every object
// goes to a family child.
TEST_F(FamilyTest, AFamilyOfOneAttributeLeavesTheStackingTablesEmpty) {
    Rows rows;
    for (int o = 0; o < 600; ++o) rows.push_back({o % 4, o % 20 < 3 ? 1 : 0, o % 20 < 3 ? 1 : 0});
    const auto train = RowsTable(rows);
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(4);
    TRCNode root;
    const Captured c = BuildCaptured(root, cache, *train, *train, train.get(), info, 1);
    ASSERT_EQ(root.GetFamilyCount(), 4);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(root.GetFamily()->GetTEMPL(j).GetValue(), j);
    EXPECT_EQ(root.GetRestChild()->GetObjects(), 0);
    EXPECT_EQ(c.out, BuildsLine(root) + "ROZMIAR TABLICY:  600\n" + BuildsLine(*root.GetRestChild()) +
                         "ROZMIAR TABLICY:  0\nSize of common table A: 0 0\nSize of common table B: 0 0\n");
    EXPECT_EQ(ReadFileBytes("CommonTabNoScal" + Id(root)), "0 0\n");
    EXPECT_EQ(ReadFileBytes("CommonTabScal" + Id(root)), "0 0\n");
    EXPECT_EQ(root.GetGenDecClasses(), 0);
    EXPECT_FALSE(FileExists(root.CommonCutsFileName()));
    EXPECT_EQ(LinesEqual(c.log, "Discretization table..."), 1);
    EXPECT_EQ(root.GetStackingChild()->GetObjects(), 0);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(root.GetFamilyChild(j)->GetTested(), 0);
    const Routed got = Route(root, cache, *RowsTable({{2, 1, 1}}));
    EXPECT_EQ(got.trace, "<2#>");
    EXPECT_EQ(got.result, 1);
}

// A chain as long as the table allows: level k's family is {a2k = 1, a2k+1 = 1}, held by
// objects 4k .. 4k+2 and 4k+1 .. 4k+3 (every other attribute holds 0 there, above the 80%
// cap), so each level passes all but four objects on to its rest child.
TEST_F(FamilyTest, TheRestChainGoesDownLevelByLevelAndIsFinishedFromTheBottom) {
    Rows rows(600, std::vector<int>(53, 0));
    for (int o = 0; o < 600; ++o) rows[size_t(o)][52] = o % 2;
    for (int k = 0; k < 26; ++k) {
        for (int i = 0; i < 3; ++i) {
            rows[size_t(4 * k + i)][size_t(2 * k)] = 1;
            rows[size_t(4 * k + 1 + i)][size_t(2 * k + 1)] = 1;
        }
    }
    const auto train = RowsTable(rows);
    TDValInfo info;
    info.CalcFromTable(*train);
    TRulCache cache(4);
    TRCNode root;
    const Captured c = BuildCaptured(root, cache, *train, *train, nullptr, info, 0);
    const std::vector<TRCNode*> chain = Chain(root);
    ASSERT_EQ(chain.size(), 27u);
    std::string expected;
    std::vector<std::string> saved;
    for (size_t k = 0; k < chain.size(); ++k) {
        expected += BuildsLine(*chain[k]) + "ROZMIAR TABLICY:  " + std::to_string(600 - 4 * k) + "\n";
        if (k == 26) break;
        EXPECT_EQ((std::vector<int>{chain[k]->GetFamilyCount(), chain[k]->GetFamily()->GetTEMPL(0).GetAttr(),
                                    chain[k]->GetFamily()->GetTEMPL(1).GetAttr()}),
                  (std::vector<int>{2, int(2 * k), int(2 * k + 1)}));
        EXPECT_EQ(chain[k]->GetPath()->GetCount(), int(2 * k));
        // Ids as a build that called itself for the rest child gives them: the node, its two
        // one-leaf family children, the rest child; the stacking children only once the whole
        // chain below is built, the deepest first.
        const int id = chain[k]->GetId();
        EXPECT_EQ((std::vector<int>{chain[k]->GetFamilyChild(0)->GetId(), chain[k]->GetFamilyChild(1)->GetId(),
                                    chain[k + 1]->GetId(), chain[k]->GetStackingChild()->GetId()}),
                  (std::vector<int>{id + 1, id + 2, id + 3, chain[26]->GetId() + 26 - int(k)}));
    }
    // The stacking tables are made from the deepest node up.
    for (size_t k = 26; k-- > 0;) {
        const Rows a = Discretized(*chain[k], StackingByHand(*chain[k], cache, *train));
        expected += "Size of common table A: " + std::to_string(a.size()) + " 5\n";
        saved.push_back("Table saved to \"CommonTabNoScal" + Id(*chain[k]) + "\"");
    }
    EXPECT_EQ(c.out, expected);
    std::vector<std::string> savedInLog;
    for (const std::string& line : TextLines(c.log)) {
        if (line.rfind("Table saved to \"CommonTabNoScal", 0) == 0) savedInLog.push_back(line);
    }
    EXPECT_EQ(savedInLog, saved);

    std::string down;
    for (int k = 0; k < 26; ++k) down += "<-1$>";
    Routed got = Route(root, cache, *RowOf(*train, 599));
    EXPECT_EQ(got.trace, down + "<-2*>");
    EXPECT_EQ(got.result, -1);
    got = Route(root, cache, *RowOf(*train, 4 * 7 + 3));
    EXPECT_EQ(got.trace, down.substr(0, 5 * 7) + "<1#>");
}

TEST_F(FamilyTest, FiveHundredObjectsMakeANodeAndFourHundredNinetyNineALeaf) {
    const auto stackTrain = RowsTable(SmallRows(100, false));
    TTable none;
    for (int n : {499, 500}) {
        const auto train = RowsTable(SmallRows(n, false));
        TDValInfo info;
        info.CalcFromTable(*train);
        TRulCache cache(4);
        TRCNode root;
        root.SetDiscretize(1);
        const Captured c = BuildCaptured(root, cache, *train, n == 499 ? none : *stackTrain, stackTrain.get(), info, 1);
        const std::string head = BuildsLine(root) + "ROZMIAR TABLICY:  " + std::to_string(n) + "\n";
        EXPECT_EQ(c.out.substr(0, head.size()), head);
        if (n == 499) {
            EXPECT_EQ(root.GetInternal(), 0);
            EXPECT_EQ(root.GetFamily(), nullptr);
            EXPECT_EQ(root.GetFamilyCount(), 0);
            EXPECT_EQ(c.out, head);
            // The leaf is trained, on its own cuts; its test part is looked for and dropped.
            EXPECT_EQ(root.GetRuleSlot(), 0);
            EXPECT_GT(root.GetRuleCount(), 0);
            EXPECT_TRUE(FileExists(root.CutsFileName()));
            EXPECT_FALSE(FileExists("CommonTabNoScal" + Id(root)));
            EXPECT_EQ(LinesEqual(c.log, "No objects in TTemplSet::SelectTable"), 1);
            EXPECT_EQ(LinesEqual(c.log, "Discretization table..."), 0);
            const Routed got = Route(root, cache, *RowsTable({{0, 0, 1, 1}}));
            EXPECT_EQ(got.trace, "<-2*>");
            EXPECT_EQ(got.result, 1);
            EXPECT_EQ(got.matchCount, 1);
        } else {
            EXPECT_EQ(root.GetInternal(), 1);
            EXPECT_EQ(root.GetFamilyCount(), 2);
            EXPECT_EQ(root.GetObjects(), 500);
            // The family children and the rest child take the node's discretization; the
            // stacking child does not discretize.
            for (TRCNode* child : {root.GetFamilyChild(0), root.GetFamilyChild(1), root.GetRestChild()}) {
                EXPECT_EQ(child->GetDiscretize(), 1);
                EXPECT_TRUE(FileExists(child->CutsFileName()));
            }
            EXPECT_EQ(root.GetStackingChild()->GetDiscretize(), 0);
            EXPECT_FALSE(FileExists(root.GetStackingChild()->CutsFileName()));
            EXPECT_EQ(LinesEqual(c.log, "No objects in TTemplSet::SelectTable"), 0);
        }
    }
}

TEST_F(FamilyTest, ALeafStillHoldingAFamilyEndsTheProcess) {
    const auto big = RowsTable(SmallRows(600, false));
    const auto small = RowsTable(SmallRows(499, false));
    TDValInfo info;
    info.CalcFromTable(*big);
    TRulCache cache(4);
    TRCNode root;
    EXPECT_EQ(FailureOf([&] { root.BuildWithFamily(cache, *big, *big, nullptr, info, nullptr, nullptr, 1); }).code, 9);
    BuildCaptured(root, cache, *big, *small, nullptr, info, 0);
    ASSERT_EQ(root.GetInternal(), 1);
    // Rebuilt on a smaller part, the node becomes a leaf and keeps what it held.
    BuildCaptured(root, cache, *small, *small, nullptr, info, 0);
    EXPECT_EQ(root.GetInternal(), 0);
    ASSERT_NE(root.GetFamily(), nullptr);
    EXPECT_EQ(root.GetFamilyCount(), 2);
    EXPECT_NE(root.GetRestChild(), nullptr);
    const auto row = RowsTable({{1, 1, 1, 1}});
    EXPECT_EQ(StdoutOfExit(-1,
                           [&] {
                               std::string trace;
                               int matchCount = 0;
                               int result = 0;
                               root.ClassifyWithFamily(cache, *row, trace, matchCount, result);
                           }),
              "UWAGA: TemplSetLoc!=NULL w lisciu RC!\n");
}

// ---- whole tables

struct Tables {
    TTable train;
    TTable stackTrain;
    TTable stackTest;
};

// Eight attributes of twelve values each and a decision that follows two of them but for one
// object in ten: families hold five templates of about a twelfth of the objects each, about
// three fifths of a part match none of them, and the rest chain has three nodes before a leaf.
void Generated(Tables& t) {
    auto make = [](int n, unsigned seed) {
        std::mt19937 gen(seed);
        Rows rows;
        for (int o = 0; o < n; ++o) {
            std::vector<int> row;
            for (int a = 0; a < 8; ++a) row.push_back(static_cast<int>(gen() % 12));
            row.push_back(gen() % 10 == 0 ? static_cast<int>(gen() % 3) : (row[0] + row[1]) / 8);
            rows.push_back(row);
        }
        return RowsTable(rows);
    };
    t.train = *make(4000, 1);
    t.stackTrain = *make(2000, 2);
    t.stackTest = *make(1000, 3);
}

// The whole table is the tree's; every third object is a test object.
void Soybean(Tables& t) {
    t.train.Load((std::string(VARNEL_TABLES) + "/soybean.tab").c_str());
    Rows a, b;
    const Rows all = TableRows(t.train);
    for (size_t o = 0; o < all.size(); ++o) (o % 3 == 2 ? b : a).push_back(all[o]);
    t.stackTrain = *RowsTable(a);
    t.stackTest = *RowsTable(b);
}

struct TableCase {
    const char* name;
    void (*make)(Tables&);
    int discretize;
    size_t internalNodes;  // at least
};

class FamilyOnTable : public FamilyTest, public ::testing::WithParamInterface<TableCase> {};

int CountSatisfying(const TTemplSet& path, const TTable& t) {
    int n = 0;
    for (int o = 0; o < t.GetNoObj(); ++o) n += SatisfiesPath(path, t, o);
    return n;
}

// The number of distinct generalized decisions of a table, pair by pair.
int GeneralizedClasses(const Rows& rows) {
    std::vector<std::vector<int>> decisions;
    for (const auto& r : rows) {
        std::vector<int> d;
        for (const auto& s : rows) {
            if (std::equal(r.begin(), r.end() - 1, s.begin())) d.push_back(s.back());
        }
        std::sort(d.begin(), d.end());
        d.erase(std::unique(d.begin(), d.end()), d.end());
        if (std::find(decisions.begin(), decisions.end(), d) == decisions.end()) decisions.push_back(d);
    }
    return static_cast<int>(decisions.size());
}

std::string SizeOf(const Rows& rows) {
    return std::to_string(rows.size()) + " " + std::to_string(rows.empty() ? 0 : rows[0].size());
}

TEST_P(FamilyOnTable, EveryNodeFileLineAndRouteAgreesWithTheDefinitions) {
    const TableCase p = GetParam();
    Tables t;
    p.make(t);
    TDValInfo info;
    info.CalcFromTable(t.train);
    const int classes = info.GetNoDecVal();
    TRulCache cache(4);
    TRCNode root;
    root.SetDiscretize(p.discretize);
    SeedRand(5);
    const Captured c = BuildCaptured(root, cache, t.train, t.stackTrain, &t.stackTest, info, 1);

    const std::vector<TRCNode*> chain = Chain(root);
    ASSERT_GE(chain.size(), p.internalNodes + 1);
    std::string expectedOut;
    for (size_t i = 0; i < chain.size(); ++i) {
        TRCNode& n = *chain[i];
        expectedOut += BuildsLine(n) + "ROZMIAR TABLICY:  " + std::to_string(n.GetObjects()) + "\n";
        EXPECT_EQ(n.GetObjects(), CountSatisfying(*n.GetPath(), t.train));
        EXPECT_EQ(n.GetInternal(), n.GetObjects() >= 500 ? 1 : 0);
        EXPECT_EQ(n.GetDiscretize(), p.discretize);
        if (!n.GetInternal()) {
            EXPECT_EQ(n.GetFamily(), nullptr);
            continue;
        }
        ASSERT_GE(n.GetFamilyCount(), 2);
        ASSERT_LE(n.GetFamilyCount(), 5);
        ASSERT_EQ(n.GetFamily()->GetCount(), n.GetFamilyCount());
        // The rest child's path is the node's and every family template negated.
        const TTemplSet& restPath = *chain[i + 1]->GetPath();
        const int k = n.GetPath()->GetCount();
        ASSERT_EQ(restPath.GetCount(), k + n.GetFamilyCount());
        for (int j = 0; j < n.GetFamilyCount(); ++j) {
            const TTempl& f = n.GetFamily()->GetTEMPL(j);
            EXPECT_EQ(f.GetNegated(), 0);
            EXPECT_EQ((std::vector<int>{restPath.GetTEMPL(k + j).GetAttr(), restPath.GetTEMPL(k + j).GetValue(),
                                        restPath.GetTEMPL(k + j).GetNegated()}),
                      (std::vector<int>{f.GetAttr(), f.GetValue(), 1}));
            TRCNode& child = *n.GetFamilyChild(j);
            const TTemplSet& childPath = *child.GetPath();
            ASSERT_EQ(childPath.GetCount(), k + 1);
            EXPECT_EQ((std::vector<int>{childPath.GetTEMPL(k).GetAttr(), childPath.GetTEMPL(k).GetValue(),
                                        childPath.GetTEMPL(k).GetNegated()}),
                      (std::vector<int>{f.GetAttr(), f.GetValue(), 0}));
            EXPECT_EQ(child.GetObjects(), CountSatisfying(childPath, t.train));
            // Trained: classified through right after the build exactly for the stacking rows
            // that needed it, of both tables.
            int expectedTested = 0;
            for (const TTable* s : {&t.stackTrain, &t.stackTest}) {
                for (int o = 0; o < s->GetNoObj(); ++o) {
                    const std::vector<int> flags = FamilyMatches(n, *s, o);
                    expectedTested += SatisfiesPath(*n.GetPath(), *s, o) && Count1(flags) >= 2 && flags[size_t(j)] == 1;
                }
            }
            EXPECT_EQ(child.GetTested(), expectedTested) << "node " << n.GetId() << " child " << j;
        }
    }
    bool covered = false;
    for (TRCNode* n : chain) {
        for (int j = 0; j < n->GetFamilyCount(); ++j) covered = covered || n->GetFamilyChild(j)->GetCoverage() > 0.0;
    }
    EXPECT_TRUE(covered);

    int internal = 0;
    int cut = 0;
    for (size_t i = chain.size() - 1; i-- > 0;) {
        TRCNode& n = *chain[i];
        ++internal;
        const Rows a = StackingByHand(n, cache, t.stackTrain);
        auto noScal = std::make_unique<TTable>();
        noScal->Load(("CommonTabNoScal" + Id(n)).c_str());
        EXPECT_EQ(TableRows(*noScal), a) << n.GetId();
        if (!a.empty()) {
            EXPECT_EQ(noScal->GetNoAttr(), classes * n.GetFamilyCount() + 1);
        }
        EXPECT_EQ(n.GetGenDecClasses(), GeneralizedClasses(a));
        EXPECT_EQ(FileExists(n.CommonCutsFileName()), n.GetGenDecClasses() >= 2);
        cut += n.GetGenDecClasses() >= 2;
        auto scal = std::make_unique<TTable>();
        scal->Load(("CommonTabScal" + Id(n)).c_str());
        const Rows aCut = Discretized(n, a);
        EXPECT_EQ(TableRows(*scal), aCut) << n.GetId();
        EXPECT_EQ(n.GetStackingChild()->GetObjects(), static_cast<int>(aCut.size()));
        EXPECT_EQ(n.GetStackingChild()->GetInternal(), 0);
        const Rows bCut = Discretized(n, StackingByHand(n, cache, t.stackTest));
        expectedOut += "Size of common table A: " + SizeOf(aCut) + "\nSize of common table B: " + SizeOf(bCut) + "\n";
    }
    EXPECT_EQ(c.out, expectedOut);
    EXPECT_EQ(LinesEqual(c.log, "Discretization table..."), internal);
    EXPECT_EQ(LinesEqual(c.log, "Discretization common table..."), cut);

    int decided = 0;
    int correct = 0;
    std::vector<int> kinds(3, 0);  // down to a leaf, one match, two or more
    for (int o = 0; o < t.stackTest.GetNoObj(); ++o) {
        const auto row = RowOf(t.stackTest, o);
        SeedRand(100 + static_cast<unsigned>(o));
        const Routed expected = RouteByHand(root, cache, *row);
        SeedRand(100 + static_cast<unsigned>(o));
        const Routed got = Route(root, cache, *row);
        EXPECT_EQ(got.trace, expected.trace) << o;
        EXPECT_EQ(got.matchCount, expected.matchCount) << o;
        EXPECT_EQ(got.result, expected.result) << o;
        EXPECT_EQ(got.distribution, expected.distribution) << o;
        const bool atLeaf = got.trace.size() >= 5 && got.trace.compare(got.trace.size() - 5, 5, "<-2*>") == 0;
        const size_t kind = atLeaf ? 0 : got.trace.back() == '>' ? 1 : 2;
        EXPECT_EQ(got.matchCount >= 2, kind == 2) << o;
        ++kinds[kind];
        decided += got.result != -1;
        correct += got.result == 1;
    }
    for (int k : kinds) EXPECT_GT(k, 0);
    EXPECT_GT(decided, 0);
    std::fprintf(stderr, "%s: %zu on the chain, routes %d/%d/%d, decided %d, correct %d of %d\n", p.name, chain.size(),
                 kinds[0], kinds[1], kinds[2], decided, correct, t.stackTest.GetNoObj());
}

INSTANTIATE_TEST_SUITE_P(Tables, FamilyOnTable,
                         ::testing::Values(TableCase{"soybean", Soybean, 0, 1}, TableCase{"soybean_cut", Soybean, 1, 1},
                                           TableCase{"generated", Generated, 1, 3}),
                         [](const auto& info) { return std::string(info.param.name); });
}  // namespace
