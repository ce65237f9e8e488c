#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"
#include "rough/reasoning/pair_distances.h"
#include "tests/rough/reasoning/boole_reference.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rule_generation_util.h"

namespace {

// The matrix as the sack operations build it from the clauses offered in order.
std::vector<int> Literal(const std::vector<int>& offered, int k) {
    TIntSack work;
    TIntSack matrix;
    for (int m : offered) {
        if (m != 0) work.AddAbsorb(m);
    }
    for (int m : work) matrix.AddUnique(m);
    matrix.SortByBitCount(k);
    return {matrix.begin(), matrix.end()};
}

int Diff(const TTable& t, int x, int y, int k) {
    int m = 0;
    for (int a = 0; a < k; ++a) m |= (t.Value(x, a) != t.Value(y, a)) << a;
    return m;
}

using Dense = std::vector<std::vector<double>>;

// The zeroed object-by-object matrix, filled row by row.
Dense DenseOf(const TTable& pairs, int n, int minSupport) {
    Dense d(static_cast<size_t>(n), std::vector<double>(static_cast<size_t>(n), 0.0));
    for (int r = 0; r < pairs.GetNoObj(); ++r) {
        if (pairs.Value(r, 2) > minSupport && pairs.Value(r, 3) > minSupport) d[pairs.Value(r, 0)][pairs.Value(r, 1)] = pairs.Value(r, 4) / 1e6;
    }
    return d;
}

std::vector<int> SelvaroOffers(const TTable& t, const Dense& d, double threshold) {
    std::vector<int> offered;
    for (int i = 0; i < t.GetNoObj(); ++i) {
        for (int j = 0; j < t.GetNoObj(); ++j) {
            if (j != i && Diff(t, j, i, t.GetNoAttr()) != 0 && d[i][j] >= threshold) offered.push_back(Diff(t, j, i, t.GetNoAttr()));
        }
    }
    return offered;
}

std::vector<int> Quandor3Offers(const TTable& t, int o, const Dense& d, double threshold) {
    const int k = t.GetNoAttr();
    std::vector<int> offered, near;
    for (int j = 0; j < t.GetNoObj(); ++j) {
        if (j == o || Diff(t, j, o, k) == 0) continue;
        if (d[j][o] >= threshold) offered.push_back(Diff(t, j, o, k));
        else near.push_back(j);
    }
    for (size_t p = 1; p < near.size(); ++p) {
        for (size_t q = 0; q < p; ++q) {
            if (d[near[p]][near[q]] >= threshold) offered.push_back(Diff(t, near[p], o, k) | Diff(t, o, near[q], k));
        }
    }
    return offered;
}

// The reasoner's matrix is the literal one; its reducts are what the step-by-step reference
// expands and clears from it, and exactly the minimal hitting sets of its clauses.
void ExpectReasoned(const TBoole31& b, const std::vector<int>& expected, int k) {
    ASSERT_EQ(std::vector<int>(b.GetMatrix()->begin(), b.GetMatrix()->end()), expected);
    const std::vector<int> reducts(b.GetReducts()->begin(), b.GetReducts()->end());
    EXPECT_EQ(reducts, boole_reference::MaskClear(expected, boole_reference::MaskExpand(expected, k), k));
    std::vector<std::vector<int>> clauses;
    for (int m : expected) clauses.push_back(boole_reference::AttrsOf(static_cast<uint32_t>(m)));
    std::set<std::vector<int>> found;
    for (int m : reducts) found.insert(boole_reference::AttrsOf(static_cast<uint32_t>(m)));
    // No clause, no reduct (not the empty one).
    const auto hitting = clauses.empty() ? std::vector<std::vector<int>>() : MinimalHittingSets(clauses);
    EXPECT_EQ(found, std::set<std::vector<int>>(hitting.begin(), hitting.end()));
}

std::string MatrixText(const std::vector<int>& masks) {
    std::string s = "Discernibilty matrix:\n";
    for (int m : masks) {
        s += "[ ";
        for (int a : boole_reference::AttrsOf(static_cast<uint32_t>(m))) s += std::to_string(a) + " ";
        s += "]\n";
    }
    return s;
}

// Pair rows with repeats, supports around 1 and zero distances among them.
void RandomPairs(TTable& pairs, int n, int rows) {
    pairs.CreateTable(rows, 5);
    for (int r = 0; r < rows; ++r) {
        const int range[5] = {n, n, 3, 3, 4};
        for (int c = 0; c < 5; ++c) pairs.SetTable(r, c, boole_reference::Draw(range[c]) * (c == 4 ? 500000 : 1));
    }
}

void CheckRandomCase(unsigned seed, const TTable& weather) {
    SeedRand(seed);
    TTable t;
    if (seed == 0) {
        t = weather;
    } else {
        boole_reference::RandomTable(t, 2 + boole_reference::Draw(15), 2 + boole_reference::Draw(6), 2 + boole_reference::Draw(2), 5);
    }
    const int n = t.GetNoObj();
    TTable pairs;
    RandomPairs(pairs, n, n * n);
    Dense d = DenseOf(pairs, n, 1);
    std::vector<double*> rows;
    for (auto& row : d) rows.push_back(row.data());
    std::vector<double> a, b;
    for (int j = 0; j < n; ++j) {
        a.push_back(boole_reference::Draw(8) * 0.25);
        b.push_back(boole_reference::Draw(8) * 0.25);
    }
    const PairDistances listed(pairs, n, 1, "test");
    for (double threshold : {-1.0, 0.0, 0.5, 1.0, 2.0}) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " threshold " + std::to_string(threshold));
        TBoole31 s;
        testing::internal::CaptureStdout();
        s.CalcAllReductsSelvaro(&t, &pairs, threshold, 1);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::vector<int> matrix = Literal(SelvaroOffers(t, d, threshold), t.GetNoAttr());
        EXPECT_EQ(out, "MinDist=" + ShortDouble(listed.MinDist()) + "\nMaxDist=" + ShortDouble(listed.MaxDist()) + "\n" + MatrixText(matrix));
        ExpectReasoned(s, matrix, t.GetNoAttr());
        for (int o = 0; o < n; ++o) {
            TBoole31 dense, sparse;
            dense.CalcAllLocalReductsQuandor3(&t, o, rows.data(), threshold);
            sparse.CalcAllLocalReductsQuandor3(&t, o, listed, threshold);
            const std::vector<int> expected = Literal(Quandor3Offers(t, o, d, threshold), t.GetNoAttr());
            ExpectReasoned(dense, expected, t.GetNoAttr());
            ExpectReasoned(sparse, expected, t.GetNoAttr());
        }
    }
    const int k = t.GetNoAttr() - 1;
    for (int o = 0; o < n; ++o) {
        std::vector<int> q1, q2;
        for (int j = 0; j < n; ++j) {
            if (j == o) continue;
            if (std::fabs(std::fabs(a[o] - b[o]) - std::fabs(a[j] - b[j])) > 0.5) q1.push_back(Diff(t, j, o, k));
            if (!(std::fabs(a[o] - a[j]) < 0.2)) q2.push_back(Diff(t, j, o, k));
        }
        TBoole31 r1, r2;
        r1.CalcAllLocalReductsQuandor(&t, o, a.data(), b.data());
        ExpectReasoned(r1, Literal(q1, k), k);
        r2.CalcAllLocalReductsQuandor2(&t, o, a.data());
        ExpectReasoned(r2, Literal(q2, k), k);
    }
}

