#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/int_sack.h"
#include "core/random.h"
#include "core/table.h"
#include "tests/support/failure_of.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/model_draw.h"
#include "tests/support/table_text.h"

namespace {

using Row = std::vector<int>;

std::vector<Row> Rows(const TTable& t) {
    std::vector<Row> rows;
    for (int o = 0; o < t.GetNoObj(); ++o) rows.emplace_back(t.Row(o), t.Row(o) + t.GetNoAttr());
    return rows;
}

using Table = std::unique_ptr<TTable>;

Table FromRows(const std::vector<Row>& rows) {
    auto t = std::make_unique<TTable>();
    if (rows.empty()) return t;
    t->CreateTable(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (size_t o = 0; o < rows.size(); ++o) std::copy(rows[o].begin(), rows[o].end(), t->Row(static_cast<int>(o)));
    return t;
}

TIntSack Sack(std::initializer_list<int> values) {
    TIntSack s;
    for (int v : values) s.AddElem(v);
    return s;
}

// Every table at hand that holds integers.
std::vector<std::string> TableFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(VARNEL_TABLES)) {
        if (entry.path().filename().string().find("dense") == std::string::npos) names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Table Loaded(const std::string& name) {
    auto t = std::make_unique<TTable>();
    t->Load(name.c_str());
    return t;
}

// Small random tables over few values, so that rows repeat and decisions conflict.
std::vector<Table> RandomTables(unsigned seed, int count) {
    std::mt19937 gen(seed);
    std::vector<Table> tables;
    for (int k = 0; k < count; ++k) {
        const int noObj = static_cast<int>(gen() % 60) + 1;
        const int noAttr = static_cast<int>(gen() % 5) + 1;
        const int spread = static_cast<int>(gen() % 3) + 2;
        std::vector<Row> rows(static_cast<size_t>(noObj), Row(static_cast<size_t>(noAttr)));
        for (Row& r : rows) {
            for (int& v : r) v = static_cast<int>(gen() % static_cast<unsigned>(spread)) - 1;
        }
        tables.push_back(FromRows(rows));
    }
    return tables;
}

class TableRows : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRandomForTests();
        SetFixedClockSecond(1234);
    }
    void TearDown() override {
        ResetRandomForTests();
        SetFixedClockSecond(-1);
    }
};

TEST_F(TableRows, ComparisonsAreMinusOneWhenTheFirstRowIsTheLarger) {
    Table tOwned = FromRows({{1, 5, 0}, {1, 3, 9}, {1, 5, 0}, {2, 3, 0}});
    TTable& t = *tOwned;
    EXPECT_EQ(t.CompareRows(0, 1), -1);
    EXPECT_EQ(t.CompareRows(1, 0), 1);
    EXPECT_EQ(t.CompareRows(0, 2), 0);
    EXPECT_EQ(t.CompareRows(3, 0), -1);
    EXPECT_EQ(t.CompareDec(1, 0), -1);
    EXPECT_EQ(t.CompareDec(0, 3), 0);
    EXPECT_EQ(t.CompareRowsOn(0, 1, Sack({2, 1})), 1);  // list order: the decision decides first
    EXPECT_EQ(t.CompareRowsOn(0, 1, Sack({1, 2})), -1);
    EXPECT_EQ(t.CompareRowsOn(0, 3, Sack({})), 0);
    const std::vector<int> index = {3, 2, 1};
    EXPECT_EQ(t.CompareIndexedRowsOn(index, 0, 2, Sack({0})), -1);
    EXPECT_EQ(t.CompareIndexedRowsOn(index, 1, 2, Sack({0})), 0);
    EXPECT_EQ(t.EqualRows(0, 2), 1);
    EXPECT_EQ(t.EqualRows(0, 1), 0);
    EXPECT_EQ(t.EqualCondRows(1, 3), 0);
    EXPECT_EQ(FromRows({{4, 0}, {4, 1}})->EqualCondRows(0, 1), 1);
    EXPECT_EQ(t.EqualRowsOn(1, 3, Sack({1, 2})), 0);
    EXPECT_EQ(t.EqualRowsOn(1, 3, Sack({1})), 1);
    t.SwapRows(0, 3);
    EXPECT_EQ(Rows(t)[0], (Row{2, 3, 0}));
    EXPECT_EQ(Rows(t)[3], (Row{1, 5, 0}));
}

