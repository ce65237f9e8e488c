#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/table.h"
#include "discretization/cuts/cuts_set.h"
#include "experiments/dyn_cuts.h"
#include "tests/rough/reducts/pos_reference.h"
#include "tests/support/test_files.h"
#include "tests/support/thrown_error.h"

namespace {

using Cut = std::tuple<int, float, std::int64_t>;

void FromRows(TTable& t, const std::vector<std::vector<int>>& rows) {
    t.CreateTable(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (size_t o = 0; o < rows.size(); ++o)
        for (size_t a = 0; a < rows[o].size(); ++a) t.SetTable(int(o), int(a), rows[o][a]);
}

void RandomTable(TTable& t, std::mt19937& gen, int objects, int spread, int base, int decisions) {
    std::vector<std::vector<int>> rows(static_cast<size_t>(objects));
    for (auto& r : rows) r = {base + int(gen() % spread), base + int(gen() % spread), int(gen() % decisions)};
    FromRows(t, rows);
}

std::vector<Cut> Lines(const TCutsSet& s) {
    std::vector<Cut> out;
    for (int i = 0; i < s.GetNoCuts(); ++i) out.emplace_back(s.GetCut(i)->GetAttr(), s.GetCut(i)->GetValue(), s.GetCut(i)->GetQuality());
    return out;
}

std::vector<Cut> CutsFile(const std::string& name) {
    TCutsSet s;
    s.Load(name.c_str());
    return Lines(s);
}

// One attribute's candidates as the definition reads: midpoints of the distinct values,
// each scored pair by pair (different decisions, strictly on opposite sides).
std::vector<Cut> Reference(const TTable& t, int a) {
    std::vector<int> v;
    for (int o = 0; o < t.GetNoObj(); ++o) v.push_back(t.Value(o, a));
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    const int d = t.GetNoAttr() - 1;
    std::vector<Cut> out;
    for (size_t i = 0; i + 1 < v.size(); ++i) {
        const float c = static_cast<float>((double(v[i]) + v[i + 1]) / 2.0);
        std::int64_t q = 0;
        for (int x = 0; x < t.GetNoObj(); ++x)
            for (int y = x + 1; y < t.GetNoObj(); ++y)
                q += t.Value(x, d) != t.Value(y, d) && (std::min(t.Value(x, a), t.Value(y, a)) < double(c)) &&
                     (std::max(t.Value(x, a), t.Value(y, a)) > double(c));
        out.emplace_back(a, c, q);
    }
    return out;
}

// The countdown as written: the indices of the cuts it keeps.
std::vector<int> Countdown(const std::vector<std::int64_t>& q, int minCuts) {
    std::int64_t threshold = 0;
    for (auto x : q) threshold = std::max(threshold, x);
    if (threshold == 0) return {};
    while (threshold > 0 && std::count_if(q.begin(), q.end(), [&](auto x) { return x >= threshold; }) < minCuts) --threshold;
    std::vector<int> kept;
    for (size_t i = 0; i < q.size(); ++i)
        if (q[i] >= threshold) kept.push_back(int(i));
    return kept;
}

std::vector<std::string> Output(const std::string& out) {  // without the progress lines
    std::vector<std::string> kept;
    for (const std::string& line : TextLines(out))
        if (line.rfind("PROGRESS:", 0) != 0) kept.push_back(line);
    return kept;
}

class DynCuts : public SeededTest {};

}  // namespace

TEST(DynCutsCandidates, MidpointsAndQualitiesEqualThePairCount) {
    TDynCuts dc("");
    TTable t;
    FromRows(t, {{4, 0}, {1, 1}, {3, 0}, {1, 1}, {4, 1}});
    dc.AllMidpointCuts(t, 0);
    EXPECT_EQ(Lines(dc.GetAllCuts()), (std::vector<Cut>{{0, 2.0f, 0}, {0, 3.5f, 0}}));
    EXPECT_EQ(ThrownError([&] { dc.AllMidpointCuts(t, 1); }).GetCode(), 5);  // the decision column

    // Sums beyond the int range (the missing value); near 2^24 a midpoint rounds onto a
    // value, which then lies on neither side of its cut.
    std::mt19937 gen(11);
    for (int round = 0; round < 30; ++round) {
        const int base[] = {16777200, -50, 2147483646 - round};  // the last reaches 2147483647
        RandomTable(t, gen, 5 + round * 3, 2 + round, base[round % 3], 2 + round % 4);
        for (int a = 0; a < 2; ++a) {
            dc.AllMidpointCuts(t, a);
            dc.ComputeQualities(t);
            ASSERT_EQ(Lines(dc.GetAllCuts()), Reference(t, a)) << round;
        }
    }
    // Cuts in any order, attributes mixed, on real tables: as TCut::ComputeQuality.
    for (const char* name : {"iris.tab", "vote.tab", "soybean.tab", "labor.tab"}) {
        t.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        dc.GetAllCuts().Clear();
        for (int k = 0; k < 200; ++k) {
            const int a = int(gen() % unsigned(t.GetNoAttr() - 1));
            dc.GetAllCuts().AddCut(std::make_unique<TCut>(a, t.Value(int(gen() % unsigned(t.GetNoObj())), a) + (k % 2) * 0.5f));
        }
        dc.ComputeQualities(t);
        for (int k = 0; k < 200; ++k) {
            TCut single(dc.GetAllCuts().GetCut(k)->GetAttr(), dc.GetAllCuts().GetCut(k)->GetValue());
            single.ComputeQuality(t);
            ASSERT_EQ(dc.GetAllCuts().GetCut(k)->GetQuality(), single.GetQuality()) << name << " " << k;
        }
    }
    // A cut outside the conditions fails as ComputeQuality does, the cuts before it scored.
    FromRows(t, {{1, 0}, {2, 1}, {3, 0}});
    dc.GetAllCuts().Clear();
    for (int a : {0, 1}) dc.GetAllCuts().AddCut(std::make_unique<TCut>(a, 1.5f));
    EXPECT_EQ(ThrownError([&] { dc.ComputeQualities(t); }).GetCode(), 5);
    EXPECT_EQ(dc.GetAllCuts().GetCut(0)->GetQuality(), 1);
}

// Qualities 5, 5, 3 keep the threshold 5; 5, 3, 1 bring it to 3; random lists (ties, zeros,
// minCuts below 1 or above the count) as the literal countdown. The cuts are appended.
TEST(DynCutsSelection, EqualsTheLiteralCountdown) {
    std::mt19937 gen(5);
    TDynCuts dc("");
    const auto run = [&](const std::vector<std::int64_t>& q, int minCuts) {
        dc.GetAllCuts().Clear();
        for (size_t i = 0; i < q.size(); ++i) {
            auto cut = std::make_unique<TCut>(3, 0.5f + float(i));
            cut->SetQuality(q[i]);
            dc.GetAllCuts().AddCut(std::move(cut));
        }
        std::vector<Cut> expected = Lines(dc.GetDynCuts());
        for (int i : Countdown(q, minCuts)) expected.emplace_back(3, 0.5f + float(i), q[size_t(i)]);
        dc.SelectBestCuts(minCuts);
        EXPECT_EQ(Lines(dc.GetDynCuts()), expected);
    };
    run({5, 5, 3}, 2);
    run({5, 3, 1}, 2);
    EXPECT_EQ(Lines(dc.GetDynCuts()), (std::vector<Cut>{{3, 0.5f, 5}, {3, 1.5f, 5}, {3, 0.5f, 5}, {3, 1.5f, 3}}));
    for (int round = 0; round < 400; ++round) {
        std::vector<std::int64_t> q(gen() % 12);
        const unsigned top = 1 + gen() % 9;
        for (auto& x : q) x = gen() % 3 == 0 ? 0 : gen() % top;
        run(q, int(gen() % 16) - 2);
        if (round % 7 == 0) dc.GetDynCuts().Clear();
    }
}

// The files against the pair count and the countdown, the chosen cuts against the printed
// reduct, and the table scaled by them.
TEST_F(DynCuts, IrisIntoADataFolder) {
    TTable iris;
    iris.Load(VARNEL_TABLES "/iris.tab");
    ScratchDir dir;
    TDynCuts dc(dir.Path());
    testing::internal::CaptureStdout();
    dc.FindDynamicCuts(iris, 2);
    const std::vector<std::string> out = Output(testing::internal::GetCapturedStdout());

    EXPECT_EQ(CutsFile(dir.File("ALL_CUTS.txt")), Reference(iris, 3));
    std::vector<Cut> kept;
    for (int a = 0; a < 4; ++a) {
        const std::vector<Cut> candidates = Reference(iris, a);
        std::vector<std::int64_t> q;
        for (const auto& c : candidates) q.push_back(std::get<2>(c));
        for (int i : Countdown(q, 2)) kept.push_back(candidates[size_t(i)]);
    }
    EXPECT_EQ(CutsFile(dir.File("DYN_CUTS.txt")), kept);

    ASSERT_EQ(out.size(), 12u);
    EXPECT_EQ(std::vector<std::string>(out.begin(), out.begin() + 10),
              (std::vector<std::string>{"ATRYBUT: 1 from 4", "ATRYBUT: 2 from 4", "ATRYBUT: 3 from 4", "ATRYBUT: 4 from 4",
                                        "Licze redukty dynamiczne ", "table->NoObj()=150", "MinimalSize=75",
                                        "MaximalSize=142", "Krok=13", "Po reduktach dynamicznych "}));
    EXPECT_EQ(out[10].rfind("Wspolczynnik stabilnosci najlepszego reduktu: 0.", 0), 0u);
    std::istringstream reductLine(out[11].substr(1));
    std::vector<Cut> chosen;
    std::string reduct = "{";
    for (size_t j = 0; reductLine >> j;) {
        ASSERT_LT(j, kept.size());
        chosen.push_back(kept[j]);
        reduct += (chosen.size() > 1 ? "," : "") + std::to_string(j);
    }
    ASSERT_FALSE(chosen.empty());
    EXPECT_EQ(CutsFile(dir.File("DYN_CUTS_A_DYN_SEL.txt")), chosen);
    const std::string reducts = ReadFileBytes(dir.File("DYNAMICZNE.tab"));
    EXPECT_EQ(reducts.rfind("REDUCTS (", 0), 0u);
    EXPECT_NE(reducts.find("\n" + reduct + "} "), std::string::npos);

    TTable scaled;
    scaled = iris;
    dc.Discretize(scaled);
    for (int o = 0; o < iris.GetNoObj(); ++o) {
        for (int a = 0; a < 4; ++a) {
            int code = 0;
            for (const Cut& c : chosen) code += std::get<0>(c) == a && iris.Value(o, a) >= double(std::get<1>(c));
            ASSERT_EQ(scaled.Value(o, a), code);
        }
    }
}

// At "at least 5" attribute 0 is the decision, so {cut 0} is the only reduct; read as
// "above 5", object 5 would fall on the wrong side and only both cuts would do.
TEST_F(DynCuts, TheZeroOneTableTakesAtLeast) {
    std::vector<std::vector<int>> rows;
    for (int o = 0; o < 12; ++o) rows.push_back({o, o == 0 || o >= 5, o >= 5});
    TTable t;
    FromRows(t, rows);
    ScratchDir dir;
    TDynCuts dc(dir.Path() + "/");
    dc.GetDynCuts().AddCut(std::make_unique<TCut>(0, 5.0f));
    dc.GetDynCuts().AddCut(std::make_unique<TCut>(1, 0.5f));
    testing::internal::CaptureStdout();
    dc.SelectByDynamicReducts(t);
    EXPECT_EQ(Output(testing::internal::GetCapturedStdout()).back(), "{ 0  }");
    EXPECT_EQ(Lines(dc.GetDynCuts()), (std::vector<Cut>{{0, 5.0f, 0}}));
    EXPECT_EQ(ReadFileBytes(dir.File("DYNAMICZNE.tab")).rfind("REDUCTS (1)\n{0} ", 0), 0u);
}

// One decision: no cut kept, no reduct computed, the files written all the same.
TEST_F(DynCuts, OneDecisionKeepsNoCut) {
    std::mt19937 gen(3);
    TTable t;
    RandomTable(t, gen, 20, 6, 0, 1);
    ScratchDir dir;
    TDynCuts dc(dir.Path());
    testing::internal::CaptureStdout();
    dc.FindDynamicCuts(t, 3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ATRYBUT: 1 from 2\nATRYBUT: 2 from 2\nLicze redukty dynamiczne \nPo reduktach dynamicznych \n"
              "Wspolczynnik stabilnosci najlepszego reduktu: 0\n");
    EXPECT_EQ(ReadFileBytes(dir.File("DYN_CUTS.txt")) + ReadFileBytes(dir.File("DYN_CUTS_A_DYN_SEL.txt")), "");
    EXPECT_EQ(ReadFileBytes(dir.File("DYNAMICZNE.tab")), "REDUCTS (0)\n");
    EXPECT_EQ(CutsFile(dir.File("ALL_CUTS.txt")), Reference(t, 1));

    TDynCuts unwritable(dir.File("missing"));
    EXPECT_EQ(unwritable.DataFile("A"), dir.File("missing") + "/A");
    testing::internal::CaptureStdout();
    const Error e = ThrownError([&] { unwritable.FindDynamicCuts(t, 1); });
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(e.GetCode(), 7);
    EXPECT_NE(std::string(e.GetMessage()).find("ALL_CUTS.txt"), std::string::npos);
    EXPECT_EQ(TDynCuts().DataFile("B"), "/DANE/DATASET_X1/DANE1/B");
}
