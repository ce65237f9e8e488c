#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/int_tree.h"
#include "core/table.h"
#include "discretization/templates/templ_set.h"
#include "tests/rough/table_builders.h"
#include "tests/support/failure_of.h"
#include "tests/support/table_rows.h"
#include "tests/support/test_files.h"

namespace {

std::unique_ptr<TTempl> Templ(int attr, int value, int support = 0, bool negated = false) {
    auto t = std::make_unique<TTempl>();
    t->SetAttr(attr);
    t->SetValue(value);
    t->SetSupport(support);
    if (negated) t->SetNegated();
    return t;
}

// (attribute, value, support, negated) of every template.
std::vector<std::array<int, 4>> Contents(const TTemplSet& s) {
    std::vector<std::array<int, 4>> out;
    for (int i = 0; i < s.GetCount(); ++i) {
        const TTempl& t = s.GetTEMPL(i);
        out.push_back({t.GetAttr(), t.GetValue(), t.GetSupport(), t.GetNegated()});
    }
    return out;
}

std::unique_ptr<TTable> IdentityMap(int columns, int offset = 0) {
    Rows row(1);
    for (int a = 0; a < columns; ++a) row[0].push_back(a + offset);
    return RowsTable(row);
}

// ---- references written from the algorithms, over counting trees filled through the root

std::unique_ptr<TIntTree> CountedColumn(const TTable& t, int a) {
    std::unique_ptr<TIntTree> root;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        if (root == nullptr) {
            root = std::make_unique<TIntTree>(t.GetTable(o, a));
        } else {
            root->Add(t.GetTable(o, a));
        }
    }
    return root;
}

void TakeOut(std::unique_ptr<TIntTree>& root, int v) {
    if (root->Remove(v) == 0) root.reset();
}

// Every value of each attribute in turn until one is acceptable; the attribute's column
// itself is returned (mapped by the caller), -1 when nothing qualifies.
std::array<int, 3> ReferenceSearch(const TTable& t, int excludeBad, int bad) {
    const int cap = static_cast<int>(t.GetNoObj() * 0.8);
    int best = 0, bestV = 0, bestA = -1;
    for (int a = 0; a + 1 < t.GetNoAttr(); ++a) {
        auto root = CountedColumn(t, a);
        while (root != nullptr) {
            int v = 0, c = 0;
            root->GetMostFrequent(v, c);
            if (best < c && c <= cap && !(excludeBad == 1 && v == bad)) {
                best = c;
                bestV = v;
                bestA = a;
                break;
            }
            if (root->GetNoNodes() < 2) break;
            TakeOut(root, v);
        }
    }
    return {bestA, bestV, best};
}

// The family, with the ordered insertion as its steps are written.
struct ModelFamily {
    std::vector<std::array<int, 3>> items;  // attribute, value, support
    int capacity = 3;

    void Insert(std::array<int, 3> item, int maxCount) {
        const int count = static_cast<int>(items.size());
        if (count + 1 <= maxCount && count + 1 >= capacity) capacity += 3;
        if (count == 0) {
            items.push_back(item);
            return;
        }
        if (items.back()[2] < item[2]) {
            int i = 0;
            while (items[static_cast<size_t>(i)][2] >= item[2]) ++i;
            if (count + 1 > maxCount) items.pop_back();
            items.insert(items.begin() + i, item);
        } else if (count + 1 <= maxCount) {
            items.push_back(item);
        }
    }
};

bool ReferenceFamily(const TTable& t, const TTable& map, int maxCount, ModelFamily& family) {
    const int cap = static_cast<int>(t.GetNoObj() * 0.8);
    for (int a = 0; a + 1 < t.GetNoAttr(); ++a) {
        auto root = CountedColumn(t, a);
        if (root == nullptr) continue;
        const int n = std::min(root->GetNoNodes(), maxCount);
        int k = 0;
        while (k < n) {
            int v = 0, c = 0;
            root->GetMostFrequent(v, c);
            if (c <= cap) {
                family.Insert({map.GetTable(0, a), v, c}, n);
                ++k;
            }
            if (root->GetNoNodes() < 2) break;
            TakeOut(root, v);
        }
    }
    if (family.items.size() < 2) return false;
    if (maxCount >= 1 && maxCount < static_cast<int>(family.items.size())) family.items.resize(static_cast<size_t>(maxCount));
    return true;
}