TEST_F(TableRows, SortAscendsAndLogsOnlyWithTwoRowsOrMore) {
    for (const std::string& name : TableFiles()) {
        Table tOwned = Loaded(name);
        TTable& t = *tOwned;
        std::vector<Row> expected = Rows(t);
        std::sort(expected.begin(), expected.end());
        Failure f = FailureOf([&] { t.Sort(); });
        EXPECT_EQ(f.log, "Sorting table...\n");
        EXPECT_EQ(Rows(t), expected) << name;
    }
    Table oneOwned = FromRows({{3, 1}});
    TTable& one = *oneOwned;
    EXPECT_EQ(FailureOf([&] { one.Sort(); }).log, "");
    EXPECT_EQ(FailureOf([&] { one.SortByDec(); }).log, "");
    EXPECT_EQ(FailureOf([&] { one.SortOn(Sack({0})); }).log, "");

    Table partOwned = FromRows({{9}, {4}, {7}, {1}, {0}});

    TTable& part = *partOwned;
    part.QuickSortRows(1, 3);
    EXPECT_EQ(Rows(part), (std::vector<Row>{{9}, {1}, {4}, {7}, {0}}));
}

TEST_F(TableRows, RemoveReplicasKeepsEachDistinctRowOnceAscending) {
    Table breastOwned = Loaded(VARNEL_TABLES "/breast-cancer.tab");
    TTable& breast = *breastOwned;
    Failure f = FailureOf([&] { breast.RemoveReplicas(); });
    EXPECT_EQ(f.log, "Removing replicas...\nSorting table...\n");
    ASSERT_EQ(breast.GetNoObj(), 272);
    EXPECT_EQ(breast.GetSize(), 272 * breast.GetNoAttr());
    for (int o = 1; o < breast.GetNoObj(); ++o) EXPECT_EQ(breast.CompareRows(o - 1, o), 1);

    std::vector<Table> tables = RandomTables(11, 60);
    for (const std::string& name : TableFiles()) tables.push_back(Loaded(name));
    for (const Table& owned : tables) {
        TTable& t = *owned;
        std::set<Row> distinct;
        for (const Row& r : Rows(t)) distinct.insert(r);
        const bool several = t.GetNoObj() >= 2;
        t.RemoveReplicas();
        if (several) {
            EXPECT_EQ(Rows(t), std::vector<Row>(distinct.begin(), distinct.end()));
        }
    }
    Table oneOwned = FromRows({{1, 1}});
    TTable& one = *oneOwned;
    EXPECT_EQ(FailureOf([&] { one.RemoveReplicas(); }).log, "");
}

// The specified row quicksort as a plain recursion on positions (small inputs only).
void ReferenceSort(int lo, int hi, const std::function<int(int, int)>& compare,
                   const std::function<void(int, int)>& exchange) {
    if (lo >= hi) return;
    int b = lo;
    for (int i = lo + 1; i <= hi; ++i) {
        if (compare(i, lo) == 1) exchange(++b, i);
    }
    exchange(lo, b);
    ReferenceSort(lo, b - 1, compare, exchange);
    ReferenceSort(b + 1, hi, compare, exchange);
}

std::vector<int> Column(const TTable& t, int a) {
    std::vector<int> values;
    for (int o = 0; o < t.GetNoObj(); ++o) values.push_back(t.GetTable(o, a));
    return values;
}