TEST(DiscernibilityVariants, EveryMatrixIsTheLiteralOneAndItsReductsItsMinimalHittingSets) {
    TTable weather;
    weather.Load(VARNEL_TABLES "/weather.nominal.tab");
    QuietModeGuard quiet;
    LogCapture log;
    for (unsigned seed = 0; seed < 60; ++seed) CheckRandomCase(seed, weather);
    std::string expected;
    for (int i = 0; i < 60 * 5; ++i) expected += "Calculating all reducts\nCreating disc. matrix - Selvaro\nMinimalization...\nClearing redundant elements...\n";
    EXPECT_EQ(log.Text(), expected);
}

// Objects 0 and 2 are both near object 1; the pair counts as 2 is listed (finally) 2.0 away
// from 0, and gives diff(2, 1) = {0, 1, 2} united with diff(1, 0) = {0}.
TEST(DiscernibilityVariants, ALaterPairRowOverwritesAndNearPairsJoinTheirClauses) {
    auto t = MakeTable({{0, 0, 0}, {1, 0, 0}, {0, 1, 1}});
    auto pairs = MakeTable({{1, 0, 3, 3, 5000000}, {2, 0, 2, 2, 1}, {2, 0, 2, 2, 2000000}, {0, 1, 1, 3, 7000000}});
    const PairDistances listed(*pairs, 3, 1, "test");
    EXPECT_EQ(listed.At(2, 0), 2.0);
    EXPECT_EQ(listed.At(0, 1), 0.0);  // support 1 does not exceed 1
    EXPECT_EQ(listed.MinDist(), 1e-6);
    EXPECT_EQ(listed.MaxDist(), 5.0);
    TBoole31 b;
    b.CalcAllLocalReductsQuandor3(t.get(), 1, listed, 1.0);
    EXPECT_EQ(boole_reference::SetsOfMasks(*b.GetMatrix()), (boole_reference::Sets{{0, 1, 2}}));
    EXPECT_EQ(boole_reference::SetsOfMasks(*b.GetReducts()), (boole_reference::Sets{{0}, {1}, {2}}));
}