// ---- TTempl

TEST(TTempl, PrintsWritesAndMatchesWithoutLookingAtNegation) {
    auto t = Templ(3, -7, 12, true);
    testing::internal::CaptureStdout();
    t->Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Wzorzec VTW: 3=-7  12\n");
    std::string line;
    t->Write(line);
    EXPECT_EQ(line, "3 -7  12 1");
    const auto table = RowsTable({{0, 0, 0, -7, 1}, {0, 0, 0, 7, 1}});
    EXPECT_EQ(t->Match(*table, 0), 1);
    EXPECT_EQ(t->Match(*table, 1), 0);
    t->ClearNegated();
    EXPECT_EQ(t->GetNegated(), 0);
    EXPECT_EQ(t->Match(*table, 0), 1);
    TTempl fresh;
    EXPECT_EQ((std::array<int, 4>{fresh.GetAttr(), fresh.GetValue(), fresh.GetSupport(), fresh.GetNegated()}),
              (std::array<int, 4>{-1, 0, 0, 0}));
    EXPECT_EQ(FailureOf([&] { Templ(5, 0)->Match(*table, 0); }).code, 5);
}

TEST(SearchTemplate, TheCapPassesOverAValueHeldByMoreThanEightyPercent) {
    // Ten objects: the cap is 8, so the 9 zeros of column 0 are passed over for its single 1;
    // column 1's best acceptable value is held by 3 and wins.
    Rows rows;
    for (int o = 0; o < 10; ++o) rows.push_back({o == 9 ? 1 : 0, o < 3 ? 50 : o, 0});
    const auto t = RowsTable(rows);
    const auto map = IdentityMap(3, 20);
    TTempl found;
    found.SetNegated();
    found.SearchTemplate(*t, *map, 0, 0);
    EXPECT_EQ((std::array<int, 4>{found.GetAttr(), found.GetValue(), found.GetSupport(), found.GetNegated()}),
              (std::array<int, 4>{21, 50, 3, 0}));
    // Exactly 8 of 10 is acceptable.
    rows[8][0] = 0;
    rows[9][0] = 0;
    rows[0][0] = 2;
    rows[1][0] = 3;
    found.SearchTemplate(*RowsTable(rows), *map, 0, 0);
    EXPECT_EQ(found.GetAttr(), 20);
    EXPECT_EQ(found.GetSupport(), 8);
}

TEST(SearchTemplate, EqualCountsGoToTheEarlierAttributeAndExcludedValuesAreNeverChosen) {
    const auto t = RowsTable({{1, 4, 9, 0}, {1, 4, 9, 1}, {2, 5, 9, 0}, {3, 6, 8, 1}, {3, 7, 8, 0}});
    const auto map = IdentityMap(4);
    TTempl found;
    found.SearchTemplate(*t, *map, 0, 0);
    EXPECT_EQ((std::array<int, 3>{found.GetAttr(), found.GetValue(), found.GetSupport()}),
              (std::array<int, 3>{2, 9, 3}));
    found.SearchTemplate(*t, *map, 1, 9);  // 9 excluded: column 2 offers 8 (2 objects)
    EXPECT_EQ((std::array<int, 3>{found.GetAttr(), found.GetValue(), found.GetSupport()}),
              (std::array<int, 3>{0, 1, 2}));
    found.SearchTemplate(*t, *map, 0, 9);  // excludeBad 0: the bad value counts as any other
    EXPECT_EQ(found.GetValue(), 9);
}