TEST_F(TableRows, OrderVisibleSortsArrangeTiesAsThePivotFirstQuicksort) {
    // Column 0 numbers the rows, so that the arrangement of ties shows.
    Table byDecOwned = FromRows({{0, 1}, {1, 0}, {2, 1}, {3, 0}, {4, 0}, {5, 1}, {6, 2}, {7, 0}});
    TTable& byDec = *byDecOwned;
    EXPECT_EQ(FailureOf([&] { byDec.SortByDec(); }).log, "Sorting table...\n");
    EXPECT_EQ(Column(byDec, 0), (std::vector<int>{7, 1, 3, 4, 0, 5, 2, 6}));

    const std::vector<Row> rows = {{0, 3, 1}, {1, 1, 2}, {2, 3, 1}, {3, 2, 1}, {4, 1, 2}, {5, 0, 0}, {6, 3, 1}, {7, 2, 2}};
    Table onOwned = FromRows(rows);
    TTable& on = *onOwned;
    EXPECT_EQ(FailureOf([&] { on.SortOn(Sack({2, 1})); }).log, "Sorting table...\n");
    EXPECT_EQ(Column(on, 0), (std::vector<int>{5, 3, 0, 6, 2, 1, 4, 7}));

    Table indexedOwned = FromRows(rows);

    TTable& indexed = *indexedOwned;
    std::vector<int> index = {7, 6, 5, 4, 3, 2, 1, 0};
    EXPECT_EQ(FailureOf([&] { indexed.SortIndexOn(index, Sack({2, 1})); }).log, "");
    EXPECT_EQ(index, (std::vector<int>{5, 3, 0, 2, 6, 4, 1, 7}));
    EXPECT_EQ(Rows(indexed), rows);
}

TEST_F(TableRows, OrderVisibleSortsMatchThePlainRecursionOnRandomTables) {
    std::mt19937 gen(5);
    for (const Table& owned : RandomTables(23, 80)) {
        TTable& t = *owned;
        const int noAttr = t.GetNoAttr();
        TIntSack attrs;
        for (int a = 0; a < noAttr; ++a) {
            if (gen() % 2) attrs.AddElem(static_cast<int>(gen() % static_cast<unsigned>(noAttr)));
        }
        TTable expected;
        expected = t;
        auto swapRows = [&](int i, int j) { expected.SwapRows(i, j); };
        ReferenceSort(0, t.GetNoObj() - 1, [&](int i, int j) { return expected.CompareDec(i, j); }, swapRows);
        TTable byDec;
        byDec = t;
        byDec.SortByDec();
        EXPECT_EQ(Rows(byDec), Rows(expected));

        expected = t;
        ReferenceSort(0, t.GetNoObj() - 1, [&](int i, int j) { return expected.CompareRowsOn(i, j, attrs); }, swapRows);
        TTable on;
        on = t;
        on.SortOn(attrs);
        EXPECT_EQ(Rows(on), Rows(expected));

        std::vector<int> index(static_cast<size_t>(t.GetNoObj()));
        for (int& i : index) i = static_cast<int>(gen() % static_cast<unsigned>(t.GetNoObj()));
        std::vector<int> expectedIndex = index;
        ReferenceSort(
            0, t.GetNoObj() - 1, [&](int i, int j) { return t.CompareIndexedRowsOn(expectedIndex, i, j, attrs); },
            [&](int i, int j) { std::swap(expectedIndex[static_cast<size_t>(i)], expectedIndex[static_cast<size_t>(j)]); });
        t.SortIndexOn(index, attrs);
        EXPECT_EQ(index, expectedIndex);
    }
}

void ExpectParts(const TTable& t, const std::vector<bool>& drawn, const TTable& first, const TTable* second) {
    std::vector<Row> in;
    std::vector<Row> out;
    const std::vector<Row> rows = Rows(t);
    for (size_t o = 0; o < rows.size(); ++o) (drawn[o] ? in : out).push_back(rows[o]);
    EXPECT_EQ(Rows(first), in);
    if (second != nullptr) {
        EXPECT_EQ(Rows(*second), out);
    }
}

TEST_F(TableRows, SplitTakesTheDrawnObjectsInTableOrder) {
    std::vector<Table> tables = RandomTables(31, 40);
    for (const std::string& name : TableFiles()) tables.push_back(Loaded(name));
    const double ratios[] = {0.57, 0.5, 0.01, 0.99, 0.3};
    int r = 0;
    for (const Table& owned : tables) {
        TTable& t = *owned;
        const double ratio = ratios[r++ % 5];
        const int k = static_cast<int>(t.GetNoObj() * ratio);
        ResetRandomForTests();
        const std::vector<bool> drawn = ModelDraw(t.GetNoObj(), k);
        ResetRandomForTests();
        TTable first;
        TTable second;
        Failure f = FailureOf([&] { t.SplitTable(ratio, first, second); });
        EXPECT_EQ(f.log, "Spliting table...\n");
        EXPECT_EQ(first.GetNoObj(), k);
        EXPECT_EQ(second.GetNoObj(), t.GetNoObj() - k);
        ExpectParts(t, drawn, first, &second);
    }
}