// CalcError 5 after exactly this LOG, and nothing on standard output.
void ExpectRefused(const std::function<void()>& run, const std::string& log) {
    LogCapture capture;
    testing::internal::CaptureStdout();
    EXPECT_THROW(
        try { run(); } catch (const CalcError& e) {
            EXPECT_EQ(e.GetCode(), 5);
            throw;
        },
        CalcError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(capture.Text(), log);
}

TEST(DiscernibilityVariants, UnsafePairTablesAndWideTablesAreRefused) {
    auto t = MakeTable({{0, 0}, {1, 1}});
    TBoole31 b;
    // Four columns; an object past the table; a negative one, in a row of too little support.
    for (const auto& bad : {MakeTable({{0, 1, 3, 3}}), MakeTable({{0, 2, 3, 3, 1}}), MakeTable({{-1, 0, 0, 0, 1}})}) {
        ExpectRefused([&] { b.CreateDiscMatrixSelvaro(t.get(), bad.get(), 0.0, 1); },
                      "Creating disc. matrix - Selvaro\nBad number of element in TBoole31::CreateDiscMatrixSelvaro \n");
    }
    TTable wide;
    wide.CreateTable(2, 32);
    wide.SetTable(1, 0, 1);
    const double scores[2] = {0.0, 9.0};
    auto pairs = MakeTable({{0, 1, 3, 3, 1}});
    const PairDistances listed(*pairs, 2, 0, "test");
    const std::string tooMany = "Bad number of atributes in TBoole31::CalcAllGlobReducts \n";
    QuietModeGuard quiet;
    ExpectRefused([&] { b.CalcAllReductsSelvaro(&wide, pairs.get(), 0.0, 0); }, tooMany);
    ExpectRefused([&] { b.CalcAllLocalReductsQuandor3(&wide, 0, listed, 0.0); }, tooMany);
    wide.AddAttribute();  // 33 columns: 32 conditions for the other two
    ExpectRefused([&] { b.CalcAllLocalReductsQuandor(&wide, 0, scores, scores); }, tooMany);
    ExpectRefused([&] { b.CalcAllLocalReductsQuandor2(&wide, 0, scores); }, tooMany);
}

}  // namespace