TEST(SearchTemplate, NothingAcceptableIsCodeFourAndLeavesTheTemplate) {
    const auto map = IdentityMap(3);
    for (const Rows& rows : {Rows{{1, 2, 0}, {1, 2, 1}, {1, 2, 0}, {1, 2, 1}, {1, 2, 0}}, Rows{{1, 0}},
                             Rows{{0}, {1}}, Rows{}}) {
        TTempl t;
        t.SetAttr(7);
        const Failure f = FailureOf([&] { t.SearchTemplate(*RowsTable(rows), *map, 0, 0); });
        EXPECT_EQ(f.code, 4);
        EXPECT_EQ(f.log, "Can't calculate template in TTempl::SearchTemplate\n");
        EXPECT_EQ(t.GetAttr(), 7);
    }
}

TEST(SearchTemplate, AgreesWithTheWrittenSearchOnRandomTables) {
    int found = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        TTable t;
        const int objects = 1 + static_cast<int>(seed % 40);
        FillRandomTable(t, seed, objects, 2 + static_cast<int>(seed % 5), 1 + static_cast<int>(seed % 7), 3);
        const auto map = IdentityMap(t.GetNoAttr(), 100);
        const int excludeBad = static_cast<int>(seed % 2);
        const int bad = static_cast<int>(seed % 3);
        const auto expected = ReferenceSearch(t, excludeBad, bad);
        TTempl got;
        const Failure f = FailureOf([&] { got.SearchTemplate(t, *map, excludeBad, bad); });
        if (expected[0] < 0) {
            EXPECT_EQ(f.code, 4) << seed;
            continue;
        }
        ++found;
        ASSERT_EQ(f.code, 0) << seed;
        EXPECT_EQ((std::array<int, 3>{got.GetAttr(), got.GetValue(), got.GetSupport()}),
                  (std::array<int, 3>{expected[0] + 100, expected[1], expected[2]}))
            << seed;
    }
    EXPECT_GT(found, 200);
}

// ---- TTemplSet

TEST(TTemplSet, GrowsByThreeKeepingAFreeSlotAndTruncatesAndClears) {
    TTemplSet s;
    std::vector<int> capacities;
    for (int i = 0; i < 7; ++i) {
        s.Add(Templ(i, i));
        capacities.push_back(s.GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{3, 3, 6, 6, 6, 9, 9}));
    s.Truncate(0);
    s.Truncate(7);
    EXPECT_EQ(s.GetCount(), 7);
    s.Truncate(2);
    EXPECT_EQ(Contents(s), (std::vector<std::array<int, 4>>{{0, 0, 0, 0}, {1, 1, 0, 0}}));
    EXPECT_EQ(s.GetCapacity(), 9);
    EXPECT_EQ(s.GetLastTEMPL().GetAttr(), 1);
    s.Clear();
    EXPECT_EQ(std::make_pair(s.GetCapacity(), s.GetCount()), std::make_pair(3, 0));
    Failure f = FailureOf([&] { s.GetLastTEMPL(); });
    EXPECT_EQ(f.code, 5);
    EXPECT_EQ(f.log, "No tempates TTemplSet::GetLastTEMPL \n");
    s.Add(Templ(1, 1));
    for (int i : {-1, 1}) {
        f = FailureOf([&] { s.GetTEMPL(i); });
        EXPECT_EQ(f.code, 5);
        EXPECT_EQ(f.log, "Bad number of templates in TTemplSet::GetTEMPL \n");
    }
}