TEST_F(TableRows, SplitSizesTruncateAndBadRatiosAreRefused) {
    std::vector<Row> rows;
    for (int o = 0; o < 100; ++o) rows.push_back({o, o % 3});
    Table tOwned = FromRows(rows);
    TTable& t = *tOwned;
    TTable first;
    TTable second;
    t.SplitTable(0.57, first, second);
    EXPECT_EQ(first.GetNoObj(), 56);
    EXPECT_EQ(second.GetNoObj(), 44);

    t.SplitTable(0.005, first, second);  // no object drawn: the first part is empty
    EXPECT_EQ(first.GetSize(), 0);
    EXPECT_EQ(first.GetNoAttr(), 0);
    EXPECT_EQ(Rows(second), rows);

    for (double ratio : {0.0, 1.0, -0.5, 2.0, std::nan("")}) {
        Failure f = FailureOf([&] { t.SplitTable(ratio, first, second); });
        EXPECT_EQ(f.code, 4);
        EXPECT_EQ(f.log, "Spliting table...\nCritical error in: TTable::SplitTable\n");
    }

    // A part may be the table itself.
    TTable other;
    t.SplitTable(0.5, t, other);
    EXPECT_EQ(t.GetNoObj(), 50);
    EXPECT_EQ(other.GetNoObj(), 50);
}

TEST_F(TableRows, OneTableGivenForBothPartsEndsAsTheSecondPart) {
    // The larger part first: written straight into the table shaped for the second, it would
    // run past that table's rows.
    std::vector<Row> rows;
    for (int o = 0; o < 10; ++o) rows.push_back({o, o % 2});
    Table tOwned = FromRows(rows);
    TTable& t = *tOwned;
    for (double ratio : {0.7, 0.3}) {
        const int k = static_cast<int>(10 * ratio);
        ResetRandomForTests();
        const std::vector<bool> drawn = ModelDraw(10, k);
        ResetRandomForTests();
        TTable both;
        t.SplitTable(ratio, both, both);
        std::vector<Row> second;
        for (int o = 0; o < 10; ++o) {
            if (!drawn[static_cast<size_t>(o)]) second.push_back(rows[static_cast<size_t>(o)]);
        }
        EXPECT_EQ(Rows(both), second) << ratio;
    }
    // The table itself given for both parts.
    ResetRandomForTests();
    const std::vector<bool> drawn = ModelDraw(10, 5);
    ResetRandomForTests();
    t.SplitTable(0.5, t, t);
    std::vector<Row> second;
    for (int o = 0; o < 10; ++o) {
        if (!drawn[static_cast<size_t>(o)]) second.push_back(rows[static_cast<size_t>(o)]);
    }
    EXPECT_EQ(Rows(t), second);
}

TEST_F(TableRows, SplitOfMoreObjectsThanOneDrawReachesFillsItsPart) {
    std::vector<Row> rows;
    for (int o = 0; o < 100000; ++o) rows.push_back({o, o % 2});
    Table tOwned = FromRows(rows);
    TTable& t = *tOwned;
    const std::vector<bool> drawn = ModelDraw(100000, 50000);
    ResetRandomForTests();
    TTable first;
    TTable second;
    t.SplitTable(0.5, first, second);
    ASSERT_EQ(first.GetNoObj(), 50000);
    ExpectParts(t, drawn, first, &second);
    // Objects beyond what one draw of 15 bits can name are among those drawn.
    const std::vector<int> ids = Column(first, 0);
    EXPECT_GT(*std::max_element(ids.begin(), ids.end()), 99000);
}