TEST(TTemplSet, InsertSortedPutsANewcomerBehindEqualsAndKeepsAtMostMaxCount) {
    TTemplSet s;
    for (auto [attr, support] : std::vector<std::pair<int, int>>{{0, 5}, {1, 7}, {2, 5}, {3, 9}}) {
        s.InsertSorted(Templ(attr, 0, support), 4);
    }
    auto attrs = [&] {
        std::vector<int> out;
        for (const auto& t : Contents(s)) out.push_back(t[0]);
        return out;
    };
    EXPECT_EQ(attrs(), (std::vector<int>{3, 1, 0, 2}));
    EXPECT_EQ(s.GetCapacity(), 6);
    s.InsertSorted(Templ(4, 0, 5), 4);  // full, equal to the last: the set stays
    EXPECT_EQ(attrs(), (std::vector<int>{3, 1, 0, 2}));
    s.InsertSorted(Templ(5, 0, 6), 4);  // full, larger than the last: the last goes
    EXPECT_EQ(attrs(), (std::vector<int>{3, 1, 5, 0}));
    s.InsertSorted(Templ(6, 0, 7), 2);  // longer than the bound: only the last is replaced
    EXPECT_EQ(attrs(), (std::vector<int>{3, 1, 6, 5}));
    s.InsertSorted(Templ(7, 0, 1), 9);  // room left: appended
    EXPECT_EQ(attrs(), (std::vector<int>{3, 1, 6, 5, 7}));
    EXPECT_EQ(s.GetCapacity(), 6);
    s.InsertSorted(Templ(8, 0, 8), 9);
    EXPECT_EQ(attrs(), (std::vector<int>{3, 8, 1, 6, 5, 7}));
    EXPECT_EQ(s.GetCapacity(), 9);
    TTemplSet one;
    one.InsertSorted(Templ(0, 0, 1), 0);
    one.InsertSorted(Templ(1, 0, 2), -3);  // a bound below 1 counts as 1
    EXPECT_EQ(Contents(one), (std::vector<std::array<int, 4>>{{1, 0, 2, 0}}));
}

TEST(SearchFamilyOfTempl, AgreesWithTheWrittenSearchOnRandomTables) {
    int families = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        TTable t;
        FillRandomTable(t, seed, 1 + static_cast<int>(seed % 30), 2 + static_cast<int>(seed % 4),
                        1 + static_cast<int>(seed % 6), 2);
        const auto map = IdentityMap(t.GetNoAttr(), 50);
        const int maxCount = static_cast<int>(seed % 7) - 1;
        ModelFamily model;
        const bool expected = ReferenceFamily(t, *map, maxCount, model);
        TTemplSet got;
        got.Add(Templ(99, 99));
        const Failure f = FailureOf([&] { got.SearchFamilyOfTempl(t, *map, maxCount); });
        if (!expected) {
            EXPECT_EQ(f.code, 4) << seed;
            EXPECT_EQ(f.log, "Can't calculate templates in TTemplSet::SearchFamilyOfTempl\n");
            continue;
        }
        ++families;
        ASSERT_EQ(f.code, 0) << seed;
        std::vector<std::array<int, 4>> want;
        for (const auto& item : model.items) want.push_back({item[0], item[1], item[2], 0});
        EXPECT_EQ(Contents(got), want) << seed;
        EXPECT_EQ(got.GetCapacity(), model.capacity) << seed;
    }
    EXPECT_GT(families, 100);
}

TEST(SearchFamilyOfTempl, EachAttributeIsBoundByItsOwnValueCount) {
    // Column 0 has two values, column 1 five: with maxCount 4 column 1's candidates meet a
    // set of 2 and may fill it to 4 (its bound), then only replace the last.
    const auto t = RowsTable({{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 1, 0}, {1, 2, 0}, {1, 2, 0}, {1, 2, 0}, {1, 3, 0},
                              {1, 4, 0}, {1, 4, 0}});
    TTemplSet s;
    s.SearchFamilyOfTempl(*t, *IdentityMap(3), 4);
    EXPECT_EQ(Contents(s), (std::vector<std::array<int, 4>>{{0, 1, 6, 0}, {0, 0, 4, 0}, {1, 2, 3, 0}, {1, 0, 2, 0}}));
}

TEST(SelectTable, KeepsSatisfyingObjectsAndDropsOnlyPositivelyFixedColumns) {
    const auto source = RowsTable({{1, 5, 0, 7}, {1, 6, 1, 8}, {2, 5, 0, 9}, {1, 5, 2, 10}});
    TTemplSet path;
    path.Add(Templ(0, 1));
    path.Add(Templ(2, 1, 0, true));
    TTable target;
    path.SelectTable(*source, target);
    EXPECT_EQ(TableRows(target), (Rows{{5, 0, 7}, {5, 2, 10}}));

    TTemplSet negatedOnly;
    negatedOnly.Add(Templ(1, 6, 0, true));
    negatedOnly.Add(Templ(0, 2, 0, true));
    negatedOnly.SelectTable(*source, target);
    EXPECT_EQ(TableRows(target), (Rows{{1, 5, 0, 7}, {1, 5, 2, 10}}));

    TTemplSet onDecision;  // the decision column stays even when a template fixes it
    onDecision.Add(Templ(3, 8));
    onDecision.SelectTable(*source, target);
    EXPECT_EQ(TableRows(target), (Rows{{1, 6, 1, 8}}));

    TTable copy;
    copy = *source;
    path.SelectTable(copy, copy);  // a table may be cut down in place
    EXPECT_EQ(TableRows(copy), (Rows{{5, 0, 7}, {5, 2, 10}}));
}

TEST(SelectTable, NoObjectLeavesTheTargetAndABadColumnIsCodeFive) {
    const auto source = RowsTable({{1, 5, 0}, {2, 6, 1}});
    TTemplSet path;
    path.Add(Templ(0, 3));
    TTable target;
    target = *source;
    Failure f = FailureOf([&] { path.SelectTable(*source, target); });
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.log, "No objects in TTemplSet::SelectTable\n");
    EXPECT_EQ(TableRows(target), TableRows(*source));
    f = FailureOf([&] { path.SelectTable(TTable(), target); });
    EXPECT_EQ(f.log, "No objects in TTemplSet::SelectTable\n");
    path.Add(Templ(3, 0, 0, true));
    f = FailureOf([&] { path.SelectTable(*source, target); });
    EXPECT_EQ(f.code, 5);
    EXPECT_EQ(f.log, "Bad number of attributes in TTemplSet::SelectTable\n");
}