TEST_F(TableRows, SubTableDrawsDistinctObjectsInTableOrder) {
    for (const Table& owned : RandomTables(41, 30)) {
        TTable& t = *owned;
        if (t.GetNoObj() < 2) continue;
        const int n = 1 + t.GetNoObj() / 3;
        ResetRandomForTests();
        const std::vector<bool> drawn = ModelDraw(t.GetNoObj(), n);
        ResetRandomForTests();
        TTable sub;
        EXPECT_EQ(FailureOf([&] { t.GetSubTable(n, sub); }).log, "Extracting subtable...\n");
        ExpectParts(t, drawn, sub, nullptr);
    }
    Table tOwned = FromRows({{1}, {2}, {3}});
    TTable& t = *tOwned;
    TTable sub;
    for (int n : {0, 3, -1}) {
        Failure f = FailureOf([&] { t.GetSubTable(n, sub); });
        EXPECT_EQ(f.code, 4);
        EXPECT_EQ(f.log, "Extracting subtable...\nCritical error in: TTable::GetSubTable\n");
    }
}

long long BruteForcePairs(const TTable& t) {
    long long pairs = 0;
    const int last = t.GetNoAttr() - 1;
    for (int i = 0; i < t.GetNoObj(); ++i) {
        for (int j = i + 1; j < t.GetNoObj(); ++j) {
            if (t.Value(i, last) != t.Value(j, last) && !std::equal(t.Row(i), t.Row(i) + last, t.Row(j))) ++pairs;
        }
    }
    return pairs;
}

TEST_F(TableRows, CountDiscernedPairsMatchesThePairsThemselves) {
    EXPECT_EQ(Loaded(VARNEL_TABLES "/breast-cancer.tab")->CountDiscernedPairs(), 17078);
    std::vector<Table> tables = RandomTables(53, 80);
    for (const std::string& name : TableFiles()) tables.push_back(Loaded(name));
    for (const Table& t : tables) EXPECT_EQ(t->CountDiscernedPairs(), BruteForcePairs(*t));
    EXPECT_EQ(TTable().CountDiscernedPairs(), 0);
}

TEST_F(TableRows, CountDiscernedPairsPassesTheIntRange) {
    std::vector<Row> rows;
    for (int o = 0; o < 100000; ++o) rows.push_back({o, o % 2});
    EXPECT_EQ(FromRows(rows)->CountDiscernedPairs(), 2500000000LL);

    std::vector<Row> many;
    for (int o = 0; o < 101; ++o) many.push_back({0, o});
    Failure f = FailureOf([&] { FromRows(many)->CountDiscernedPairs(); });
    EXPECT_EQ(f.code, 8);
}

TEST_F(TableRows, RowSorterGroupsRowsByDescendingConditions) {
    Table tOwned = FromRows({{1, 2, 0}, {3, 0, 1}, {1, 2, 1}, {0, 9, 0}, {3, 0, 0}});
    TTable& t = *tOwned;
    TRowSorter sorter(t);
    EXPECT_EQ(sorter.CompareCondRows(1, 0), 1);
    EXPECT_EQ(sorter.CompareCondRows(0, 2), 0);
    EXPECT_EQ(sorter.CompareCondRows(3, 0), -1);
    sorter.SortIndex();
    std::vector<int> firsts;
    for (int o : sorter.GetIndex()) firsts.push_back(t.Value(o, 0));
    EXPECT_EQ(firsts, (std::vector<int>{3, 3, 1, 1, 0}));
}

// A file may announce objects without a column; sorting by the decision and grouping by the
// conditions then fail as reading the missing decision does.
TEST(TableWithoutColumns, HasNoDecisionToSortOrGroupBy) {
    TTable t;
    LoadTableText(t, "5 0\n");
    ASSERT_EQ(t.GetNoObj(), 5);
    EXPECT_NO_DECISION_FAILURE(t.SortByDec());
    EXPECT_NO_DECISION_FAILURE(TRowSorter sorter(t));
    TTable none;
    LoadTableText(none, "0 0\n");
    none.SortByDec();
    TRowSorter empty(none);
    empty.SortIndex();
    EXPECT_EQ(none.GetNoObj(), 0);
}

}  // namespace