TEST(TestObject, PathHonoursNegationCandidatesArePlainMatches) {
    const auto t = RowsTable({{1, 2, 3, 0}, {1, 9, 3, 0}});
    TTemplSet s;
    s.Add(Templ(0, 1));
    s.Add(Templ(1, 9, 0, true));
    s.Add(Templ(2, 3, 0, true));  // candidates: negation not consulted
    s.Add(Templ(1, 2));
    s.Add(Templ(0, 4));
    std::vector<int> flags{7, 7, 7, 7, 7, 7};
    EXPECT_EQ(s.TestObject(*t, 0, 2, &flags), 2);
    EXPECT_EQ(flags, (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(s.TestObject(*t, 1, 2, &flags), 0);  // fails the negated path template
    EXPECT_EQ(s.TestObject(*t, 0, 2, nullptr), 1);
    EXPECT_EQ(s.TestObject(*t, 1, -4, &flags), 3);
    EXPECT_EQ(flags, (std::vector<int>{1, 1, 1, 0, 0}));
    EXPECT_EQ(s.TestObject(*t, 0, 3, nullptr), 0);  // as a path, a2 != 3 fails
    TTemplSet path;
    path.Add(Templ(0, 1));
    path.Add(Templ(1, 9, 0, true));
    EXPECT_EQ(path.TestObject(*t, 0, 9, &flags), 0);  // a path longer than the set is all of it
    EXPECT_TRUE(flags.empty());
    EXPECT_EQ(path.TestObject(*t, 0, 9, nullptr), 0);
}

// ---- the templates file

TEST(TemplatesFile, SavesTheLayoutAndReadsItBackByteForByte) {
    ScratchDir dir;
    TTemplSet s;
    s.Add(Templ(3, -7, 12, true));
    s.Add(Templ(0, 2147483647, 0));
    s.Add(Templ(15, 1, 400));
    const std::string name = dir.File("templ");
    s.Save(name.c_str());
    const std::string bytes = ReadFileBytes(name);
    EXPECT_EQ(bytes, "Templates (VTW):\n6\n3\n3 -7  12 1\n0 2147483647  0 0\n15 1  400 0\n");
    TTemplSet back;
    back.Load(name.c_str());
    EXPECT_EQ(Contents(back), Contents(s));
    EXPECT_EQ(back.GetCapacity(), 6);
    back.Save(dir.File("again").c_str());
    EXPECT_EQ(ReadFileBytes(dir.File("again")), bytes);
    TTemplSet empty;
    empty.Save(name.c_str());
    EXPECT_EQ(ReadFileBytes(name), "Templates (VTW):\n3\n0\n");
}

TEST(TemplatesFile, ReadsNumbersAcrossAnyWhiteSpaceAndTakesACountAboveTheCapacity) {
    ScratchDir dir;
    const std::string name = dir.File("templ");
    WriteFileBytes(name, "whatever\r\n 2 \t4 1 2 3 0\n4 5\n6 1 7 8 9 0 10 11 12 1\nrest is ignored");
    TTemplSet s;
    s.Load(name.c_str());
    EXPECT_EQ(s.GetCapacity(), 4);
    EXPECT_EQ(Contents(s),
              (std::vector<std::array<int, 4>>{{1, 2, 3, 0}, {4, 5, 6, 1}, {7, 8, 9, 0}, {10, 11, 12, 1}}));
    s.Add(Templ(0, 0));
    EXPECT_EQ(std::make_pair(s.GetCapacity(), s.GetCount()), std::make_pair(7, 5));
}

TEST(TemplatesFile, AFileThatCannotBeReadWholeLeavesAnEmptySet) {
    ScratchDir dir;
    const std::string name = dir.File("templ");
    const std::string header(199, 'x');
    for (const std::string& bytes :
         {std::string("Templates (VTW):\n5\n3\n1 2  3 0\n4 5  6 0\n"), std::string("Templates (VTW):\n3\n1\n1 2  3 0"),
          std::string("Templates (VTW):\n3\n0"), std::string("Templates (VTW):\n3\n1\n1 2 x 0\n"),
          std::string("Templates (VTW):\n-1\n0\n"), std::string("Templates (VTW):\n3\n-2\n"),
          std::string("Templates (VTW):\n3\n99999999999\n"), std::string(""), std::string("Templates (VTW):"),
          header + "y\n3\n0\n"}) {
        WriteFileBytes(name, bytes);
        TTemplSet s;
        s.Add(Templ(1, 1));
        s.Add(Templ(2, 2));
        s.Add(Templ(3, 3));
        const Failure f = FailureOf([&] { s.Load(name.c_str()); });
        EXPECT_EQ(f.code, 6) << bytes;
        EXPECT_EQ(f.log, "Error: Can't load file with TemplSet\n") << bytes;
        EXPECT_NE(std::string(f.message).find(name), std::string::npos);
        EXPECT_EQ(std::make_pair(s.GetCapacity(), s.GetCount()), std::make_pair(3, 0)) << bytes;
    }
    WriteFileBytes(name, header + "\n3\n0\n");  // 199 characters still make a first line
    TTemplSet s;
    EXPECT_EQ(FailureOf([&] { s.Load(name.c_str()); }).code, 0);
}

TEST(TemplatesFile, OpenAndWriteFailuresKeepTheSetAndReportTheirCodes) {
    ScratchDir dir;
    TTemplSet s;
    s.Add(Templ(1, 1));
    Failure f = FailureOf([&] { s.Load(dir.File("missing").c_str()); });
    EXPECT_EQ(f.code, 6);
    EXPECT_EQ(f.log, "Error: Can't open file with TemplSet\n");
    EXPECT_EQ(s.GetCount(), 1);
    ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0755), 0);
    f = FailureOf([&] { s.Save(dir.File("folder").c_str()); });
    EXPECT_EQ(f.code, 7);
    EXPECT_EQ(f.log, "Error: Can't save file with TemplSet\n");
}

}  // namespace
